#pragma once
// The print history: table 历史 (Fmt, ID = print number of the format, CID = field ID, Con =
// value) and the history grid of the main window.
//
// The history grid: row 0 (height 0) holds the field IDs, row 1 the captions with "序号" in
// column 1; 2 fixed rows and 2 fixed columns; column 0 (width 0) the print number, column 1
// the row number; one column per text, check and picture field of the format in ascending ID;
// one row per print, newest first. Its tag "<format>|<limit>" names what it shows.

#include "store/model/context.h"
#include "store/model/gridmodel.h"

#include <QDataStream>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTemporaryFile;

namespace store {

// What the history tab loads when it is shown, in prints.
inline constexpr int kHistoryTabLimit = 300;
inline constexpr const char16_t *kHistoryLoadCaption = u"正在加载历史记录……";
inline constexpr const char16_t *kReprintCaption = u"正在打印...";

// One value of a print.
struct PrintValue
{
    qint32 cid = 0;
    QString con;
    bool operator==(const PrintValue &) const = default;
};

// The number the next print of the format gets: one more than its largest, 1 for the first.
// nullopt when the history cannot be read (the database layer has told the user).
std::optional<qint32> NextPrintNumber(const QString &fmt);

// Stores the values as one new print of the format, all rows or none. Values without content
// are skipped; a print without any value writes nothing, so the next one takes the same number.
// Returns the print number written, 0 when nothing was written; on a failure the user is told
// and 0 is returned.
qint32 SaveHistoryValues(const QString &fmt, const QList<PrintValue> &values);

// The prints of one printer document while it is printed: each is put aside in a temporary file
// (unlinked, so that nothing is left of it when the program is killed) as its page is drawn, so
// that a batch of any length takes no more memory than one print, and the history stays as it
// was (lookups during the batch see no print of it) until Save moves them all into it in one
// transaction, each a new print of its format in order (prints without any value take no
// number). Whatever is not saved is dropped with the object.
class PendingHistory
{
public:
    PendingHistory();
    ~PendingHistory();
    PendingHistory(const PendingHistory &) = delete;
    PendingHistory &operator=(const PendingHistory &) = delete;

    // Puts one print aside (a print without any value takes no number and writes nothing).
    // False on a database failure, told to the user.
    bool Add(const QString &fmt, const QList<PrintValue> &values);
    // Prints put aside since the last Save or Drop, with and without values.
    qsizetype Count() const { return m_prints; }
    // Stores the prints put aside in one transaction; each format's largest number is read once.
    // beforeCommit, when given, runs last inside the transaction: a false answer rolls every row
    // back (the caller tells the user why). A database failure is told once, whatever the number
    // of prints. False when nothing was stored. The prints are gone afterwards, saved or not.
    bool Save(const std::function<bool()> &beforeCommit = {});
    void Drop();

private:
    std::unique_ptr<QTemporaryFile> m_file; // the rows: format, n, field, content
    QDataStream m_out;
    QList<QString> m_formats;      // in the order of their first print
    QHash<QString, qint32> m_next; // prints with values so far, by format
    qsizetype m_rows = 0;
    qsizetype m_prints = 0;
};

// The values of the page's fields as one print: every text box with text (as shown, line breaks
// included), every check box that is not clear (its state "1" or "2"), every picture field with
// a link; text boxes, check boxes, pictures, each by index.
QList<PrintValue> PagePrintValues(const PageFields &fields);

// Records the current values of the page as a new print of the format (empty name: the open
// one). Returns the print number, 0 when nothing was written.
qint32 SaveHistory(AppContext &ctx, const QString &name = QString());

// The format and the limit the history grid shows, from its tag; false when it shows nothing.
bool HistoryGridKey(const FlexGridModel &grid, QString &fmt, int &limit);
// Forgets what the history grid shows, so that it loads again the next time (after a print, or
// after the format's fields changed).
void ClearHistoryCache(FlexGridModel &grid);

// Tells the views of the history that a format's history changed: prints written or deleted,
// or the format's fields saved (the history's columns are its fields). The one place a view
// learns it; nobody clears a view's rows by hand.
class HistoryEvents : public QObject
{
    Q_OBJECT
public:
    static HistoryEvents &Instance();
    void Changed(const QString &format) { emit historyChanged(format); }

signals:
    void historyChanged(const QString &format);
};

// Sets the history grid up for the format: header rows, the two fixed columns and one column
// per text, check and picture field, in ascending ID; no data row.
void InitHistoryGrid(FlexGridModel &grid, const QString &fmt);

// Shows the newest `limit` prints of the format (0: all), newest first, every print with all its
// values. Returns nullopt when the grid already showed exactly this (nothing is read); else
// whether the format has more prints than are shown (the "显示全部" button is enabled then).
// More than kHistoryTabLimit prints show the progress window while loading.
std::optional<bool> LoadHistoryToGrid(FlexGridModel &grid, const QString &fmt, int limit);

// What reprinting several prints needs of the main window and the print run.
struct ReprintHooks
{
    std::function<void()> showPrintTab;     // the slip-printing tab to the front
    std::function<QString()> choosePrinter; // "" cancels
    std::function<bool()> printPage;        // the page as filled, no printer question, no history
    std::function<bool()> endDoc;           // ends the printer document of that page
};

// Puts the selected print back into the page's fields (a field without a column keeps its
// value; an empty cell empties the field). With several prints selected, asks once for the
// printer and prints each of them as a document of its own; cancelling the question changes
// nothing. Returns the number of prints filled.
int FillFromHistory(FlexGridModel &grid, PageFields &fields, const ReprintHooks &hooks);

// Asks "您确定要删除第a至第b行？" for the selected rows, then deletes those prints of the format
// the grid shows, in one transaction, and removes the rows from the grid. False when nothing was
// deleted (no rows, the answer no, or a database failure, which is reported).
bool DeleteHistoryRows(FlexGridModel &grid);
// Selects every data row, then DeleteHistoryRows.
bool DeleteAllHistory(FlexGridModel &grid);

// --- look-ups for typing and field calculation

// Type-ahead: the distinct stored contents of the field in the format that begin with prefix,
// compared exactly (case and every character as typed, "%" and "_" included), at most max of
// them, in binary order. A failed query is reported and gives an empty list.
QStringList HistoryCompletions(const QString &fmt, qint32 cid, const QString &prefix, int max = 2);

// The label group of a field label: the text before its last "_" and the member number after
// it (rounded, halves to even); member 0 for a label without "_" or with a number below 1.
struct LabelGroup
{
    QString base;
    int member = 0;
};
LabelGroup LabelGroupOf(const QString &label);

// The newest print of the format in which the field held exactly this content. For a member of
// a label group (saved label "<base>_<n>", n >= 1) any member of the group counts, and member
// receives the number of the one that matched. 0 when there is none or the content is empty.
qint32 FindHistoryByCon(const QString &fmt, qint32 id, const QString &content, int &member);

// The values of one print with the saved labels of their fields.
struct HistoryEntry
{
    qint32 cid = 0;
    QString con;
    QString lbl;
};
std::vector<HistoryEntry> LoadHistoryPrint(const QString &fmt, qint32 print);

} // namespace store
