#pragma once
// Field calculation after an edit: fields of the same content receive the value in their own
// kind, related fields are filled from the newest print in which the edited field held the same
// content, and target fields are recomputed as sums or products of the fields that feed them.
// Every field changed this way is processed in turn, through a work list.
//
// Links on a field row: RCtl and RCtl1 +ID = same content as field ID, -ID = related to it.
// Targets SumID and SumID1: +T add into field T, +(T + 0.1) subtract, -T multiply,
// -(T + 0.1) multiply the negated value.
//
// The calculation reads and writes the fields through CalcFields and the print history through
// CalcHistory, so it runs without widgets or a database.

#include "values/contentkind.h"
#include "values/valueenv.h"

#include <QString>

#include <optional>
#include <vector>

namespace values {

// A text field's row as the calculation reads it.
struct CalcFieldRow
{
    qint32 id = 0;
    double code = 0; // content kind
    double rctl = 0; // link columns RCtl and RCtl1
    double rctl1 = 0;
    double sumId = 0; // target columns SumID and SumID1
    double sumId1 = 0;
    QString caption; // the prompt text as the page shows it
};

class CalcFields
{
public:
    virtual ~CalcFields() = default;
    // The text fields of the open format, in the order of the field grid.
    virtual std::vector<CalcFieldRow> TextFieldRows() const = 0;
    virtual QString Text(qint32 id) const = 0;
    // Sets the text; border (when given) is the border the conversion chose.
    virtual void SetText(qint32 id, const QString &text, std::optional<int> border) = 0;
    // The open format's name.
    virtual QString FormatName() const = 0;
};

// One stored value of a print, with the saved label of its field.
struct CalcHistoryValue
{
    qint32 cid = 0;
    QString con;
    QString lbl;
};

class CalcHistory
{
public:
    virtual ~CalcHistory() = default;
    // The newest print of the format in which the field (or any member of its label group) held
    // exactly this content, 0 when none; member receives the group member that matched (0 for a
    // field outside a group).
    virtual qint32 FindHistoryByCon(const QString &fmt, qint32 id, const QString &content,
                                    int &member) = 0;
    virtual std::vector<CalcHistoryValue> LoadPrint(const QString &fmt, qint32 print) = 0;
};

// One record of the calculation table.
struct CalcRec
{
    qint32 id = 0;
    qint32 same = 0;    // same-content link (> 0) or 0
    qint32 related = 0; // related link (< 0) or 0
    double target1 = 0;
    double target2 = 0;
    double code = 0;
    QString caption;
};

// The records of the text fields: same link from RCtl when > 0, then RCtl1 when > 0 (RCtl1
// wins); related link likewise for < 0.
std::vector<CalcRec> LoadCalcTable(const std::vector<CalcFieldRow> &rows);

// The number a field's text stands for: capital amounts and capital digits read back to
// figures, any other text as it is.
QString GetCtlNumValue(const QString &text, double code);

// A sum or product of the fields that feed one target, written as the program writes numbers:
// exact decimals, at most 10 decimal places and 15 significant digits, never an exponent.
// nullopt when a factor of a product is empty (the target is emptied).
struct TargetContribution
{
    double code = 0; // the feeding field's code for this target (+T, T + 0.1, -T, -(T + 0.1))
    QString value;   // the feeding field's number text
};
std::optional<QString> ComputeTarget(bool product, const std::vector<TargetContribution> &parts);

// Runs the calculation after field id was edited (its own conversion already done). Bounded:
// at most 101 passes over the work list and 501 steps per walk, so cyclic links end. Returns
// the work list: the edited field and every field the run changed, in order.
std::vector<qint32> AutoCalc(qint32 id, CalcFields &fields, CalcHistory &history,
                             const ValueEnv &env);

} // namespace values
