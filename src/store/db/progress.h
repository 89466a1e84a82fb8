#pragma once
// Long work tells the user how far it has come through one small interface, so that the code of
// the formats, the history and the bound grids needs no window: the program shows its progress
// window (installed by the widget half when the application starts); without one nothing shows.

#include <QString>

namespace store {

// What a step shows besides the bar and the percentage: nothing more, or the count done of the
// total with the elapsed, remaining and total time (work counted in units: rows, columns, pages).
enum class StepShows { Bar, CountAndTimes };

class Progress
{
public:
    virtual ~Progress() = default;
    // A new operation of total steps under the caption.
    virtual void Start(const QString &caption, qint32 total) = 0;
    // Advances by step.
    virtual void Step(qint32 step, StepShows shows = StepShows::Bar) = 0;
    // The operation is over.
    virtual void End() = 0;
};

// Installs the progress used from now on (not owned); nullptr restores the default, which shows
// nothing.
void SetProgress(Progress *progress);
Progress &CurrentProgress();

} // namespace store
