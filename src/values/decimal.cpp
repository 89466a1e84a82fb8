#include "decimal.h"

#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <algorithm>
#include <vector>

namespace values {

namespace {

int compareMagnitude(const std::string &x, const std::string &y)
{
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string addMagnitude(const std::string &x, const std::string &y)
{
    std::string out;
    out.resize(std::max(x.size(), y.size()) + 1);
    int carry = 0;
    auto ix = x.rbegin();
    auto iy = y.rbegin();
    for (auto o = out.rbegin(); o != out.rend(); ++o) {
        int s = carry;
        if (ix != x.rend())
            s += *ix++ - '0';
        if (iy != y.rend())
            s += *iy++ - '0';
        *o = char('0' + s % 10);
        carry = s / 10;
    }
    return out;
}

// x - y for x >= y.
std::string subtractMagnitude(const std::string &x, const std::string &y)
{
    std::string out = x;
    int borrow = 0;
    auto iy = y.rbegin();
    for (auto o = out.rbegin(); o != out.rend(); ++o) {
        int d = (*o - '0') - borrow;
        if (iy != y.rend())
            d -= *iy++ - '0';
        borrow = d < 0 ? 1 : 0;
        *o = char('0' + (d + 10) % 10);
    }
    return out;
}

void incrementMagnitude(std::string &x)
{
    for (auto o = x.rbegin(); o != x.rend(); ++o) {
        if (*o != '9') {
            ++*o;
            return;
        }
        *o = '0';
    }
    x.insert(x.begin(), '1');
}

} // namespace

void Decimal::normalise()
{
    const std::size_t nz = m_coef.find_first_not_of('0');
    m_coef.erase(0, nz == std::string::npos ? m_coef.size() : nz);
    while (m_scale > 0 && !m_coef.empty() && m_coef.back() == '0') {
        m_coef.pop_back();
        --m_scale;
    }
    if (m_scale < 0) {
        if (!m_coef.empty())
            m_coef.append(std::size_t(-m_scale), '0');
        m_scale = 0;
    }
    if (m_coef.empty()) {
        m_neg = false;
        m_scale = 0;
    }
}

Decimal Decimal::fromScan(const store::NumberScan &scan)
{
    Decimal d;
    if (!scan.any)
        return d;
    d.m_neg = scan.negative;
    d.m_coef = scan.digits;
    d.m_scale = int(scan.digits.size()) - (scan.pointPos + scan.exponent);
    d.normalise();
    return d;
}

Decimal Decimal::fromText(QStringView text)
{
    return fromScan(store::ScanNumber(text));
}

Decimal Decimal::fromCashText(const QString &text)
{
    return fromText(store::CStr(store::CashStrToVal(text)));
}

Decimal Decimal::fromInteger(qint64 v)
{
    Decimal d;
    d.m_neg = v < 0;
    const quint64 m = v < 0 ? quint64(0) - quint64(v) : quint64(v);
    d.m_coef = std::to_string(m);
    d.normalise();
    return d;
}

int Decimal::integerDigits() const
{
    return std::max(0, int(m_coef.size()) - m_scale);
}

Decimal Decimal::abs() const
{
    Decimal d = *this;
    d.m_neg = false;
    return d;
}

Decimal Decimal::operator-() const
{
    Decimal d = *this;
    if (!d.isZero())
        d.m_neg = !d.m_neg;
    return d;
}

Decimal operator+(const Decimal &a, const Decimal &b)
{
    if (a.isZero())
        return b;
    if (b.isZero())
        return a;
    const int scale = std::max(a.m_scale, b.m_scale);
    std::string x = a.m_coef;
    x.append(std::size_t(scale - a.m_scale), '0');
    std::string y = b.m_coef;
    y.append(std::size_t(scale - b.m_scale), '0');
    Decimal r;
    r.m_scale = scale;
    if (a.m_neg == b.m_neg) {
        r.m_coef = addMagnitude(x, y);
        r.m_neg = a.m_neg;
    } else {
        const int c = compareMagnitude(x, y);
        if (c == 0)
            return Decimal();
        if (c > 0) {
            r.m_coef = subtractMagnitude(x, y);
            r.m_neg = a.m_neg;
        } else {
            r.m_coef = subtractMagnitude(y, x);
            r.m_neg = b.m_neg;
        }
    }
    r.normalise();
    return r;
}

Decimal operator-(const Decimal &a, const Decimal &b)
{
    return a + (-b);
}

Decimal operator*(const Decimal &a, const Decimal &b)
{
    if (a.isZero() || b.isZero())
        return Decimal();
    const std::size_t la = a.m_coef.size();
    const std::size_t lb = b.m_coef.size();
    std::vector<int> acc(la + lb, 0);
    for (std::size_t i = 0; i < la; ++i) {
        const int da = a.m_coef[la - 1 - i] - '0';
        if (da == 0)
            continue;
        int carry = 0;
        for (std::size_t j = 0; j < lb; ++j) {
            const int v = acc[i + j] + da * (b.m_coef[lb - 1 - j] - '0') + carry;
            acc[i + j] = v % 10;
            carry = v / 10;
        }
        for (std::size_t k = i + lb; carry; ++k) {
            const int v = acc[k] + carry;
            acc[k] = v % 10;
            carry = v / 10;
        }
    }
    Decimal r;
    r.m_coef.resize(acc.size());
    for (std::size_t i = 0; i < acc.size(); ++i)
        r.m_coef[acc.size() - 1 - i] = char('0' + acc[i]);
    r.m_scale = a.m_scale + b.m_scale;
    r.m_neg = a.m_neg != b.m_neg;
    r.normalise();
    return r;
}

Decimal Decimal::shifted(int places) const
{
    Decimal d = *this;
    d.m_scale -= places;
    d.normalise();
    return d;
}

int Decimal::compare(const Decimal &other) const
{
    if (m_neg != other.m_neg)
        return m_neg ? -1 : 1;
    const int scale = std::max(m_scale, other.m_scale);
    std::string x = m_coef;
    x.append(std::size_t(scale - m_scale), '0');
    std::string y = other.m_coef;
    y.append(std::size_t(scale - other.m_scale), '0');
    if (x.empty())
        x = "0";
    if (y.empty())
        y = "0";
    const int c = compareMagnitude(x, y);
    return m_neg ? -c : c;
}

Decimal Decimal::roundedToDecimals(int d) const
{
    if (d >= m_scale)
        return *this;
    const std::size_t drop = std::size_t(m_scale - d);
    Decimal r;
    r.m_neg = m_neg;
    if (drop > m_coef.size())
        return Decimal();
    r.m_coef = m_coef.substr(0, m_coef.size() - drop);
    if (m_coef[m_coef.size() - drop] >= '5')
        incrementMagnitude(r.m_coef);
    r.m_scale = d; // a negative d gives trailing zeros in normalise
    r.normalise();
    return r;
}

Decimal Decimal::roundedToSignificant(int n) const
{
    const int len = int(m_coef.size());
    if (len <= n)
        return *this;
    return roundedToDecimals(m_scale - (len - n));
}

QString Decimal::toPlainText() const
{
    const std::string s = toPlainAscii();
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

std::string Decimal::toPlainAscii() const
{
    if (isZero())
        return "0";
    const int len = int(m_coef.size());
    std::string s;
    s.reserve(std::size_t(len + m_scale + 3));
    if (m_neg)
        s.push_back('-');
    if (len > m_scale) {
        s.append(m_coef, 0, std::size_t(len - m_scale));
        if (m_scale > 0) {
            s.push_back('.');
            s.append(m_coef, std::size_t(len - m_scale));
        }
    } else {
        s.append("0.");
        s.append(std::size_t(m_scale - len), '0');
        s.append(m_coef);
    }
    return s;
}

std::string Decimal::scaledDigits(int d) const
{
    if (isZero())
        return "0";
    const Decimal r = roundedToDecimals(d);
    std::string s = r.m_coef;
    s.append(std::size_t(std::max(0, d - r.m_scale)), '0');
    return s;
}

QString DecimalAdd(QStringView a, QStringView b)
{
    return (Decimal::fromText(a) + Decimal::fromText(b)).toText();
}

QString DecimalSubtract(QStringView a, QStringView b)
{
    return (Decimal::fromText(a) - Decimal::fromText(b)).toText();
}

QString DecimalMultiply(QStringView a, QStringView b)
{
    return (Decimal::fromText(a) * Decimal::fromText(b)).toText();
}

} // namespace values
