#pragma once
// The pictures of the main window's picture buttons, drawn rather than shipped as files.

#include <QIcon>

namespace mainwin {

enum class ButtonPicture {
    ZoomIn,
    ZoomOut,
    FitWidth,
    Print,
    PrintBatch,
    EditSize,
    EditMargins,
    Import,
    DeleteRows,
    ClearAll,
    Reprint,
    Export,
    Search,
    Statistics,
};

QIcon ButtonIcon(ButtonPicture picture, int sizePx = 24);

} // namespace mainwin
