#include "print/selprinter.h"

#include "print/printers.h"
#include "store/db/params.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace print {

SelPrinter::SelPrinter(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("选择"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowModality(Qt::ApplicationModal);
    COMB = new QComboBox(this);
    COMB->setToolTip(QStringLiteral("要选择的打印机名称。"));
    COMB->setMinimumWidth(280);
    store::SetComboMouseOnly(COMB); // the printer is chosen with the mouse only
    QHBoxLayout *buttons = store::OkCancelRow(this, COM);
    COM[0]->setDefault(true);
    auto *v = new QVBoxLayout(this);
    v->addWidget(COMB);
    v->addLayout(buttons);
    connect(COM[0], &QPushButton::clicked, this, &SelPrinter::Accept);
    connect(COM[1], &QPushButton::clicked, this, &QDialog::reject);
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
}

void SelPrinter::FillPrinterList()
{
    COMB->clear();
    const QStringList names = Catalogue().Names();
    const QString current = Current().Name();
    const QString saved = store::GetRegStr(QStringLiteral("KVRTM"), QStringLiteral("Validate"),
                                           QStringLiteral("Printer"), QString());
    QString text;
    if (names.contains(current))
        text = current;
    COMB->addItems(names);
    if (!saved.isEmpty() && names.contains(saved))
        text = saved;
    if (text.isEmpty() && !names.isEmpty())
        text = names.first();
    COMB->setCurrentIndex(names.indexOf(text));
}

void SelPrinter::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The combo's own pop-up list does not take the activation away, so it is not refilled
    // under the user's mouse.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        Tag == kChoosePrinterRole && !COMB->view()->isVisible())
        FillPrinterList();
}

void SelPrinter::Accept()
{
    const QString name = COMB->currentText();
    SelResult.clear();
    // The printer is tested before anything is switched: an unreachable one is neither made
    // current nor remembered.
    if (name.isEmpty() || !Catalogue().Names().contains(name) || !Catalogue().Reachable(name)) {
        store::ReportMessage(QStringLiteral("没有正常连接打印机！"), store::MsgKind::Warning);
        reject();
        return;
    }
    if (Tag == kChoosePrinterRole) {
        store::SaveRegStr(QStringLiteral("KVRTM"), QStringLiteral("Validate"),
                          QStringLiteral("Printer"), name);
        Current().Select(name);
    }
    SelResult = name;
    accept();
}

QString ChoosePrinter(QWidget *parent)
{
    SelPrinter chooser(parent);
    chooser.Tag = kChoosePrinterRole;
    chooser.FillPrinterList();
    chooser.exec();
    return chooser.SelResult;
}

} // namespace print
