#include "store/db/progress.h"

namespace store {

namespace {

class NoProgress : public Progress
{
public:
    void Start(const QString &, qint32) override {}
    void Step(qint32, StepShows) override {}
    void End() override {}
};

NoProgress g_none;
Progress *g_progress = nullptr;

} // namespace

void SetProgress(Progress *progress)
{
    g_progress = progress;
}

Progress &CurrentProgress()
{
    return g_progress ? *g_progress : g_none;
}

} // namespace store
