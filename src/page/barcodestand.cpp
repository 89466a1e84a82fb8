#include "page/barcodestand.h"

#include "page/fieldvalue.h"
#include "page/pageviewlayout.h"
#include "page/registry.h"
#include "store/db/params.h"
#include "store/core/vb.h"

#include <QButtonGroup>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace page {

StrCodeStand::StrCodeStand(FieldRegistry *fields, QWidget *parent)
    : QDialog(parent), m_fields(fields), m_group(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("StrCodeStand"));
    setWindowTitle(QStringLiteral("条码编码标准设置"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(24, 16, 24, 12);
    m_op[0] = new QRadioButton(QStringLiteral(" 39码"), this);
    m_op[1] = new QRadioButton(QStringLiteral(" EAN-13码"), this);
    for (int i = 0; i < 2; ++i) {
        m_op[i]->setObjectName(QStringLiteral("Op(%1)").arg(i));
        m_group->addButton(m_op[i], i);
        v->addWidget(m_op[i]);
    }
    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    v->addSpacing(6);
    v->addWidget(line);
    m_ok = new QPushButton(QStringLiteral("确     定"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);
    v->addWidget(m_ok, 0, Qt::AlignHCenter);
    connect(m_ok, &QPushButton::clicked, this, &StrCodeStand::Command1_Click);

    // The stored standard; a value with no option of its own leaves both unchosen.
    const double n = store::Val(store::GetPara(QStringLiteral("StrBarCodeStand")));
    if (n == 0 || n == 1)
        m_op[int(n)]->setChecked(true);
}

QRadioButton *StrCodeStand::Op(int i) const { return i >= 0 && i < 2 ? m_op[i] : nullptr; }

void StrCodeStand::Command1_Click()
{
    int n = 2;
    for (int i = 0; i < 2; ++i)
        if (m_op[i]->isChecked()) {
            n = i;
            break;
        }
    store::SetPara(QStringLiteral("StrBarCodeStand"), QString::number(n));
    if (m_fields) {
        for (int i = m_fields->FirstCtlIdx(2); i <= m_fields->LastCtlIdx(2); ++i)
            if (auto *f = dynamic_cast<PictureField *>(m_fields->GetCtlByIdx(i)))
                SetPicCtlContent(*f, f->LinkItem());
    }
    close();
}

StrCodeStand *StrCodeStand::ShowModeless(FieldRegistry *fields, QWidget *parent)
{
    static QPointer<StrCodeStand> open;
    if (!open) {
        open = new StrCodeStand(fields, parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
        open->adjustSize();
        open->setMinimumWidth(260);
        CenterForm(open);
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

} // namespace page
