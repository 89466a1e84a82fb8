#pragma once
// The filled page from the field grid (one row per field), the main window's print options and
// the fields' current values.

#include "print/filledpage.h"

#include <functional>
#include <optional>

namespace store {
class AppContext;
class FlexGridModel;
} // namespace store

namespace print {

// What the main window shows about the open format and its print options.
struct PageOptions
{
    QString formatName;       // LFMT(0)
    QString width, height;    // Wid, Hie (mm, as shown)
    QString marginX, marginY; // M_X, M_Y: read as their leading numbers
    bool setPaper = false, backPicture = false, rulers = false;
    bool lengthwise = false, centred = false; // O2(1), O2(3)
    QImage background;
    int barcodeStandard = 0; // StrBarCodeStand read as a number
    double frameWidthPx = 0, screenDpi = 96;
};

// The current value of each field by its index (kind * 1000 + n): a text box's text, a check
// box's state ("1", "2" or ""), a picture field's link; and the picture a link names.
struct FieldValues
{
    std::function<QString(int index)> value;
    std::function<QImage(const QString &path)> picture;
};

// The options as the context holds them now; the barcode standard is read from the parameters.
// The background picture is left to the caller.
PageOptions OptionsFromContext(const store::AppContext &ctx);
// These values, each picture file loaded once.
FieldValues ValuesOf(std::function<QString(int index)> value);

// The n-th data row of a kind in the grid is field kind * 1000 + n. A row whose position or size
// cell is not a number gives a field that is not printed.
FilledPage BuildFilledPage(const store::FlexGridModel &grid, const PageOptions &options,
                           const FieldValues &values);
// The open format of the context as it is filled now, page after page of a batch: the
// background and the pictures are read from their files once.
class PageSource
{
public:
    // The page filled from these values (a record's).
    PageSource(const store::AppContext &ctx, FieldValues values)
        : m_ctx(ctx), m_values(std::move(values))
    {
    }
    FilledPage Fill();

private:
    const store::AppContext &m_ctx;
    FieldValues m_values;
    const store::FlexGridModel *m_layoutGrid = nullptr;
    quint64 m_layoutRevision = 0;
    QList<FilledField> m_layout;
    QString m_backFormat;
    QImage m_back;
};

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
