#pragma once
// A label whose caption change is an event: setCaption() reports a new text once, an unchanged
// one not at all; a double click is reported too. Captions are format names and counts: always
// plain text.

#include <QLabel>

namespace mainwin {

class NotifyingLabel : public QLabel
{
    Q_OBJECT
public:
    explicit NotifyingLabel(const QString &text, QWidget *parent = nullptr);
    QString caption() const { return text(); }
    void setCaption(const QString &text);

signals:
    void captionChanged(const QString &text);
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *e) override;
};

} // namespace mainwin
