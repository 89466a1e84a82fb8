#include "page/pageviewlayout.h"

#include "store/core/vb.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <functional>

namespace page {

int TaskbarHeightTw(int screenHeightPx, const QRect &work, int tpp)
{
    if (work.isEmpty())
        return 0;
    const int workBottom = work.y() + work.height();
    const int strip = screenHeightPx - workBottom;
    return strip > 0 ? store::CLng(double(strip) * tpp) : 0;
}

void computeTabPageLayout(MainLayout &l, int picW, int picH, int sstW, const MainLayoutDesign &d)
{
    l.pfrm = QRect(0, 1020, picW - d.vsWidth, picH - 1020 - d.phsHeight);
    l.hs.setWidth(picW - 30);
    l.phs = QRect(0, picH - d.phsHeight - 15, l.pfrm.width(), d.phsHeight);
    l.vs = QRect(sstW - 280, d.vsTop, d.vsWidth, picH - d.vsTop - 20);
    l.frm1 = QRect(d.frm1Left, 0, picW - d.frm1Left - 30, 0);
}

MainLayout computeMainLayout(const QSize &screenPx, const QRect &work, int tpp,
                             const MainLayoutDesign &d)
{
    MainLayout l;
    const int screenW = screenPx.width() * tpp;
    const int screenH = screenPx.height() * tpp;
    l.main = QRect(0, 0, screenW, screenH - TaskbarHeightTw(screenPx.height(), work, tpp));
    l.sst = QRect(0, d.sstTop, l.main.width() - 80, l.main.height() - 1000);
    const int picLeft = 0;
    const int picTop = 330;
    l.pic = QRect(picLeft, picTop, l.sst.width() - 2 * picLeft,
                  l.sst.height() - picTop - picLeft);
    computeTabPageLayout(l, l.pic.width(), l.pic.height(), l.sst.width(), d);
    l.lbl = QRect(20, l.sst.y() + l.sst.height() + 20, l.sst.width() - 40, 0);
    return l;
}

QPoint CenterFormPos(const QSize &screenPx, const QRect &work, int tpp, int w, int h)
{
    const int screenW = screenPx.width() * tpp;
    const int screenH = screenPx.height() * tpp;
    if (work.isEmpty())
        return QPoint((screenW - w) / 2, (screenH - h) / 2);
    // Centred in the work area: the same as the original for a bottom taskbar, and right for
    // a panel at the top or the sides too.
    const QRect wa(work.x() * tpp, work.y() * tpp, work.width() * tpp, work.height() * tpp);
    return QPoint(wa.x() + (wa.width() - w) / 2, wa.y() + (wa.height() - h) / 2);
}

int ScreenTpp()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? qMax(1, qRound(1440.0 / dpi)) : 15;
}

int GetTaskbarHeight()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    if (!s)
        return 0;
    return TaskbarHeightTw(s->geometry().height(), s->availableGeometry().translated(
                                                       -s->geometry().topLeft()),
                           ScreenTpp());
}

namespace {

bool IsFramed(const QWidget *w)
{
    return w->isVisible() && w->frameGeometry() != w->geometry();
}

// Runs a placement once more when the window manager has put its frame around a window (the
// frame's size is unknown before): at the first move, resize, show, paint or activation that
// finds the window framed. A window that never gets a frame keeps its first placement.
class WhenFramed : public QObject
{
public:
    WhenFramed(QWidget *w, std::function<void(QWidget *)> place)
        : QObject(w), m_window(w), m_place(std::move(place))
    {
        setObjectName(name());
        // The window manager's frame is learnt only from the window's own events.
        w->installEventFilter(this);
    }

    static QString name() { return QStringLiteral("WhenFramed"); }

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched == m_window && !m_done &&
            (e->type() == QEvent::Move || e->type() == QEvent::Resize ||
             e->type() == QEvent::Show || e->type() == QEvent::Paint ||
             e->type() == QEvent::WindowActivate) &&
            IsFramed(m_window)) {
            m_done = true;
            m_window->removeEventFilter(this);
            deleteLater();
            m_place(m_window);
        }
        return false;
    }

private:
    QWidget *m_window;
    std::function<void(QWidget *)> m_place;
    bool m_done = false;
};

// Placement now, and again once the window is framed unless it already is.
void PlaceNowAndWhenFramed(QWidget *w, const std::function<void(QWidget *)> &place)
{
    // A later placement replaces one still waiting for the frame.
    for (QObject *old : w->findChildren<QObject *>(WhenFramed::name(), Qt::FindDirectChildrenOnly))
        delete old;
    place(w);
    if (!IsFramed(w))
        new WhenFramed(w, place);
}

void CenterNow(QWidget *w)
{
    const QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect g = s->geometry();
    const QRect avail = s->availableGeometry().translated(-g.topLeft());
    const int tpp = ScreenTpp();
    const QSize frame = w->frameGeometry().size();
    const QPoint tw = CenterFormPos(g.size(), avail, tpp, frame.width() * tpp,
                                    frame.height() * tpp);
    // A window larger than the work area keeps its title bar on screen.
    QPoint at = g.topLeft() + QPoint(tw.x() / tpp, tw.y() / tpp);
    const QRect wa = s->availableGeometry();
    at.setX(qMax(at.x(), wa.x()));
    at.setY(qMax(at.y(), wa.y()));
    // For a window move() places the outer frame.
    w->move(at);
}

} // namespace

void CenterForm(QWidget *w)
{
    if (!w || !QGuiApplication::primaryScreen())
        return;
    PlaceNowAndWhenFramed(w, CenterNow);
}

void PlaceFrame(QWidget *w, const QRect &frame)
{
    if (!w)
        return;
    PlaceNowAndWhenFramed(w, [frame](QWidget *win) {
        if (!IsFramed(win)) {
            win->setGeometry(frame);
            return;
        }
        const QRect fg = win->frameGeometry();
        const QRect g = win->geometry();
        win->setGeometry(frame.adjusted(g.left() - fg.left(), g.top() - fg.top(),
                                        g.right() - fg.right(), g.bottom() - fg.bottom()));
    });
}

} // namespace page
