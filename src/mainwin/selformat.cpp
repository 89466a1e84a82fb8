#include "mainwin/selformat.h"

#include "page/pageviewlayout.h"
#include "store/view/fmtcmd.h"
#include "store/ui/uihelpers.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mainwin {

SelFormat::SelFormat(bool allowEdit, QWidget *parent) : QDialog(parent), m_allowEdit(allowEdit)
{
    setObjectName(QStringLiteral("SelFormat"));
    setWindowTitle(QString::fromUtf16(store::kSelFormatCaption));
    setWindowModality(Qt::ApplicationModal);
    CMB = new QComboBox(this);
    CMB->setObjectName(QStringLiteral("CMB"));
    CMB->setToolTip(QStringLiteral("要选择的单据格式名称。"));
    CMB->setMinimumWidth(300);
    CMB->setEditable(allowEdit);
    if (allowEdit)
        CMB->setInsertPolicy(QComboBox::NoInsert);
    else
        store::SetComboMouseOnly(CMB); // the name is chosen with the mouse only
    QHBoxLayout *buttons = store::OkCancelRow(this, COM);
    for (int i = 0; i < 2; ++i) {
        COM[i]->setObjectName(QStringLiteral("COM(%1)").arg(i));
        connect(COM[i], &QPushButton::clicked, this, [this, i] { COM_Click(i); });
    }
    COM[0]->setDefault(true);
    auto *v = new QVBoxLayout(this);
    v->addWidget(CMB);
    v->addLayout(buttons);
}

void SelFormat::Form_Load(const QString &current)
{
    SelResult.clear();
    if (SelContent == u"Format")
        store::FillFmtFieldCombo(*CMB, QStringLiteral("Fmt"));
    if (m_allowEdit)
        CMB->setEditText(current);
    else
        CMB->setCurrentIndex(CMB->findText(current));
}

void SelFormat::COM_Click(int index)
{
    SelResult = index == 0 ? SelFormatAnswer(CMB->currentText()) : QString();
    if (index == 0)
        accept();
    else
        reject();
}

QString SelFormatAnswer(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype bar = t.indexOf(u'｜');
    return bar < 0 ? t : t.left(bar);
}

std::optional<QString> ChooseFormatName(bool allowEdit, const QString &current, QWidget *parent)
{
    SelFormat chooser(allowEdit, parent);
    chooser.Form_Load(current);
    chooser.adjustSize();
    store::SetFormTopmost(&chooser);
    page::CenterForm(&chooser);
    chooser.exec();
    return store::ChosenName(chooser.SelResult);
}

} // namespace mainwin
