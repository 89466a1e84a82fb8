#pragma once
// Amounts in Chinese capitals and in figures, and the way back from capitals to numbers.

#include "values/decimal.h"

#include <QString>
#include <QStringView>

namespace values {

// The capital digits "零壹贰叁肆伍陆柒捌玖" for 0 to 9.
inline constexpr char16_t kCapitalDigits[] = u"零壹贰叁肆伍陆柒捌玖";
bool IsCapitalDigit(QChar c);

// The amount FormatCash writes for a text, before padding, separators and "￥": only
// "0123456789.-" count, rounded half away from zero at the given decimals, then to 15
// significant digits.
Decimal FormatCashValue(QStringView t, int decimals);

// An amount in figures with exactly `decimals` decimals, "," between groups of three integer
// digits when `separators`, "￥" in front (before a minus sign) when `yen`. The empty text
// and "-" come back unchanged; a text without digits formats as zero.
// FormatCash("1234.565", 2, true, false) = "1,234.57", FormatCash("-1234.5", 2, true, true) =
// "￥-1,234.50".
QString FormatCash(const QString &t, int decimals, bool separators, bool yen);

// The capital amount of a figure text: unit "元" (壹佰元整), "圆" (壹佰圆整) or "" (壹佰).
// A text already in capitals comes back as it is. An amount of more than 15 digits in fen
// cannot be written: the text comes back unchanged and *ok is set to false.
QString CashToCapital(const QString &t, const QString &unit, bool *ok = nullptr);

// The amount in fen as capital digits only, padded in front with "零" to `positions`
// (a longer result is kept whole): ("12.5", 6) gives 零零壹贰伍零. The amount is read as
// CashStrToVal reads it ("12.5%" is 0.125) and its fen are rounded as FormatCash rounds them. A text that begins with a capital digit comes back unchanged; a
// negative amount or one of more than 15 digits in fen comes back unchanged with *ok false.
QString CashToCapitalDigits(const QString &t, int positions, bool *ok = nullptr);

// The number a field's text stands for under its content kind code: capital amounts (kinds
// 103, 120) and capital digits (114, 121, the latter without 角 and 分) are read back to
// decimal text; a leading "-" is kept. Any other text, and every text of other kinds, comes
// back unchanged.
QString CapitalToNum(const QString &t, double code);

// direction >= 0: Arabic digits to capital digits. direction < 0: capital digits to Arabic
// ones, "拾" alone to 10, a leading "拾" to 1 and a trailing one to 0; then only digits and
// "." are kept and one leading "0" is dropped (零壹拾 gives 10, 贰拾 gives 20).
QString ConvertDigits(const QString &t, int direction);

// t without every character that is not in `allowed`.
QString KeepChars(const QString &t, QStringView allowed);

} // namespace values
