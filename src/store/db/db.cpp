#include "store/db/db.h"

#include "store/db/paths.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <atomic>
#include <memory>

namespace store {

namespace {

std::atomic<int> g_connectionSerial{0};

QString QuoteIdent(const QString &name)
{
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

sqlite3 *Handle(const QSqlDatabase &db)
{
    if (!db.isValid() || !db.driver())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

// Chinese by pinyin (ICU's zh_CN order through QCollator); texts the collator calls equal are
// ordered by their bytes, so the order is total and stable.
struct ZhCollation
{
    ZhCollation() : collator(QLocale(QLocale::Chinese, QLocale::China))
    {
        collator.setCaseSensitivity(Qt::CaseSensitive);
        collator.setNumericMode(false);
    }
    QCollator collator;
};

int CompareZh(void *arg, int len1, const void *s1, int len2, const void *s2)
{
    auto *zh = static_cast<ZhCollation *>(arg);
    const QString a = QString::fromUtf8(static_cast<const char *>(s1), len1);
    const QString b = QString::fromUtf8(static_cast<const char *>(s2), len2);
    const int c = zh->collator.compare(a, b);
    if (c != 0)
        return c < 0 ? -1 : 1;
    const int n = std::min(len1, len2);
    const int m = n > 0 ? memcmp(s1, s2, size_t(n)) : 0;
    if (m != 0)
        return m < 0 ? -1 : 1;
    return len1 == len2 ? 0 : (len1 < len2 ? -1 : 1);
}

void DestroyZh(void *arg)
{
    delete static_cast<ZhCollation *>(arg);
}

// Values as the database stores them: Booleans 0/1, dates as ISO text.
QVariant ToStored(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return QVariant(v.toBool() ? 1 : 0);
    case QMetaType::QDate:
        return v.isNull() ? QVariant(QMetaType(QMetaType::QString))
                          : QVariant(v.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QDateTime:
        return v.isNull()
                   ? QVariant(QMetaType(QMetaType::QString))
                   : QVariant(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    default:
        return v;
    }
}

} // namespace

void RowBinder::Null(int col)
{
    if (m_rc == SQLITE_OK)
        m_rc = sqlite3_bind_null(m_stmt, col + 1);
}

void RowBinder::Int(int col, qint64 v)
{
    if (m_rc == SQLITE_OK)
        m_rc = sqlite3_bind_int64(m_stmt, col + 1, v);
}

void RowBinder::Double(int col, double v)
{
    if (m_rc == SQLITE_OK)
        m_rc = sqlite3_bind_double(m_stmt, col + 1, v);
}

void RowBinder::Utf8(int col, QByteArrayView text)
{
    if (m_rc == SQLITE_OK)
        m_rc = sqlite3_bind_text(m_stmt, col + 1, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void RowBinder::Value(int col, const QVariant &value)
{
    if (m_rc != SQLITE_OK)
        return;
    const QVariant v = ToStored(value);
    switch (v.isNull() ? QMetaType::UnknownType : v.typeId()) {
    case QMetaType::UnknownType:
        Null(col);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
        Int(col, v.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        Double(col, v.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        m_rc = sqlite3_bind_blob(m_stmt, col + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        Utf8(col, v.toString().toUtf8());
        break;
    }
}

int Db::BindArgs(sqlite3_stmt *stmt, const SqlArgs &args)
{
    RowBinder bind(stmt);
    for (int i = 0; i < int(args.size()); ++i)
        bind.Value(i, args[i]);
    return bind.m_rc;
}

namespace {

bool IsSchemaStatement(const QString &sql)
{
    const QString s = sql.trimmed();
    return s.startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive) ||
           s.startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive) ||
           s.startsWith(QLatin1String("DROP"), Qt::CaseInsensitive);
}

// A non-empty file that does not start with the SQLite header (an Access file, for one).
bool LooksForeign(const QString &path, QString *why)
{
    QFile f(path);
    if (!f.exists() || f.size() == 0)
        return false;
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return true;
    }
    const QByteArray head = f.read(16);
    if (head == QByteArray("SQLite format 3\0", 16))
        return false;
    if (head.mid(4, 12) == "Standard Jet" || head.mid(4, 12) == "Standard ACE")
        *why = QStringLiteral("文件是Access数据库，本程序使用SQLite数据库");
    else
        *why = QStringLiteral("文件不是SQLite数据库");
    return true;
}

} // namespace

struct Db::Cache
{
    QHash<QString, QStringList> declared;            // by statement text
    QHash<QString, std::vector<Db::Column>> columns; // by table name
    // Statements run once per row, kept prepared (reset, no values bound) by their text.
    QHash<QString, sqlite3_stmt *> statements;

    void FinalizeStatements()
    {
        for (sqlite3_stmt *stmt : std::as_const(statements))
            sqlite3_finalize(stmt);
        statements.clear();
    }
};

ColType ColTypeFromDeclared(const QString &declared)
{
    const QString t = declared.trimmed().toUpper();
    if (t.isEmpty())
        return ColType::Text;
    if (t.startsWith(QLatin1String("BOOL")) || t == QLatin1String("BIT") ||
        t == QLatin1String("YESNO"))
        return ColType::Boolean;
    if (t.startsWith(QLatin1String("DATE")) || t.startsWith(QLatin1String("TIME")))
        return ColType::Date;
    if (t.contains(QLatin1String("INT")) || t == QLatin1String("LONG") ||
        t == QLatin1String("COUNTER") || t == QLatin1String("AUTOINCREMENT"))
        return ColType::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) ||
        t.contains(QLatin1String("CLOB")) || t == QLatin1String("MEMO"))
        return ColType::Text;
    if (t.contains(QLatin1String("BLOB")))
        return ColType::Blob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")) || t.contains(QLatin1String("NUM")) ||
        t.contains(QLatin1String("DEC")) || t.contains(QLatin1String("CURRENCY")) ||
        t == QLatin1String("SINGLE"))
        return ColType::Double;
    return ColType::Text;
}

// ---------------------------------------------------------------------------------------------
// Recordset

QString Recordset::FieldName(int col) const
{
    return col >= 0 && col < m_names.size() ? m_names.at(col) : QString();
}

int Recordset::FieldIndex(const QString &name) const
{
    const int exact = int(m_names.indexOf(name));
    if (exact >= 0)
        return exact;
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString Recordset::DeclaredType(int col) const
{
    return col >= 0 && col < m_declared.size() ? m_declared.at(col) : QString();
}

ColType Recordset::FieldType(int col) const
{
    return ColTypeFromDeclared(DeclaredType(col));
}

ColType Recordset::FieldType(const QString &name) const
{
    return FieldType(FieldIndex(name));
}

QVariant Recordset::Value(int row, int col) const
{
    if (row < 0 || row >= RecordCount() || col < 0 || col >= FieldCount())
        return {};
    return m_rows[size_t(row)].at(col);
}

QVariant Recordset::Value(int row, const QString &name) const
{
    return Value(row, FieldIndex(name));
}

QVariant Recordset::Field(int col) const
{
    return Value(m_pos, col);
}

QVariant Recordset::Field(const QString &name) const
{
    return Value(m_pos, FieldIndex(name));
}

QString Recordset::Text(const QString &name) const
{
    const QVariant v = Field(name);
    return v.isNull() ? QString(u""_qs) : v.toString();
}

bool Recordset::Bool(const QString &name) const
{
    const QVariant v = Field(name);
    if (v.isNull())
        return false;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d != 0 : false;
}

double Recordset::Number(const QString &name) const
{
    const QVariant v = Field(name);
    return v.isNull() ? 0.0 : v.toDouble();
}

void Recordset::Clear()
{
    m_open = false;
    m_names.clear();
    m_declared.clear();
    m_rows.clear();
    m_pos = 0;
}

// ---------------------------------------------------------------------------------------------
// Db

Db &Db::Main()
{
    static Db db;
    return db;
}

namespace {

// Qt SQL must see its connection go while the application object lives: the process connection
// is closed when the application object is torn down, before the statics are destroyed.
void CloseMainAtAppExit()
{
    Db::Main().Close();
}

void CloseMainWithTheApp()
{
    static bool registered = false;
    if (!registered && QCoreApplication::instance()) {
        qAddPostRoutine(CloseMainAtAppExit);
        registered = true;
    }
}

} // namespace

Db::~Db()
{
    Close();
    delete m_cache;
}

QSqlDatabase Db::Connection() const
{
    return m_name.isEmpty() ? QSqlDatabase() : QSqlDatabase::database(m_name, false);
}

bool Db::IsOpen() const
{
    return !m_name.isEmpty() && Connection().isOpen();
}

void Db::Close()
{
    if (m_name.isEmpty())
        return;
    // The connection closes only once none of its statements is left.
    if (m_cache)
        m_cache->FinalizeStatements();
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
    m_path.clear();
    m_txDepth = 0;
    m_savepoints = 0;
    SchemaChanged();
}

bool Db::OpenConn(const QString &pathIn, bool quiet)
{
    const QString memory = QStringLiteral(":memory:");
    const QString path =
        pathIn == memory ? memory
                         : QFileInfo(pathIn.isEmpty() ? DataFilePath() : pathIn).absoluteFilePath();
    if (IsOpen() && path == m_path)
        return true;
    Close();

    auto fail = [&](const QString &why, const QString &code = QString()) {
        m_lastError = why;
        m_lastErrorCode = code;
        qWarning().noquote() << "database" << path << why;
        if (!quiet)
            ReportMessage(QStringLiteral("无法建立数据库连接！\n") + why, MsgKind::Error);
        return false;
    };

    QString why;
    if (LooksForeign(path, &why))
        return fail(why);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QStringLiteral("缺少SQLite数据库驱动（libqt6sql6-sqlite）"));

    const QString name = QStringLiteral("quorvan-%1").arg(++g_connectionSerial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open()) {
            why = db.lastError().text();
            const QString code = db.lastError().nativeErrorCode();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return fail(why, code);
        }
        // SQLite opens lazily: read the schema now so an unreadable file fails here.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            why = probe.lastError().databaseText();
            const QString code = probe.lastError().nativeErrorCode();
            probe = QSqlQuery();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            return fail(why.isEmpty() ? QStringLiteral("数据库文件无法读取") : why, code);
        }
        probe.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
        if (sqlite3 *h = Handle(db)) {
            sqlite3_create_collation_v2(h, kOrderCollate, SQLITE_UTF8, new ZhCollation, CompareZh,
                                        DestroyZh);
        }
    }
    m_name = name;
    m_path = path;
    m_lastError.clear();
    if (this == &Main())
        CloseMainWithTheApp();
    if (!m_cache)
        m_cache = new Cache;
    SchemaChanged();
    return true;
}

bool Db::IsReadOnly() const
{
    sqlite3 *h = Handle(Connection());
    return h && sqlite3_db_readonly(h, "main") == 1;
}

void Db::NoteError(const QSqlError &e)
{
    m_lastError = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    m_lastErrorCode = e.nativeErrorCode();
}

void Db::SchemaChanged()
{
    if (m_cache) {
        m_cache->declared.clear();
        m_cache->columns.clear();
    }
}

bool Db::Prepare(QSqlQuery &q, const QString &sql, const SqlArgs &args)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return false;
    for (const QVariant &v : args)
        q.addBindValue(ToStored(v));
    return true;
}

QStringList Db::DeclaredTypes(const QString &sql, int columns)
{
    if (m_cache) {
        auto it = m_cache->declared.constFind(sql);
        if (it != m_cache->declared.constEnd() && it->size() == columns)
            return *it;
    }
    QStringList types;
    sqlite3 *h = Handle(Connection());
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (h &&
        sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &stmt, nullptr) == SQLITE_OK &&
        stmt) {
        const int n = sqlite3_column_count(stmt);
        for (int i = 0; i < n; ++i) {
            const char *t = sqlite3_column_decltype(stmt, i);
            types << (t ? QString::fromUtf8(t) : QString());
        }
    }
    sqlite3_finalize(stmt);
    while (types.size() < columns)
        types << QString();
    if (m_cache)
        m_cache->declared.insert(sql, types);
    return types;
}

bool Db::OpenRs(Recordset &rs, const QString &sql, const SqlArgs &args, bool quiet)
{
    rs.Clear();
    bool ok = false;
    QString why = QStringLiteral("数据库未打开");
    if (IsOpen()) {
        QSqlQuery q(Connection());
        ok = Prepare(q, sql, args) && q.exec();
        if (ok) {
            const QSqlRecord rec = q.record();
            const int n = rec.count();
            for (int i = 0; i < n; ++i)
                rs.m_names << rec.fieldName(i);
            while (q.next()) {
                QVariantList row;
                row.reserve(n);
                for (int i = 0; i < n; ++i)
                    row << q.value(i);
                rs.m_rows.push_back(std::move(row));
            }
            if (q.lastError().isValid() && q.lastError().type() != QSqlError::NoError) {
                ok = false;
                NoteError(q.lastError());
                why = m_lastError;
            } else {
                rs.m_declared = DeclaredTypes(sql, n);
            }
        } else {
            NoteError(q.lastError());
            why = m_lastError;
        }
    }
    if (!ok) {
        rs.Clear();
        qWarning().noquote() << "query failed:" << sql << why;
        if (!quiet)
            ReportMessage(OpenErrorText(sql), MsgKind::Error);
        return false;
    }
    rs.m_open = true;
    rs.m_pos = 0;
    return true;
}

bool Db::ExecSQL(const QString &sql, const SqlArgs &args, int *rowsAffected)
{
    if (rowsAffected)
        *rowsAffected = 0;
    if (!IsOpen()) {
        qWarning().noquote() << "statement without a database:" << sql;
        return false;
    }
    bool ok = false;
    {
        QSqlQuery q(Connection());
        ok = Prepare(q, sql, args) && q.exec();
        if (ok) {
            if (rowsAffected)
                *rowsAffected = q.numRowsAffected();
            const QVariant id = q.lastInsertId();
            if (id.isValid())
                m_lastInsertId = id.toLongLong();
        } else {
            NoteError(q.lastError());
            qWarning().noquote() << "statement failed:" << sql << m_lastError;
        }
    }
    if (IsSchemaStatement(sql))
        SchemaChanged();
    return ok;
}

bool Db::ExecRows(const QString &sql, const std::vector<SqlArgs> &rows)
{
    if (rows.empty())
        return true;
    if (!(IsOpen() && Handle(Connection()))) {
        // Without the driver's handle the rows go one statement each.
        for (const SqlArgs &args : rows) {
            if (!ExecSQL(sql, args))
                return false;
        }
        return true;
    }
    return ExecRows(sql, rows.size(), [&](size_t r, RowBinder &bind) {
        for (int i = 0; i < int(rows[r].size()); ++i)
            bind.Value(i, rows[r][i]);
    });
}

bool Db::ExecRows(const QString &sql, size_t count,
                  const std::function<void(size_t, RowBinder &)> &bind)
{
    if (count == 0)
        return true;
    // The driver's own statement runs far slower per row than the statement itself: it is run
    // here directly, on the same connection and inside the caller's transaction, and kept
    // prepared for the next call with the same text (a print run writes its history a record at
    // a time).
    sqlite3_stmt *stmt = nullptr;
    if (m_cache)
        stmt = m_cache->statements.value(sql);
    if (!stmt) {
        stmt = PrepareNative(sql, {});
        if (!stmt) {
            qWarning().noquote() << "statement failed:" << sql << m_lastError;
            return false;
        }
        if (m_cache) {
            if (m_cache->statements.size() >= 32)
                m_cache->FinalizeStatements();
            m_cache->statements.insert(sql, stmt);
        }
    }
    int rc = SQLITE_OK;
    for (size_t r = 0; rc == SQLITE_OK && r < count; ++r) {
        RowBinder binder(stmt);
        bind(r, binder);
        rc = binder.m_rc;
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            rc = rc == SQLITE_DONE || rc == SQLITE_ROW ? sqlite3_reset(stmt) : rc;
            sqlite3_clear_bindings(stmt);
        }
    }
    if (rc != SQLITE_OK) {
        sqlite3 *h = sqlite3_db_handle(stmt);
        m_lastError = QString::fromUtf8(sqlite3_errmsg(h));
        m_lastErrorCode = QString::number(sqlite3_extended_errcode(h));
        qWarning().noquote() << "statement failed:" << sql << m_lastError;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
    if (!m_cache || !m_cache->statements.contains(sql))
        sqlite3_finalize(stmt);
    return rc == SQLITE_OK;
}

// ---------------------------------------------------------------------------------------------
// Rows read forward

int RowReader::Columns() const
{
    return sqlite3_column_count(m_stmt);
}

bool RowReader::IsNull(int col) const
{
    return sqlite3_column_type(m_stmt, col) == SQLITE_NULL;
}

qint64 RowReader::Int(int col) const
{
    return sqlite3_column_int64(m_stmt, col);
}

double RowReader::Double(int col) const
{
    return sqlite3_column_double(m_stmt, col);
}

QString RowReader::Text(int col) const
{
    const auto *text = static_cast<const QChar *>(sqlite3_column_text16(m_stmt, col));
    if (!text)
        return QString(u""_qs);
    return QString(text, sqlite3_column_bytes16(m_stmt, col) / int(sizeof(QChar)));
}

QByteArrayView RowReader::Utf8(int col) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
    return text ? QByteArrayView(text, sqlite3_column_bytes(m_stmt, col)) : QByteArrayView("");
}

QVariant RowReader::Value(int col) const
{
    switch (sqlite3_column_type(m_stmt, col)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, col)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, col));
    case SQLITE_BLOB: {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, col));
        return QVariant(QByteArray(p, sqlite3_column_bytes(m_stmt, col)));
    }
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(Text(col));
    }
}

sqlite3_stmt *Db::PrepareNative(const QString &sql, const SqlArgs &args)
{
    sqlite3 *h = IsOpen() ? Handle(Connection()) : nullptr;
    if (!h) {
        m_lastError = QStringLiteral("数据库未打开");
        m_lastErrorCode.clear();
        return nullptr;
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc == SQLITE_OK && stmt)
        rc = BindArgs(stmt, args);
    if (rc != SQLITE_OK || !stmt) {
        m_lastError = QString::fromUtf8(sqlite3_errmsg(h));
        m_lastErrorCode = QString::number(sqlite3_extended_errcode(h));
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return stmt;
}

bool Db::ForEachRow(const QString &sql, const SqlArgs &args,
                    const std::function<bool(const RowReader &)> &row, bool quiet)
{
    sqlite3_stmt *stmt = PrepareNative(sql, args);
    int rc = stmt ? SQLITE_ROW : SQLITE_ERROR;
    if (stmt) {
        const RowReader reader(stmt);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (!row(reader)) {
                rc = SQLITE_DONE;
                break;
            }
        }
        if (rc != SQLITE_DONE) {
            sqlite3 *h = sqlite3_db_handle(stmt);
            m_lastError = QString::fromUtf8(sqlite3_errmsg(h));
            m_lastErrorCode = QString::number(sqlite3_extended_errcode(h));
        }
        sqlite3_finalize(stmt);
    }
    if (rc == SQLITE_DONE)
        return true;
    qWarning().noquote() << "query failed:" << sql << m_lastError;
    if (!quiet)
        ReportMessage(OpenErrorText(sql), MsgKind::Error);
    return false;
}

qint64 Db::LastInsertId() const
{
    if (sqlite3 *h = Handle(Connection()))
        return sqlite3_last_insert_rowid(h);
    return m_lastInsertId;
}

QVariant Db::GetFieldByID(const QString &table, const QVariant &id, const QString &field)
{
    return GetFieldWhere(table, QStringLiteral("ID=?"), field, {id});
}

QVariant Db::GetFieldWhere(const QString &table, const QString &cond, const QString &field,
                           const SqlArgs &args)
{
    Recordset rs;
    const QString sql =
        QStringLiteral("SELECT * FROM %1 WHERE %2 LIMIT 1").arg(QuoteIdent(table), cond);
    if (!OpenRs(rs, sql, args) || rs.RecordCount() == 0)
        return QVariant(QString(u""_qs));
    const int col = rs.FieldIndex(field);
    if (col < 0)
        return QVariant(QString(u""_qs));
    return rs.Value(0, col);
}

bool Db::TableExists(const QString &name)
{
    Recordset rs;
    if (!OpenRs(rs,
                QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? "
                               "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"),
                {name}, true))
        return false;
    return rs.RecordCount() > 0;
}

std::vector<Db::Column> Db::TableColumns(const QString &table)
{
    if (m_cache) {
        auto it = m_cache->columns.constFind(table);
        if (it != m_cache->columns.constEnd())
            return *it;
    }
    std::vector<Column> cols;
    Recordset rs;
    if (OpenRs(rs, QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid"),
               {table}, true)) {
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
            const QString declared = rs.Text(QStringLiteral("type"));
            cols.push_back(
                {rs.Text(QStringLiteral("name")), declared, ColTypeFromDeclared(declared)});
        }
    }
    if (m_cache && !cols.empty())
        m_cache->columns.insert(table, cols);
    return cols;
}

bool Db::FieldExists(const QString &table, const QString &field)
{
    for (const Column &c : TableColumns(table))
        if (c.name == field)
            return true;
    return false;
}

bool Db::AddFieldIfMissing(const QString &table, const QString &field, const QString &type)
{
    if (FieldExists(table, field))
        return true;
    return ExecSQL(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3 DEFAULT 0")
                       .arg(QuoteIdent(table), QuoteIdent(field), type));
}

bool Db::DropTable(const QString &name)
{
    if (!TableExists(name))
        return true;
    ExecSQL(QStringLiteral("DROP TABLE %1").arg(QuoteIdent(name)));
    return !TableExists(name);
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction() : Transaction(Db::Main()) {}

Transaction::Transaction(Db &db) : m_db(db)
{
    if (!m_db.IsOpen())
        return;
    if (m_db.m_txDepth == 0) {
        m_ok = m_db.ExecSQL(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        m_savepoint = QStringLiteral("sp%1").arg(++m_db.m_savepoints);
        m_ok = m_db.ExecSQL(QStringLiteral("SAVEPOINT ") + m_savepoint);
    }
    if (m_ok)
        ++m_db.m_txDepth;
}

Transaction::~Transaction()
{
    if (m_ok && !m_done)
        Rollback();
}

bool Transaction::Commit()
{
    if (!m_ok || m_done)
        return false;
    bool ok;
    if (m_savepoint.isEmpty())
        ok = m_db.ExecSQL(QStringLiteral("COMMIT"));
    else
        ok = m_db.ExecSQL(QStringLiteral("RELEASE ") + m_savepoint);
    if (!ok) {
        Rollback();
        return false;
    }
    m_done = true;
    --m_db.m_txDepth;
    return true;
}

void Transaction::Rollback()
{
    if (!m_ok || m_done)
        return;
    if (m_savepoint.isEmpty()) {
        m_db.ExecSQL(QStringLiteral("ROLLBACK"));
    } else {
        m_db.ExecSQL(QStringLiteral("ROLLBACK TO ") + m_savepoint);
        m_db.ExecSQL(QStringLiteral("RELEASE ") + m_savepoint);
    }
    // A rolled-back schema change leaves stale column lists behind.
    m_db.SchemaChanged();
    m_done = true;
    --m_db.m_txDepth;
}

// ---------------------------------------------------------------------------------------------
// Free functions on the process connection

bool OpenConn(const QString &path)
{
    return Db::Main().OpenConn(path);
}

bool OpenRs(Recordset &rs, const QString &sql, const SqlArgs &args)
{
    return Db::Main().OpenRs(rs, sql, args);
}

void CloseRs(Recordset &rs)
{
    rs.Clear();
}

bool ExecSQL(const QString &sql, const SqlArgs &args, int *rowsAffected)
{
    return Db::Main().ExecSQL(sql, args, rowsAffected);
}

bool ForEachRow(const QString &sql, const SqlArgs &args,
                const std::function<bool(const RowReader &)> &row)
{
    return Db::Main().ForEachRow(sql, args, row);
}

qint64 LastInsertId()
{
    return Db::Main().LastInsertId();
}

QVariant GetFieldByID(const QString &table, const QVariant &id, const QString &field)
{
    return Db::Main().GetFieldByID(table, id, field);
}

QVariant GetFieldWhere(const QString &table, const QString &cond, const QString &field,
                       const SqlArgs &args)
{
    return Db::Main().GetFieldWhere(table, cond, field, args);
}

bool TableExists(const QString &name)
{
    return Db::Main().TableExists(name);
}

bool FieldExists(const QString &table, const QString &field)
{
    return Db::Main().FieldExists(table, field);
}

bool AddFieldIfMissing(const QString &table, const QString &field, const QString &type)
{
    return Db::Main().AddFieldIfMissing(table, field, type);
}

bool DropTable(const QString &name)
{
    return Db::Main().DropTable(name);
}

QString LikeLiteral(const QString &text)
{
    QString out;
    out.reserve(text.size() + 4);
    for (QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_')
            out += u'\\';
        out += c;
    }
    return out;
}

QString GlobLiteral(const QString &text)
{
    QString out;
    out.reserve(text.size() + 4);
    for (QChar c : text) {
        if (c == u'*' || c == u'?' || c == u'[')
            out += u'[' + QString(c) + u']';
        else
            out += c;
    }
    return out;
}

QString OpenErrorText(const QString &sql)
{
    return QStringLiteral("数据库打开错误(") + sql + QStringLiteral(")！");
}

} // namespace store
