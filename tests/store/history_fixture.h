#pragma once
// The database fixture of the grid tests plus fields of a page held in memory, built from the
// rows of a format.

#include "grid_fixture.h"

#include "store/fmtstore.h"
#include "store/grid.h"

#include <map>

namespace histtest {

// Fields by index (kind * 1000 + n) with their IDs and values.
class FakePage : public store::PageFields
{
public:
    struct Field
    {
        qint32 id;
        QString value;
    };
    std::map<int, Field> fields;
    int sets = 0;

    // One field per data row of the field grid, as the page makes them.
    void BuildFrom(const store::FlexGrid &grid)
    {
        fields.clear();
        int n[3] = {};
        for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
            const int kind = grid.TextMatrix(r, store::ColClas).toInt();
            if (kind < 0 || kind > 2)
                continue;
            fields[kind * 1000 + ++n[kind]] = {grid.TextMatrix(r, store::ColID).toInt(), {}};
        }
    }
    int Add(int kind, qint32 id, const QString &value = {})
    {
        int n = 1;
        while (fields.count(kind * 1000 + n))
            ++n;
        fields[kind * 1000 + n] = {id, value};
        return kind * 1000 + n;
    }
    QString ValueOf(qint32 id) const
    {
        for (const auto &[index, f] : fields)
            if (f.id == id)
                return f.value;
        return QStringLiteral("<none>");
    }
    void SetValue(qint32 id, const QString &v)
    {
        for (auto &[index, f] : fields)
            if (f.id == id)
                f.value = v;
    }

    int CtlCount(int kind) const override
    {
        int c = 0;
        for (const auto &[index, f] : fields)
            if (index / 1000 == kind)
                ++c;
        return c;
    }
    QString CtlValue(int index) const override
    {
        const auto it = fields.find(index);
        return it == fields.end() ? QString() : it->second.value;
    }
    std::optional<qint32> CtlID(int index) const override
    {
        const auto it = fields.find(index);
        if (it == fields.end())
            return std::nullopt;
        return it->second.id;
    }
    bool SetValueByID(qint32 id, const QString &text, bool) override
    {
        for (auto &[index, f] : fields) {
            if (f.id == id) {
                f.value = text;
                ++sets;
                return true;
            }
        }
        return false;
    }
    std::optional<QString> FixedTextOfRow(int) const override { return std::nullopt; }
};

class HistoryDbTest : public gridtest::GridDbTest
{
protected:
    void SetUp() override
    {
        GridDbTest::SetUp();
        m_ctx.SetFields(&m_page);
        m_ctx.SetFieldGrid(&m_grid);
    }
    void TearDown() override
    {
        m_ctx.SetFields(nullptr);
        m_ctx.SetFieldGrid(nullptr);
        GridDbTest::TearDown();
    }

    // Stores history rows directly: print number, field ID, value.
    void Store(const QString &fmt, qint32 print, qint32 cid, const QString &con)
    {
        ASSERT_TRUE(store::ExecSQL("INSERT INTO 历史(Fmt, ID, CID, Con) VALUES(?,?,?,?)",
                                   {fmt, print, cid, con}));
    }

    FakePage m_page;
    store::FlexGrid m_grid;
};

} // namespace histtest
