#pragma once
// The print-margin dialog "输入打印页边距": the two margins as typed, copied back unchecked.

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace print {

class Margin : public QDialog
{
    Q_OBJECT
public:
    // getX/getY read the margin labels, set writes both back on acceptance.
    Margin(std::function<QString()> getX, std::function<QString()> getY,
           std::function<void(const QString &x, const QString &y)> set, QWidget *parent = nullptr);

    QLineEdit *TX;
    QLineEdit *TY;
    QPushButton *Comm[2];

private:
    std::function<void(const QString &, const QString &)> m_set;
};

// Opens the margin dialog without blocking the main window; it deletes itself when closed.
Margin *ShowMarginForm(std::function<QString()> getX, std::function<QString()> getY,
                       std::function<void(const QString &, const QString &)> set,
                       QWidget *parent = nullptr);

} // namespace print
