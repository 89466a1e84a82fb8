#include "store/db/reporter.h"

#include <QDebug>

namespace store {

namespace {

class LogReporter : public Reporter
{
public:
    void Message(const QString &text, MsgKind) override { qWarning().noquote() << text; }
    bool Question(const QString &text) override
    {
        qWarning().noquote() << text;
        return false;
    }
};

LogReporter g_logReporter;
Reporter *g_reporter = nullptr;

} // namespace

std::optional<QString> Reporter::Text(const QString &prompt, const QString &, const QString &)
{
    qWarning().noquote() << prompt;
    return std::nullopt;
}

void RecordingReporter::Message(const QString &text, MsgKind)
{
    messages << text;
}

bool RecordingReporter::Question(const QString &text)
{
    messages << text;
    return answer;
}

std::optional<QString> RecordingReporter::Text(const QString &prompt, const QString &preset,
                                               const QString &title)
{
    messages << prompt;
    textPresets << preset;
    textTitles << title;
    if (textAnswers.isEmpty())
        return preset;
    const QString a = textAnswers.takeFirst();
    if (a.isNull())
        return std::nullopt;
    return a;
}

void SetReporter(Reporter *reporter)
{
    g_reporter = reporter;
}

Reporter &CurrentReporter()
{
    return g_reporter ? *g_reporter : g_logReporter;
}

namespace {
quint64 g_messagesShown = 0;
} // namespace

quint64 MessagesShown()
{
    return g_messagesShown;
}

void ReportMessage(const QString &text, MsgKind kind)
{
    ++g_messagesShown;
    CurrentReporter().Message(text, kind);
}

bool AskQuestion(const QString &text)
{
    return CurrentReporter().Question(text);
}

std::optional<QString> AskText(const QString &prompt, const QString &preset, const QString &title)
{
    return CurrentReporter().Text(prompt, preset, title);
}

ScopedRecordingReporter::ScopedRecordingReporter() : m_previous(g_reporter)
{
    g_reporter = &m_rec;
}

ScopedRecordingReporter::~ScopedRecordingReporter()
{
    g_reporter = m_previous;
}

} // namespace store
