#pragma once
// The history drop-down COMB: a combo box shown over a text field with the field's earlier
// contents from the print history. Choosing or typing in it puts the text into the field and
// runs the field's leaving step.

#include <QObject>

class QComboBox;

namespace page {
class ValueLineEdit;
}

namespace mainwin {

class Typing;

class HistoryDropDown : public QObject
{
    Q_OBJECT
public:
    HistoryDropDown(Typing &typing, QComboBox *comb);

    QComboBox *combo() const { return m_comb; }
    // The text field served (COMB.Tag), 0 for none.
    int servedIndex() const { return m_index; }

    // Shows the drop-down over text field index: at the field's place, 300 twips wider, with
    // the field's text and the distinct earlier contents of the field.
    void Show(int index);
    void Hide();

    // COMB_Change: the edit text went into the served field.
    void COMB_Change();
    // COMB_Click: an entry was chosen.
    void COMB_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Typing &m_typing;
    QComboBox *m_comb;
    page::ValueLineEdit *m_edit;
    int m_index = 0;
};

} // namespace mainwin
