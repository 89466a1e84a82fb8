#include "page/pageview.h"

#include "page/pageviewlayout.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <cmath>

namespace page {

int ShiftCode(Qt::KeyboardModifiers m)
{
    int s = 0;
    if (m & Qt::ShiftModifier)
        s |= 1;
    if (m & Qt::ControlModifier)
        s |= 2;
    if (m & Qt::AltModifier)
        s |= 4;
    return s;
}

int ButtonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int ButtonsCode(Qt::MouseButtons b)
{
    int c = 0;
    if (b & Qt::LeftButton)
        c |= 1;
    if (b & Qt::RightButton)
        c |= 2;
    if (b & Qt::MiddleButton)
        c |= 4;
    return c;
}

PageView::PageView(QWidget *parent) : QWidget(parent), m_tpp(ScreenTpp())
{
    setObjectName(QStringLiteral("PG"));
    setToolTip(QStringLiteral("点击右键，可添加输入框或清空输入框内容。"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void PageView::setTpp(int tpp)
{
    m_tpp = qMax(1, tpp);
    applyPixelGeometry();
}

int PageView::toPx(double tw) const { return int(std::lround(tw / m_tpp)); }

void PageView::setTwipGeometry(double left, double top, double width, double height)
{
    const bool resized = width != m_tw.width || height != m_tw.height;
    m_tw.left = left;
    m_tw.top = top;
    m_tw.width = width;
    m_tw.height = height;
    if (resized)
        m_gridValid = false;
    applyPixelGeometry();
}

void PageView::moveTw(double left, double top)
{
    m_tw.left = left;
    m_tw.top = top;
    move(toPx(left), toPx(top));
}

void PageView::applyPixelGeometry()
{
    setGeometry(toPx(m_tw.left), toPx(m_tw.top), qMax(0, toPx(m_tw.width)),
                qMax(0, toPx(m_tw.height)));
}

void PageView::setBackPicture(const QImage &img)
{
    m_tp = img;
}

void PageView::clearBackPicture() { m_tp = QImage(); }

bool PageView::drawPageGrid(double widthMM, int ruler, bool showBackOption)
{
    if (widthMM != m_widthMM || ruler != m_ruler)
        m_gridValid = false;
    m_widthMM = widthMM;
    m_ruler = ruler;
    m_showBack = showBackOption && !m_tp.isNull();
    ++m_drawCount;
    update();
    return m_showBack;
}

void PageView::addPaintLayer(PaintLayer layer) { m_layers.push_back(std::move(layer)); }

const GridPrimitives &PageView::grid() const
{
    if (!m_gridValid) {
        m_grid = pageGridPrimitives(m_tw.width, m_tw.height, m_widthMM, m_ruler);
        m_gridValid = true;
    }
    return m_grid;
}

void PageView::paintPage(QPainter &p) const
{
    const QRect r(0, 0, width(), height());
    p.fillRect(r, Qt::white);
    if (m_showBack && !m_tp.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(r), m_tp);
    }
    paintGridPrimitives(p, grid(), m_tpp);
    for (const PaintLayer &layer : m_layers)
        layer(p);
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paintPage(p);
}

QImage PageView::renderPage() const
{
    QImage img(qMax(1, width()), qMax(1, height()), QImage::Format_RGB32);
    QPainter p(&img);
    paintPage(p);
    return img;
}

void PageView::mousePressEvent(QMouseEvent *e)
{
    bool taken = false;
    emit pageMousePressing(e, taken);
    if (taken)
        return;
    const QPointF pt = e->position();
    emit pageMousePressed(ButtonCode(e->button()), ShiftCode(e->modifiers()), toTw(pt.x()),
                          toTw(pt.y()));
}

void PageView::mouseDoubleClickEvent(QMouseEvent *e)
{
    e->accept();
}

void PageView::mouseMoveEvent(QMouseEvent *e)
{
    const QPointF pt = e->position();
    emit pageMouseMoved(ButtonsCode(e->buttons()), ShiftCode(e->modifiers()), toTw(pt.x()),
                        toTw(pt.y()));
}

void PageView::mouseReleaseEvent(QMouseEvent *e)
{
    const QPointF pt = e->position();
    emit pageMouseReleased(ButtonCode(e->button()), ShiftCode(e->modifiers()), toTw(pt.x()),
                           toTw(pt.y()));
}

void PageView::keyPressEvent(QKeyEvent *e)
{
    emit pageKeyPressed(e->key(), ShiftCode(e->modifiers()));
    // Arrow keys stay with the page; nothing around it scrolls on them.
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        e->accept();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

PageFrame::PageFrame(QWidget *parent) : QWidget(parent), m_page(new PageView(this))
{
    setObjectName(QStringLiteral("PFrm"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    setPalette(pal);
}

void PageFrame::setScrollBars(QScrollBar *vs, QScrollBar *phs)
{
    m_vs = vs;
    m_phs = phs;
    for (QScrollBar *b : {vs, phs}) {
        if (!b)
            continue;
        b->setMinimum(0);
        b->setSingleStep(1);
        b->setPageStep(1);
        connect(b, &QScrollBar::valueChanged, this, [this] {
            if (!m_applying)
                scrollToBars();
        });
    }
}

void PageFrame::setTwipGeometry(int left, int top, int width, int height)
{
    m_twW = width;
    m_twH = height;
    const int tpp = m_page->tpp();
    setGeometry(int(std::lround(double(left) / tpp)), int(std::lround(double(top) / tpp)),
                qMax(0, int(std::lround(double(width) / tpp))),
                qMax(0, int(std::lround(double(height) / tpp))));
}

PagePlacement PageFrame::placement() const
{
    PagePlacement p;
    p.left = m_page->twLeft();
    p.top = m_page->twTop();
    p.width = m_page->twWidth();
    p.height = m_page->twHeight();
    if (m_vs)
        p.vs = {m_vs->isEnabled(), m_vs->maximum(), m_vs->value()};
    if (m_phs)
        p.phs = {m_phs->isEnabled(), m_phs->maximum(), m_phs->value()};
    return p;
}

void PageFrame::applyPlacement(const PagePlacement &p)
{
    m_applying = true;
    // Maximum first, then the value, then the enabled state, so that no bar clamps a value it
    // is about to get.
    for (auto [bar, st] : {std::pair{m_vs, p.vs}, std::pair{m_phs, p.phs}}) {
        if (!bar)
            continue;
        const QSignalBlocker block(bar);
        bar->setMaximum(qMax(0, st.max));
        bar->setValue(st.value);
        bar->setEnabled(st.enabled);
    }
    m_page->setTwipGeometry(p.left, p.top, p.width, p.height);
    m_applying = false;
}

double PageFrame::zoom() const
{
    return m_twW > 0 ? m_page->twWidth() / m_twW : 1.0;
}

void PageFrame::scrollToBars()
{
    PagePlacement p = placement();
    p = PlaceByBars(p, m_twW, m_twH);
    m_page->moveTw(p.left, p.top);
}

} // namespace page
