#include "library/fmtfile.h"

#include "page/backpic.h"
#include "store/db/db.h"
#include "store/db/filewriter.h"
#include "store/view/fmtcmd.h"
#include "store/model/fmtstore.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "store/db/textfile.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <array>
#include <cmath>
#include <vector>

namespace library {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLblBreak = QStringLiteral("‖‖‖");
const QString kMemBreak = QStringLiteral("♂♂");

FileQuestion g_fileQuestion;

QString sep()
{
    return QString::fromUtf16(kFmtFileSeparator);
}

// The columns of a record line in their order.
const char *const kColumns[] = {"ID",    "Clas",  "LBL",     "Dir",        "X",           "Y",
                                "W",     "H",     "S",       "L",          "Color",       "fName",
                                "fSize", "fBold", "fItalic", "fUnderline", "fStrikethru", "Cash",
                                "RCtl",  "Mem",   "SumID",   "SumID1",     "RCtl1"};

QString NumberText(const QVariant &v)
{
    if (v.isNull())
        return QString();
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? store::CStr(d) : v.toString();
}

QString BoolText(const QVariant &v)
{
    const QString t = v.toString().toLower();
    const bool on = t == u"true" || (store::IsNumeric(t) && store::Val(t) != 0);
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

bool IsFmtOfKind(const QString &name)
{
    for (const QString &kind : QStringLiteral("支票,进账单").split(u','))
        if (name.contains(kind))
            return true;
    return false;
}

void SetFileQuestion(FileQuestion question)
{
    g_fileQuestion = std::move(question);
}

QString AskFileName(const QString &filter, bool save, const QString &def)
{
    if (g_fileQuestion)
        return g_fileQuestion(filter, save, def);
    return store::SelectFileDlg(filter, save, def);
}

QString FmtFileText(const QString &name)
{
    store::Recordset rs;
    QStringList cols;
    for (int i = 0; i < 23; ++i)
        cols << QString::fromLatin1(kColumns[i]);
    if (!store::OpenRs(
            rs, QStringLiteral("SELECT %1 FROM Fmt WHERE Fmt=? ORDER BY ID").arg(cols.join(u',')),
            {name}) ||
        rs.RecordCount() == 0)
        return QString();
    QStringList lines;
    lines << QString::fromUtf16(kFmtFileHeader)
          << (IsFmtOfKind(name) ? name : QStringLiteral("支票进账单_") + name);
    for (const auto &row : rs.Rows()) {
        QStringList f;
        // A second related-field link travels as a 23rd field, which every reader of the file
        // accepts; without one the line keeps its usual 22 fields.
        const int count = row.at(22).toDouble() != 0 ? 23 : 22;
        for (int i = 0; i < count; ++i) {
            const QVariant &v = row.at(i);
            switch (i) {
            case 2:
                f << v.toString().replace(kCrLf, kLblBreak);
                break;
            case 19:
                f << v.toString().replace(kCrLf, kMemBreak);
                break;
            case 11:
                f << v.toString();
                break;
            case 13:
            case 14:
            case 15:
            case 16:
                f << BoolText(v);
                break;
            default:
                f << NumberText(v);
            }
        }
        lines << f.join(sep());
    }
    return lines.join(kCrLf);
}

std::optional<QString> ExportFmtFile(store::FormatCommandHost &host, const QString &requested)
{
    const QString name =
        requested.isEmpty() ? host.selectFormatName(false).value_or(QString()) : requested;
    if (name.isEmpty())
        return std::nullopt;
    const QString picture = page::GetBackPicFile(name);
    QString path = AskFileName(QString::fromUtf16(kFmtFileFilter), true,
                               QString(picture).remove(QStringLiteral(".jpg")));
    if (path.isEmpty())
        return std::nullopt;
    if (path.right(4).toLower() != u".cqf")
        path += QStringLiteral(".cqf");
    const QString text = FmtFileText(name);
    if (QFileInfo::exists(path) && !store::AskQuestion(QStringLiteral("文件：“") + path +
                                                       QStringLiteral("”已经存在，是否覆盖？")))
        return std::nullopt;
    // The format file and its picture are both complete on the disk before either replaces an
    // earlier one.
    const QString pictureCopy = path.left(path.size() - 4) + QStringLiteral(".jpg");
    store::FileWriter textOut(path);
    const bool withPicture =
        QFileInfo(picture).isFile() &&
        QFileInfo(picture).absoluteFilePath() != QFileInfo(pictureCopy).absoluteFilePath();
    store::FileWriter pictureOut(pictureCopy);
    bool ok = textOut.Open() && textOut.Write(store::ToGbk(text)) && textOut.Finish();
    if (ok && withPicture)
        ok = pictureOut.Open() && pictureOut.WriteFile(picture) && pictureOut.Finish();
    ok = ok && textOut.Commit() && (!withPicture || pictureOut.Commit());
    if (!ok) {
        const store::FileWriter &failed = textOut.Failed() ? textOut : pictureOut;
        store::ReportMessage(QStringLiteral("格式文件写入失败：“") + failed.Target() +
                                 QStringLiteral("”！\n") + failed.ErrorText().section(u'\n', 1),
                             store::MsgKind::Error);
        return std::nullopt;
    }
    store::ReportMessage(QStringLiteral("格式：“") + name + QStringLiteral("”导出完成！"));
    return name;
}

bool ImportFmtFile(store::FormatCommandHost &host, const QString &requested,
                   const QString &givenPicture)
{
    QString path = requested.trimmed();
    if (path.isEmpty()) {
        path = AskFileName(QString::fromUtf16(kFmtFileFilter), false, QString());
        if (path.isEmpty() || !QFileInfo(path).isFile())
            return false;
    }
    store::StartProgress(QStringLiteral("正在导入格式..."), 3);
    store::ProgressGuard progress;
    // The file is complete when it gets here (a download is written whole before its import): one
    // try, and a file that cannot be read is reported at once. An empty one is no format file.
    QString text;
    if (!store::ReadTextFile(path, &text)) {
        store::ReportMessage(QStringLiteral("无法打开下载文档：\r\n") + path,
                             store::MsgKind::Warning);
        return false;
    }
    const QString unknown = QStringLiteral("无法识别此文件，请确认文件：“") + path +
                            QStringLiteral("”为支票格式文件！");
    // The lines as views of the text (a record broken over lines is the text that spans them).
    std::vector<QStringView> lines;
    for (qsizetype from = 0;;) {
        const qsizetype end = text.indexOf(kCrLf, from);
        lines.push_back(QStringView(text).sliced(from, (end < 0 ? text.size() : end) - from));
        if (end < 0)
            break;
        from = end + 2;
    }
    if (lines.size() < 3 || lines.at(0) != QString::fromUtf16(kFmtFileHeader)) {
        store::ReportMessage(unknown, store::MsgKind::Warning);
        return false;
    }
    if (!IsFmtOfKind(lines.at(1).toString())) {
        store::ReportMessage(QStringLiteral("此格式不属于支票,进账单，无法导入！"),
                             store::MsgKind::Warning);
        return false;
    }
    // Named after the file; a file name of no kind would make a format the manager never lists,
    // so the name line (which is of kind) is proposed then.
    QString name = QFileInfo(path).completeBaseName();
    if (name.isEmpty() || !IsFmtOfKind(name))
        name = lines.at(1).toString();
    // A name that is taken, or cannot be a format's name, is asked for again. The question
    // opens above the progress window, which shows again when it is answered.
    name = store::AskFmtName(host, name, true);
    if (name.isEmpty())
        return false;
    store::StepProgress(1, store::StepShows::CountAndTimes);

    // A record broken over several lines is joined again (never into the first two lines): from
    // the last line up, a line that together with what was joined to it holds fewer than 21
    // fields goes onto the line before it. Each line's separators are counted once.
    const QString separator = sep();
    const size_t lineCount = lines.size();
    std::vector<bool> begins(lineCount, true);
    qsizetype joined = 0; // separators of the lines joined to the one looked at
    for (size_t i = lineCount - 1; i >= 3; --i) {
        const qsizetype seps = lines[i].count(separator) + joined;
        begins[i] = seps >= 20;
        joined = begins[i] ? 0 : seps;
    }
    store::Db &db = store::Db::Main();
    store::Transaction tx(db);
    bool ok = tx.Ok();
    QStringList cols;
    for (int i = 1; i < 23; ++i)
        cols << QString::fromLatin1(kColumns[i]);
    const QString insert = QStringLiteral("INSERT INTO Fmt(Fmt,%1) VALUES(?%2)")
                               .arg(cols.join(u','), QStringLiteral(",?").repeated(cols.size()));
    // Every record must have its fields, and the whole-format row must be among them: a format
    // without it has no size and would never be listed. The rows go in as they are read, a few
    // hundred at a time; a bad file rolls them back.
    auto refuse = [&](const QString &message) {
        tx.Rollback();
        store::ReportMessage(message, store::MsgKind::Warning);
        return false;
    };
    std::vector<store::SqlArgs> chunk(512);
    size_t filled = 0;
    std::vector<std::array<double, 4>> links; // RCtl, SumID, SumID1, RCtl1 of each row
    std::vector<qint64> oldIds;
    bool hasFmtPara = false;
    QList<QStringView> f;
    for (size_t first = 2; ok && first < lineCount;) {
        size_t last = first + 1;
        while (last < lineCount && !begins[last])
            ++last;
        const QStringView record(lines[first].data(),
                                 lines[last - 1].data() + lines[last - 1].size());
        first = last;
        f.clear();
        for (const QStringView field : record.tokenize(separator))
            f << field;
        if (f.size() < 21)
            return refuse(QStringLiteral("格式文件有错！"));
        hasFmtPara |= f.at(2) == QString::fromUtf8(store::kFmtParaMarker);
        auto number = [&](int k) { return k < f.size() ? store::Val(f.at(k)) : 0.0; };
        auto flag = [&](int k) {
            return f.at(k).compare(u"true", Qt::CaseInsensitive) == 0 ? 1 : 0;
        };
        store::SqlArgs &args = chunk[filled++];
        args.clear();
        args << name << number(1) << f.at(2).toString().replace(kLblBreak, kCrLf)
             << (f.at(3).trimmed().isEmpty() ? QVariant(0) : QVariant(store::Val(f.at(3))));
        for (int k = 4; k <= 10; ++k)
            args << number(k);
        args << f.at(11).toString() << number(12);
        for (int k = 13; k <= 16; ++k)
            args << flag(k);
        const std::array<double, 4> l{number(18), number(20), f.size() >= 22 ? number(21) : 0.0,
                                      f.size() >= 23 ? number(22) : 0.0};
        args << number(17) << l[0] << f.at(19).toString().replace(kMemBreak, kCrLf) << l[1] << l[2]
             << l[3];
        links.push_back(l);
        oldIds.push_back(qint64(std::llround(store::Val(f.at(0)))));
        if (filled == chunk.size() || first >= lineCount) {
            chunk.resize(filled);
            ok = db.ExecRows(insert, chunk);
            chunk.resize(512);
            filled = 0;
        }
    }
    if (ok && !hasFmtPara)
        return refuse(unknown);

    // The name is new, and the IDs only grow: the format's rows in ID order are the lines in
    // file order.
    std::vector<qint64> newIds;
    if (ok) {
        store::Recordset rs;
        ok = db.OpenRs(rs, QStringLiteral("SELECT ID FROM Fmt WHERE Fmt=? ORDER BY ID"), {name}) &&
             size_t(rs.RecordCount()) == links.size();
        for (int r = 0; ok && r < rs.RecordCount(); ++r)
            newIds.push_back(rs.Value(r, 0).toLongLong());
    }
    // The links name rows of the exporting database: each becomes the new ID of the first line
    // that carried the old one, sign and negate tenth kept. Unknown targets stay as they were.
    QHash<qint64, qint64> firstNewId;
    for (size_t r = newIds.size(); r-- > 0;) // the first line wins
        firstNewId[oldIds[r]] = newIds[r];
    std::vector<store::SqlArgs> updates;
    for (size_t r = 0; r < newIds.size(); ++r) {
        store::SqlArgs values;
        bool changed = false;
        for (int c = 0; c < 4; ++c) {
            const double v = links[r][size_t(c)];
            values << v;
            if (v == 0)
                continue;
            const qint64 target = qint64(std::floor(std::fabs(v) + 1e-6));
            const auto found = firstNewId.constFind(target);
            if (found == firstNewId.constEnd())
                continue;
            const QString cell =
                store::TranslateLink(store::CStr(v), target, *found, c == 1 || c == 2);
            if (cell != store::CStr(v)) {
                values[c] = store::Val(cell);
                changed = true;
            }
        }
        if (changed)
            updates.push_back(values << newIds[r]);
    }
    ok = ok && db.ExecRows(QStringLiteral("UPDATE Fmt SET RCtl=?, SumID=?, SumID1=?, RCtl1=? "
                                          "WHERE ID=?"),
                           updates);
    if (!ok || !tx.Commit()) {
        store::ReportMessage(QStringLiteral("无法导入格式“") + name +
                                 QStringLiteral("”，数据库未作改动！"),
                             store::MsgKind::Error);
        return false;
    }
    store::StepProgress(1, store::StepShows::CountAndTimes);

    const QString picture =
        givenPicture.isEmpty() ? path.left(path.size() - 4) + QStringLiteral(".jpg") : givenPicture;
    const QString installed = page::GetBackPicFile(name);
    QString error;
    if (QFileInfo(picture).isFile() && !store::CopyFileOver(picture, installed, &error))
        store::ReportMessage(QStringLiteral("无法复制格式图片：“") + installed +
                                 QStringLiteral("”！\n") + error.section(u'\n', 1),
                             store::MsgKind::Warning);
    store::EndProgress();
    if (store::AskQuestion(QStringLiteral("格式“") + name +
                           QStringLiteral("”导入成功,立即调用此格式？"))) {
        QString open = name;
        store::OpenFmt(host, open, false);
    }
    return true;
}

} // namespace library
