#include "mainwin/rightform.h"

#include "mainwin/buttonicons.h"
#include "mainwin/helppages.h"
#include "page/pageviewlayout.h"
#include "store/db/reporter.h"
#include "store/ui/uihelpers.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace mainwin {

namespace {

const char16_t *const kCompanyLines[] = {
    u"Quorvan支票打印软件",
    u"支票、进账单等银行单据的精确套打",
    u"格式可自由定制，支持批量打印与历史查询",
    u"Quorvan软件开发组 出品",
    u"网站：点击此处访问软件主页",
    u"本软件受著作权法保护，请勿非法复制传播",
};

} // namespace

Rightform::Rightform(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Rightform"));
    setWindowTitle(QStringLiteral("关于软件"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ButtonIcon(ButtonPicture::Print, 96).pixmap(96, 96));
    Image1->setCursor(Qt::PointingHandCursor);
    auto *lines = new QVBoxLayout;
    for (const char16_t *text : kCompanyLines) {
        auto *l = new QLabel(QString::fromUtf16(text), this);
        l->setObjectName(QStringLiteral("lblCompany(%1)").arg(lblCompany.size()));
        l->setTextFormat(Qt::PlainText);
        l->setCursor(Qt::PointingHandCursor);
        lblCompany.push_back(l);
        lines->addWidget(l);
    }
    QFont big = lblCompany.front()->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lblCompany.front()->setFont(big);
    lblCopyright = new QLabel(
        QStringLiteral("Quorvan支票打印软件[专业版] 版本 [EDITION]")
            .replace(QStringLiteral("[EDITION]"), QString::fromLatin1(store::kProgramVersion)),
        this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    lblCopyright->setTextFormat(Qt::PlainText);
    lblCopyright->setCursor(Qt::PointingHandCursor);
    lines->addSpacing(8);
    lines->addWidget(lblCopyright);
    Com0 = new QPushButton(QStringLiteral("确定"), this);
    Com0->setObjectName(QStringLiteral("Com(0)"));
    connect(Com0, &QPushButton::clicked, this, &QDialog::close);

    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(lines, 1);
    auto *v = new QVBoxLayout(this);
    v->addLayout(top);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Com0);
    v->addLayout(buttons);
    // A click on Qt's plain labels is seen only as their mouse events.
    for (QLabel *l : lblCompany)
        l->installEventFilter(this);
    Image1->installEventFilter(this);
    lblCopyright->installEventFilter(this);
}

bool Rightform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        OpenWebPage(QString::fromUtf16(kMakerPage));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

Rightform *Rightform::ShowModeless(QWidget *parent)
{
    static QPointer<Rightform> open;
    if (!open) {
        open = new Rightform(parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
        open->adjustSize();
    }
    store::SetFormTopmost(open);
    page::CenterForm(open);
    open->raise();
    open->activateWindow();
    return open;
}

} // namespace mainwin
