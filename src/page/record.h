#pragma once
// A slip's values without widgets. The field layout says which rows of the field grid are fields
// (by the one kind rule of the field row), their indexes k*1000+n, IDs, content kinds and links;
// it is read from the grid once per revision. A record holds the value of every field of kinds
// 0..2 by its index: a text field's text (CR LF line breaks), a check box's state ("1", "2" or
// ""), a picture field's link.
//
// Filling a record is the one way a field's value is converted and calculated: leaving a text
// field on the page, stepping through batch records and print-all all run LeaveTextField on a
// record; the page puts what changed back into its widgets.

#include "store/model/context.h"
#include "store/model/gridmodel.h"
#include "values/calc.h"
#include "values/valueenv.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace page {

struct LayoutField
{
    int kind = 0;  // 0..4
    int index = 0; // kind * 1000 + n
    int row = 0;   // its row of the field grid
    std::optional<qint32> id;
    double cash = 0;    // content kind code, 0 when the cell is no number
    bool links = false; // links to another field or feeds a target
    QString caption;
    // A check box's ID and its link, read by their leading numbers rounded (the check box
    // group: ticking a box clears the boxes its links lead to).
    qint32 idWhole = 0, rctlWhole = 0;
    values::CalcFieldRow calc; // what the calculation reads of a text field
};

class FieldLayout
{
public:
    FieldLayout() = default;
    explicit FieldLayout(const store::FlexGridModel &grid);

    // Whether the layout was read from this grid at its present revision.
    bool Fits(const store::FlexGridModel &grid) const
    {
        return m_grid == &grid && m_revision == grid.Revision();
    }
    int Count(int kind) const;
    const LayoutField *ByIndex(int index) const;
    // The field of the first row holding the ID, as the page finds it: nullptr when a row before
    // it has no usable ID, or when that row makes no field.
    const LayoutField *ByID(qint32 id) const;
    // Every field in grid row order.
    const std::vector<LayoutField> &Fields() const { return m_fields; }
    // The text fields with an ID, in grid order, as the calculation sees them.
    const std::vector<values::CalcFieldRow> &TextFieldRows() const { return m_textRows; }

private:
    const store::FlexGridModel *m_grid = nullptr;
    quint64 m_revision = 0;
    std::vector<LayoutField> m_fields;
    std::array<std::vector<int>, 5> m_byKind; // positions in m_fields, by n - 1
    std::vector<std::optional<qint32>> m_rowIds; // the ID of every data row
    std::vector<int> m_fieldOfRow;               // position in m_fields of every data row, -1
    std::vector<values::CalcFieldRow> m_textRows;
};

class FieldRecord
{
public:
    FieldRecord() = default;
    // An empty value for every field of kinds 0..2 of the layout.
    explicit FieldRecord(const FieldLayout &layout);

    QString Value(int index) const;
    void SetValue(int index, const QString &value);
    // The border the last conversion chose for a text field since the record was made.
    std::optional<int> Border(int index) const;
    void SetBorder(int index, int border);
    // The indexes whose value or border was set since the last call, then forgets them.
    std::vector<int> TakeTouched();

private:
    struct Slot
    {
        QString value;
        std::optional<int> border;
        bool touched = false;
    };
    Slot *At(int index);
    const Slot *At(int index) const;
    std::array<std::vector<Slot>, 3> m_slots;
    std::vector<int> m_touched;
};

// What a conversion and calculation read from outside the record.
struct FillEnv
{
    values::ValueEnv values;
    values::CalcHistory *history = nullptr;
    QString formatName;
};

// What leaving text field index does: its text converted by its content kind (with the border
// that goes with it), then the calculation of the fields that depend on it. False when the
// index is no text field.
bool LeaveTextField(const FieldLayout &layout, FieldRecord &record, int index,
                    const FillEnv &env);

// What setting check box index does, as its click on the page does: ticked, a box not ticked
// before clears the boxes of its group (UncheckGroup); cleared, nothing more.
void SetCheckBox(const FieldLayout &layout, FieldRecord &record, int index, bool ticked);
// Clears the check boxes that the links of check box index lead to, one after the other, until
// a link leads back to it, to no check box or nowhere (at most 501 steps).
void UncheckGroup(const FieldLayout &layout, FieldRecord &record, int index);

// A record seen as the page's fields: what puts stored values into the page (the history's
// reprint) fills the record instead, by the rules the page's fields follow for each kind: a text
// as it is (line breaks substituted when asked), a check box ticked by any non-blank text, with
// its group, a picture field's link.
class RecordFields : public store::PageFields
{
public:
    RecordFields(const FieldLayout &layout, FieldRecord &record, QString crlfChr)
        : m_layout(layout), m_record(record), m_crlfChr(std::move(crlfChr))
    {
    }
    int CtlCount(int kind) const override { return m_layout.Count(kind); }
    QString CtlValue(int index) const override { return m_record.Value(index); }
    std::optional<qint32> CtlID(int index) const override;
    bool SetValueByID(qint32 id, const QString &text, bool substituteCrlf) override;
    std::optional<QString> FixedTextOfRow(int row) const override;

private:
    const FieldLayout &m_layout;
    FieldRecord &m_record;
    QString m_crlfChr;
};

} // namespace page
