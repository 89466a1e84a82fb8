// Qt's own dialogs speak Chinese whatever LANG says (this binary runs under LANG=C.UTF-8).
#include "mainwin_fixture.h"

#include "store/ui/msgbox.h"
#include "store/ui/uihelpers.h"
#include "store/core/vb.h"

#include <QAbstractButton>
#include <QAbstractProxyModel>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace {

QStringList buttonTexts(QWidget *w)
{
    QStringList out;
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
        if (b->isVisible() && !b->text().isEmpty())
            // Qt's Chinese texts carry their shortcut key: "是(&Y)".
            out << b->text().remove(u'&').remove(QRegularExpression(QStringLiteral("\\(\\w\\)$")));
    return out;
}

} // namespace

TEST(ChineseDialogs, QtTextsAreChineseUnderAnEnglishLocale)
{
    ASSERT_EQ(qgetenv("LANG"), "C.UTF-8");
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);

    store::MessageBoxReporter reporter;
    QStringList question, info;
    int titleRoom = 0, titleNeeds = 0;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        question = buttonTexts(box);
        // The window is wide enough for the program's title in the title bar.
        titleRoom = box->width();
        titleNeeds = box->fontMetrics().horizontalAdvance(box->windowTitle());
        box->reject();
    });
    EXPECT_FALSE(reporter.Question(QStringLiteral("删除？")));
    question.sort();
    EXPECT_EQ(question, QStringList({QStringLiteral("否"), QStringLiteral("是")}));
    EXPECT_EQ(titleNeeds, QFontMetrics(QApplication::font())
                              .horizontalAdvance(QString::fromUtf8(store::kProgramTitle)));
    EXPECT_GT(titleRoom, titleNeeds + 60);

    whenModal<QMessageBox>([&](QMessageBox *box) {
        info = buttonTexts(box);
        box->accept();
    });
    reporter.Message(QStringLiteral("好"), store::MsgKind::Info);
    EXPECT_EQ(info, QStringList{QStringLiteral("确定")});

    QString title;
    QStringList labels, buttons;
    whenModal<QFileDialog>([&](QFileDialog *d) {
        title = d->windowTitle();
        for (QLabel *l : d->findChildren<QLabel *>())
            if (l->isVisible())
                labels << l->text();
        buttons = buttonTexts(d->findChild<QDialogButtonBox *>());
        d->reject();
    });
    store::ChooseFileName(nullptr, true, QDir::tempPath(), QStringLiteral("PDF文件 (*.pdf)"));
    EXPECT_EQ(title, QStringLiteral("另存为"));
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({QStringLiteral("保存"), QStringLiteral("取消")}));
    // No label of the dialog is left in English.
    for (const QString &l : labels)
        EXPECT_FALSE(l.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3}"))))
            << l.toStdString();
}

// The file list writes a file's date in the Chinese form under an English locale too, and shows
// the file's size, kind and date whole.
TEST(ChineseDialogs, FileListDatesAreChineseAndWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("批量数据.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(80000, 'x'));
    file.flush();
    const QDateTime written(QDate(2026, 12, 9), QTime(15, 49, 4));
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();

    QString shown;
    QStringList cut;
    whenModal<QFileDialog>([&](QFileDialog *d) {
        auto *files = d->findChild<QFileSystemModel *>();
        auto *list = d->findChild<QTreeView *>(QStringLiteral("treeView"));
        if (files && list) {
            // The list is read on a thread of its own; it may be done already.
            QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
            if (!files->lastModified(files->index(path)).isValid())
                loaded.wait(10000);
            // What the list shows: through the model between it and the files, if any.
            const auto *proxy = qobject_cast<QAbstractProxyModel *>(list->model());
            for (int column = 1; column <= 3; ++column) {
                const QModelIndex source = files->index(path, column);
                const QString text =
                    (proxy ? proxy->mapFromSource(source) : source).data().toString();
                if (list->header()->sectionSize(column) <=
                    list->fontMetrics().horizontalAdvance(text))
                    cut << text;
                if (column == 3)
                    shown = text;
            }
        }
        d->reject();
    });
    store::SelectFileDlg(QStringLiteral("CSV文件|*.csv"), false, path);
    EXPECT_EQ(shown.toStdString(), "2026/12/9 15:49");
    EXPECT_EQ(cut.join(u'|').toStdString(), "");
}
