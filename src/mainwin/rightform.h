#pragma once
// The about box Rightform: the program's picture, a few lines about it and its version; a click
// on any of them opens the maker's page.

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;

namespace mainwin {

class Rightform : public QDialog
{
    Q_OBJECT
public:
    explicit Rightform(QWidget *parent = nullptr);

    QLabel *Image1;
    std::vector<QLabel *> lblCompany;
    QLabel *lblCopyright;
    QPushButton *Com0;

    // Shows the one about box (a second call brings the open one to the front).
    static Rightform *ShowModeless(QWidget *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace mainwin
