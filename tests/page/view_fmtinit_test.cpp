#include "page/fmtinit.h"
#include "page/pageview.h"
#include "page/pageviewhost.h"
#include "page/registry.h"
#include "page/rowsync.h"
#include "page/zoompage.h"
#include "store/model/context.h"
#include "store/db/db.h"
#include "store/model/fmtstore.h"
#include "store/model/gridmodel.h"
#include "store/ui/indicator.h"
#include "store/db/paths.h"
#include "store/db/reporter.h"
#include "store/db/schema.h"
#include "view_home.h"

#include <memory>

using namespace page;

namespace {

// The page in its frame with a field registry, as the main window holds them.
class FakeHost : public PageHost
{
public:
    FakeHost()
    {
        frame.resize(960, 400);
        frame.setTwipGeometry(0, 0, 14400, 6000);
        fields = std::make_unique<FieldRegistry>(ctx, frame.page());
        ctx.SetFieldGrid(&grid);
        ctx.SetFields(fields.get());
        batch.SetCols(3);
        batch.SetRows(5);
        batch.SetFixedRows(2);
    }
    PageFrame &pageFrame() override { return frame; }
    store::AppContext &context() override { return ctx; }
    void O2_Click(int index) override
    {
        log << QStringLiteral("O2_Click(%1)").arg(index);
        if (index == 0 || index == 4)
            frame.page()->drawPageGrid(180, ctx.O2(0), ctx.O2(4) == 1);
    }
    store::FlexGridModel *batchGrid() override { return &batch; }
    void resetBatchNav(store::FlexGridModel &) override { log << "nav"; }
    void closeFieldDialogs() override { log << "dialogs"; }
    void reloadFields() override
    {
        log << QStringLiteral("reload(%1)").arg(store::ProgressShowing() ? "progress" : "");
        ReloadAllCtl(*fields, grid, false);
    }
    FieldValues saveFieldValues() override { return {}; }
    void restoreFieldValues(const FieldValues &) override {}

    store::AppContext ctx;
    store::FlexGridModel grid;
    store::FlexGridModel batch;
    PageFrame frame;
    std::unique_ptr<FieldRegistry> fields;
    QStringList log;
};

class FmtInit : public ViewHome
{
protected:
    void SetUp() override
    {
        ViewHome::SetUp();
        ASSERT_TRUE(store::Db::Main().OpenConn(store::DataFilePath()));
        ASSERT_TRUE(store::UpgradeDBSchema());
        host = std::make_unique<FakeHost>();
    }
    void TearDown() override
    {
        host.reset();
        store::Db::Main().Close();
    }
    store::ScopedRecordingReporter rec;
    std::unique_ptr<FakeHost> host;
};

} // namespace

TEST_F(FmtInit, PutsTheChequeOnThePage)
{
    host->ctx.SetFormatName("转账支票");
    InitFmtOnPage(*host, "转账支票");
    EXPECT_EQ(host->ctx.Wid(), "240");
    EXPECT_EQ(host->ctx.Hie(), "80");
    EXPECT_EQ(host->frame.page()->twWidth(), 14400);
    EXPECT_EQ(host->frame.page()->twHeight(), 4800);
    EXPECT_TRUE(host->frame.page()->isVisibleTo(&host->frame));
    EXPECT_EQ(host->fields->CtlCount(0), 11);
    // Order: dialogs closed, batch emptied (navigation reset), page fitted and redrawn, fields
    // made without a progress window of their own while the format's one shows.
    EXPECT_EQ(host->log,
              (QStringList{"dialogs", "nav", "O2_Click(0)", "O2_Click(4)", "reload(progress)"}));
    EXPECT_EQ(host->batch.Rows(), 2);
    EXPECT_FALSE(store::ProgressShowing());
    EXPECT_EQ(store::ProgressState().caption, "正在初始化格式……");
    EXPECT_EQ(store::ProgressState().total, 6);
    EXPECT_EQ(store::ProgressState().current, 5);
    EXPECT_TRUE(rec->messages.isEmpty()); // the batch grid was emptied without a question
}

TEST_F(FmtInit, FormatWithoutFieldsOrSettingsKeepsThePreviousPaper)
{
    host->ctx.SetFormatName("转账支票");
    InitFmtOnPage(*host, "转账支票");
    // A format with only a field row (no whole-format row) and one with nothing at all.
    ASSERT_TRUE(store::ExecSQL("INSERT INTO Fmt(Fmt, LBL, Clas, X, Y, W, H, fName, fSize) "
                               "VALUES('空白支票', '收款人', 0, 10, 10, 50, 6, '宋体', 10)"));
    host->ctx.SetFormatName("空白支票");
    InitFmtOnPage(*host, "空白支票");
    EXPECT_EQ(host->ctx.Wid(), "240");
    EXPECT_EQ(host->frame.page()->twHeight(), 4800);
    EXPECT_EQ(host->fields->CtlCount(0), 1);

    host->ctx.SetFormatName("无此格式");
    InitFmtOnPage(*host, "无此格式");
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(host->fields->CtlCount(k), 0);
    EXPECT_EQ(host->grid.Rows(), 2);
    EXPECT_TRUE(host->frame.page()->isVisibleTo(&host->frame));
    EXPECT_FALSE(store::ProgressShowing());
}

TEST_F(FmtInit, AFailingStepLeavesThePageShown)
{
    // No field grid: loading the rows and the fields cannot happen; the rest still runs.
    host->ctx.SetFieldGrid(nullptr);
    host->ctx.SetFormatName("进账单");
    InitFmtOnPage(*host, "进账单");
    EXPECT_EQ(host->ctx.Wid(), "212");
    EXPECT_EQ(host->frame.page()->twHeight(), 6792); // 14400 x 100 / 212
    EXPECT_TRUE(host->frame.page()->isVisibleTo(&host->frame));
    EXPECT_FALSE(store::ProgressShowing());
}

TEST_F(FmtInit, FitRefusesAPaperThatIsNoPaper)
{
    host->ctx.SetFormatName("转账支票");
    InitFmtOnPage(*host, "转账支票");
    host->log.clear();
    EXPECT_FALSE(FitPagePic(*host, 180, 0));
    EXPECT_FALSE(FitPagePic(*host, 0, 50));
    EXPECT_EQ(host->frame.page()->twWidth(), 14400);
    EXPECT_EQ(host->frame.page()->twHeight(), 4800);
    EXPECT_TRUE(host->log.isEmpty());
}
