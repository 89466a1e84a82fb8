#include "page/propdialogs.h"

#include "page/fieldrow.h"
#include "page/fieldvalue.h"
#include "page/pageviewhost.h"
#include "page/pageviewlayout.h"
#include "page/registry.h"
#include "page/rowsync.h"
#include "page/zoompage.h"
#include "store/model/context.h"
#include "store/model/gridbind.h"
#include "store/view/gridcolor.h"
#include "store/model/gridmodel.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace page {

using namespace store;

namespace {

const char16_t *const kCaptionTip = u"输入框的提示标签内容。";
const char16_t *const kXTip = u"输入框的横向位置。";
const char16_t *const kYTip = u"输入框的纵向位置。";
const char16_t *const kWTip = u"输入框的横向宽度。";
const char16_t *const kHTip = u"输入框的纵向高度。";

QString S(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// A caption and its box in one row of a grid layout.
void addRow(QGridLayout *g, int row, const QString &caption, QWidget *box)
{
    g->addWidget(new QLabel(caption), row, 0);
    g->addWidget(box, row, 1);
}

// The geometry boxes X, Y (and W, H) in the group "内容框位置/大小(毫米)".
QGroupBox *geometryGroup(const std::vector<std::pair<QString, QLineEdit *>> &boxes)
{
    auto *g = new QGroupBox(QStringLiteral("内容框位置/大小(毫米)"));
    auto *l = new QGridLayout(g);
    int r = 0;
    for (const auto &[caption, box] : boxes)
        addRow(l, r++, caption, box);
    return g;
}

// The line drawn as the dialog chose it.
class LineSample : public QWidget
{
public:
    std::function<void(QPainter &)> paint;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (paint)
            paint(p);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The protocol

PropertyDialog::PropertyDialog(FieldRegistry &reg, FieldKind kind, const QString &title,
                               QWidget *parent)
    : QDialog(parent), m_reg(reg), m_kind(kind)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
}

bool PropertyDialog::isDataRow(int row) const
{
    const FlexGridModel *grid = m_reg.Grid();
    return grid && row >= grid->FixedRows() && row < grid->Rows();
}

void PropertyDialog::setCtlRow(int row)
{
    if (row == m_row)
        return;
    m_row = row;
    if (isDataRow(row))
        load(row);
    m_marks.clear();
}

QLineEdit *PropertyDialog::addBox(Item item, const QString &tip)
{
    auto *box = new QLineEdit(this);
    box->setToolTip(tip);
    connect(box, &QLineEdit::textEdited, this, [this, item] { mark(item); });
    return box;
}

QString PropertyDialog::NumberText(const QLineEdit *box)
{
    return CStr(Val(box->text()));
}

QLineEdit *PropertyDialog::addNumberBox(Item item, const QString &tip)
{
    QLineEdit *box = addBox(item, tip);
    checkNumber(item, box);
    return box;
}

void PropertyDialog::writeNumber(NumberCell &cell, Item item, const QLineEdit *box) const
{
    if (isMarked(item))
        cell.SetText(NumberText(box));
}

namespace {

// The cells of the caption box's followers, in the order of the boxes.
template <typename Row> auto SizeCells(Row &f)
{
    return std::array{&f.x, &f.y, &f.w, &f.h, &f.s};
}

using Item = PropertyDialog::Item;
constexpr Item kSizeItems[5] = {Item::X, Item::Y, Item::W, Item::H, Item::Spacing};

} // namespace

void PropertyDialog::loadCaptionAndSizes(const FieldRow &f, std::span<QLineEdit *const> boxes)
{
    const auto cells = SizeCells(f);
    boxes[0]->setText(f.lbl);
    for (size_t i = 1; i < boxes.size() && i <= cells.size(); ++i)
        boxes[i]->setText(cells[i - 1]->Text());
}

void PropertyDialog::saveCaptionAndSizes(FieldRow &f, std::span<QLineEdit *const> boxes) const
{
    if (isMarked(Item::Caption))
        f.lbl = boxes[0]->text();
    const auto cells = SizeCells(f);
    for (size_t i = 1; i < boxes.size() && i <= cells.size(); ++i)
        writeNumber(*cells[i - 1], kSizeItems[i - 1], boxes[i]);
}

QLayout *PropertyDialog::makeAlignOptions()
{
    auto *group = new QButtonGroup(this);
    auto *row = new QHBoxLayout;
    const char16_t *names[3] = {u"居左", u"居右", u"居中"};
    for (int i = 0; i < 3; ++i) {
        m_opA[size_t(i)] = new QRadioButton(S(names[i]), this);
        m_opA[size_t(i)]->setObjectName(QStringLiteral("OpA(%1)").arg(i));
        group->addButton(m_opA[size_t(i)], i);
        row->addWidget(m_opA[size_t(i)]);
    }
    m_opA[0]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int i) {
        setSampleAlignment(i);
        mark(Item::LineSpacing);
    });
    return row;
}

int PropertyDialog::sampleAlignment() const
{
    const Qt::Alignment al = m_sample->alignment();
    return al & Qt::AlignRight ? 1 : al & Qt::AlignHCenter ? 2 : 0;
}

void PropertyDialog::setSampleAlignment(int a)
{
    m_sample->setAlignment(a == 1 ? Qt::AlignRight : a == 2 ? Qt::AlignHCenter : Qt::AlignLeft);
}

void PropertyDialog::loadSpacing(const NumberCell &cell, QLineEdit *spacing)
{
    const double packed = cell.Val();
    spacing->setText(CStr(SpacingOfPacked(packed)));
    const int a = std::clamp(AlignmentOfPacked(packed), 0, 2);
    m_opA[size_t(a)]->setChecked(true);
    setSampleAlignment(a);
}

void PropertyDialog::writeSpacing(NumberCell &packed, const QLineEdit *spacing) const
{
    if (isMarked(Item::LineSpacing))
        packed.Set(PackSpacing(Val(spacing->text()), sampleAlignment()));
}

bool PropertyDialog::validate()
{
    for (const auto &[item, box] : m_numbers) {
        if (isMarked(item) && !ScanNumber(box->text()).any) {
            ReportMessage(QStringLiteral("请输入有效的数值！"));
            box->setFocus();
            box->selectAll();
            return false;
        }
    }
    return true;
}

void PropertyDialog::ok()
{
    if (!Changed() && !saveWithoutMarks()) {
        accept();
        return;
    }
    if (!validate())
        return;
    for (PageField *f : m_reg.AllFields())
        if (f->Kind() == m_kind && (f->Row() == m_row || f->Selected()) && isDataRow(f->Row()))
            saveRow(*f);
    afterSave();
    accept();
}

void PropertyDialog::done(int r)
{
    if (m_closing)
        return;
    m_closing = true;
    QDialog::done(r);
    emit closed(m_row);
}

bool PropertyDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_sample && event->type() == QEvent::FontChange) {
        const QMargins m = m_sample->textMargins();
        const int frame = m_sample->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr,
                                                         m_sample);
        // The text, the box's frame and inner margins, and the cursor after the last letter.
        m_sample->setMinimumWidth(m_sample->fontMetrics().horizontalAdvance(m_sample->text()) +
                                  m.left() + m.right() + 2 * frame + 8);
        m_sample->setCursorPosition(0);
    }
    return QDialog::eventFilter(watched, event);
}

QWidget *PropertyDialog::makeFontGroup(const QString &title)
{
    auto *g = new QGroupBox(title);
    auto *l = new QHBoxLayout(g);
    m_sample = new QLineEdit(QStringLiteral("Dunmarrow"), this);
    m_sample->setObjectName(QStringLiteral("TT(7)"));
    m_sample->setToolTip(QStringLiteral("输入框字体/字号/颜色等示例显示。"));
    // Qt's line edit tells of a new font only by its font-change event: the box is widened then.
    m_sample->installEventFilter(this);
    connect(m_sample, &QLineEdit::textEdited, this, [this] { mark(Item::Font); });
    auto *b = new QPushButton(QStringLiteral("字体  设置"), this);
    b->setObjectName(QStringLiteral("FontButton"));
    b->setToolTip(QStringLiteral("修改输入框内的字体/字号/颜色等。"));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this] {
        // Only a font the user accepted is written.
        if (ChooseCtlFont(m_sample))
            mark(Item::Font);
    });
    m_fontButton = b;
    l->addWidget(m_sample, 1);
    l->addWidget(b);
    return g;
}

QWidget *PropertyDialog::makeCaptionGroup(const QString &title, QLineEdit *caption, int designDir)
{
    m_captionBox = caption;
    auto *g = new QGroupBox(title);
    auto *l = new QGridLayout(g);
    addRow(l, 0, QStringLiteral("内容："), caption);
    auto *preview = new QFrame(this);
    preview->setObjectName(QStringLiteral("Preview"));
    preview->setToolTip(QStringLiteral("标签位置示例显示。"));
    preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    preview->setFixedSize(170, 70);
    m_txt = new QLabel(QStringLiteral("示例"), preview);
    m_txt->setObjectName(QStringLiteral("TXT"));
    m_txt->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_txt->setAlignment(Qt::AlignCenter);
    m_txt->setGeometry(60, 25, 50, 20);
    m_lbl = new QLabel(QStringLiteral("标签"), preview);
    m_lbl->setObjectName(QStringLiteral("LBL"));
    m_lbl->setTextFormat(Qt::PlainText); // the prompt as typed
    l->addWidget(preview, 1, 0, 1, 2);
    m_posGroup = new QButtonGroup(this);
    const char16_t *names[4] = {u"控件上边", u"控件左边", u"控件右边", u"控件下边"};
    auto *row = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_pos[size_t(i)] = new QRadioButton(S(names[i]), this);
        m_pos[size_t(i)]->setObjectName(QStringLiteral("POS(%1)").arg(i));
        m_pos[size_t(i)]->setToolTip(QStringLiteral("输入框的提示标签所在位置。"));
        m_posGroup->addButton(m_pos[size_t(i)], i);
        row->addWidget(m_pos[size_t(i)]);
    }
    l->addLayout(row, 2, 0, 1, 2);
    connect(m_posGroup, &QButtonGroup::idClicked, this, [this] {
        mark(Item::CaptionPos);
        placePreview();
    });
    connect(caption, &QLineEdit::textChanged, this, [this](const QString &t) {
        m_lbl->setText(t);
        placePreview();
    });
    setCaptionDir(designDir);
    return g;
}

int PropertyDialog::captionDir() const
{
    return m_posGroup ? std::max(0, m_posGroup->checkedId()) : 0;
}

void PropertyDialog::setCaptionDir(int dir)
{
    if (!m_posGroup || dir < 0 || dir > 3)
        return;
    m_pos[size_t(dir)]->setChecked(true);
    placePreview();
}

void PropertyDialog::placePreview()
{
    if (!m_lbl || !m_txt)
        return;
    m_lbl->adjustSize();
    if (const auto at = CaptionPos(captionDir(), m_txt->geometry(), m_lbl->size(), 3))
        m_lbl->move(*at);
}

QWidget *PropertyDialog::makeButtons()
{
    auto *w = new QWidget(this);
    auto *l = new QHBoxLayout(w);
    l->addStretch(1);
    auto *ok = new QPushButton(QStringLiteral("确  定"), w);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取  消"), w);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    l->addWidget(ok);
    l->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &PropertyDialog::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_ok = ok;
    m_cancel = cancel;
    return w;
}

// ---------------------------------------------------------------------------------------------
// Check boxes

ProChk::ProChk(FieldRegistry &reg, QWidget *parent)
    : PropertyDialog(reg, FieldKind::Check, QStringLiteral("修改可选框属性"), parent)
{
    setObjectName(QStringLiteral("ProChk"));
    m_tt[0] = addBox(Item::Caption, S(kCaptionTip));
    m_tt[1] = addNumberBox(Item::X, S(kXTip));
    m_tt[2] = addNumberBox(Item::Y, S(kYTip));
    auto *v = new QVBoxLayout(this);
    v->addWidget(makeCaptionGroup(QStringLiteral("标签内容/位置"), m_tt[0], 1));
    v->addWidget(geometryGroup(
        {{QStringLiteral("横向坐标："), m_tt[1]}, {QStringLiteral("纵向坐标："), m_tt[2]}}));
    v->addWidget(makeFontGroup(QStringLiteral("输入框")));
    v->addWidget(makeButtons());
}

void ProChk::load(int row)
{
    const FlexGridModel &g = *registry().Grid();
    const FieldRow f = ReadFieldRow(g, row);
    loadCaptionAndSizes(f, {m_tt.data(), 3});
    setCaptionDir(f.dir);
    RowFontToCtl(g, row, m_sample);
}

void ProChk::saveRow(PageField &field)
{
    registry().EditRow(field, [this](FieldRow &f) {
        saveCaptionAndSizes(f, {m_tt.data(), 3});
        if (isMarked(Item::CaptionPos))
            f.dir = captionDir();
        if (isMarked(Item::Font))
            CtlFontToRow(f, m_sample);
    });
}

// ---------------------------------------------------------------------------------------------
// Pictures

ProPic::ProPic(FieldRegistry &reg, QWidget *parent)
    : PropertyDialog(reg, FieldKind::Picture, QStringLiteral("添加/修改图像框"), parent)
{
    setObjectName(QStringLiteral("ProPic"));
    m_tt[0] = addBox(Item::Caption, S(kCaptionTip));
    const Item items[4] = {Item::X, Item::Y, Item::W, Item::H};
    const char16_t *tips[4] = {kXTip, kYTip, kWTip, kHTip};
    for (int i = 1; i <= 4; ++i)
        m_tt[size_t(i)] = addNumberBox(items[i - 1], S(tips[i - 1]));
    auto *v = new QVBoxLayout(this);
    v->addWidget(makeCaptionGroup(QStringLiteral("标签内容/位置"), m_tt[0], 0));
    v->addWidget(geometryGroup({{QStringLiteral("横向坐标："), m_tt[1]},
                                {QStringLiteral("纵向坐标："), m_tt[2]},
                                {QStringLiteral("宽："), m_tt[3]},
                                {QStringLiteral("高："), m_tt[4]}}));
    v->addWidget(makeFontGroup(QStringLiteral("输入框")));
    v->addWidget(makeButtons());
}

void ProPic::load(int row)
{
    const FlexGridModel &g = *registry().Grid();
    const FieldRow f = ReadFieldRow(g, row);
    loadCaptionAndSizes(f, {m_tt.data(), 5});
    setCaptionDir(f.dir);
    RowFontToCtl(g, row, m_sample);
}

void ProPic::saveRow(PageField &field)
{
    registry().EditRow(field, [this](FieldRow &f) {
        saveCaptionAndSizes(f, {m_tt.data(), 5});
        if (isMarked(Item::CaptionPos))
            f.dir = captionDir();
        if (isMarked(Item::Font))
            CtlFontToRow(f, m_sample);
    });
    // The picture or barcode drawn anew at the field's new size.
    auto &pic = static_cast<PictureField &>(field);
    SetPicCtlContent(pic, pic.LinkItem());
}

// ---------------------------------------------------------------------------------------------
// Labels

ProLBL::ProLBL(FieldRegistry &reg, QWidget *parent)
    : PropertyDialog(reg, FieldKind::Label, QStringLiteral("标签属性修改"), parent)
{
    setObjectName(QStringLiteral("ProLBL"));
    m_tt[0] = addBox(Item::Caption, S(kCaptionTip));
    const Item items[6] = {Item::X, Item::Y, Item::W, Item::H, Item::Spacing, Item::LineSpacing};
    const char16_t *tips[6] = {
        kXTip, kYTip, kWTip, kHTip, u"输入框打印时的字间距。", u"输入框打印时的行间距。"};
    for (int i = 1; i <= 6; ++i)
        m_tt[size_t(i)] = addNumberBox(items[i - 1], S(tips[i - 1]));
    auto *v = new QVBoxLayout(this);
    auto *content = new QHBoxLayout;
    content->addWidget(new QLabel(QStringLiteral("内容：")));
    content->addWidget(m_tt[0], 1);
    v->addLayout(content);
    v->addWidget(geometryGroup({{QStringLiteral("横向坐标："), m_tt[1]},
                                {QStringLiteral("纵向坐标："), m_tt[2]},
                                {QStringLiteral("宽："), m_tt[3]},
                                {QStringLiteral("高："), m_tt[4]}}));
    auto *layout = new QGroupBox(QStringLiteral("排版方式"));
    auto *ll = new QGridLayout(layout);
    addRow(ll, 0, QStringLiteral("字间距："), m_tt[5]);
    addRow(ll, 1, QStringLiteral("行间距："), m_tt[6]);
    v->addWidget(layout);
    v->addWidget(makeFontGroup(QStringLiteral("字体/字号/示例")));
    ll->addLayout(makeAlignOptions(), 2, 0, 1, 2);
    v->addWidget(makeButtons());
}

void ProLBL::load(int row)
{
    const FlexGridModel &g = *registry().Grid();
    const FieldRow f = ReadFieldRow(g, row);
    loadCaptionAndSizes(f, {m_tt.data(), 6});
    RowFontToCtl(g, row, m_sample);
    loadSpacing(f.l, m_tt[6]);
}

void ProLBL::saveRow(PageField &field)
{
    registry().EditRow(field, [this](FieldRow &f) {
        saveCaptionAndSizes(f, {m_tt.data(), 6});
        writeSpacing(f.l, m_tt[6]);
        if (isMarked(Item::Font))
            CtlFontToRow(f, m_sample);
    });
}

// ---------------------------------------------------------------------------------------------
// Lines

ProLine::ProLine(FieldRegistry &reg, QWidget *parent)
    : PropertyDialog(reg, FieldKind::Line, QStringLiteral("线条属性修改"), parent)
{
    setObjectName(QStringLiteral("ProLine"));
    m_cmb = new QComboBox(this);
    m_cmb->setObjectName(QStringLiteral("CMB"));
    for (const char16_t *e :
         {u"1 - 实线", u"2 - 虚线", u"3 - 点画线", u"4 - 点虚线", u"5 - 点点虚线"})
        m_cmb->addItem(S(e));
    connect(m_cmb, &QComboBox::activated, this, [this] {
        mark(Item::LineStyle);
        updateSample();
    });
    const Item items[5] = {Item::LineWidth, Item::X, Item::Y, Item::W, Item::H};
    const char16_t *tips[5] = {u"", kXTip, kYTip, kWTip, kHTip};
    for (int i = 0; i < 5; ++i)
        m_tt[size_t(i)] = addNumberBox(items[i], S(tips[i]));
    connect(m_tt[0], &QLineEdit::textChanged, this, [this] { updateSample(); });
    auto *g = new QGridLayout;
    addRow(g, 0, QStringLiteral("线型："), m_cmb);
    const char16_t *caps[5] = {u"粗细：", u"起点X：", u"起点Y：", u"终点X：", u"终点Y："};
    for (int i = 0; i < 5; ++i)
        addRow(g, i + 1, S(caps[i]), m_tt[size_t(i)]);
    auto *color = new QPushButton(QStringLiteral("颜色设置"), this);
    color->setObjectName(QStringLiteral("ColorButton"));
    color->setAutoDefault(false);
    connect(color, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(VbToQColor(m_sampleColor), this);
        if (!c.isValid())
            return; // cancelled: nothing to write
        m_sampleColor = QColorToVb(c);
        mark(Item::LineColor);
        updateSample();
    });
    m_color = color;
    g->addWidget(color, 6, 1);
    auto *sample = new LineSample;
    sample->setObjectName(QStringLiteral("Picture1"));
    sample->setFixedHeight(30);
    sample->paint = [this, sample](QPainter &p) {
        const int style = m_cmb->currentIndex() + 1;
        const double w = Val(m_tt[0]->text());
        QPen pen(VbToQColor(m_sampleColor));
        pen.setWidthF(w >= 1 ? w : 1);
        pen.setStyle(Qt::PenStyle(std::clamp(style, 1, 5)));
        p.setPen(pen);
        p.drawLine(QPointF(8, sample->height() / 2.0),
                   QPointF(sample->width() - 8, sample->height() / 2.0));
    };
    m_sampleLine = sample;
    g->addWidget(new QLabel(QStringLiteral("样式示例：")), 7, 0);
    g->addWidget(sample, 7, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(g);
    v->addWidget(makeButtons());
}

void ProLine::updateSample()
{
    m_sampleLine->update();
}

void ProLine::load(int row)
{
    const FieldRow f = ReadFieldRow(*registry().Grid(), row);
    m_sampleColor = f.color;
    m_tt[0]->setText(f.fontSize.Text());
    m_tt[1]->setText(f.x.Text());
    m_tt[2]->setText(f.y.Text());
    m_tt[3]->setText(f.w.Text());
    m_tt[4]->setText(f.h.Text());
    const double style = f.cash.Val();
    for (int i = 0; i < m_cmb->count(); ++i)
        if (Val(m_cmb->itemText(i)) == style) {
            m_cmb->setCurrentIndex(i);
            break;
        }
    updateSample();
}

bool ProLine::validate()
{
    if (!PropertyDialog::validate())
        return false;
    if (isMarked(Item::LineWidth) && Val(m_tt[0]->text()) < 1) {
        ReportMessage(QStringLiteral("请输入有效的数值！"));
        m_tt[0]->setFocus();
        return false;
    }
    return true;
}

void ProLine::saveRow(PageField &field)
{
    registry().EditRow(field, [this](FieldRow &f) {
        writeNumber(f.fontSize, Item::LineWidth, m_tt[0]);
        writeNumber(f.x, Item::X, m_tt[1]);
        writeNumber(f.y, Item::Y, m_tt[2]);
        writeNumber(f.w, Item::W, m_tt[3]);
        writeNumber(f.h, Item::H, m_tt[4]);
        if (isMarked(Item::LineStyle))
            f.cash.Set(Val(m_cmb->currentText()));
        if (isMarked(Item::LineColor))
            f.color = m_sampleColor;
    });
}

// ---------------------------------------------------------------------------------------------
// The slip size

FormSize::FormSize(PageHost &host, FieldRegistry &reg, QWidget *parent)
    : QDialog(parent), m_host(host), m_reg(reg)
{
    setObjectName(QStringLiteral("FormSize"));
    setWindowTitle(QStringLiteral("修改单据尺寸"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_tx = new QLineEdit(host.context().Wid(), this);
    m_tx->setObjectName(QStringLiteral("TX"));
    m_ty = new QLineEdit(host.context().Hie(), this);
    m_ty->setObjectName(QStringLiteral("TY"));
    auto *g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("单据宽度：")), 0, 0);
    g->addWidget(m_tx, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("毫米")), 0, 2);
    g->addWidget(new QLabel(QStringLiteral("单据高度：")), 1, 0);
    g->addWidget(m_ty, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("毫米")), 1, 2);
    auto *ok = new QPushButton(QStringLiteral("确  定"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("取  消"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    g->addLayout(row, 2, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, &FormSize::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_ok = ok;
    adjustSize();
    CenterForm(this);
}

void FormSize::ok()
{
    const double w = Val(m_tx->text());
    const double h = Val(m_ty->text());
    // A size of 0 or below makes no page.
    if (w <= 0 || h <= 0 || w / h > 20 || w / h < 1.0 / 20) {
        ReportMessage(QStringLiteral("单据的宽度与高度比例应为1：20到20：1之间！"));
        return;
    }
    AppContext &ctx = m_host.context();
    if (w != Val(ctx.Wid()) || h != Val(ctx.Hie())) {
        // The values typed on the page survive the rebuild.
        const FieldValues values = m_host.saveFieldValues();
        ctx.SetPageSize(CStr(w), CStr(h));
        FitPagePic(m_host, w, h);
        m_reg.ReloadFields(true);
        m_host.restoreFieldValues(values);
    }
    accept();
}

// ---------------------------------------------------------------------------------------------
// The open dialogs

PropertyDialogs::PropertyDialogs(FieldRegistry &reg, PageHost &host, QWidget *window)
    : QObject(window), m_reg(reg), m_host(host), m_window(window)
{
    setObjectName(QStringLiteral("PropertyDialogs"));
}

PropertyDialog *PropertyDialogs::Dialog(FieldKind kind) const
{
    PropertyDialog *d = m_open[size_t(kind)];
    return d && !d->isClosing() ? d : nullptr;
}

PropertyDialog *PropertyDialogs::Open(PageField *field)
{
    if (!field)
        return nullptr;
    const FieldKind kind = field->Kind();
    QPointer<PropertyDialog> &d = m_open[size_t(kind)];
    // A dialog closed a moment ago is gone with its edits; a new one starts afresh.
    if (d && d->isClosing())
        d = nullptr;
    if (!d) {
        switch (kind) {
        case FieldKind::Text:
            d = new EditCtl(m_reg, m_window);
            break;
        case FieldKind::Check:
            d = new ProChk(m_reg, m_window);
            break;
        case FieldKind::Picture:
            d = new ProPic(m_reg, m_window);
            break;
        case FieldKind::Line:
            d = new ProLine(m_reg, m_window);
            break;
        case FieldKind::Label:
            d = new ProLBL(m_reg, m_window);
            break;
        }
        if (kind == FieldKind::Text) {
            // Leaving the dialog is leaving its field: its text converted, the others computed.
            connect(d, &PropertyDialog::closed, &m_reg, [reg = &m_reg](int row) {
                const auto index = reg->GetCtlIndexByRow(row);
                if (index && *index / 1000 == int(FieldKind::Text))
                    emit reg->textLostFocus(*index);
            });
        }
    }
    d->show();
    d->raise();
    d->setCtlRow(field->Row());
    return d;
}

FormSize *PropertyDialogs::OpenFormSize()
{
    if (m_formSize && !m_formSize->isVisible())
        m_formSize = nullptr;
    if (!m_formSize)
        m_formSize = new FormSize(m_host, m_reg, m_window);
    m_formSize->show();
    m_formSize->raise();
    return m_formSize;
}

void PropertyDialogs::CloseAll()
{
    for (auto &d : m_open)
        if (d)
            d->reject();
    if (m_formSize)
        m_formSize->reject();
}

} // namespace page
