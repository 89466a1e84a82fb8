#pragma once
// Messages to the user go through one small interface, so the program shows a message box and
// tests record the texts instead of blocking on one.

#include <QString>
#include <QStringList>

namespace store {

// The program's name and version as every window and message box shows it.
inline constexpr const char *kProgramTitle = "Quorvan支票打印软件[专业版]9.10";
inline constexpr const char *kProgramVersion = "9.10";

enum class MsgKind { Info, Warning, Error };

class Reporter
{
public:
    virtual ~Reporter() = default;
    // A message the user acknowledges.
    virtual void Message(const QString &text, MsgKind kind) = 0;
    // A yes/no question; true for yes.
    virtual bool Question(const QString &text) = 0;
};

// Keeps every message in memory and answers questions with a preset answer.
class RecordingReporter : public Reporter
{
public:
    void Message(const QString &text, MsgKind kind) override;
    bool Question(const QString &text) override;

    QStringList messages;  // messages and questions, in order
    bool answer = true;    // reply to Question
};

// Installs the reporter used from now on (not owned); nullptr restores the default, which only
// logs (qWarning). The program installs a message-box reporter at start-up.
void SetReporter(Reporter *reporter);
Reporter &CurrentReporter();

// Shorthands for CurrentReporter().
void ReportMessage(const QString &text, MsgKind kind = MsgKind::Info);
bool AskQuestion(const QString &text);

// Installs a RecordingReporter for the lifetime of this guard (tests).
class ScopedRecordingReporter
{
public:
    ScopedRecordingReporter();
    ~ScopedRecordingReporter();
    RecordingReporter &operator*() { return m_rec; }
    RecordingReporter *operator->() { return &m_rec; }
    ScopedRecordingReporter(const ScopedRecordingReporter &) = delete;
    ScopedRecordingReporter &operator=(const ScopedRecordingReporter &) = delete;

private:
    RecordingReporter m_rec;
    Reporter *m_previous;
};

} // namespace store
