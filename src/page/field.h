#pragma once
// The fields on the page. Each field is a small model object (its kind, its index k*1000+n, the
// grid row it is bound to, its geometry in whole twips of the page, its font, colour and
// alignment) that owns the widget showing it. The twips are the truth: widgets get whole pixels
// from them and are never read back, so a field does not drift when it is moved and saved.
// Lines have no widget; the page paints them.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "values/fieldkind.h"

#include <functional>

class QPainter;

namespace page {

using values::FieldKind;
using values::kKindCount;
// Room in the index scheme for each kind: indexes k*1000+1 .. k*1000+999.
inline constexpr int kMaxFieldsPerKind = 999;

// The design defaults of the templates every field is made from.
inline constexpr const char16_t *kFieldToolTip = u"点击右键可设置、添加、复制或删除输入框。";
inline constexpr const char16_t *kTemplateCaption = u"标签";
inline constexpr const char16_t *kTemplateFont = u"宋体";
inline constexpr double kTemplateFontSize = 9;
inline constexpr int kCheckBoxWidth = 255;  // twips; check boxes keep the template's size
inline constexpr int kCheckBoxHeight = 255;
// The selection grey of a selected line.
inline constexpr quint32 kSelectionGrey = 0xD0D0D0;

struct FieldFont
{
    QString name = QString::fromUtf16(kTemplateFont);
    double size = kTemplateFontSize; // points as shown on the page (zoom applied)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethru = false;

    QFont toQFont() const;
    bool operator==(const FieldFont &) const = default;
};

class PageField;

// Where the widget of a field hands on what the user does to it (the registry of its page),
// before the widget itself acts on it: true when the event was taken and the widget must leave
// it.
class FieldEventSink
{
public:
    virtual bool FieldEvent(PageField &field, QEvent *event) = 0;

protected:
    ~FieldEventSink() = default;
};

// The prompt label LL of a field of kind 0-2: sized to its text, placed beside its field.
class CaptionLabel : public QLabel
{
    Q_OBJECT
public:
    CaptionLabel(int tpp, QWidget *parent);
    // Sets the caption and measures it (twips).
    void SetCaption(const QString &text);
    QString Caption() const { return text(); }
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Move(int left, int top);

protected:
    // A press on a caption starts nothing on the page.
    void mousePressEvent(QMouseEvent *event) override;

private:
    void apply();
    int m_tpp;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
};

class PageField
{
public:
    virtual ~PageField();
    PageField(const PageField &) = delete;
    PageField &operator=(const PageField &) = delete;

    virtual FieldKind Kind() const = 0;
    int Index() const { return m_index; }
    // The field's row in the field grid (the control's tag).
    int Row() const { return m_row; }
    void SetRow(int row) { m_row = row; }

    // Geometry in twips of the page: left, top, width, height (a line: see LineField).
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);
    void SetGeometryTw(int left, int top, int width, int height);

    const FieldFont &Font() const { return m_font; }
    void SetFont(const FieldFont &font);
    // Font and colour at once.
    void SetLook(const FieldFont &font, quint32 color);
    // Text colour (a line: its colour), 0x00BBGGRR.
    quint32 ForeColor() const { return m_foreColor; }
    void SetForeColor(quint32 color);
    // 0 left, 1 right, 2 centre.
    int Alignment() const { return m_alignment; }
    virtual bool SetAlignment(int alignment);

    // The selection and the look it gives: a grey text box, a flat check box, a bordered
    // picture or label, a grey line.
    bool Selected() const { return m_selected; }
    void SetSelected(bool on);
    // The designer's pointer code (0 default, 2 cross, 5 move, 8 size).
    int PointerMode() const { return m_pointerMode; }
    void SetPointerMode(int mode) { m_pointerMode = mode; }

    // The widget showing the field (none for a line) and its prompt label (kinds 0-2).
    QWidget *Widget() const { return m_widget; }
    CaptionLabel *Caption() const { return m_caption; }
    void SetVisible(bool on);

    int Tpp() const { return m_tpp; }
    int ToPx(int twips) const;

    // The sink the field's widget hands its key, mouse, focus and input-method events to.
    void SetEventSink(FieldEventSink *sink) { m_sink = sink; }
    // Called by the field's widget for each event it gets; true when the sink took it.
    bool HandOn(QEvent *event);

protected:
    PageField(int index, int tpp);
    void AttachWidget(QWidget *widget, bool withCaption);
    virtual void ApplyGeometry();
    virtual void ApplyLook();
    virtual void ApplySelection() {}

    int m_index;
    int m_tpp;
    int m_row = 0;
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    FieldFont m_font;
    quint32 m_foreColor = 0;
    int m_alignment = 0;
    bool m_selected = false;
    int m_pointerMode = 0;
    QPointer<QWidget> m_widget;
    QPointer<CaptionLabel> m_caption;
    FieldEventSink *m_sink = nullptr;
};

// A line edit for a value of any length, typed, pasted or set. A line edit lays out its whole
// text at every change and paint, a few megabytes for seconds: a value longer than kShownWhole
// characters is kept beside the box, which shows only its start until it is edited. The first
// key, input-method text, drop or middle click that reaches the box then puts the whole value
// into it, so that an edit always edits the whole value.
class ValueLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int kShownWhole = 4096;

    explicit ValueLineEdit(QWidget *parent);

    // The whole value (not only what the box shows).
    QString Value() const { return m_startOnly ? m_whole : text(); }
    void SetValue(const QString &value);
    // Whether the box shows only the start of its value.
    bool ShowsStart() const { return m_startOnly; }
    // Puts the whole value into a box that shows its start. The cursor and the selection stay
    // where they were; one at the end of the start stands at the end of the value after it.
    void ShowWhole();

protected:
    bool event(QEvent *event) override;

private:
    void setShown(const QString &text);

    QString m_whole; // the value while the box shows its start
    bool m_startOnly = false;
    bool m_setting = false;
};

// The editor of a text field (TT).
class TextBox : public ValueLineEdit
{
    Q_OBJECT
public:
    TextBox(PageField *field, QWidget *parent);
    PageField *Field() const { return m_field; }

signals:
    // The user left the field (not a window switch or a pop-up).
    void lostFocus();

protected:
    bool event(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    PageField *m_field;
};

class TextField : public PageField
{
public:
    TextField(int index, int tpp, QWidget *page);
    FieldKind Kind() const override { return FieldKind::Text; }
    TextBox *Box() const;
    // The whole text as it stands, of any length; line breaks are CR LF.
    QString Text() const;
    void SetText(const QString &text);
    // 0 none, 1 a single line.
    int BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(int style);

protected:
    void ApplyLook() override;
    void ApplySelection() override;

private:
    int m_borderStyle = 1;
};

class CheckField : public PageField
{
public:
    CheckField(int index, int tpp, QWidget *page);
    FieldKind Kind() const override { return FieldKind::Check; }
    QCheckBox *Box() const;
    // 0 unchecked, 1 checked, 2 greyed.
    int Value() const;
    void SetValue(int value);
    // A check box has its box on the left (0) or the right (1).
    bool SetAlignment(int alignment) override;

protected:
    void ApplyLook() override;
    void ApplySelection() override;
};

// The widget of a picture or barcode field: its picture stretched over it.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    PictureBox(PageField *field, QWidget *parent);
    PageField *Field() const { return m_field; }
    const QImage &Picture() const;
    void SetPicture(const QImage &picture);
    // The picture is drawn (for the box's size then) only once it is shown or asked for: a box
    // that is not being redrawn, as during a batch print, does not draw every value it holds.
    void SetPictureLater(std::function<QImage(const QSize &size)> draw);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    PageField *m_field;
    mutable QImage m_picture;
    mutable std::function<QImage(const QSize &)> m_draw;
};

class PictureField : public PageField
{
public:
    PictureField(int index, int tpp, QWidget *page);
    FieldKind Kind() const override { return FieldKind::Picture; }
    PictureBox *Box() const;
    // A picture file path when it holds ".", otherwise the text of a barcode.
    QString LinkItem() const { return m_linkItem; }
    void SetLinkItem(const QString &item) { m_linkItem = item; }
    bool SetAlignment(int) override { return false; }

protected:
    void ApplySelection() override;

private:
    QString m_linkItem;
};

class LineField : public PageField
{
public:
    LineField(int index, int tpp, QWidget *page);
    FieldKind Kind() const override { return FieldKind::Line; }
    // End points in twips of the page.
    int X1() const { return m_x1; }
    int Y1() const { return m_y1; }
    int X2() const { return m_x2; }
    int Y2() const { return m_y2; }
    void SetPoints(int x1, int y1, int x2, int y2);
    void SetX1(int v) { SetPoints(v, m_y1, m_x2, m_y2); }
    void SetY1(int v) { SetPoints(m_x1, v, m_x2, m_y2); }
    void SetX2(int v) { SetPoints(m_x1, m_y1, v, m_y2); }
    void SetY2(int v) { SetPoints(m_x1, m_y1, m_x2, v); }
    // Width in pixels as shown; 1 solid, 2 dash, 3 dot, 4 dash-dot, 5 dash-dot-dot.
    double BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(double w);
    int BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(int style);
    // The colour the line is drawn in (the selection grey while selected).
    quint32 BorderColor() const { return m_foreColor; }
    void SetBorderColor(quint32 color);
    bool SetAlignment(int) override { return false; }

    void Paint(QPainter &p) const;

protected:
    void ApplySelection() override { Changed(); }

private:
    void Changed();
    QPointer<QWidget> m_page;
    int m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
    double m_borderWidth = 1;
    int m_borderStyle = 1;
};

class LabelField : public PageField
{
public:
    LabelField(int index, int tpp, QWidget *page);
    FieldKind Kind() const override { return FieldKind::Label; }
    QLabel *Box() const;
    QString CaptionText() const;
    void SetCaptionText(const QString &text);

protected:
    void ApplyLook() override;
    void ApplySelection() override;
};

// The field kind of a control; no control gives 0 (test for null first where it matters).
int GetCtlClas(const PageField *ctl);

} // namespace page
