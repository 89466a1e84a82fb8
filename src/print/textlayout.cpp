#include "print/textlayout.h"

#include "store/core/vb.h"
#include "values/amounts.h"
#include "values/contentkind.h"

#include <QRegularExpression>
#include <cmath>

namespace print {

int GetSpaceMode(double packed)
{
    return int(std::floor(std::fabs(packed) / 1000.0));
}

double GetSpaceVal(double packed)
{
    double a = std::fabs(packed);
    for (int i = 0; i < 20 && a >= 1000; ++i)
        a -= 1000;
    if (a == 0)
        return 0; // never -0, which would show as "-0"
    return packed > 0 ? a : -a;
}

QStringList SplitChars(const QString &text)
{
    QStringList out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            out << text.mid(i, 2);
            ++i;
        } else {
            out << QString(text.at(i));
        }
    }
    return out;
}

void TextSurface::PrintChars(const QStringList &chars, const QList<double> &xs, double y)
{
    for (qsizetype i = 0; i < chars.size(); ++i)
        PrintAt(xs.at(i), y, chars.at(i));
}

void PrintSpacedStr(TextSurface &s, const QString &text, double x, double y, double spacing)
{
    const QStringList chars = SplitChars(text);
    QList<double> xs;
    xs.reserve(chars.size());
    for (const QString &c : chars) {
        xs.append(x);
        x += s.TextWidth(c) + spacing;
    }
    s.PrintChars(chars, xs, y);
}

void PrintMultiLineStr(TextSurface &s, const QString &text, double x, double y, double w,
                       double charSpacing, double lineSpacing, int align)
{
    if (text.isEmpty())
        return;
    // The page's text fields hold their breaks as CR LF, Qt's editors as LF alone.
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    QStringList lines;
    for (const QString &source : text.split(breaks)) {
        if (source.isEmpty()) {
            lines << QString();
            continue;
        }
        QStringList rest = SplitChars(source);
        while (!rest.isEmpty()) {
            qsizetype take = 1;
            for (qsizetype o = rest.size(); o >= 2; --o) {
                const QString part = rest.mid(0, o).join(QString());
                if (s.TextWidth(part) + charSpacing * double(o - 1) <= w) {
                    take = o;
                    break;
                }
            }
            lines << rest.mid(0, take).join(QString());
            rest = rest.mid(take);
        }
    }

    double curY = store::RoundEven(y);
    const double lineHeight = s.TextHeight(QStringLiteral("钟"));
    for (const QString &t : lines) {
        double curX = x;
        if (align == 1 || align == 2) {
            const double room = w - s.TextWidth(t) - charSpacing * double(SplitChars(t).size()) - 1;
            curX = x + (align == 1 ? room : room / 2);
        }
        curX = store::RoundEven(curX);
        PrintSpacedStr(s, t, curX, curY, charSpacing);
        curY = store::RoundEven(lineHeight + curY + lineSpacing + 1);
    }
}

void PrintStrInBoxes(TextSurface &s, const QString &text, double x, double y, double w, int n,
                     int align)
{
    if (n < 1)
        return;
    const double boxW = w / n;
    QStringList chars = SplitChars(text);
    const qsizetype len = chars.size();
    if (align >= 1) {
        if (len < n) {
            const qsizetype pad = align == 1 ? n - len : qsizetype(store::Int((n - len) / 2.0));
            for (qsizetype i = 0; i < pad; ++i)
                chars.prepend(QStringLiteral(" "));
        } else if (len > n) {
            x -= boxW * (align == 1 ? double(len - n) : store::Int((len - n) / 2.0));
        }
    }
    QList<double> xs;
    xs.reserve(chars.size());
    for (qsizetype i = 0; i < chars.size(); ++i)
        xs.append(x + boxW * double(i) + (boxW - s.TextWidth(chars.at(i))) / 2);
    s.PrintChars(chars, xs, y);
}

std::optional<QString> CashBoxText(const QString &text, int n)
{
    if (text.isEmpty())
        return QString();
    const values::KindInfo kind = values::DecodeKind(n);
    const int boxes = kind.boxes;
    QString s = values::FormatCash(text, 2, true, true);
    s.remove(QLatin1Char('.'));
    s.remove(QLatin1Char(','));
    if (s.size() > boxes) {
        // Only the currency sign may fall off; a lost digit or sign would print a wrong amount.
        const QString lost = s.left(s.size() - boxes);
        if (lost != QStringLiteral("￥"))
            return std::nullopt;
        s = s.right(boxes);
    }
    while (s.size() < boxes)
        s.prepend(QLatin1Char(' '));
    if (!kind.yuanSign)
        s.replace(QStringLiteral("￥"), QStringLiteral(" "));
    return s;
}

void PrintCashInBoxes(TextSurface &s, const QString &text, double x, double y, double w, int n,
                      int align)
{
    Q_UNUSED(align);
    if (text.isEmpty())
        return;
    const std::optional<QString> boxed = CashBoxText(text, n);
    if (!boxed)
        return;
    PrintStrInBoxes(s, *boxed, x, y, w, values::DecodeKind(n).boxes, 0);
}

} // namespace print
