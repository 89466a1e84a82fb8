#include "store/msgbox.h"

#include <QApplication>
#include <QDebug>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>

namespace store {

namespace {

// Gives a small dialog room for the title bar to show its whole title beside the window
// manager's icon and buttons (window managers draw titles bold and cut them to the window's
// width). Message and input boxes size themselves to their layout and ignore a minimum width: a
// row of the layout as wide as the title holds them open.
void GiveTitleRoom(QDialog &d)
{
    QFont bold = d.font();
    bold.setBold(true);
    auto *room = new QSpacerItem(QFontMetrics(bold).horizontalAdvance(d.windowTitle()) + 160, 0,
                                 QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (auto *grid = qobject_cast<QGridLayout *>(d.layout()))
        grid->addItem(room, grid->rowCount(), 0, 1, grid->columnCount());
    else if (auto *box = qobject_cast<QBoxLayout *>(d.layout()))
        box->addItem(room);
    else
        delete room;
}

// Texts carry format names and values as the user typed them: shown as they are, never as
// rich text.
QMessageBox::StandardButton Show(QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QString::fromUtf8(kProgramTitle), text, buttons,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    GiveTitleRoom(box);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

void MessageBoxReporter::Message(const QString &text, MsgKind kind)
{
    // The log keeps what the user was told (a message at start-up may be the only trace).
    qInfo().noquote() << "message:" << text;
    const QMessageBox::Icon icon = kind == MsgKind::Error     ? QMessageBox::Critical
                                   : kind == MsgKind::Warning ? QMessageBox::Warning
                                                              : QMessageBox::Information;
    Show(icon, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxReporter::Question(const QString &text)
{
    return Show(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

std::optional<QString> MessageBoxReporter::Text(const QString &prompt, const QString &preset,
                                                const QString &title)
{
    QInputDialog d(QApplication::activeWindow());
    d.setWindowTitle(title.isEmpty() ? QString::fromUtf8(kProgramTitle) : title);
    d.setLabelText(prompt);
    d.setTextValue(preset);
    d.sizeHint(); // lays the dialog out, which it otherwise does only when shown
    GiveTitleRoom(d);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.textValue();
}

} // namespace store
