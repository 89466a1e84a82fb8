#include "page/rowsync.h"

#include "page/fieldrow.h"
#include "store/db.h"
#include "store/gridbind.h"
#include "store/gridcolor.h"
#include "store/helpers.h"
#include "store/indicator.h"
#include "store/reporter.h"
#include "store/vb.h"
#include "values/contentkind.h"

#include <QPalette>
#include <QWidget>

#include <array>
#include <cmath>

namespace page {

using namespace store;

namespace {

std::optional<int> CellKind(const FlexGridModel &grid, int row)
{
    const auto v = StrictNumber(grid.TextMatrix(row, ColClas));
    if (!v)
        return std::nullopt;
    const auto k = CLngChecked(*v);
    if (!k || *k < 0 || *k >= kKindCount)
        return std::nullopt;
    return *k;
}

// The saved text of a prompt-less text box, read once when the field is made.
void LoadFixedText(const FlexGridModel &grid, int row, TextField &field)
{
    const auto id = StrictNumber(grid.TextMatrix(row, ColID));
    if (!id || *id < 1 || *id != std::floor(*id))
        return;
    const QVariant mem = GetFieldByID(QStringLiteral("Fmt"), qint64(*id), QStringLiteral("Mem"));
    if (!mem.isValid() || mem.isNull() || mem.toString().isEmpty())
        return;
    field.SetText(mem.toString());
}

} // namespace

PageField *RowToCtl(FieldRegistry &reg, FlexGridModel &grid, int row, PageField *ctl)
{
    if (row >= grid.Rows() || row < grid.FixedRows())
        return nullptr;
    const double z = reg.Zoom();
    const double s = reg.Scale();
    if (!ctl) {
        if (!CellKind(grid, row))
            return nullptr;
        ctl = reg.GetCtlByRow(row);
        if (!ctl)
            return nullptr;
    }
    const FieldKind kind = ctl->Kind();
    auto text = [&](int c) { return grid.TextMatrix(row, c); };
    auto number = [&](int c) { return StrictNumber(text(c)); };
    auto twips = [&](int c, int current) {
        const auto mm = number(c);
        return (mm && s > 0) ? MMToPage(*mm, s) : current;
    };
    const quint32 color = GetCellColor(grid, row, ColColor, false);

    if (kind == FieldKind::Line) {
        auto *line = static_cast<LineField *>(ctl);
        line->SetPoints(twips(ColX, line->X1()), twips(ColY, line->Y1()), twips(ColW, line->X2()),
                        twips(ColH, line->Y2()));
        if (const auto w = number(ColFSize))
            line->SetBorderWidth(*w * z);
        line->SetBorderStyle(CLng(Val(text(ColCash))));
        line->SetBorderColor(color);
        line->SetSelected(false);
        return ctl;
    }

    const bool check = kind == FieldKind::Check;
    ctl->SetGeometryTw(twips(ColX, ctl->Left()), twips(ColY, ctl->Top()),
                       check ? ctl->Width() : twips(ColW, ctl->Width()),
                       check ? ctl->Height() : twips(ColH, ctl->Height()));
    FieldFont font = ctl->Font();
    if (!text(ColFName).isEmpty())
        font.name = text(ColFName);
    if (!check) {
        const auto size = number(ColFSize);
        if (size && *size * z > 0)
            font.size = *size * z;
    }
    font.bold = TickOf(text(ColBold));
    font.italic = TickOf(text(ColItalic));
    font.underline = TickOf(text(ColUnderline));
    font.strikethru = TickOf(text(ColStrikethru));
    ctl->SetLook(font, color);

    std::optional<int> alignment;
    if (kind == FieldKind::Text || kind == FieldKind::Check || kind == FieldKind::Label) {
        if (const auto l = number(ColL))
            alignment = AlignmentOfPacked(*l);
    }
    if (kind == FieldKind::Label)
        static_cast<LabelField *>(ctl)->SetCaptionText(text(ColLBL));
    if (ctl->Caption())
        ctl->Caption()->SetCaption(text(ColLBL));
    if (kind == FieldKind::Text) {
        auto *tf = static_cast<TextField *>(ctl);
        const values::KindInfo info = values::DecodeKind(Val(text(ColCash)));
        tf->SetBorderStyle(info.border);
        if (info.rightAligned)
            alignment = 1;
    }
    if (alignment)
        ctl->SetAlignment(*alignment);
    if (ctl->Caption()) {
        int dir = -1;
        reg.SetCtlLBLPos(ctl, ctl->Caption(), dir);
    }
    return ctl;
}

int CtlToRow(FieldRegistry &reg, PageField *ctl)
{
    FlexGridModel *grid = reg.Grid();
    if (!ctl || !grid)
        return -1;
    const double z = reg.Zoom();
    const double f = 1.0 / z;
    const double s = reg.Scale();
    const int row = ctl->Row();
    const FieldKind kind = ctl->Kind();

    auto writeMm = [&](int col, int tw) {
        if (s <= 0)
            return;
        const auto mm = StrictNumber(grid->TextMatrix(row, col));
        if (mm && MMToPage(*mm, s) == tw)
            return;
        grid->SetNumber(row, col, PageToMM(tw, s));
    };
    auto writeScaled = [&](int col, double shown) {
        const auto v = StrictNumber(grid->TextMatrix(row, col));
        if (v && std::fabs(*v * z - shown) < 1e-9)
            return;
        grid->SetNumber(row, col, shown * f);
    };

    if (kind == FieldKind::Line) {
        auto *line = static_cast<LineField *>(ctl);
        grid->SetTextMatrix(row, ColLBL, QStringLiteral("线条"));
        writeMm(ColX, line->X1());
        writeMm(ColY, line->Y1());
        writeMm(ColW, line->X2());
        writeMm(ColH, line->Y2());
        grid->SetTextMatrix(row, ColFName, QString::fromUtf16(kTemplateFont));
        // Only the row sets a line's thickness, at the zoom of that moment: the cell is written
        // back only when it holds no number yet, so a later zoom never rewrites it.
        if (!StrictNumber(grid->TextMatrix(row, ColFSize)))
            writeScaled(ColFSize, line->BorderWidth());
        if (!line->Selected())
            SetCellColor(*grid, row, ColColor, line->BorderColor(), false);
        grid->SetNumber(row, ColCash, line->BorderStyle());
    } else {
        if (kind == FieldKind::Label)
            grid->SetTextMatrix(row, ColLBL, static_cast<LabelField *>(ctl)->CaptionText());
        else if (ctl->Caption())
            grid->SetTextMatrix(row, ColLBL, ctl->Caption()->Caption());
        writeMm(ColX, ctl->Left());
        writeMm(ColY, ctl->Top());
        writeMm(ColW, ctl->Width());
        writeMm(ColH, ctl->Height());
        const FieldFont &font = ctl->Font();
        grid->SetTextMatrix(row, ColFName, font.name);
        writeScaled(ColFSize, font.size);
        SetCellColor(*grid, row, ColColor, ctl->ForeColor(), false);
        grid->SetTextMatrix(row, ColBold, BoolToTick(font.bold));
        grid->SetTextMatrix(row, ColItalic, BoolToTick(font.italic));
        grid->SetTextMatrix(row, ColUnderline, BoolToTick(font.underline));
        grid->SetTextMatrix(row, ColStrikethru, BoolToTick(font.strikethru));
    }
    grid->SetNumber(row, ColClas, int(kind));
    return row;
}

void RowFontToCtl(const FlexGridModel &grid, int row, QWidget *sample)
{
    if (!sample)
        return;
    FieldFont font;
    font.name = grid.TextMatrix(row, ColFName);
    font.size = StrictNumber(grid.TextMatrix(row, ColFSize)).value_or(sample->font().pointSizeF());
    font.bold = TickOf(grid.TextMatrix(row, ColBold));
    font.italic = TickOf(grid.TextMatrix(row, ColItalic));
    font.strikethru = TickOf(grid.TextMatrix(row, ColStrikethru));
    font.underline = TickOf(grid.TextMatrix(row, ColUnderline));
    sample->setFont(font.toQFont());
    QPalette pal = sample->palette();
    const QColor c = VbToQColor(GetCellColor(grid, row, ColColor, false));
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::WindowText, c);
    sample->setPalette(pal);
}

void CtlFontToRow(FlexGridModel &grid, int row, const QWidget *sample)
{
    if (!sample)
        return;
    const QFont f = sample->font();
    grid.SetTextMatrix(row, ColFName, f.family());
    grid.SetNumber(row, ColFSize, f.pointSizeF());
    SetCellColor(grid, row, ColColor, QColorToVb(sample->palette().color(QPalette::Text)), false);
    grid.SetTextMatrix(row, ColBold, BoolToTick(f.bold()));
    grid.SetTextMatrix(row, ColItalic, BoolToTick(f.italic()));
    grid.SetTextMatrix(row, ColStrikethru, BoolToTick(f.strikeOut()));
    grid.SetTextMatrix(row, ColUnderline, BoolToTick(f.underline()));
}

bool ReloadAllCtl(FieldRegistry &reg, FlexGridModel &grid, bool showProgress)
{
    FieldRegistry::ReloadGuard guard(reg);
    std::array<int, kKindCount> counts{};
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r)
        if (const auto k = CellKind(grid, r))
            ++counts[size_t(*k)];
    for (int n : counts) {
        if (n > kMaxFieldsPerKind) {
            reg.UnloadAllCtl();
            ReportMessage(QStringLiteral("该格式中同一类的输入框超过999个，无法显示在页面上！"),
                          MsgKind::Warning);
            return false;
        }
    }
    if (showProgress)
        StartProgress(QStringLiteral("重新加载格式……"), grid.Rows());
    reg.UnloadAllCtl();
    if (showProgress)
        StepProgress(1, QStringLiteral("pages"));
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
        if (const auto k = CellKind(grid, r)) {
            if (PageField *ctl = reg.AddCtl(*k, r)) {
                RowToCtl(reg, grid, r, ctl);
                if (ctl->Kind() == FieldKind::Text && grid.TextMatrix(r, ColLBL).isEmpty())
                    LoadFixedText(grid, r, *static_cast<TextField *>(ctl));
            }
        }
        if (showProgress)
            StepProgress(1, QStringLiteral("pages"));
    }
    if (showProgress)
        EndProgress();
    return true;
}

} // namespace page
