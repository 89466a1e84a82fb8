#include "print/margin.h"

#include "store/ui/uihelpers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace print {

Margin::Margin(std::function<QString()> getX, std::function<QString()> getY,
               std::function<void(const QString &, const QString &)> set, QWidget *parent)
    : QDialog(parent), m_set(std::move(set))
{
    setWindowTitle(QStringLiteral("输入打印页边距"));
    TX = new QLineEdit(getX ? getX() : QString(), this);
    TX->setToolTip(QStringLiteral("横向打印页边距。"));
    TY = new QLineEdit(getY ? getY() : QString(), this);
    TY->setToolTip(QStringLiteral("纵向打印页边距。"));
    QHBoxLayout *buttons = store::OkCancelRow(this, Comm);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("横向页边距"), this), 0, 0);
    grid->addWidget(TX, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("毫米（横向边距）"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("纵向页边距"), this), 1, 0);
    grid->addWidget(TY, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("毫米（纵向边距）"), this), 1, 2);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addLayout(buttons);
    connect(Comm[0], &QPushButton::clicked, this, [this] {
        if (m_set)
            m_set(TX->text(), TY->text());
        accept();
    });
    connect(Comm[1], &QPushButton::clicked, this, &QDialog::reject);
}

Margin *ShowMarginForm(std::function<QString()> getX, std::function<QString()> getY,
                       std::function<void(const QString &, const QString &)> set,
                       QWidget *parent)
{
    auto *dlg = new Margin(std::move(getX), std::move(getY), std::move(set), parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    store::SetFormTopmost(dlg);
    dlg->show();
    return dlg;
}

} // namespace print
