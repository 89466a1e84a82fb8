#include "page/designer.h"

#include "page/field.h"
#include "page/pageview.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/model/fieldrow.h"
#include "store/model/gridmodel.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"

#include <QCursor>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace page {

namespace {

constexpr int kGripZone = 100; // twips from a corner that grab the field
constexpr int kDeadZone = 12;  // twips the mouse must move before a drag step
constexpr int kNudge = 10;     // twips an arrow key moves or sizes
constexpr double kFontStep = 0.5;

const char16_t *const kMoveTip = u"提示：按住鼠标左键(别松开),拖动鼠标,即可移动本输入框位置。";
const char16_t *const kSizeTip = u"提示：按住鼠标左键(别松开),拖动鼠标,即可改变本输入框大小。";
const char16_t *const kTypeTip = u"提示：点击鼠标左键,可以输入内容。";
const char16_t *const kLineTip = u"提示：按住鼠标左键(别松开),拖动鼠标,即可拖动本线条。";

void Order(int &a, int &b)
{
    if (a > b)
        std::swap(a, b);
}

int LineWidthTw(const LineField &line, int tpp)
{
    return store::CLng(line.BorderWidth() * tpp);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Pure geometry

int LineHitTest(int x1, int y1, int x2, int y2, int widthTw, double x, double y)
{
    const int w = widthTw;
    const double t = w / 2.0 < 30 ? 30 : w;
    const int minX = std::min(x1, x2), maxX = std::max(x1, x2);
    const int minY = std::min(y1, y2), maxY = std::max(y1, y2);
    if (x < minX - t || x > maxX + t || y < minY - t || y > maxY + t)
        return -1;
    if (x >= x1 - t && x <= x1 + t && y >= y1 - t && y <= y1 + t)
        return 0;
    if (x >= x2 - t && x <= x2 + t && y >= y2 - t && y <= y2 + t)
        return 2;
    if (std::abs(x2 - x1) <= w)
        return (y >= minY && y <= maxY) ? 1 : -1;
    // Distance at right angles to the line, so that steep lines can be grabbed too.
    const double dx = x2 - x1, dy = y2 - y1;
    const double dist = std::fabs(dy * (x - x1) - dx * (y - y1)) / std::hypot(dx, dy);
    return dist <= t ? 1 : -1;
}

bool BoxInRect(int left, int top, int width, int height, int x1, int y1, int x2, int y2)
{
    Order(x1, x2);
    Order(y1, y2);
    return !(left + width < x1 || left > x2 || top > y2 || top + height < y1);
}

bool LineInRect(int lx1, int ly1, int lx2, int ly2, int x1, int y1, int x2, int y2)
{
    Order(x1, x2);
    Order(y1, y2);
    auto inside = [&](int x, int y) { return x >= x1 && x <= x2 && y >= y1 && y <= y2; };
    return inside(lx1, ly1) || inside(lx2, ly2);
}

int ClampMove(int pos, int size, int d, int page)
{
    int v = pos + d;
    if (v < 0)
        v = 0;
    if (v + size > page)
        v = page - size;
    return v;
}

int ClampSize(int pos, int size, int d, int page)
{
    int v = size + d;
    if (v < 0)
        v = 0;
    if (pos + v > page)
        v = page - pos;
    return std::max(0, v);
}

std::optional<int> AlignReference(int mode, const std::vector<Box> &boxes)
{
    std::optional<int> v;
    for (const Box &b : boxes) {
        int value = 0;
        bool smallest = false;
        switch (mode) {
        case 0:
            value = b.top;
            smallest = true;
            break;
        case 1:
            value = b.left;
            smallest = true;
            break;
        case 2:
            value = b.left + b.width;
            break;
        case 3:
            value = b.top + b.height;
            break;
        case 4:
            value = b.width;
            break;
        case 5:
            value = b.height;
            break;
        default:
            return std::nullopt;
        }
        if (!v || (smallest ? value < *v : value > *v))
            v = value;
    }
    return v;
}

Qt::CursorShape PointerCursor(int code)
{
    switch (code) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
        return Qt::SizeAllCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// ---------------------------------------------------------------------------------------------
// Selection

bool IsCtlSel(const PageField *ctl)
{
    return ctl && ctl->Selected();
}

void SetCtlLook(PageField *ctl, bool normal)
{
    if (ctl)
        ctl->SetSelected(!normal);
}

bool CtlInRect(const PageField *ctl, int x1, int y1, int x2, int y2)
{
    if (!ctl)
        return false;
    if (ctl->Kind() == FieldKind::Line) {
        const auto *l = static_cast<const LineField *>(ctl);
        return LineInRect(l->X1(), l->Y1(), l->X2(), l->Y2(), x1, y1, x2, y2);
    }
    return BoxInRect(ctl->Left(), ctl->Top(), ctl->Width(), ctl->Height(), x1, y1, x2, y2);
}

int CountSelCtl(const FieldRegistry &reg)
{
    int n = 0;
    for (const PageField *f : reg.AllFields())
        if (f->Selected() && (f->Kind() == FieldKind::Text || f->Kind() == FieldKind::Picture))
            ++n;
    return n;
}

void SetCtlPointer(PageField *ctl, int code)
{
    if (!ctl)
        return;
    ctl->SetPointerMode(code);
    if (QWidget *w = ctl->Widget()) {
        const Qt::CursorShape shape = PointerCursor(code);
        if (w->cursor().shape() != shape)
            w->setCursor(shape);
    }
}

QPoint GetCursorTwips(int tpp)
{
    return QCursor::pos() * tpp;
}

// ---------------------------------------------------------------------------------------------
// The designer of a page

Designer::Designer(FieldRegistry &reg, PageView &page, QObject *parent)
    : QObject(parent), m_reg(reg), m_page(&page)
{
    setObjectName(QStringLiteral("Designer"));
}

bool Designer::Locked() const
{
    return m_reg.Context().O2(2) == 1;
}

void Designer::SetPagePointer(int code)
{
    m_pagePointer = code;
    if (m_page) {
        const Qt::CursorShape shape = PointerCursor(code);
        if (m_page->cursor().shape() != shape)
            m_page->setCursor(shape);
    }
}

void Designer::SelCtlByRect(int mode)
{
    for (PageField *f : m_reg.AllFields()) {
        const bool meets = CtlInRect(f, SelRect.x1, SelRect.y1, SelRect.x2, SelRect.y2);
        if (mode == 2) {
            if (meets)
                f->SetSelected(true);
        } else {
            f->SetSelected(meets);
        }
    }
}

bool Designer::CtlMouseMove(PageField *ctl, int button, double x, double y, int locked,
                            bool allowSize)
{
    if (!ctl)
        return false;
    if (locked == 1) {
        SetCtlPointer(ctl, 0);
        return false;
    }
    const int ix = store::CLng(x), iy = store::CLng(y);
    const bool beyond = std::abs(x - DragX) > kDeadZone || std::abs(y - DragY) > kDeadZone;
    if (button == 1) {
        if (ctl->Kind() == FieldKind::Line) {
            // A line moves with the selection and follows the mouse; nothing is resized.
            if (!beyond)
                return false;
            MoveSelCtl(store::CLng(x - DragX), store::CLng(y - DragY), ctl->Index());
            DragX = ix;
            DragY = iy;
            return true;
        }
        if (ctl->PointerMode() == 5) {
            if (!beyond)
                return false;
            // The field moves under the mouse: the point relative to it stays.
            MoveSelCtl(store::CLng(x - DragX), store::CLng(y - DragY), ctl->Index());
            return true;
        }
        if (ctl->PointerMode() == 8) {
            if (!beyond)
                return false;
            SizeSelCtl(store::CLng(x - DragX), store::CLng(y - DragY), ctl->Index());
            DragX = ix;
            DragY = iy;
            return true;
        }
        return false;
    }
    if (ctl->Kind() == FieldKind::Line)
        return false;
    QWidget *w = ctl->Widget();
    auto setTip = [w](const char16_t *tip) {
        if (w)
            w->setToolTip(QString::fromUtf16(tip));
    };
    if (x < kGripZone && y < kGripZone) {
        SetCtlPointer(ctl, 5);
        DragX = ix;
        DragY = iy;
        setTip(kMoveTip);
    } else if (x > ctl->Width() - kGripZone && y > ctl->Height() - kGripZone) {
        if (allowSize) {
            SetCtlPointer(ctl, 8);
            DragX = ix;
            DragY = iy;
            setTip(kSizeTip);
        }
    } else {
        SetCtlPointer(ctl, 3);
        DragX = ix;
        DragY = iy;
        setTip(kTypeTip);
    }
    return false;
}

void Designer::MoveSelCtl(int dx, int dy, int index)
{
    for (PageField *f : m_reg.AllFields())
        if (f->Selected() || f->Index() == index)
            MoveCtl(dx, dy, f);
}

void Designer::MoveCtl(int dx, int dy, PageField *ctl)
{
    if (!ctl || !m_page)
        return;
    if (ctl->Kind() == FieldKind::Line) {
        auto *l = static_cast<LineField *>(ctl);
        const bool start = m_pagePointer != 8;
        const bool end = m_pagePointer != 5;
        m_reg.PlaceLine(*l, l->X1() + (start ? dx : 0), l->Y1() + (start ? dy : 0),
                        l->X2() + (end ? dx : 0), l->Y2() + (end ? dy : 0));
        return;
    }
    const int pageW = int(std::lround(m_page->twWidth()));
    const int pageH = int(std::lround(m_page->twHeight()));
    m_reg.PlaceField(*ctl, ClampMove(ctl->Left(), ctl->Width(), dx, pageW),
                     ClampMove(ctl->Top(), ctl->Height(), dy, pageH), ctl->Width(), ctl->Height());
}

void Designer::SizeSelCtl(int dw, int dh, int index)
{
    for (PageField *f : m_reg.AllFields())
        if (f->Kind() != FieldKind::Check && (f->Selected() || f->Index() == index))
            SizeCtl(dw, dh, f);
}

bool Designer::SizeCtl(int dw, int dh, PageField *ctl)
{
    if (!ctl || !m_page || ctl->Kind() == FieldKind::Line)
        return false;
    const int pageW = int(std::lround(m_page->twWidth()));
    const int pageH = int(std::lround(m_page->twHeight()));
    m_reg.PlaceField(*ctl, ctl->Left(), ctl->Top(), ClampSize(ctl->Left(), ctl->Width(), dw, pageW),
                     ClampSize(ctl->Top(), ctl->Height(), dh, pageH));
    return true;
}

void Designer::CtlKeyMove(int key, int shift)
{
    if (Locked())
        return;
    int dx = 0, dy = 0;
    switch (key) {
    case Qt::Key_Left:
        dx = -kNudge;
        break;
    case Qt::Key_Up:
        dy = -kNudge;
        break;
    case Qt::Key_Right:
        dx = kNudge;
        break;
    case Qt::Key_Down:
        dy = kNudge;
        break;
    default:
        return;
    }
    switch (shift) {
    case 0:
        MoveSelCtl(dx, dy, -1);
        break;
    case 1:
        SizeSelCtl(dx, dy, -1);
        break;
    case 2:
        StepSelFontSize(key == Qt::Key_Left || key == Qt::Key_Up ? -kFontStep : kFontStep);
        break;
    default:
        break;
    }
}

void Designer::StepSelFontSize(double delta)
{
    store::FlexGridModel *grid = m_reg.Grid();
    if (!grid)
        return;
    for (PageField *f : m_reg.AllFields()) {
        if (!f->Selected())
            continue;
        const double size = store::ReadFieldRow(*grid, f->Row()).fontSize.Val() + delta;
        if (size > 0)
            m_reg.EditRow(*f, [size](store::FieldRow &r) { r.fontSize.Set(size); });
    }
}

bool Designer::AlignSelCtl(int mode)
{
    if (mode < 0 || mode > 5 || !m_page)
        return false;
    std::vector<PageField *> fields;
    std::vector<Box> boxes;
    for (PageField *f : m_reg.AllFields()) {
        const FieldKind k = f->Kind();
        const bool visited =
            k == FieldKind::Text || k == FieldKind::Picture || (k == FieldKind::Check && mode <= 3);
        if (visited && f->Selected()) {
            fields.push_back(f);
            boxes.push_back({f->Left(), f->Top(), f->Width(), f->Height()});
        }
    }
    const std::optional<int> ref = AlignReference(mode, boxes);
    if (!ref) {
        store::ReportMessage(QStringLiteral("请先选定多个输入框，再操作此功能！"));
        return false;
    }
    const double widthMM = store::Val(m_reg.Context().Wid());
    if (widthMM == 0)
        return true;
    const double r = m_page->twWidth() / widthMM;
    const double proposal = store::CLng(*ref / r * 100) / 100.0;
    const std::optional<QString> answer =
        store::AskText(QStringLiteral("请输入设定值(毫米)："), store::CStr(proposal));
    if (!answer)
        return true;
    const QString text = answer->trimmed();
    if (text.isEmpty())
        return true;
    if (!store::ScanNumber(text).any) {
        store::ReportMessage(QStringLiteral("请输入有效的数值！"));
        return true;
    }
    const double v = store::Val(text) * r;
    for (PageField *f : fields) {
        switch (mode) {
        case 0:
            MoveCtl(0, store::CLng(v - f->Top()), f);
            break;
        case 1:
            MoveCtl(store::CLng(v - f->Left()), 0, f);
            break;
        case 2:
            MoveCtl(store::CLng(v - (f->Left() + f->Width())), 0, f);
            break;
        case 3:
            MoveCtl(0, store::CLng(v - (f->Top() + f->Height())), f);
            break;
        case 4:
            SizeCtl(store::CLng(v - f->Width()), 0, f);
            break;
        case 5:
            SizeCtl(0, store::CLng(v - f->Height()), f);
            break;
        default:
            break;
        }
    }
    return true;
}

LineField *Designer::LineHover(int button, double x, double y, int *hit)
{
    int code = -1;
    if (hit)
        *hit = -1;
    if (Locked())
        return nullptr;
    const int tpp = m_reg.Tpp();
    for (int i = m_reg.FirstCtlIdx(3); i <= m_reg.LastCtlIdx(3); ++i) {
        auto *line = static_cast<LineField *>(m_reg.GetCtlByIdx(i));
        if (!line)
            continue;
        code = LineHitTest(line->X1(), line->Y1(), line->X2(), line->Y2(), LineWidthTw(*line, tpp),
                           x, y);
        if (hit)
            *hit = code;
        if (code < 0)
            continue;
        if (code == 0)
            SetPagePointer(5);
        else if (code == 1 && m_pagePointer == 0)
            SetPagePointer(2);
        else if (code == 2)
            SetPagePointer(8);
        DragX = store::CLng(x);
        DragY = store::CLng(y);
        if (m_page)
            m_page->setToolTip(QString::fromUtf16(kLineTip));
        return line;
    }
    if (button != 1 && m_pagePointer != 0)
        SetPagePointer(0);
    return nullptr;
}

} // namespace page
