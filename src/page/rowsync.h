#pragma once
// Keeping the fields on the page and their rows of the field grid in step. The grid holds
// millimetres and font sizes at zoom 1; the fields hold twips of the page and sizes as shown.
// Inside the page folder only: every other edit goes through FieldRegistry (EditRow,
// PlaceField, PlaceLine, SetLabelText, ReloadFields), which runs these in the edit's order.

#include "page/registry.h"
#include "store/model/gridmodel.h"

class QWidget;

namespace page {

// Applies a grid row to its field (found by the row when ctl is nullptr): position and size (a
// check box keeps its size), font (a check box keeps its size, a line has none), colour,
// alignment, caption, a text box's border and right alignment by its content kind, and the
// prompt label's place. A cell that is no number leaves that property as it was. nullptr, with
// nothing changed, for a row outside the data rows or without a field.
PageField *RowToCtl(FieldRegistry &reg, store::FlexGridModel &grid, int row,
                    PageField *ctl = nullptr);

// Writes a field's position, size, font, colour and caption back into its row and returns the
// row (-1 without a field or grid). A coordinate or size that still lays out to the field's
// twips keeps the text of its cell, so moving a field changes only what moved. A selected line
// keeps its row colour.
int CtlToRow(FieldRegistry &reg, PageField *ctl);

// Font and colour between a row and a dialog's sample box, without zoom.
void RowFontToCtl(const store::FlexGridModel &grid, int row, QWidget *sample);
void CtlFontToRow(store::FieldRow &row, const QWidget *sample);

// Rebuilds every field from the grid: all fields go, then one per data row in row order
// (AddCtl, RowToCtl), and a prompt-less text box gets its saved text. No leave-the-field
// handling runs meanwhile. A format with more than 999 fields of one kind is refused with a
// message and the page stays empty. Shows the progress window "重新加载格式……" when asked.
bool ReloadAllCtl(FieldRegistry &reg, store::FlexGridModel &grid, bool showProgress);

} // namespace page
