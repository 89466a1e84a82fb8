#pragma once
// The background picture of a format: one JPEG "<format name>.jpg" in the program folder, held
// on the page in TP while the format is open.

#include <QString>

#include <functional>

namespace page {

class PageView;

// The picture file of a format: the program folder, the name with the nine characters that no
// file name may hold replaced by digits, ".jpg". Pure; the file need not exist.
QString GetBackPicFile(const QString &fmtName);
QString GetBackPicFile(const QString &fmtName, const QString &folder);

// Clears TP and loads the format's picture into it when the file exists.
void ShowBackPic(const QString &fmtName, PageView &page);

// Lets the user choose a JPEG file (chooser gets the filter, returns "" on cancel) and makes it
// the format's picture; asks before replacing an existing one. redraw runs after TP changed.
// True when the picture was replaced.
using FileChooser = std::function<QString(const QString &filter)>;
bool ImportFmtBackPic(const QString &fmtName, PageView &page, const FileChooser &chooser,
                      const std::function<void()> &redraw);

// Asks, then deletes the format's picture and clears TP. A file that cannot be deleted is
// reported and TP kept. True when the picture is gone.
bool ClearBackPic(const QString &fmtName, PageView &page, const std::function<void()> &redraw);

} // namespace page
