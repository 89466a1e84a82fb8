#pragma once
// The database fixture of the grid tests plus fields of a page held in memory, built from the
// rows of a format.

#include "grid_fixture.h"

#include "store/model/fmtstore.h"
#include "store/model/gridmodel.h"

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
    void BuildFrom(const store::FlexGridModel &grid)
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
    store::FlexGridModel m_grid;
};

// A history database with the fields of a format on a page held in memory.
class History : public HistoryDbTest
{
protected:
    // A format "A" with a text box, a check box and a picture field; IDs in m_text etc.
    void MakeFormat(const QString &fmt = QStringLiteral("A"))
    {
        m_text = InsertText(fmt, "收款人", 10, 10);
        m_text2 = InsertText(fmt, "用途", 10, 20);
        m_check = Insert(fmt, {{"LBL", "现金"}, {"Clas", 1}, {"X", 1}, {"Y", 1}});
        m_pic = Insert(fmt, {{"LBL", "条码"}, {"Clas", 2}, {"X", 1}, {"Y", 1}});
        InsertPara(fmt, 0, 0, 180, 80, 15360, QString());
        m_page.fields.clear();
        m_page.Add(0, m_text);
        m_page.Add(0, m_text2);
        m_page.Add(1, m_check);
        m_page.Add(2, m_pic);
    }
    QStringList Column(int col) const
    {
        QStringList out;
        for (int r = m_grid.FixedRows(); r < m_grid.Rows(); ++r)
            out << m_grid.TextMatrix(r, col);
        return out;
    }
    int ColumnOf(qint64 id) const
    {
        for (int c = 0; c < m_grid.Cols(); ++c)
            if (m_grid.TextMatrix(0, c) == QString::number(id))
                return c;
        return -1;
    }

    qint64 m_text = 0, m_text2 = 0, m_check = 0, m_pic = 0;
};

} // namespace histtest
