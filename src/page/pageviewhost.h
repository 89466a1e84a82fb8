#pragma once
// What the page routines (sizing, zoom, format initialisation) need of the window that holds the
// page: its frame, the context it fills, its option handler, the batch grid, and the fields.

#include <QString>

#include <map>

namespace store {
class AppContext;
class FlexGridModel;
} // namespace store

namespace page {

class PageFrame;

// The values of the fields that carry one, by field index: texts of text boxes, "1"/"" of
// check boxes, the content of picture fields.
using FieldValues = std::map<int, QString>;

class PageHost
{
public:
    virtual ~PageHost() = default;
    virtual PageFrame &pageFrame() = 0;
    virtual store::AppContext &context() = 0;
    // The main window's option handler O2_Click.
    virtual void O2_Click(int index) = 0;
    // The batch grid MSF(1), emptied when another format is put on the page; may be null.
    virtual store::FlexGridModel *batchGrid() { return nullptr; }
    // Resets the batch navigation after the batch grid was emptied.
    virtual void resetBatchNav(store::FlexGridModel &) {}
    // Shows the batch grid (once records were imported into it).
    virtual void showBatchGrid() {}
    // Closes the field property dialogs, whose rows belong to the format being left.
    virtual void closeFieldDialogs() {}
    // Creates the page's fields from the field grid again, at the page's scale, without a
    // progress window (ReloadAllCtl).
    virtual void reloadFields() = 0;
    virtual FieldValues saveFieldValues() = 0;
    // Puts the values back into the fields of the same indexes; a picture gets its content
    // through SetPicCtlContent whatever it is.
    virtual void restoreFieldValues(const FieldValues &values) = 0;
};

} // namespace page
