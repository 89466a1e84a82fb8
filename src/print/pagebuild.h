#pragma once
// The filled page from the field grid (one row per field) and the fields' current values.

#include "print/filledpage.h"

#include <functional>

namespace store {
class FlexGrid;
}

namespace print {

// What the main window shows about the open format and its print options.
struct PageOptions
{
    QString formatName;      // LFMT(0)
    QString width, height;   // Wid, Hie (mm, as shown)
    QString marginX, marginY; // M_X, M_Y
    bool setPaper = false, backPicture = false, rulers = false;
    bool lengthwise = false, centred = false; // O2(1), O2(3)
    QImage background;
    int barcodeStandard = 0;
    double frameWidthPx = 0, screenDpi = 96;
};

// The current value of each field by its index (kind * 1000 + n).
struct FieldValues
{
    std::function<QString(int index)> text;     // a text box's text
    std::function<int(int index)> checkValue;   // a check box's state
    std::function<QString(int index)> link;     // a picture field's picture path or barcode text
    std::function<QImage(int index)> picture;   // the picture it shows
};

// The n-th data row of a kind in the grid is field kind * 1000 + n. A row whose position or size
// cell is not a number gives a field that is not printed.
FilledPage BuildFilledPage(const store::FlexGrid &grid, const PageOptions &options,
                           const FieldValues &values);

// The values one print leaves in the history: every text box with text, every check box that is
// not clear (its state as text), every picture field with a link; in field order.
struct HistoryValue
{
    qint32 cid = 0;
    QString content;
    bool operator==(const HistoryValue &) const = default;
};
QList<HistoryValue> HistoryValues(const FilledPage &page);

} // namespace print
