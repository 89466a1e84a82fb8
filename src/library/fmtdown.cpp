#include "library/fmtdown.h"

#include "library/fmtfile.h"
#include "library/preview.h"
#include "library/web.h"
#include "page/backpic.h"
#include "page/pageviewlayout.h"
#include "store/view/fmtcmd.h"
#include "store/db/db.h"
#include "store/ui/formpos.h"
#include "store/view/grid.h"
#include "store/model/gridbind.h"
#include "store/ui/indicator.h"
#include "store/db/params.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"
#include "store/db/website.h"

#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace library {

namespace {
// The allowance of each try of the list's fetch, in seconds.
double g_listTimeoutS = 60;
QPointer<FmtDown> g_open;
} // namespace


namespace {

const QString kPosKey = QStringLiteral("网站格式模板列表");
const QString kSearchKey = QStringLiteral("格式搜索");
const QString kHint = QStringLiteral("输入关键词");
const QString kNoServer = QStringLiteral("没有设置网站地址，无法连接格式下载网站！");
const QString kBusy =
    QStringLiteral("正在与格式下载网站通信，请等它完成，或在进度窗口按Esc键中止后再试。");
constexpr int kFPathCol = 1, kPPathCol = 2, kTickCol = 4, kClasCol = 5, kNameCol = 6;

QString TempDir()
{
    store::MakeAppSubDir(QStringLiteral("Temp"));
    return QDir(store::AppDataDir()).filePath(QStringLiteral("Temp"));
}

} // namespace

QString PreviewFileName(const QString &url)
{
    QString path = url;
    const qsizetype cut = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (cut >= 0)
        path.truncate(cut);
    QString segment = path.mid(path.lastIndexOf(u'/') + 1);
    if (segment.isEmpty() || segment == u"." || segment == u"..")
        return QString::fromLatin1(
                   QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Md5).toHex()) +
               QStringLiteral(".jpg");
    // The safe-name rule of the background pictures, without their ".jpg".
    const QString safe = QFileInfo(page::GetBackPicFile(segment, QStringLiteral("."))).fileName();
    return safe.left(safe.size() - 4);
}

bool StoreWebFmtList(const QString &reply)
{
    const QStringList pieces = reply.split(QStringLiteral("<br>"));
    store::Db &db = store::Db::Main();
    store::Transaction tx(db);
    bool ok = tx.Ok() && db.ExecSQL(QStringLiteral("DELETE FROM 网站格式"));
    for (qsizetype i = 0; ok && i + 1 < pieces.size(); ++i) {
        if (pieces.at(i).isEmpty())
            continue;
        const QStringList f = pieces.at(i).split(u'|');
        if (f.size() != 5)
            continue;
        const auto date = store::CDate(f.at(4), QDate::currentDate());
        ok = db.ExecSQL(
            QStringLiteral("INSERT INTO 网站格式(Clas, Name, fPath, pPath, Dat) VALUES(?,?,?,?,?)"),
            {f.at(0), f.at(1), f.at(2), f.at(3),
             date ? QVariant(date->date().toString(Qt::ISODate)) : QVariant()});
    }
    return ok && tx.Commit();
}

FmtDown::FmtDown(store::FormatCommandHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("FmtDown"));
    setWindowTitle(QStringLiteral("可供下载的格式模板"));
    MSF = new store::FlexGrid(this);
    MSF->setObjectName(QStringLiteral("MSF"));
    MSF->SetTag(QStringLiteral("网站格式"));
    store::InitGridCols(MSF->Model(), {"ID", "fPath", "pPath", "", "", "Clas", "Name", "Dat"},
                        {"ID", "格式", "图片", "序号", "选择", "类别", "格式名称", "更新日期"});
    MSF->SetColAlignment(kTickCol, 4);
    MSF->SetColAlignment(7, 8);
    store::MeasureWithCellMargins(*MSF);
    Preview = new PicturePreview(this);
    Skey = new QLineEdit(this);
    Skey->setObjectName(QStringLiteral("Skey"));
    Skey->setPlaceholderText(kHint);
    const char16_t *captions[3] = {u"更新列表", u"导入格式", u"搜索"};
    for (int i = 0; i < 3; ++i) {
        Com[size_t(i)] = new QPushButton(QString::fromUtf16(captions[i]), this);
        Com[size_t(i)]->setObjectName(QStringLiteral("Com(%1)").arg(i));
        Com[size_t(i)]->setAutoDefault(false);
    }
    connect(Com[0], &QPushButton::clicked, this, &FmtDown::DownWebFmt);
    connect(Com[1], &QPushButton::clicked, this, &FmtDown::DownInputFmt);
    connect(Com[2], &QPushButton::clicked, this, &FmtDown::FindFmt);
    connect(Skey, &QLineEdit::returnPressed, this, &FmtDown::FindFmt);

    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("可供下载的格式模板列表："), this));
    left->addWidget(MSF, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("格式模板预览："), this));
    right->addWidget(Preview, 1);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 3);
    lists->addLayout(right, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Com[0]);
    buttons->addWidget(Com[1]);
    buttons->addStretch();
    buttons->addWidget(Skey);
    buttons->addWidget(Com[2]);
    auto *v = new QVBoxLayout(this);
    v->addLayout(lists, 1);
    v->addLayout(buttons);
    resize(900, 540);
    connect(MSF->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { MSF_RowColChange(); });
}

FmtDown *FmtDown::Open()
{
    return g_open.data();
}

FmtDown *FmtDown::ShowModeless(store::FormatCommandHost &host, QWidget *parent)
{
    if (g_open) {
        g_open->raise();
        g_open->activateWindow();
        return g_open;
    }
    auto *d = new FmtDown(host, parent);
    g_open = d;
    d->setAttribute(Qt::WA_DeleteOnClose);
    store::LoadFormPos(d, kPosKey);
    d->show();
    page::CenterForm(d);
    d->LoadWebFmtList();
    if (d->MSF->Rows() <= d->MSF->FixedRows())
        d->DownWebFmt();
    QString keyword = store::GetPara(kSearchKey);
    if (keyword == kHint)
        keyword.clear();
    d->Skey->setText(keyword);
    return d;
}

void FmtDown::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        m_closePending = true;
        if (store::Indicator *progress = store::IndicatorWindow())
            progress->close();
        event->ignore();
        return;
    }
    store::SaveFormPos(this, kPosKey);
    store::SetPara(kSearchKey, Skey->text());
    QDialog::closeEvent(event);
}

void SetCatalogueListTimeout(double seconds)
{
    g_listTimeoutS = seconds;
}

bool FmtDown::TellBusy() const
{
    if (m_busy)
        store::ReportMessage(kBusy, store::MsgKind::Warning);
    return m_busy;
}

void FmtDown::EndBusy()
{
    m_busy = false;
    // After the handler that ran the request has returned.
    if (m_closePending)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    emit requestEnded();
}

void FmtDown::DownWebFmt()
{
    if (TellBusy())
        return;
    const QString url = WebUrl(QStringLiteral("/xrm/fmt.asp?key=支票,进账单"));
    if (url.isEmpty()) {
        store::ReportMessage(kNoServer, store::MsgKind::Warning);
        return;
    }
    m_busy = true;
    QString reply;
    // The wait shows, and a server that never answers is told once its tries are over; closing
    // the window ends the request and its tries, and leaves the list as it was.
    store::StartProgress(QStringLiteral("正在下载..."), 1);
    bool cancelled = false;
    const QString failed =
        GetUrlTextRetry(url, reply, QStringLiteral("Finished"), g_listTimeoutS, &cancelled);
    store::EndProgress();
    EndBusy();
    if (cancelled)
        return;
    if (!failed.isEmpty()) {
        store::ReportMessage(QStringLiteral("无法取得格式模板列表：%1").arg(failed),
                             store::MsgKind::Error);
        return;
    }
    if (!StoreWebFmtList(reply)) {
        store::ReportMessage(QStringLiteral("无法保存格式模板列表！"), store::MsgKind::Error);
        return;
    }
    LoadWebFmtList();
}

void FmtDown::LoadWebFmtList()
{
    MSF->setEnabled(false);
    store::LoadTableToGrid(MSF->Model(), QString(), {}, QStringLiteral("Dat DESC"));
    if (MSF->Rows() > MSF->FixedRows())
        MSF->SetRow(MSF->FixedRows());
    MSF->setEnabled(true);
    MSF_RowColChange();
    // The tick of the selected row counts for the widths too.
    store::AutoColWidth(MSF->Model(), MSF->FixedRows(), false);
}

void FmtDown::FindFmt()
{
    const QString keyword = Skey->text();
    if (keyword.isEmpty() || keyword == kHint) {
        store::ReportMessage(QStringLiteral("请先输入关键词！"), store::MsgKind::Warning);
        return;
    }
    const int row = FindNextRow(MSF->Model(), keyword, {kNameCol, kClasCol});
    if (row < 0)
        return;
    MSF->SetRow(row);
    MSF->SetTopRow(row);
    MSF_RowColChange();
}

QString FmtDown::ServerPath(int row, int col) const
{
    if (row < MSF->FixedRows() || row >= MSF->Rows())
        return QString();
    const QString path = MSF->TextMatrix(row, col);
    return path.startsWith(u'/') ? path : QString();
}

void FmtDown::MSF_RowColChange()
{
    if (!MSF->isEnabled() || TellBusy())
        return;
    const int row = MSF->Row();
    for (int r = MSF->FixedRows(); r < MSF->Rows(); ++r)
        MSF->SetTextMatrix(r, kTickCol, r == row ? QStringLiteral("√") : QString());
    const QString url = WebUrl(ServerPath(row, kPPathCol));
    if (url.isEmpty() || ServerPath(row, kPPathCol).isEmpty()) {
        Preview->LoadPicFileToFrame(QString());
        return;
    }
    const QString file = QDir(TempDir()).filePath(PreviewFileName(url));
    if (!QFileInfo::exists(file)) {
        m_busy = true;
        DownloadUrlToFile(url, file, 60);
        EndBusy();
    }
    Preview->LoadPicFileToFrame(file);
}

void FmtDown::DownInputFmt()
{
    if (TellBusy())
        return;
    if (store::WebServerBase().isEmpty()) {
        store::ReportMessage(kNoServer, store::MsgKind::Warning);
        return;
    }
    const int row = MSF->Row();
    const QString fPath = ServerPath(row, kFPathCol);
    if (fPath.isEmpty())
        return;
    const QString pPath = ServerPath(row, kPPathCol);
    // The files are named after the format: a catalogue name that cannot be a format's name
    // is asked for again before anything is fetched.
    const QString name = store::AskFmtName(m_host, MSF->TextMatrix(row, kNameCol), false);
    if (name.isEmpty())
        return;
    const QString picture = page::GetBackPicFile(name, TempDir());
    const QString file = picture.left(picture.size() - 4) + QStringLiteral(".cqf");
    m_busy = true;
    store::StartProgress(QStringLiteral("正在下载..."), 2);
    // A picture that could not be fetched is not replaced by an older one of the same name.
    bool cancelled = false;
    if (pPath.isEmpty() || !DownloadUrlToFile(WebUrl(pPath), picture, 60, &cancelled))
        QFile::remove(picture);
    bool got = false;
    QString why;
    if (!cancelled) {
        store::StepProgress(1);
        got = DownloadUrlToFile(WebUrl(fPath), file, 60, &cancelled, &why);
    }
    store::EndProgress();
    EndBusy();
    if (cancelled)
        return; // the user closed the progress window: the install stops
    if (!got) {
        store::ReportMessage(QStringLiteral("无法打开下载文档：\r\n") + file +
                                 (why.isEmpty() ? QString() : u'\n' + why),
                             store::MsgKind::Warning);
        return;
    }
    ImportFmtFile(m_host, file, picture);
}

} // namespace library
