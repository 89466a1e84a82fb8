#include "mainwin/pageediting.h"

#include "mainwin/commandroute.h"
#include "mainwin/histcombo.h"
#include "mainwin/mainwindow.h"
#include "mainwin/popupmenus.h"
#include "mainwin/typing.h"
#include "page/designer.h"
#include "page/field.h"
#include "page/fieldvalue.h"
#include "page/pagegrid.h"
#include "page/pageview.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/core/vb.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRubberBand>

#include <cmath>
#include <cstdlib>

namespace mainwin {

namespace {

constexpr int kBandStep = 100; // twips the mouse must leave the band's corner by

const char16_t *const kBandTip = u"按住鼠标左键并拖动鼠标可以选中需要修改的输入框。";
const char16_t *const kKeysTip =
    u"箭头键->移动位置，Shift+箭头键->改变控件大小，Ctrl+箭头键->改变字体大小！";

} // namespace

PageEditing::PageEditing(MainWindow &w, Typing &typing, page::PropertyDialogs &dialogs)
    : QObject(&w), m_w(w), m_typing(typing),
      m_designer(new page::Designer(*w.fields(), *w.PG(), this)), m_dialogs(dialogs),
      m_band(new QRubberBand(QRubberBand::Rectangle, w.PG()))
{
    setObjectName(QStringLiteral("PageEditing"));
    m_band->setObjectName(QStringLiteral("SelBand"));
    m_band->hide();
    page::PageView *pg = w.PG();
    connect(pg, &page::PageView::pageMousePressed, this, &PageEditing::PG_MouseDown);
    connect(pg, &page::PageView::pageMouseMoved, this, &PageEditing::PG_MouseMove);
    connect(pg, &page::PageView::pageMouseReleased, this, &PageEditing::PG_MouseUp);
    connect(pg, &page::PageView::pageKeyPressed, this, &PageEditing::PG_KeyDown);
    // The page's own press handling sees each press once.
    connect(pg, &page::PageView::pageMousePressing, this,
            [this](const QMouseEvent *m, bool &taken) {
                if (m_w.fields() && !taken)
                    taken = SecondPress(m_w.PG(), m);
            });
    // The fields hand on what the user does to them, the typing having seen it first.
    page::FieldRegistry &reg = *w.fields();
    connect(&reg, &page::FieldRegistry::fieldMousePressed, this, &PageEditing::fieldPressed);
    connect(&reg, &page::FieldRegistry::fieldDoubleClicked, this, &PageEditing::fieldPressed);
    connect(&reg, &page::FieldRegistry::fieldMouseMoved, this,
            [this](page::PageField *f, QMouseEvent *m, bool &taken) {
                if (!m_w.fields() || taken)
                    return;
                const int tpp = m_w.PG()->tpp();
                taken = FieldMouseMove(f, page::ButtonsCode(m->buttons()), m->position().x() * tpp,
                                       m->position().y() * tpp);
            });
    connect(&reg, &page::FieldRegistry::fieldMouseReleased, this,
            [this](page::PageField *f, QMouseEvent *, bool &taken) {
                if (taken)
                    return;
                const bool dragged = m_dragged;
                m_dragged = false;
                if (m_mode == Mode::FieldDrag)
                    m_mode = Mode::Idle;
                // A check box dragged away is not ticked by the release that ends the drag.
                if (dragged && f->Kind() == page::FieldKind::Check)
                    taken = true;
            });
    connect(&reg, &page::FieldRegistry::textKeyPressed, this,
            [this](page::TextField *, QKeyEvent *k, bool &taken) {
                if (m_w.fields() && !taken)
                    TT_KeyDown(k->key(), page::ShiftCode(k->modifiers()));
            });
    buildCtlSameMenu();

    // The slip size button opens its dialog.
    w.setCommand(2, [this] { m_dialogs.OpenFormSize(); });
}

PageEditing::~PageEditing() = default;

void PageEditing::buildCtlSameMenu()
{
    QMenu *menu = m_w.mCtlSame();
    if (!menu)
        return;
    auto sub = [menu](const char *name, const QString &title) {
        QMenu *m = menu->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu *m, const char *name, const QString &text, std::vector<int> modes) {
        QAction *a = m->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        m_w.route().Connect(a, [this, modes] {
            // "统一尺寸" asks for the height, then the width; nothing selected is said once.
            for (int mode : modes)
                if (!m_designer->AlignSelCtl(mode))
                    return;
        });
    };
    QMenu *align = sub("mAlign", QStringLiteral("内容框对齐"));
    item(align, "mAlignLeft", QStringLiteral("左对齐"), {1});
    item(align, "mAlignRight", QStringLiteral("右对齐"), {2});
    item(align, "mAlignTop", QStringLiteral("顶端对齐"), {0});
    item(align, "mAlighBottom", QStringLiteral("底部对齐"), {3});
    QMenu *size = sub("mCtlSize", QStringLiteral("内容框尺寸"));
    item(size, "mAlighWidth", QStringLiteral("统一宽度"), {4});
    item(size, "mAlighHight", QStringLiteral("统一高度"), {5});
    item(size, "mAlignSize", QStringLiteral("统一尺寸"), {5, 4});
}

page::LineField *PageEditing::HoverLine() const
{
    page::FieldRegistry *reg = m_w.fields();
    if (!m_hoverLine || !reg)
        return nullptr;
    // A line of a page rebuilt since is gone.
    return reg->GetCtlByIdx(m_hoverLineIndex) == m_hoverLine ? m_hoverLine : nullptr;
}

void PageEditing::fieldPressed(page::PageField *f, QMouseEvent *m, bool &taken)
{
    if (!m_w.fields() || taken)
        return;
    const int button = page::ButtonCode(m->button());
    // A double click is one press: Ctrl toggles the selection once, the right button opens one
    // menu; the field itself still sees the left double click (the history drop-down).
    if (m->type() == QEvent::MouseButtonDblClick || SecondPress(f->Widget(), m)) {
        taken = button == 2;
        return;
    }
    const int tpp = m_w.PG()->tpp();
    m_dragged = false;
    // The menu takes the right press.
    taken = button == 2;
    FieldMouseDown(f, button, page::ShiftCode(m->modifiers()), m->position().x() * tpp,
                   m->position().y() * tpp, m->globalPosition().toPoint());
}

bool PageEditing::SecondPress(const QObject *target, const QMouseEvent *m)
{
    const bool second =
        m_lastPress.target == target && m_lastPress.button == m->button() &&
        m->timestamp() - m_lastPress.time < quint64(QApplication::doubleClickInterval()) &&
        (m->globalPosition().toPoint() - m_lastPress.pos).manhattanLength() <=
            QApplication::startDragDistance();
    if (second)
        m_lastPress = {};
    else
        m_lastPress = {target, m->button(), m->timestamp(), m->globalPosition().toPoint()};
    return second;
}

void PageEditing::hideRelationColor()
{
    m_typing.HideRelationColor();
}

void PageEditing::openFieldMenu(page::PageField *field, bool withText, const QPoint &globalPos)
{
    PopupMenus *menus = m_w.menuForm();
    if (!menus)
        return;
    menus->CurCtl = field;
    menus->mCopy()->setVisible(withText);
    menus->mPaste()->setVisible(withText);
    menus->L5()->setVisible(withText);
    menus->m_CtlSet()->exec(globalPos);
}

void PageEditing::FieldMouseDown(page::PageField *field, int button, int shift, double x, double y,
                                 const QPoint &globalPos)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    const page::FieldKind kind = field->Kind();
    if (kind == page::FieldKind::Text && shift != 2)
        hideRelationColor();
    if (button == 2) {
        openFieldMenu(field, kind == page::FieldKind::Text || kind == page::FieldKind::Label,
                      globalPos);
        return;
    }
    if (shift == 2) {
        page::SetCtlLook(field, page::IsCtlSel(field));
        if (kind == page::FieldKind::Picture) {
            auto *p = static_cast<page::PictureField *>(field);
            page::SetPicCtlContent(*p, p->LinkItem());
        }
    }
}

bool PageEditing::FieldMouseMove(page::PageField *field, int buttons, double x, double y)
{
    const int locked = m_w.context().O2(2);
    const int w = field->Width(), h = field->Height();
    const bool stepped = m_designer->CtlMouseMove(field, buttons, x, y, locked,
                                                  field->Kind() != page::FieldKind::Check);
    if (stepped) {
        m_dragged = true;
        m_mode = Mode::FieldDrag;
    }
    if (field->Kind() == page::FieldKind::Picture && locked != 1 && buttons == 1 &&
        (field->Width() != w || field->Height() != h)) {
        auto *p = static_cast<page::PictureField *>(field);
        page::SetPicCtlContent(*p, p->LinkItem());
    }
    // While a grip is held the field does not see the moves (a text box would select text).
    const int pointer = field->PointerMode();
    return locked != 1 && buttons == 1 && (pointer == 5 || pointer == 8);
}

QPoint PageEditing::globalOfPage(double x, double y) const
{
    const int tpp = m_w.PG()->tpp();
    return m_w.PG()->mapToGlobal(QPoint(int(std::lround(x / tpp)), int(std::lround(y / tpp))));
}

void PageEditing::showBand()
{
    const page::Designer::Rect &r = m_designer->SelRect;
    const int tpp = m_w.PG()->tpp();
    const QRect px =
        QRect(QPoint(int(std::lround(double(r.x1) / tpp)), int(std::lround(double(r.y1) / tpp))),
              QPoint(int(std::lround(double(r.x2) / tpp)), int(std::lround(double(r.y2) / tpp))))
            .normalized();
    m_band->setGeometry(px);
    m_band->raise();
    m_band->show();
}

void PageEditing::PG_MouseDown(int button, int shift, double x, double y)
{
    page::Designer &d = *m_designer;
    if (shift != 2)
        hideRelationColor();
    if (button == 2) {
        if (d.PagePointer() == 2) {
            openFieldMenu(HoverLine(), false, globalOfPage(x, y));
            return;
        }
        // The menu's commands act on the selection as it is; a right click selects nothing.
        if (PopupMenus *menus = m_w.menuForm())
            menus->mPicGraph()->exec(globalOfPage(x, y));
        return;
    }
    if (d.Locked())
        return;
    m_w.PG()->setToolTip(QString::fromUtf16(kBandTip));
    const int ix = store::CLng(x), iy = store::CLng(y);
    d.SelRect = {ix, iy, ix, iy};
    const int pointer = d.PagePointer();
    if (pointer == 2) {
        if (page::LineField *line = d.LineHover(button, x, y))
            page::SetCtlLook(line, page::IsCtlSel(line));
    }
    if (shift != 2)
        d.ClearCtlSel();
    if (button == 1)
        m_mode = (pointer == 0) ? Mode::Band : Mode::LineDrag;
}

void PageEditing::PG_MouseMove(int buttons, int shift, double x, double y)
{
    page::Designer &d = *m_designer;
    const int locked = m_w.context().O2(2);
    if (locked == 1) {
        d.SetPagePointer(0);
        return;
    }
    const int pointer = d.PagePointer();
    if (buttons == 1 && pointer == 0) {
        page::Designer::Rect &r = d.SelRect;
        if (std::abs(x - r.x2) <= kBandStep && std::abs(y - r.y2) <= kBandStep)
            return;
        r.x2 = store::CLng(x);
        r.y2 = store::CLng(y);
        showBand();
        d.SelCtlByRect(shift);
        return;
    }
    if (buttons == 1 && pointer == 2) {
        d.LineHover(buttons, x, y);
        d.CtlMouseMove(HoverLine(), buttons, x, y, locked, true);
        return;
    }
    if ((pointer == 5 || pointer == 8) && buttons == 1) {
        d.CtlMouseMove(HoverLine(), buttons, x, y, locked, true);
        return;
    }
    page::LineField *line = d.LineHover(buttons, x, y);
    if (line && buttons == 1)
        d.CtlMouseMove(line, buttons, x, y, locked, true);
    m_hoverLine = line;
    m_hoverLineIndex = line ? line->Index() : 0;
}

void PageEditing::PG_MouseUp(int button, int, double, double)
{
    if (button != 1)
        return;
    page::Designer &d = *m_designer;
    d.SetPagePointer(0);
    m_mode = Mode::Idle;
    m_band->hide();
    if (!d.Locked()) {
        m_w.PG()->setToolTip(QString::fromUtf16(kKeysTip));
        page::DrawPageGrid(*m_w.PG(), m_w.fields(), store::Val(m_w.context().Wid()),
                           m_w.context().O2(0), m_w.context().O2(4) == 1);
    }
    // PG_Click: the history drop-down goes.
    m_typing.dropDown().Hide();
}

void PageEditing::PG_KeyDown(int key, int shift)
{
    // A key a field of the page left unhandled was already seen there.
    QWidget *focus = m_w.focusWidget();
    if (focus && focus != m_w.PG() && m_w.PG()->isAncestorOf(focus))
        return;
    m_designer->CtlKeyMove(key, shift);
}

void PageEditing::TT_KeyDown(int key, int shift)
{
    m_designer->CtlKeyMove(key, shift);
}

} // namespace mainwin
