#include "print/textlayout.h"

#include "store/core/vb.h"
#include "values/amounts.h"
#include "values/contentkind.h"

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

namespace {

// Offset of the character after the one at i (a surrogate pair is one character).
qsizetype NextChar(const QString &text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
               ? i + 2
               : i + 1;
}

// How far beyond the paper a character may still leave ink: a line's height on each side.
double InkMargin(TextSurface &s)
{
    return s.TextHeight(QStringLiteral("钟"));
}

// Cuts a source line into printed lines: the longest run of characters from the start of the
// rest whose width plus the spacing of its gaps fits the width, at least one character.
//
// The width of a run grows as characters are added (with a spacing that does not pull the next
// character back over the one before), so the longest run that fits is found by a search: from
// the length of the line before, up or down in doubling steps until the test changes, then by
// halving between the two. Lines of the same kind of text take two measurements; any line takes
// a number that grows with the logarithm of its length, of runs no longer than twice the line.
class LineCutter
{
public:
    LineCutter(TextSurface &s, double w, double charSpacing)
        : m_s(s), m_w(w), m_spacing(charSpacing)
    {
    }

    // The characters of source from `from` up to `end` that make the next printed line: its end
    // offset, and its number of characters in count.
    qsizetype Cut(const QString &source, qsizetype from, qsizetype end, qsizetype &count)
    {
        m_source = &source;
        m_from = from;
        m_end = end;
        m_ends.clear();
        count = Longest();
        m_last = count;
        return EndOf(count);
    }

private:
    // The end offset of the first n characters of the rest, or -1 when it holds fewer.
    qsizetype EndOf(qsizetype n)
    {
        while (m_ends.size() < n) {
            const qsizetype at = m_ends.isEmpty() ? m_from : m_ends.constLast();
            if (at >= m_end)
                return -1;
            m_ends.append(NextChar(*m_source, at));
        }
        return m_ends.at(n - 1);
    }
    bool Fits(qsizetype n)
    {
        const QString part = m_source->mid(m_from, EndOf(n) - m_from);
        return m_s.TextWidth(part) + m_spacing * double(n - 1) <= m_w;
    }
    // The rest's length when it has fewer than n characters, else n.
    qsizetype Clamp(qsizetype n) { return EndOf(n) < 0 ? m_ends.size() : n; }
    qsizetype Longest()
    {
        qsizetype guess = Clamp(std::max<qsizetype>(m_last, 2));
        if (guess < 2)
            return 1;
        qsizetype fits = 1;  // the longest run known to fit (1 always goes)
        qsizetype fails = 0; // the shortest run known not to, 0 while none is
        if (Fits(guess)) {
            fits = guess;
            for (qsizetype step = 1; !fails; step *= 2) {
                const qsizetype n = Clamp(fits + step);
                if (n == fits)
                    return fits; // the whole rest fits
                if (Fits(n))
                    fits = n;
                else
                    fails = n;
            }
        } else {
            fails = guess;
            for (qsizetype step = 1; fits == 1; step *= 2) {
                const qsizetype n = fails - step;
                if (n < 2)
                    break;
                if (Fits(n))
                    fits = n;
                else
                    fails = n;
            }
        }
        while (fails - fits > 1) {
            const qsizetype mid = fits + (fails - fits) / 2;
            if (Fits(mid))
                fits = mid;
            else
                fails = mid;
        }
        return fits;
    }

    TextSurface &m_s;
    const double m_w, m_spacing;
    const QString *m_source = nullptr;
    qsizetype m_from = 0, m_end = 0;
    QList<qsizetype> m_ends; // end offsets of the rest's first characters, as far as looked at
    qsizetype m_last = 0;    // the length of the line before
};

} // namespace

QStringList SplitChars(const QString &text)
{
    QStringList out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype next = NextChar(text, i);
        out << text.mid(i, next - i);
        i = next;
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
    if (text.isEmpty())
        return;
    // Every character moves the next one on, but only those that can reach the paper are drawn.
    const double margin = InkMargin(s);
    const double right = s.PaperWidth() + margin;
    QStringList chars;
    QList<double> xs;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype next = NextChar(text, i);
        const QString c = text.mid(i, next - i);
        const double width = s.TextWidth(c);
        if (x < right && x + width > -margin) {
            chars.append(c);
            xs.append(x);
        } else if (x >= right && spacing >= 0) {
            break; // the rest only moves further right
        }
        x += width + spacing;
        i = next;
    }
    s.PrintChars(chars, xs, y);
}

void PrintMultiLineStr(TextSurface &s, const QString &text, double x, double y, double w,
                       double charSpacing, double lineSpacing, int align)
{
    if (text.isEmpty())
        return;
    const double lineHeight = s.TextHeight(QStringLiteral("钟"));
    const double margin = InkMargin(s); // the same line height
    const double bottom = s.PaperHeight() + margin;
    // Each line moves the next one by the same amount, so once a line lies beyond the paper in
    // the direction the lines go, so do all after it.
    const bool down = lineHeight + lineSpacing + 1 >= 0;
    LineCutter cutter(s, w, charSpacing);
    double curY = store::RoundEven(y);
    // The page's text fields hold their breaks as CR LF, Qt's editors as LF alone.
    for (qsizetype from = 0; from <= text.size();) {
        qsizetype end = from;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') &&
               text.at(end) != QLatin1Char('\n'))
            ++end;
        qsizetype next = end + 1;
        if (end + 1 < text.size() && text.at(end) == QLatin1Char('\r') &&
            text.at(end + 1) == QLatin1Char('\n'))
            ++next;
        qsizetype at = from;
        do {
            const bool below = curY >= bottom;
            const bool above = curY + lineHeight + margin <= 0;
            if ((below && down) || (above && !down))
                return;
            qsizetype count = 0;
            const qsizetype cut = at < end ? cutter.Cut(text, at, end, count) : end;
            if (!below && !above) {
                const QString t = text.mid(at, cut - at);
                double curX = x;
                if (align == 1 || align == 2) {
                    const double room = w - s.TextWidth(t) - charSpacing * double(count) - 1;
                    curX = x + (align == 1 ? room : room / 2);
                }
                PrintSpacedStr(s, t, store::RoundEven(curX), curY, charSpacing);
            }
            curY = store::RoundEven(lineHeight + curY + lineSpacing + 1);
            at = cut;
        } while (at < end);
        from = next;
    }
}

void PrintStrInBoxes(TextSurface &s, const QString &text, double x, double y, double w, int n,
                     int align)
{
    if (n < 1)
        return;
    const double boxW = w / n;
    qsizetype len = 0;
    for (qsizetype i = 0; i < text.size(); i = NextChar(text, i))
        ++len;
    qsizetype pad = 0;
    if (align >= 1) {
        if (len < n)
            pad = align == 1 ? n - len : qsizetype(store::Int((n - len) / 2.0));
        else if (len > n)
            x -= boxW * (align == 1 ? double(len - n) : store::Int((len - n) / 2.0));
    }
    // Only the boxes that can reach the paper are drawn, however long the text is.
    const double margin = InkMargin(s);
    const double right = s.PaperWidth() + margin;
    QStringList chars;
    QList<double> xs;
    auto place = [&](qsizetype box, const QString &c) {
        const double width = s.TextWidth(c);
        const double at = x + boxW * double(box) + (boxW - width) / 2;
        if (at < right && at + width > -margin) {
            chars.append(c);
            xs.append(at);
        }
    };
    for (qsizetype i = 0; i < pad; ++i)
        place(i, QStringLiteral(" "));
    qsizetype box = pad;
    for (qsizetype i = 0; i < text.size(); ++box) {
        const qsizetype next = NextChar(text, i);
        place(box, text.mid(i, next - i));
        i = next;
    }
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
