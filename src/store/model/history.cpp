#include "store/model/history.h"

#include "store/db/db.h"
#include "store/model/fieldrow.h"
#include "store/model/gridbind.h"
#include "store/core/helpers.h"
#include "store/db/progress.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "store/core/vb.h"

#include <QDataStream>
#include <QFile>
#include <QHash>
#include <QTemporaryFile>
#include <QScopeGuard>
#include <QVariant>

#include <algorithm>
#include <climits>
#include <limits>

namespace store {

namespace {

// The grid remembers the format whose prints it shows apart from its tag: the main window empties
// the tag after every print, and the rows shown must still be deleted from their own format.
const char *const kShownFormat = "historyFormat";

QString str(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// The field ID a cell of row 0 holds; 0 for anything else.
qint32 IdOfCell(const QString &cell)
{
    if (!IsNumeric(cell))
        return 0;
    return CLng(Val(cell));
}

} // namespace

std::optional<qint32> NextPrintNumber(const QString &fmt)
{
    Recordset rs;
    if (!OpenRs(rs, QStringLiteral("SELECT MAX(ID) FROM 历史 WHERE Fmt=?"), {fmt}))
        return std::nullopt;
    const QVariant v = rs.Value(0, 0);
    if (v.isNull() || !v.isValid())
        return 1;
    return qint32(v.toLongLong() + 1);
}

namespace {

bool HasContent(const QList<PrintValue> &values)
{
    return std::any_of(values.begin(), values.end(),
                       [](const PrintValue &v) { return !v.con.isEmpty(); });
}

// One row of the history: the format, the print's number, the field and its content.
struct HistoryRow
{
    QByteArray fmt;
    qint32 number = 0;
    qint32 cid = 0;
    QByteArray con;
};

// Writes the rows into the table, one prepared statement of one row stepped for each: a
// statement that can write only one row needs no statement journal, which a statement of many
// rows keeps for its own rollback. False when the database refused (reported).
bool InsertRows(const QString &table, const std::vector<HistoryRow> &rows)
{
    const QString insert =
        QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES(?, ?, ?, ?)");
    const bool ok = Db::Main().ExecRows(insert, rows.size(), [&](size_t i, RowBinder &row) {
        const HistoryRow &r = rows[i];
        row.Utf8(0, r.fmt);
        row.Int(1, r.number);
        row.Int(2, r.cid);
        row.Utf8(3, r.con);
    });
    if (!ok)
        ReportMessage(OpenErrorText(insert), MsgKind::Error);
    return ok;
}

// The rows of one print: its values with content.
void AppendPrintRows(std::vector<HistoryRow> &rows, const QByteArray &fmt, qint32 number,
                     const QList<PrintValue> &values)
{
    for (const PrintValue &v : values) {
        if (!v.con.isEmpty())
            rows.push_back({fmt, number, v.cid, v.con.toUtf8()});
    }
}

} // namespace

qint32 SaveHistoryValues(const QString &fmt, const QList<PrintValue> &values)
{
    if (!HasContent(values))
        return 0;
    Db &db = Db::Main();
    Transaction tx(db);
    if (!tx.Ok()) {
        ReportMessage(OpenErrorText(QStringLiteral("BEGIN")), MsgKind::Error);
        return 0;
    }
    // Read inside the transaction, so that two writers never take the same number.
    const std::optional<qint32> p = NextPrintNumber(fmt);
    if (!p)
        return 0; // told by the database layer
    std::vector<HistoryRow> rows;
    AppendPrintRows(rows, fmt.toUtf8(), *p, values);
    if (!InsertRows(QStringLiteral("历史(Fmt, ID, CID, Con)"), rows))
        return 0;
    if (!tx.Commit()) {
        ReportMessage(OpenErrorText(QStringLiteral("COMMIT")), MsgKind::Error);
        return 0;
    }
    HistoryEvents::Instance().Changed(fmt);
    return *p;
}

namespace {

// What the messages name when the prints put aside cannot be written or read back.
const QString kPendingName = QStringLiteral("待存历史");
// The rows read back from the file at a time before they go into the history.
constexpr size_t kRowsAtATime = 250;

} // namespace

PendingHistory::PendingHistory() = default;

PendingHistory::~PendingHistory()
{
    Drop();
}

bool PendingHistory::Add(const QString &fmt, const QList<PrintValue> &values)
{
    ++m_prints;
    if (!HasContent(values))
        return true;
    if (!m_file) {
        // A file of our own, unlinked at once: nothing of the prints is left on the disk when
        // the program is killed, and the history's database sees none of them until Save.
        auto file = std::make_unique<QTemporaryFile>();
        if (!file->open()) {
            ReportMessage(OpenErrorText(kPendingName), MsgKind::Error);
            return false;
        }
        QFile::remove(file->fileName());
        m_file = std::move(file);
        m_out.setDevice(m_file.get());
    }
    auto next = m_next.find(fmt);
    if (next == m_next.end()) {
        next = m_next.insert(fmt, 0);
        m_formats.append(fmt);
    }
    const qint32 n = ++*next;
    const quint32 format = quint32(m_formats.indexOf(fmt));
    std::vector<HistoryRow> rows;
    AppendPrintRows(rows, QByteArray(), n, values);
    for (const HistoryRow &r : rows)
        m_out << format << r.number << r.cid << r.con;
    m_rows += qsizetype(rows.size());
    if (m_out.status() != QDataStream::Ok) {
        ReportMessage(OpenErrorText(kPendingName), MsgKind::Error);
        return false;
    }
    return true;
}

bool PendingHistory::Save(const std::function<bool()> &beforeCommit)
{
    const auto done = qScopeGuard([this] { Drop(); });
    if (m_rows == 0)
        return beforeCommit ? beforeCommit() : true;
    if (!m_file->flush() || !m_file->seek(0)) {
        ReportMessage(OpenErrorText(kPendingName), MsgKind::Error);
        return false;
    }
    Db &db = Db::Main();
    Transaction tx(db);
    if (!tx.Ok()) {
        ReportMessage(OpenErrorText(QStringLiteral("BEGIN")), MsgKind::Error);
        return false;
    }
    // Read inside the transaction, so that two writers never take the same number: a format's
    // n-th print put aside becomes the n-th after its largest.
    std::vector<QByteArray> names;
    std::vector<qint32> before;
    for (const QString &fmt : std::as_const(m_formats)) {
        const std::optional<qint32> first = NextPrintNumber(fmt);
        if (!first)
            return false; // told by the database layer
        names.push_back(fmt.toUtf8());
        before.push_back(*first - 1);
    }
    QDataStream in(m_file.get());
    std::vector<HistoryRow> rows;
    rows.reserve(kRowsAtATime);
    qsizetype moved = 0;
    const QString table = QStringLiteral("历史(Fmt, ID, CID, Con)");
    while (moved < m_rows) {
        quint32 format = 0;
        qint32 n = 0, cid = 0;
        QByteArray con;
        in >> format >> n >> cid >> con;
        // A file that does not give back what was written would be prints missing or wrong.
        if (in.status() != QDataStream::Ok || format >= names.size()) {
            ReportMessage(OpenErrorText(kPendingName), MsgKind::Error);
            return false;
        }
        rows.push_back({names[format], before[format] + n, cid, std::move(con)});
        if (++moved == m_rows || rows.size() == kRowsAtATime) {
            if (!InsertRows(table, rows))
                return false;
            rows.clear();
        }
    }
    if (beforeCommit && !beforeCommit())
        return false;
    if (!tx.Commit()) {
        ReportMessage(OpenErrorText(QStringLiteral("COMMIT")), MsgKind::Error);
        return false;
    }
    for (const QString &fmt : std::as_const(m_formats))
        HistoryEvents::Instance().Changed(fmt);
    return true;
}

void PendingHistory::Drop()
{
    m_out.setDevice(nullptr);
    m_file.reset();
    m_formats.clear();
    m_next.clear();
    m_rows = 0;
    m_prints = 0;
}

QList<PrintValue> PagePrintValues(const PageFields &fields)
{
    QList<PrintValue> out;
    for (int kind = 0; kind <= 2; ++kind) {
        const int n = fields.CtlCount(kind);
        for (int i = kind * 1000 + 1; i <= kind * 1000 + n; ++i) {
            const QString v = fields.CtlValue(i);
            if (v.isEmpty() || (kind == 1 && v == u"0"))
                continue;
            const std::optional<qint32> id = fields.CtlID(i);
            if (!id)
                continue;
            out.push_back({*id, v});
        }
    }
    return out;
}

qint32 SaveHistory(AppContext &ctx, const QString &name)
{
    const QString fmt = name.isEmpty() ? ctx.FormatName() : name;
    if (fmt.isEmpty() || !ctx.Fields())
        return 0;
    return SaveHistoryValues(fmt, PagePrintValues(*ctx.Fields()));
}

bool HistoryGridKey(const FlexGridModel &grid, QString &fmt, int &limit)
{
    QString tag = grid.Tag();
    if (tag.isEmpty() || !tag.contains(u'|'))
        return false;
    const QString tail = CutStr(tag, QStringLiteral("|"), false);
    if (!IsNumeric(tail))
        return false;
    fmt = tag;
    limit = CLng(Val(tail));
    return true;
}

void ClearHistoryCache(FlexGridModel &grid)
{
    grid.SetTag(QString());
}

HistoryEvents &HistoryEvents::Instance()
{
    static HistoryEvents events;
    return events;
}

void InitHistoryGrid(FlexGridModel &grid, const QString &fmt)
{
    grid.SetFixedRows(0);
    grid.SetRows(0);
    grid.SetFixedCols(0);
    grid.SetCols(0);
    grid.SetRows(2);
    grid.SetFixedRows(2);
    grid.SetCols(2);
    grid.SetFixedCols(2);
    Recordset rs;
    if (OpenRs(rs,
               QStringLiteral("SELECT ID, LBL, Clas FROM Fmt WHERE Fmt=? AND COALESCE(LBL,'')<>? "
                              "ORDER BY ID"),
               {fmt, QString::fromUtf8(kFmtParaMarker)})) {
        QList<const QVariantList *> fields;
        for (const auto &row : rs.Rows()) {
            const std::optional<qint32> kind = FieldKindOfCell(row.at(2).toString());
            if (kind && *kind <= 2)
                fields << &row;
        }
        grid.SetCols(2 + int(fields.size()));
        int c = 2;
        for (const QVariantList *f : fields) {
            const QVariantList &row = *f;
            grid.SetTextMatrix(0, c, row.at(0).toString());
            grid.SetTextMatrix(1, c, row.at(1).toString());
            ++c;
        }
    }
    grid.SetTextMatrix(1, 1, str(kRowNumberCaption));
}

std::optional<bool> LoadHistoryToGrid(FlexGridModel &grid, const QString &fmt, int limit)
{
    limit = std::max(0, limit);
    QString shownFmt;
    int shownLimit = 0;
    if (HistoryGridKey(grid, shownFmt, shownLimit) && shownFmt == fmt && shownLimit == limit)
        return std::nullopt;

    const bool redraw = grid.Redraw();
    grid.SetRedraw(false);
    grid.SetTag(fmt + u'|' + QString::number(limit));
    grid.setProperty(kShownFormat, fmt);
    InitHistoryGrid(grid, fmt);

    // The newest prints first: the limit counts prints, so the oldest print shown is complete.
    // The rows go from the query straight into the grid, one print per row: a whole history is
    // never held twice.
    Db &db = Db::Main();
    bool more = false;
    bool ok = true;
    qint64 oldest = 0;
    qint64 expected = 0; // prints to be shown, or a bound on them, for the progress window
    if (limit > 0) {
        int n = 0;
        ok = db.ForEachRow(QStringLiteral("SELECT DISTINCT ID FROM 历史 WHERE Fmt=? ORDER BY ID "
                                          "DESC LIMIT ?"),
                           {fmt, limit + 1}, [&](const RowReader &row) {
                               if (n < limit)
                                   oldest = row.Int(0);
                               ++n;
                               return true;
                           });
        more = n > limit;
        expected = std::min(n, limit);
    } else {
        ok = db.ForEachRow(QStringLiteral("SELECT (SELECT MIN(ID) FROM 历史 WHERE Fmt=?), "
                                          "(SELECT MAX(ID) FROM 历史 WHERE Fmt=?)"),
                           {fmt, fmt}, [&](const RowReader &row) {
                               if (!row.IsNull(0) && !row.IsNull(1))
                                   expected = row.Int(1) - row.Int(0) + 1;
                               return false;
                           });
    }

    if (ok && expected > 0) {
        QHash<qint32, int> colOf;
        for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
            const qint32 id = IdOfCell(grid.TextMatrix(0, c));
            if (id != 0 && !colOf.contains(id))
                colOf.insert(id, c);
        }
        const bool progress = expected > kHistoryTabLimit;
        if (progress)
            CurrentProgress().Start(str(kHistoryLoadCaption),
                                    qint32(std::min<qint64>(expected, INT_MAX)));
        const int first = grid.FixedRows();
        int r = first - 1;
        qint64 last = std::numeric_limits<qint64>::min();
        const auto fill = [&](const RowReader &row) {
            const qint64 id = row.Int(0);
            if (id != last) {
                last = id;
                ++r;
                if (r >= grid.Rows()) {
                    // Room for the prints still expected, in steps that stay modest when the
                    // numbers have gaps.
                    const qint64 left = expected - (r - first);
                    grid.SetRows(r + int(std::clamp<qint64>(left, 256, 65536)));
                }
                grid.SetTextMatrix(r, 0, QString::number(id));
                grid.SetTextMatrix(r, 1, QString::number(r - first + 1));
                if (progress)
                    CurrentProgress().Step(1, StepShows::CountAndTimes);
            }
            const auto it = colOf.constFind(qint32(row.Int(1)));
            if (it != colOf.constEnd())
                grid.SetTextMatrix(r, *it, row.Text(2));
            return true;
        };
        if (limit > 0) {
            db.ForEachRow(QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE Fmt=? AND ID>=? "
                                         "ORDER BY ID DESC"),
                          {fmt, oldest}, fill);
        } else {
            db.ForEachRow(QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE Fmt=? ORDER BY ID "
                                         "DESC"),
                          {fmt}, fill);
        }
        grid.SetRows(r + 1);
        if (progress)
            CurrentProgress().End();
    }

    AutoColWidth(grid, 0, true);
    grid.SetColWidth(0, 0);
    grid.SetRowHeight(0, 0);
    grid.SetRedraw(redraw);
    return more;
}

int FillFromHistory(FlexGridModel &grid, PageFields &fields, const ReprintHooks &hooks)
{
    if (grid.Rows() <= grid.FixedRows())
        return 0;
    if (hooks.showPrintTab)
        hooks.showPrintTab();
    int first = grid.Row();
    int last = grid.RowSel();
    if (!ClampDataRows(grid, first, last))
        return 0;
    const bool several = first < last;
    if (several) {
        if (!hooks.choosePrinter || hooks.choosePrinter().isEmpty())
            return 0;
    }

    QHash<qint32, int> colOf;
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
        const qint32 id = IdOfCell(grid.TextMatrix(0, c));
        if (id != 0 && !colOf.contains(id))
            colOf.insert(id, c);
    }
    CurrentProgress().Start(str(kReprintCaption), last - first + 1);
    int filled = 0;
    for (int r = first; r <= last; ++r) {
        for (int kind = 0; kind <= 2; ++kind) {
            const int n = fields.CtlCount(kind);
            for (int i = kind * 1000 + 1; i <= kind * 1000 + n; ++i) {
                const std::optional<qint32> id = fields.CtlID(i);
                if (!id)
                    continue;
                const auto it = colOf.constFind(*id);
                if (it == colOf.constEnd())
                    continue;
                // Stored values hold their real line breaks: no symbol substitution.
                fields.SetValueByID(*id, grid.TextMatrix(r, *it), false);
            }
        }
        ++filled;
        if (several) {
            const bool printed = hooks.printPage && hooks.printPage();
            if (printed && hooks.endDoc)
                hooks.endDoc();
            if (!printed)
                break;
        }
        CurrentProgress().Step(1, StepShows::CountAndTimes);
    }
    CurrentProgress().End();
    return filled;
}

bool DeleteHistoryRows(FlexGridModel &grid)
{
    int first = grid.Row();
    int last = grid.RowSel();
    if (!ClampDataRows(grid, first, last))
        return false;
    const QString q = QStringLiteral("您确定要删除第%1至第%2行？")
                          .arg(first - grid.FixedRows() + 1)
                          .arg(last - grid.FixedRows() + 1);
    if (!AskQuestion(q))
        return false;
    const QString fmt = grid.property(kShownFormat).toString();
    Db &db = Db::Main();
    {
        Transaction tx(db);
        bool ok = tx.Ok();
        for (int r = first; ok && r <= last; ++r) {
            const QString cell = grid.TextMatrix(r, 0);
            if (!IsNumeric(cell))
                continue;
            ok = db.ExecSQL(QStringLiteral("DELETE FROM 历史 WHERE Fmt=? AND ID=?"),
                            {fmt, CLng(Val(cell))});
        }
        if (!ok || !tx.Commit()) {
            ReportMessage(QStringLiteral("删除历史记录失败！"), MsgKind::Error);
            return false;
        }
    }
    DeleteGridRows(grid, first, last, false);
    HistoryEvents::Instance().Changed(fmt);
    return true;
}

bool DeleteAllHistory(FlexGridModel &grid)
{
    if (grid.Rows() <= grid.FixedRows())
        return false;
    grid.SetRow(grid.FixedRows());
    grid.SetRowSel(grid.Rows() - 1);
    return DeleteHistoryRows(grid);
}

QStringList HistoryCompletions(const QString &fmt, qint32 cid, const QString &prefix, int max)
{
    // A binary range over the prefix lets the index (Fmt, CID, Con) find the candidates; the
    // prefix itself is compared exactly, so no character typed acts as a wildcard. substr counts
    // characters, as SQLite stores them.
    static const char32_t top = 0x10FFFF;
    const QString upper = prefix + QString::fromUcs4(&top, 1);
    Recordset rs;
    QStringList out;
    if (!OpenRs(rs,
                QStringLiteral("SELECT Con FROM 历史 WHERE Fmt=? AND CID=? AND Con>=? AND Con<? "
                               "AND substr(Con,1,?)=? GROUP BY Con LIMIT ?"),
                {fmt, cid, prefix, upper, int(prefix.toUcs4().size()), prefix, std::max(1, max)}))
        return out;
    for (const auto &row : rs.Rows())
        out << row.at(0).toString();
    return out;
}

LabelGroup LabelGroupOf(const QString &label)
{
    LabelGroup g;
    QString base = label;
    const QString tail = CutStr(base, QStringLiteral("_"), false);
    if (!label.contains(u'_'))
        return {label, 0};
    const double n = RoundEven(Val(tail));
    g.base = base;
    g.member = n >= 1 && n <= 2147483647.0 ? int(n) : 0;
    return g;
}

qint32 FindHistoryByCon(const QString &fmt, qint32 id, const QString &content, int &member)
{
    if (content.isEmpty())
        return 0;
    Db &db = Db::Main();
    Recordset rs;
    if (!db.OpenRs(rs, QStringLiteral("SELECT LBL FROM Fmt WHERE ID=?"), {id}, true))
        return 0;
    const LabelGroup g = LabelGroupOf(rs.Text(QStringLiteral("LBL")));
    member = g.member;
    if (g.member < 1) {
        if (!db.OpenRs(rs,
                       QStringLiteral("SELECT ID FROM 历史 WHERE Fmt=? AND CID=? AND Con=? "
                                      "ORDER BY ID DESC LIMIT 1"),
                       {fmt, id, content}, true) ||
            rs.RecordCount() == 0)
            return 0;
        return qint32(rs.Value(0, 0).toLongLong());
    }
    // Any member of the group: labels "<base>_" followed by anything, "_" taken literally. Ties
    // (one print holding the content in two members) go to the first label.
    if (!db.OpenRs(rs,
                   QStringLiteral("SELECT 历史.ID, Fmt.LBL FROM 历史 JOIN Fmt ON 历史.CID=Fmt.ID "
                                  "WHERE Fmt.Fmt=? AND Fmt.LBL GLOB ? AND 历史.Fmt=? AND "
                                  "历史.Con=? ORDER BY 历史.ID DESC, Fmt.LBL LIMIT 1"),
                   {fmt, GlobLiteral(g.base) + QStringLiteral("_*"), fmt, content}, true) ||
        rs.RecordCount() == 0)
        return 0;
    member = LabelGroupOf(rs.Value(0, 1).toString()).member;
    return qint32(rs.Value(0, 0).toLongLong());
}

std::vector<HistoryEntry> LoadHistoryPrint(const QString &fmt, qint32 print)
{
    std::vector<HistoryEntry> out;
    Recordset rs;
    if (!Db::Main().OpenRs(rs,
                           QStringLiteral("SELECT 历史.CID, 历史.Con, Fmt.LBL FROM 历史 JOIN Fmt "
                                          "ON 历史.CID=Fmt.ID WHERE 历史.ID=? AND 历史.Fmt=? "
                                          "ORDER BY 历史.rowid"),
                           {print, fmt}, true))
        return out;
    for (const auto &row : rs.Rows())
        out.push_back({qint32(row.at(0).toLongLong()), row.at(1).toString(), row.at(2).toString()});
    return out;
}

} // namespace store
