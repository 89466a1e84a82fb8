#pragma once
// The tables of "DATA.mdb", created on the first start and brought up to date on every start.

#include <QString>
#include <QStringList>

namespace store {

// Our own schema version, kept in PRAGMA user_version.
inline constexpr int kSchemaVersion = 1;

// The marker of a format's whole-format row in Fmt.LBL.
inline constexpr const char *kFmtParaMarker = "【§单据整体格式参数§】";

// Creates every missing table, index and column and the state row of Fmt (Fmt = ''), on the open
// process connection, in one transaction. A new database (no Fmt table before) also receives the
// sample formats, and its state row names the first of them, so the program opens it at once.
// Running it on an up-to-date file writes nothing. False (nothing changed) on a
// failure; the reason is logged and, when asked, given in why.
// A file this build must not write is refused before anything changes: one made by a newer
// build (a higher user_version), or one whose text columns are declared with a type that gives
// them numeric affinity (SQLite would store a typed "0012" as the number 12), or one that is not
// ours (ForeignDatabaseReason).
bool UpgradeDBSchema(QString *why = nullptr);

// Why the open file is another program's database, "" when it may be ours: it carries an
// application id (we set none), it has tables but none of ours, it has a schema version but no
// Fmt, or a table of our name has a column we do not know that must have a value, or lacks one
// of ours (the late columns of Fmt excepted, the upgrade adds those).
QString ForeignDatabaseReason();

// The text columns of the program's tables that the open file declares with a numeric affinity,
// as "table.column（declared type）".
QStringList NumericTextColumns();

// Adds the formats of a sample file (rows of Fmt, see resources/sample_formats.tsv) to the open
// database, giving them new IDs and renumbering their links. A format name that already exists is
// skipped. Runs inside the caller's transaction when there is one. The names added go into
// loaded, in the file's order.
bool LoadSampleFormats(const QString &path = QStringLiteral(":/quorvan/sample_formats.tsv"),
                       QStringList *loaded = nullptr);

} // namespace store
