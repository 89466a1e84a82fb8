#pragma once
// The free text wrapping as it was before lines were found by a search: for each line every run
// from the whole rest of the text down is measured until one fits. Kept as the reference that
// the search must give the same lines as, character for character and place for place.

#include "print/textlayout.h"
#include "store/core/vb.h"

#include <QRegularExpression>

namespace printtest {

inline void OldPrintSpacedStr(print::TextSurface &s, const QString &text, double x, double y,
                              double spacing)
{
    const QStringList chars = print::SplitChars(text);
    QList<double> xs;
    for (const QString &c : chars) {
        xs.append(x);
        x += s.TextWidth(c) + spacing;
    }
    s.PrintChars(chars, xs, y);
}

inline void OldPrintMultiLineStr(print::TextSurface &s, const QString &text, double x, double y,
                                 double w, double charSpacing, double lineSpacing, int align)
{
    if (text.isEmpty())
        return;
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    QStringList lines;
    for (const QString &source : text.split(breaks)) {
        if (source.isEmpty()) {
            lines << QString();
            continue;
        }
        QStringList rest = print::SplitChars(source);
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
            const double room =
                w - s.TextWidth(t) - charSpacing * double(print::SplitChars(t).size()) - 1;
            curX = x + (align == 1 ? room : room / 2);
        }
        OldPrintSpacedStr(s, t, store::RoundEven(curX), curY, charSpacing);
        curY = store::RoundEven(lineHeight + curY + lineSpacing + 1);
    }
}

} // namespace printtest
