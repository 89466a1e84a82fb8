#pragma once
// The statistics of the printed slips of a format: per calendar month the number of slips or the
// sum of an amount field, over a date range read from the slips' own date fields, for all slips
// or only those whose chosen field held a chosen value. The window's lists of fields and values,
// the jobs of the range, the run into the result grid and the work table TEMP_Ana.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace store {
class FlexGridModel;
}

namespace batch {

// The choices of the statistics window for one run.
struct StatChoice
{
    QDate from, to;                          // DTP(0), DTP(1)
    bool fullDate = true;                    // Op(4) "完整日期"; else Op(5) "组合日期"
    QString dateField;                       // Com(3)
    QString yearField, monthField, dayField; // Com(4), Com(5), Com(6)
    bool count = false;                      // Op(0) "单据数量"; else Op(1) "开具金额"
    bool condition = false;                  // Op(3) "条件统计"; else Op(2) "综合统计"
    QString amountField;                     // Com(0)
    QString condField, condValue;            // Com(1), Com(2)
};

// A print job of the run: its print number (negative while the condition leaves it out) and date.
struct StatJob
{
    qint32 id = 0;
    QDate date;
};
using IDArray = std::vector<StatJob>;

// The list entry of a field label: a member of a label group (a "_" whose following text begins
// with a number above 0) shows as the text before its last "_" and "_XX"; any other label as
// it is. "金额_1" -> "金额_XX", "a_b_3" -> "a_b_3", "x_2_y" -> "x_2_XX".
QString StatEntryOf(const QString &label);
// With "_XX" in a, the parts before the last "_" of both are compared, else the whole texts.
bool CompareLBL(const QString &a, const QString &b);
// The IDs of the format's fields that an entry names: the label itself, or every member of the
// group.
QList<qint32> EntryFieldIDs(const QString &fmt, const QString &entry);

// The entries of a field list of the window (list kind 0: every field; 1: amounts; 2: full
// dates; 3: years; 4: months; 5: days), each once in the order of its first field; preselect
// receives the first admitted entry whose field has a content kind above 0 (never for kind 0).
QStringList CashNameEntries(const QString &fmt, int listKind, QString *preselect = nullptr);
// The distinct contents of the entry's field or group in the format's history, in list order.
QStringList ValueEntries(const QString &fmt, const QString &entry);

// The jobs of the format whose date lies in the range (either order; the end day included).
void GetIDArrayByDate(const QString &fmt, QDate from, QDate to, const StatChoice &choice,
                      IDArray &ids);
// In condition mode, leaves out (negates) the jobs without a history row of the condition field
// holding the value exactly.
void CutIDArrayByCondi(const QString &fmt, const StatChoice &choice, IDArray &ids);

// The run into the grid: the checks (false after the message), TEMP_Ana written anew, one grid
// row per month from the first job's month to the last's, the title in the grid's tag (left
// empty without a job).
bool Analyse(const QString &fmt, store::FlexGridModel &grid, const StatChoice &choice,
             IDArray &ids);

} // namespace batch
