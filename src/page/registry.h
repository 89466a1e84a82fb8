#pragma once
// The fields of the open format, kept per kind as the control arrays TT, CC, II, LN, LB were:
// the n-th field of kind k has index k*1000+n, n = 1..CtlCount(k) without gaps (other data
// keep these indexes: the batch map, the zoom's saved values, printing walks them). Elements
// k*1000 were design templates; here they are not objects, and looking them up gives nothing.
//
// Every field is bound to its row of the field grid (store::AppContext::FieldGrid) by position;
// the look-ups between rows, IDs and fields read that grid.

#include "page/field.h"
#include "page/record.h"
#include "store/model/context.h"
#include "store/model/fieldrow.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFocusEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace store {
class FlexGridModel;
}

namespace page {

// Where a prompt label w x h goes beside a field (left, top, width, height, twips or any one
// unit): dir 0 above, 1 left, 2 right, 3 below; nothing for any other dir. offset is the drop of
// a label beside the field (40 twips on the page).
std::optional<QPoint> CaptionPos(int dir, const QRect &field, const QSize &label, int offset);

class FieldRegistry : public QObject, public store::PageFields, private FieldEventSink
{
    Q_OBJECT

public:
    // Fields are created on page (their widgets' parent).
    FieldRegistry(store::AppContext &ctx, QWidget *page, QObject *parent = nullptr);
    ~FieldRegistry() override;

    store::AppContext &Context() const { return m_ctx; }
    store::FlexGridModel *Grid() const;
    QWidget *Page() const { return m_page; }
    // Twips per pixel of the page's screen (15 at 96 dpi).
    int Tpp() const { return m_tpp; }

    // Page scale s (twips of the page per mm of the slip) and zoom z (page width over frame
    // width, 1 when the frame has no width yet).
    double Scale() const;
    double Zoom() const;

    // --- control arrays
    void ResetCtlCount();
    // Removes every field and its prompt label; all counts 0.
    void UnloadAllCtl();
    // The next field of a kind, bound to row: index kind*1000 + CtlCount + 1, visible, with its
    // prompt label for kinds 0-2; a line starts black. nullptr for a kind outside 0..4 or when the
    // kind already has 999 fields.
    PageField *AddCtl(int kind, int row);
    int CtlCount(int kind) const override;
    // The field of that index; nullptr for templates (k*1000), gaps and anything outside.
    PageField *GetCtlByIdx(int index) const;
    int FirstCtlIdx(int kind) const { return kind * 1000 + 1; }
    // kind*1000 + CtlCount(kind); a kind outside 0..4 gives an empty walk.
    int LastCtlIdx(int kind) const;
    // Every field in index order of kinds 0..4.
    std::vector<PageField *> AllFields() const;
    // The field shown by that widget (its box, or its check box or label); nullptr when the widget
    // belongs to no field of this page, or to one rebuilt since.
    PageField *FieldOfWidget(const QObject *widget) const;

    // --- the field's row
    // Column 0 read strictly; nullopt when it is empty or no number.
    std::optional<qint32> GetCtlID(const PageField *ctl) const;
    int GetCtlDir(const PageField *ctl) const;
    double GetCtlCash(const PageField *ctl) const;
    // The same-content link when there is one (column 19 >= 1), else column 22.
    qint32 GetRCtl(const PageField *ctl) const;
    // Column 22 when it is negative (related), else column 19.
    qint32 GetRCtl1(const PageField *ctl) const;
    // Sum targets without the negate tenth, sign kept; 0 when the cell is no number.
    qint32 GetSumID(const PageField *ctl) const;
    qint32 GetSumID1(const PageField *ctl) const;

    // --- look-ups. error (when given) is set when a kind or ID cell on the way is unusable.
    PageField *GetCtlByRow(int row, bool *error = nullptr) const;
    PageField *GetCtlByID(qint32 id, bool *error = nullptr) const;
    // nullopt when the row has no field.
    std::optional<int> GetCtlIndexByRow(int row) const;
    // 0 for id <= 0 or when no field has it.
    int GetCtlIndexByID(qint32 id) const;

    // Places the prompt label of a field of kind 0-2 beside it: dir 0 above, 1 left, 2 right,
    // 3 below, any other value leaves it; -1 reads the side from the row and writes it into dir.
    // label nullptr takes the field's own. Lines and labels: nothing. Returns the label.
    CaptionLabel *SetCtlLBLPos(PageField *ctl, CaptionLabel *label, int &dir);

    // The field layout of the grid, read again only when the grid has changed.
    const FieldLayout &Layout() const;
    // The values the fields hold now, each whole whatever its box shows, as a record of the
    // layout.
    FieldRecord Record() const;
    // Puts the values and borders of a record into the fields: those touched since the record's
    // last TakeTouched, or all of them. A value that is already shown is not set again.
    void PutRecord(FieldRecord &record, bool all = false);

    // --- edits. A field and its row of the field grid change together only through these, each
    // in the one order its kind of edit has; without a grid only the field changes.
    // An edit of the row: change gets the row as it stands, the row is written back, then the
    // field and its prompt label follow it. Nothing happens without a grid.
    void EditRow(PageField &field, const std::function<void(store::FieldRow &)> &change);
    // A move or resize of a box to left, top, width, height (twips of the page): the field takes
    // it, its prompt label goes beside it on the row's side, then the row follows.
    void PlaceField(PageField &field, int left, int top, int width, int height);
    // A move of a line's ends; the row follows.
    void PlaceLine(LineField &line, int x1, int y1, int x2, int y2);
    // A label's text; the row follows.
    void SetLabelText(LabelField &label, const QString &text);
    // Rebuilds every field from the grid, one per data row, with the progress window when asked;
    // false without a grid (nothing changes) or when the format has too many fields of one kind
    // (the page is left empty).
    bool ReloadFields(bool showProgress);

    // Paints every line field (the page calls it while painting).
    void PaintLines(QPainter &p) const;

    // True while the page is being rebuilt: focus that leaves a field then is no edit, and no
    // conversion or calculation may run on it.
    bool Reloading() const { return m_reloading > 0; }
    class ReloadGuard
    {
    public:
        explicit ReloadGuard(FieldRegistry &r) : m_r(r) { ++m_r.m_reloading; }
        ~ReloadGuard() { --m_r.m_reloading; }
        ReloadGuard(const ReloadGuard &) = delete;
        ReloadGuard &operator=(const ReloadGuard &) = delete;

    private:
        FieldRegistry &m_r;
    };

    // --- what the stores need (store::PageFields)
    QString CtlValue(int index) const override;
    std::optional<qint32> CtlID(int index) const override;
    bool SetValueByID(qint32 id, const QString &text, bool substituteCrlf) override;
    std::optional<QString> FixedTextOfRow(int row) const override;

signals:
    // The user left text field index (never during a rebuild).
    void textLostFocus(int index);
    // A check box was ticked or unticked, by the user or by the program.
    void checkToggled(int index, bool ticked);

    // What the user does to a field, handed on by its widget before the widget acts on it
    // (positions in the widget's pixels). The handlers run in the order they were connected;
    // one that takes the event sets taken, and the handlers after it and the widget leave it.
    void textKeyPressed(page::TextField *field, QKeyEvent *event, bool &taken);
    // Text an input method commits into a text field; a handler may change the commit string.
    void textInputMethod(page::TextField *field, QInputMethodEvent *event);
    void fieldMousePressed(page::PageField *field, QMouseEvent *event, bool &taken);
    void fieldDoubleClicked(page::PageField *field, QMouseEvent *event, bool &taken);
    void fieldMouseMoved(page::PageField *field, QMouseEvent *event, bool &taken);
    void fieldMouseReleased(page::PageField *field, QMouseEvent *event, bool &taken);
    void fieldFocused(page::PageField *field, Qt::FocusReason reason);

private:
    bool FieldEvent(PageField &field, QEvent *event) override;

    // The field row of ctl; an empty row without a field or grid.
    store::FieldRow RowOf(const PageField *ctl) const;

    store::AppContext &m_ctx;
    QPointer<QWidget> m_page;
    int m_tpp = 15;
    int m_reloading = 0;
    std::array<std::vector<std::unique_ptr<PageField>>, kKindCount> m_fields;
    mutable FieldLayout m_layout;
};

} // namespace page
