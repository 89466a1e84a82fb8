#pragma once
// The printer chooser "选择": the saved printer, else the current one, else the first is offered;
// the list is filled anew each time the window becomes active; only the mouse chooses.

#include <QDialog>
#include <QString>

class QComboBox;
class QPushButton;

namespace print {

inline const QString kChoosePrinterRole = QStringLiteral("选择打印机");

class SelPrinter : public QDialog
{
    Q_OBJECT
public:
    explicit SelPrinter(QWidget *parent = nullptr);

    // The role the caller gives the window; the list is filled only for "选择打印机".
    QString Tag;
    // The chosen device name; "" when cancelled or when the printer could not be reached.
    QString SelResult;

    QComboBox *COMB;
    QPushButton *COM[2];

    // Fills the list: the saved name when installed, else the current printer, else the first.
    void FillPrinterList();

protected:
    void changeEvent(QEvent *event) override;

private:
    void Accept();
};

// Shows the chooser and waits for it; returns the chosen device name or "". While it is open no
// other window of the program takes input, so a print cannot be started twice.
QString ChoosePrinter(QWidget *parent = nullptr);

} // namespace print
