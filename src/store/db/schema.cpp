#include "store/db/schema.h"

#include "store/db/db.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QSet>

#include <cmath>

namespace store {

namespace {

// Text columns are TEXT (never MEMO or LONG, whose numeric affinity turns "0012" into 12).
// Fmt.ID never reuses a number (history rows outlive the fields they name). The IDs of 历史, 默认
// and 映射 repeat and are no keys. Booleans are 0/1, dates ISO text.
const char *const kTables[][2] = {
    {"Fmt", "CREATE TABLE Fmt("
            "ID INTEGER PRIMARY KEY AUTOINCREMENT,"
            "Fmt TEXT NOT NULL DEFAULT '',"
            "LBL TEXT,"
            "Dir INTEGER DEFAULT 0,"
            "X DOUBLE, Y DOUBLE, W DOUBLE, H DOUBLE, S DOUBLE, L DOUBLE,"
            "Color INTEGER DEFAULT 0,"
            "fName TEXT,"
            "fSize DOUBLE,"
            "fBold BOOLEAN NOT NULL DEFAULT 0,"
            "fItalic BOOLEAN NOT NULL DEFAULT 0,"
            "fUnderline BOOLEAN NOT NULL DEFAULT 0,"
            "fStrikethru BOOLEAN NOT NULL DEFAULT 0,"
            "Clas INTEGER DEFAULT 0,"
            "Cash DOUBLE DEFAULT 0,"
            "RCtl DOUBLE DEFAULT 0,"
            "Mem TEXT,"
            "SumID DOUBLE DEFAULT 0,"
            "SumID1 DOUBLE DEFAULT 0,"
            "RCtl1 INTEGER DEFAULT 0)"},
    {"历史", "CREATE TABLE 历史(Fmt TEXT NOT NULL, ID INTEGER NOT NULL, CID INTEGER NOT NULL, "
             "Con TEXT)"},
    {"默认", "CREATE TABLE 默认(Fmt TEXT NOT NULL, ID INTEGER NOT NULL, Con TEXT)"},
    {"映射", "CREATE TABLE 映射(ID INTEGER NOT NULL, Fmt TEXT NOT NULL, Map TEXT)"},
    {"参数", "CREATE TABLE 参数(ID INTEGER PRIMARY KEY AUTOINCREMENT, Var TEXT, Con TEXT)"},
    {"网站格式", "CREATE TABLE 网站格式(ID INTEGER PRIMARY KEY AUTOINCREMENT, Clas TEXT, Name TEXT, "
                 "fPath TEXT, pPath TEXT, Dat DATE)"},
};

const char *const kIndexes[][2] = {
    {"Fmt_by_name", "CREATE INDEX Fmt_by_name ON Fmt(Fmt, Clas, ID)"},
    {"历史_fmt_id", "CREATE INDEX 历史_fmt_id ON 历史(Fmt, ID)"},
    {"历史_cid", "CREATE INDEX 历史_cid ON 历史(CID)"},
    // Type-ahead and related fields: one field's values of one format by prefix or exact
    // content, newest print first.
    {"历史_fmt_cid_con", "CREATE INDEX 历史_fmt_cid_con ON 历史(Fmt, CID, Con, ID)"},
    {"默认_fmt", "CREATE INDEX 默认_fmt ON 默认(Fmt)"},
    {"映射_fmt", "CREATE INDEX 映射_fmt ON 映射(Fmt)"},
    {"参数_var", "CREATE INDEX 参数_var ON 参数(Var)"},
};

// Columns a file made by an earlier build may lack.
const char *const kLateColumns[][2] = {
    {"SumID", "DOUBLE"},
    {"SumID1", "DOUBLE"},
    {"RCtl1", "INTEGER"},
};

bool IndexExists(Db &db, const QString &name)
{
    Recordset rs;
    return db.OpenRs(rs, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='index' AND name=?"),
                     {name}, true)
           && rs.RecordCount() > 0;
}

int UserVersion(Db &db)
{
    Recordset rs;
    if (!db.OpenRs(rs, QStringLiteral("PRAGMA user_version"), {}, true) || rs.RecordCount() == 0)
        return -1;
    return rs.Value(0, 0).toInt();
}

// SQLite's column affinity of a declared type: INTEGER, REAL and NUMERIC turn number-like text
// into numbers; TEXT and BLOB (no type) keep it as typed.
bool HasNumericAffinity(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return true;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB"))
        || t.contains(QLatin1String("TEXT")))
        return false;
    if (t.isEmpty() || t.contains(QLatin1String("BLOB")))
        return false;
    return true;
}

struct ColumnInfo
{
    QString name;
    QString declared;
    bool notNull = false;
    bool hasDefault = false;
    bool rowidKey = false;
};

std::vector<ColumnInfo> ColumnsOf(Db &db, const QString &table)
{
    std::vector<ColumnInfo> cols;
    Recordset rs;
    if (!db.OpenRs(rs,
                   QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk FROM "
                                  "pragma_table_info(?) ORDER BY cid"),
                   {table}, true))
        return cols;
    for (const auto &r : rs.Rows()) {
        ColumnInfo c;
        c.name = r.at(0).toString();
        c.declared = r.at(1).toString();
        c.notNull = r.at(2).toInt() != 0;
        c.hasDefault = !r.at(3).isNull();
        c.rowidKey =
            r.at(4).toInt() == 1 && c.declared.compare(u"INTEGER", Qt::CaseInsensitive) == 0;
        cols.push_back(c);
    }
    return cols;
}

int PragmaNumber(Db &db, const char *pragma)
{
    Recordset rs;
    if (!db.OpenRs(rs, QStringLiteral("PRAGMA %1").arg(QString::fromLatin1(pragma)), {}, true) ||
        rs.RecordCount() == 0)
        return 0;
    return rs.Value(0, 0).toInt();
}

} // namespace

QString ForeignDatabaseReason()
{
    Db &db = Db::Main();
    const int appId = PragmaNumber(db, "application_id");
    if (appId != 0)
        return QStringLiteral("数据库文件属于另一个程序（应用标识 0x%1）。")
            .arg(quint32(appId), 8, 16, QLatin1Char('0'));

    QSet<QString> ours;
    for (const auto &t : kTables)
        ours.insert(QString::fromUtf8(t[0]).toLower());
    QStringList theirs, shared;
    {
        Recordset rs;
        if (!db.OpenRs(rs,
                       QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name "
                                      "NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"),
                       {}, true))
            return db.LastError();
        for (const auto &r : rs.Rows()) {
            const QString name = r.at(0).toString();
            (ours.contains(name.toLower()) ? shared : theirs) << name;
        }
    }
    if (shared.isEmpty() && !theirs.isEmpty())
        return QStringLiteral("数据库文件属于另一个程序，其中没有本程序的表，只有：") +
               theirs.join(QStringLiteral("、"));
    const int version = UserVersion(db);
    if (version != 0 && !db.TableExists(QStringLiteral("Fmt")))
        return QStringLiteral(
                   "数据库文件的结构版本为%1，却没有本程序的格式表Fmt，它不是本程序的数据库。")
            .arg(version);

    // A file of a newer build of ours may have columns we do not know yet; it is refused as such.
    if (version > kSchemaVersion)
        return QString();
    // Tables of our names must take our rows: a column we do not know that insists on a value,
    // or a column of ours that is missing, would make every write fail.
    Db model;
    if (!model.OpenConn(QStringLiteral(":memory:"), true))
        return QString();
    QStringList problems;
    for (const auto &t : kTables) {
        const QString table = QString::fromUtf8(t[0]);
        model.ExecSQL(QString::fromUtf8(t[1]));
        if (!db.TableExists(table))
            continue;
        QSet<QString> known;
        for (const Db::Column &c : model.TableColumns(table))
            known.insert(c.name.toLower());
        QSet<QString> present;
        for (const ColumnInfo &c : ColumnsOf(db, table)) {
            present.insert(c.name.toLower());
            if (!known.contains(c.name.toLower()) && c.notNull && !c.hasDefault && !c.rowidKey)
                problems << table + u'.' + c.name +
                                QStringLiteral("（本程序不认识、又不许为空的列）");
        }
        for (const Db::Column &c : model.TableColumns(table)) {
            bool late = false;
            for (const auto &l : kLateColumns)
                late |= table == u"Fmt" && c.name == QString::fromUtf8(l[0]);
            if (!late && !present.contains(c.name.toLower()))
                problems << table + u'.' + c.name + QStringLiteral("（缺少这一列）");
        }
    }
    if (!problems.isEmpty())
        return QStringLiteral("数据库文件不是本程序的，它的表与本程序的不同：") +
               problems.join(QStringLiteral("、"));
    return QString();
}

QStringList NumericTextColumns()
{
    Db &db = Db::Main();
    // Our own tables, made in memory, say which columns hold text.
    Db model;
    if (!model.OpenConn(QStringLiteral(":memory:"), true))
        return {};
    QStringList found;
    for (const auto &t : kTables) {
        const QString table = QString::fromUtf8(t[0]);
        model.ExecSQL(QString::fromUtf8(t[1]));
        if (!db.TableExists(table))
            continue;
        QSet<QString> textColumns;
        for (const Db::Column &c : model.TableColumns(table))
            if (!HasNumericAffinity(c.declared))
                textColumns.insert(c.name);
        for (const Db::Column &c : db.TableColumns(table))
            if (textColumns.contains(c.name) && HasNumericAffinity(c.declared))
                found << table + u'.' + c.name + QStringLiteral("（") + c.declared
                             + QStringLiteral("）");
    }
    return found;
}

bool UpgradeDBSchema(QString *why)
{
    Db &db = Db::Main();
    auto Fail = [&](const char *what) {
        qWarning().noquote() << "schema upgrade failed:" << what << db.LastError();
        if (why)
            *why = QStringLiteral("无法更新数据库文件的结构。\n（详细信息：") +
                   (db.LastError().isEmpty() ? QString::fromUtf8(what) : db.LastError()) +
                   QStringLiteral("）");
        return false;
    };
    auto Refuse = [&](const QString &reason) {
        qWarning().noquote() << "database refused:" << reason;
        if (why)
            *why = reason;
        return false;
    };
    if (!db.IsOpen())
        return Fail("no database");
    const QString foreign = ForeignDatabaseReason();
    if (!foreign.isEmpty())
        return Refuse(foreign);
    const int version = UserVersion(db);
    if (version > kSchemaVersion)
        return Refuse(QStringLiteral("数据库文件由较新版本的程序建立（结构版本%1，本程序支持到%2），"
                                     "请使用新版本的程序打开。")
                          .arg(version)
                          .arg(kSchemaVersion));
    const QStringList numeric = NumericTextColumns();
    if (!numeric.isEmpty())
        return Refuse(QStringLiteral("数据库文件的文本列声明为数字类型，文本会被改成数字（如0012变成12）：")
                      + numeric.join(QStringLiteral("、")));
    Transaction tx(db);
    if (!tx.Ok())
        return Fail("BEGIN");

    const bool newDatabase = !db.TableExists(QStringLiteral("Fmt"));
    for (const auto &t : kTables) {
        if (!db.TableExists(QString::fromUtf8(t[0])) && !db.ExecSQL(QString::fromUtf8(t[1])))
            return Fail(t[0]);
    }
    for (const auto &c : kLateColumns) {
        if (!db.AddFieldIfMissing(QStringLiteral("Fmt"), QString::fromUtf8(c[0]),
                                  QString::fromUtf8(c[1])))
            return Fail(c[0]);
    }
    for (const auto &i : kIndexes) {
        if (!IndexExists(db, QString::fromUtf8(i[0])) && !db.ExecSQL(QString::fromUtf8(i[1])))
            return Fail(i[0]);
    }
    // The state row: the last open format and three options. Its Fmt is '' (never NULL).
    Recordset rs;
    if (!db.OpenRs(rs, QStringLiteral("SELECT ID FROM Fmt WHERE Fmt='' LIMIT 1"), {}, true))
        return Fail("state row");
    if (rs.RecordCount() == 0
        && !db.ExecSQL(QStringLiteral("INSERT INTO Fmt(Fmt, LBL, fName) VALUES('', '', '')")))
        return Fail("state row");
    if (newDatabase) {
        QStringList samples;
        if (!LoadSampleFormats(QStringLiteral(":/quorvan/sample_formats.tsv"), &samples))
            return Fail("sample formats");
        if (!samples.isEmpty()
            && !db.ExecSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt='' AND LBL=''"),
                           {samples.first()}))
            return Fail("state row");
    }
    if (UserVersion(db) < kSchemaVersion
        && !db.ExecSQL(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion)))
        return Fail("user_version");
    return tx.Commit() || Fail("COMMIT");
}

namespace {

const QStringList kLinkColumns = {QStringLiteral("RCtl"), QStringLiteral("RCtl1"),
                                  QStringLiteral("SumID"), QStringLiteral("SumID1")};

// A link code ±(id + f) with the sample file's id replaced by the new one.
QVariant RenumberLink(const QVariant &code, const QHash<qint64, qint64> &ids)
{
    if (code.isNull())
        return code;
    const double v = code.toDouble();
    if (v == 0)
        return code;
    const double a = std::abs(v);
    const qint64 oldId = qint64(a);
    const double frac = a - double(oldId);
    const auto it = ids.constFind(oldId);
    if (it == ids.constEnd())
        return 0;
    const double renumbered = double(*it) + frac;
    return v < 0 ? -renumbered : renumbered;
}

} // namespace

bool LoadSampleFormats(const QString &path, QStringList *loaded)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning().noquote() << "sample formats not readable:" << path;
        return false;
    }
    QStringList header;
    std::vector<QStringList> rows;
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine());
        if (line.endsWith(u'\n'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cells = line.split(u'\t');
        if (header.isEmpty())
            header = cells;
        else
            rows.push_back(cells);
    }
    const int idCol = int(header.indexOf(QStringLiteral("ID")));
    const int fmtCol = int(header.indexOf(QStringLiteral("Fmt")));
    if (idCol < 0 || fmtCol < 0)
        return false;

    Db &db = Db::Main();
    const auto columns = db.TableColumns(QStringLiteral("Fmt"));
    QHash<QString, ColType> types;
    for (const auto &c : columns)
        types.insert(c.name, c.type);

    QStringList insertCols;
    for (int i = 0; i < header.size(); ++i)
        if (i != idCol)
            insertCols << header.at(i);
    for (const QString &c : insertCols)
        if (!types.contains(c))
            return false;
    const QString placeholders = QStringLiteral("?,").repeated(insertCols.size()).chopped(1);
    const QString insert = QStringLiteral("INSERT INTO Fmt(%1) VALUES(%2)")
                               .arg(insertCols.join(u','), placeholders);

    Transaction tx(db);
    if (!tx.Ok())
        return false;
    QSet<QString> existing;
    {
        Recordset rs;
        if (!db.OpenRs(rs, QStringLiteral("SELECT DISTINCT Fmt FROM Fmt"), {}, true))
            return false;
        for (const auto &r : rs.Rows())
            existing.insert(r.at(0).toString());
    }

    QHash<qint64, qint64> ids;
    std::vector<std::pair<qint64, QVariantList>> links; // new ID, link values to renumber
    for (const QStringList &cells : rows) {
        if (cells.size() != header.size())
            return false;
        if (existing.contains(cells.at(fmtCol)))
            continue;
        SqlArgs args;
        QVariantList linkValues;
        for (int i = 0; i < header.size(); ++i) {
            if (i == idCol)
                continue;
            const QString &cell = cells.at(i);
            QVariant v;
            if (cell.isEmpty()) {
                v = QVariant();
            } else if (types.value(header.at(i)) == ColType::Text) {
                v = cell;
            } else {
                bool ok = false;
                const double d = cell.toDouble(&ok);
                if (!ok)
                    return false;
                v = d;
            }
            if (kLinkColumns.contains(header.at(i)))
                linkValues << v;
            args << v;
        }
        if (!db.ExecSQL(insert, args))
            return false;
        if (loaded && !loaded->contains(cells.at(fmtCol)))
            *loaded << cells.at(fmtCol);
        const qint64 newId = db.LastInsertId();
        ids.insert(cells.at(idCol).toLongLong(), newId);
        links.emplace_back(newId, linkValues);
    }

    QStringList linkCols;
    for (const QString &c : header)
        if (kLinkColumns.contains(c))
            linkCols << c + QStringLiteral("=?");
    if (!linkCols.isEmpty()) {
        const QString update =
            QStringLiteral("UPDATE Fmt SET %1 WHERE ID=?").arg(linkCols.join(u','));
        for (const auto &[newId, values] : links) {
            bool any = false;
            SqlArgs args;
            for (const QVariant &v : values) {
                const QVariant r = RenumberLink(v, ids);
                any = any || (!v.isNull() && v.toDouble() != 0);
                args << r;
            }
            if (!any)
                continue;
            args << newId;
            if (!db.ExecSQL(update, args))
                return false;
        }
    }
    return tx.Commit();
}

} // namespace store
