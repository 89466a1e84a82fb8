#include "print/printrun.h"

#include "print/pagewriter.h"

#include "../common/readonlyfolder.h"
#include "../common/smalldisk.h"
#include "fakeprinters.h"
#include "print/printers.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>
#include <utility>

using namespace print;

namespace {

FilledPage Slip(const QString &payee, const QString &amount = QStringLiteral("12.5"))
{
    FilledPage p;
    p.formatName = QStringLiteral("转账支票");
    p.widthMm = 180;
    p.heightMm = 80;
    p.setPaper = true;
    FilledField name;
    name.kind = FieldKind::Text;
    name.index = 1;
    name.id = 41;
    name.x = 20;
    name.y = 10;
    name.w = 100;
    name.h = 8;
    name.fontName = QStringLiteral("宋体");
    name.fontSize = 12;
    name.text = payee;
    FilledField cash = name;
    cash.index = 2;
    cash.id = 42;
    cash.y = 30;
    cash.w = 44;
    cash.cash = 11;
    cash.prompt = QStringLiteral("小写金额");
    cash.text = amount;
    FilledField tick = name;
    tick.kind = FieldKind::Check;
    tick.index = 1001;
    tick.id = 43;
    tick.checkValue = 1;
    tick.text = QStringLiteral("√");
    p.fields << name << cash << tick;
    return p;
}

int PdfPages(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    if (!p.waitForFinished(30000))
        return -1;
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

class PrintRunTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetCatalogue(std::make_unique<printtest::FakePrinters>(
            QStringList{QStringLiteral("A"), kPdfPrinterName}, QStringLiteral("A")));
        hooks.fillPage = [this] { return current; };
        hooks.keepPrint = [this](const PendingPrint &p) {
            kept.append({p.format, p.values});
            return true;
        };
        hooks.saveHistory = [this](const std::function<bool()> &finish) {
            if (!finish())
                return false;
            history.append(std::exchange(kept, {}));
            return true;
        };
        hooks.dropHistory = [this] { kept.clear(); };
        hooks.choosePrinter = [this] {
            if (cancel)
                return QString();
            Current().Select(kPdfPrinterName);
            return kPdfPrinterName;
        };
        hooks.pdfFileName = [this] { return pdfFile; };
        hooks.batchCount = [this] { return int(records.size()); };
        hooks.batchValue = [] { return 2; };
        hooks.loadBatchRow = [this](int row) {
            loaded << row;
            current = records.value(row - 2);
            if (onLoad)
                onLoad(row);
        };
        pdfFile = dir.filePath(QStringLiteral("out.pdf"));
    }
    void TearDown() override { SetCatalogue(nullptr); }

    QTemporaryDir dir;
    PrintHooks hooks;
    FilledPage current = Slip(QStringLiteral("甲公司"));
    QList<FilledPage> records;
    QList<int> loaded;
    QList<std::pair<QString, QList<HistoryValue>>> kept, history;
    std::function<void(int)> onLoad;
    QString pdfFile;
    bool cancel = false;
};

TEST_F(PrintRunTest, SinglePrintThenHistory)
{
    store::ScopedRecordingReporter rec;
    PrintRun run(hooks);
    EXPECT_TRUE(run.PrintFmt(true, true));
    EXPECT_EQ(PdfPages(pdfFile), 1);
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history[0].first, QStringLiteral("转账支票"));
    const QList<HistoryValue> expected{
        {41, QStringLiteral("甲公司")}, {42, QStringLiteral("12.5")}, {43, QStringLiteral("1")}};
    EXPECT_EQ(history[0].second, expected);
    EXPECT_TRUE(rec->messages.isEmpty()) << rec->messages.join('|').toStdString();
}

TEST_F(PrintRunTest, CancelledChoicePrintsAndRecordsNothing)
{
    cancel = true;
    PrintRun run(hooks);
    EXPECT_FALSE(run.PrintFmt(true, true));
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_TRUE(history.isEmpty());
}

TEST_F(PrintRunTest, AmountTooLongForItsBoxesIsRefused)
{
    store::ScopedRecordingReporter rec;
    current = Slip(QStringLiteral("甲公司"), QStringLiteral("123456789012"));
    PrintRun run(hooks);
    EXPECT_FALSE(run.PrintFmt(true, true));
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_TRUE(history.isEmpty());
    EXPECT_EQ(rec->messages,
              QStringList{QStringLiteral("“小写金额”的金额位数超过方格数，无法打印！")});
}

TEST_F(PrintRunTest, FailedPrintIsReportedAndNotRecorded)
{
    store::ScopedRecordingReporter rec;
    pdfFile = QStringLiteral("/nonexistent-folder/out.pdf");
    PrintRun run(hooks);
    EXPECT_FALSE(run.PrintFmt(true, true));
    EXPECT_TRUE(history.isEmpty());
    ASSERT_EQ(rec->messages.size(), 1);
    EXPECT_TRUE(rec->messages[0].contains(QStringLiteral("无法写入文件")));
}

// A PDF that cannot be written names the reason the system gave, found where it happens: a file
// system that makes no files (whose error reads like a missing folder's), a folder that is not
// there, a read-only folder, a full disk. Nothing recorded, nothing left, an old file unchanged.
TEST_F(PrintRunTest, PdfWriteFailuresNameTheirTrueReason)
{
    const auto printFails = [this](const QString &file) {
        store::ScopedRecordingReporter rec;
        pdfFile = file;
        PrintRun run(hooks);
        EXPECT_FALSE(run.PrintFmt(true, true));
        EXPECT_TRUE(history.isEmpty());
        EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
        EXPECT_EQ(rec->messages.size(), 1) << rec->messages.join('|').toStdString();
        const QString m = rec->messages.value(0);
        EXPECT_TRUE(m.startsWith(QStringLiteral("无法写入文件“%1”！\n").arg(file)))
            << m.toStdString();
        return m.section(u'\n', 1);
    };

    const QString proc = printFails(QStringLiteral("/proc/x.pdf"));
    EXPECT_FALSE(proc.contains(QStringLiteral("文件夹不存在"))) << proc.toStdString();
    EXPECT_TRUE(proc.contains(QString::fromLocal8Bit(std::strerror(ENOENT)))) << proc.toStdString();

    EXPECT_EQ(printFails(dir.filePath(QStringLiteral("gone/x.pdf"))),
              QStringLiteral("文件夹不存在。"));

    {
        ReadOnlyFolder locked(dir.filePath(QStringLiteral("locked")));
        if (!locked.Lock())
            GTEST_SKIP() << "the folder cannot be made read-only here (root without mount)";
        EXPECT_EQ(printFails(locked.path() + QStringLiteral("/x.pdf")), locked.Reason());
    }

    SmallDisk disk(dir.filePath(QStringLiteral("small")), QStringLiteral("256k"));
    if (!disk.mounted())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root)";
    const QString file = disk.path() + QStringLiteral("/x.pdf");
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older");
    old.close();
    disk.fill(2048);
    EXPECT_EQ(printFails(file), QStringLiteral("磁盘空间不足。"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("older"));
    EXPECT_EQ(disk.names(), QStringList{QStringLiteral("x.pdf")});
}

TEST_F(PrintRunTest, ReprintsEndTheirOwnDocumentsWithoutHistory)
{
    PrintRun run(hooks);
    EXPECT_FALSE(run.ChoosePrinter().isEmpty());
    EXPECT_TRUE(run.PrintFmt(false, false));
    EXPECT_TRUE(run.EndDoc());
    EXPECT_EQ(PdfPages(pdfFile), 1);
    EXPECT_TRUE(history.isEmpty());
}

TEST_F(PrintRunTest, BatchIsOneDocumentOfOnePagePerRecord)
{
    records = {Slip(QStringLiteral("一")), Slip(QStringLiteral("二")), Slip(QStringLiteral("三"))};
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_EQ(PdfPages(pdfFile), 3);
    EXPECT_EQ(history.size(), 3);
    EXPECT_EQ(history[2].second.first().content, QStringLiteral("三"));
    // Records 1 to 3, then the record shown before.
    EXPECT_EQ(loaded, (QList<int>{2, 3, 4, 3}));
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_FALSE(run.Busy());
}

// The pages are drawn on a thread of their own: a batch longer than the pages waiting for it
// comes out whole and in the order of its records, each page with its own record.
TEST_F(PrintRunTest, LongBatchKeepsItsRecordsInOrder)
{
    const QStringList names{"一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "甲", "乙"};
    for (const QString &n : names)
        records << Slip(QStringLiteral("收款人") + n);
    PrintRun run(hooks);
    run.PrintBatchRows();
    ASSERT_EQ(PdfPages(pdfFile), int(names.size()));
    ASSERT_EQ(history.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QProcess text;
        const QString page = QString::number(i + 1);
        text.start(QStringLiteral("pdftotext"), {"-f", page, "-l", page, pdfFile, "-"});
        ASSERT_TRUE(text.waitForFinished(30000));
        EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput())
                        .contains(QStringLiteral("收款人") + names[i]))
            << "page " << i + 1;
        EXPECT_EQ(history[i].second.first().content, QStringLiteral("收款人") + names[i]);
    }
}

// A batch longer than the pages that may wait for the writer: the run waits for room while it
// handles events. Whole, it comes out whole; with the writer held back, Esc in that wait gives
// the document up at once: nothing recorded, no file left behind.
TEST_F(PrintRunTest, WaitForRoomInTheQueueAnswersEsc)
{
    store::ScopedRecordingReporter rec;
    for (int i = 0; i < 300; ++i)
        records << Slip(QString::number(i));
    {
        PrintRun run(hooks);
        run.PrintBatchRows();
    }
    EXPECT_EQ(PdfPages(pdfFile), 300);
    EXPECT_EQ(history.size(), 300);
    EXPECT_TRUE(rec->messages.isEmpty()) << rec->messages.join('|').toStdString();

    QFile::remove(pdfFile);
    history.clear();
    loaded.clear();
    std::atomic<int> begun{0};
    int handedOver = -1;
    QElapsedTimer sinceEsc;
    PageWriter::SetBeforePageHook([&] {
        if (++begun == 2) {
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    handedOver = store::ProgressState().current;
                    sinceEsc.start();
                    store::IndicatorWindow()->close();
                },
                Qt::QueuedConnection);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    {
        PrintRun run(hooks);
        run.PrintBatchRows();
    }
    const qint64 afterEsc = sinceEsc.isValid() ? sinceEsc.elapsed() : -1;
    PageWriter::SetBeforePageHook({});
    // Esc came while the run waited for room: far fewer records handed over than the batch has.
    EXPECT_GT(handedOver, 100);
    EXPECT_LT(handedOver, 300);
    EXPECT_GE(afterEsc, 0);
    EXPECT_LT(afterEsc, 1000);
    EXPECT_LT(loaded.size(), 300);
    EXPECT_TRUE(history.isEmpty());
    EXPECT_TRUE(kept.isEmpty());
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    EXPECT_EQ(rec->messages,
              QStringList{"批量打印已中止：文档没有打印完，已放弃，没有打印也没有记录任何单据。"});
}

// A document that cannot be begun stops the batch soon, however many records follow: told once,
// nothing recorded, no file left behind.
TEST_F(PrintRunTest, BatchWhoseDocumentCannotBeBegunIsToldOnce)
{
    store::ScopedRecordingReporter rec;
    for (int i = 0; i < 1000; ++i)
        records << Slip(QString::number(i));
    pdfFile = dir.filePath(QStringLiteral("no-such-folder/out.pdf"));
    PrintRun run(hooks);
    run.PrintBatchRows();
    ASSERT_EQ(rec->messages.size(), 1) << rec->messages.join('|').toStdString();
    EXPECT_TRUE(rec->messages[0].contains(QStringLiteral("无法写入文件")));
    EXPECT_TRUE(history.isEmpty());
    EXPECT_TRUE(kept.isEmpty());
    EXPECT_LT(loaded.size(), 500);
    EXPECT_EQ(loaded.last(), 3); // the record shown before is back
    EXPECT_FALSE(QFile::exists(pdfFile + QStringLiteral(".part")));
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_FALSE(run.Busy());
}

TEST_F(PrintRunTest, ClosingTheProgressWindowStopsTheBatch)
{
    store::ScopedRecordingReporter rec;
    records = {Slip("一"), Slip("二"), Slip("三"), Slip("四")};
    onLoad = [](int row) {
        if (row == 3 && store::IndicatorWindow())
            store::IndicatorWindow()->close();
    };
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_EQ(PdfPages(pdfFile), 2);
    EXPECT_EQ(history.size(), 2);
    ASSERT_EQ(rec->messages.size(), 1);
    EXPECT_TRUE(rec->messages[0].contains(QStringLiteral("已打印前2张单据")));
}

TEST_F(PrintRunTest, BadAmountStopsTheBatchAtItsRecord)
{
    store::ScopedRecordingReporter rec;
    records = {Slip("一"), Slip("二", "123456789012"), Slip("三")};
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_EQ(PdfPages(pdfFile), 1);
    EXPECT_EQ(history.size(), 1);
    ASSERT_EQ(rec->messages.size(), 1);
    EXPECT_TRUE(rec->messages[0].startsWith(QStringLiteral("第2条记录：")));
}

TEST_F(PrintRunTest, BatchOfAnotherFormatIsRefused)
{
    store::ScopedRecordingReporter rec;
    records = {Slip("一"), Slip("二")};
    hooks.batchProblem = [] { return QStringLiteral("不符"); };
    bool asked = false;
    hooks.choosePrinter = [&] {
        asked = true;
        return QString();
    };
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_FALSE(asked);
    EXPECT_EQ(rec->messages, QStringList{QStringLiteral("不符")});
    EXPECT_TRUE(loaded.isEmpty());
}

TEST_F(PrintRunTest, CancelledBatchPrintsNothing)
{
    cancel = true;
    records = {Slip("一"), Slip("二")};
    PrintRun run(hooks);
    run.PrintBatchRows();
    EXPECT_FALSE(QFile::exists(pdfFile));
    EXPECT_TRUE(loaded.isEmpty());
}

} // namespace
