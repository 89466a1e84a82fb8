#include "vb.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace store {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Splits the leading number of a text into sign, digits (with the point position) and exponent.
struct LeadingNumber
{
    bool negative = false;
    QString digits;    // all mantissa digits, no point
    int pointPos = -1; // number of digits before the point, -1 when no point
    int exponent = 0;
    bool any = false;
};

LeadingNumber scan(QStringView t)
{
    LeadingNumber n;
    qsizetype i = 0;
    const qsizetype len = t.size();
    auto skip = [&] {
        while (i < len && isBlank(t[i]))
            ++i;
    };
    skip();
    if (i < len && (t[i] == u'-' || t[i] == u'+')) {
        n.negative = t[i] == u'-';
        ++i;
    }
    for (; i < len; ++i) {
        const QChar c = t[i];
        if (isBlank(c))
            continue;
        if (c >= u'0' && c <= u'9') {
            n.digits.append(c);
            n.any = true;
        } else if (c == u'.' && n.pointPos < 0) {
            n.pointPos = int(n.digits.size());
        } else {
            break;
        }
    }
    if (n.pointPos < 0)
        n.pointPos = int(n.digits.size());
    if (n.any && i < len && (t[i] == u'e' || t[i] == u'E')) {
        qsizetype j = i + 1;
        while (j < len && isBlank(t[j]))
            ++j;
        bool expNeg = false;
        if (j < len && (t[j] == u'-' || t[j] == u'+')) {
            expNeg = t[j] == u'-';
            ++j;
        }
        long long e = 0;
        bool expDigits = false;
        for (; j < len; ++j) {
            if (isBlank(t[j]))
                continue;
            if (t[j] < u'0' || t[j] > u'9')
                break;
            expDigits = true;
            if (e < 100000)
                e = e * 10 + (t[j].unicode() - u'0');
        }
        if (expDigits)
            n.exponent = int(expNeg ? -e : e);
    }
    return n;
}

} // namespace

double Val(QStringView text)
{
    const LeadingNumber n = scan(text);
    if (!n.any)
        return 0.0;
    QByteArray s;
    s.reserve(n.digits.size() + 16);
    if (n.negative)
        s.append('-');
    s.append(n.digits.left(n.pointPos).toLatin1());
    if (n.pointPos == 0)
        s.append('0');
    s.append('.');
    s.append(n.digits.mid(n.pointPos).toLatin1());
    s.append('0');
    s.append('e');
    s.append(QByteArray::number(n.exponent));
    const double v = std::strtod(s.constData(), nullptr);
    return v == 0.0 ? 0.0 : v; // no negative zero
}

QString ValText(QStringView text)
{
    const LeadingNumber n = scan(text);
    if (!n.any)
        return QStringLiteral("0");
    QString intPart = n.digits.left(n.pointPos);
    QString frac = n.digits.mid(n.pointPos);
    int e = n.exponent;
    if (e > 400)
        e = 400;
    if (e < -400)
        e = -400;
    while (e > 0) {
        intPart.append(frac.isEmpty() ? QChar(u'0') : frac.at(0));
        if (!frac.isEmpty())
            frac.remove(0, 1);
        --e;
    }
    while (e < 0) {
        frac.prepend(intPart.isEmpty() ? QChar(u'0') : intPart.back());
        if (!intPart.isEmpty())
            intPart.chop(1);
        ++e;
    }
    while (intPart.size() > 1 && intPart.front() == u'0')
        intPart.remove(0, 1);
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    while (!frac.isEmpty() && frac.back() == u'0')
        frac.chop(1);
    QString out = intPart;
    if (!frac.isEmpty())
        out += u'.' + frac;
    if (n.negative && out != u"0")
        out.prepend(u'-');
    return out;
}

double Fix(double x) { return std::trunc(x); }

double Int(double x) { return std::floor(x); }

double RoundEven(double x) { return std::nearbyint(x); }

std::optional<qint32> CLngChecked(double x)
{
    if (!std::isfinite(x))
        return std::nullopt;
    const double r = std::nearbyint(x);
    if (r < double(std::numeric_limits<qint32>::min()) ||
        r > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(r);
}

qint32 CLng(double x)
{
    if (std::isnan(x))
        return 0;
    const double r = std::nearbyint(x);
    if (r <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (r >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(r);
}

QString CStr(double x)
{
    if (std::isnan(x))
        return QStringLiteral("0");
    if (std::isinf(x))
        return x > 0 ? QStringLiteral("999999999999999") : QStringLiteral("-999999999999999");
    if (x == 0.0)
        return QStringLiteral("0");
    // 15 significant digits in scientific form, then written out plainly.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", x);
    const QString s = QString::fromLatin1(buf);
    const qsizetype ePos = s.indexOf(u'e');
    QString mant = s.left(ePos);
    const int exp = s.mid(ePos + 1).toInt();
    const bool neg = mant.startsWith(u'-');
    if (neg)
        mant.remove(0, 1);
    mant.remove(u'.');
    // mant holds 15 digits d0 d1 ... with the value d0.d1d2... x 10^exp
    QString intPart;
    QString frac;
    if (exp >= 0) {
        if (exp + 1 >= mant.size()) {
            intPart = mant + QString(exp + 1 - mant.size(), u'0');
        } else {
            intPart = mant.left(exp + 1);
            frac = mant.mid(exp + 1);
        }
    } else {
        intPart = QStringLiteral("0");
        frac = QString(-exp - 1, u'0') + mant;
    }
    while (!frac.isEmpty() && frac.back() == u'0')
        frac.chop(1);
    QString out = intPart;
    if (!frac.isEmpty())
        out += u'.' + frac;
    if (out == u"0")
        return out;
    return neg ? u'-' + out : out;
}

bool IsNumeric(QStringView text)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= u'0' && t[i] <= u'9')
            digits = true;
        else if (t[i] == u'.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return false;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
            ++i;
        bool expDigits = false;
        for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i)
            expDigits = true;
        if (!expDigits)
            return false;
    }
    return i == t.size();
}

} // namespace store
