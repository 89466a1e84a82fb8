#include "store/model/fieldrow.h"

#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <cmath>

namespace store {

NumberCell::NumberCell(const QString &text) : m_text(text) {}

void NumberCell::Parse() const
{
    if (m_parsed)
        return;
    m_number = StrictNumber(m_text);
    m_val = m_number ? *m_number : store::Val(m_text);
    m_parsed = true;
}

std::optional<qint32> NumberCell::Long() const
{
    Parse();
    if (!m_number)
        return std::nullopt;
    return CLngChecked(*m_number);
}

void NumberCell::Set(double value)
{
    SetText(CStr(value));
}

FieldRow ReadFieldRow(const FlexGridModel &grid, int row)
{
    auto text = [&](int c) { return grid.TextMatrix(row, c); };
    auto number = [&](int c) { return NumberCell(text(c)); };
    FieldRow f;
    f.id = ReadFieldRowId(grid, row);
    f.no = text(ColNo);
    f.lbl = text(ColLBL);
    f.dir = DirTextToCode(text(ColDir));
    f.x = number(ColX);
    f.y = number(ColY);
    f.w = number(ColW);
    f.h = number(ColH);
    f.s = number(ColS);
    f.l = number(ColL);
    f.color = grid.CellBackColor(row, ColColor);
    f.fontName = text(ColFName);
    f.fontSize = number(ColFSize);
    f.bold = TickOf(text(ColBold));
    f.italic = TickOf(text(ColItalic));
    f.underline = TickOf(text(ColUnderline));
    f.strikethru = TickOf(text(ColStrikethru));
    f.clas = number(ColClas);
    f.cash = number(ColCash);
    f.rctl = number(ColRCtl);
    f.sumId = number(ColSumID);
    f.sumId1 = number(ColSumID1);
    f.rctl1 = number(ColRCtl1);
    return f;
}

NumberCell ReadFieldRowId(const FlexGridModel &grid, int row)
{
    return NumberCell(grid.TextMatrix(row, ColID));
}

std::optional<qint32> FieldKindOfCell(const QString &cell)
{
    const std::optional<double> v = StrictNumber(cell);
    if (!v || *v != std::floor(*v) || *v < 0 || *v > 4)
        return std::nullopt;
    return qint32(*v);
}

std::optional<qint32> FieldRow::Kind() const
{
    return FieldKindOfCell(clas.Text());
}

std::optional<qint32> ReadFieldRowKind(const FlexGridModel &grid, int row)
{
    return FieldKindOfCell(grid.TextMatrix(row, ColClas));
}

QStringList RowsWithoutKind(const FlexGridModel &grid)
{
    QStringList rows;
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r)
        if (!ReadFieldRowKind(grid, r))
            rows << grid.TextMatrix(r, ColLBL);
    return rows;
}

NumberCell ReadFieldRowCash(const FlexGridModel &grid, int row)
{
    return NumberCell(grid.TextMatrix(row, ColCash));
}

bool FieldRowLinks(const FlexGridModel &grid, int row)
{
    for (const int c : {ColRCtl, ColRCtl1, ColSumID, ColSumID1}) {
        if (NumberCell(grid.TextMatrix(row, c)).Val() != 0)
            return true;
    }
    return false;
}

void WriteFieldRow(FlexGridModel &grid, int row, const FieldRow &f)
{
    if (row < 0 || row >= grid.Rows())
        return;
    auto text = [&](int c, const QString &t) {
        if (grid.TextMatrix(row, c) != t)
            grid.SetTextMatrix(row, c, t);
    };
    auto tick = [&](int c, bool on) {
        if (TickOf(grid.TextMatrix(row, c)) != on)
            grid.SetTextMatrix(row, c, BoolToTick(on));
    };
    text(ColID, f.id.Text());
    text(ColNo, f.no);
    text(ColLBL, f.lbl);
    if (DirTextToCode(grid.TextMatrix(row, ColDir)) != f.dir)
        grid.SetTextMatrix(row, ColDir, DirCodeToText(f.dir));
    text(ColX, f.x.Text());
    text(ColY, f.y.Text());
    text(ColW, f.w.Text());
    text(ColH, f.h.Text());
    text(ColS, f.s.Text());
    text(ColL, f.l.Text());
    if (grid.CellBackColor(row, ColColor) != f.color)
        grid.SetCellBackColor(row, ColColor, f.color);
    text(ColFName, f.fontName);
    text(ColFSize, f.fontSize.Text());
    tick(ColBold, f.bold);
    tick(ColItalic, f.italic);
    tick(ColUnderline, f.underline);
    tick(ColStrikethru, f.strikethru);
    text(ColClas, f.clas.Text());
    text(ColCash, f.cash.Text());
    text(ColRCtl, f.rctl.Text());
    text(ColSumID, f.sumId.Text());
    text(ColSumID1, f.sumId1.Text());
    text(ColRCtl1, f.rctl1.Text());
}

double PackSpacing(double spacing, int alignment)
{
    const double packed = std::fabs(spacing) + 1000.0 * alignment;
    return spacing < 0 ? -packed : packed;
}

int AlignmentOfPacked(double packed)
{
    return int(Int(std::fabs(packed) / 1000.0));
}

double SpacingOfPacked(double packed)
{
    const double a = std::fabs(packed) - 1000.0 * AlignmentOfPacked(packed);
    return packed < 0 ? -a : a;
}

std::optional<double> StrictNumber(const QString &cell)
{
    if (!IsNumeric(cell))
        return std::nullopt;
    return Val(cell);
}

SumLink SumLinkOf(const NumberCell &cell)
{
    const double v = cell.Val();
    SumLink link;
    link.target = CLng(std::fabs(Fix(v)));
    link.product = v < 0;
    link.negate = v - Fix(v) != 0;
    return link;
}

double SumLinkValue(double target, bool product, bool negate)
{
    const double t = target + (negate && target != 0 ? 0.1 : 0.0);
    return product ? -t : t;
}

} // namespace store
