#include "code39.h"

#include "store/core/units.h"
#include "store/core/vb.h"

#include <QFontMetricsF>
#include <QPainter>

namespace values {

namespace {

// Five bars, then four spaces; "1" = wide.
constexpr const char *kPatterns[40] = {
    "001100100", "100010100", "010010100", "110000100", "001010100", // 0 1 2 3 4
    "101000100", "011000100", "000110100", "100100100", "010100100", // 5 6 7 8 9
    "100010010", "010010010", "110000010", "001010010", "101000010", // A B C D E
    "011000010", "000110010", "100100010", "010100010", "001100010", // F G H I J
    "100010001", "010010001", "110000001", "001010001", "101000001", // K L M N O
    "011000001", "000110001", "100100001", "010100001", "001100001", // P Q R S T
    "100011000", "010011000", "110001000", "001011000", "101001000", // U V W X Y
    "011001000", "000111000", "000000111", "000001110", "001101000", // Z - % $ *
};

// Walks the prepared text: calls bar(x, width) for each bar and char(x, c) at the start of
// each character; returns the end x and whether every character could be drawn.
template <typename Bar, typename Char>
double walk(const QString &prepared, double x, const Code39Widths &w, bool &valid, Bar bar,
            Char character)
{
    valid = true;
    const qsizetype last = prepared.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        const QChar c = prepared[i];
        const int index = Code39Index(c);
        if (index < 0 || (index == 39 && i != 0 && i != last)) {
            valid = false;
            break;
        }
        character(x, c);
        const char *p = Code39Pattern(index);
        for (int j = 0; j < 5; ++j) {
            const double bw = p[j] == '1' ? w.wide : w.narrow;
            bar(x, bw);
            x += bw;
            if (j < 4)
                x += p[5 + j] == '1' ? w.wide : w.narrow;
        }
        x += w.gap;
    }
    return x;
}

} // namespace

int Code39Index(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'Z')
        return u - u'A' + 10;
    switch (u) {
    case u'-':
        return 36;
    case u'%':
        return 37;
    case u'$':
        return 38;
    case u'*':
        return 39;
    default:
        return -1;
    }
}

const char *Code39Pattern(int index)
{
    return index >= 0 && index < 40 ? kPatterns[index] : nullptr;
}

QString PrepareCode39Text(const QString &text)
{
    QString s = text;
    for (QChar &c : s) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    if (!s.startsWith(u'*'))
        s.prepend(u'*');
    if (s.size() < 2 || !s.endsWith(u'*'))
        s.append(u'*');
    return s;
}

Code39Widths Code39Widths::forNarrow(double x)
{
    const double wide = store::RoundEven(x * 3);
    return {store::RoundEven(x), wide, wide};
}

QString Code39Modules(const QString &text, bool *valid)
{
    QString modules;
    bool ok = true;
    if (!text.isEmpty()) {
        const Code39Widths w{1, 3, 3};
        double end = 0;
        end = walk(
            PrepareCode39Text(text), 0, w, ok,
            [&](double x, double bw) {
                modules.resize(qsizetype(x), u'0');
                modules.append(QString(qsizetype(bw), u'1'));
            },
            [](double, QChar) {});
        modules.resize(qsizetype(end), u'0');
    }
    if (valid)
        *valid = ok;
    return modules;
}

double MeasureCode39(const QString &text, double x)
{
    if (text.isEmpty())
        return 0;
    bool ok = true;
    return walk(
        PrepareCode39Text(text), 0, Code39Widths::forNarrow(x), ok, [](double, double) {},
        [](double, QChar) {});
}

double GetCode39BarWidth(const QString &text, double width)
{
    if (text.isEmpty())
        return 0;
    double w = 5;
    for (int i = 0; i < 10; ++i) {
        w *= 2;
        if (MeasureCode39(text, w) >= width)
            break;
    }
    const int steps = int(w);
    for (int i = 0; i < steps; ++i) {
        w -= 1;
        if (MeasureCode39(text, w) <= width)
            break;
    }
    return w;
}

BarcodeLayout LayoutCode39(const QString &text, double x, double y, double h, double narrow,
                           double textTop, bool *valid)
{
    BarcodeLayout layout;
    bool ok = true;
    if (!text.isEmpty()) {
        walk(
            PrepareCode39Text(text), x, Code39Widths::forNarrow(narrow), ok,
            [&](double bx, double bw) { layout.bars.append(QRectF(bx, y, bw, h)); },
            [&](double cx, QChar c) {
                if (textTop >= 0)
                    layout.texts.append({QPointF(cx, textTop), QString(c)});
            });
    }
    if (valid)
        *valid = ok;
    return layout;
}

bool DrawCode39(QPainter &painter, const QString &text, double x, double y, double h, double narrow,
                double textSize, bool showText, const QString &fontName,
                const BarcodeTextPainter &drawTexts)
{
    if (text.isEmpty())
        return true;
    const double x0 = store::RoundEven(store::MmToTwip(x));
    const double y0 = store::RoundEven(store::MmToTwip(y));
    double ht = store::RoundEven(store::MmToTwip(h));
    const bool withText = textSize > 0 && showText;
    const QFont font = TwipFont(fontName, textSize > 0 ? textSize : 1);
    if (withText)
        ht -= QFontMetricsF(font).height();
    bool ok = true;
    const BarcodeLayout layout =
        LayoutCode39(text, x0, y0, ht, narrow, withText ? y0 + ht : -1, &ok);
    PaintBarcode(painter, layout, font, drawTexts);
    return ok;
}

} // namespace values
