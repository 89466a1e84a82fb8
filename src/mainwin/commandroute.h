#pragma once
// The one way a command of the main window runs. A picture button, a menu entry, a pop-up menu
// entry or a shortcut first finishes the edit of the field being typed, exactly as leaving the
// field would finish it (its conversion by kind, then the calculation of the fields that depend
// on it; the history drop-down closes), and only then does its work. Nothing takes the focus for
// this: the field keeps it, and the page and the record bar keep their own focus rules.

#include <QObject>

#include <functional>

class QAbstractButton;
class QAction;
class QWidget;

namespace mainwin {

class CommandRoute : public QObject
{
    Q_OBJECT
public:
    // finisher finishes the edit of the field being typed, unless that field is `keep` (a
    // command that edits the field itself, such as pasting into it, leaves its typing going). It
    // returns false when leaving the field refused: it told the user why, and the command must
    // not run.
    using EditFinisher = std::function<bool(const QWidget *keep)>;
    explicit CommandRoute(EditFinisher finisher, QObject *parent = nullptr);

    bool FinishEdit(const QWidget *keep = nullptr);
    // Finishes the edit, then runs the command; false when it did not run.
    bool Run(const std::function<void()> &command, const QWidget *keep = nullptr);
    // Whether a command runs now: one that waits (a print for its pages, a download) handles
    // events meanwhile, a close of the window among them.
    bool Running() const { return m_running > 0; }

    // The entry's command runs through Run each time the entry is triggered (an action by its
    // menu, its shortcut or code alike) or clicked.
    void Connect(QAction *entry, std::function<void()> command);
    void Connect(QAbstractButton *entry, std::function<void()> command);

signals:
    // The last command that ran has returned.
    void idle();

private:
    EditFinisher m_finisher;
    int m_running = 0;
};

} // namespace mainwin
