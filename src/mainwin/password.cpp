#include "mainwin/password.h"

#include "mainwin/mainwindow.h"
#include "page/pageviewlayout.h"
#include "store/db/params.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace mainwin {

namespace {

const QString kPasswordKey = QStringLiteral("软件密码");

QLineEdit *passwordBox(QWidget *parent, const QString &name)
{
    auto *t = new QLineEdit(parent);
    t->setObjectName(name);
    t->setEchoMode(QLineEdit::Password);
    // A star for every character, as the user knows it (the style's default is a bullet).
    t->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    t->setMinimumWidth(180);
    return t;
}

QPushButton *okButton(QWidget *parent, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QStringLiteral("Com"));
    // Enter is taken by the boxes themselves; the button answers only the mouse and Space.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

void showOnTop(QDialog *d)
{
    d->adjustSize();
    store::SetFormTopmost(d);
    page::CenterForm(d);
    d->raise();
    d->activateWindow();
}

} // namespace

PSDCon::PSDCon(std::function<QWidget *()> showMainWindow, QWidget *parent)
    : QDialog(parent), m_showMainWindow(std::move(showMainWindow))
{
    setObjectName(QStringLiteral("PSDCon"));
    setWindowTitle(QStringLiteral("请输入密码"));
    auto *label = new QLabel(QStringLiteral("密码："), this);
    T = passwordBox(this, QStringLiteral("T"));
    Com = okButton(this, QStringLiteral("确    定"));
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(T, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(row);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Com);
    buttons->addStretch();
    v->addLayout(buttons);
    connect(Com, &QPushButton::clicked, this, &PSDCon::Com_Click);
    connect(T, &QLineEdit::returnPressed, this, &PSDCon::Com_Click);
}

void PSDCon::Com_Click()
{
    if (T->text() != store::GetPara(kPasswordKey)) {
        store::ReportMessage(QStringLiteral("密码错误！"), store::MsgKind::Warning);
        return;
    }
    // The main window comes first, so the program never runs out of windows in between.
    if (m_showMainWindow)
        m_showMainWindow();
    close();
}

ModiPSD::ModiPSD(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ModiPSD"));
    setWindowTitle(QStringLiteral("修改密码"));
    const char16_t *labels[3] = {u"原有密码：", u"新的密码：", u"再次输入："};
    const char16_t *tips[3] = {u"原始密码为空", u"不输内容表示去除密码", u""};
    auto *grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        T[size_t(i)] = passwordBox(this, QStringLiteral("T(%1)").arg(i));
        T[size_t(i)]->setToolTip(QString::fromUtf16(tips[i]));
        grid->addWidget(new QLabel(QString::fromUtf16(labels[i]), this), i, 0);
        grid->addWidget(T[size_t(i)], i, 1);
        connect(T[size_t(i)], &QLineEdit::returnPressed, this, &ModiPSD::Com_Click);
    }
    Com = okButton(this, QStringLiteral("确  定"));
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Com);
    buttons->addStretch();
    v->addLayout(buttons);
    connect(Com, &QPushButton::clicked, this, &ModiPSD::Com_Click);
}

void ModiPSD::Com_Click()
{
    if (T[1]->text() != T[2]->text()) {
        store::ReportMessage(QStringLiteral("两次输入的新密码不相符！"), store::MsgKind::Warning);
        return;
    }
    // A wrong old password is ignored without a word.
    if (T[0]->text() != store::GetPara(kPasswordKey))
        return;
    if (!store::SetPara(kPasswordKey, T[1]->text())) {
        store::ReportMessage(QStringLiteral("无法保存密码！"), store::MsgKind::Error);
        return;
    }
    close();
}

ModiPSD *ModiPSD::ShowModeless(QWidget *parent)
{
    static QPointer<ModiPSD> open;
    if (!open) {
        open = new ModiPSD(parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
    }
    showOnTop(open);
    return open;
}

QWidget *ShowPasswordWindow()
{
    auto *d = new PSDCon([] { return ShowMainWindow(); });
    d->setAttribute(Qt::WA_DeleteOnClose);
    showOnTop(d);
    return d;
}

} // namespace mainwin
