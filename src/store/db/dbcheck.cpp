#include "store/db/dbcheck.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace store {

void RunTogether(const std::vector<std::function<void()>> &jobs, const std::function<void()> &tick)
{
    std::vector<std::future<void>> running;
    running.reserve(jobs.size());
    for (const auto &job : jobs)
        running.push_back(std::async(std::launch::async, job));
    for (auto &r : running) {
        while (r.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready) {
            if (tick)
                tick();
        }
        r.get();
    }
}

void RunOnCores(const std::vector<std::function<void()>> &jobs, const std::function<void()> &tick)
{
    // More threads than cores would only take turns, and the long first jobs would end late; a
    // quarter of the cores is left to the rest of the machine (measured faster than all of them).
    const unsigned cores = std::thread::hardware_concurrency();
    const std::size_t workers = std::min<std::size_t>(jobs.size(), std::max(2U, cores - cores / 4));
    std::atomic<std::size_t> next{0};
    std::vector<std::function<void()>> pulling(workers, [&] {
        for (std::size_t k; (k = next.fetch_add(1)) < jobs.size();)
            jobs[k]();
    });
    RunTogether(pulling, tick);
}

namespace {

// A connection of one worker, read-only, closed with it. It reads the file page by page: a
// memory map of it costs more in faults than it saves in copies, each worker touching its own
// share of the pages once.
class Conn
{
public:
    explicit Conn(const QString &path)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        m_ok = rc == SQLITE_OK;
        if (m_ok)
            sqlite3_busy_timeout(m_db, 2000);
    }
    ~Conn() { sqlite3_close_v2(m_db); }
    Conn(const Conn &) = delete;
    Conn &operator=(const Conn &) = delete;

    sqlite3 *Handle() const { return m_ok ? m_db : nullptr; }
    QString Error() const
    {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
    }
    QString Code() const { return QString::number(m_db ? sqlite3_extended_errcode(m_db) : -1); }

private:
    sqlite3 *m_db = nullptr;
    bool m_ok = false;
};

class Stmt
{
public:
    Stmt(const Conn &conn, const QByteArray &sql)
    {
        if (conn.Handle())
            sqlite3_prepare_v2(conn.Handle(), sql.constData(), int(sql.size()), &m_stmt, nullptr);
    }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;

    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt *get() const { return m_stmt; }
    // SQLITE_ROW, SQLITE_DONE or the error.
    int Step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    QByteArray Text(int col) const
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
        return QByteArray(t ? t : "", sqlite3_column_bytes(m_stmt, col));
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

QByteArray Quote(const QByteArray &name)
{
    QByteArray q = name;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

QByteArray QuoteText(const QByteArray &text)
{
    QByteArray q = text;
    q.replace('\'', "''");
    return '\'' + q + '\'';
}

// One entry (an index's key columns and the rowid) hashed over the exact type and bytes of each
// value, in two independent 64-bit lanes. Each word goes through an invertible multiply-and-shift
// step per lane (so two entries that differ in one word never meet), and the lanes are
// finished by a full avalanche mix before they are summed.
constexpr std::uint64_t Mix(std::uint64_t k)
{
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

struct EntryHash
{
    std::uint64_t a = 0x243f6a8885a308d3ULL;
    std::uint64_t b = 0x13198a2e03707344ULL;

    void Word(std::uint64_t w)
    {
        a = (a ^ w) * 0x9e3779b97f4a7c15ULL;
        a ^= a >> 32;
        b = (b + w) * 0xd6e8feb86659fd93ULL;
        b ^= b >> 29;
    }
    std::uint64_t A() const { return Mix(a); }
    std::uint64_t B() const { return Mix(b ^ 0x5851f42d4c957f2dULL); }
    void Bytes(const void *data, std::size_t n)
    {
        const auto *c = static_cast<const unsigned char *>(data);
        for (; n >= 8; c += 8, n -= 8) {
            std::uint64_t w;
            std::memcpy(&w, c, 8);
            Word(w);
        }
        if (n > 0) {
            std::uint64_t w = 0;
            std::memcpy(&w, c, n);
            Word(w);
        }
    }
    void Value(sqlite3_value *v)
    {
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            Word(1ULL << 60);
            Word(std::uint64_t(sqlite3_value_int64(v)));
            break;
        case SQLITE_FLOAT: {
            const double d = sqlite3_value_double(v);
            std::uint64_t w;
            std::memcpy(&w, &d, 8);
            Word(2ULL << 60);
            Word(w);
            break;
        }
        case SQLITE_TEXT: {
            const unsigned char *t = sqlite3_value_text(v);
            const int n = sqlite3_value_bytes(v);
            Word((3ULL << 60) | std::uint64_t(n));
            Bytes(t, std::size_t(n));
            break;
        }
        case SQLITE_BLOB: {
            const void *p = sqlite3_value_blob(v);
            const int n = sqlite3_value_bytes(v);
            Word((4ULL << 60) | std::uint64_t(n));
            Bytes(p, std::size_t(n));
            break;
        }
        default:
            Word(5ULL << 60);
        }
    }
};

// The entries of one side, in any order: their number and the sums of both lanes.
struct Tally
{
    std::uint64_t count = 0;
    std::uint64_t a = 0;
    std::uint64_t b = 0;

    void Add(const EntryHash &h)
    {
        ++count;
        a += h.A();
        b += h.B();
    }
    void Add(const Tally &t)
    {
        count += t.count;
        a += t.a;
        b += t.b;
    }
    bool operator==(const Tally &) const = default;
};

// One value of the previous index entry, to compare the next one with in SQLite's own order
// (NULL, numbers, text, blobs; text and blobs byte by byte, as the BINARY collation).
struct Cell
{
    int type = SQLITE_NULL;
    sqlite3_int64 i = 0;
    double d = 0;
    std::string s;

    static int Class(int type)
    {
        switch (type) {
        case SQLITE_NULL:
            return 0;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return 1;
        case SQLITE_TEXT:
            return 2;
        default:
            return 3;
        }
    }

    // The sign of (v - this).
    int Compare(sqlite3_value *v) const
    {
        const int t = sqlite3_value_type(v);
        const int c = Class(t);
        if (c == 1) {
            return t == SQLITE_INTEGER ? Compare(t, sqlite3_value_int64(v), 0, nullptr, 0)
                                       : Compare(t, 0, sqlite3_value_double(v), nullptr, 0);
        }
        if (c == 2 || c == 3) {
            const void *p =
                c == 2 ? static_cast<const void *>(sqlite3_value_text(v)) : sqlite3_value_blob(v);
            return Compare(t, 0, 0, p, std::size_t(sqlite3_value_bytes(v)));
        }
        return Compare(t, 0, 0, nullptr, 0);
    }
    int Compare(const Cell &v) const { return Compare(v.type, v.i, v.d, v.s.data(), v.s.size()); }

    // The sign of (v - this) for a value of type t given by vi, vd or its n bytes at p.
    int Compare(int t, sqlite3_int64 vi, double vd, const void *p, std::size_t n) const
    {
        const int cc = Class(t);
        const int pc = Class(type);
        if (cc != pc)
            return cc < pc ? -1 : 1;
        if (cc == 0)
            return 0;
        if (cc == 1) {
            if (t == SQLITE_INTEGER && type == SQLITE_INTEGER)
                return vi < i ? -1 : (vi > i ? 1 : 0);
            // long double holds every 64-bit integer and every double exactly.
            const long double x = t == SQLITE_INTEGER ? (long double)vi : (long double)vd;
            const long double y = type == SQLITE_INTEGER ? (long double)i : (long double)d;
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const std::size_t m = std::min(n, s.size());
        if (m > 0) {
            const int r = std::memcmp(p, s.data(), m);
            if (r != 0)
                return r < 0 ? -1 : 1;
        }
        return n < s.size() ? -1 : (n > s.size() ? 1 : 0);
    }

    void Take(sqlite3_value *v)
    {
        type = sqlite3_value_type(v);
        if (type == SQLITE_INTEGER) {
            i = sqlite3_value_int64(v);
        } else if (type == SQLITE_FLOAT) {
            d = sqlite3_value_double(v);
        } else if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
            const void *p = type == SQLITE_TEXT ? static_cast<const void *>(sqlite3_value_text(v))
                                                : sqlite3_value_blob(v);
            s.assign(static_cast<const char *>(p), std::size_t(sqlite3_value_bytes(v)));
        }
    }
};

// A stretch of an index read by one pass, in the index's order: all of it, or the entries
// below or from a key (the index of a large table is read in two halves at once).
struct IndexPart
{
    int side = 0; // 0: whole, -1: below the key, 1: from the key on
    Tally tally;
    std::vector<Cell> first; // its first and last entries (keys and rowid), when it has any
    std::vector<Cell> last;
    bool any = false;
};

// A value copied out of a statement, freed with it.
struct FreeValue
{
    void operator()(sqlite3_value *v) const { sqlite3_value_free(v); }
};
using OwnedValue = std::unique_ptr<sqlite3_value, FreeValue>;

const std::vector<OwnedValue> &NoValues()
{
    static const std::vector<OwnedValue> none;
    return none;
}

struct IndexPlan
{
    QByteArray name;
    std::vector<QByteArray> columns; // key columns, in the index's order
    std::vector<bool> descending;
    std::vector<bool> notNull; // declared NOT NULL in the table
    bool unique = false;
    std::vector<int> tableColumns; // where each key column is in the table pass's row
    std::vector<IndexPart> parts{IndexPart()};
    std::vector<OwnedValue> split; // the key between the halves, when split
};

struct TablePlan
{
    QByteArray name;
    QByteArray rowid;                // a name of the rowid no column hides
    bool byPragma = false;           // checked by integrity_check(table) instead
    std::vector<QByteArray> columns; // every column some index keys, once
    std::vector<IndexPlan> indexes;
    std::vector<std::pair<sqlite3_int64, sqlite3_int64>> ranges; // rowid ranges of the passes
    std::vector<std::vector<Tally>> fromTable;                   // per range, per index
};

class Problems
{
public:
    void Add(const QString &p)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_list << p;
    }
    QStringList List()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_list;
    }

private:
    std::mutex m_mutex;
    QStringList m_list;
};

QString Name(const QByteArray &utf8)
{
    return QString::fromUtf8(utf8);
}

// The rows of a check pragma: nothing when it says "ok".
void RunCheckPragma(const QString &path, const QByteArray &sql, Problems &problems)
{
    Conn conn(path);
    Stmt st(conn, sql);
    if (!st) {
        problems.Add(conn.Error());
        return;
    }
    QStringList rows;
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW)
        rows << QString::fromUtf8(st.Text(0));
    if (rc != SQLITE_DONE)
        problems.Add(conn.Error());
    else if (rows != QStringList{QStringLiteral("ok")})
        problems.Add(rows.isEmpty() ? QStringLiteral("数据库检查没有结果") : rows.join(u'\n'));
}

// The leading key columns an index is split on: those declared NOT NULL (a comparison with a
// NULL would put its entry in neither half).
std::size_t SplitColumns(const IndexPlan &ix)
{
    const auto nullable = std::find(ix.notNull.begin(), ix.notNull.end(), false);
    return std::size_t(nullable - ix.notNull.begin());
}

// The statement of an index's pass: its entries read from the index alone, in its order; on a
// side of the split key ?1, ?2, ... when side is not 0.
QByteArray IndexPassSql(const TablePlan &t, const IndexPlan &ix, int side = 0)
{
    QByteArray sql =
        "SELECT count(*) FROM " + Quote(t.name) + " INDEXED BY " + Quote(ix.name) + " WHERE ";
    if (side != 0) {
        QByteArray keys, marks;
        for (std::size_t i = 0; i < SplitColumns(ix); ++i) {
            keys += (i ? "," : "") + Quote(ix.columns[i]);
            marks += (i ? ",?" : "?") + QByteArray::number(i + 1);
        }
        sql += '(' + keys + (side < 0 ? ") < (" : ") >= (") + marks + ") AND ";
    }
    sql += "quorvan_entry(";
    for (const QByteArray &c : ix.columns)
        sql += Quote(c) + ',';
    return sql + t.rowid + ')';
}

// Whether SQLite runs the statement on the index alone; with search, only on the part of it the
// statement asks for (a half that scanned the whole index would gain nothing).
bool ReadsIndexAlone(const Conn &conn, const QByteArray &sql, const QByteArray &index,
                     bool search = false)
{
    Stmt eqp(conn, "EXPLAIN QUERY PLAN " + sql);
    bool covering = false;
    while (eqp.Step() == SQLITE_ROW) {
        const QByteArray step = eqp.Text(3);
        covering = covering || (step.contains("COVERING INDEX " + index) &&
                                (!search || step.startsWith("SEARCH")));
    }
    return covering;
}

// Splits the index of a large table in two halves read at once, at the key of the middle one of
// a few rows spread over the table. Only for an index in ascending order that leads with NOT
// NULL columns, whose halves SQLite reads from the index alone; else it stays whole.
void SplitIndex(const Conn &conn, const TablePlan &t, IndexPlan *ix)
{
    const std::size_t split = SplitColumns(*ix);
    if (split == 0 ||
        std::find(ix->descending.begin(), ix->descending.end(), true) != ix->descending.end())
        return;
    const sqlite3_int64 lo = t.ranges.front().first;
    const sqlite3_int64 hi = t.ranges.back().second;
    QByteArray keys, rowids;
    for (std::size_t i = 0; i < ix->columns.size(); ++i)
        keys += (i ? "," : "") + Quote(ix->columns[i]);
    constexpr int kSamples = 15;
    for (int k = 0; k < kSamples; ++k) {
        const auto at = sqlite3_int64(std::uint64_t(lo) +
                                      (std::uint64_t(hi) - std::uint64_t(lo)) / kSamples * k);
        rowids += (k ? ",(SELECT " : "(SELECT ") + t.rowid + " FROM " + Quote(t.name) + " WHERE " +
                  t.rowid + " >= " + QByteArray::number(at) + " ORDER BY " + t.rowid + " LIMIT 1)";
    }
    Stmt samples(conn, "SELECT " + keys + " FROM " + Quote(t.name) + " WHERE " + t.rowid + " IN (" +
                           rowids + ") ORDER BY " + keys);
    std::vector<std::vector<OwnedValue>> rows;
    while (samples.Step() == SQLITE_ROW) {
        std::vector<OwnedValue> row;
        for (int c = 0; c < int(split); ++c)
            row.emplace_back(sqlite3_value_dup(sqlite3_column_value(samples.get(), c)));
        rows.push_back(std::move(row));
    }
    if (rows.size() >= 3 && ReadsIndexAlone(conn, IndexPassSql(t, *ix, -1), ix->name, true) &&
        ReadsIndexAlone(conn, IndexPassSql(t, *ix, 1), ix->name, true)) {
        ix->split = std::move(rows[rows.size() / 2]);
        ix->parts.assign(2, IndexPart());
        ix->parts[0].side = -1;
        ix->parts[1].side = 1;
    }
}

void NoEntry(sqlite3_context *, int, sqlite3_value **) {}

// Whether an index can be proven by the checksums: plain columns of a table with a rowid, in
// the BINARY collation, not partial, and not naming the table's primary key (an integer key is
// the rowid itself, and an index read gives the rowid in its place).
bool PlanIndex(const Conn &conn, const TablePlan &table, const QByteArray &index, bool partial,
               IndexPlan *plan)
{
    if (partial)
        return false;
    Stmt info(conn, "SELECT x.name, x.\"desc\", x.coll, t.pk, t.hidden, t.\"notnull\""
                    " FROM pragma_index_xinfo(?1) x"
                    " LEFT JOIN pragma_table_xinfo(?2) t ON t.cid = x.cid"
                    " WHERE x.key ORDER BY x.seqno");
    if (!info)
        return false;
    sqlite3_bind_text(info.get(), 1, index.constData(), int(index.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(info.get(), 2, table.name.constData(), int(table.name.size()),
                      SQLITE_TRANSIENT);
    plan->name = index;
    int rc;
    while ((rc = info.Step()) == SQLITE_ROW) {
        sqlite3_stmt *s = info.get();
        if (sqlite3_column_type(s, 0) == SQLITE_NULL || sqlite3_column_type(s, 3) == SQLITE_NULL ||
            sqlite3_column_int(s, 3) != 0 || sqlite3_column_int(s, 4) != 0 ||
            info.Text(2) != "BINARY")
            return false;
        plan->columns.push_back(info.Text(0));
        plan->descending.push_back(sqlite3_column_int(s, 1) != 0);
        plan->notNull.push_back(sqlite3_column_int(s, 5) != 0);
    }
    if (rc != SQLITE_DONE || plan->columns.empty())
        return false;
    // The index pass must read the index alone.
    return ReadsIndexAlone(conn, IndexPassSql(table, *plan), index);
}

// How each table is checked; false when the file's schema cannot be read this way.
bool Plan(const QString &path, std::vector<TablePlan> *tables)
{
    Conn conn(path);
    // The passes' statements are planned here as they will run.
    if (!conn.Handle() ||
        sqlite3_create_function_v2(conn.Handle(), "quorvan_entry", -1, SQLITE_UTF8, nullptr,
                                   NoEntry, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    Stmt list(conn, "SELECT name, wr FROM pragma_table_list WHERE schema = 'main'"
                    " AND type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    if (!list)
        return false;
    int rc;
    while ((rc = list.Step()) == SQLITE_ROW) {
        TablePlan t;
        t.name = list.Text(0);
        t.byPragma = sqlite3_column_int(list.get(), 1) != 0;
        tables->push_back(std::move(t));
    }
    if (rc != SQLITE_DONE)
        return false;
    for (TablePlan &t : *tables) {
        Stmt indexes(conn, "SELECT name, \"unique\", partial FROM pragma_index_list(?1)");
        Stmt columns(conn, "SELECT lower(name) FROM pragma_table_xinfo(?1)");
        if (!indexes || !columns)
            return false;
        sqlite3_bind_text(indexes.get(), 1, t.name.constData(), int(t.name.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(columns.get(), 1, t.name.constData(), int(t.name.size()),
                          SQLITE_TRANSIENT);
        QList<QByteArray> names;
        while (columns.Step() == SQLITE_ROW)
            names << columns.Text(0);
        for (const char *r : {"rowid", "_rowid_", "oid"}) {
            if (!names.contains(r)) {
                t.rowid = r;
                break;
            }
        }
        if (t.rowid.isEmpty())
            t.byPragma = true;
        while (!t.byPragma && indexes.Step() == SQLITE_ROW) {
            IndexPlan ix;
            ix.unique = sqlite3_column_int(indexes.get(), 1) != 0;
            if (!PlanIndex(conn, t, indexes.Text(0), sqlite3_column_int(indexes.get(), 2) != 0,
                           &ix))
                t.byPragma = true;
            else
                t.indexes.push_back(std::move(ix));
        }
        if (t.byPragma) {
            t.indexes.clear();
            continue;
        }
        for (IndexPlan &ix : t.indexes) {
            for (const QByteArray &c : ix.columns) {
                auto at = std::find(t.columns.begin(), t.columns.end(), c);
                if (at == t.columns.end())
                    at = t.columns.insert(t.columns.end(), c);
                ix.tableColumns.push_back(int(at - t.columns.begin()));
            }
        }
        if (t.indexes.empty())
            continue;
        // Large tables are read in several rowid ranges at once.
        // Each end from a statement of its own: SQLite then reads one page of the table for it,
        // where min and max in one statement read every row.
        Stmt bounds(conn, "SELECT (SELECT min(" + t.rowid + ") FROM " + Quote(t.name) +
                              "), (SELECT max(" + t.rowid + ") FROM " + Quote(t.name) + ')');
        if (bounds.Step() != SQLITE_ROW)
            return false;
        if (sqlite3_column_type(bounds.get(), 0) == SQLITE_NULL) {
            t.ranges.push_back({0, -1});
        } else {
            const sqlite3_int64 lo = sqlite3_column_int64(bounds.get(), 0);
            const sqlite3_int64 hi = sqlite3_column_int64(bounds.get(), 1);
            const std::uint64_t span = std::uint64_t(hi) - std::uint64_t(lo);
            const int parts = span > 200000 ? 4 : 1;
            const std::uint64_t step = span / std::uint64_t(parts);
            for (int k = 0; k < parts; ++k) {
                const auto from = sqlite3_int64(std::uint64_t(lo) + step * std::uint64_t(k));
                const auto to = k == parts - 1 ? hi : sqlite3_int64(std::uint64_t(from) + step - 1);
                t.ranges.push_back({from, to});
            }
        }
        t.fromTable.assign(t.ranges.size(), std::vector<Tally>(t.indexes.size()));
        if (t.ranges.size() > 1) {
            for (IndexPlan &ix : t.indexes)
                SplitIndex(conn, t, &ix);
        }
    }
    return true;
}

// Runs sql on its own connection, with quorvan_entry(...) calling entry(values) for every row
// the query reaches; entry returns false to stop the query.
template <typename Entry>
void RunPass(const QString &path, const QByteArray &sql, sqlite3_int64 from, sqlite3_int64 to,
             Entry entry, Problems &problems, const std::vector<OwnedValue> &values = NoValues())
{
    Conn conn(path);
    auto call = [](sqlite3_context *ctx, int argc, sqlite3_value **argv) {
        if (!(*static_cast<Entry *>(sqlite3_user_data(ctx)))(argc, argv))
            sqlite3_result_error(ctx, "stopped", -1);
    };
    if (conn.Handle() && sqlite3_create_function_v2(conn.Handle(), "quorvan_entry", -1,
                                                    SQLITE_UTF8 | SQLITE_DIRECTONLY, &entry, call,
                                                    nullptr, nullptr, nullptr) != SQLITE_OK) {
        problems.Add(conn.Error());
        return;
    }
    Stmt st(conn, sql);
    if (!st) {
        problems.Add(conn.Error());
        return;
    }
    if (from <= to) {
        sqlite3_bind_int64(st.get(), 1, from);
        sqlite3_bind_int64(st.get(), 2, to);
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_value(st.get(), int(i) + 1, values[i].get());
    if (st.Step() != SQLITE_ROW)
        problems.Add(conn.Error());
}

// The entries every index of the table should hold, from the table's rows in one rowid range.
void TablePass(const QString &path, TablePlan &t, std::size_t range, Problems &problems)
{
    QByteArray sql = "SELECT count(*) FROM " + Quote(t.name) + " NOT INDEXED WHERE " + t.rowid +
                     " BETWEEN ?1 AND ?2 AND quorvan_entry(";
    for (const QByteArray &c : t.columns)
        sql += Quote(c) + ',';
    sql += t.rowid + ')';
    std::vector<Tally> &tallies = t.fromTable[range];
    auto entry = [&](int argc, sqlite3_value **argv) {
        for (std::size_t i = 0; i < t.indexes.size(); ++i) {
            EntryHash h;
            for (int c : t.indexes[i].tableColumns)
                h.Value(argv[c]);
            h.Value(argv[argc - 1]);
            tallies[i].Add(h);
        }
        return true;
    };
    RunPass(path, sql, t.ranges[range].first, t.ranges[range].second, entry, problems);
}

bool IsNull(sqlite3_value *v)
{
    return sqlite3_value_type(v) == SQLITE_NULL;
}

bool IsNull(const Cell &v)
{
    return v.type == SQLITE_NULL;
}

// Where the entry b (values or cells) stands to the entry a (keys in the index's directions,
// then the rowid): the sign of b - a; sameKey tells whether their keys are equal and hold no
// NULL.
template <typename Values>
int EntryOrder(const IndexPlan &ix, const std::vector<Cell> &a, const Values &b, bool *sameKey)
{
    const std::size_t keys = ix.columns.size();
    int order = 0;
    bool hasNull = false;
    for (std::size_t c = 0; c < keys && order == 0; ++c) {
        order = a[c].Compare(b[c]);
        if (ix.descending[c])
            order = -order;
    }
    for (std::size_t c = 0; c < keys; ++c)
        hasNull = hasNull || IsNull(b[c]);
    *sameKey = order == 0 && !hasNull;
    return order == 0 ? a[keys].Compare(b[keys]) : order;
}

// The entries of one part of the index as it holds them, read in its own order, which must rise.
void IndexPass(const QString &path, const TablePlan &t, IndexPlan &ix, IndexPart &part,
               Problems &problems)
{
    const std::size_t keys = ix.columns.size();
    std::vector<Cell> &previous = part.last;
    previous.assign(keys + 1, Cell());
    QString problem;
    auto entry = [&](int, sqlite3_value **argv) {
        EntryHash h;
        for (std::size_t c = 0; c <= keys; ++c)
            h.Value(argv[c]);
        part.tally.Add(h);
        std::size_t changed = 0; // the first value that differs from the previous entry's
        if (part.any) {
            bool sameKey = false;
            const int order = EntryOrder(ix, previous, argv, &sameKey);
            if (sameKey && ix.unique) {
                problem = QStringLiteral("non-unique entry in index %1").arg(Name(ix.name));
                return false;
            }
            if (order <= 0) {
                problem = QStringLiteral("index %1 is out of order").arg(Name(ix.name));
                return false;
            }
            while (changed < keys && previous[changed].Compare(argv[changed]) == 0)
                ++changed;
        } else {
            part.first.assign(keys + 1, Cell());
            for (std::size_t c = 0; c <= keys; ++c)
                part.first[c].Take(argv[c]);
        }
        part.any = true;
        for (std::size_t c = changed; c <= keys; ++c)
            previous[c].Take(argv[c]);
        return true;
    };
    Problems pass;
    RunPass(path, IndexPassSql(t, ix, part.side), 0, -1, entry, pass,
            part.side != 0 ? ix.split : NoValues());
    if (!problem.isEmpty())
        problems.Add(problem);
    else if (!pass.List().isEmpty())
        problems.Add(pass.List().constFirst());
}

// Where two halves of an index meet, the entries must rise as within them.
QString JoinProblem(const IndexPlan &ix)
{
    const IndexPart *before = nullptr;
    for (const IndexPart &part : ix.parts) {
        if (!part.any)
            continue;
        if (before) {
            bool sameKey = false;
            const int order = EntryOrder(ix, before->last, part.first, &sameKey);
            if (sameKey && ix.unique)
                return QStringLiteral("non-unique entry in index %1").arg(Name(ix.name));
            if (order <= 0)
                return QStringLiteral("index %1 is out of order").arg(Name(ix.name));
        }
        before = &part;
    }
    return QString();
}

} // namespace

bool VacuumFileInto(const QString &source, const QString &target, QString *why, QString *code)
{
    Conn conn(source);
    Stmt st(conn, "VACUUM INTO ?1");
    if (st) {
        const QByteArray t = target.toUtf8();
        sqlite3_bind_text(st.get(), 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        if (st.Step() == SQLITE_DONE)
            return true;
    }
    *why = conn.Error();
    *code = conn.Code();
    return false;
}

bool CheckDatabaseFile(const QString &path, QString *why, const std::function<void()> &tick)
{
    Problems problems;
    std::vector<TablePlan> tables;
    std::vector<std::function<void()>> jobs;
    if (!Plan(path, &tables)) {
        // A schema this way cannot read: SQLite's own full check alone.
        jobs.push_back([&] { RunCheckPragma(path, "PRAGMA integrity_check", problems); });
    } else {
        // The longest first: the quick check, the pragma checks, the index passes (a large
        // table's index is read in halves, its rows in several ranges), the table passes.
        jobs.push_back([&] { RunCheckPragma(path, "PRAGMA quick_check", problems); });
        for (TablePlan &t : tables) {
            if (t.byPragma) {
                jobs.push_back([&] {
                    RunCheckPragma(path, "PRAGMA integrity_check(" + QuoteText(t.name) + ')',
                                   problems);
                });
            }
        }
        for (TablePlan &t : tables) {
            for (IndexPlan &ix : t.indexes) {
                for (IndexPart &part : ix.parts)
                    jobs.push_back([&] { IndexPass(path, t, ix, part, problems); });
            }
        }
        for (TablePlan &t : tables) {
            for (std::size_t r = 0; r < t.ranges.size() && !t.indexes.empty(); ++r)
                jobs.push_back([&, r] { TablePass(path, t, r, problems); });
        }
    }
    RunOnCores(jobs, tick);

    QStringList found = problems.List();
    if (found.isEmpty()) {
        for (const TablePlan &t : tables) {
            for (std::size_t i = 0; i < t.indexes.size(); ++i) {
                Tally expected;
                for (const auto &range : t.fromTable)
                    expected.Add(range[i]);
                const IndexPlan &ix = t.indexes[i];
                Tally fromIndex;
                for (const IndexPart &part : ix.parts)
                    fromIndex.Add(part.tally);
                const QString join = JoinProblem(ix);
                if (!join.isEmpty())
                    found << join;
                else if (expected.count != fromIndex.count)
                    found << QStringLiteral("wrong # of entries in index %1").arg(Name(ix.name));
                else if (!(expected == fromIndex))
                    found << QStringLiteral("index %1 does not hold the entries of table %2")
                                 .arg(Name(ix.name), Name(t.name));
            }
        }
    }
    if (found.isEmpty())
        return true;
    *why = found.mid(0, 5).join(u'\n');
    return false;
}

} // namespace store
