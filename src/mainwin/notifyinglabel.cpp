#include "mainwin/notifyinglabel.h"

#include <QMouseEvent>

namespace mainwin {

NotifyingLabel::NotifyingLabel(const QString &text, QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
}

void NotifyingLabel::setCaption(const QString &t)
{
    if (t == text())
        return;
    setText(t);
    emit captionChanged(t);
}

void NotifyingLabel::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(e);
}

} // namespace mainwin
