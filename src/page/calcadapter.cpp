#include "page/calcadapter.h"

#include "store/fieldrow.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/params.h"
#include "store/vb.h"
#include "values/contentkind.h"

#include <QDateTime>

namespace page {

namespace {

void ApplyConverted(TextField &field, const values::Converted &c)
{
    field.SetText(c.text);
    if (c.border)
        field.SetBorderStyle(*c.border);
}

} // namespace

values::ValueEnv PageValueEnv()
{
    return values::ValueEnv{QDateTime::currentDateTime(),
                            [](const QString &key) { return store::GetPara(key); }};
}

void AutoConvertField(FieldRegistry &reg, TextField &field, const values::ValueEnv &env)
{
    ApplyConverted(field, values::AutoConvert(reg.GetCtlCash(&field), field.Text(), env));
}

void AutoFillDates(FieldRegistry &reg, const values::ValueEnv &env)
{
    for (int i = reg.FirstCtlIdx(0); i <= reg.LastCtlIdx(0); ++i) {
        auto *f = static_cast<TextField *>(reg.GetCtlByIdx(i));
        if (!f)
            continue;
        ApplyConverted(*f, values::AutoFillDate(reg.GetCtlCash(f), f->Text(), env));
    }
}

std::vector<values::CalcFieldRow> PageCalcFields::TextFieldRows() const
{
    std::vector<values::CalcFieldRow> rows;
    const store::FlexGridModel *grid = m_reg.Grid();
    if (!grid)
        return rows;
    for (int r = grid->FixedRows(); r < grid->Rows(); ++r) {
        const store::FieldRow fr = store::ReadFieldRow(*grid, r);
        if (fr.clas.Val() != 0)
            continue;
        const PageField *f = m_reg.GetCtlByRow(r);
        if (!f || f->Kind() != FieldKind::Text)
            continue;
        const std::optional<qint32> id = fr.id.Long();
        if (!id)
            continue;
        values::CalcFieldRow row;
        row.id = *id;
        row.code = fr.cash.Number().value_or(0.0);
        row.rctl = fr.rctl.Val();
        row.rctl1 = fr.rctl1.Val();
        row.sumId = fr.sumId.Val();
        row.sumId1 = fr.sumId1.Val();
        row.caption = f->Caption() ? f->Caption()->Caption() : fr.lbl;
        rows.push_back(row);
    }
    return rows;
}

TextField *PageCalcFields::TextByID(qint32 id) const
{
    PageField *f = m_reg.GetCtlByID(id);
    return f && f->Kind() == FieldKind::Text ? static_cast<TextField *>(f) : nullptr;
}

QString PageCalcFields::Text(qint32 id) const
{
    const TextField *f = TextByID(id);
    return f ? f->Text() : QString();
}

void PageCalcFields::SetText(qint32 id, const QString &text, std::optional<int> border)
{
    TextField *f = TextByID(id);
    if (!f)
        return;
    f->SetText(text);
    if (border)
        f->SetBorderStyle(*border);
}

QString PageCalcFields::FormatName() const
{
    return m_reg.Context().FormatName();
}

qint32 StoreCalcHistory::FindHistoryByCon(const QString &fmt, qint32 id, const QString &content,
                                          int &member)
{
    return store::FindHistoryByCon(fmt, id, content, member);
}

std::vector<values::CalcHistoryValue> StoreCalcHistory::LoadPrint(const QString &fmt, qint32 print)
{
    std::vector<values::CalcHistoryValue> out;
    for (const store::HistoryEntry &e : store::LoadHistoryPrint(fmt, print))
        out.push_back({e.cid, e.con, e.lbl});
    return out;
}

std::vector<qint32> AutoCalc(FieldRegistry &reg, qint32 id, const values::ValueEnv &env)
{
    // A field that links to no other field and feeds no target changes nothing but itself; its
    // row tells at once, without the table of all fields.
    const store::FlexGridModel *grid = reg.Grid();
    const PageField *edited = reg.GetCtlByID(id);
    if (grid && edited && edited->Kind() == FieldKind::Text &&
        !store::FieldRowLinks(*grid, edited->Row()))
        return {id};
    PageCalcFields fields(reg);
    StoreCalcHistory history;
    return values::AutoCalc(id, fields, history, env);
}

} // namespace page
