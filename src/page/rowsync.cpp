#include "page/rowsync.h"

#include "page/fieldrow.h"
#include "store/db/db.h"
#include "store/model/gridbind.h"
#include "store/view/gridcolor.h"
#include "store/core/helpers.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"
#include "values/contentkind.h"

#include <QPalette>
#include <QWidget>

#include <array>
#include <cmath>

namespace page {

using namespace store;

namespace {

std::optional<int> KindOf(const FieldRow &f)
{
    return f.Kind();
}

// The saved text of a prompt-less text box, read once when the field is made.
void LoadFixedText(const FieldRow &f, TextField &field)
{
    const auto &id = f.id.Number();
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
    const FieldRow f = ReadFieldRow(grid, row);
    if (!ctl) {
        if (!KindOf(f))
            return nullptr;
        ctl = reg.GetCtlByRow(row);
        if (!ctl)
            return nullptr;
    }
    const FieldKind kind = ctl->Kind();
    auto twips = [&](const store::NumberCell &c, int current) {
        const auto &mm = c.Number();
        return (mm && s > 0) ? MMToPage(*mm, s) : current;
    };
    const quint32 color = f.color;

    if (kind == FieldKind::Line) {
        auto *line = static_cast<LineField *>(ctl);
        line->SetPoints(twips(f.x, line->X1()), twips(f.y, line->Y1()), twips(f.w, line->X2()),
                        twips(f.h, line->Y2()));
        if (const auto &w = f.fontSize.Number())
            line->SetBorderWidth(*w * z);
        line->SetBorderStyle(CLng(f.cash.Val()));
        line->SetBorderColor(color);
        line->SetSelected(false);
        return ctl;
    }

    const bool check = kind == FieldKind::Check;
    ctl->SetGeometryTw(twips(f.x, ctl->Left()), twips(f.y, ctl->Top()),
                       check ? ctl->Width() : twips(f.w, ctl->Width()),
                       check ? ctl->Height() : twips(f.h, ctl->Height()));
    FieldFont font = ctl->Font();
    if (!f.fontName.isEmpty())
        font.name = f.fontName;
    if (!check) {
        const auto &size = f.fontSize.Number();
        if (size && *size * z > 0)
            font.size = *size * z;
    }
    font.bold = f.bold;
    font.italic = f.italic;
    font.underline = f.underline;
    font.strikethru = f.strikethru;
    ctl->SetLook(font, color);

    std::optional<int> alignment;
    if (kind == FieldKind::Text || kind == FieldKind::Check || kind == FieldKind::Label) {
        if (const auto &l = f.l.Number())
            alignment = AlignmentOfPacked(*l);
    }
    if (kind == FieldKind::Label)
        static_cast<LabelField *>(ctl)->SetCaptionText(f.lbl);
    if (ctl->Caption())
        ctl->Caption()->SetCaption(f.lbl);
    if (kind == FieldKind::Text) {
        auto *tf = static_cast<TextField *>(ctl);
        const values::KindInfo info = values::DecodeKind(f.cash.Val());
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
    FieldRow r = ReadFieldRow(*grid, row);

    // A length that still lays out to the field's twips keeps its text.
    auto writeMm = [&](store::NumberCell &cell, int tw) {
        if (s <= 0)
            return;
        const auto &mm = cell.Number();
        if (mm && MMToPage(*mm, s) == tw)
            return;
        cell.Set(PageToMM(tw, s));
    };
    auto writeScaled = [&](store::NumberCell &cell, double shown) {
        const auto &v = cell.Number();
        if (v && std::fabs(*v * z - shown) < 1e-9)
            return;
        cell.Set(shown * f);
    };

    if (kind == FieldKind::Line) {
        auto *line = static_cast<LineField *>(ctl);
        r.lbl = QStringLiteral("线条");
        writeMm(r.x, line->X1());
        writeMm(r.y, line->Y1());
        writeMm(r.w, line->X2());
        writeMm(r.h, line->Y2());
        r.fontName = QString::fromUtf16(kTemplateFont);
        // Only the row sets a line's thickness, at the zoom of that moment: the cell is written
        // back only when it holds no number yet, so a later zoom never rewrites it.
        if (!r.fontSize.Number())
            writeScaled(r.fontSize, line->BorderWidth());
        if (!line->Selected())
            r.color = line->BorderColor();
        r.cash.Set(line->BorderStyle());
    } else {
        if (kind == FieldKind::Label)
            r.lbl = static_cast<LabelField *>(ctl)->CaptionText();
        else if (ctl->Caption())
            r.lbl = ctl->Caption()->Caption();
        writeMm(r.x, ctl->Left());
        writeMm(r.y, ctl->Top());
        writeMm(r.w, ctl->Width());
        writeMm(r.h, ctl->Height());
        const FieldFont &font = ctl->Font();
        r.fontName = font.name;
        writeScaled(r.fontSize, font.size);
        r.color = ctl->ForeColor();
        r.bold = font.bold;
        r.italic = font.italic;
        r.underline = font.underline;
        r.strikethru = font.strikethru;
    }
    r.clas.Set(int(kind));
    WriteFieldRow(*grid, row, r);
    return row;
}

void RowFontToCtl(const FlexGridModel &grid, int row, QWidget *sample)
{
    if (!sample)
        return;
    const FieldRow f = ReadFieldRow(grid, row);
    FieldFont font;
    font.name = f.fontName;
    font.size = f.fontSize.Number().value_or(sample->font().pointSizeF());
    font.bold = f.bold;
    font.italic = f.italic;
    font.strikethru = f.strikethru;
    font.underline = f.underline;
    sample->setFont(font.toQFont());
    QPalette pal = sample->palette();
    const QColor c = VbToQColor(f.color);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::WindowText, c);
    sample->setPalette(pal);
}

void CtlFontToRow(FieldRow &f, const QWidget *sample)
{
    if (!sample)
        return;
    const QFont font = sample->font();
    f.fontName = font.family();
    f.fontSize.Set(font.pointSizeF());
    f.color = QColorToVb(sample->palette().color(QPalette::Text));
    f.bold = font.bold();
    f.italic = font.italic();
    f.strikethru = font.strikeOut();
    f.underline = font.underline();
}

bool ReloadAllCtl(FieldRegistry &reg, FlexGridModel &grid, bool showProgress)
{
    FieldRegistry::ReloadGuard guard(reg);
    std::vector<FieldRow> rows;
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r)
        rows.push_back(ReadFieldRow(grid, r));
    std::array<int, kKindCount> counts{};
    for (const FieldRow &f : rows)
        if (const auto k = KindOf(f))
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
        StepProgress(1, StepShows::CountAndTimes);
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
        const FieldRow &f = rows[size_t(r - grid.FixedRows())];
        if (const auto k = KindOf(f)) {
            if (PageField *ctl = reg.AddCtl(*k, r)) {
                RowToCtl(reg, grid, r, ctl);
                if (ctl->Kind() == FieldKind::Text && f.lbl.isEmpty())
                    LoadFixedText(f, *static_cast<TextField *>(ctl));
            }
        }
        if (showProgress)
            StepProgress(1, StepShows::CountAndTimes);
    }
    if (showProgress)
        EndProgress();
    return true;
}

} // namespace page
