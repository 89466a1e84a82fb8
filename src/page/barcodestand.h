#pragma once
// The barcode standard dialog StrCodeStand ("条码编码标准设置"): Code 39 or EAN-13 for every
// barcode, on the page and in print.

#include <QDialog>

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace page {

class FieldRegistry;

class StrCodeStand : public QDialog
{
    Q_OBJECT
public:
    // fields: the page's fields, redrawn in the new standard on OK (may be null).
    explicit StrCodeStand(FieldRegistry *fields, QWidget *parent = nullptr);

    QRadioButton *Op(int i) const;
    QPushButton *Command1() const { return m_ok; }

    // OK: stores the first chosen option (2 when none) and redraws every picture field.
    void Command1_Click();

    // Shows the one dialog (a second call brings the open one to the front).
    static StrCodeStand *ShowModeless(FieldRegistry *fields, QWidget *parent);

private:
    FieldRegistry *m_fields;
    QRadioButton *m_op[2];
    QButtonGroup *m_group;
    QPushButton *m_ok;
};

} // namespace page
