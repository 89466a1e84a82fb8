#include "mainwin/histcombo.h"

#include "mainwin/mainwindow.h"
#include "mainwin/typing.h"
#include "page/field.h"
#include "page/registry.h"
#include "store/ui/uihelpers.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QSignalBlocker>

namespace mainwin {

namespace {

page::TextField *TextAt(Typing &t, int index)
{
    page::FieldRegistry *reg = t.window().fields();
    return reg ? dynamic_cast<page::TextField *>(reg->GetCtlByIdx(index)) : nullptr;
}

} // namespace

HistoryDropDown::HistoryDropDown(Typing &typing, QComboBox *comb)
    : QObject(&typing), m_typing(typing), m_comb(comb)
{
    m_comb->setEditable(true);
    // A field's value and a history value of any length go through its edit box whole, a long
    // one shown by its start as in the field.
    m_edit = new page::ValueLineEdit(m_comb);
    m_comb->setLineEdit(m_edit);
    m_comb->setInsertPolicy(QComboBox::NoInsert);
    m_comb->setCompleter(nullptr);
    m_comb->setMaxVisibleItems(20);
    // Qt's own combo box tells the reason it lost the focus only in its focus-out event.
    m_comb->installEventFilter(this);
    connect(m_comb, &QComboBox::editTextChanged, this, [this] { COMB_Change(); });
    connect(m_comb, &QComboBox::activated, this, [this] { COMB_Click(); });
}

void HistoryDropDown::Show(int index)
{
    page::TextField *f = TextAt(m_typing, index);
    if (!f || !f->Widget())
        return;
    {
        // Clearing and filling must not reach the field the drop-down served before.
        const QSignalBlocker blocker(m_comb);
        m_comb->clear();
        const QWidget *w = f->Widget();
        m_comb->setGeometry(w->x(), w->y(), w->width() + f->ToPx(300), m_comb->sizeHint().height());
        m_comb->show();
        m_comb->raise();
        m_index = index;
        if (const auto id = m_typing.window().fields()->GetCtlID(f))
            store::FillHistoryCombo(m_comb, *id);
        m_edit->SetValue(f->Text());
    }
    // The one change setting the text makes: the field's text goes through its leaving step.
    COMB_Change();
}

void HistoryDropDown::Hide()
{
    m_comb->hide();
}

void HistoryDropDown::COMB_Change()
{
    page::TextField *f = TextAt(m_typing, m_index);
    if (!f)
        return;
    f->SetText(m_edit->Value());
    m_typing.TT_LostFocus(m_index);
}

void HistoryDropDown::COMB_Click()
{
    COMB_Change();
    Hide();
}

bool HistoryDropDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_comb && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            Hide();
    }
    return false;
}

} // namespace mainwin
