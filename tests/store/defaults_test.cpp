// Default records of a format, against a stand-in for the fields on the page.

#include "grid_fixture.h"

#include "store/model/defaults.h"

#include <map>

using namespace store;
using gridtest::GridDbTest;

namespace {

// Fields by index with their IDs and values.
class FakeFields : public PageFields
{
public:
    struct Field
    {
        qint32 id;
        QString value;
    };
    std::map<int, Field> fields;
    std::map<qint32, QString> set; // what SetValueByID received, by ID
    bool lastSubstitute = true;

    int CtlCount(int kind) const override
    {
        int n = 0;
        for (const auto &[index, f] : fields)
            if (index / 1000 == kind)
                ++n;
        return n;
    }
    QString CtlValue(int index) const override
    {
        auto it = fields.find(index);
        return it == fields.end() ? QString() : it->second.value;
    }
    std::optional<qint32> CtlID(int index) const override
    {
        auto it = fields.find(index);
        if (it == fields.end())
            return std::nullopt;
        return it->second.id;
    }
    bool SetValueByID(qint32 id, const QString &text, bool substituteCrlf) override
    {
        for (auto &[index, f] : fields) {
            if (f.id == id) {
                f.value = text;
                set[id] = text;
                lastSubstitute = substituteCrlf;
                return true;
            }
        }
        return false;
    }
    std::optional<QString> FixedTextOfRow(int) const override { return std::nullopt; }
};

class DefaultsTest : public GridDbTest
{
protected:
    void SetUp() override
    {
        GridDbTest::SetUp();
        m_fields.fields = {{1, {11, "abc"}},   {2, {12, ""}},        {1001, {21, "1"}},
                           {1002, {22, ""}},   {2001, {31, "x.jpg"}}, {3001, {41, "line?"}}};
        m_ctx.SetFields(&m_fields);
    }
    QString Rows(const QString &fmt) const
    {
        return Sqlite3(QStringLiteral("SELECT group_concat(Fmt || ',' || ID || ',' || Con, ';') FROM "
                                      "(SELECT * FROM 默认 WHERE Fmt='%1' ORDER BY rowid)")
                           .arg(fmt));
    }
    FakeFields m_fields;
};

} // namespace

TEST(CrlfTest, SymbolBecomesLineBreaks)
{
    EXPECT_EQ(CrlfToBreaks("甲//乙", "//"), "甲\r\n乙");
    EXPECT_EQ(CrlfToBreaks("a##b##c", "##"), "a\r\nb\r\nc");
    EXPECT_EQ(CrlfToBreaks("a///b", "//"), "a\r\n/b");
    EXPECT_EQ(CrlfToBreaks("a//b", ""), "a//b");
}

TEST_F(DefaultsTest, SaveKeepsNonEmptyValuesOfTextCheckAndPictureFieldsInOrder)
{
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('A', 99, 'old'), ('B', 11, 'other')"));
    ASSERT_TRUE(SaveDefaultRecord(m_ctx, "A"));
    EXPECT_EQ(Rows("A"), "A,11,abc;A,21,1;A,31,x.jpg");
    EXPECT_EQ(Rows("B"), "B,11,other");
}

TEST_F(DefaultsTest, AFailedSaveKeepsTheOldRecord)
{
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('A', 99, 'old')"));
    ASSERT_TRUE(ExecSQL("CREATE TRIGGER boom BEFORE INSERT ON 默认 WHEN NEW.ID=31 "
                        "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    EXPECT_FALSE(SaveDefaultRecord(m_ctx, "A"));
    EXPECT_EQ(Rows("A"), "A,99,old");
}

TEST_F(DefaultsTest, LoadPutsValuesBackAndSkipsMissingFields)
{
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('A', 999, 'z'), ('A', 12, "
                        "'http://x//y'), ('A', 22, '1'), ('B', 11, 'not this')"));
    m_fields.fields[1].value = "kept";
    EXPECT_EQ(LoadDefaultRecord(m_ctx, "A"), 2);
    EXPECT_EQ(m_fields.set.size(), 2u);
    EXPECT_EQ(m_fields.fields[2].value, "http://x//y"); // a stored value is taken as it is
    EXPECT_FALSE(m_fields.lastSubstitute);
    EXPECT_EQ(m_fields.fields[1002].value, "1");
    EXPECT_EQ(m_fields.fields[1].value, "kept");
    EXPECT_TRUE(m_messages->messages.isEmpty());
}

TEST_F(DefaultsTest, EmptyNameSavesNothing)
{
    EXPECT_FALSE(SaveDefaultRecord(m_ctx, ""));
    EXPECT_EQ(Sqlite3("SELECT COUNT(*) FROM 默认"), "0");
}
