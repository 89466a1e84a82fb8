#include "store/msgbox.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace store {

void MessageBoxReporter::Message(const QString &text, MsgKind kind)
{
    const QString title = QString::fromUtf8(kProgramTitle);
    QWidget *parent = QApplication::activeWindow();
    switch (kind) {
    case MsgKind::Info:
        QMessageBox::information(parent, title, text);
        break;
    case MsgKind::Warning:
        QMessageBox::warning(parent, title, text);
        break;
    case MsgKind::Error:
        QMessageBox::critical(parent, title, text);
        break;
    }
}

bool MessageBoxReporter::Question(const QString &text)
{
    return QMessageBox::question(QApplication::activeWindow(), QString::fromUtf8(kProgramTitle),
                                 text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
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
