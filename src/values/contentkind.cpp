#include "contentkind.h"

#include "values/amounts.h"
#include "values/dates.h"
#include "values/decimal.h"

#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <algorithm>
#include <cmath>

namespace values {

int GetCashDecimals(double code)
{
    // A field keeps its code: the last answer is kept for the next call.
    thread_local double lastCode = 0;
    thread_local int lastDecimals = 2;
    if (code == lastCode)
        return lastDecimals;
    // Through the 15-digit text, so that 104.01 x 100 gives 10401 and not 10400.999...
    const double hundredths = store::Fix(store::Val(store::CStr(code * 100)));
    int h = int(std::fmod(hundredths, 100.0));
    if (h < 0)
        h = 0;
    lastCode = code;
    lastDecimals = h <= 97 ? h + 2 : (h == 98 ? 0 : 1);
    return lastDecimals;
}

QString DatePatternForKind(int kind)
{
    switch (kind) {
    case 110:
        return QStringLiteral("YYYY年MM月DD日");
    case 111:
        return QStringLiteral("YYYY-MM-DD");
    case 112:
        return QStringLiteral("MM月DD日");
    case 113:
        return QStringLiteral("MM-DD");
    default:
        return QString();
    }
}

namespace {

QString removeAll(QString s, QChar c)
{
    s.remove(c);
    return s;
}

// Kind 136: the amount with w decimals cut to w characters, but never into the integer part.
QString fixedWidthAmount(double code, const QString &t)
{
    const bool whole = code == store::Fix(code);
    const int w = whole ? 12 : std::max(0, int(store::CLng((code - 136) * 100)));
    QString s = FormatCash(t, w, false, false);
    qsizetype intChars = s.indexOf(u'.');
    if (intChars < 0)
        intChars = s.size();
    s = s.left(std::max<qsizetype>(w, intChars));
    // A small negative amount cut down to nothing is no negative amount.
    if (s.startsWith(u'-') && Decimal::fromText(s).isZero())
        return FormatCash(QStringLiteral("0"), w, false, false).left(std::max(w, 1));
    return s;
}

QString convert(double code, const KindInfo &info, const QString &t, const ValueEnv &env)
{
    const int k = info.kind;
    if (info.print == PrintForm::CashBoxes)
        return info.yuanSign ? FormatCash(t, 2, true, true)
                             : removeAll(FormatCash(t, 2, true, true), QChar(u'￥'));
    switch (k) {
    case 100:
    case 101:
    case 102:
        return DatePartToCapital(t, k - 100);
    case 103:
        return CashToCapital(t, QStringLiteral("元"));
    case 104:
        return FormatCash(t, info.decimals, true, true);
    case 105:
        return FormatCash(t, info.decimals, true, false);
    case 106:
    case 107:
    case 108:
        return GetDatePart(t, k - 106, env.today());
    case 109:
        return ToPostcode(t);
    case 110:
    case 111:
    case 112:
    case 113:
        return FormatDateStr(t, DatePatternForKind(k), env.today());
    case 114:
        return CashToCapitalDigits(t, info.positions);
    case 116: {
        // A percentage too large to be read back again keeps the typed text.
        const double v = store::CashStrToVal(t);
        if (!std::isfinite(v * 100))
            return t;
        return Decimal::fromText(store::CStr(v)).shifted(2).toText() + u'%';
    }
    case 117:
        return FormatCash(t, info.decimals, false, false);
    case 118:
        return removeAll(FormatCash(t, info.decimals, true, true), QChar(u','));
    case 120:
        return CashToCapital(t, QStringLiteral("圆"));
    case 121: {
        if (IsCapitalDigit(t.front()))
            return t;
        // Two more positions than asked, whose 角 and 分 are cut off again.
        bool ok = true;
        QString s = CashToCapitalDigits(t, info.positions + 2, &ok);
        if (!ok)
            return t;
        s.chop(2);
        return s;
    }
    case 123: {
        // A lone "-" is no amount yet: it stays as typed, without the 元.
        const QString f = FormatCash(t, info.decimals, false, false);
        return f == u"-" ? t : f + u'元';
    }
    case 131:
        return IDCardToSex(t);
    case 134:
        return CashToCapital(t, QString());
    case 136:
        return fixedWidthAmount(code, t);
    default:
        return t;
    }
}

} // namespace

KindInfo DecodeKind(double code)
{
    KindInfo info;
    info.border = ((code > 0 && code < 100) || (code > 200 && code < 400)) ? 1 : 0;
    const double rounded = store::RoundEven(code);
    info.digitKeys = (rounded > 0 && rounded < 100) || (rounded > 104 && rounded <= 108);
    info.count = code;
    if (!(code >= 1) || code > 2147483647.0)
        return info;
    const int k = int(store::Fix(code));
    info.kind = k;
    info.listKind = k;
    info.rightAligned = (k >= 1 && k <= 99) || (k >= 301 && k <= 399) || k == 114 || k == 121;

    if (k <= 99 || (k >= 301 && k <= 399)) {
        info.print = PrintForm::CashBoxes;
        info.boxes = k <= 99 ? k : k - 300;
        info.yuanSign = k <= 99;
    } else if (k >= 201 && k <= 299) {
        info.print = PrintForm::Boxes;
        info.boxes = k - 200;
    } else if (k == 109) {
        info.print = PrintForm::Boxes;
        info.boxes = 6;
    } else if ((k >= 123 && k <= 200) || k == 300 || k >= 400) {
        info.print = PrintForm::Nothing;
    }

    switch (k) {
    case 104:
    case 105:
    case 117:
    case 118:
    case 123:
        info.decimals = GetCashDecimals(code);
        break;
    case 114:
        info.positions = int(store::Int((code - 114 + 0.0001) * 100));
        break;
    case 121:
        info.positions = int(store::Int((code - 121 + 0.0201) * 100)) - 2;
        break;
    default:
        break;
    }

    // The dialog shows the boxed kinds by their list entry and the number of boxes.
    if (info.border) {
        if (k > 200) {
            info.listKind = code > 300 ? 311 : 211;
            info.count = code - (code > 300 ? 300 : 200);
        } else {
            info.listKind = 11;
        }
    } else if (k == 114 || k == 121) {
        info.count = info.positions;
    }
    return info;
}

double KindCode(int listKind, double count)
{
    if (listKind > 200 && listKind < 300)
        return count + 200;
    if (listKind == 311)
        return count + 300;
    if (listKind == 114 || listKind == 121)
        return listKind + count / 100;
    return count;
}

QString convertByKind(double code, const QString &t, const ValueEnv &env)
{
    const KindInfo info = DecodeKind(code);
    if (t.isEmpty() || info.kind == 0)
        return t;
    try {
        return convert(code, info, t, env);
    } catch (...) {
        return t;
    }
}

int borderForCode(double code)
{
    return DecodeKind(code).border;
}

Converted AutoConvert(double code, const QString &t, const ValueEnv &env)
{
    if (t.isEmpty())
        return {t, std::nullopt};
    return {convertByKind(code, t, env), borderForCode(code)};
}

Converted AutoFillDate(double code, const QString &present, const ValueEnv &env)
{
    const QDate today = env.today();
    QString value = present;
    switch (int(store::Fix(code))) {
    case 100:
    case 106:
        value = QString::number(today.year());
        break;
    case 101:
    case 107:
        value = QString::number(today.month());
        break;
    case 102:
    case 108:
        value = QString::number(today.day());
        break;
    case 110:
    case 111:
    case 112:
    case 113:
        value = FormatDateStr(QDateTime(today, QTime(0, 0), Qt::UTC),
                              DatePatternForKind(int(store::Fix(code))));
        break;
    case 119:
        value = FormatDateByKind(env.now, 119, env);
        break;
    default:
        break;
    }
    return AutoConvert(code, value, env);
}

const QStringList &ContentKindEntries()
{
    static const QStringList entries = {
        QStringLiteral("000｜普通文本"),
        QStringLiteral("100｜年(中文)"),
        QStringLiteral("101｜月(中文)"),
        QStringLiteral("102｜日(中文)"),
        QStringLiteral("103｜大写金额(元)"),
        QStringLiteral("120｜大写金额(圆)"),
        QStringLiteral("104｜小写金额(不对格)(有￥)"),
        QStringLiteral("105｜小写金额(不对格)(无￥)"),
        QStringLiteral("117｜小写金额(不对格)(无￥无逗号)"),
        QStringLiteral("118｜小写金额(不对格)(有￥无逗号)"),
        QStringLiteral("011｜小写金额(对格 有￥)"),
        QStringLiteral("311｜小写金额(对格 无￥)"),
        QStringLiteral("211｜数字(对格)"),
        QStringLiteral("106｜年(阿拉伯)"),
        QStringLiteral("107｜月(阿拉伯)"),
        QStringLiteral("108｜日(阿拉伯)"),
        QStringLiteral("109｜邮编"),
        QStringLiteral("110｜日期：YYYY年MM月DD日"),
        QStringLiteral("111｜日期：YYYY-MM-DD"),
        QStringLiteral("112｜日期：MM年DD月"),
        QStringLiteral("113｜日期：MM-DD"),
        QStringLiteral("119｜自定义日期："),
        QStringLiteral("114｜大写金额(仅数字)"),
        QStringLiteral("121｜大写金额(仅数字,无角分)"),
        QStringLiteral("115｜只打√"),
        QStringLiteral("116｜百分数"),
        QStringLiteral("122｜自动编号"),
    };
    return entries;
}

int ContentKindOfEntry(const QString &entry)
{
    return int(store::Val(QStringView(entry).left(3)));
}

} // namespace values
