#pragma once
// The start-up password: PSDCon asks for it before the main window exists, ModiPSD changes it.
// The password is the parameter "软件密码" ("" = none); comparisons are exact.

#include <QDialog>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace mainwin {

// "请输入密码": the right password shows the main window and closes the dialog; a wrong one says
// "密码错误！" and keeps the text. Closing it without the password leaves no window.
class PSDCon : public QDialog
{
    Q_OBJECT
public:
    explicit PSDCon(std::function<QWidget *()> showMainWindow, QWidget *parent = nullptr);

    QLineEdit *T;
    QPushButton *Com;

    void Com_Click();

private:
    std::function<QWidget *()> m_showMainWindow;
};

// "修改密码": the old password, the new one twice.
class ModiPSD : public QDialog
{
    Q_OBJECT
public:
    explicit ModiPSD(QWidget *parent = nullptr);

    std::array<QLineEdit *, 3> T{};
    QPushButton *Com;

    void Com_Click();

    // Shows the one dialog (a second call brings the open one to the front).
    static ModiPSD *ShowModeless(QWidget *parent);
};

// Shows PSDCon as the program's only window (start-up); the right password shows the main window.
QWidget *ShowPasswordWindow();

} // namespace mainwin
