#include "store/view/fmtcmd.h"

#include "store/db/db.h"
#include "store/model/defaults.h"
#include "store/db/filewriter.h"
#include "store/model/fmtstore.h"
#include "store/model/history.h"
#include "store/db/reporter.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace store {

namespace {

int g_busy = 0;

class BusyGuard
{
public:
    BusyGuard() { ++g_busy; }
    ~BusyGuard() { --g_busy; }
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;
};

} // namespace

bool FmtCommandBusy()
{
    return g_busy > 0;
}

bool FmtExists(const QString &name)
{
    if (name.isEmpty())
        return false;
    Recordset rs;
    return OpenRs(rs, QStringLiteral("SELECT 1 FROM Fmt WHERE Fmt=? LIMIT 1"), {name}) &&
           rs.RecordCount() > 0;
}

void OpenFmt(FormatCommandHost &host, QString &name, bool force)
{
    if (FmtCommandBusy())
        return;
    AppContext &ctx = host.context();
    // The choice is made before the command counts as running: the chooser (the format manager)
    // deletes and imports formats through these same commands while it is open, and it keeps the
    // rest of the program out by itself.
    if (name.isEmpty())
        name = host.chooseFormat().value_or(QString());
    if (name.isEmpty())
        return;
    // A name that is no longer stored (the format used last was deleted): the user chooses.
    if (!FmtExists(name) && !(name == ctx.FormatName() && !force)) {
        name = host.chooseFormat().value_or(QString());
        if (name.isEmpty() || !FmtExists(name))
            return;
    }
    if (FmtCommandBusy())
        return;
    BusyGuard busy;
    const QString current = ctx.FormatName();
    if (name == current && !force)
        return;
    emit ctx.formatSwitching(current, name);
    if (name != current) {
        // A format deleted meanwhile (the one used last, say) keeps no default record.
        if (FmtExists(current))
            SaveDefaultRecord(ctx, current);
        ctx.SetFormatName(name);
    }
    host.initFmtOnPage(name);
    SaveFmtState(ctx, name);
    LoadDefaultRecord(ctx, name);
    host.autoFillDates();
    for (int i = 0; i < 5; ++i)
        host.O2_Click(i);
}

namespace {

// Characters a name may not hold because the eye cannot see them for what they are: controls
// (C0, DEL, C1), format characters (the bidirectional overrides that turn the rest of a name
// around, the zero-width ones that make two names look alike), the line and paragraph
// separators, every code point Unicode tells a program to show as nothing (its
// Default_Ignorable_Code_Point property: the Hangul fillers, variation selectors, tags and the
// code points kept for more of them) and the braille blank, a filler that shows as a space.
bool IsHiddenChar(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        break;
    }
    static constexpr std::pair<char32_t, char32_t> kIgnorable[] = {
        {0x00AD, 0x00AD},   {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},
        {0x17B4, 0x17B5},   {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},
        {0x2060, 0x206F},   {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
        {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
        {0xE0000, 0xE0FFF},
    };
    for (const auto &[first, last] : kIgnorable)
        if (c >= first && c <= last)
            return true;
    return c == 0x2800 || c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool HasHiddenChars(const QString &name)
{
    const QList<uint> cs = name.toUcs4();
    return std::any_of(cs.begin(), cs.end(), IsHiddenChar);
}

// A name of spaces alone (the hidden characters aside).
bool ShowsNothing(const QString &name)
{
    const QList<uint> cs = name.toUcs4();
    return !cs.isEmpty() && std::all_of(cs.begin(), cs.end(), [](char32_t c) {
        return QChar::isSpace(c) || IsHiddenChar(c);
    });
}

// The name with each hidden character replaced by replacement (or dropped, when it is empty).
QString ReplaceHiddenChars(const QString &name, const QString &replacement)
{
    QString out;
    out.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        if (IsHiddenChar(c))
            out += replacement;
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

} // namespace

QString FmtNameFault(const QString &name, const QString &pictureFile)
{
    if (HasHiddenChars(name) || ShowsNothing(name))
        return QStringLiteral("含有控制字符");
    // A file name has at most 255 bytes, and FileWriter writes the picture first under
    // ".<name>.<up to 5 characters>.part" beside it.
    constexpr qsizetype kWriterRoom = 12;
    if (QFile::encodeName(QFileInfo(pictureFile).fileName()).size() > 255 - kWriterRoom)
        return QStringLiteral("太长");
    return QString();
}

QString AskFmtName(FormatCommandHost &host, QString name, bool mustBeNew)
{
    for (;;) {
        const QString fault = FmtNameFault(name, host.backPicFile(name));
        if (fault.isEmpty() && !(mustBeNew && FmtExists(name)))
            return name;
        QString shown = name;
        QString prompt = QStringLiteral("”已存在，请另取格式名！");
        QString preset = name;
        if (!fault.isEmpty()) {
            // Offered instead: the name without its control characters, cut to what fits.
            preset = ReplaceHiddenChars(preset, QString());
            while (!preset.isEmpty() && !FmtNameFault(preset, host.backPicFile(preset)).isEmpty())
                preset.chop(preset.back().isLowSurrogate() ? 2 : 1);
            // The name as shown: each control character a box (each character, when it shows
            // as nothing at all), a long one cut short.
            shown = ShowsNothing(shown) ? QStringLiteral("□").repeated(shown.toUcs4().size())
                                        : ReplaceHiddenChars(shown, QStringLiteral("□"));
            if (shown.size() > 30)
                shown = shown.left(30) + u'…';
            prompt = QStringLiteral("”") + fault + QStringLiteral("，请另取格式名！");
        }
        name = AskText(QStringLiteral("格式：“") + shown + prompt, preset,
                       QStringLiteral("格式名输入"))
                   .value_or(QString())
                   .trimmed();
        if (name.isEmpty())
            return QString();
    }
}

bool SaveFmtAs(FormatCommandHost &host, const QString &requested)
{
    if (FmtCommandBusy())
        return false;
    BusyGuard busy;
    AppContext &ctx = host.context();
    QString name =
        requested.isEmpty() ? host.selectFormatName(true).value_or(QString()) : requested;
    name = name.isEmpty() ? name : AskFmtName(host, name, false);
    if (name.isEmpty())
        return false;
    FlexGridModel *grid = ctx.FieldGrid();
    if (!grid)
        return false;
    const QString current = ctx.FormatName();
    SaveDefaultRecord(ctx, current);
    if (FmtExists(name) && !AskQuestion(QStringLiteral("该格式已经存在，是否覆盖？")))
        return false;
    if (!SaveGridToFmt(ctx, *grid, name))
        return false;
    // The picture follows only a save that went ahead, and never replaces the target's own.
    const QString from = host.backPicFile(current);
    const QString to = host.backPicFile(name);
    QString error;
    if (!current.isEmpty() && from != to && QFile::exists(from) && !QFile::exists(to) &&
        !CopyFileOver(from, to, &error))
        ReportMessage(error, MsgKind::Warning);
    ctx.SetFormatName(name);
    // Once more under the new name: every row is matched by its new ID, links hold final IDs.
    SaveGridToFmt(ctx, *grid, QString());
    SaveFmtState(ctx, name);
    HistoryEvents::Instance().Changed(name);
    return true;
}

bool SaveFmt(FormatCommandHost &host)
{
    if (FmtCommandBusy())
        return false;
    BusyGuard busy;
    AppContext &ctx = host.context();
    FlexGridModel *grid = ctx.FieldGrid();
    if (!grid || !SaveGridToFmt(ctx, *grid, QString()))
        return false;
    HistoryEvents::Instance().Changed(ctx.FormatName());
    return true;
}

bool DeleteFmt(FormatCommandHost &host, const QString &requested)
{
    if (FmtCommandBusy())
        return false;
    BusyGuard busy;
    AppContext &ctx = host.context();
    const QString name =
        requested.isEmpty() ? host.selectFormatName(false).value_or(QString()) : requested;
    if (name.isEmpty())
        return false;
    if (name == ctx.FormatName()) {
        ReportMessage(QStringLiteral("此格式为当前格式，不允许删除！"), MsgKind::Warning);
        return false;
    }
    if (!AskQuestion(QStringLiteral("您确定要删除格式：“") + name + QStringLiteral("”？")))
        return false;
    Db &db = Db::Main();
    Transaction tx(db);
    bool ok = tx.Ok();
    for (const char *table : {"历史", "映射", "Fmt"}) {
        if (!ok)
            break;
        ok = db.ExecSQL(QStringLiteral("DELETE FROM %1 WHERE Fmt=?").arg(QString::fromUtf8(table)),
                        {name});
    }
    if (!ok || !tx.Commit()) {
        ReportMessage(QStringLiteral("无法删除格式：“") + name + QStringLiteral("”！"),
                      MsgKind::Error);
        return false;
    }
    return true;
}

void FillFmtFieldCombo(QComboBox &combo, const QString &column)
{
    combo.clear();
    // The column name is program text; anything that is no column of Fmt lists nothing.
    bool known = false;
    for (const Db::Column &c : Db::Main().TableColumns(QStringLiteral("Fmt")))
        known |= c.name == column;
    if (!known)
        return;
    Recordset rs;
    if (!OpenRs(rs, QStringLiteral("SELECT %1 FROM Fmt GROUP BY %1 ORDER BY %1 COLLATE %2")
                        .arg(column, QString::fromLatin1(kOrderCollate))))
        return;
    for (const auto &row : rs.Rows()) {
        const QVariant &v = row.at(0);
        if (v.isNull() || v.toString().isEmpty())
            continue;
        combo.addItem(v.toString());
    }
}

} // namespace store
