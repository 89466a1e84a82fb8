#pragma once
// A format for the statistics and its print history: a full date, a year, month and day trio, a
// capital amount, a group 金额_1/金额_2 beside a label 金额大写, a payee; five prints over four
// months (February empty).

#include "store/db/db.h"
#include "store/model/history.h"

#include <QMap>
#include <QString>

#include <utility>
#include <vector>

namespace statsample {

inline const QString kFormat = QStringLiteral("统计样本");

// A format of text fields (label, content kind) laid out one below the other, with the page row
// of the sample cheque; the fields' IDs by label.
inline QMap<QString, qint32> MakeFormat(const QString &name,
                                        const std::vector<std::pair<QString, double>> &fields)
{
    QMap<QString, qint32> ids;
    store::ExecSQL(QStringLiteral(
        "INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, fSize, Clas, Cash, RCtl, "
        "Mem, SumID, SumID1, RCtl1) SELECT ?, LBL, Dir, X, Y, W, H, S, L, Color, fName, fSize, "
        "Clas, Cash, RCtl, Mem, SumID, SumID1, RCtl1 FROM Fmt WHERE Fmt='转账支票' AND "
        "LBL='【§单据整体格式参数§】'"),
                   {name});
    int y = 5;
    for (const auto &[label, cash] : fields) {
        store::ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, fName, fSize, "
                                      "Clas, Cash) VALUES(?, ?, 1, 40, ?, 60, 6, '宋体', 10.5, 0, ?)"),
                       {name, label, y, cash});
        ids.insert(label, qint32(store::LastInsertId()));
        y += 7;
    }
    return ids;
}

// The sample format of the statistics tests.
inline QMap<QString, qint32> MakeFormat()
{
    return MakeFormat(kFormat, {{"出票日期", 110}, {"年", 100}, {"月", 101}, {"日", 102},
                                {"大写金额", 103}, {"金额_1", 0}, {"金额_2", 0},
                                {"金额大写", 103}, {"收款人", 0}});
}

inline void Print(const QMap<QString, qint32> &ids, const QMap<QString, QString> &values)
{
    QList<store::PrintValue> out;
    for (auto it = values.begin(); it != values.end(); ++it)
        out.append({ids.value(it.key()), it.value()});
    store::SaveHistoryValues(kFormat, out);
}

inline void MakeHistory(const QMap<QString, qint32> &ids)
{
    Print(ids, {{"出票日期", "2024年01月05日"}, {"年", "24"}, {"月", "01"}, {"日", "05"},
                {"大写金额", "壹仟元整"}, {"金额_1", "￥1,234.50"}, {"金额_2", "100"},
                {"金额大写", "伍拾元整"}, {"收款人", "O'Brien"}});
    Print(ids, {{"出票日期", "2024-01-31 10:00"}, {"年", "2024"}, {"月", "1"}, {"日", "31"},
                {"大写金额", "贰佰元整"}, {"金额_1", "10"}, {"收款人", "张三"}});
    Print(ids, {{"出票日期", "2024-03-31"}, {"年", "贰零贰肆"}, {"月", "3"}, {"日", "31"},
                {"大写金额", "叁拾元整"}, {"金额_1", "5"}, {"收款人", "O'Brien"}});
    Print(ids, {{"出票日期", "2024-04-15"}, {"年", "24"}, {"月", "4"}, {"日", "15"},
                {"大写金额", "壹元整"}, {"收款人", "李四"}});
    Print(ids, {{"出票日期", "2024-04-16"}, {"年", "24"}, {"月", "4"}, {"日", "16"},
                {"大写金额", "玖元整"}, {"收款人", "李四"}});
}

} // namespace statsample
