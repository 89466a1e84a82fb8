#pragma once
// Laying out the format with the mouse and the keys on the main window's page: selecting fields
// with a band or Ctrl+click, dragging and sizing them at their grips, dragging lines, the arrow
// keys, the pop-up menus of the fields and the page, and the menu "内容框设置(&C)".

#include <QObject>
#include <QPoint>
#include <QPointer>

class QEvent;
class QMenu;
class QMouseEvent;
class QRubberBand;

namespace page {
class Designer;
class PropertyDialogs;
class LineField;
class PageField;
} // namespace page

namespace mainwin {

class MainWindow;
class Typing;

class PageEditing : public QObject
{
    Q_OBJECT
public:
    // typing loses its relation colours and its drop-down to the mouse; dialogs open from the
    // pop-up menus and the slip size button.
    PageEditing(MainWindow &w, Typing &typing, page::PropertyDialogs &dialogs);
    ~PageEditing() override;

    page::Designer &designer() const { return *m_designer; }
    // The line under the mouse (kept while a line is dragged); nullptr when none.
    page::LineField *HoverLine() const;
    // The property dialogs of the fields and the slip size dialog.
    page::PropertyDialogs &dialogs() const { return m_dialogs; }
    // The band shown while it is dragged.
    QRubberBand *band() const { return m_band; }

    // What the page's mouse is doing now.
    enum class Mode { Idle, Band, FieldDrag, LineDrag };
    Mode mode() const { return m_mode; }

    // Presses and moves on a field (field-relative twips); globalPos opens the menus. A move
    // returns true when it was a drag step the field itself must not see.
    void FieldMouseDown(page::PageField *field, int button, int shift, double x, double y,
                        const QPoint &globalPos);
    bool FieldMouseMove(page::PageField *field, int buttons, double x, double y);

    // The page itself (page twips).
    void PG_MouseDown(int button, int shift, double x, double y);
    void PG_MouseMove(int buttons, int shift, double x, double y);
    void PG_MouseUp(int button, int shift, double x, double y);
    void PG_KeyDown(int key, int shift);
    // A key pressed in a text field; the key still reaches the field.
    void TT_KeyDown(int key, int shift);

private:
    // True for the press that is the second one of a double click on the same target (it
    // follows the first within the double-click time, without moving).
    bool SecondPress(const QObject *target, const QMouseEvent *m);
    // A press or double click on a field.
    void fieldPressed(page::PageField *f, QMouseEvent *m, bool &taken);
    void hideRelationColor();
    void buildCtlSameMenu();
    void openFieldMenu(page::PageField *field, bool withText, const QPoint &globalPos);
    QPoint globalOfPage(double x, double y) const;
    void showBand();

    MainWindow &m_w;
    Typing &m_typing;
    page::Designer *m_designer;
    page::PropertyDialogs &m_dialogs;
    QRubberBand *m_band;
    page::LineField *m_hoverLine = nullptr;
    int m_hoverLineIndex = 0;
    Mode m_mode = Mode::Idle;
    bool m_dragged = false;
    struct Press
    {
        const QObject *target = nullptr;
        Qt::MouseButton button = Qt::NoButton;
        quint64 time = 0;
        QPoint pos;
    } m_lastPress;
};

} // namespace mainwin
