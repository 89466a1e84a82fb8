#include "print/pagebuild.h"

#include "page/backpic.h"
#include "page/record.h"
#include "store/model/context.h"
#include "store/model/fieldrow.h"
#include "store/model/fmtstore.h"
#include "store/view/gridcolor.h"
#include "store/model/gridmodel.h"
#include "store/db/params.h"
#include "store/core/units.h"
#include "store/core/vb.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <algorithm>
#include <memory>

namespace print {

namespace {

bool Number(const store::NumberCell &cell, double *out)
{
    if (cell.Number())
        *out = *cell.Number();
    return cell.Number().has_value();
}

} // namespace

namespace {

// The page's options, without its fields.
FilledPage PageOf(const PageOptions &o)
{
    FilledPage page;
    page.formatName = o.formatName;
    page.widthMm = store::Val(o.width);
    page.heightMm = store::Val(o.height);
    page.offX = store::CalibToMargin(store::Val(o.marginX), 0) - 10;
    page.offY = store::CalibToMargin(store::Val(o.marginY), 0) - 10;
    page.setPaper = o.setPaper;
    page.backPicture = o.backPicture;
    page.rulers = o.rulers;
    page.lengthwise = o.lengthwise;
    page.centred = o.centred;
    page.background = o.background;
    page.barcodeStandard = o.barcodeStandard;
    page.frameWidthPx = o.frameWidthPx;
    page.screenDpi = o.screenDpi;
    return page;
}

// The fields of the grid as the format places them, without their values: kinds in order 0..4,
// each in index order, as the page walks them. Which rows are fields, and their indexes, come
// from the page's own field layout.
QList<FilledField> FieldLayout(const store::FlexGridModel &grid)
{
    QList<FilledField> fields;
    const page::FieldLayout layout(grid);
    for (const page::LayoutField &lf : layout.Fields()) {
        const store::FieldRow r = store::ReadFieldRow(grid, lf.row);
        FilledField f;
        f.kind = FieldKind(lf.kind);
        f.index = lf.index;
        f.id = store::CLng(r.id.Val());
        f.prompt = r.lbl;
        f.valid = Number(r.x, &f.x) && Number(r.y, &f.y) && Number(r.w, &f.w) && Number(r.h, &f.h);
        f.charSpacing = r.s.Val();
        f.packedSpacing = r.l.Val();
        quint32 color = r.color;
        if (color == 0x010101)
            color = 0;
        f.color = store::VbToQColor(color);
        f.fontName = r.fontName;
        f.fontSize = r.fontSize.Val();
        f.bold = r.bold;
        f.italic = r.italic;
        f.underline = r.underline;
        f.strikeOut = r.strikethru;
        f.cash = r.cash.Val();
        if (f.kind == FieldKind::Label)
            f.text = f.prompt;
        fields << f;
    }
    std::stable_sort(fields.begin(), fields.end(),
                     [](const FilledField &a, const FilledField &b) { return a.kind < b.kind; });
    return fields;
}

// The page with the fields laid out, each filled with its value.
FilledPage FillPage(FilledPage page, const QList<FilledField> &layout, const FieldValues &values)
{
    page.fields = layout;
    for (FilledField &f : page.fields) {
        const QString value =
            values.value && f.kind <= FieldKind::Picture ? values.value(f.index) : QString();
        switch (f.kind) {
        case FieldKind::Text:
            f.text = value;
            break;
        case FieldKind::Check:
            f.checkValue = int(store::Val(value));
            f.text = f.checkValue == 1 ? QStringLiteral("√") : QString();
            break;
        case FieldKind::Picture:
            f.text = value;
            if (f.text.contains(QLatin1Char('.')) && values.picture)
                f.picture = values.picture(f.text);
            break;
        default:
            break;
        }
    }
    return page;
}

} // namespace

FilledPage BuildFilledPage(const store::FlexGridModel &grid, const PageOptions &o,
                           const FieldValues &values)
{
    return FillPage(PageOf(o), FieldLayout(grid), values);
}

PageOptions OptionsFromContext(const store::AppContext &ctx)
{
    PageOptions o;
    o.formatName = ctx.FormatName();
    o.width = ctx.Wid();
    o.height = ctx.Hie();
    o.marginX = ctx.MarginX();
    o.marginY = ctx.MarginY();
    o.setPaper = ctx.SetPaper();
    o.backPicture = ctx.DiTuPrint();
    o.rulers = ctx.PrintRulers();
    o.lengthwise = ctx.O2(1) == 1;
    o.centred = ctx.O2(3) == 1;
    o.barcodeStandard = int(store::Val(store::GetPara(QStringLiteral("StrBarCodeStand"))));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        o.screenDpi = screen->logicalDotsPerInchX();
    o.frameWidthPx = store::TwipToPixel(ctx.FrameWidth(), o.screenDpi);
    return o;
}

FieldValues ValuesOf(std::function<QString(int index)> value)
{
    FieldValues v;
    v.value = std::move(value);
    auto cache = std::make_shared<QHash<QString, QImage>>();
    v.picture = [cache](const QString &path) {
        auto it = cache->constFind(path);
        if (it == cache->constEnd())
            it = cache->insert(path, QImage(path));
        return *it;
    };
    return v;
}

FilledPage PageSource::Fill()
{
    if (!m_ctx.FieldGrid())
        return FilledPage();
    PageOptions o = OptionsFromContext(m_ctx);
    if (o.backPicture) {
        if (m_backFormat != o.formatName || m_back.isNull()) {
            m_backFormat = o.formatName;
            m_back = QImage(page::GetBackPicFile(o.formatName));
        }
        o.background = m_back;
    }
    // The fields are laid out anew only when the format's grid has changed since: a batch
    // fills the same layout page after page.
    const store::FlexGridModel &grid = *m_ctx.FieldGrid();
    if (m_layoutGrid != &grid || m_layoutRevision != grid.Revision()) {
        m_layout = FieldLayout(grid);
        m_layoutGrid = &grid;
        m_layoutRevision = grid.Revision();
    }
    return FillPage(PageOf(o), m_layout, m_values);
}

QList<HistoryValue> HistoryValues(const FilledPage &page)
{
    QList<HistoryValue> out;
    for (const FilledField &f : page.fields) {
        if (f.kind == FieldKind::Text && !f.text.isEmpty())
            out.append({f.id, f.text});
        else if (f.kind == FieldKind::Check && f.checkValue != 0)
            out.append({f.id, QString::number(f.checkValue)});
        else if (f.kind == FieldKind::Picture && !f.text.isEmpty())
            out.append({f.id, f.text});
    }
    return out;
}

} // namespace print
