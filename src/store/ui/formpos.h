#pragma once
// Window positions kept in the parameter "窗口参数：" + key as "L;T;W;H" in twips.

#include <QString>

class QWidget;

namespace store {

// Stores the window's place and size; "0;0;0;0" when it is at least as wide as its screen.
bool SaveFormPos(QWidget *window, const QString &key);
// Restores what SaveFormPos stored: the place only when it lies on the screen, the size only
// when both sides are positive; nothing for fewer than four numbers.
void LoadFormPos(QWidget *window, const QString &key);

} // namespace store
