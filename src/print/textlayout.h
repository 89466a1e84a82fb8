#pragma once
// Free, spaced and boxed text on the printer page, placed one character at a time, in twips. The
// routines only need a surface that measures and prints text with the top of the character cell
// at the given point, so they are tested with fixed metrics.

#include <QString>
#include <QStringList>
#include <optional>

namespace print {

class TextSurface
{
public:
    virtual ~TextSurface() = default;
    // Width and height of the text in the current font, twips.
    virtual double TextWidth(const QString &text) = 0;
    virtual double TextHeight(const QString &text) = 0;
    // Prints the text with the top-left of its character cell at (x, y), twips.
    virtual void PrintAt(double x, double y, const QString &text) = 0;
    // Prints the characters of one line, each with the top-left of its cell at (xs[i], y), as
    // PrintAt would one after the other; a surface may draw them in one go.
    virtual void PrintChars(const QStringList &chars, const QList<double> &xs, double y);
    // The paper in its current orientation, twips: text wholly beyond it is neither laid out nor
    // drawn, however long it is.
    virtual double PaperWidth() const = 0;
    virtual double PaperHeight() const = 0;
};

// The alignment of a packed spacing value: 0 left, 1 right, 2 centred.
int GetSpaceMode(double packed);
// The signed spacing in mm of a packed spacing value (never -0).
double GetSpaceVal(double packed);

// The characters of a text as printed one by one (a surrogate pair stays one character).
QStringList SplitChars(const QString &text);

void PrintSpacedStr(TextSurface &s, const QString &text, double x, double y, double spacing);
// Free text wrapped to w: each line is the longest run of characters whose width with its
// spacing fits (at least one character); the search measures a line's length a few times around
// the length of the line before, not every length from the rest of the text down, so a text
// costs measurements in proportion to its length. A negative spacing, under which a longer run
// may fit again further on, adds one measurement of the text in pieces, as far as a run could
// still be pulled back under the width. Lines that fall below the paper are not laid out.
void PrintMultiLineStr(TextSurface &s, const QString &text, double x, double y, double w,
                       double charSpacing, double lineSpacing, int align);
void PrintStrInBoxes(TextSurface &s, const QString &text, double x, double y, double w, int n,
                     int align);
// Formats the amount and prints it right-aligned into the boxes (n above 300: n - 300 boxes and
// no currency sign). An amount whose digits do not all fit prints nothing.
void PrintCashInBoxes(TextSurface &s, const QString &text, double x, double y, double w, int n,
                      int align);

// The text that goes into the boxes of an amount field, exactly `boxes` characters; nullopt when
// a digit or the sign would be lost (only a currency sign may fall off the left end). An empty
// amount gives an empty text.
std::optional<QString> CashBoxText(const QString &text, int n);

} // namespace print
