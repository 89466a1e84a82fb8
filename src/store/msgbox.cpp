#include "store/msgbox.h"

#include <QApplication>
#include <QDebug>
#include <QInputDialog>
#include <QMessageBox>

namespace store {

namespace {

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
    bool ok = false;
    const QString answer = QInputDialog::getText(
        QApplication::activeWindow(), title.isEmpty() ? QString::fromUtf8(kProgramTitle) : title,
        prompt, QLineEdit::Normal, preset, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

} // namespace store
