#pragma once
// The progress window shared by every long operation: a caption, a bar, the percentage and, for
// counted work, the count and the elapsed/remaining/total time.
//
// The window belongs to the window that started the work and is modal while it shows, so no
// command can be started inside a running save or print. A message box or question opened
// meanwhile comes above it and takes input; closing the question returns to the progress window.
// Closing the progress window (its close box or Esc) is the cancel of the running operation:
// ProgressShowing() turns false and Indicator::closed fires. Steps made after the window was
// closed update the state only.

#include "store/db/progress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;

namespace store {

struct IndicatorState
{
    QString caption;
    qint32 total = 0;
    qint32 current = 0;
    QElapsedTimer start; // elapsed whole seconds are floored
    bool showing = false;
};

// The bar area: a blue bar over current/total of its width that only grows until the next start.
class ProgressBarArea : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressBarArea(QWidget *parent = nullptr);
    void Clear();
    void Draw(double fraction);
    double DrawnFraction() const { return m_drawn; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_drawn = 0;
};

class Indicator : public QDialog
{
    Q_OBJECT
public:
    // owner: the window the work was started from; none makes it modal to the whole program.
    explicit Indicator(QWidget *owner);
    ~Indicator() override;

    QLabel *LBL;
    ProgressBarArea *Pic;
    QLabel *Percent;
    QLabel *L1;
    QLabel *L2;

signals:
    void closed();

public slots:
    // Esc: the same as the close box.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
};

// The program's one progress state.
IndicatorState &ProgressState();
// The window while it is open, else nullptr.
Indicator *IndicatorWindow();
bool ProgressShowing();

// The window a message box or question opened now belongs to: the progress window while it
// shows, else the program's window in front; nullptr when there is none. A dialog of our own that
// may open during an operation takes it as its parent, so that it stacks above the progress window.
QWidget *QuestionParent();

// Opens (or takes over) the window for a new operation. A negative start takes the current count,
// written back into start.
void StartProgress(const QString &caption, qint32 total, qint32 &start);
void StartProgress(const QString &caption, qint32 total);
// Advances by step.
void StepProgress(qint32 step, StepShows shows = StepShows::Bar);
// Advances by step under a new caption (an empty one keeps the caption).
void StepProgress(qint32 step, const QString &caption);
// Sets the count and draws the bar. Pending events (the redraw, Esc) are handled at the last step
// and otherwise at most every few hundredths of a second.
void DrawProgress(qint32 n);
// Closes the window; nothing when none is open.
void EndProgress();

// Closes the progress window on every way out of a scope.
struct ProgressGuard
{
    ~ProgressGuard() { EndProgress(); }
};

} // namespace store
