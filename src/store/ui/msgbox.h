#pragma once
// The program's reporter: a message box titled with the program's name.

#include "store/db/reporter.h"

namespace store {

class MessageBoxReporter : public Reporter
{
public:
    void Message(const QString &text, MsgKind kind) override;
    bool Question(const QString &text) override;
    std::optional<QString> Text(const QString &prompt, const QString &preset,
                                const QString &title) override;
};

} // namespace store
