#include "dates.h"

#include "values/amounts.h"

#include "store/core/vb.h"

#include <QLocale>
#include <cmath>

namespace values {

namespace {

struct PartRange
{
    double lo;
    double hi;
};

PartRange readingRange(int part)
{
    switch (part) {
    case Year:
        return {1000, 5000};
    case Month:
        return {1, 12};
    default:
        return {1, 31};
    }
}

PartRange capitalRange(int part)
{
    switch (part) {
    case Year:
        return {2000, 3000};
    case Month:
        return {1, 12};
    default:
        return {1, 31};
    }
}

int todayPart(const QDate &today, int part)
{
    switch (part) {
    case Year:
        return today.year();
    case Month:
        return today.month();
    default:
        return today.day();
    }
}

bool allDigits(QStringView s)
{
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

int digitsValue(QStringView s)
{
    return int(store::Val(s));
}

} // namespace

QString GetDatePart(const QString &t, int part, const QDate &today)
{
    const double v = store::RoundEven(store::Val(ConvertDigits(t.trimmed(), -1)));
    const PartRange r = readingRange(part);
    const int n = (v >= r.lo && v <= r.hi) ? int(v) : todayPart(today, part);
    return QString::number(n).rightJustified(part == Year ? 4 : 2, u'0');
}

QString DatePartToCapital(const QString &t, int part)
{
    if (t.isEmpty() || t.front() < u'0' || t.front() > u'9')
        return t;
    const double v = store::Val(t);
    const PartRange r = capitalRange(part);
    if (v < r.lo || v > r.hi)
        return t;
    return DateNumToCapital(t, part);
}

QString DateNumToCapital(const QString &t, int part)
{
    Q_UNUSED(part)
    const double m = std::fabs(store::RoundEven(store::Val(t)));
    const QString c = ConvertDigits(store::CStr(m), 1);
    QString out = c;
    if (c.size() == 1) {
        out = QStringLiteral("零") + c;
    } else if (c.size() == 2) {
        const QChar x = c[0];
        const QChar y = c[1];
        if (y != u'零' && x != u'零')
            out = QString(x) + u'拾' + y;
        else if (y != u'零')
            out = c;
        else
            out = QString(x) + u'拾';
    }
    if (out.size() == 2 && std::fmod(m, 10.0) == 0)
        out.prepend(u'零');
    return out;
}

QString FormatDateStr(const QDateTime &value, const QString &pattern)
{
    return store::FormatDate(value, pattern);
}

QString FormatDateStr(const QString &t, const QString &pattern, const QDate &today)
{
    if (const auto dt = store::CDate(t, today))
        return FormatDateStr(*dt, pattern);
    if (t.size() < 15)
        return QString();
    const QStringView s(t);
    std::optional<QDate> date;
    if (t.size() == 15 && allDigits(s))
        date = store::DateSerial(1900 + digitsValue(s.mid(6, 2)), digitsValue(s.mid(8, 2)),
                                 digitsValue(s.mid(10, 2)));
    else if (allDigits(s.left(14)))
        date = store::DateSerial(digitsValue(s.mid(6, 4)), digitsValue(s.mid(10, 2)),
                                 digitsValue(s.mid(12, 2)));
    if (!date)
        return QString();
    return FormatDateStr(QDateTime(*date, QTime(0, 0), Qt::UTC), pattern);
}

QString IDCardToSex(const QString &t)
{
    if (!(store::Val(QStringView(t).left(10)) > 999999999.0) || t.size() <= 14)
        return t;
    const QChar c = t.size() == 18 ? t[16] : t[14];
    const int n = int(store::Val(QStringView(&c, 1)));
    return n % 2 == 1 ? QStringLiteral("男") : QStringLiteral("女");
}

QString StripChars(const QString &t, QStringView allowed)
{
    return KeepChars(t, allowed);
}

QString ToPostcode(const QString &t)
{
    QString s = StripChars(t, u"0123456789");
    if (s.size() > 6)
        s.truncate(6);
    if (!s.isEmpty())
        s = s.rightJustified(6, u'0');
    return s;
}

QString FormatDateByKind(const QDateTime &value, qint32 code, const ValueEnv &env)
{
    const QString pattern = env.parameter(QStringLiteral("自定义类型") + QString::number(code));
    if (!pattern.isEmpty())
        return store::FormatDate(value, pattern);
    // The date and time as a Chinese Windows writes them: "2014/8/28 9:05:07".
    const QLocale locale;
    return locale.toString(value.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(value.time(), QStringLiteral("H:mm:ss"));
}

} // namespace values
