#include "print/textlayout.h"

#include "store/core/vb.h"
#include "values/amounts.h"
#include "values/contentkind.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

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
// With a spacing of zero or more the width of a run grows as characters are added, so the longest
// run that fits is found by a search: from the length of the line before, up or down in doubling
// steps until the test changes, then by halving between the two. Lines of the same kind of text
// take two measurements; any line takes a number that grows with the logarithm of its length, of
// runs no longer than twice the line.
//
// A negative spacing pulls every character back over the one before, so a narrow or zero-width
// character can make the run narrower and a longer run may fit again further on. The search
// still gives a run that fits followed by one that does not, both measured; what lies beyond is
// then ruled out by a lower bound of the width, or measured. The bound rests on two properties of
// shaped text: a run never gets narrower as characters are added, and characters added to a run
// widen it by what they add after its last two characters alone (kerning, ligatures and marks
// join a character to its neighbours only). The source line is measured once in pieces of a few
// dozen characters, each after the two characters before it; the bound of a run then is its
// measured start plus what the pieces add, and a tree of minima over the pieces finds the last
// piece where the run might still fit. Only there are runs bounded closer, by what the piece's
// first characters add, and those the bound leaves open are measured, so the lines are the
// rule's. Pieces are measured only as far as the gaps of the whole rest could pull a run back
// under the width; a text costs at most about one measurement of itself beside a few of each
// line.
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
        if (!m_widths.isEmpty())
            m_widths.clear();
        count = Longest();
        m_last = count;
        if (m_spacing < 0 && EndOf(count + 1) >= 0)
            count = LastBeyond(count);
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
    // The width of the run of the rest's first n characters, which ends at the offset `to`
    // (kept where a negative spacing may measure it again).
    double RunWidth(qsizetype n, qsizetype to)
    {
        if (m_spacing >= 0)
            return m_s.TextWidth(m_source->mid(m_from, to - m_from));
        auto it = m_widths.constFind(n);
        if (it == m_widths.constEnd())
            it = m_widths.insert(n, m_s.TextWidth(m_source->mid(m_from, to - m_from)));
        return *it;
    }
    bool FitsRun(qsizetype n, qsizetype to)
    {
        return RunWidth(n, to) + m_spacing * double(n - 1) <= m_w;
    }
    bool Fits(qsizetype n) { return FitsRun(n, EndOf(n)); }
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

    // The source line in pieces, measured as far as a line needs them, once for all its lines.
    static constexpr qsizetype kPiece = 64; // UTF-16 units a piece, one more to keep a pair whole
    struct Pieces
    {
        const QChar *text = nullptr;
        qsizetype start = -1, end = -1;
        QList<qsizetype> at;     // piece k: the offsets at(k) up to at(k + 1)
        QList<qsizetype> before; // characters of the source line before piece k
        QList<double> sum;       // what the pieces before k add at least
        QList<double> tree;      // minima of Bound over the pieces, leaves from `leaves` on
        qsizetype leaves = 0;
        QHash<qsizetype, QList<double>> partial; // see Added, by piece
        double scale = 0; // the size of the figures added up, for their rounding
    };
    // The offset two characters before `at` (not before `lowest`).
    qsizetype Context(qsizetype at, qsizetype lowest) const
    {
        for (int i = 0; i < 2 && at > lowest; ++i) {
            --at;
            if (at > lowest && m_source->at(at).isLowSurrogate() &&
                m_source->at(at - 1).isHighSurrogate())
                --at;
        }
        return at;
    }
    // How much wider a run that ends at `at` gets by the characters from `at` to `to`: at least
    // what they add after the run's last two characters (from ctx) alone, since shaping joins a
    // character only to its neighbours. A tab moves on to a stop counted from the start of the
    // run, so where one is near only the run's growing is known.
    double Added(qsizetype ctx, qsizetype at, qsizetype to)
    {
        for (qsizetype i = ctx; i < to; ++i) {
            if (m_source->at(i).unicode() < 0x20)
                return 0;
        }
        return m_s.TextWidth(m_source->mid(ctx, to - ctx)) -
               (ctx < at ? m_s.TextWidth(m_source->mid(ctx, at - ctx)) : 0.0);
    }
    // The part of the bound of a run that ends in piece k which does not depend on where the run
    // starts: see LastBeyond.
    double Bound(qsizetype k) const
    {
        return m_p.sum.at(k) + double(m_p.before.at(k + 1)) * m_spacing;
    }
    // Cuts the source line from lineStart into pieces; none is measured yet.
    void SplitPieces(qsizetype lineStart)
    {
        Pieces &p = m_p;
        p = Pieces();
        p.text = m_source->constData();
        p.start = lineStart;
        p.end = m_end;
        qsizetype chars = 0;
        for (qsizetype at = lineStart; at < m_end;) {
            qsizetype to = std::min(at + kPiece, m_end);
            if (to < m_end && m_source->at(to).isLowSurrogate() &&
                m_source->at(to - 1).isHighSurrogate())
                ++to;
            p.at.append(at);
            p.before.append(chars);
            for (qsizetype i = at; i < to; i = NextChar(*m_source, i))
                ++chars;
            at = to;
        }
        const qsizetype n = p.at.size();
        p.at.append(m_end);
        p.before.append(chars);
        p.sum.reserve(n + 1);
        p.sum.append(0);
        p.scale = std::fabs(m_spacing) * double(chars);
        p.leaves = 1;
        while (p.leaves < n)
            p.leaves *= 2;
        p.tree.fill(std::numeric_limits<double>::infinity(), 2 * p.leaves);
    }
    // Measures the pieces before `upTo`, as far as not yet done: what they add, and the Bound of
    // the pieces whose runs that gives.
    void MeasurePieces(qsizetype upTo)
    {
        Pieces &p = m_p;
        while (p.sum.size() <= upTo) {
            const qsizetype k = p.sum.size() - 1;
            const double added =
                k == 0 ? 0.0 : Added(Context(p.at.at(k), p.start), p.at.at(k), p.at.at(k + 1));
            p.sum.append(p.sum.constLast() + added);
            p.scale += std::fabs(added);
            // Piece k + 1 now has its Bound.
            if (k + 1 < p.at.size() - 1) {
                qsizetype i = p.leaves + k + 1;
                p.tree[i] = Bound(k + 1);
                for (i /= 2; i >= 1; i /= 2)
                    p.tree[i] = std::min(p.tree.at(2 * i), p.tree.at(2 * i + 1));
            }
        }
    }
    // The last piece from lo up to hi whose Bound is at most limit, or -1.
    qsizetype LastBelow(qsizetype lo, qsizetype hi, double limit) const
    {
        return LastBelow(1, 0, m_p.leaves - 1, lo, hi, limit);
    }
    qsizetype LastBelow(qsizetype node, qsizetype nodeLo, qsizetype nodeHi, qsizetype lo,
                        qsizetype hi, double limit) const
    {
        if (hi < nodeLo || nodeHi < lo || hi < lo || m_p.tree.at(node) > limit)
            return -1;
        if (nodeLo == nodeHi)
            return nodeLo;
        const qsizetype mid = nodeLo + (nodeHi - nodeLo) / 2;
        const qsizetype right = LastBelow(2 * node + 1, mid + 1, nodeHi, lo, hi, limit);
        return right >= 0 ? right : LastBelow(2 * node, nodeLo, mid, lo, hi, limit);
    }
    // The piece that holds the offset at.
    qsizetype PieceOf(qsizetype at) const
    {
        return qsizetype(std::upper_bound(m_p.at.cbegin(), m_p.at.cend() - 1, at) -
                         m_p.at.cbegin()) -
               1;
    }

    // The rest's first `fits` characters fit and its first fits + 1 do not (both measured), the
    // spacing is negative: the longest run that fits, measuring only where the bound cannot rule
    // a run out.
    qsizetype LastBeyond(qsizetype fits)
    {
        const qsizetype n0 = fits + 1;
        const qsizetype e0 = EndOf(n0);
        if (e0 >= m_end)
            return fits; // nothing beyond the run that does not fit
        if (m_p.text != m_source->constData() || m_p.end != m_end || m_p.start > m_from ||
            m_p.start < 0)
            SplitPieces(m_from);
        const double s = m_spacing;
        const double w0 = RunWidth(n0, e0);
        // The measured run ends at e0 in piece p; the rest of p after it is the tail.
        const qsizetype p = PieceOf(e0);
        const qsizetype pieces = m_p.at.size() - 1;
        const qsizetype tailEnd = m_p.at.at(p + 1);
        // Characters of the source line before the rest.
        qsizetype fromChars = m_p.before.at(PieceOf(m_from));
        for (qsizetype i = m_p.at.at(PieceOf(m_from)); i < m_from; i = NextChar(*m_source, i))
            ++fromChars;
        // A run ending in piece k > p is at least as wide as the measured run, plus what the tail
        // and the pieces from p + 1 to k - 1 add; Bound(k) holds the part of the bound of the
        // run to the end of k that does not depend on where the rest starts.
        MeasurePieces(p + 1);
        const double atTailEnd = w0 + Added(Context(e0, m_from), e0, tailEnd);
        const double base = atTailEnd - m_p.sum.at(p + 1) - double(fromChars + 1) * s;
        // The pieces are measured only as far as a run may still fit: a run ending beyond them is
        // at least as wide as the run to their end, and no gaps of the rest pull that back.
        const double pullOfRest = double(m_p.before.constLast() - fromChars - 1) * s;
        auto setTol = [&] {
            m_tol = 1e-9 * (m_p.scale + std::fabs(w0) + std::fabs(m_w) + std::fabs(base)) + 1e-6;
        };
        setTol();
        for (qsizetype k = m_p.sum.size() - 1; k < pieces; k = m_p.sum.size() - 1) {
            if (base + m_p.sum.at(k) + double(fromChars + 1) * s + pullOfRest > m_w + m_tol)
                break;
            MeasurePieces(std::min(pieces, k + 1 + (k >> 3)));
            setTol();
        }
        const double limit = m_w + m_tol;
        for (qsizetype hi = std::min(pieces - 1, m_p.sum.size() - 1); hi > p;) {
            const qsizetype k = LastBelow(p + 1, hi, limit - base);
            if (k < 0)
                break;
            const double atStart = base + m_p.sum.at(k) + double(fromChars + 1) * s;
            QList<double> &partial = m_p.partial[k];
            const qsizetype found = LastInRange(m_p.at.at(k), m_p.at.at(k + 1), m_p.start,
                                                m_p.before.at(k) - fromChars, atStart, partial);
            if (found > 0)
                return found;
            hi = k - 1;
        }
        // Runs that end in the tail, from the measured one on.
        QList<double> partial;
        const qsizetype found = LastInRange(e0, tailEnd, m_from, n0, w0, partial);
        return found > 0 ? found : fits;
    }
    // How many gaps it takes to pull a run that is `over` too wide back under the width.
    qsizetype Reach(double over) const
    {
        const double gaps = std::ceil((over - m_tol) / -m_spacing);
        return gaps > 1e15 ? qsizetype(1e15) : qsizetype(std::max(gaps, 0.0));
    }
    // The longest run of the rest that fits among those whose last character lies from the
    // offset `at` to `to` (the rest holds `before` characters before `at`, the run up to `at` is
    // at least atLeast wide, and its characters from `lowest` on may be taken as its end), or 0.
    // partial keeps what the characters from `at` add, by their number, as far as measured.
    // The bounds go from the shortest run on: one too wide by some amount rules out the longer
    // ones that the spacing of their added gaps cannot pull back under the width. The runs they
    // leave open are measured from the longest down, and the first that fits is the one.
    qsizetype LastInRange(qsizetype at, qsizetype to, qsizetype lowest, qsizetype before,
                          double atLeast, QList<double> &partial)
    {
        QList<qsizetype> ends;
        for (qsizetype i = at; i < to; i = NextChar(*m_source, i))
            ends.append(NextChar(*m_source, i));
        const qsizetype m = ends.size();
        if (partial.size() != m)
            partial.fill(std::numeric_limits<double>::quiet_NaN(), m);
        const qsizetype ctx = Context(at, lowest);
        const double limit = m_w + m_tol;
        QList<qsizetype> open;
        // The run up to `at` bounds all that follow.
        qsizetype q = std::max<qsizetype>(1, Reach(atLeast + m_spacing * double(before - 1) - m_w));
        while (q <= m) {
            if (std::isnan(partial.at(q - 1)))
                partial[q - 1] = Added(ctx, at, ends.at(q - 1));
            const double f = atLeast + partial.at(q - 1) + m_spacing * double(before + q - 1);
            if (f <= limit)
                open.append(q++);
            else
                q += std::max<qsizetype>(1, Reach(f - m_w));
        }
        for (qsizetype i = open.size() - 1; i >= 0; --i) {
            const qsizetype n = before + open.at(i);
            if (FitsRun(n, ends.at(open.at(i) - 1)))
                return n;
        }
        return 0;
    }

    TextSurface &m_s;
    const double m_w, m_spacing;
    const QString *m_source = nullptr;
    qsizetype m_from = 0, m_end = 0;
    QList<qsizetype> m_ends; // end offsets of the rest's first characters, as far as looked at
    QHash<qsizetype, double> m_widths; // widths of the rest's runs measured, by length
    qsizetype m_last = 0;    // the length of the line before
    Pieces m_p;
    double m_tol = 0; // what the rounding of the bound's sums may be off by
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
