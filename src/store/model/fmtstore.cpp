#include "store/model/fmtstore.h"

#include "store/db/db.h"
#include "store/model/fieldrow.h"
#include "store/model/gridbind.h"
#include "store/db/progress.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"

#include <QHash>
#include <QSet>

#include <array>
#include <cmath>

namespace store {

namespace {

QString Marker()
{
    return QString::fromUtf8(kFmtParaMarker);
}

QString Resolve(const AppContext &ctx, const QString &name)
{
    return name.isEmpty() ? ctx.FormatName() : name;
}

// A text read as a whole number the way the database would accept it, or nothing.
std::optional<qint64> CellInteger(const QString &text)
{
    const auto l = NumberCell(text).Long();
    if (!l)
        return std::nullopt;
    return qint64(*l);
}

// Columns and values of one field record, built from a grid row.
struct RecordValues
{
    QStringList names;
    SqlArgs values;
    void add(const char *name, const QVariant &v)
    {
        names << QString::fromLatin1(name);
        // An empty cell is an empty text, never NULL.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            values << QVariant(QStringLiteral(""));
        else
            values << v;
    }
    // A cell that is no number is left out: the stored value (or the default) stays.
    void addNumber(const char *name, const NumberCell &cell)
    {
        if (const auto &v = cell.Number())
            add(name, *v);
    }
    void addInteger(const char *name, const NumberCell &cell)
    {
        if (const auto v = cell.Long())
            add(name, qint64(*v));
    }
};

void AddLinkValues(RecordValues &rec, const FieldRow &f)
{
    rec.addNumber("RCtl", f.rctl);
    rec.addNumber("SumID", f.sumId);
    rec.addNumber("SumID1", f.sumId1);
    rec.addInteger("RCtl1", f.rctl1);
}

// The link cells of a row.
std::array<NumberCell *, 4> LinksOf(FieldRow &f)
{
    return {&f.rctl, &f.rctl1, &f.sumId, &f.sumId1};
}

bool SameLinks(const FieldRow &a, const FieldRow &b)
{
    return a.rctl == b.rctl && a.rctl1 == b.rctl1 && a.sumId == b.sumId && a.sumId1 == b.sumId1;
}

bool WriteRecord(const RecordValues &rec, std::optional<qint64> id)
{
    if (id) {
        if (rec.names.isEmpty())
            return true;
        QStringList sets;
        for (const QString &n : rec.names)
            sets << n + QStringLiteral("=?");
        SqlArgs args = rec.values;
        args << *id;
        return Db::Main().ExecSQL(
            QStringLiteral("UPDATE Fmt SET %1 WHERE ID=?").arg(sets.join(u',')), args);
    }
    QStringList marks;
    for (qsizetype i = 0; i < rec.names.size(); ++i)
        marks << QStringLiteral("?");
    return Db::Main().ExecSQL(QStringLiteral("INSERT INTO Fmt(%1) VALUES(%2)")
                                  .arg(rec.names.join(u','), marks.join(u',')),
                              rec.values);
}

QString SwitchText(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

const QStringList &FmtFieldNames()
{
    static const QStringList names = {
        QStringLiteral("ID"),          QString(),
        QStringLiteral("LBL"),         QStringLiteral("Dir"),
        QStringLiteral("X"),           QStringLiteral("Y"),
        QStringLiteral("W"),           QStringLiteral("H"),
        QStringLiteral("S"),           QStringLiteral("L"),
        QStringLiteral("Color"),       QStringLiteral("fName"),
        QStringLiteral("fSize"),       QStringLiteral("fBold"),
        QStringLiteral("fItalic"),     QStringLiteral("fUnderline"),
        QStringLiteral("fStrikethru"), QStringLiteral("Clas"),
        QStringLiteral("Cash"),        QStringLiteral("RCtl"),
        QStringLiteral("SumID"),       QStringLiteral("SumID1"),
        QStringLiteral("RCtl1"),
    };
    return names;
}

const QStringList &FmtFieldCaptions()
{
    static const QStringList captions = {
        QStringLiteral("ID"),
        QStringLiteral("序号"),
        QStringLiteral("标签内容"),
        QStringLiteral("标签位置"),
        QStringLiteral("横向位置(毫米)"),
        QStringLiteral("纵向位置(毫米)"),
        QStringLiteral("宽度(毫米)"),
        QStringLiteral("高度(毫米)"),
        QStringLiteral("字间距(毫米)"),
        QStringLiteral("行距(毫米)"),
        QStringLiteral("字体颜色"),
        QStringLiteral("字体"),
        QStringLiteral("字号"),
        QStringLiteral("黑体"),
        QStringLiteral("斜体"),
        QStringLiteral("下划线"),
        QStringLiteral("删除线"),
        QStringLiteral("类别"),
        QStringLiteral("数据类别"),
        QStringLiteral("关联项"),
        QStringLiteral("累加框"),
        QStringLiteral("累加框1"),
        QStringLiteral("相关项1"),
    };
    return captions;
}

int DirTextToCode(const QString &text)
{
    if (text == u"上方")
        return 0;
    if (text == u"左边")
        return 1;
    if (text == u"右边")
        return 2;
    if (text == u"下方")
        return 3;
    return 0;
}

QString DirCodeToText(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("上方");
    case 1:
        return QStringLiteral("左边");
    case 2:
        return QStringLiteral("右边");
    case 3:
        return QStringLiteral("下方");
    default:
        return QString();
    }
}

double CalibToMargin(double value, int mode)
{
    Q_UNUSED(mode);
    return 10.0 - value;
}

bool LoadFmtPara(AppContext &ctx, const QString &name)
{
    ctx.SetFmtZoom(1.0);
    const QString fmt = Resolve(ctx, name);
    Recordset rs;
    if (!Db::Main().OpenRs(rs,
                           QStringLiteral("SELECT X, Y, W, H, Color, Mem FROM Fmt WHERE Fmt=? "
                                          "AND LBL=? ORDER BY ID LIMIT 1"),
                           {fmt, Marker()}) ||
        rs.RecordCount() < 1)
        return false;
    rs.MoveFirst();

    auto numberOf = [&](const char *field) -> std::optional<double> {
        const QVariant v = rs.Field(QString::fromLatin1(field));
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (v.isNull() || !ok)
            return std::nullopt;
        return d;
    };
    const auto w = numberOf("W");
    const auto h = numberOf("H");
    ctx.SetPageSize(w ? CStr(*w) : ctx.Wid(), h ? CStr(*h) : ctx.Hie());
    const auto x = numberOf("X");
    const auto y = numberOf("Y");
    ctx.SetMargins(x ? CStr(CalibToMargin(*x, 1)) : ctx.MarginX(),
                   y ? CStr(CalibToMargin(*y, 1)) : ctx.MarginY());

    // Fonts were sized on the screen the format was last saved on (its width in Color).
    const double sw = ctx.ScreenWidthTwips();
    const double color = numberOf("Color").value_or(0);
    double zoom = 1.0;
    if (color == 0) {
        if (sw != 15360 && sw > 340)
            zoom = (sw - 340) / 15020.0;
    } else if (color != sw && color > 340 && sw > 340) {
        zoom = (sw - 340) / (color - 340);
    }
    ctx.SetFmtZoom(zoom);

    const QString mem = rs.Text(QStringLiteral("Mem"));
    const QStringList items = mem.split(u'|');
    if (mem.isEmpty() || items.size() < 8)
        return true;
    auto checked = [&](int i) { return items[i].toLower() == u"true"; };
    ctx.SetSwitches(checked(0), checked(1), checked(7));
    for (int i = 0; i < 5; ++i) {
        const auto v = CellInteger(items[i + 2]);
        if (v && *v >= 0 && *v <= 2)
            ctx.SetO2(i, int(*v));
    }
    return true;
}

bool SaveFmtPara(AppContext &ctx, const QString &w, const QString &h, double x, double y,
                 const QString &name)
{
    const QString fmt = Resolve(ctx, name);
    QStringList mem;
    mem << SwitchText(ctx.SetPaper()) << SwitchText(ctx.DiTuPrint());
    for (int i = 0; i < 5; ++i)
        mem << QString::number(ctx.O2(i));
    mem << SwitchText(ctx.PrintRulers());

    RecordValues rec;
    rec.add("Fmt", fmt);
    rec.add("LBL", Marker());
    rec.addNumber("W", NumberCell(w));
    rec.addNumber("H", NumberCell(h));
    rec.add("X", x);
    rec.add("Y", y);
    rec.add("Color", ctx.ScreenWidthTwips());
    rec.add("Mem", mem.join(u'|') + u'|');

    Recordset rs;
    if (!Db::Main().OpenRs(
            rs, QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? AND LBL=? ORDER BY ID LIMIT 1"),
            {fmt, Marker()}))
        return false;
    std::optional<qint64> existing;
    if (rs.RecordCount() > 0)
        existing = rs.Value(0, 0).toLongLong();
    return WriteRecord(rec, existing);
}

bool SaveFmtMargins(AppContext &ctx, const QString &name)
{
    const QString fmt = Resolve(ctx, name);
    if (fmt.isEmpty())
        return false;
    const double x = CalibToMargin(Val(ctx.MarginX()), 0);
    const double y = CalibToMargin(Val(ctx.MarginY()), 0);
    const bool ok = Db::Main().ExecSQL(
        QStringLiteral("UPDATE Fmt SET X=?, Y=? WHERE Fmt=? AND LBL=?"), {x, y, fmt, Marker()});
    if (!ok)
        ReportMessage(QStringLiteral("无法保存格式“%1”的页边距！").arg(fmt), MsgKind::Error);
    return ok;
}

QString LoadFmtState(AppContext &ctx)
{
    Recordset rs;
    if (!Db::Main().OpenRs(
            rs, QStringLiteral("SELECT LBL, fName FROM Fmt WHERE Fmt='' ORDER BY ID LIMIT 1")) ||
        rs.RecordCount() < 1)
        return QString();
    rs.MoveFirst();
    const QString options = rs.Text(QStringLiteral("fName"));
    if (!options.isEmpty()) {
        const QStringList items = options.split(QString::fromUtf16(kStateSeparator));
        for (int i = 0; i < 3 && i < items.size(); ++i) {
            const auto v = CellInteger(items[i]);
            if (v && *v >= 0 && *v <= 2)
                ctx.SetO2(i, int(*v));
        }
    }
    return rs.Text(QStringLiteral("LBL"));
}

bool SaveFmtState(AppContext &ctx, const QString &name)
{
    const QString sep = QString::fromUtf16(kStateSeparator);
    const QString options = QString::number(ctx.O2(0)) + sep + QString::number(ctx.O2(1)) + sep +
                            QString::number(ctx.O2(2));
    return Db::Main().ExecSQL(QStringLiteral("UPDATE Fmt SET LBL=?, fName=? WHERE Fmt=''"),
                              {Resolve(ctx, name), options});
}

bool LoadFmtToGrid(AppContext &ctx, FlexGridModel &grid, const QString &name)
{
    const QString fmt = Resolve(ctx, name);
    const bool redraw = grid.Redraw();
    grid.SetRedraw(false);
    InitGridCols(grid, FmtFieldNames(), FmtFieldCaptions());
    grid.SetTag(QStringLiteral("Fmt"));
    grid.SetSortable(false);
    grid.SetDoubleDecimals(3);
    bool ok = true;
    // The empty name belongs to the state row, never to a format.
    if (!fmt.isEmpty()) {
        ok = LoadTableToGrid(grid, QStringLiteral("Fmt=? AND (LBL IS NULL OR LBL<>?)"),
                             {fmt, Marker()}, QStringLiteral("Clas,ID"));
    }
    const double zoom = ctx.FmtZoom();
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
        // The side is stored as its code and shown as its word.
        grid.SetTextMatrix(r, ColDir, DirCodeToText(int(Val(grid.TextMatrix(r, ColDir)))));
        if (zoom != 1.0) {
            FieldRow f = ReadFieldRow(grid, r);
            if (const auto &size = f.fontSize.Number()) {
                f.fontSize.Set(std::nearbyint(*size * zoom * 100.0) / 100.0);
                WriteFieldRow(grid, r, f);
            }
        }
    }
    grid.SetColWidth(ColID, 900);
    grid.SetRedraw(redraw);
    return ok;
}

QString TranslateLink(const QString &cell, qint64 oldId, qint64 newId, bool sumColumn)
{
    if (oldId <= 0 || oldId == newId)
        return cell;
    const auto v = StrictNumber(cell);
    if (!v)
        return cell;
    const double a = std::fabs(*v);
    const double whole = std::floor(a);
    const bool negative = *v < 0;
    if (a == double(oldId))
        return CStr(negative ? -double(newId) : double(newId));
    if (sumColumn && whole == double(oldId) && std::fabs(a - whole - 0.1) < 1e-9) {
        const double t = double(newId) + 0.1;
        return CStr(negative ? -t : t);
    }
    return cell;
}

std::optional<qint64> SaveRowToDB(FlexGridModel &grid, int row, const QString &fmtName,
                                  std::optional<qint64> existingId,
                                  const std::optional<QString> &mem)
{
    if (row < grid.FixedRows() || row >= grid.Rows())
        return std::nullopt;
    const FieldRow f = ReadFieldRow(grid, row);

    RecordValues rec;
    rec.add("Fmt", fmtName);
    rec.add("LBL", f.lbl);
    rec.addInteger("Clas", f.clas);
    rec.add("Dir", f.dir);
    rec.addNumber("X", f.x);
    rec.addNumber("Y", f.y);
    rec.addNumber("W", f.w);
    rec.addNumber("H", f.h);
    rec.addNumber("S", f.s);
    rec.addNumber("L", f.l);
    rec.add("Color", qint64(f.color));
    rec.add("fName", f.fontName);
    rec.addNumber("fSize", f.fontSize);
    rec.add("fBold", f.bold);
    rec.add("fItalic", f.italic);
    rec.add("fUnderline", f.underline);
    rec.add("fStrikethru", f.strikethru);
    rec.addNumber("Cash", f.cash);
    AddLinkValues(rec, f);
    if (mem)
        rec.add("Mem", *mem);

    if (!WriteRecord(rec, existingId))
        return std::nullopt;
    const qint64 newId = existingId ? *existingId : Db::Main().LastInsertId();
    const auto oldId = f.id.Long();
    if (oldId && *oldId != newId) {
        for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
            FieldRow other = ReadFieldRow(grid, r);
            bool changed = false;
            for (NumberCell *link : LinksOf(other)) {
                const bool sum = link == &other.sumId || link == &other.sumId1;
                const QString t = TranslateLink(link->Text(), *oldId, newId, sum);
                if (t != link->Text()) {
                    link->SetText(t);
                    changed = true;
                }
            }
            if (changed)
                WriteFieldRow(grid, r, other);
        }
    }
    FieldRow saved = ReadFieldRow(grid, row);
    saved.id.Set(double(newId));
    WriteFieldRow(grid, row, saved);
    return newId;
}

bool SaveGridToFmt(AppContext &ctx, FlexGridModel &grid, const QString &name)
{
    const QString fmt = Resolve(ctx, name);
    if (fmt.isEmpty()) {
        ReportMessage(QStringLiteral("格式名称为空，不能保存格式！"), MsgKind::Warning);
        return false;
    }
    const int first = grid.FixedRows();
    const int rows = grid.Rows();

    // What a failed save must put back into the grid: the rows as they were (the save changes
    // only the IDs and the links).
    std::vector<FieldRow> before;
    before.reserve(size_t(std::max(0, rows - first)));
    for (int r = first; r < rows; ++r)
        before.push_back(ReadFieldRow(grid, r));

    CurrentProgress().Start(QStringLiteral("正在保存格式……"), rows + 1);
    bool ok = false;
    {
        Transaction tx;
        ok = tx.Ok();
        Recordset rs;
        QSet<qint64> existing;
        if (ok) {
            ok = Db::Main().OpenRs(rs, QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? ORDER BY ID"),
                                   {fmt});
            for (const QVariantList &rec : rs.Rows())
                existing.insert(rec.value(0).toLongLong());
        }
        // Delete pass: records of the format that no row names, the old whole-format row too.
        if (ok) {
            QSet<qint64> named;
            for (const FieldRow &f : before)
                if (const auto id = f.id.Long())
                    named.insert(*id);
            for (qint64 id : std::as_const(existing)) {
                if (named.contains(id))
                    continue;
                if (!Db::Main().ExecSQL(QStringLiteral("DELETE FROM Fmt WHERE ID=?"), {id})) {
                    ok = false;
                    break;
                }
            }
            CurrentProgress().Step(1, StepShows::CountAndTimes);
        }
        // Write pass, row by row; a second row naming the same ID gets a record of its own.
        std::vector<FieldRow> written(before.size());
        std::vector<qint64> ids(written.size(), 0);
        QSet<qint64> used;
        PageFields *fields = ctx.Fields();
        for (int r = first; ok && r < rows; ++r) {
            std::optional<qint64> target;
            const auto id = ReadFieldRow(grid, r).id.Long();
            if (id && existing.contains(*id) && !used.contains(*id))
                target = *id;
            const std::optional<QString> mem =
                fields ? fields->FixedTextOfRow(r) : std::optional<QString>();
            const auto newId = SaveRowToDB(grid, r, fmt, target, mem);
            if (!newId) {
                ok = false;
                break;
            }
            used.insert(*newId);
            ids[size_t(r - first)] = *newId;
            written[size_t(r - first)] = ReadFieldRow(grid, r);
            CurrentProgress().Step(1, StepShows::CountAndTimes);
        }
        // Rows written before a later row took its new ID carry the old ID in their links.
        for (int r = first; ok && r < rows; ++r) {
            const FieldRow now = ReadFieldRow(grid, r);
            if (SameLinks(now, written[size_t(r - first)]))
                continue;
            RecordValues rec;
            AddLinkValues(rec, now);
            ok = WriteRecord(rec, ids[size_t(r - first)]);
        }
        if (ok) {
            ok = SaveFmtPara(ctx, ctx.Wid(), ctx.Hie(), 10.0 - Val(ctx.MarginX()),
                             10.0 - Val(ctx.MarginY()), fmt);
        }
        if (ok)
            ok = tx.Commit();
        else
            tx.Rollback();
    }
    CurrentProgress().End();

    if (!ok) {
        for (int r = first; r < rows && r - first < int(before.size()); ++r)
            WriteFieldRow(grid, r, before[size_t(r - first)]);
        ReportMessage(QStringLiteral("保存格式“%1”失败，数据库中的格式未作改动！").arg(fmt),
                      MsgKind::Error);
        return false;
    }
    SetGridForeColor(grid, 0);
    return true;
}

} // namespace store
