#include "store/core/vb.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace store {

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

char16_t unitAt(QStringView t, std::size_t i)
{
    return t[qsizetype(i)].unicode();
}
char16_t unitAt(std::string_view t, std::size_t i)
{
    return char16_t(static_cast<unsigned char>(t[i]));
}

template <typename View> NumberScan scanImpl(const View &t)
{
    NumberScan n;
    std::size_t i = 0;
    const std::size_t len = std::size_t(t.size());
    while (i < len && isBlank(unitAt(t, i)))
        ++i;
    if (i < len && (unitAt(t, i) == u'-' || unitAt(t, i) == u'+')) {
        n.negative = unitAt(t, i) == u'-';
        ++i;
    }
    int pointPos = -1;
    for (; i < len; ++i) {
        const char16_t c = unitAt(t, i);
        if (isBlank(c))
            continue;
        if (isDigit(c)) {
            n.digits.push_back(char(c));
            n.any = true;
        } else if (c == u'.' && pointPos < 0) {
            pointPos = int(n.digits.size());
        } else {
            break;
        }
    }
    n.pointPos = pointPos < 0 ? int(n.digits.size()) : pointPos;
    if (n.any && i < len && (unitAt(t, i) == u'e' || unitAt(t, i) == u'E')) {
        std::size_t j = i + 1;
        while (j < len && isBlank(unitAt(t, j)))
            ++j;
        bool expNeg = false;
        if (j < len && (unitAt(t, j) == u'-' || unitAt(t, j) == u'+')) {
            expNeg = unitAt(t, j) == u'-';
            ++j;
        }
        long long e = 0;
        bool expDigits = false;
        for (; j < len; ++j) {
            const char16_t c = unitAt(t, j);
            if (isBlank(c))
                continue;
            if (!isDigit(c))
                break;
            expDigits = true;
            if (e < 100000)
                e = e * 10 + (c - u'0');
        }
        if (expDigits)
            n.exponent = int(std::min<long long>(e, 400)) * (expNeg ? -1 : 1);
    }
    return n;
}

} // namespace

NumberScan ScanNumber(QStringView text)
{
    return scanImpl(text);
}

NumberScan ScanNumber(std::string_view text)
{
    return scanImpl(text);
}

namespace {

// A plain decimal ("-1234.50"), as nearly every number cell of a format holds: read at once,
// to the same correctly rounded value as the whole scan gives. False for anything else.
bool PlainDecimal(QStringView text, double *value)
{
    char plain[32];
    const qsizetype n = text.size();
    if (n == 0 || n > qsizetype(sizeof plain))
        return false;
    int before = 0, after = 0;
    bool point = false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9')
            ++(point ? after : before);
        else if (c == u'.' && !point)
            point = true;
        else if (!(c == u'-' && i == 0))
            return false;
        plain[i] = char(c);
    }
    if (before == 0 || (point && after == 0))
        return false;
    const auto read = std::from_chars(plain, plain + n, *value);
    return read.ec == std::errc() && read.ptr == plain + n;
}

} // namespace

double Val(QStringView text)
{
    double plain = 0;
    if (PlainDecimal(text, &plain))
        return plain == 0.0 ? 0.0 : plain; // no negative zero
    const NumberScan n = ScanNumber(text);
    if (!n.any)
        return 0.0;
    std::string s;
    s.reserve(n.digits.size() + 16);
    if (n.negative)
        s.push_back('-');
    s.append(n.digits, 0, std::size_t(n.pointPos));
    if (n.pointPos == 0)
        s.push_back('0');
    s.push_back('.');
    s.append(n.digits, std::size_t(n.pointPos));
    s.push_back('0');
    s.push_back('e');
    s.append(std::to_string(n.exponent));
    const double v = std::strtod(s.c_str(), nullptr);
    return v == 0.0 ? 0.0 : v; // no negative zero
}

QString ValText(QStringView text)
{
    const NumberScan n = ScanNumber(text);
    if (!n.any)
        return QStringLiteral("0");
    // The point moves by the exponent; missing places are zeros.
    const int point = n.pointPos + n.exponent;
    const int len = int(n.digits.size());
    std::string intPart;
    std::string frac;
    if (point <= 0) {
        frac.assign(std::size_t(-point), '0');
        frac += n.digits;
    } else if (point >= len) {
        intPart = n.digits;
        intPart.append(std::size_t(point - len), '0');
    } else {
        intPart = n.digits.substr(0, std::size_t(point));
        frac = n.digits.substr(std::size_t(point));
    }
    const std::size_t nz = intPart.find_first_not_of('0');
    intPart.erase(0, nz == std::string::npos ? intPart.size() : nz);
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    std::string out = intPart.empty() ? std::string("0") : intPart;
    if (!frac.empty())
        out += '.' + frac;
    if (n.negative && out != "0")
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

double Fix(double x)
{
    return std::trunc(x);
}

double Int(double x)
{
    return std::floor(x);
}

double RoundEven(double x)
{
    return std::nearbyint(x);
}

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
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const std::string_view sci(buf, std::size_t(res.ptr - buf));
    const std::size_t ePos = sci.find('e');
    int exp = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exp);
    const bool neg = sci.front() == '-';
    std::string mant;
    for (char c : sci.substr(neg ? 1 : 0, ePos - (neg ? 1 : 0))) {
        if (c != '.')
            mant.push_back(c);
    }
    // mant holds 15 digits d0 d1 ... with the value d0.d1d2... x 10^exp
    std::string out;
    if (neg)
        out.push_back('-');
    const int len = int(mant.size());
    std::string frac;
    if (exp >= 0) {
        if (exp + 1 >= len) {
            out += mant;
            out.append(std::size_t(exp + 1 - len), '0');
        } else {
            out.append(mant, 0, std::size_t(exp + 1));
            frac = mant.substr(std::size_t(exp + 1));
        }
    } else {
        out.push_back('0');
        frac.assign(std::size_t(-exp - 1), '0');
        frac += mant;
    }
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    if (!frac.empty()) {
        out.push_back('.');
        out += frac;
    }
    if (out == "-0")
        return QStringLiteral("0");
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
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

std::optional<QDate> DateSerial(qint64 year, qint64 month, qint64 day)
{
    constexpr qint64 kLimit = 100000000; // far beyond any date; keeps the sums below in range
    if (std::abs(year) > kLimit || std::abs(month) > kLimit || std::abs(day) > kLimit)
        return std::nullopt;
    if (year >= 0 && year <= 29)
        year += 2000;
    else if (year >= 30 && year <= 99)
        year += 1900;
    // Month carry: months are counted from 0 for the division.
    qint64 m0 = month - 1;
    qint64 carry = m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12);
    year += carry;
    m0 -= carry * 12;
    if (year < 100 || year > 9999)
        return std::nullopt;
    const QDate date = QDate(int(year), int(m0 + 1), 1).addDays(day - 1);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        return std::nullopt;
    return date;
}

namespace {

// A small cursor over a date text for CDate.
struct DateCursor
{
    QStringView t;
    qsizetype i = 0;

    bool atEnd() const { return i >= t.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : t[i].unicode(); }
    bool eat(char16_t c)
    {
        if (peek() != c)
            return false;
        ++i;
        return true;
    }
    // Reads between minDigits and maxDigits ASCII digits; -1 when fewer are there.
    int number(int minDigits, int maxDigits)
    {
        int v = 0;
        int n = 0;
        while (n < maxDigits && isDigit(peek())) {
            v = v * 10 + (peek() - u'0');
            ++i;
            ++n;
        }
        return n >= minDigits ? v : -1;
    }
};

bool isDateSep(char16_t c)
{
    return c == u'-' || c == u'/' || c == u'.';
}

// An optional time after the date: blanks or "T", then H:mm or H:mm:ss, then the end.
std::optional<QTime> readTimeTail(DateCursor &c)
{
    if (c.atEnd())
        return QTime(0, 0);
    bool gap = false;
    while (c.peek() == u' ' || c.peek() == u'\t') {
        ++c.i;
        gap = true;
    }
    if (!gap && !c.eat(u'T'))
        return std::nullopt;
    if (c.atEnd())
        return QTime(0, 0);
    const int h = c.number(1, 2);
    if (h < 0 || !c.eat(u':'))
        return std::nullopt;
    const int mi = c.number(2, 2);
    if (mi < 0)
        return std::nullopt;
    int s = 0;
    if (c.eat(u':')) {
        s = c.number(2, 2);
        if (s < 0)
            return std::nullopt;
    }
    if (!c.atEnd())
        return std::nullopt;
    const QTime time(h, mi, s);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// A month and day without a year: today's year; 29 February in a year without it falls in the
// leap year before, so that a date written without its year always reads back.
std::optional<QDateTime> makeYearlessDateTime(const QDate &today, int m, int d, DateCursor &c);

std::optional<QDateTime> makeDateTime(int y, int m, int d, DateCursor &c)
{
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    const auto time = readTimeTail(c);
    if (!time)
        return std::nullopt;
    return QDateTime(date, *time, Qt::UTC);
}

std::optional<QDateTime> makeYearlessDateTime(const QDate &today, int m, int d, DateCursor &c)
{
    int y = today.year();
    if (m == 2 && d == 29) {
        while (!QDate::isLeapYear(y))
            --y;
    }
    return makeDateTime(y, m, d, c);
}

} // namespace

std::optional<QDateTime> CDate(QStringView text, const QDate &today)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Forms with a four-digit year.
    {
        DateCursor c{t};
        const int y = c.number(4, 4);
        if (y >= 0) {
            if (c.eat(u'年')) {
                const int m = c.number(1, 2);
                if (m >= 0 && c.eat(u'月')) {
                    const int d = c.number(1, 2);
                    if (d >= 0) {
                        c.eat(u'日');
                        return makeDateTime(y, m, d, c);
                    }
                }
                return std::nullopt;
            }
            const char16_t sep = c.peek();
            if (isDateSep(sep)) {
                ++c.i;
                const int m = c.number(1, 2);
                if (m >= 0 && c.eat(sep)) {
                    const int d = c.number(1, 2);
                    if (d >= 0)
                        return makeDateTime(y, m, d, c);
                }
                return std::nullopt;
            }
            // yyyyMMdd
            const int m = c.number(2, 2);
            const int d = m >= 0 ? c.number(2, 2) : -1;
            if (d >= 0 && !isDigit(c.peek()))
                return makeDateTime(y, m, d, c);
            return std::nullopt;
        }
    }
    // Month and day of today's year.
    DateCursor c{t};
    const int m = c.number(1, 2);
    if (m < 0)
        return std::nullopt;
    if (c.eat(u'月')) {
        const int d = c.number(1, 2);
        if (d < 0)
            return std::nullopt;
        c.eat(u'日');
        return makeYearlessDateTime(today, m, d, c);
    }
    if (c.eat(u'-') || c.eat(u'/')) {
        const int d = c.number(1, 2);
        if (d < 0)
            return std::nullopt;
        return makeYearlessDateTime(today, m, d, c);
    }
    return std::nullopt;
}

QString FormatDate(const QDateTime &value, QStringView pattern)
{
    struct Token
    {
        char16_t kind; // y m d h n s, or 0 for literal text
        int count;
        QString text;
    };
    QList<Token> tokens;
    auto lower = [](char16_t c) -> char16_t {
        return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c;
    };
    for (qsizetype i = 0; i < pattern.size();) {
        const char16_t c = pattern[i].unicode();
        const char16_t lc = lower(c);
        if (c == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            tokens.append({0, 0, pattern.mid(i + 1, stop - i - 1).toString()});
            i = end < 0 ? pattern.size() : end + 1;
        } else if (c == u'\\') {
            if (i + 1 < pattern.size())
                tokens.append({0, 0, pattern.mid(i + 1, 1).toString()});
            i += 2;
        } else if (lc == u'y' || lc == u'm' || lc == u'd' || lc == u'h' || lc == u'n' ||
                   lc == u's') {
            qsizetype j = i;
            while (j < pattern.size() && lower(pattern[j].unicode()) == lc)
                ++j;
            tokens.append({lc, int(j - i), {}});
            i = j;
        } else {
            tokens.append({0, 0, QString(QChar(c))});
            ++i;
        }
    }
    // "m" right after an hour or right before seconds means minutes.
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (tokens[k].kind != u'm' || tokens[k].count > 2)
            continue;
        char16_t before = 0;
        char16_t after = 0;
        for (qsizetype b = k - 1; b >= 0 && !before; --b)
            before = tokens[b].kind;
        for (qsizetype a = k + 1; a < tokens.size() && !after; ++a)
            after = tokens[a].kind;
        if (before == u'h' || after == u's')
            tokens[k].kind = u'n';
    }
    static const QLocale zh(QLocale::Chinese, QLocale::China);
    const QDate d = value.date();
    const QTime t = value.time();
    auto num = [](int v, int width) { return QString::number(v).rightJustified(width, u'0'); };
    QString out;
    for (const Token &tk : tokens) {
        switch (tk.kind) {
        case 0:
            out += tk.text;
            break;
        case u'y':
            if (tk.count >= 3)
                out += num(d.year(), 4);
            else
                out += num(d.year() % 100, 2);
            break;
        case u'm':
            if (tk.count >= 4)
                out += zh.monthName(d.month(), QLocale::LongFormat);
            else if (tk.count == 3)
                out += zh.monthName(d.month(), QLocale::ShortFormat);
            else
                out += num(d.month(), tk.count);
            break;
        case u'd':
            if (tk.count >= 4)
                out += zh.dayName(d.dayOfWeek(), QLocale::LongFormat);
            else if (tk.count == 3)
                out += zh.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += num(d.day(), tk.count);
            break;
        case u'h':
            out += num(t.hour(), std::min(tk.count, 2));
            break;
        case u'n':
            out += num(t.minute(), std::min(tk.count, 2));
            break;
        case u's':
            out += num(t.second(), std::min(tk.count, 2));
            break;
        }
    }
    return out;
}

} // namespace store
