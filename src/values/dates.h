#pragma once
// Dates, date parts, identity-card numbers and postcodes of the date and number kinds.

#include "values/valueenv.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

namespace values {

enum DatePart { Year = 0, Month = 1, Day = 2 };

// A date part as Arabic digits, four for the year and two for month and day; a value outside
// year 1000-5000, month 1-12 or day 1-31 is replaced by today's (贰零壹肆 gives 2014, 13 as a
// month gives today's month).
QString GetDatePart(const QString &t, int part, const QDate &today);

// A date part in capitals by the cheque rule when t begins with an Arabic digit and reads as
// a year 2000-3000, a month 1-12 or a day 1-31; otherwise t unchanged.
QString DatePartToCapital(const QString &t, int part);

// The cheque rule for the number t stands for (rounded to a whole number): 3 gives 零叁,
// 10 零壹拾, 11 壹拾壹, 25 贰拾伍, 30 零叁拾, 2014 贰零壹肆.
QString DateNumToCapital(const QString &t, int part);

// A date text, or the birth date of an identity-card number, written in a pattern such as
// "YYYY年MM月DD日"; "" when t holds neither. An identity number is a text of at least 15
// characters whose first 14 are digits (18-digit form: year at 7-10, month 11-12, day 13-14,
// carried over as calendar arithmetic does), or of exactly 15 digits (19yy at 7-8, month
// 9-10, day 11-12).
QString FormatDateStr(const QString &t, const QString &pattern, const QDate &today);
// The same for a date already known.
QString FormatDateStr(const QDateTime &value, const QString &pattern);

// "男" or "女" from the sex digit of an identity-card number; any other text unchanged.
QString IDCardToSex(const QString &t);

// Six digits: the digits of t, cut to six or padded with "0" in front; "" when t has none.
QString ToPostcode(const QString &t);

// t without the characters that are not in `allowed`.
QString StripChars(const QString &t, QStringView allowed);

// value in the user's pattern of a kind (parameter "自定义类型" & code), or in the system's
// short date and time form when no pattern is stored.
QString FormatDateByKind(const QDateTime &value, qint32 code, const ValueEnv &env);

} // namespace values
