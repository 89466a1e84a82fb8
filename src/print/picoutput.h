#pragma once
// "导出图片": the picture a window shows, saved as a JPEG file the user names.

#include <QImage>
#include <QString>

class QWidget;

namespace print {

// The whole window of the widget, its frame included, as it is drawn now.
QImage CaptureWholeWindow(QWidget *widget);

// Saves the image under the chosen name (".jpg" added when missing), asking before an existing
// file is replaced; "保存图片出错！" when it could not be written. False when nothing was saved.
bool SavePictureAs(const QImage &image, const QString &chosen);

// The menu command: capture, ask for the file, save at quality 80.
bool OutputPicture(QWidget *widget);

} // namespace print
