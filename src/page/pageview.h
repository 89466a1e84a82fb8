#pragma once
// The page PG on which a format's fields lie, inside its clipping frame PFrm with the two page
// scroll bars. Sizes and positions are kept in twips; widgets get whole pixels from them.

#include "page/pagegrid.h"
#include "page/zoom.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

class QScrollBar;

namespace page {

// The codes of keys and buttons the page's handlers take: shift 1 Shift + 2 Ctrl + 4 Alt,
// button 1 left, 2 right, 4 middle (added for several buttons held).
int ShiftCode(Qt::KeyboardModifiers m);
int ButtonCode(Qt::MouseButton b);
int ButtonsCode(Qt::MouseButtons b);

// The page picture box PG.
class PageView : public QWidget
{
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    int tpp() const { return m_tpp; }
    void setTpp(int tpp);

    // Position in the frame and size, twips (sizes whole twips).
    double twLeft() const { return m_tw.left; }
    double twTop() const { return m_tw.top; }
    double twWidth() const { return m_tw.width; }
    double twHeight() const { return m_tw.height; }
    void setTwipGeometry(double left, double top, double width, double height);
    void moveTw(double left, double top);
    int toPx(double tw) const;
    double toTw(double px) const { return px * m_tpp; }

    // The background picture holder TP.
    const QImage &backPicture() const { return m_tp; }
    void setBackPicture(const QImage &img);
    void clearBackPicture();

    // Redraws the page: background picture when showBackOption is set and TP holds one, and the
    // grid when ruler is 1. Returns whether the background is shown.
    bool drawPageGrid(double widthMM, int ruler, bool showBackOption);
    bool backShown() const { return m_showBack; }
    int ruler() const { return m_ruler; }
    double gridWidthMM() const { return m_widthMM; }
    // How many times the page was redrawn by drawPageGrid (for tests and the benchmark).
    int drawCount() const { return m_drawCount; }

    // Extra drawing above the grid and under the field widgets (line fields, the band).
    using PaintLayer = std::function<void(QPainter &)>;
    void addPaintLayer(PaintLayer layer);

    // The picture of the page as it is shown, at its pixel size.
    QImage renderPage() const;

signals:
    // Mouse and keys on the page itself, positions in page twips; shift is 1 Shift + 2 Ctrl +
    // 4 Alt, button 1 left, 2 right.
    void pageMousePressed(int button, int shift, double xTw, double yTw);
    // Each press on the page before it is one: a handler that sets taken makes it none (the
    // second press of a double click). A double click itself is never a press of the page.
    void pageMousePressing(const QMouseEvent *event, bool &taken);
    void pageMouseMoved(int buttons, int shift, double xTw, double yTw);
    void pageMouseReleased(int button, int shift, double xTw, double yTw);
    void pageKeyPressed(int key, int shift);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void paintPage(QPainter &p) const;
    void applyPixelGeometry();
    const GridPrimitives &grid() const;

    struct
    {
        double left = 0, top = 0, width = 0, height = 0;
    } m_tw;
    int m_tpp = 15;
    QImage m_tp;
    double m_widthMM = 180;
    int m_ruler = 0;
    bool m_showBack = false;
    int m_drawCount = 0;
    std::vector<PaintLayer> m_layers;
    mutable GridPrimitives m_grid;
    mutable bool m_gridValid = false;
};

// The frame PFrm that clips the page, with the page's scroll bars VS and PHS.
class PageFrame : public QWidget
{
    Q_OBJECT
public:
    explicit PageFrame(QWidget *parent = nullptr);

    PageView *page() const { return m_page; }
    void setScrollBars(QScrollBar *vs, QScrollBar *phs);
    QScrollBar *vs() const { return m_vs; }
    QScrollBar *phs() const { return m_phs; }

    double twWidth() const { return m_twW; }
    double twHeight() const { return m_twH; }
    // Frame position in its parent and size, twips.
    void setTwipGeometry(int left, int top, int width, int height);

    // The page as its placement: size, position and the bars' states.
    PagePlacement placement() const;
    void applyPlacement(const PagePlacement &p);
    double zoom() const; // page width / frame width
    // The slip's width / height, which the page keeps through every zoom (0 = unknown).
    double slipRatio() const { return m_slipRatio; }
    void setSlipRatio(double r) { m_slipRatio = r; }

    // Moves the page for the bars' values (the bars' change handlers).
    void scrollToBars();

private:
    PageView *m_page;
    QScrollBar *m_vs = nullptr;
    QScrollBar *m_phs = nullptr;
    double m_twW = 0;
    double m_twH = 0;
    double m_slipRatio = 0;
    bool m_applying = false;
};

} // namespace page
