#pragma once
// Messages to the user go through one small interface, so the program shows a message box and
// tests record the texts instead of blocking on one.

#include <QString>
#include <QStringList>

#include <optional>

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
    // A question answered with a text, the preset filled in; nothing when cancelled. Without a
    // title of its own the box shows the program's.
    virtual std::optional<QString> Text(const QString &prompt, const QString &preset,
                                        const QString &title);
};

// Keeps every message in memory and answers questions with a preset answer.
class RecordingReporter : public Reporter
{
public:
    void Message(const QString &text, MsgKind kind) override;
    bool Question(const QString &text) override;
    // Takes the next of textAnswers (a null string cancels); the preset when none is left.
    std::optional<QString> Text(const QString &prompt, const QString &preset,
                                const QString &title) override;

    QStringList messages;    // messages, questions and text prompts, in order
    bool answer = true;      // reply to Question
    QStringList textAnswers; // replies to Text, in order
    QStringList textPresets; // the preset of each text question, in order
    QStringList textTitles;  // and its title
};

// Installs the reporter used from now on (not owned); nullptr restores the default, which only
// logs (qWarning). The program installs a message-box reporter at start-up.
void SetReporter(Reporter *reporter);
Reporter &CurrentReporter();

// How many messages ReportMessage has shown so far: a step that told the user something
// compares the count before and after.
quint64 MessagesShown();

// Shorthands for CurrentReporter().
void ReportMessage(const QString &text, MsgKind kind = MsgKind::Info);
bool AskQuestion(const QString &text);
std::optional<QString> AskText(const QString &prompt, const QString &preset = QString(),
                               const QString &title = QString());

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
