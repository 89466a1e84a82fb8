#include "page/calcadapter.h"

#include "store/model/fieldrow.h"
#include "store/model/history.h"
#include "store/db/params.h"
#include "store/core/vb.h"
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

void LeaveField(FieldRegistry &reg, int index, const values::ValueEnv &env)
{
    FieldRecord record = reg.Record();
    StoreCalcHistory history;
    LeaveTextField(reg.Layout(), record, index, FillEnv{env, &history, reg.Context().FormatName()});
    reg.PutRecord(record);
}

} // namespace page
