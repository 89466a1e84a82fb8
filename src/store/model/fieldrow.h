#pragma once
// One field's row of the field grid as typed values. Every coding inside the row's cells has one
// rule here: numbers (read strictly or by their leading number), the caption side as its word,
// the four font ticks, the colour as the back colour of its cell, the packed spacing and
// alignment, and the link cells with their signs and a sum's tenth.
//
// ReadFieldRow parses a row once; WriteFieldRow writes back only the cells whose value changed,
// so a row read and written back leaves the grid as it was, texts that are no number included.

#include "store/model/fmtstore.h"
#include "store/model/gridmodel.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace store {

// A number cell: the text the grid holds, read once, when a reading is first asked for. Number()
// is the strict reading (the whole text, blanks around it aside, is one number), Val() the
// leading-number reading (0 without one). A cell that is no number keeps its text, so writing
// the row back leaves it untouched.
class NumberCell
{
public:
    NumberCell() = default;
    explicit NumberCell(const QString &text);

    const QString &Text() const { return m_text; }
    const std::optional<double> &Number() const
    {
        Parse();
        return m_number;
    }
    double Val() const
    {
        Parse();
        return m_val;
    }
    // The strict reading rounded to a 32-bit integer (halves to even); nullopt when the text is
    // no number or the number is out of range.
    std::optional<qint32> Long() const;

    // A number written into the cell becomes its decimal text (CStr).
    void Set(double value);
    void SetText(const QString &text) { *this = NumberCell(text); }

    bool operator==(const NumberCell &other) const { return m_text == other.m_text; }

private:
    void Parse() const;

    QString m_text;
    mutable std::optional<double> m_number;
    mutable double m_val = 0;
    mutable bool m_parsed = false;
};

// The columns of one field row (see FmtCol).
struct FieldRow
{
    NumberCell id;         // ID: the record, also the target of the link cells
    QString no;            // 序号
    QString lbl;           // the caption (a label's text)
    int dir = 0;           // the caption's side, 0..3, held in the grid as its word
    NumberCell x, y, w, h; // millimetres; a line's two end points
    NumberCell s;          // letter spacing
    NumberCell l;          // packed line spacing and alignment (PackSpacing)
    quint32 color = 0;     // 0x00BBGGRR, the back colour of the colour cell (0 without one)
    QString fontName;      //
    NumberCell fontSize;   // points at zoom 1; a line's width
    bool bold = false;     // the font ticks: any text is true, written "√" or ""
    bool italic = false;
    bool underline = false;
    bool strikethru = false;
    NumberCell clas;  // the field kind
    NumberCell cash;  // the content kind code; a line's style
    NumberCell rctl;  // related field: +ID or -ID
    NumberCell sumId; // sum target: ±ID, ±(ID + 0.1) negated (SumLink)
    NumberCell sumId1;
    NumberCell rctl1;

    // The field kind of the row (FieldKindOfCell), nullopt when the row makes no field.
    std::optional<qint32> Kind() const;
};

// The one rule by which every reader of a format (the page, the print, the history, the batch
// map, the statistics) tells whether a row is a field and of which kind: the kind cell holds a
// whole number 0..4 (0 text, 1 check box, 2 picture, 3 line, 4 label). Any other cell (empty, a
// fraction, out of range, no number) makes no field: nothing shows, prints, counts or is recorded
// for the row, which stays as it is stored.
std::optional<qint32> FieldKindOfCell(const QString &cell);
// The caption of every row of the grid that makes no field, in row order.
QStringList RowsWithoutKind(const FlexGridModel &grid);

// The row's cells; a row outside the grid reads as an empty row.
FieldRow ReadFieldRow(const FlexGridModel &grid, int row);
// The ID and the kind alone, read by the same rule as the whole row, for look-ups that scan
// every row (a field by its ID, a row's kind).
NumberCell ReadFieldRowId(const FlexGridModel &grid, int row);
std::optional<qint32> ReadFieldRowKind(const FlexGridModel &grid, int row);
// The content kind alone, and whether the row links to another field or feeds one (any of its
// relation and sum cells not 0): asked for every field of every record of a batch.
NumberCell ReadFieldRowCash(const FlexGridModel &grid, int row);
bool FieldRowLinks(const FlexGridModel &grid, int row);
// Writes the cells whose value differs from the grid's: a number cell by its text, a tick by
// its truth, the side by its code, the colour by its value. Nothing outside the grid is written.
void WriteFieldRow(FlexGridModel &grid, int row, const FieldRow &fieldRow);

// Column 9 packs the line spacing v (mm, signed) and the alignment a (0 left, 1 right,
// 2 centre): +(|v| + 1000a) for v >= 0, -(|v| + 1000a) for v < 0.
double PackSpacing(double spacing, int alignment);
// The alignment of a packed value: Int(|L| / 1000).
int AlignmentOfPacked(double packed);
// The spacing of a packed value, negative when L is.
double SpacingOfPacked(double packed);

// A cell read strictly: the whole text (blanks around it aside) is one number, else nothing.
std::optional<double> StrictNumber(const QString &cell);
// A Boolean cell: any non-empty text is true.
inline bool TickOf(const QString &cell)
{
    return !cell.isEmpty();
}

// A sum link read by its leading number: the whole part toward zero names the target, a
// negative code multiplies into the target instead of adding, any fraction negates the value.
struct SumLink
{
    qint32 target = 0; // without its sign
    bool product = false;
    bool negate = false;
};
SumLink SumLinkOf(const NumberCell &cell);
// The code of a sum link: ±(target + 0.1), the tenth only when negating and there is a target.
double SumLinkValue(double target, bool product, bool negate);

} // namespace store
