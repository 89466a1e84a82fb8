#include "amounts.h"

#include "values/contentkind.h"

#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

namespace values {

namespace {

constexpr char16_t kYen = u'￥';

int capitalDigitValue(char16_t c)
{
    for (int i = 0; i < 10; ++i) {
        if (kCapitalDigits[i] == c)
            return i;
    }
    return -1;
}

// A short text built in place; long enough for every capital amount of 15 digits in fen.
struct Buf
{
    char16_t d[96];
    int n = 0;
    void put(char16_t c) { d[n++] = c; }
    bool endsWith(char16_t c) const { return n > 0 && d[n - 1] == c; }
    bool equals(std::u16string_view s) const { return std::u16string_view(d, std::size_t(n)) == s; }
    // Every `c` that directly follows `before` is removed.
    void dropAfter(std::u16string_view before, char16_t c)
    {
        const int k = int(before.size());
        int o = 0;
        for (int i = 0; i < n; ++i) {
            if (d[i] == c && o >= k && std::u16string_view(d + o - k, std::size_t(k)) == before)
                continue;
            d[o++] = d[i];
        }
        n = o;
    }
    // Every occurrence of the two characters a b, left to right and not overlapping, becomes
    // `to` (at most two characters).
    void replace(char16_t a, char16_t b, std::u16string_view to)
    {
        int first = 0;
        while (first + 1 < n && !(d[first] == a && d[first + 1] == b))
            ++first;
        if (first + 1 >= n)
            return;
        int o = first;
        for (int i = first; i < n;) {
            if (i + 1 < n && d[i] == a && d[i + 1] == b) {
                for (char16_t c : to)
                    d[o++] = c;
                i += 2;
            } else {
                d[o++] = d[i++];
            }
        }
        n = o;
    }
};

// True when the leading number of t, read as Val reads it with every `ignored` character
// taken out, is below zero.
bool leadingNumberNegative(QStringView t, char16_t ignored)
{
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto skip = [&] {
        while (i < n && (t[i] == u' ' || t[i] == u'\t' || t[i] == u'\n' || t[i] == u'\r' ||
                         t[i].unicode() == ignored))
            ++i;
    };
    skip();
    if (i >= n || t[i] != u'-')
        return false;
    ++i;
    bool point = false;
    for (; i < n; ++i) {
        const char16_t c = t[i].unicode();
        if (c == ignored || c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c >= u'1' && c <= u'9')
            return true;
        if (c == u'0')
            continue;
        if (c == u'.' && !point) {
            point = true;
            continue;
        }
        break;
    }
    return false;
}

// FormatCash's amount; with dropMinus every "-" of the text is left out first.
Decimal cashValue(QStringView t, int decimals, bool dropMinus)
{
    const int d = std::max(decimals, 0);
    std::string s;
    s.reserve(std::size_t(t.size()));
    for (QChar qc : t) {
        const char16_t c = qc.unicode();
        if ((c >= u'0' && c <= u'9') || c == u'.' || (c == u'-' && !dropMinus))
            s.push_back(char(c));
    }
    const std::size_t dot = s.find('.');
    const std::size_t after = dot == std::string::npos ? s.size() : s.size() - dot - 1;
    Decimal v;
    if (after > std::size_t(d)) {
        // Textual rounding: keep d decimals, one unit more in magnitude when the next
        // character is 5 or more.
        const std::size_t p = dot == std::string::npos ? s.size() : dot + 1;
        const std::size_t keep = std::min(s.size(), p + std::size_t(d));
        const store::NumberScan kept = store::ScanNumber(std::string_view(s).substr(0, keep));
        v = Decimal::fromScan(kept);
        if (keep < s.size() && s[keep] >= '5' && s[keep] <= '9') {
            const Decimal unit = Decimal::fromInteger(1).shifted(-d);
            v = kept.negative ? v - unit : v + unit;
        }
    } else {
        v = Decimal::fromScan(store::ScanNumber(std::string_view(s)));
    }
    return v.roundedToSignificant(15);
}

} // namespace

bool IsCapitalDigit(QChar c)
{
    return capitalDigitValue(c.unicode()) >= 0;
}

Decimal FormatCashValue(QStringView t, int decimals)
{
    return cashValue(t, decimals, false);
}

QString FormatCash(const QString &t, int decimals, bool separators, bool yen)
{
    if (t.isEmpty() || t == u"-")
        return t;
    const int d = std::max(decimals, 0);
    const std::string plain = cashValue(t, d, false).toPlainAscii();
    const bool negative = plain.front() == '-';
    const std::string_view body = std::string_view(plain).substr(negative ? 1 : 0);
    const std::size_t dot = body.find('.');
    const std::string_view intPart = body.substr(0, dot);
    const std::string_view frac =
        dot == std::string_view::npos ? std::string_view() : body.substr(dot + 1);
    const qsizetype intLen = qsizetype(intPart.size());
    const qsizetype commas = separators ? (intLen - 1) / 3 : 0;
    const qsizetype len =
        (yen ? 1 : 0) + (negative ? 1 : 0) + intLen + commas + (d > 0 ? 1 + d : 0);

    QString out(len, Qt::Uninitialized);
    QChar *o = out.data();
    if (yen)
        *o++ = QChar(kYen);
    if (negative)
        *o++ = u'-';
    for (qsizetype i = 0; i < intLen; ++i) {
        if (separators && i > 0 && (intLen - i) % 3 == 0)
            *o++ = u',';
        *o++ = QLatin1Char(intPart[std::size_t(i)]);
    }
    if (d > 0) {
        *o++ = u'.';
        for (char c : frac)
            *o++ = QLatin1Char(c);
        for (qsizetype i = qsizetype(frac.size()); i < d; ++i)
            *o++ = u'0';
    }
    return out;
}

QString CashToCapital(const QString &t, const QString &unit, bool *ok)
{
    if (ok)
        *ok = true;
    if (t.isEmpty())
        return t;
    for (QChar c : t) {
        if (c == u'-')
            continue;
        if (IsCapitalDigit(c))
            return t;
        break;
    }
    // The sign is the leading number's, with "￥" ignored; the fen are FormatCash's amount of
    // the text without any "-".
    const Decimal amount = cashValue(t, 2, true);
    const std::string fen = amount.scaledDigits(2);
    const int n = int(fen.size());
    if (n > 15) {
        if (ok)
            *ok = false;
        return t;
    }
    const bool negative = fen != "0" && leadingNumberNegative(t, kYen);

    static constexpr char16_t units[15] = {u'分', u'角', u'元', u'拾', u'佰', u'仟', u'万', u'拾',
                                           u'佰', u'仟', u'亿', u'拾', u'佰', u'仟', u'万'};
    struct Cell
    {
        char16_t c[2];
        int len = 0;
        bool zeroFirst() const { return len > 0 && c[0] == u'零'; }
        void set(char16_t a, char16_t b = 0)
        {
            c[0] = a;
            c[1] = b;
            len = b ? 2 : 1;
        }
    };
    Cell cells[15];
    for (int i = 0; i < n; ++i)
        cells[i].set(kCapitalDigits[fen[std::size_t(n - 1 - i)] - '0'], units[i]);
    // Runs of zeros: the highest zero stays as a bare 零, those below it down to 元 vanish.
    for (int w = n - 1; w >= 0; --w) {
        if (!cells[w].zeroFirst())
            continue;
        cells[w].set(u'零');
        for (int v = w - 1; v >= 2; --v) {
            if (!cells[v].zeroFirst())
                break;
            cells[v].len = 0;
        }
    }
    if (n > 10) {
        if (cells[10].len == 0)
            cells[10].set(u'亿');
        else if (cells[10].zeroFirst())
            cells[10].set(u'亿', u'零');
    }
    if (n > 6) {
        if (cells[6].len == 0)
            cells[6].set(u'万');
        else if (cells[6].zeroFirst())
            cells[6].set(u'万', u'零');
    }
    if (n > 2 && (cells[2].len == 0 || cells[2].zeroFirst()))
        cells[2].set(u'元');

    Buf b;
    for (int i = 14; i >= 0; --i) {
        for (int j = 0; j < cells[i].len; ++j)
            b.put(cells[i].c[j]);
    }
    b.replace(u'零', u'万', u"万零");
    b.replace(u'零', u'亿', u"亿零");
    // From 100亿 on, a zero before 亿 that moved behind it meets a 万 group of zeros: "亿零万"
    // reads as one 零 before the next digit, and as none before 元 (the pass below drops it).
    b.dropAfter(u"亿零", u'万');
    b.replace(u'零', u'零', u"零");
    b.replace(u'零', u'元', u"元");
    if (b.endsWith(u'零'))
        --b.n;
    if (!b.endsWith(u'分'))
        b.put(u'整');
    if (b.equals(u"元整") || b.equals(u"整")) {
        b.n = 0;
        b.put(u'零');
        b.put(u'元');
        b.put(u'整');
    }
    b.replace(u'亿', u'万', u"亿");
    if (unit.isEmpty()) {
        b.replace(u'元', u'整', u"");
    } else if (unit == u"圆") {
        for (int i = 0; i < b.n; ++i) {
            if (b.d[i] == u'元')
                b.d[i] = u'圆';
        }
    }
    QString out;
    out.reserve(b.n + 1);
    if (negative)
        out.append(u'-');
    out.append(QStringView(b.d, b.n));
    return out;
}

QString CashToCapitalDigits(const QString &t, int positions, bool *ok)
{
    if (ok)
        *ok = true;
    if (t.isEmpty() || IsCapitalDigit(t.front()))
        return t;
    // The amount as every amount is read ("￥", "$" and "," ignored, a trailing "%" reading as
    // hundredths), to the fen with halves away from zero like the figures and the capitals.
    const double value = store::CashStrToVal(t);
    if (!std::isfinite(value)) {
        if (ok)
            *ok = false;
        return t;
    }
    const Decimal amount = Decimal::fromCashText(t).roundedToDecimals(2);
    const std::string fen = amount.scaledDigits(2);
    if (amount.isNegative() || fen.size() > 15) {
        if (ok)
            *ok = false;
        return t;
    }
    QString out;
    const qsizetype len = qsizetype(fen.size());
    out.reserve(std::max<qsizetype>(len, positions));
    for (qsizetype i = len; i < positions; ++i)
        out.append(u'零');
    for (char c : fen)
        out.append(QChar(kCapitalDigits[c - '0']));
    return out;
}

namespace {

QString capitalsToArabic(QStringView s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        const int v = capitalDigitValue(c.unicode());
        out.append(v >= 0 ? QChar(u'0' + v) : c);
    }
    return out;
}

// One group of a capital amount (before 亿, 万 or 元) as a run of capital digits with a 零 in
// each missing place. `lowest` is the index of the group's highest possible unit in 亿 万 仟 佰
// 拾; `forceFirst` makes 仟 the first unit (a higher group came before).
QString groupDigits(QString g, int lowest, bool forceFirst)
{
    static constexpr char16_t units[5] = {u'亿', u'万', u'仟', u'佰', u'拾'};
    g.remove(u'零');
    if (g.isEmpty() || !IsCapitalDigit(g.back()))
        g.append(u'零');
    int first = -1;
    if (forceFirst) {
        first = 2;
    } else {
        for (int i = lowest; i < 5; ++i) {
            if (g.contains(QChar(units[i]))) {
                first = i;
                break;
            }
        }
    }
    if (first < 0)
        return g;
    for (int u = first; u < 5; ++u) {
        if (g.contains(QChar(units[u])))
            g.remove(QChar(units[u]));
        else
            g.insert(std::min<qsizetype>(u - first, g.size()), u'零');
    }
    return g;
}

QString capitalAmountToNumber(QString s)
{
    s.remove(u'整');
    QString digits;
    bool higher = false;
    const qsizetype yi = s.lastIndexOf(u'亿');
    if (yi >= 0) {
        digits += groupDigits(s.left(yi), 0, false);
        s = s.mid(yi + 1);
        higher = true;
    }
    const qsizetype wan = s.indexOf(u'万');
    if (wan >= 0) {
        digits += groupDigits(s.left(wan), 2, higher);
        s = s.mid(wan + 1);
        higher = true;
    } else if (yi >= 0) {
        digits += QStringLiteral("零零零零");
    }
    const qsizetype yuan = s.indexOf(u'元');
    if (yuan >= 0) {
        digits += groupDigits(s.left(yuan), 2, higher);
        s = s.mid(yuan + 1);
    }
    digits += u'.';
    const qsizetype jiao = s.indexOf(u'角');
    if (jiao >= 0) {
        digits += s.left(jiao);
        s = s.mid(jiao + 1);
    } else if (s.startsWith(u'零')) {
        digits += u'零';
        s = s.mid(1);
    } else {
        digits += u'零';
    }
    s.remove(u'分');
    digits += s;
    return Decimal::fromText(capitalsToArabic(digits)).toText();
}

} // namespace

QString CapitalToNum(const QString &t, double code)
{
    const int k = DecodeKind(code).kind;
    const bool digitsKind = k == 114 || k == 121;
    const bool amountKind = k == 103 || k == 120;
    if (t.isEmpty() || (!digitsKind && !amountKind))
        return t;
    const bool negative = t.startsWith(u'-');
    const QStringView body = QStringView(t).mid(negative ? 1 : 0);
    if (body.isEmpty() || !IsCapitalDigit(body.front()))
        return t;
    QString result;
    if (digitsKind) {
        QString s = capitalsToArabic(body);
        if (k == 121)
            s += QStringLiteral("00");
        result = Decimal::fromText(s).shifted(-2).toText();
    } else {
        QString s = body.toString();
        if (k == 120)
            s.replace(u'圆', u'元');
        result = capitalAmountToNumber(s);
    }
    if (negative && !result.startsWith(u'-') && result != u"0")
        result.prepend(u'-');
    return result;
}

QString ConvertDigits(const QString &t, int direction)
{
    if (direction >= 0) {
        QString out = t;
        for (QChar &c : out) {
            if (c >= u'0' && c <= u'9')
                c = QChar(kCapitalDigits[c.unicode() - u'0']);
        }
        return out;
    }
    QString s = capitalsToArabic(t);
    if (s == u"拾") {
        s = QStringLiteral("10");
    } else {
        if (s.startsWith(u'拾'))
            s[0] = u'1';
        if (s.endsWith(u'拾'))
            s[s.size() - 1] = u'0';
    }
    s = KeepChars(s, u"0123456789.");
    if (s.startsWith(u'0'))
        s.remove(0, 1);
    return s;
}

QString KeepChars(const QString &t, QStringView allowed)
{
    QString out;
    out.reserve(t.size());
    for (QChar c : t) {
        if (allowed.contains(c))
            out.append(c);
    }
    return out;
}

} // namespace values
