#include "mainwin/popupmenus.h"

#include "mainwin/commandroute.h"
#include "mainwin/mainwindow.h"
#include "page/backpic.h"
#include "page/calcadapter.h"
#include "page/field.h"
#include "page/fieldvalue.h"
#include "page/pagegrid.h"
#include "page/pageview.h"
#include "page/propdialogs.h"
#include "page/registry.h"
#include "print/picoutput.h"
#include "store/model/context.h"
#include "store/ui/uihelpers.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace mainwin {

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &text)
{
    QAction *a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QAction *addSeparator(QMenu *menu, const char *name)
{
    QAction *a = menu->addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QMenu *makeMenu(const char *name, const QString &title)
{
    auto *m = new QMenu;
    m->setObjectName(QString::fromLatin1(name));
    m->setTitle(title);
    return m;
}

} // namespace

PopupMenus::PopupMenus(QWidget *owner, page::PropertyDialogs &dialogs, ExportChooser exportChooser)
    : QObject(owner), m_ctlSetMenu(makeMenu("m_CtlSet", QStringLiteral("CTL_Set"))),
      m_picGraph(makeMenu("mPicGraph", QStringLiteral("单据菜单"))),
      m_fmtOp(makeMenu("mFmtOp", QStringLiteral("格式操作"))),
      m_msf(makeMenu("mMSF", QStringLiteral("表格"))),
      m_pic(makeMenu("mPic", QStringLiteral("图片"))), m_dialogs(dialogs)
{
    m_exportDialog.chooser = std::move(exportChooser);
    setObjectName(QStringLiteral("菜单"));
    m_ctlSet = addItem(m_ctlSetMenu, "mCtlSet", QStringLiteral("设置内容框"));
    m_l5 = addSeparator(m_ctlSetMenu, "L5");
    m_copy = addItem(m_ctlSetMenu, "mCopy", QStringLiteral("复制文本"));
    m_paste = addItem(m_ctlSetMenu, "mPaste", QStringLiteral("粘贴文本"));
    // The entries run through the main window's command route; copying from and pasting into a
    // field act on the field itself, whose typing they leave going.
    route(m_ctlSet, [this] { mCtlset_Click(); });
    route(
        m_copy, [this] { mCopy_Click(); }, true);
    route(
        m_paste, [this] { mPaste_Click(); }, true);

    m_autoGetDate = addItem(m_picGraph, "mAutoGetDate", QStringLiteral("自动生成日期"));
    addSeparator(m_picGraph, "L2");
    m_clearCtl = addItem(m_picGraph, "mClearCtl", QStringLiteral("清空内容框"));
    addSeparator(m_picGraph, "L1");
    m_modiBack = addItem(m_picGraph, "mModiBackgroundPic", QStringLiteral("更换背景图"));
    m_clearBack = addItem(m_picGraph, "mClearBackPic", QStringLiteral("清除背景图"));
    route(m_autoGetDate, [this] { mAutoGetDate_Click(); });
    route(m_clearCtl, [this] { mClearCtl_Click(); });
    route(m_modiBack, [this] { mModiBackgroundPic_Click(); });
    route(m_clearBack, [this] { mClearBackPic_Click(); });

    // Deleting a format goes through the format manager; this item has no command.
    addItem(m_fmtOp, "mDelFmt", QStringLiteral("删除格式"));
    route(addItem(m_msf, "mOutMSF", QStringLiteral("导出表格")), [this] { mOutMSF_Click(); });
    route(addItem(m_pic, "mOutputPic", QStringLiteral("导出图片")), [this] { mOutputPic_Click(); });
}

PopupMenus::~PopupMenus()
{
    for (QMenu *m : {m_ctlSetMenu, m_picGraph, m_fmtOp, m_msf, m_pic})
        delete m;
}

QString PopupMenus::caption() const
{
    return QStringLiteral("弹出菜单");
}

void PopupMenus::route(QAction *entry, std::function<void()> command, bool onField)
{
    connect(entry, &QAction::triggered, this, [this, command = std::move(command), onField] {
        MainWindow *w = window();
        if (!w) {
            command();
            return;
        }
        page::PageField *f = onField ? curCtl() : nullptr;
        w->route().Run(command, f ? f->Widget() : nullptr);
    });
}

MainWindow *PopupMenus::window() const
{
    return qobject_cast<MainWindow *>(parent());
}

page::PageField *PopupMenus::curCtl() const
{
    MainWindow *w = window();
    if (!CurCtl || !w || !w->fields())
        return nullptr;
    return w->fields()->GetCtlByIdx(CurCtl->Index()) == CurCtl ? CurCtl : nullptr;
}

void PopupMenus::mCtlset_Click()
{
    if (page::PageField *f = curCtl())
        m_dialogs.Open(f);
}

void PopupMenus::mCopy_Click()
{
    page::PageField *f = curCtl();
    if (!f)
        return;
    QString text;
    if (f->Kind() == page::FieldKind::Text) {
        auto *t = static_cast<page::TextField *>(f);
        if (t->Box()->hasSelectedText()) {
            t->Box()->ShowWhole();
            text = t->Box()->selectedText();
        } else {
            text = t->Text();
        }
    } else if (f->Kind() == page::FieldKind::Label) {
        text = static_cast<page::LabelField *>(f)->CaptionText();
    }
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void PopupMenus::mPaste_Click()
{
    const QString clip = QGuiApplication::clipboard()->text();
    page::PageField *f = curCtl();
    if (clip.isEmpty() || !f)
        return;
    if (f->Kind() == page::FieldKind::Text) {
        auto *box = static_cast<page::TextField *>(f)->Box();
        box->ShowWhole();
        const QString text = box->text();
        const int s = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
        const int n = box->hasSelectedText() ? int(box->selectedText().size()) : 0;
        box->setText(text.left(s) + clip + text.mid(s + n));
        box->setCursorPosition(int(s + clip.size()));
    } else if (f->Kind() == page::FieldKind::Label) {
        window()->fields()->SetLabelText(static_cast<page::LabelField &>(*f), clip);
    }
}

void PopupMenus::mAutoGetDate_Click()
{
    if (MainWindow *w = window(); w && w->fields())
        page::AutoFillDates(*w->fields());
}

void PopupMenus::mClearCtl_Click()
{
    MainWindow *w = window();
    if (!w || !w->fields())
        return;
    page::FieldRegistry &reg = *w->fields();
    // Any selected text field, check box or picture counts as a selection, so that with only
    // check boxes selected the values the user did not select stay.
    bool selection = false;
    for (page::PageField *f : reg.AllFields())
        if (int(f->Kind()) <= 2 && f->Selected())
            selection = true;
    for (page::PageField *f : reg.AllFields()) {
        if (int(f->Kind()) > 2 || (selection && !f->Selected()))
            continue;
        switch (f->Kind()) {
        case page::FieldKind::Text:
            // A text box without a prompt holds a fixed text.
            if (f->Caption() && !f->Caption()->Caption().isEmpty())
                static_cast<page::TextField *>(f)->SetText(QString());
            break;
        case page::FieldKind::Check:
            static_cast<page::CheckField *>(f)->SetValue(0);
            break;
        case page::FieldKind::Picture: {
            auto *p = static_cast<page::PictureField *>(f);
            if (!p->LinkItem().isEmpty()) {
                p->Box()->SetPicture(QImage());
                p->SetLinkItem(QString());
            }
            break;
        }
        default:
            break;
        }
    }
}

void PopupMenus::mModiBackgroundPic_Click()
{
    MainWindow *w = window();
    if (!w)
        return;
    page::ImportFmtBackPic(
        w->context().FormatName(), *w->PG(),
        [](const QString &filter) { return store::SelectFileDlg(filter, false); },
        [w] { w->O2_Click(4); });
}

void PopupMenus::mClearBackPic_Click()
{
    MainWindow *w = window();
    if (!w)
        return;
    page::ClearBackPic(w->context().FormatName(), *w->PG(), [w] { w->O2_Click(4); });
}

void PopupMenus::mOutMSF_Click()
{
    if (CurGrid)
        batch::ExportGrid(*CurGrid, m_exportDialog, QStringLiteral("Quorvan支票统计数据"));
}

void PopupMenus::mOutputPic_Click()
{
    QWidget *pic = CurPic;
    CurPic = nullptr;
    if (pic)
        print::OutputPicture(pic);
}

} // namespace mainwin
