#include "page/record.h"

#include "store/model/defaults.h"
#include "store/model/fieldrow.h"
#include "store/core/helpers.h"
#include "store/core/vb.h"
#include "values/contentkind.h"

namespace page {

FieldLayout::FieldLayout(const store::FlexGridModel &grid)
    : m_grid(&grid), m_revision(grid.Revision())
{
    const int rows = std::max(0, grid.Rows() - grid.FixedRows());
    m_rowIds.reserve(size_t(rows));
    m_fieldOfRow.assign(size_t(rows), -1);
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
        const store::FieldRow fr = store::ReadFieldRow(grid, r);
        m_rowIds.push_back(fr.id.Long());
        const std::optional<qint32> kind = fr.Kind();
        if (!kind)
            continue;
        LayoutField f;
        f.kind = *kind;
        f.row = r;
        f.index = f.kind * 1000 + int(m_byKind[size_t(f.kind)].size()) + 1;
        f.id = m_rowIds.back();
        f.cash = fr.cash.Number().value_or(0.0);
        f.links = fr.rctl.Val() != 0 || fr.rctl1.Val() != 0 || fr.sumId.Val() != 0 ||
                  fr.sumId1.Val() != 0;
        f.caption = fr.lbl;
        f.idWhole = qint32(store::RoundEven(fr.id.Val()));
        f.rctlWhole = qint32(store::RoundEven(fr.rctl.Val()));
        if (f.kind == 0 && f.id) {
            f.calc.id = *f.id;
            f.calc.code = f.cash;
            f.calc.rctl = fr.rctl.Val();
            f.calc.rctl1 = fr.rctl1.Val();
            f.calc.sumId = fr.sumId.Val();
            f.calc.sumId1 = fr.sumId1.Val();
            f.calc.caption = f.caption;
            m_textRows.push_back(f.calc);
        }
        m_fieldOfRow[size_t(r - grid.FixedRows())] = int(m_fields.size());
        m_byKind[size_t(f.kind)].push_back(int(m_fields.size()));
        m_fields.push_back(std::move(f));
    }
}

int FieldLayout::Count(int kind) const
{
    return kind >= 0 && kind < 5 ? int(m_byKind[size_t(kind)].size()) : 0;
}

const LayoutField *FieldLayout::ByIndex(int index) const
{
    const int kind = index / 1000, n = index % 1000;
    if (index < 0 || kind > 4 || n < 1 || n > Count(kind))
        return nullptr;
    return &m_fields[size_t(m_byKind[size_t(kind)][size_t(n - 1)])];
}

const LayoutField *FieldLayout::ByID(qint32 id) const
{
    for (size_t i = 0; i < m_rowIds.size(); ++i) {
        if (!m_rowIds[i])
            return nullptr;
        if (*m_rowIds[i] == id)
            return m_fieldOfRow[i] < 0 ? nullptr : &m_fields[size_t(m_fieldOfRow[i])];
    }
    return nullptr;
}

FieldRecord::FieldRecord(const FieldLayout &layout)
{
    for (int kind = 0; kind < 3; ++kind)
        m_slots[size_t(kind)].resize(size_t(layout.Count(kind)));
}

FieldRecord::Slot *FieldRecord::At(int index)
{
    const int kind = index / 1000, n = index % 1000;
    if (index < 0 || kind > 2 || n < 1 || n > int(m_slots[size_t(kind)].size()))
        return nullptr;
    return &m_slots[size_t(kind)][size_t(n - 1)];
}

const FieldRecord::Slot *FieldRecord::At(int index) const
{
    return const_cast<FieldRecord *>(this)->At(index);
}

QString FieldRecord::Value(int index) const
{
    const Slot *s = At(index);
    return s ? s->value : QString();
}

void FieldRecord::SetValue(int index, const QString &value)
{
    if (Slot *s = At(index)) {
        s->value = value;
        if (!s->touched) {
            s->touched = true;
            m_touched.push_back(index);
        }
    }
}

std::optional<int> FieldRecord::Border(int index) const
{
    const Slot *s = At(index);
    return s ? s->border : std::nullopt;
}

void FieldRecord::SetBorder(int index, int border)
{
    if (Slot *s = At(index)) {
        s->border = border;
        if (!s->touched) {
            s->touched = true;
            m_touched.push_back(index);
        }
    }
}

std::vector<int> FieldRecord::TakeTouched()
{
    for (int index : m_touched)
        At(index)->touched = false;
    return std::exchange(m_touched, {});
}

std::optional<qint32> RecordFields::CtlID(int index) const
{
    const LayoutField *f = m_layout.ByIndex(index);
    return f ? f->id : std::nullopt;
}

bool RecordFields::SetValueByID(qint32 id, const QString &text, bool substituteCrlf)
{
    const LayoutField *f = m_layout.ByID(id);
    if (!f || f->kind > 2)
        return false;
    switch (f->kind) {
    case 0:
        m_record.SetValue(f->index, substituteCrlf ? store::CrlfToBreaks(text, m_crlfChr) : text);
        break;
    case 1:
        SetCheckBox(m_layout, m_record, f->index, !text.trimmed().isEmpty());
        break;
    default:
        m_record.SetValue(f->index, text);
        break;
    }
    return true;
}

std::optional<QString> RecordFields::FixedTextOfRow(int row) const
{
    for (const LayoutField &f : m_layout.Fields())
        if (f.row == row)
            return f.kind == 0 && f.caption.isEmpty() ? std::optional(m_record.Value(f.index))
                                                      : std::nullopt;
    return std::nullopt;
}

void SetCheckBox(const FieldLayout &layout, FieldRecord &record, int index, bool ticked)
{
    // A grey box counts as ticked already.
    const bool was = !record.Value(index).isEmpty();
    record.SetValue(index, ticked ? QStringLiteral("1") : QString());
    if (ticked && !was)
        UncheckGroup(layout, record, index);
}

void UncheckGroup(const FieldLayout &layout, FieldRecord &record, int index)
{
    const LayoutField *self = layout.ByIndex(index);
    if (!self || self->kind != 1)
        return;
    const qint32 start = self->idWhole;
    qint32 next = self->rctlWhole;
    for (int step = 0; step < 501; ++step) {
        if (next == 0 || next == start)
            return;
        const LayoutField *other = nullptr;
        for (int n = 1; n <= layout.Count(1) && !other; ++n) {
            const LayoutField *f = layout.ByIndex(1000 + n);
            if (f->idWhole == next)
                other = f;
        }
        if (!other)
            return;
        // Cleared, a box does nothing more.
        record.SetValue(other->index, QString());
        next = other->rctlWhole;
    }
}

namespace {

// The text fields of a record as the calculation sees them.
class RecordCalcFields : public values::CalcFields
{
public:
    RecordCalcFields(const FieldLayout &layout, FieldRecord &record, const QString &fmt)
        : m_layout(layout), m_record(record), m_fmt(fmt)
    {
    }
    std::vector<values::CalcFieldRow> TextFieldRows() const override
    {
        return m_layout.TextFieldRows();
    }
    QString Text(qint32 id) const override
    {
        const LayoutField *f = TextByID(id);
        return f ? m_record.Value(f->index) : QString();
    }
    void SetText(qint32 id, const QString &text, std::optional<int> border) override
    {
        const LayoutField *f = TextByID(id);
        if (!f)
            return;
        m_record.SetValue(f->index, text);
        if (border)
            m_record.SetBorder(f->index, *border);
    }
    QString FormatName() const override { return m_fmt; }

private:
    const LayoutField *TextByID(qint32 id) const
    {
        const LayoutField *f = m_layout.ByID(id);
        return f && f->kind == 0 ? f : nullptr;
    }
    const FieldLayout &m_layout;
    FieldRecord &m_record;
    const QString &m_fmt;
};

} // namespace

bool LeaveTextField(const FieldLayout &layout, FieldRecord &record, int index,
                    const FillEnv &env)
{
    const LayoutField *f = layout.ByIndex(index);
    if (!f || f->kind != 0)
        return false;
    const values::Converted c = values::AutoConvert(f->cash, record.Value(index), env.values);
    record.SetValue(index, c.text);
    if (c.border)
        record.SetBorder(index, *c.border);
    if (!f->id || !env.history)
        return true;
    // A field that links to no other field and feeds no target changes nothing but itself; its
    // row tells at once, without the table of all fields.
    const LayoutField *edited = layout.ByID(*f->id);
    if (edited && edited->kind == 0 && !edited->links)
        return true;
    RecordCalcFields fields(layout, record, env.formatName);
    values::AutoCalc(*f->id, fields, *env.history, env.values);
    return true;
}

} // namespace page
