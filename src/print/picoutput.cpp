#include "print/picoutput.h"

#include "print/jpeg.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"

#include <QFileInfo>
#include <QWidget>

namespace print {

QImage CaptureWholeWindow(QWidget *widget)
{
    return widget ? widget->grab().toImage() : QImage();
}

bool SavePictureAs(const QImage &image, const QString &chosen)
{
    const QString file = JpegFileName(chosen);
    if (file.isEmpty())
        return false;
    if (QFileInfo::exists(file) &&
        !store::AskQuestion(QStringLiteral("文件“%1”已存在，是否覆盖？").arg(file)))
        return false;
    QString error;
    if (!SaveJPG(image, file, 80, &error)) {
        store::ReportMessage(QStringLiteral("保存图片出错！\n") + error, store::MsgKind::Error);
        return false;
    }
    return true;
}

bool OutputPicture(QWidget *widget)
{
    const QImage image = CaptureWholeWindow(widget);
    const QString chosen = store::SelectFileDlg(QStringLiteral("*.jpg|*.jpg"), true);
    if (chosen.isEmpty())
        return false;
    return SavePictureAs(image, chosen);
}

} // namespace print
