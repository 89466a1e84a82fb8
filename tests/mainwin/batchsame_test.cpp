// Print-all against a reference made before the slip was built from its record: for both sample
// formats and a format of every field and content kind, a sheet of records that touches every
// conversion, link, sum and product prints page for page (rendered at 300 dpi) and records print
// for print what the page-filled print did. QUORVAN_WRITE_REFERENCE=<file> writes the reference
// instead of comparing.

#include "mainwin_fixture.h"
#include "window_fixture.h"

#include "mainwin/mainwindow.h"
#include "mainwin/notifyinglabel.h"
#include "mainwin/printing.h"
#include "page/field.h"
#include "page/registry.h"
#include "store/model/context.h"
#include "store/view/grid.h"
#include "store/db/params.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QTextStream>
#include <QToolButton>

#include <memory>

namespace {

// A small fixed generator, so that every run makes the same sheet.
struct Lcg
{
    quint64 s;
    quint32 next(quint32 n)
    {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32((s >> 33) % n);
    }
};

const char *const kNames[] = {"甲公司", "乙贸易有限公司", "丙", "北京市海淀区某某科技发展有限公司",
                              "王䶮", "Smith & Co.", "第一行//第二行", "  空格 前后  "};
const char *const kAmounts[] = {"0",       "0.05",         "1",          "8000.5",
                                "12.345",  "99999999.99",  "100000000",  "1234567.8",
                                "-35.2",   "abc",          "3,000.00",   "7"};
const char *const kBigAmounts[] = {"10000000000.01", "12345678901.23", "100000000000"};
const char *const kDates[] = {"2026-12-10", "2026/1/5", "20261210", "2026年3月4日", "2026.7.8",
                              "1999-2-28",  "2000-02-29", "12-31"};
const char *const kChecks[] = {"√", "", "x", " ", "0", "1"};
const char *const kCodes[] = {"AB-123", "QUORVAN", "12345", "690123456789", "6901234567892", ""};

// The cell of record r for a field of content kind code.
QString CellFor(Lcg &g, int kind, double code, int r)
{
    const int k = int(code);
    if (kind == 1)
        return QString::fromUtf8(kChecks[g.next(6)]);
    if (kind == 2)
        return QString::fromUtf8(kCodes[g.next(6)]);
    if ((k >= 100 && k <= 102) || (k >= 106 && k <= 113))
        return QString::fromUtf8(kDates[g.next(8)]);
    if (k == 109)
        return QString::number(100000 + g.next(899999));
    if (k == 122)
        return QString::number(r + 1);
    if (k == 103 || k == 120 || k == 134 || k == 104 || k == 105 || k == 117 || k == 118 ||
        k == 123 || k == 116 || k == 114 || k == 121) {
        if (k == 103 && g.next(4) == 0)
            return QString::fromUtf8(kBigAmounts[g.next(3)]);
        return QString::fromUtf8(kAmounts[g.next(12)]);
    }
    if (k >= 1 && k < 100) // amounts in boxes: what fits them
        return QString::number(g.next(9999999)) + u'.' + QString::number(10 + g.next(89));
    const quint32 pick = g.next(10);
    return pick >= 8 ? QString() : QString::fromUtf8(kNames[pick]);
}

class BatchSameness : public MainWinTest
{
protected:
    void SetUp() override
    {
        MainWinTest::SetUp();
        mainwin::PrintQuestions q;
        q.choosePrinter = [] { return ChoosePdfPrinter(); };
        q.pdfFileName = [this] { return pdfFile; };
        ASSERT_NO_FATAL_FAILURE(addEveryKindFormat());
        ASSERT_NO_FATAL_FAILURE(addEveryContentFormat());
        ASSERT_NO_FATAL_FAILURE(ShowChequeWindow(w, q));
    }
    void TearDown() override
    {
        w.reset();
        MainWinTest::TearDown();
    }

    // Text fields of every content kind, fed into sums and a product, linked, beside check
    // boxes, a barcode and a picture field.
    void addEveryContentFormat()
    {
        const QString f = QStringLiteral("全内容支票");
        const QString sql = "INSERT INTO Fmt(Fmt, LBL, Dir, X, Y, W, H, S, L, Color, fName, "
                            "fSize, Clas, Cash) VALUES(?, ?, 0, ?, ?, ?, ?, 0, ?, 0, '宋体', 9, ?, ?)";
        struct R
        {
            const char *lbl;
            int clas;
            double cash;
            double l; // packed spacing and alignment
        } rows[] = {{"收款人", 0, 0, 0},      {"金额一", 0, 104, 1000}, {"金额二", 0, 105, 0},
                    {"合计", 0, 104, 2000},   {"大写合计", 0, 103, 0},  {"数量", 0, 117, 0},
                    {"单价", 0, 118, 0},      {"总价", 0, 123, 0},      {"年", 0, 100, 0},
                    {"月", 0, 101, 0},        {"日", 0, 102, 0},        {"日期", 0, 110, 0},
                    {"短日期", 0, 111, 0},    {"月日", 0, 112, 0},      {"阿拉伯年", 0, 106, 0},
                    {"邮编", 0, 109, 0},      {"仅数字", 0, 114.08, 0}, {"无角分", 0, 121.06, 0},
                    {"百分数", 0, 116, 0},    {"编号", 0, 122, 0},      {"对格", 0, 11, 0},
                    {"无￥对格", 0, 311, 0},  {"数字对格", 0, 206, 0},  {"大写圆", 0, 120, 0},
                    {"备注", 0, 0, 0},        {"空列", 0, 0, 0},        {"加急", 1, 0, 0},
                    {"已核", 1, 0, 0},        {"条码", 2, 0, 0},        {"线条", 3, 1, 0},
                    {"全内容支票", 4, 0, 0}};
        int n = 0;
        for (const R &r : rows) {
            const double x = 5 + (n % 4) * 48, y = 5 + (n / 4) * 8;
            ASSERT_TRUE(store::ExecSQL(sql, {f, QString::fromUtf8(r.lbl), x, y, r.clas == 2 ? 60 : 44,
                                             r.clas == 2 ? 14 : 6, r.l, r.clas, r.cash}));
            ++n;
        }
        const auto id = [&](const char *lbl) {
            return RunTool(QStringLiteral("sqlite3"),
                           {store::DataFilePath(),
                            QStringLiteral("SELECT ID FROM Fmt WHERE Fmt='全内容支票' AND LBL='%1';")
                                .arg(QString::fromUtf8(lbl))})
                .trimmed()
                .toInt();
        };
        const int sum = id("合计"), product = id("总价");
        const auto set = [&](const char *lbl, const char *col, double v) {
            ASSERT_TRUE(store::ExecSQL(QStringLiteral("UPDATE Fmt SET %1=? WHERE Fmt='全内容支票' "
                                                      "AND LBL=?")
                                           .arg(QLatin1String(col)),
                                       {v, QString::fromUtf8(lbl)}));
        };
        set("金额一", "SumID", sum);
        set("金额二", "SumID", sum + 0.1); // subtracted
        set("数量", "SumID", -product);
        set("单价", "SumID", -product);
        set("大写合计", "RCtl", sum);      // same content as the sum
        set("大写圆", "RCtl", id("金额一"));
        set("已核", "RCtl", id("加急"));
        ASSERT_TRUE(store::ExecSQL(
            "INSERT INTO Fmt(Fmt, LBL, X, Y, W, H, Color, Mem) VALUES('全内容支票', ?, 10, 10, "
            "200, 80, 15360, 'True|False|1|0|0|0|0|False|')",
            {QString::fromUtf8(store::kFmtParaMarker)}));
    }

    // The batch grid as the import leaves it: a column for every field of kinds 0..2, the
    // column of the field named "空列" (or "用途") empty in every record.
    void fillBatch(int records, quint64 seed)
    {
        page::FieldRegistry &reg = *w->fields();
        QList<int> indexes;
        for (int kind = 0; kind <= 2; ++kind)
            for (int i = reg.FirstCtlIdx(kind); i <= reg.LastCtlIdx(kind); ++i)
                indexes << i;
        store::FlexGrid &g = *w->MSF(1);
        g.SetRedraw(false);
        g.SetRows(2);
        g.SetCols(1 + int(indexes.size()));
        g.SetRows(2 + records);
        g.SetFixedRows(2);
        g.SetFixedCols(1);
        Lcg gen{seed};
        for (int c = 0; c < indexes.size(); ++c) {
            page::PageField *f = reg.GetCtlByIdx(indexes[c]);
            const QString caption = f->Caption() ? f->Caption()->Caption() : QString();
            g.SetTextMatrix(0, 1 + c, QString::number(indexes[c]));
            g.SetTextMatrix(1, 1 + c, caption);
            if (caption == u"空列" || caption == u"用途")
                continue;
            const double code = reg.GetCtlCash(f);
            for (int r = 0; r < records; ++r)
                g.SetTextMatrix(2 + r, 1 + c, CellFor(gen, int(f->Kind()), code, r));
        }
        g.SetRedraw(true);
        w->resetBatchNav(g.Model());
    }

    // One line per record: the hash of its page at 300 dpi and of its history rows.
    QStringList printAll(const QString &name, int shown)
    {
        pdfFile = m_dir.filePath(name + QStringLiteral(".pdf"));
        w->HS()->setValue(shown);
        const int before = RunTool(QStringLiteral("sqlite3"),
                                   {store::DataFilePath(),
                                    QStringLiteral("SELECT COALESCE(MAX(ID),0) FROM 历史 "
                                                   "WHERE Fmt='%1';")
                                        .arg(w->context().FormatName())})
                               .trimmed()
                               .toInt();
        QTest::mouseClick(w->COM(1), Qt::LeftButton);
        const QString dir = m_dir.filePath(name);
        QDir().mkpath(dir);
        // The pages are rendered by four pdftoppm at once, each given the time it needs.
        const int pageCount = w->HS()->maximum();
        std::vector<std::unique_ptr<QProcess>> renderers;
        for (int part = 0, first = 1; part < 4 && first <= pageCount; ++part) {
            const int last = std::min(pageCount, first + (pageCount + 3) / 4 - 1);
            auto &p = renderers.emplace_back(std::make_unique<QProcess>());
            p->start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"),
                      QStringLiteral("-f"), QString::number(first), QStringLiteral("-l"),
                      QString::number(last), pdfFile, dir + QStringLiteral("/p")});
            first = last + 1;
        }
        for (auto &p : renderers)
            EXPECT_TRUE(p->waitForFinished(-1) && p->exitCode() == 0);
        const QStringList history =
            RunTool(QStringLiteral("sqlite3"),
                    {store::DataFilePath(),
                     QStringLiteral("SELECT ID || char(9) || CID || char(9) || "
                                    "replace(replace(Con, char(13), '\\r'), char(10), '\\n') FROM 历史 "
                                    "WHERE Fmt='%1' AND ID>%2 ORDER BY ID, CID;")
                         .arg(w->context().FormatName())
                         .arg(before)})
                .split(u'\n', Qt::SkipEmptyParts);
        QMap<int, QStringList> byPrint;
        for (const QString &row : history)
            byPrint[row.section(u'\t', 0, 0).toInt() - before] << row.section(u'\t', 1);
        QStringList out;
        const QStringList pages = QDir(dir).entryList({QStringLiteral("p-*.pgm")}, QDir::Files,
                                                      QDir::Name);
        for (int i = 0; i < pages.size(); ++i) {
            const QImage page(dir + u'/' + pages[i]);
            QCryptographicHash h(QCryptographicHash::Sha1);
            for (int y = 0; y < page.height(); ++y)
                h.addData(QByteArrayView(page.constScanLine(y), page.width()));
            out << name + u'\t' + QString::number(i + 1) + u'\t' +
                       QString::fromLatin1(h.result().toHex().left(16)) + u'\t' +
                       QString::fromLatin1(QCryptographicHash::hash(
                                               byPrint.value(i + 1).join(u'\n').toUtf8(),
                                               QCryptographicHash::Sha1)
                                               .toHex()
                                               .left(16));
            QFile::remove(dir + u'/' + pages[i]);
        }
        // What the page shows afterwards: the record that was shown before.
        QStringList onPage;
        page::FieldRegistry &reg = *w->fields();
        for (int kind = 0; kind <= 2; ++kind)
            for (int i = reg.FirstCtlIdx(kind); i <= reg.LastCtlIdx(kind); ++i)
                onPage << reg.CtlValue(i);
        out << name + QStringLiteral("\tpage\t") + w->R_Num(1)->text() + u'\t' +
                   QString::fromLatin1(
                       QCryptographicHash::hash(onPage.join(u'\n').toUtf8(), QCryptographicHash::Sha1)
                           .toHex()
                           .left(16));
        return out;
    }

    std::unique_ptr<mainwin::MainWindow> w;
    QString pdfFile;
};

TEST_F(BatchSameness, PrintAllPrintsAndRecordsAsTheReference)
{
    QStringList lines;
    const struct
    {
        const char *format;
        int records;
        quint64 seed;
        const char *barcode;
    } runs[] = {{"转账支票", 1000, 1, "0"},
                {"进账单", 1000, 2, "0"},
                {"全内容支票", 1000, 3, "0"},
                {"全内容支票", 200, 4, "1"}};
    int n = 0;
    for (const auto &run : runs) {
        ASSERT_TRUE(store::SetPara(QStringLiteral("StrBarCodeStand"), QLatin1String(run.barcode)));
        w->OpenFmt(QString::fromUtf8(run.format), false);
        ASSERT_EQ(w->context().FormatName(), QString::fromUtf8(run.format));
        fillBatch(run.records, run.seed);
        const QStringList got = printAll(QStringLiteral("run%1").arg(++n), 1 + run.records / 3);
        ASSERT_EQ(got.size(), run.records + 1) << rec().messages.join('|').toStdString();
        lines << got;
    }
    const QString write = qEnvironmentVariable("QUORVAN_WRITE_REFERENCE");
    if (!write.isEmpty()) {
        QFile out(write);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(lines.join(u'\n').toUtf8() + '\n');
        return;
    }
    QFile ref(QStringLiteral(QUORVAN_TEST_DATA "/batch-reference.tsv"));
    ASSERT_TRUE(ref.open(QIODevice::ReadOnly));
    const QStringList expected =
        QString::fromUtf8(ref.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), expected.size());
    int differing = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i] != expected[i] && ++differing <= 10)
            ADD_FAILURE() << "got " << lines[i].toStdString() << "\nwant "
                          << expected[i].toStdString();
    }
    EXPECT_EQ(differing, 0);
}

} // namespace
