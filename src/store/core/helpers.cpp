#include "store/core/helpers.h"

#include "store/core/vb.h"

#include <QCoreApplication>

namespace store {

QString CutStr(QString &text, const QString &sep, bool fromLeft)
{
    if (sep.isEmpty())
        return QString();
    const qsizetype at = fromLeft ? text.indexOf(sep) : text.lastIndexOf(sep);
    if (at < 0)
        return QString();
    QString cut;
    if (fromLeft) {
        cut = text.left(at);
        text = text.mid(at + sep.size());
    } else {
        cut = text.mid(at + sep.size());
        text = text.left(at);
    }
    return cut;
}

double CashStrToVal(const QString &value)
{
    QString t = value;
    t.remove(QChar(0xFFE5));
    t.remove(u'$');
    t.remove(u',');
    if (t.endsWith(u'%')) {
        t.remove(u'%');
        return Val(t) / 100.0;
    }
    return Val(t);
}

double PageScale(double pageWidthTwips, const QString &slipWidthMm)
{
    const double mm = Val(slipWidthMm);
    return mm == 0 ? 0.0 : pageWidthTwips / mm;
}

double PageToMM(double twips, double scale)
{
    if (scale == 0)
        return 0.0;
    return RoundEven(twips / scale * 1000.0) / 1000.0;
}

qint32 MMToPage(double mm, double scale)
{
    return CLng(scale * mm);
}

QDate FirstDayOfMonth(const QDate &d)
{
    return QDate(d.year(), d.month(), 1);
}

QDate LastDayOfMonth(const QDate &d)
{
    return FirstDayOfMonth(d).addMonths(1).addDays(-1);
}

QString BoolToTick(const QVariant &value)
{
    static const QString tick = QStringLiteral("√");
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? tick : QString();
    if (value.typeId() == QMetaType::QString) {
        const QString t = value.toString();
        if (!IsNumeric(t))
            return QString();
        return Val(t) != 0 ? tick : QString();
    }
    bool ok = false;
    const double d = value.toDouble(&ok);
    return ok && d != 0 ? tick : QString();
}

bool IsNotEmpty(const QString &text)
{
    return !text.isEmpty();
}

void NumKeyFilter(int &key)
{
    if ((key >= 48 && key <= 57) || key == 8 || key == 46)
        return;
    key = 0;
}

QString SecondsToTimeStr(qint64 seconds)
{
    qint64 h = 0, m = 0, s = 0;
    if (seconds > 0) {
        s = seconds % 60;
        m = (seconds / 60) % 60;
        h = seconds / 3600;
    }
    QString t = QStringLiteral("0:%1:%2:%3").arg(h).arg(m).arg(s);
    for (int i = 0; i < 2 && t.startsWith(QLatin1String("0:")); ++i)
        t.remove(0, 2);
    return t;
}

void DoEventsN(int n)
{
    for (int i = 0; i <= n; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace store
