// The text field dialog "添加/修改控件".
#include "page/calcadapter.h"
#include "page/fieldrow.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "page/rowsync.h"
#include "store/model/gridmodel.h"
#include "store/db/params.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"
#include "values/contentkind.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace page {

using namespace store;

namespace {

constexpr char16_t kBar = u'｜';
const char16_t *const kNoRelation = u"000000｜没有相关联输入框";

using Item = PropertyDialog::Item;
constexpr Item kSumItems[2] = {Item::Sum0, Item::Sum1};
constexpr Item kRelItems[2] = {Item::Rel0, Item::Rel1};

QString S(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// Two options in a group of their own; the first is selected at design when first.
std::pair<QRadioButton *, QRadioButton *> optionPair(QWidget *parent, const QString &a,
                                                     const QString &b, const QString &nameA,
                                                     const QString &nameB, bool first)
{
    auto *group = new QButtonGroup(parent);
    auto *ra = new QRadioButton(a, parent);
    auto *rb = new QRadioButton(b, parent);
    ra->setObjectName(nameA);
    rb->setObjectName(nameB);
    group->addButton(ra);
    group->addButton(rb);
    if (first)
        ra->setChecked(true);
    return {ra, rb};
}

void setRadio(QRadioButton *b, bool on)
{
    if (on) {
        b->setChecked(true);
        return;
    }
    // An exclusive pair lets one option go only by choosing the other: clear it directly.
    QButtonGroup *g = b->group();
    if (g)
        g->setExclusive(false);
    b->setChecked(false);
    if (g)
        g->setExclusive(true);
}

} // namespace

EditCtl::EditCtl(FieldRegistry &reg, QWidget *parent)
    : PropertyDialog(reg, FieldKind::Text, QStringLiteral("添加/修改控件"), parent)
{
    setObjectName(QStringLiteral("EditCtl"));
    m_tt[0] = addBox(Item::Caption, S(u"输入框的提示标签内容。"));
    const Item items[6] = {Item::X, Item::Y, Item::W, Item::H, Item::Spacing, Item::LineSpacing};
    const char16_t *tips[6] = {u"输入框的横向位置。",     u"输入框的纵向位置。",
                               u"输入框的横向宽度。",     u"输入框的纵向高度。",
                               u"输入框打印时的字间距。", u"输入框打印时的行间距。"};
    for (int i = 1; i <= 6; ++i)
        m_tt[size_t(i)] = addNumberBox(items[i - 1], S(tips[i - 1]));

    auto *left = new QVBoxLayout;
    left->addWidget(makeCaptionGroup(QStringLiteral("标签内容/位置"), m_tt[0], 0));
    auto *geo = new QGroupBox(QStringLiteral("内容框位置/大小(毫米)"));
    auto *gl = new QGridLayout(geo);
    const char16_t *caps[4] = {u"横向坐标：", u"纵向坐标：", u"宽：", u"高："};
    for (int i = 0; i < 4; ++i) {
        gl->addWidget(new QLabel(S(caps[i])), i / 2, (i % 2) * 2);
        gl->addWidget(m_tt[size_t(i + 1)], i / 2, (i % 2) * 2 + 1);
    }
    left->addWidget(geo);

    auto *layoutBox = new QGroupBox(QStringLiteral("排版方式"));
    auto *ll = new QGridLayout(layoutBox);
    ll->addWidget(new QLabel(QStringLiteral("字间距：")), 1, 0);
    ll->addWidget(m_tt[5], 1, 1, 1, 2);
    ll->addWidget(new QLabel(QStringLiteral("行间距：")), 2, 0);
    ll->addWidget(m_tt[6], 2, 1, 1, 2);
    left->addWidget(layoutBox);

    auto *right = new QVBoxLayout;
    auto *kindBox = new QGroupBox(QStringLiteral("内容类别"));
    auto *kl = new QGridLayout(kindBox);
    m_cmb = new QComboBox(this);
    m_cmb->setObjectName(QStringLiteral("CMB"));
    m_cmb->setToolTip(QStringLiteral("选择输入框的数据类型。"));
    m_cmb->addItems(values::ContentKindEntries());
    store::FitComboToEntries(m_cmb);
    m_cmb->setCurrentIndex(-1);
    kl->addWidget(m_cmb, 0, 0, 1, 3);
    m_lcode = new QLabel(QStringLiteral("格数："), this);
    m_lcode->setObjectName(QStringLiteral("LCode"));
    m_cashNum = new QLineEdit(QStringLiteral("11"), this);
    m_cashNum->setObjectName(QStringLiteral("CashNum"));
    m_cashNum->setToolTip(
        QStringLiteral("小写金额或数字数据类型分散打印时，总共的格数（例邮编为6）。"));
    auto *custom = new QPushButton(QStringLiteral("自定义"), this);
    custom->setObjectName(QStringLiteral("COM(3)"));
    custom->setToolTip(QStringLiteral("修改输入框内的字体/字号/颜色等。"));
    custom->setAutoDefault(false);
    custom->setEnabled(false);
    m_custom = custom;
    kl->addWidget(m_lcode, 1, 0);
    kl->addWidget(m_cashNum, 1, 1);
    kl->addWidget(custom, 1, 2);
    right->addWidget(kindBox);

    auto *sumBox = new QGroupBox(QStringLiteral("累加/乘至输入框"));
    auto *sl = new QGridLayout(sumBox);
    for (int i = 0; i < 2; ++i) {
        m_csum[size_t(i)] = new QComboBox(this);
        m_csum[size_t(i)]->setObjectName(i == 0 ? QStringLiteral("CSUM") : QStringLiteral("CSUM1"));
        store::FitComboToEntries(m_csum[size_t(i)]);
        m_csum[size_t(i)]->setToolTip(
            QStringLiteral("本输入框内容（数值）累加至其他输入框，实现自动累计。"));
        auto [a, b] = optionPair(this, QStringLiteral("累加"), QStringLiteral("累乘"),
                                 QStringLiteral("Op1(%1)").arg(2 * i),
                                 QStringLiteral("Op1(%1)").arg(2 * i + 1), i == 1);
        m_op1[size_t(2 * i)] = a;
        m_op1[size_t(2 * i + 1)] = b;
        m_chk[size_t(i)] = new QCheckBox(QStringLiteral("取负"), this);
        m_chk[size_t(i)]->setObjectName(QStringLiteral("Chk(%1)").arg(i));
        sl->addWidget(m_csum[size_t(i)], i, 0);
        sl->addWidget(a, i, 1);
        sl->addWidget(b, i, 2);
        sl->addWidget(m_chk[size_t(i)], i, 3);
        const Item item = kSumItems[i];
        connect(m_csum[size_t(i)], &QComboBox::activated, this, [this, item] { mark(item); });
        for (QAbstractButton *btn :
             {static_cast<QAbstractButton *>(a), static_cast<QAbstractButton *>(b),
              static_cast<QAbstractButton *>(m_chk[size_t(i)])})
            connect(btn, &QAbstractButton::clicked, this, [this, item] { mark(item); });
    }
    right->addWidget(sumBox);

    auto *relBox = new QGroupBox(QStringLiteral("相关联输入框"));
    auto *rl = new QGridLayout(relBox);
    for (int i = 0; i < 2; ++i) {
        m_rctl[size_t(i)] = new QComboBox(this);
        m_rctl[size_t(i)]->setObjectName(QStringLiteral("RCtl(%1)").arg(i));
        m_rctl[size_t(i)]->setToolTip(
            QStringLiteral("本输入框与其他输入框的内容关联（此功能使用户减少重复输入）。"));
        // Qt's combo box is watched so that no key reaches it (see eventFilter).
        m_rctl[size_t(i)]->installEventFilter(this);
        store::FitComboToEntries(m_rctl[size_t(i)]);
        auto [a, b] = optionPair(this, QStringLiteral("相同"), QStringLiteral("相关"),
                                 QStringLiteral("Op2(%1)").arg(2 * i),
                                 QStringLiteral("Op2(%1)").arg(2 * i + 1), true);
        m_op2[size_t(2 * i)] = a;
        m_op2[size_t(2 * i + 1)] = b;
        rl->addWidget(new QLabel(QStringLiteral("内容相同/相关：")), i, 0);
        rl->addWidget(m_rctl[size_t(i)], i, 1);
        rl->addWidget(a, i, 2);
        rl->addWidget(b, i, 3);
        const Item item = kRelItems[i];
        connect(m_rctl[size_t(i)], &QComboBox::activated, this, [this, item] { mark(item); });
        for (QRadioButton *btn : {a, b})
            connect(btn, &QAbstractButton::clicked, this, [this, item] { mark(item); });
    }
    right->addWidget(relBox);
    right->addWidget(makeFontGroup(QStringLiteral("输入框")));
    ll->addLayout(makeAlignOptions(), 0, 0, 1, 3);

    auto *cols = new QHBoxLayout;
    cols->addLayout(left);
    cols->addLayout(right);
    auto *v = new QVBoxLayout(this);
    v->addLayout(cols);
    v->addWidget(makeButtons());

    // Qt's combo box is watched so that no key reaches it (see eventFilter).
    m_cmb->installEventFilter(this);
    connect(m_cmb, &QComboBox::activated, this, &EditCtl::pickKind);
    connect(m_cashNum, &QLineEdit::textEdited, this, [this] { mark(Item::Kind); });
    connect(m_cashNum, &QLineEdit::editingFinished, this, &EditCtl::checkBoxCount);
    connect(custom, &QPushButton::clicked, this, &EditCtl::customPattern);
    LoadUserFormat();
}

QLineEdit *EditCtl::TT(int i) const
{
    if (i == 7)
        return m_sample;
    return i >= 0 && i < 7 ? m_tt[size_t(i)] : nullptr;
}

QRadioButton *EditCtl::OpA(int i) const
{
    return m_opA[size_t(i)];
}

bool EditCtl::eventFilter(QObject *watched, QEvent *event)
{
    // The kind and relation lists take no typing (not even a search by letters or arrows).
    if ((watched == m_cmb || watched == m_rctl[0] || watched == m_rctl[1]) &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride))
        return true;
    return PropertyDialog::eventFilter(watched, event);
}

void EditCtl::LoadUserFormat()
{
    for (int i = 0; i < m_cmb->count(); ++i) {
        const QString entry = m_cmb->itemText(i);
        if (!entry.contains(QStringLiteral("自定义")))
            continue;
        const QString head = entry.section(u'：', 0, 0);
        const QString key =
            QStringLiteral("自定义类型") + QString::number(values::ContentKindOfEntry(entry));
        m_cmb->setItemText(i, head + u'：' + GetPara(key));
    }
}

int EditCtl::ListKind() const
{
    const QString t = m_cmb->currentText();
    return t.isEmpty() ? 0 : values::ContentKindOfEntry(t);
}

void EditCtl::SetAlignOp()
{
    const int k = ListKind();
    const bool on = !(k == 11 || k == 114 || k == 121 || k == 311);
    for (QRadioButton *b : m_opA)
        b->setEnabled(on);
}

void EditCtl::SetDataTypeLabel(double v)
{
    const values::KindInfo info = values::DecodeKind(v);
    const int code = info.listKind;
    const bool boxes = code == 11 || code == 211 || code == 311;
    const bool digits = code == 114 || code == 121;
    m_cashNum->setText(CStr(info.count));
    m_cashNum->setEnabled(boxes || digits);
    m_lcode->setText(
        boxes ? (code == 11 ? QStringLiteral("小写金额格数：") : QStringLiteral("数字格数："))
        : digits ? QStringLiteral("大写金额位数：")
                 : QStringLiteral("数据类型代码："));
    m_tt[5]->setEnabled(!boxes);
    m_tt[6]->setEnabled(!boxes && !digits);
    for (int i = 0; i < m_cmb->count(); ++i)
        if (values::ContentKindOfEntry(m_cmb->itemText(i)) == code) {
            m_cmb->setCurrentIndex(i);
            break;
        }
}

void EditCtl::pickKind(int index)
{
    const QString entry = m_cmb->itemText(index);
    double k = values::ContentKindOfEntry(entry);
    if (k == 114 || k == 121)
        k += 0.11;
    SetDataTypeLabel(k);
    mark(Item::Kind);
    SetAlignOp();
    m_custom->setEnabled(entry.contains(QStringLiteral("自定义")));
}

void EditCtl::customPattern()
{
    const QString kind = QString::number(ListKind());
    const QString key = QStringLiteral("自定义类型") + kind;
    const std::optional<QString> answer =
        AskText(QStringLiteral("请输入自定义数据格式信息(类型编号") + kind + QStringLiteral(")："),
                GetPara(key));
    if (!answer || answer->isEmpty())
        return;
    if (!SetPara(key, *answer)) {
        ReportMessage(QStringLiteral("保存自定义格式出错！"), MsgKind::Warning);
        return;
    }
    const QString head = m_cmb->currentText().section(u'：', 0, 0);
    const QString text = head + u'：' + *answer;
    for (int i = 0; i < m_cmb->count(); ++i)
        if (m_cmb->itemText(i).startsWith(head)) {
            m_cmb->setItemText(i, text);
            m_cmb->setCurrentIndex(i);
        }
}

void EditCtl::checkBoxCount()
{
    const double n = Val(m_cashNum->text());
    if (n > 99 || !(n > 0))
        m_cashNum->setText(QStringLiteral("11"));
}

double EditCtl::DataTypeVal() const
{
    return values::KindCode(ListKind(), Val(m_cashNum->text()));
}

void EditCtl::FillRelationList(qint32 id, QComboBox *list)
{
    const FlexGridModel &g = *registry().Grid();
    const qint64 self = std::llabs(qint64(CLng(ReadFieldRow(g, CtlRow()).id.Val())));
    list->clear();
    list->addItem(S(kNoRelation));
    list->setCurrentIndex(0);
    for (int r = g.FixedRows(); r < g.Rows(); ++r) {
        const FieldRow f = ReadFieldRow(g, r);
        const double rid = f.id.Val();
        if (rid == double(self) || f.Kind() != 0 || !(rid > 0))
            continue;
        list->addItem(f.id.Text().trimmed().rightJustified(6, u'0') + kBar + f.lbl);
        if (rid == std::abs(double(id)))
            list->setCurrentIndex(list->count() - 1);
    }
}

void EditCtl::load(int row)
{
    const FlexGridModel &g = *registry().Grid();
    const FieldRow f = ReadFieldRow(g, row);
    RowFontToCtl(g, row, m_sample);
    loadCaptionAndSizes(f, {m_tt.data(), 6});
    loadSpacing(f.l, m_tt[6]);
    setCaptionDir(f.dir);
    SetDataTypeLabel(f.cash.Val());
    for (int i = 0; i < 2; ++i) {
        const double link = (i == 0 ? f.rctl : f.rctl1).Val();
        FillRelationList(CLng(link), m_rctl[size_t(i)]);
        setRadio(m_op2[size_t(2 * i)], link > 0);
        const store::SumLink sum = store::SumLinkOf(i == 0 ? f.sumId : f.sumId1);
        FillRelationList(sum.target, m_csum[size_t(i)]);
        m_op1[size_t(2 * i + (sum.product ? 1 : 0))]->setChecked(true);
        m_chk[size_t(i)]->setChecked(sum.negate);
    }
    SetAlignOp();
}

bool EditCtl::validate()
{
    // The box count is checked again: a count confirmed without leaving its box is no code.
    if (m_cashNum->isEnabled())
        checkBoxCount();
    return PropertyDialog::validate();
}

void EditCtl::saveRow(PageField &field)
{
    registry().EditRow(field, [this](FieldRow &f) {
        saveCaptionAndSizes(f, {m_tt.data(), 6});
        writeSpacing(f.l, m_tt[6]);
        if (isMarked(Item::CaptionPos))
            f.dir = captionDir();
        for (int i = 0; i < 2; ++i) {
            if (!isMarked(kSumItems[i]))
                continue;
            (i == 0 ? f.sumId : f.sumId1)
                .Set(store::SumLinkValue(Val(m_csum[size_t(i)]->currentText()),
                                         !m_op1[size_t(2 * i)]->isChecked(),
                                         m_chk[size_t(i)]->isChecked()));
        }
        if (isMarked(Item::Kind))
            f.cash.Set(DataTypeVal());
        for (int i = 0; i < 2; ++i) {
            if (!isMarked(kRelItems[i]))
                continue;
            const double id = Val(m_rctl[size_t(i)]->currentText());
            (i == 0 ? f.rctl : f.rctl1).Set(m_op2[size_t(2 * i)]->isChecked() ? id : -id);
        }
        if (isMarked(Item::Font))
            CtlFontToRow(f, m_sample);
    });
    AutoConvertField(registry(), static_cast<TextField &>(field));
}

} // namespace page
