#include "page/field.h"

#include "store/view/gridcolor.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>
#include <limits>
#include <utility>

namespace page {

namespace {

void SetTextColor(QWidget *w, quint32 color)
{
    QPalette pal = w->palette();
    const QColor c = store::VbToQColor(color);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    w->setPalette(pal);
}

Qt::Alignment HorizontalAlignment(int alignment)
{
    switch (alignment) {
    case 1: return Qt::AlignRight;
    case 2: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// A check box drawn flat while its field is selected: a plain white square with a thin frame
// in place of the raised indicator.
class FieldCheckBox : public QCheckBox
{
public:
    FieldCheckBox(PageField *field, QWidget *parent) : QCheckBox(parent), m_field(field) {}
    bool flat = false;

protected:
    bool event(QEvent *e) override { return m_field->HandOn(e) || QCheckBox::event(e); }
    void paintEvent(QPaintEvent *e) override
    {
        QCheckBox::paintEvent(e);
        if (!flat)
            return;
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QRect r = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
        QPainter p(this);
        p.fillRect(r, Qt::white);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (checkState() != Qt::Unchecked) {
            p.setRenderHint(QPainter::Antialiasing, true);
            QPen tick(checkState() == Qt::Checked ? palette().color(QPalette::WindowText)
                                                  : QColor(0x80, 0x80, 0x80),
                      std::max(1.5, r.width() / 7.0));
            p.setPen(tick);
            const QRectF in = QRectF(r).adjusted(2.5, 2.5, -2.5, -2.5);
            p.drawPolyline(QPolygonF({QPointF(in.left(), in.center().y()),
                                      QPointF(in.left() + in.width() * 0.4, in.bottom()),
                                      QPointF(in.right(), in.top())}));
        }
    }

private:
    PageField *m_field;
};

// The widget of a label field.
class FieldLabel : public QLabel
{
public:
    FieldLabel(PageField *field, QWidget *parent)
        : QLabel(QString::fromUtf16(kTemplateCaption), parent), m_field(field)
    {
    }

protected:
    bool event(QEvent *e) override { return m_field->HandOn(e) || QLabel::event(e); }

private:
    PageField *m_field;
};

} // namespace

QFont FieldFont::toQFont() const
{
    QFont f(name);
    if (size > 0)
        f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikethru);
    return f;
}

// ---------------------------------------------------------------------------------------------

CaptionLabel::CaptionLabel(int tpp, QWidget *parent) : QLabel(parent), m_tpp(std::max(1, tpp))
{
    FieldFont f;
    setFont(f.toQFont());
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    SetCaption(QString::fromUtf16(kTemplateCaption));
}

void CaptionLabel::SetCaption(const QString &text)
{
    setText(text);
    const QFontMetrics fm(font());
    m_width = text.isEmpty() ? 0 : fm.horizontalAdvance(text) * m_tpp;
    m_height = fm.height() * m_tpp;
    apply();
}

void CaptionLabel::Move(int left, int top)
{
    m_left = left;
    m_top = top;
    apply();
}

void CaptionLabel::mousePressEvent(QMouseEvent *event) { event->accept(); }

void CaptionLabel::apply()
{
    setGeometry(qRound(double(m_left) / m_tpp), qRound(double(m_top) / m_tpp),
                qRound(double(m_width) / m_tpp), qRound(double(m_height) / m_tpp));
}

// ---------------------------------------------------------------------------------------------

PageField::PageField(int index, int tpp) : m_index(index), m_tpp(std::max(1, tpp)) {}

PageField::~PageField()
{
    // A widget going away hands nothing on any more.
    m_sink = nullptr;
    delete m_caption.data();
    delete m_widget.data();
}

void PageField::AttachWidget(QWidget *widget, bool withCaption)
{
    m_widget = widget;
    widget->setMouseTracking(true);
    widget->setContextMenuPolicy(Qt::NoContextMenu);
    // A press on a field belongs to the field only, never to the page under it.
    widget->setAttribute(Qt::WA_NoMousePropagation, true);
    if (withCaption) {
        widget->setToolTip(QString::fromUtf16(kFieldToolTip));
        m_caption = new CaptionLabel(m_tpp, widget->parentWidget());
    }
}

void PageField::SetLeft(int v) { SetGeometryTw(v, m_top, m_width, m_height); }
void PageField::SetTop(int v) { SetGeometryTw(m_left, v, m_width, m_height); }
void PageField::SetWidth(int v) { SetGeometryTw(m_left, m_top, v, m_height); }
void PageField::SetHeight(int v) { SetGeometryTw(m_left, m_top, m_width, v); }

void PageField::SetGeometryTw(int left, int top, int width, int height)
{
    m_left = left;
    m_top = top;
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    ApplyGeometry();
}

void PageField::SetFont(const FieldFont &font)
{
    if (font == m_font)
        return;
    m_font = font;
    ApplyLook();
}

void PageField::SetLook(const FieldFont &font, quint32 color)
{
    color &= 0xFFFFFF;
    if (font == m_font && color == m_foreColor)
        return;
    m_font = font;
    m_foreColor = color;
    ApplyLook();
}

void PageField::SetForeColor(quint32 color)
{
    color &= 0xFFFFFF;
    if (color == m_foreColor)
        return;
    m_foreColor = color;
    ApplyLook();
}

bool PageField::SetAlignment(int alignment)
{
    if (alignment < 0 || alignment > 2)
        return false;
    m_alignment = alignment;
    ApplyLook();
    return true;
}

void PageField::SetSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    ApplySelection();
}

void PageField::SetVisible(bool on)
{
    if (m_widget)
        m_widget->setVisible(on);
    if (m_caption)
        m_caption->setVisible(on);
}

int PageField::ToPx(int twips) const { return qRound(double(twips) / m_tpp); }

bool PageField::HandOn(QEvent *event)
{
    if (!m_sink)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::FocusIn:
        return m_sink->FieldEvent(*this, event);
    default:
        return false;
    }
}

void PageField::ApplyGeometry()
{
    if (m_widget)
        m_widget->setGeometry(ToPx(m_left), ToPx(m_top), ToPx(m_width), ToPx(m_height));
}

void PageField::ApplyLook()
{
    if (!m_widget)
        return;
    m_widget->setFont(m_font.toQFont());
    SetTextColor(m_widget, m_foreColor);
}

// ---------------------------------------------------------------------------------------------

ValueLineEdit::ValueLineEdit(QWidget *parent) : QLineEdit(parent)
{
    // Qt's line edit keeps 32,767 characters unless told otherwise, and drops the rest unasked.
    setMaxLength(std::numeric_limits<int>::max());
    // A change that does not come from here makes what the box holds the value.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_setting && m_startOnly) {
            m_startOnly = false;
            m_whole.clear();
        }
    });
}

void ValueLineEdit::setShown(const QString &text)
{
    m_setting = true;
    setText(text);
    m_setting = false;
}

void ValueLineEdit::SetValue(const QString &value)
{
    if (value.size() <= kShownWhole) {
        m_startOnly = false;
        m_whole.clear();
        setShown(value);
        return;
    }
    // The start, a surrogate pair kept whole.
    qsizetype n = kShownWhole;
    if (value.at(n - 1).isHighSurrogate())
        --n;
    m_whole = value;
    m_startOnly = true;
    setShown(value.left(n));
}

void ValueLineEdit::ShowWhole()
{
    if (!m_startOnly)
        return;
    const int shown = int(text().size());
    const int cursor = cursorPosition();
    int anchor = cursor;
    if (hasSelectedText())
        anchor = cursor == selectionStart() ? selectionEnd() : selectionStart();
    const QString whole = std::exchange(m_whole, QString());
    m_startOnly = false;
    setShown(whole);
    const auto at = [&](int p) { return p >= shown ? int(whole.size()) : p; };
    if (anchor == cursor)
        setCursorPosition(at(cursor));
    else
        setSelection(at(anchor), at(cursor) - at(anchor));
}

bool ValueLineEdit::event(QEvent *event)
{
    if (m_startOnly) {
        bool edits = false;
        switch (event->type()) {
        case QEvent::KeyPress: {
            // Keys that only move the focus or hold a modifier change nothing.
            const int key = static_cast<QKeyEvent *>(event)->key();
            edits = key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Shift &&
                    key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta &&
                    key != Qt::Key_AltGr && key != Qt::Key_CapsLock && key != Qt::Key_NumLock;
            break;
        }
        case QEvent::InputMethod:
        case QEvent::Drop:
            edits = true;
            break;
        case QEvent::MouseButtonRelease:
            // The middle button pastes the selection of the window system.
            edits = static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton;
            break;
        default:
            break;
        }
        if (edits)
            ShowWhole();
    }
    return QLineEdit::event(event);
}

TextBox::TextBox(PageField *field, QWidget *parent) : ValueLineEdit(parent), m_field(field) {}

bool TextBox::event(QEvent *event)
{
    return m_field->HandOn(event) || ValueLineEdit::event(event);
}

void TextBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}

TextField::TextField(int index, int tpp, QWidget *page) : PageField(index, tpp)
{
    AttachWidget(new TextBox(this, page), true);
    m_width = 1455;
    m_height = 285;
    ApplyGeometry();
    ApplyLook();
}

TextBox *TextField::Box() const { return static_cast<TextBox *>(m_widget.data()); }

QString TextField::Text() const { return Box() ? Box()->Value() : QString(); }

void TextField::SetText(const QString &text)
{
    if (Box())
        Box()->SetValue(text);
}

void TextField::SetBorderStyle(int style)
{
    if (style != 0 && style != 1)
        return;
    m_borderStyle = style;
    if (Box())
        Box()->setFrame(style == 1);
}

void TextField::ApplySelection()
{
    if (!Box())
        return;
    // Selected grey, normal white (which also takes away a relation colour).
    QPalette pal = Box()->palette();
    pal.setColor(QPalette::Base, m_selected ? QColor(0xD0, 0xD0, 0xD0) : QColor(Qt::white));
    Box()->setPalette(pal);
}

void TextField::ApplyLook()
{
    PageField::ApplyLook();
    if (Box()) {
        Box()->setAlignment(HorizontalAlignment(m_alignment) | Qt::AlignVCenter);
        Box()->setFrame(m_borderStyle == 1);
    }
}

// ---------------------------------------------------------------------------------------------

CheckField::CheckField(int index, int tpp, QWidget *page) : PageField(index, tpp)
{
    auto *box = new FieldCheckBox(this, page);
    box->setTristate(false);
    AttachWidget(box, true);
    m_width = kCheckBoxWidth;
    m_height = kCheckBoxHeight;
    ApplyGeometry();
    ApplyLook();
}

QCheckBox *CheckField::Box() const { return static_cast<QCheckBox *>(m_widget.data()); }

int CheckField::Value() const
{
    if (!Box())
        return 0;
    switch (Box()->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void CheckField::SetValue(int value)
{
    if (!Box() || value < 0 || value > 2)
        return;
    if (value == 2)
        Box()->setTristate(true);
    Box()->setCheckState(value == 1 ? Qt::Checked
                                    : (value == 2 ? Qt::PartiallyChecked : Qt::Unchecked));
}

bool CheckField::SetAlignment(int alignment)
{
    if (alignment != 0 && alignment != 1)
        return false;
    m_alignment = alignment;
    ApplyLook();
    return true;
}

void CheckField::ApplySelection()
{
    if (auto *box = static_cast<FieldCheckBox *>(Box())) {
        box->flat = m_selected;
        box->update();
    }
}

void CheckField::ApplyLook()
{
    PageField::ApplyLook();
    if (Box())
        Box()->setLayoutDirection(m_alignment == 1 ? Qt::RightToLeft : Qt::LeftToRight);
}

// ---------------------------------------------------------------------------------------------

PictureBox::PictureBox(PageField *field, QWidget *parent) : QWidget(parent), m_field(field) {}

bool PictureBox::event(QEvent *event)
{
    return m_field->HandOn(event) || QWidget::event(event);
}

const QImage &PictureBox::Picture() const
{
    if (m_draw) {
        const auto draw = std::move(m_draw);
        m_draw = nullptr;
        m_picture = draw(size());
    }
    return m_picture;
}

void PictureBox::SetPicture(const QImage &picture)
{
    m_draw = nullptr;
    m_picture = picture;
    update();
}

void PictureBox::SetPictureLater(std::function<QImage(const QSize &size)> draw)
{
    m_picture = QImage();
    m_draw = std::move(draw);
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (const QImage &picture = Picture(); !picture.isNull())
        p.drawImage(QRectF(rect()), picture);
    if (m_field && m_field->Selected()) {
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

PictureField::PictureField(int index, int tpp, QWidget *page) : PageField(index, tpp)
{
    AttachWidget(new PictureBox(this, page), true);
    m_width = 1455;
    m_height = 855;
    ApplyGeometry();
    ApplyLook();
}

PictureBox *PictureField::Box() const { return static_cast<PictureBox *>(m_widget.data()); }

void PictureField::ApplySelection()
{
    if (Box())
        Box()->update();
}

// ---------------------------------------------------------------------------------------------

LineField::LineField(int index, int tpp, QWidget *page) : PageField(index, tpp), m_page(page)
{
    m_foreColor = 0;
}

void LineField::SetPoints(int x1, int y1, int x2, int y2)
{
    m_x1 = x1;
    m_y1 = y1;
    m_x2 = x2;
    m_y2 = y2;
    m_left = std::min(x1, x2);
    m_top = std::min(y1, y2);
    m_width = std::abs(x2 - x1);
    m_height = std::abs(y2 - y1);
    Changed();
}

void LineField::SetBorderWidth(double w)
{
    if (!(w >= 0.5))
        return;
    m_borderWidth = w;
    Changed();
}

void LineField::SetBorderStyle(int style)
{
    if (style < 0 || style > 6)
        return;
    m_borderStyle = style;
    Changed();
}

void LineField::SetBorderColor(quint32 color)
{
    m_foreColor = color & 0xFFFFFF;
    Changed();
}

void LineField::Paint(QPainter &p) const
{
    Qt::PenStyle style = Qt::SolidLine;
    switch (m_borderStyle) {
    case 0: style = Qt::NoPen; break;
    case 2: style = Qt::DashLine; break;
    case 3: style = Qt::DotLine; break;
    case 4: style = Qt::DashDotLine; break;
    case 5: style = Qt::DashDotDotLine; break;
    default: break;
    }
    QPen pen(store::VbToQColor(m_selected ? kSelectionGrey : m_foreColor));
    pen.setWidthF(std::max(1.0, m_borderWidth));
    pen.setStyle(style);
    p.save();
    p.setPen(pen);
    p.drawLine(QPointF(double(m_x1) / m_tpp, double(m_y1) / m_tpp),
               QPointF(double(m_x2) / m_tpp, double(m_y2) / m_tpp));
    p.restore();
}

void LineField::Changed()
{
    if (m_page)
        m_page->update();
}

// ---------------------------------------------------------------------------------------------

LabelField::LabelField(int index, int tpp, QWidget *page) : PageField(index, tpp)
{
    auto *label = new FieldLabel(this, page);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    AttachWidget(label, false);
    m_width = 1455;
    m_height = 285;
    ApplyGeometry();
    ApplyLook();
}

QLabel *LabelField::Box() const { return static_cast<QLabel *>(m_widget.data()); }

QString LabelField::CaptionText() const { return Box() ? Box()->text() : QString(); }

void LabelField::SetCaptionText(const QString &text)
{
    if (Box())
        Box()->setText(text);
}

void LabelField::ApplySelection()
{
    if (Box()) {
        Box()->setFrameStyle(m_selected ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        Box()->setLineWidth(1);
    }
}

void LabelField::ApplyLook()
{
    PageField::ApplyLook();
    if (Box())
        Box()->setAlignment(HorizontalAlignment(m_alignment) | Qt::AlignTop);
}

int GetCtlClas(const PageField *ctl) { return ctl ? int(ctl->Kind()) : 0; }

} // namespace page
