#include "store/reporter.h"

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
    QString Input(const QString &prompt, const QString &, const QString &) override
    {
        qWarning().noquote() << prompt;
        return QString();
    }
};

LogReporter g_logReporter;
Reporter *g_reporter = nullptr;

} // namespace

void RecordingReporter::Message(const QString &text, MsgKind)
{
    messages << text;
}

bool RecordingReporter::Question(const QString &text)
{
    messages << text;
    return answer;
}

QString RecordingReporter::Input(const QString &prompt, const QString &def, const QString &title)
{
    messages << prompt;
    inputDefaults << def;
    inputTitles << title;
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

void SetReporter(Reporter *reporter)
{
    g_reporter = reporter;
}

Reporter &CurrentReporter()
{
    return g_reporter ? *g_reporter : g_logReporter;
}

void ReportMessage(const QString &text, MsgKind kind)
{
    CurrentReporter().Message(text, kind);
}

bool AskQuestion(const QString &text)
{
    return CurrentReporter().Question(text);
}

QString AskInput(const QString &prompt, const QString &def, const QString &title)
{
    return CurrentReporter().Input(prompt, def, title);
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
