#pragma once
// Exact decimal numbers for amounts: no binary floating point between the typed text and the
// printed figures, never an exponent in a text.

#include <QString>
#include <QStringView>
#include <string>

namespace store {
struct NumberScan;
}

namespace values {

class Decimal
{
public:
    Decimal() = default; // zero

    // The leading number of a text, read exactly as Val reads it (sign, digits, one point,
    // an optional exponent; no number reads 0).
    static Decimal fromText(QStringView text);
    static Decimal fromScan(const store::NumberScan &scan);
    // A typed amount as CashStrToVal reads it ("￥", "$" and "," ignored, a trailing "%" reads
    // as hundredths), exact to 15 significant digits.
    static Decimal fromCashText(const QString &text);
    static Decimal fromInteger(qint64 v);

    bool isZero() const { return m_coef.empty(); }
    bool isNegative() const { return m_neg; }
    // Count of digits before the point (0 for values below 1).
    int integerDigits() const;
    // Count of digits after the point, trailing zeros excluded.
    int decimals() const { return m_scale; }

    Decimal abs() const;
    Decimal operator-() const;
    friend Decimal operator+(const Decimal &a, const Decimal &b);
    friend Decimal operator-(const Decimal &a, const Decimal &b);
    friend Decimal operator*(const Decimal &a, const Decimal &b);
    // The value times 10^places (places may be negative).
    Decimal shifted(int places) const;

    int compare(const Decimal &other) const;
    friend bool operator==(const Decimal &a, const Decimal &b) { return a.compare(b) == 0; }
    friend bool operator<(const Decimal &a, const Decimal &b) { return a.compare(b) < 0; }

    // Rounded to d decimals, halves away from zero.
    Decimal roundedToDecimals(int d) const;
    // Rounded to n significant digits, halves away from zero.
    Decimal roundedToSignificant(int n) const;

    // The exact value as plain decimal text: "-1234.5", "0.001", "0".
    QString toPlainText() const;
    // The same in ASCII.
    std::string toPlainAscii() const;
    // The value as the program writes numbers: 15 significant digits, no exponent, no trailing
    // zeros ("0.3", "1000000000000000").
    QString toText() const { return roundedToSignificant(15).toPlainText(); }
    // Digits of the value times 10^d without sign and point, for a value with at most d
    // decimals ("0" for zero); used for amounts in fen.
    std::string scaledDigits(int d) const;

private:
    void normalise();
    bool m_neg = false;
    std::string m_coef; // digits of the value without point, no leading zeros; empty for zero
    int m_scale = 0;    // how many of m_coef's digits stand after the point
};

// Exact sums, differences and products of number texts (each read as Val reads it), written as
// the program writes numbers (15 significant digits, no exponent): 1.1 + 2.2 - 3.3 gives "0".
QString DecimalAdd(QStringView a, QStringView b);
QString DecimalSubtract(QStringView a, QStringView b);
QString DecimalMultiply(QStringView a, QStringView b);

} // namespace values
