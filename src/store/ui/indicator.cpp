#include "store/ui/indicator.h"

#include "store/model/context.h"
#include "store/core/helpers.h"
#include "store/db/progress.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace store {

namespace {

IndicatorState g_state;
QPointer<Indicator> g_window;

// Events are handled and the window redrawn at every start and end, and in between at most this
// often: a step of a long run costs far less than a redraw.
constexpr qint64 kStepPumpMs = 40;
QElapsedTimer g_lastPump;

void Pump()
{
    g_lastPump.start();
    QCoreApplication::processEvents();
}

// The window the work is started from: the modal dialog in front, else the active window.
QWidget *WorkOwner()
{
    QWidget *w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    if (!w)
        return nullptr;
    w = w->window();
    const Qt::WindowType type = w->windowType();
    if (!w->isVisible() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen)
        return nullptr;
    return w;
}

} // namespace

ProgressBarArea::ProgressBarArea(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(300, 18);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void ProgressBarArea::Clear()
{
    m_drawn = 0;
    update();
}

void ProgressBarArea::Draw(double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction > m_drawn) {
        m_drawn = fraction;
        update();
    }
}

void ProgressBarArea::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Mid)));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const int w = int(m_drawn * width());
    if (w > 0)
        p.fillRect(QRect(0, 0, w, height()), QColor(0, 0, 255));
}

Indicator::Indicator(QWidget *owner) : QDialog(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Modal to the whole program, not only to its owner: a command started from another window
    // would run inside the operation and end its progress window under it.
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("进度指示器"));
    LBL = new QLabel(QStringLiteral("进度条指示器"), this);
    Pic = new ProgressBarArea(this);
    Percent = new QLabel(QStringLiteral("0%"), this);
    L1 = new QLabel(this);
    L2 = new QLabel(this);
    // Captions and step texts may carry names the user chose.
    for (QLabel *l : {LBL, Percent, L1, L2})
        l->setTextFormat(Qt::PlainText);
    auto *row = new QHBoxLayout;
    row->addWidget(Percent);
    row->addStretch();
    row->addWidget(L1);
    row->addSpacing(12);
    row->addWidget(L2);
    auto *v = new QVBoxLayout(this);
    v->addWidget(LBL);
    v->addWidget(Pic);
    v->addLayout(row);
    setMinimumWidth(380);
    g_state.showing = true;
}

Indicator::~Indicator()
{
    // Going with its owner is a close too: a download waiting on it stops.
    if (g_state.showing && g_window == this) {
        g_state.showing = false;
        emit closed();
    }
}

void Indicator::reject()
{
    close();
}

void Indicator::closeEvent(QCloseEvent *event)
{
    g_state.showing = false;
    emit closed();
    event->accept();
}

IndicatorState &ProgressState()
{
    return g_state;
}

Indicator *IndicatorWindow()
{
    return g_window.data();
}

bool ProgressShowing()
{
    return g_state.showing && g_window;
}

QWidget *QuestionParent()
{
    if (g_window && g_window->isVisible())
        return g_window.data();
    return WorkOwner();
}

void StartProgress(const QString &caption, qint32 total, qint32 &start)
{
    g_state.caption = caption;
    g_state.total = total;
    if (g_window)
        g_window->LBL->setText(caption);
    Pump();
    if (start < 0)
        start = g_state.current;
    const bool fresh = !g_window;
    if (fresh)
        g_window = new Indicator(WorkOwner());
    g_window->LBL->setText(caption);
    g_window->Pic->Clear();
    DrawProgress(start);
    if (fresh) {
        g_window->adjustSize();
        QScreen *s = g_window->parentWidget() ? g_window->parentWidget()->screen()
                                              : QGuiApplication::primaryScreen();
        if (s) {
            QRect r = g_window->frameGeometry();
            r.moveCenter(s->availableGeometry().center());
            g_window->move(r.topLeft());
        }
        g_window->show();
    }
    g_state.start.start();
    Pump();
}

void StartProgress(const QString &caption, qint32 total)
{
    qint32 start = 0;
    StartProgress(caption, total, start);
}

namespace {

void Step(qint32 step, StepShows shows, const QString &caption)
{
    if (g_state.total < 1)
        g_state.total = 1;
    const qint32 k = g_state.current + step;
    const double p = Int(double(k) / g_state.total * 1000.0) / 1000.0;
    // The texts change every tenth of a percent and every second; a run of many short steps
    // makes them only when they change.
    static double shownP = -1;
    static qint64 shownE = -1;
    static QString percent, times;
    if (p != shownP) {
        percent = CStr(p * 100) + u'%';
        shownE = -1;
    }
    if (g_window)
        g_window->Percent->setText(percent);
    if (shows == StepShows::CountAndTimes && p >= 0.001 && g_window) {
        const qint64 e = g_state.start.isValid() ? g_state.start.elapsed() / 1000 : 0;
        if (e != shownE) {
            const qint64 t = qint64(RoundEven(double(e) / p));
            times = SecondsToTimeStr(e) + u'/' + SecondsToTimeStr(t - e) + u'/' +
                    SecondsToTimeStr(t);
            shownE = e;
        }
        g_window->L2->setText(times);
        g_window->L1->setText(QStringLiteral("(%1/%2)").arg(k).arg(g_state.total));
    }
    shownP = p;
    if (!caption.isEmpty()) {
        g_state.caption = caption;
        if (g_window)
            g_window->LBL->setText(caption);
    }
    DrawProgress(k);
}

} // namespace

void StepProgress(qint32 step, StepShows shows)
{
    Step(step, shows, QString());
}

void StepProgress(qint32 step, const QString &caption)
{
    Step(step, StepShows::Bar, caption);
}

void DrawProgress(qint32 n)
{
    g_state.current = n;
    if (g_state.total != 0 && g_window)
        g_window->Pic->Draw(double(n) / g_state.total);
    if (!g_lastPump.isValid() || g_lastPump.elapsed() >= kStepPumpMs || n >= g_state.total)
        Pump();
}

void EndProgress()
{
    Pump();
    if (g_window) {
        Indicator *w = g_window.data();
        g_window.clear();
        g_state.showing = false;
        w->hide();
        delete w;
    }
    g_state.showing = false;
}

namespace {

// The progress window as the widget-free code's progress.
class WindowProgress : public Progress
{
public:
    void Start(const QString &caption, qint32 total) override { StartProgress(caption, total); }
    void Step(qint32 step, StepShows shows) override { StepProgress(step, shows); }
    void End() override { EndProgress(); }
};

// What the widget-free code of a widget application gets from the windows: the progress window
// and the width of the primary screen.
void InstallWindowServices()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    static WindowProgress progress;
    SetProgress(&progress);
    AppContext::SetDefaultScreenWidthSource(PrimaryScreenWidthTwips);
}

Q_COREAPP_STARTUP_FUNCTION(InstallWindowServices)

} // namespace

} // namespace store
