#include "print/pagebuild.h"

#include "store/grid.h"
#include "store/gridcolor.h"
#include "store/vb.h"

#include <algorithm>

namespace print {

namespace {

bool Number(const QString &cell, double *out)
{
    if (!store::IsNumeric(cell))
        return false;
    *out = store::Val(cell);
    return true;
}

} // namespace

FilledPage BuildFilledPage(const store::FlexGrid &grid, const PageOptions &o,
                           const FieldValues &values)
{
    FilledPage page;
    page.formatName = o.formatName;
    page.widthMm = store::Val(o.width);
    page.heightMm = store::Val(o.height);
    page.marginX = o.marginX;
    page.marginY = o.marginY;
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
        f.kind = kind;
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
        switch (kind) {
        case KindText:
            f.text = values.text ? values.text(f.index) : QString();
            break;
        case KindCheck:
            f.checkValue = values.checkValue ? values.checkValue(f.index) : 0;
            f.text = f.checkValue == 1 ? QStringLiteral("√") : QString();
            break;
        case KindPicture:
            f.text = values.link ? values.link(f.index) : QString();
            if (f.text.contains(QLatin1Char('.')) && values.picture)
                f.picture = values.picture(f.index);
            break;
        case KindLabel:
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

QList<HistoryValue> HistoryValues(const FilledPage &page)
{
    QList<HistoryValue> out;
    for (const FilledField &f : page.fields) {
        if (f.kind == KindText && !f.text.isEmpty())
            out.append({f.id, f.text});
        else if (f.kind == KindCheck && f.checkValue != 0)
            out.append({f.id, QString::number(f.checkValue)});
        else if (f.kind == KindPicture && !f.text.isEmpty())
            out.append({f.id, f.text});
    }
    return out;
}

} // namespace print
