#include "ean13.h"

#include "store/core/units.h"
#include "store/core/vb.h"

#include <QFontMetricsF>
#include <QPainter>

namespace values {

namespace {

// The right-hand codes (set C) of the digits 0 to 9.
constexpr const char *kSetC[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                   "1001110", "1010000", "1000100", "1001000", "1110100"};
// Per first digit: which of the six left digits take set A ("1") or set B ("0").
constexpr const char *kParity[10] = {"111111", "110100", "110010", "110001", "101100",
                                     "100110", "100011", "101010", "101001", "100101"};

} // namespace

QString CleanEAN13Str(const QString &text)
{
    QString digits;
    digits.reserve(13);
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    if (digits.size() < 12)
        digits = digits.rightJustified(12, u'0');
    digits.truncate(12);
    int sum = 0;
    for (int i = 0; i < 12; ++i) {
        const int d = digits[11 - i].unicode() - u'0';
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    const int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    digits.append(QChar(u'0' + check));
    return digits;
}

QString InvertBits(const QString &bits)
{
    QString out = bits;
    for (QChar &c : out) {
        if (c == u'0')
            c = u'1';
        else if (c == u'1')
            c = u'0';
    }
    return out;
}

QString EncodeEAN13(QString &text)
{
    text = CleanEAN13Str(text);
    const int first = text[0].unicode() - u'0';
    QString bits = QStringLiteral("101");
    for (int k = 1; k <= 6; ++k) {
        const QString c = QString::fromLatin1(kSetC[text[k].unicode() - u'0']);
        if (kParity[first][k - 1] == '1') {
            bits += InvertBits(c);
        } else {
            for (qsizetype i = c.size() - 1; i >= 0; --i)
                bits += c[i];
        }
    }
    bits += QStringLiteral("01010");
    for (int k = 7; k <= 12; ++k)
        bits += QString::fromLatin1(kSetC[text[k].unicode() - u'0']);
    bits += QStringLiteral("101");
    return bits;
}

QList<int> EAN13Runs(const QString &bits)
{
    QList<int> runs;
    for (qsizetype i = 0; i < bits.size();) {
        qsizetype j = i;
        while (j < bits.size() && bits[j] == bits[i])
            ++j;
        const int len = int(j - i);
        runs.append(bits[i] == u'1' ? 10 + len : len);
        i = j;
    }
    return runs;
}

BarcodeLayout LayoutEAN13(const QString &digits, double x, double y, double h, double w,
                          double textSize, bool showText, const EAN13Metrics &metrics)
{
    BarcodeLayout layout;
    layout.clip = QRectF(x, y, w, h);
    layout.barColour = Qt::black;
    QString text = digits;
    const QString bits = EncodeEAN13(text);
    const double m = (w - metrics.width9 - 15) / 95;
    double hb = h;
    if (textSize > 0 && showText)
        hb = store::RoundEven(hb - metrics.lineHeight);
    const bool withDigits = textSize >= 2 && showText;
    if (withDigits)
        layout.texts.append({QPointF(x, y + hb), text.left(1)});
    const double xs = store::RoundEven(x + metrics.width9 + 15);
    const QList<int> runs = EAN13Runs(bits);
    const qsizetype last = runs.size() - 1;
    double bx = xs;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const int run = runs[i];
        const int n = run > 10 ? run - 10 : run;
        if (run > 10) {
            const bool guard = i == 0 || i == 2 || i == 28 || i == 30 || i == last - 2 || i == last;
            const double bottom = guard ? y + hb + metrics.lineHeight / 2 : y + hb - 30;
            layout.bars.append(QRectF(QPointF(bx, y), QPointF(bx + m * n, bottom)));
        }
        bx = store::RoundEven(bx + m * n);
    }
    if (withDigits) {
        const double d = (w - metrics.width9 - 15 - 9 * m) / 12;
        double xt = xs + 3 * m + (d - metrics.width0) / 2;
        for (int k = 1; k <= 12; ++k) {
            layout.texts.append({QPointF(xt, y + hb), text.mid(k, 1)});
            xt += d;
            if (k == 6)
                xt += 3 * m;
        }
    }
    return layout;
}

void DrawEAN13(QPainter &painter, const QString &text, double x, double y, double h, double w,
               double textSize, bool showText)
{
    if (text.isEmpty())
        return;
    const QFont font = TwipFont(QStringLiteral("宋体"), textSize > 0 ? textSize : 1);
    const QFontMetricsF fm(font);
    const EAN13Metrics metrics{fm.horizontalAdvance(u'9'), fm.horizontalAdvance(u'0'), fm.height()};
    const BarcodeLayout layout = LayoutEAN13(
        text, store::RoundEven(store::MmToTwip(x)), store::RoundEven(store::MmToTwip(y)),
        store::RoundEven(store::MmToTwip(h)), store::MmToTwip(w), textSize, showText, metrics);
    PaintBarcode(painter, layout, font);
}

} // namespace values
