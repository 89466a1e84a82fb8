#pragma once
// A page with its field grid and field registry over a fresh database: the page is 11340 twips
// wide in a frame as wide (zoom 1) and the slip 210 mm wide, so the page scale is 54 twips/mm.

#include "grid_fixture.h"

#include "page/registry.h"
#include "page/rowsync.h"
#include "store/model/fmtstore.h"
#include "store/model/gridbind.h"
#include "store/model/gridmodel.h"
#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <QWidget>

#include <memory>

namespace modeltest {

class ModelTest : public gridtest::GridDbTest
{
protected:
    void SetUp() override
    {
        GridDbTest::SetUp();
        m_page = std::make_unique<QWidget>();
        m_page->resize(800, 400);
        m_grid = std::make_unique<store::FlexGridModel>();
        m_ctx.SetFieldGrid(m_grid.get());
        m_ctx.SetPageSize("210", "100");
        SetWidths(11340, 11340);
        m_reg = std::make_unique<page::FieldRegistry>(m_ctx, m_page.get());
        m_ctx.SetFields(m_reg.get());
        ASSERT_TRUE(
            store::InitGridCols(*m_grid, store::FmtFieldNames(), store::FmtFieldCaptions()));
    }
    void TearDown() override
    {
        m_ctx.SetFields(nullptr);
        m_reg.reset();
        m_grid.reset();
        m_page.reset();
        GridDbTest::TearDown();
    }

    void SetWidths(double page, double frame) { m_ctx.SetPageWidths(page, frame); }

    // Appends a data row of the given kind with every column filled sensibly; returns its row.
    int AddRow(int kind, const QString &lbl = QString(), double x = 10, double y = 10,
               double w = 40, double h = 6)
    {
        store::FlexGridModel &g = *m_grid;
        const int r = g.Rows();
        g.SetRows(r + 1);
        const QString cells[] = {QString::number(100 + r),
                                 QString::number(r - 1),
                                 lbl,
                                 "上方",
                                 store::CStr(x),
                                 store::CStr(y),
                                 store::CStr(w),
                                 store::CStr(h),
                                 "0",
                                 "0",
                                 "",
                                 "宋体",
                                 "10.5",
                                 "",
                                 "",
                                 "",
                                 "",
                                 QString::number(kind),
                                 "0",
                                 "0",
                                 "0",
                                 "0",
                                 "0"};
        for (int c = 0; c < 23; ++c)
            g.SetTextMatrix(r, c, cells[c]);
        g.SetCellBackColor(r, store::ColColor, 0);
        return r;
    }

    page::PageField *Reload()
    {
        EXPECT_TRUE(page::ReloadAllCtl(*m_reg, *m_grid, false));
        return m_reg->GetCtlByIdx(1);
    }

    std::unique_ptr<QWidget> m_page;
    std::unique_ptr<store::FlexGridModel> m_grid;
    std::unique_ptr<page::FieldRegistry> m_reg;
};

} // namespace modeltest
