#include "page/backpic.h"

#include "page/pageview.h"
#include "store/db/filewriter.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace page {

namespace {

QImage loadPicture(const QString &path)
{
    QImageReader r(path);
    r.setAutoTransform(true);
    return r.read();
}

} // namespace

QString GetBackPicFile(const QString &fmtName, const QString &folder)
{
    static const struct
    {
        QChar from;
        QChar to;
    } map[] = {{u'*', u'0'},  {u'?', u'1'}, {u'<', u'2'}, {u'>', u'3'}, {u'/', u'4'},
               {u'\\', u'5'}, {u':', u'6'}, {u'|', u'7'}, {u'"', u'8'}};
    QString n = fmtName;
    for (const auto &m : map)
        n.replace(m.from, m.to);
    return QDir(folder).filePath(n + QStringLiteral(".jpg"));
}

QString GetBackPicFile(const QString &fmtName)
{
    return GetBackPicFile(fmtName, store::AppDataDir());
}

void ShowBackPic(const QString &fmtName, PageView &page)
{
    page.clearBackPicture();
    const QString file = GetBackPicFile(fmtName);
    if (QFileInfo::exists(file))
        page.setBackPicture(loadPicture(file));
}

bool ImportFmtBackPic(const QString &fmtName, PageView &page, const FileChooser &chooser,
                      const std::function<void()> &redraw)
{
    const QString chosen = chooser ? chooser(QStringLiteral("JPEG格式(*.jpg)|*.jpg")) : QString();
    if (chosen.isEmpty() || !chosen.right(4).toLower().endsWith(QStringLiteral(".jpg")) ||
        !QFileInfo::exists(chosen))
        return false;
    const QString target = GetBackPicFile(fmtName);
    const bool same = QFileInfo::exists(target) && QFileInfo(chosen).canonicalFilePath() ==
                                                       QFileInfo(target).canonicalFilePath();
    if (QFileInfo::exists(target) &&
        !store::AskQuestion(QStringLiteral("当前格式已有底图，是否要替换？")))
        return false;
    // The old picture stays as it was until the copy is complete and synced beside it.
    QString error;
    if (!same && !store::CopyFileOver(chosen, target, &error)) {
        store::ReportMessage(QStringLiteral("无法复制背景图文件：") + chosen + u'\n' + error,
                             store::MsgKind::Warning);
        return false;
    }
    page.clearBackPicture();
    page.setBackPicture(loadPicture(target));
    if (redraw)
        redraw();
    return true;
}

bool ClearBackPic(const QString &fmtName, PageView &page, const std::function<void()> &redraw)
{
    if (!store::AskQuestion(QStringLiteral("您确定要清除背景图？")))
        return false;
    const QString file = GetBackPicFile(fmtName);
    if (!QFileInfo::exists(file))
        return false;
    if (!QFile::remove(file)) {
        store::ReportMessage(QStringLiteral("无法删除背景图文件：") + file,
                             store::MsgKind::Warning);
        return false;
    }
    page.clearBackPicture();
    if (redraw)
        redraw();
    return true;
}

} // namespace page
