#pragma once
// The database layer: the only way to "DATA.mdb" (an SQLite 3 file in the program folder).
//
// One connection for the whole process, opened once by OpenConn. Every statement takes its
// values as bound parameters ("?" placeholders plus a SqlArgs list); no caller builds SQL out of
// user text. Query results are read into memory at once (Recordset), so RecordCount is exact and
// no statement stays open across writes; a result too large to copy (a whole history) is read
// forward row by row instead (ForEachRow). Every operation returns a status; failures a user must
// see also go to the Reporter ("无法建立数据库连接！", "数据库打开错误(<sql>)！").
//
// Text comparisons (=, GROUP BY) are binary and therefore case-sensitive: "ABC" and "abc" are two
// format names, as they are two background-picture file names. Lists shown to the user are
// ordered with the collation ZH (Chinese by pinyin, then case-sensitive), always written as
// "ORDER BY x COLLATE ZH" (see kOrderCollate).

#include "store/db/reporter.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <vector>

class QSqlError;
class QSqlQuery;
struct sqlite3_stmt;

namespace store {

// Values bound to the "?" placeholders of a statement, in order.
// A null QVariant binds NULL; bool binds 0/1; QDate/QDateTime bind ISO text.
using SqlArgs = QVariantList;

// The collation name for user-visible ordering, e.g. "ORDER BY Fmt COLLATE ZH".
inline constexpr const char *kOrderCollate = "ZH";

// What a column was declared as in the schema, for display rules (Double with two decimals,
// Date as yyyy.mm.dd, Boolean as a tick). Read from the declared type, never from the value.
enum class ColType {
    Text,    // TEXT, CHAR, VARCHAR, CLOB, or no declared type (an expression)
    Integer, // INTEGER, INT, LONG
    Double,  // DOUBLE, REAL, FLOAT, NUMERIC, DECIMAL
    Boolean, // BOOLEAN, BOOL, BIT
    Date,    // DATE, DATETIME (stored as ISO text)
    Blob,
};
ColType ColTypeFromDeclared(const QString &declared);

// A query result held in memory: column names and declared types, all rows, and a cursor.
// Field names are found case-sensitively first, then ignoring case (as SQLite treats them).
class Recordset
{
public:
    Recordset() = default;

    bool IsOpen() const { return m_open; }
    int RecordCount() const { return int(m_rows.size()); }
    int FieldCount() const { return int(m_names.size()); }
    const QStringList &FieldNames() const { return m_names; }
    QString FieldName(int col) const;
    // Index of a named column, -1 when there is none.
    int FieldIndex(const QString &name) const;
    // Declared type as written in the schema ("" for expressions) and its class.
    QString DeclaredType(int col) const;
    ColType FieldType(int col) const;
    ColType FieldType(const QString &name) const;

    // Cursor. An empty result is at Eof and Bof at once.
    bool Eof() const { return m_pos >= RecordCount(); }
    bool Bof() const { return m_pos < 0 || RecordCount() == 0; }
    int AbsolutePosition() const { return m_pos; }
    void MoveFirst() { m_pos = 0; }
    void MoveLast() { m_pos = RecordCount() - 1; }
    void MoveNext()
    {
        if (m_pos < RecordCount())
            ++m_pos;
    }
    void MovePrevious()
    {
        if (m_pos >= 0)
            --m_pos;
    }
    void Move(int row) { m_pos = row; }

    // Value of the current row; an invalid QVariant when off the rows or no such column.
    // SQL NULL comes back as a null QVariant (isNull()).
    QVariant Field(const QString &name) const;
    QVariant Field(int col) const;
    // The current row's value as text; NULL and missing read "".
    QString Text(const QString &name) const;
    // Boolean reading of stored 0/1 (and legacy -1): any non-zero number is true.
    bool Bool(const QString &name) const;
    double Number(const QString &name) const;

    // Direct access by row.
    QVariant Value(int row, int col) const;
    QVariant Value(int row, const QString &name) const;
    const std::vector<QVariantList> &Rows() const { return m_rows; }

    // Releases the rows (CloseRs).
    void Clear();

private:
    friend class Db;
    bool m_open = false;
    QStringList m_names;
    QStringList m_declared;
    std::vector<QVariantList> m_rows;
    int m_pos = 0;
};

// The current row of a query read forward by Db::ForEachRow: its values straight from the
// database, valid only inside the call that receives it.
class RowReader
{
public:
    int Columns() const;
    bool IsNull(int col) const;
    qint64 Int(int col) const;
    double Double(int col) const;
    // NULL reads "".
    QString Text(int col) const;
    // The text as SQLite holds it, in UTF-8, valid until the next row; NULL reads "".
    QByteArrayView Utf8(int col) const;
    // The value as OpenRs holds it: qint64, double, QString or QByteArray; NULL as a null
    // QVariant.
    QVariant Value(int col) const;

private:
    friend class Db;
    explicit RowReader(sqlite3_stmt *stmt) : m_stmt(stmt) {}
    sqlite3_stmt *m_stmt;
};

// The values of one row of a statement run once per row (Db::ExecRows), bound straight to it.
// Columns count from 0, the statement's "?" placeholders in order.
class RowBinder
{
public:
    void Null(int col);
    void Int(int col, qint64 v);
    void Double(int col, double v);
    // Text given in UTF-8 (copied).
    void Utf8(int col, QByteArrayView text);
    // A value as SqlArgs holds it, stored as every bound argument is (Booleans 0/1, dates as
    // ISO text).
    void Value(int col, const QVariant &v);

private:
    friend class Db;
    explicit RowBinder(sqlite3_stmt *stmt) : m_stmt(stmt) {}
    sqlite3_stmt *m_stmt;
    int m_rc = 0;
};

// The process's connection to the database file.
class Db
{
public:
    // The one connection of this process (opened or not).
    static Db &Main();

    // Opens the database file (default: DataFilePath(); ":memory:" for a private in-memory
    // database). A missing file is created empty. A file
    // that is not an SQLite database (an Access file copied from Windows) is refused without being
    // written to. Opening the path that is already open does nothing and returns true; another path
    // closes the old connection first. On failure reports "无法建立数据库连接！" plus the reason
    // (unless quiet) and returns false; LastError() keeps the reason.
    bool OpenConn(const QString &path = QString(), bool quiet = false);
    void Close();
    bool IsOpen() const;
    QString Path() const { return m_path; }
    // The reason of the last failure (open, query or statement) and SQLite's error number.
    QString LastError() const { return m_lastError; }
    QString LastErrorCode() const { return m_lastErrorCode; }
    QSqlDatabase Connection() const;

    // Runs a query and reads all its rows into rs (rs is cleared first, as CloseRs). On failure
    // reports "数据库打开错误(<sql>)！" unless quiet, leaves rs closed and returns false.
    bool OpenRs(Recordset &rs, const QString &sql, const SqlArgs &args = {}, bool quiet = false);
    // Runs a query and hands its rows one by one to row as SQLite reads them, holding none of
    // them: for results too large to copy (a whole history). row returns false to stop early.
    // On failure (before or between rows) reports "数据库打开错误(<sql>)！" unless quiet and
    // returns false.
    bool ForEachRow(const QString &sql, const SqlArgs &args,
                    const std::function<bool(const RowReader &)> &row, bool quiet = false);
    // Runs a statement. Returns false on failure (logged, never shown); rowsAffected when asked.
    bool ExecSQL(const QString &sql, const SqlArgs &args = {}, int *rowsAffected = nullptr);
    // Runs one statement for each row of arguments, prepared once: many rows of one insert.
    // Stops at the first failure and returns false (logged, never shown).
    bool ExecRows(const QString &sql, const std::vector<SqlArgs> &rows);
    // The same for count rows whose values bind(row, binder) binds: many rows without a copy of
    // them all.
    bool ExecRows(const QString &sql, size_t count,
                  const std::function<void(size_t, RowBinder &)> &bind);
    // The rowid of the last successful INSERT on this connection.
    qint64 LastInsertId() const;

    // First row of "SELECT <field> FROM <table> WHERE ID=?": "" (a non-null empty text) when there
    // is no such row or column, a null QVariant when the stored value is NULL.
    QVariant GetFieldByID(const QString &table, const QVariant &id, const QString &field);
    // Same with a condition holding "?" placeholders, e.g. GetFieldWhere("参数", "Var=?", "Con",
    // {key}). table, cond and field are program text, never user text.
    QVariant GetFieldWhere(const QString &table, const QString &cond, const QString &field,
                           const SqlArgs &args = {});

    // A user table of that exact name (case-sensitive; SQLite's own tables do not count).
    bool TableExists(const QString &name);
    // A column of that exact name (case-sensitive) in the table.
    bool FieldExists(const QString &table, const QString &field);
    // Adds the column with "DEFAULT 0" when FieldExists says it is missing; old rows then read 0.
    // True when the column exists afterwards. type is program text (DOUBLE, INTEGER, TEXT ...).
    bool AddFieldIfMissing(const QString &table, const QString &field, const QString &type);
    // Drops the table when present; true when it is gone afterwards.
    bool DropTable(const QString &name);

    // Column names and declared types of a table, from the schema (cached until the schema
    // changes through ExecSQL).
    struct Column
    {
        QString name;
        QString declared;
        ColType type;
    };
    std::vector<Column> TableColumns(const QString &table);

    // The file could be opened for reading only (the file or its folder is not writable to us).
    bool IsReadOnly() const;

    // Depth of open Transaction guards (0 = autocommit).
    int TransactionDepth() const { return m_txDepth; }

    Db() = default;
    ~Db();
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

private:
    friend class Transaction;
    bool Prepare(QSqlQuery &q, const QString &sql, const SqlArgs &args);
    // Prepares sql on the connection's own handle with the values bound; nullptr (error noted)
    // on failure.
    sqlite3_stmt *PrepareNative(const QString &sql, const SqlArgs &args);
    // Binds the values to the statement's "?" placeholders in order, as RowBinder::Value does.
    static int BindArgs(sqlite3_stmt *stmt, const SqlArgs &args);
    QStringList DeclaredTypes(const QString &sql, int columns);
    void SchemaChanged();
    void NoteError(const QSqlError &e);

    QString m_name;
    QString m_path;
    QString m_lastError;
    QString m_lastErrorCode;
    qint64 m_lastInsertId = 0;
    int m_txDepth = 0;
    int m_savepoints = 0;
    struct Cache;
    Cache *m_cache = nullptr;
};

// A transaction on the process connection for writes that change several rows: all or nothing.
// The outermost guard runs BEGIN IMMEDIATE (waiting up to the busy timeout for a writer lock)
// and COMMIT; guards opened inside it become savepoints. A guard destroyed without Commit()
// rolls back its part.
class Transaction
{
public:
    Transaction();
    explicit Transaction(Db &db);
    ~Transaction();
    // False when BEGIN failed; the caller then writes nothing.
    bool Ok() const { return m_ok; }
    bool Commit();
    void Rollback();

    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Db &m_db;
    bool m_ok = false;
    bool m_done = false;
    QString m_savepoint; // empty for the outermost guard
};

// The operations under their own names, on the process connection.
bool OpenConn(const QString &path = QString());
bool OpenRs(Recordset &rs, const QString &sql, const SqlArgs &args = {});
void CloseRs(Recordset &rs);
bool ExecSQL(const QString &sql, const SqlArgs &args = {}, int *rowsAffected = nullptr);
bool ForEachRow(const QString &sql, const SqlArgs &args,
                const std::function<bool(const RowReader &)> &row);
qint64 LastInsertId();
QVariant GetFieldByID(const QString &table, const QVariant &id, const QString &field);
QVariant GetFieldWhere(const QString &table, const QString &cond, const QString &field,
                       const SqlArgs &args = {});
bool TableExists(const QString &name);
bool FieldExists(const QString &table, const QString &field);
bool AddFieldIfMissing(const QString &table, const QString &field, const QString &type);
bool DropTable(const QString &name);

// A LIKE pattern that matches text literally: "%", "_" and "\" escaped with "\". Use with
// "LIKE ? ESCAPE '\'", e.g. LikeLiteral(base) + "\\_%" for labels starting with base + "_".
QString LikeLiteral(const QString &text);

// A GLOB pattern that matches text literally ("*", "?" and "[" bracketed). GLOB compares
// case-sensitively, like "=": labels of a group are found with "LBL GLOB ?" and
// GlobLiteral(base) + "_*".
QString GlobLiteral(const QString &text);

// The statement as shown in "数据库打开错误(<sql>)！": the SQL with its "?" placeholders.
QString OpenErrorText(const QString &sql);

} // namespace store
