#include "mainwin/commandroute.h"

#include <QAbstractButton>
#include <QAction>

namespace mainwin {

CommandRoute::CommandRoute(EditFinisher finisher, QObject *parent)
    : QObject(parent), m_finisher(std::move(finisher))
{
    setObjectName(QStringLiteral("CommandRoute"));
}

bool CommandRoute::FinishEdit(const QWidget *keep)
{
    return !m_finisher || m_finisher(keep);
}

bool CommandRoute::Run(const std::function<void()> &command, const QWidget *keep)
{
    if (!FinishEdit(keep))
        return false;
    if (command) {
        ++m_running;
        command();
        if (--m_running == 0)
            emit idle();
    }
    return true;
}

void CommandRoute::Connect(QAction *entry, std::function<void()> command)
{
    connect(entry, &QAction::triggered, this,
            [this, command = std::move(command)] { Run(command); });
}

void CommandRoute::Connect(QAbstractButton *entry, std::function<void()> command)
{
    connect(entry, &QAbstractButton::clicked, this,
            [this, command = std::move(command)] { Run(command); });
}

} // namespace mainwin
