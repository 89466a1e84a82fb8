#include "standins.h"

#include "mainwin/mainwindow.h"

#include "store/params.h"
#include "store/paths.h"
#include "store/reporter.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace app {

QWidget *ShowPasswordWindowStandIn()
{
    auto *d = new QDialog;
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(QStringLiteral("请输入密码"));
    auto *edit = new QLineEdit(d);
    edit->setEchoMode(QLineEdit::Password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    auto *layout = new QVBoxLayout(d);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, [d, edit] {
        if (edit->text() == store::GetPara(QStringLiteral("软件密码"))) {
            mainwin::ShowMainWindow();
            d->close();
        } else {
            store::ReportMessage(QStringLiteral("密码错误！"), store::MsgKind::Warning);
        }
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::close);
    d->show();
    return d;
}

QString CheckNewVersion(int, const QString &)
{
    return QString();
}

} // namespace app
