#pragma once
// Laying out the fields on the page: the selection, the line hit test and hover, dragging,
// resizing and nudging, alignment and uniform sizes, font steps. All lengths are twips of the
// page; every field that moves writes its row at once.
//
// Pointer codes, as the page and the fields show them: 0 arrow, 2 cross (a line's body), 3 text
// I-beam, 5 four-way move, 8 diagonal size.

#include "page/pageview.h"

#include <QCursor>
#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

class QWidget;

namespace page {

class FieldRegistry;
class LineField;
class PageField;

// --- pure geometry

// Where a point lies on a line (x1, y1)-(x2, y2) drawn widthTw twips wide: -1 not on it, 0 the
// start point, 2 the end point, 1 the body. The tolerance is 30 twips, or the whole width from
// 60 twips on; the start point is tested first. A sloped body is hit within the tolerance as
// measured at right angles to the line.
int LineHitTest(int x1, int y1, int x2, int y2, int widthTw, double x, double y);

// Whether a box meets the rectangle (corners in any order, edges included).
bool BoxInRect(int left, int top, int width, int height, int x1, int y1, int x2, int y2);
// Whether either end point of a line lies inside the rectangle (edges included).
bool LineInRect(int lx1, int ly1, int lx2, int ly2, int x1, int y1, int x2, int y2);

// The new left (or top) of a box of extent `size` moved by d on a page of extent `page`: not
// below 0, then flush with the far edge when over it (a box larger than the page ends up at a
// negative place).
int ClampMove(int pos, int size, int d, int page);
// The new width (or height) of a box at pos grown by d: not below 0, not past the page's edge.
int ClampSize(int pos, int size, int d, int page);

// The reference value of an alignment over boxes (left, top, width, height): mode 0 the
// smallest top, 1 the smallest left, 2 the largest right edge, 3 the largest bottom edge, 4 the
// largest width, 5 the largest height. Nothing without boxes.
struct Box
{
    int left, top, width, height;
};
std::optional<int> AlignReference(int mode, const std::vector<Box> &boxes);

// The cursor of a pointer code.
Qt::CursorShape PointerCursor(int code);

// --- selection over the fields of a registry

bool IsCtlSel(const PageField *ctl);
// The normal look when normal, else the selected one.
void SetCtlLook(PageField *ctl, bool normal);
bool CtlInRect(const PageField *ctl, int x1, int y1, int x2, int y2);
// Selected text and picture fields.
int CountSelCtl(const FieldRegistry &reg);

// Sets a field's pointer code and the cursor its widget shows.
void SetCtlPointer(PageField *ctl, int code);

// The designer of one page: the band rectangle, the drag point, the page's pointer and every
// operation on the selection.
class Designer : public QObject
{
    Q_OBJECT
public:
    Designer(FieldRegistry &reg, PageView &page, QObject *parent = nullptr);

    FieldRegistry &Registry() const { return m_reg; }
    PageView &Page() const { return *m_page; }
    // The format is locked ("锁定格式").
    bool Locked() const;

    // The band X1, Y1 (where it started), X2, Y2 (its last corner), twips of the page.
    struct Rect
    {
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };
    Rect SelRect;
    // The mouse point of the last drag step: field-relative for boxes, on the page for lines.
    int DragX = 0;
    int DragY = 0;

    int PagePointer() const { return m_pagePointer; }
    void SetPagePointer(int code);

    // mode 2 adds the fields meeting SelRect to the selection; any other mode makes them the
    // selection.
    void SelCtlByRect(int mode);
    void ClearCtlSel() { SelCtlByRect(0); }

    // The mouse over a field (field-relative X, Y) or, for a line, over the page. True when a
    // drag step moved or sized something.
    bool CtlMouseMove(PageField *ctl, int button, double x, double y, int locked, bool allowSize);
    // The selection and the field of index (-1 none) moved, or sized (check boxes never).
    void MoveSelCtl(int dx, int dy, int index);
    void MoveCtl(int dx, int dy, PageField *ctl);
    void SizeSelCtl(int dw, int dh, int index);
    // False for a line, which has no size.
    bool SizeCtl(int dw, int dh, PageField *ctl);
    // Arrow keys (Qt key codes) on the selection: alone they move, with Shift they size, with
    // Ctrl they step the font; nothing while the format is locked.
    void CtlKeyMove(int key, int shift);
    // The font size of every selected field stepped in its row (a step leaving 0 or less is
    // skipped), then the row applied.
    void StepSelFontSize(double delta);
    // Aligns or sizes the selection to one value the user confirms in millimetres. False when
    // nothing fit to act on was selected.
    bool AlignSelCtl(int mode);

    // The line under a page point: sets the page's pointer (5 start, 2 body, 8 end), the drag
    // point and the tip; nothing while locked. hit gets the last code computed.
    LineField *LineHover(int button, double x, double y, int *hit = nullptr);

private:
    FieldRegistry &m_reg;
    QPointer<PageView> m_page;
    int m_pagePointer = 0;
};

// The screen position of the mouse in twips.
QPoint GetCursorTwips(int tpp);

} // namespace page
