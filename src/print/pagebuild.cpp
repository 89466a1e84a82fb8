#include "print/pagebuild.h"

#include "page/backpic.h"
#include "page/fieldrow.h"
#include "store/context.h"
#include "store/fmtstore.h"
#include "store/grid.h"
#include "store/gridcolor.h"
#include "store/params.h"
#include "store/units.h"
#include "store/vb.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <algorithm>
#include <memory>

namespace print {

namespace {

bool Number(const QString &cell, double *out)
{
    const std::optional<double> v = page::StrictNumber(cell);
    if (v)
        *out = *v;
    return v.has_value();
}

} // namespace

FilledPage BuildFilledPage(const store::FlexGridModel &grid, const PageOptions &o,
                           const FieldValues &values)
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

    int counts[5] = {0, 0, 0, 0, 0};
    for (int row = grid.FixedRows(); row < grid.Rows(); ++row) {
        const int kind = int(store::Val(grid.TextMatrix(row, 17)));
        if (kind < 0 || kind > 4)
            continue;
        FilledField f;
        f.kind = FieldKind(kind);
        f.index = kind * 1000 + ++counts[kind];
        f.id = store::CLng(store::Val(grid.TextMatrix(row, 0)));
        f.prompt = grid.TextMatrix(row, 2);
        f.valid = Number(grid.TextMatrix(row, 4), &f.x) && Number(grid.TextMatrix(row, 5), &f.y) &&
                  Number(grid.TextMatrix(row, 6), &f.w) && Number(grid.TextMatrix(row, 7), &f.h);
        f.charSpacing = store::Val(grid.TextMatrix(row, 8));
        f.packedSpacing = store::Val(grid.TextMatrix(row, 9));
        quint32 color = grid.CellBackColor(row, 10);
        if (color == 0x010101)
            color = 0;
        f.color = store::VbToQColor(color);
        f.fontName = grid.TextMatrix(row, 11);
        f.fontSize = store::Val(grid.TextMatrix(row, 12));
        f.bold = !grid.TextMatrix(row, 13).isEmpty();
        f.italic = !grid.TextMatrix(row, 14).isEmpty();
        f.underline = !grid.TextMatrix(row, 15).isEmpty();
        f.strikeOut = !grid.TextMatrix(row, 16).isEmpty();
        f.cash = store::Val(grid.TextMatrix(row, 18));
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
        case FieldKind::Label:
            f.text = f.prompt;
            break;
        default:
            break;
        }
        page.fields << f;
    }
    // Kinds in order 0..4, each in index order, as the page walks them.
    std::stable_sort(page.fields.begin(), page.fields.end(),
                     [](const FilledField &a, const FilledField &b) { return a.kind < b.kind; });
    return page;
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

FieldValues ValuesFromPage(const store::PageFields &fields)
{
    FieldValues v;
    v.value = [&fields](int index) { return fields.CtlValue(index); };
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
    if (!m_ctx.FieldGrid() || !m_ctx.Fields())
        return FilledPage();
    if (!m_values)
        m_values = ValuesFromPage(*m_ctx.Fields());
    PageOptions o = OptionsFromContext(m_ctx);
    if (o.backPicture) {
        if (m_backFormat != o.formatName || m_back.isNull()) {
            m_backFormat = o.formatName;
            m_back = QImage(page::GetBackPicFile(o.formatName));
        }
        o.background = m_back;
    }
    return BuildFilledPage(*m_ctx.FieldGrid(), o, *m_values);
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
