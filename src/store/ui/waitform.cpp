#include "store/ui/waitform.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace store {

namespace {

class HideWatcher : public QObject
{
public:
    // Any window, Qt's or ours: being hidden is told only by its hide event.
    HideWatcher(QWidget *w, QEventLoop *loop) : m_loop(loop) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Hide)
            m_loop->quit();
        return false;
    }

private:
    QEventLoop *m_loop;
};

} // namespace

QWidget *FindForm(const QString &caption)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == caption)
            return w;
    return nullptr;
}

bool IsFormOpen(const QString &caption)
{
    return FindForm(caption) != nullptr;
}

void WaitFormClosed(QWidget *window)
{
    QPointer<QWidget> w(window);
    if (!w || !w->isVisible())
        return;
    QEventLoop loop;
    QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (auto *d = qobject_cast<QDialog *>(w.data()))
        QObject::connect(d, &QDialog::finished, &loop, &QEventLoop::quit);
    HideWatcher watcher(w, &loop);
    loop.exec();
    if (w)
        w->removeEventFilter(&watcher);
}

void WaitFormClosed(const QString &caption)
{
    WaitFormClosed(FindForm(caption));
}

} // namespace store
