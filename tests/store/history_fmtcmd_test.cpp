// The format commands against a stand-in for the main window: opening, saving under another
// name, deleting, the busy guard and the format-name list.

#include "history_fixture.h"

#include "store/view/fmtcmd.h"
#include "store/model/fmtstore.h"
#include "store/model/history.h"
#include "store/ui/startup.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <functional>

#include "../common/hiddennames.h"

using namespace store;
using histtest::FakePage;
using histtest::HistoryDbTest;

namespace {

class FakeHost : public FormatCommandHost
{
public:
    FakeHost(AppContext &ctx, FakePage &page, QString folder)
        : m_ctx(ctx), m_page(page), m_folder(std::move(folder))
    {
    }
    AppContext &context() override { return m_ctx; }
    std::optional<QString> chooseFormat() override
    {
        ++chooserCalls;
        if (whileChoosing)
            whileChoosing();
        return chooserAnswer;
    }
    std::optional<QString> selectFormatName(bool allowEdit) override
    {
        ++nameCalls;
        lastAllowEdit = allowEdit;
        if (whileChoosing)
            whileChoosing();
        return nameAnswer;
    }
    void initFmtOnPage(const QString &name) override
    {
        inits << name;
        LoadFmtToGrid(m_ctx, *m_ctx.FieldGrid(), name);
        m_page.BuildFrom(*m_ctx.FieldGrid());
        LoadDefaultRecordCalls = 0;
    }
    void autoFillDates() override { ++dateFills; }
    void O2_Click(int index) override { o2 << index; }
    QString backPicFile(const QString &name) override { return m_folder + "/" + name + ".jpg"; }

    QString chooserAnswer, nameAnswer;
    int chooserCalls = 0, nameCalls = 0, dateFills = 0, LoadDefaultRecordCalls = 0;
    bool lastAllowEdit = false;
    QStringList inits;
    QList<int> o2;
    std::function<void()> whileChoosing;

private:
    AppContext &m_ctx;
    FakePage &m_page;
    QString m_folder;
};

class FmtCommands : public HistoryDbTest
{
protected:
    void SetUp() override
    {
        HistoryDbTest::SetUp();
        ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE Fmt<>''"));
        m_host = std::make_unique<FakeHost>(m_ctx, m_page, m_dir->path());
        // Format A: two text fields, the second the same content as the first and adding into
        // it negated; format B: one text field.
        m_a1 = InsertText("A", "收款人", 10, 10);
        m_a2 = InsertText("A", "金额", 10, 20);
        ASSERT_TRUE(ExecSQL("UPDATE Fmt SET RCtl=?, SumID=? WHERE ID=?",
                            {double(m_a1), double(m_a1) + 0.1, m_a2}));
        InsertPara("A", 0, 0, 180, 80, 15360, QString());
        m_b1 = InsertText("B", "用途", 5, 5);
        InsertPara("B", 0, 0, 200, 90, 15360, QString());
        ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('B', ?, '货款')", {m_b1}));
        QString a = "A";
        OpenFmt(*m_host, a, true);
        ASSERT_EQ(m_ctx.FormatName(), "A");
        m_host->inits.clear();
        m_host->o2.clear();
        m_host->dateFills = 0;
    }
    QString StateRow() const { return Sqlite3("SELECT LBL FROM Fmt WHERE Fmt=''"); }
    void WritePicture(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_host->backPicFile(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Picture(const QString &name)
    {
        QFile f(m_host->backPicFile(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::unique_ptr<FakeHost> m_host;
    qint64 m_a1 = 0, m_a2 = 0, m_b1 = 0;
};

} // namespace

TEST_F(FmtCommands, OpeningTheOpenFormatWithoutForceDoesNothing)
{
    m_page.SetValue(qint32(m_a1), "甲");
    const QString before = Sqlite3("SELECT count(*) FROM 默认");
    QString name = "A";
    OpenFmt(*m_host, name, false);
    EXPECT_TRUE(m_host->inits.isEmpty());
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 默认"), before);
    EXPECT_EQ(StateRow(), "A");
}

TEST_F(FmtCommands, ForcedReopenRebuildsWithoutSavingTheDefaultsFirst)
{
    ASSERT_TRUE(ExecSQL("INSERT INTO 默认(Fmt, ID, Con) VALUES('A', ?, '存的')", {m_a1}));
    m_page.SetValue(qint32(m_a1), "新打的");
    QSignalSpy switching(&m_ctx, &AppContext::formatSwitching);
    QString name = "A";
    OpenFmt(*m_host, name, true);
    EXPECT_EQ(m_host->inits, QStringList{"A"});
    EXPECT_EQ(Sqlite3("SELECT Con FROM 默认 WHERE Fmt='A'"), "存的");
    EXPECT_EQ(m_page.ValueOf(qint32(m_a1)), "存的");
    EXPECT_EQ(switching.count(), 1);
}

TEST_F(FmtCommands, SwitchingSavesTheOldDefaultsAndOpensTheNew)
{
    m_page.SetValue(qint32(m_a1), "甲公司");
    m_page.SetValue(qint32(m_a2), "");
    QSignalSpy switching(&m_ctx, &AppContext::formatSwitching);
    QString name = "B";
    OpenFmt(*m_host, name, false);
    EXPECT_EQ(Sqlite3("SELECT group_concat(Con) FROM 默认 WHERE Fmt='A'"), "甲公司");
    EXPECT_EQ(m_ctx.FormatName(), "B");
    EXPECT_EQ(StateRow(), "B");
    EXPECT_EQ(m_host->inits, QStringList{"B"});
    EXPECT_EQ(m_page.ValueOf(qint32(m_b1)), "货款");
    EXPECT_EQ(m_host->dateFills, 1);
    EXPECT_EQ(m_host->o2, (QList<int>{0, 1, 2, 3, 4}));
    ASSERT_EQ(switching.count(), 1);
    EXPECT_EQ(switching.at(0).at(0).toString(), "A");
    EXPECT_EQ(switching.at(0).at(1).toString(), "B");
}

TEST_F(FmtCommands, ChooserDecidesAnEmptyOrMissingName)
{
    QString name;
    m_host->chooserAnswer.clear();
    OpenFmt(*m_host, name, false);
    EXPECT_EQ(m_host->chooserCalls, 1);
    EXPECT_TRUE(name.isEmpty());
    EXPECT_EQ(m_ctx.FormatName(), "A");
    EXPECT_TRUE(m_host->inits.isEmpty());

    m_host->chooserAnswer = "B";
    OpenFmt(*m_host, name, false);
    EXPECT_EQ(name, "B");
    EXPECT_EQ(m_ctx.FormatName(), "B");

    // A format that is gone: the user chooses again; cancelling keeps what is open.
    m_host->chooserAnswer.clear();
    QString gone = "已删除的格式";
    OpenFmt(*m_host, gone, true);
    EXPECT_EQ(m_host->chooserCalls, 3);
    EXPECT_EQ(m_ctx.FormatName(), "B");
    m_host->chooserAnswer = "A";
    OpenFmt(*m_host, gone, true);
    EXPECT_EQ(m_ctx.FormatName(), "A");
}

TEST_F(FmtCommands, LeavingAFormatThatIsNoLongerStoredSavesNoDefaults)
{
    // The format used last was deleted by another copy of the database: its name is still the
    // open one when the user chooses another.
    m_page.SetValue(qint32(m_a1), "甲公司");
    ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE Fmt='A'"));
    QString name = "B";
    OpenFmt(*m_host, name, false);
    EXPECT_EQ(m_ctx.FormatName(), "B");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 默认 WHERE Fmt='A'"), "0");
}

TEST_F(FmtCommands, SaveAsOntoAnExistingFormat)
{
    const qint64 x1 = InsertText("X", "旧的", 1, 1);
    InsertText("X", "旧的2", 1, 1);
    WritePicture("A", "picture of A");
    m_messages->answer = false;
    EXPECT_FALSE(SaveFmtAs(*m_host, "X"));
    EXPECT_EQ(m_messages->messages.last(), "该格式已经存在，是否覆盖？");
    EXPECT_EQ(Sqlite3("SELECT group_concat(LBL) FROM Fmt WHERE Fmt='X'"), "旧的,旧的2");
    EXPECT_FALSE(QFile::exists(m_host->backPicFile("X")));
    EXPECT_EQ(m_ctx.FormatName(), "A");

    m_messages->answer = true;
    FlexGridModel history;
    history.SetTag("A|300");
    // A view of the history, as the history tab is: it forgets its rows when told.
    const QMetaObject::Connection view =
        QObject::connect(&HistoryEvents::Instance(), &HistoryEvents::historyChanged,
                         [&history](const QString &) { ClearHistoryCache(history); });
    EXPECT_TRUE(SaveFmtAs(*m_host, "X"));
    QObject::disconnect(view);
    EXPECT_EQ(m_ctx.FormatName(), "X");
    EXPECT_EQ(StateRow(), "X");
    EXPECT_EQ(history.Tag(), "");
    EXPECT_EQ(Picture("X"), "picture of A");
    // X holds exactly the grid's fields with new IDs; its former rows are gone.
    EXPECT_EQ(Sqlite3(QString("SELECT count(*) FROM Fmt WHERE ID=%1").arg(x1)), "0");
    EXPECT_EQ(Sqlite3("SELECT group_concat(LBL, ',') FROM (SELECT LBL FROM Fmt WHERE Fmt='X' "
                      "AND Clas=0 AND LBL NOT LIKE '【%' ORDER BY ID)"),
              "收款人,金额");
    const QString newA1 = Sqlite3("SELECT ID FROM Fmt WHERE Fmt='X' AND LBL='收款人'");
    const QString links = Sqlite3("SELECT RCtl || ' ' || SumID FROM Fmt WHERE Fmt='X' AND "
                                  "LBL='金额'");
    EXPECT_EQ(links, newA1 + ".0 " + newA1 + ".1");
    EXPECT_NE(newA1, QString::number(m_a1));
    // A is untouched.
    EXPECT_EQ(Sqlite3(QString("SELECT Fmt FROM Fmt WHERE ID=%1").arg(m_a1)), "A");
}

TEST_F(FmtCommands, SaveAsKeepsTheTargetsOwnPicture)
{
    WritePicture("A", "picture of A");
    WritePicture("Y", "picture of Y");
    EXPECT_TRUE(SaveFmtAs(*m_host, "Y"));
    EXPECT_EQ(Picture("Y"), "picture of Y");
    // Without a picture of its own nothing is created.
    QFile::remove(m_host->backPicFile("Y"));
    EXPECT_TRUE(SaveFmtAs(*m_host, "Z"));
    EXPECT_FALSE(QFile::exists(m_host->backPicFile("Z")));
}

TEST_F(FmtCommands, SaveAsAsksForTheNameWhenNoneIsGiven)
{
    m_host->nameAnswer.clear();
    EXPECT_FALSE(SaveFmtAs(*m_host));
    EXPECT_EQ(m_host->nameCalls, 1);
    EXPECT_TRUE(m_host->lastAllowEdit);
    EXPECT_EQ(m_ctx.FormatName(), "A");
    m_host->nameAnswer = "新格式";
    EXPECT_TRUE(SaveFmtAs(*m_host));
    EXPECT_EQ(m_ctx.FormatName(), "新格式");
    EXPECT_TRUE(FmtExists("新格式"));
}

// A name holding a character that hides or turns round what it shows, or showing nothing at all,
// is asked for again: the question shows each such character as a box and offers the name
// without them. An ordinary name in any script is taken.
TEST_F(FmtCommands, SaveAsAsksAgainForANameWithHiddenCharacters)
{
    const QString before = Sqlite3("SELECT count(*) FROM Fmt");
    for (const hiddennames::Case &c : hiddennames::Cases("新", "格式", true)) {
        SCOPED_TRACE(c.name.toStdString());
        m_messages->messages.clear();
        m_messages->textPresets.clear();
        m_messages->textAnswers = QStringList{QString()}; // the question cancelled
        EXPECT_FALSE(SaveFmtAs(*m_host, c.name));
        EXPECT_EQ(m_messages->messages, QStringList{c.Prompt()});
        EXPECT_EQ(m_messages->textPresets, QStringList{c.preset});
        EXPECT_EQ(Sqlite3("SELECT count(*) FROM Fmt"), before);
        EXPECT_EQ(m_ctx.FormatName(), "A");
    }
    // The name offered is taken.
    m_messages->messages.clear();
    m_messages->textAnswers.clear();
    EXPECT_TRUE(SaveFmtAs(*m_host, "新\u202E格式"));
    EXPECT_EQ(m_ctx.FormatName(), "新格式");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM Fmt WHERE Fmt GLOB '新*'"),
              Sqlite3("SELECT count(*) FROM Fmt WHERE Fmt='新格式'"));
    // So is a Korean name, without a question.
    m_messages->messages.clear();
    m_messages->textPresets.clear();
    EXPECT_TRUE(SaveFmtAs(*m_host, hiddennames::kKorean));
    EXPECT_EQ(m_ctx.FormatName(), hiddennames::kKorean);
    EXPECT_TRUE(m_messages->textPresets.isEmpty());
    EXPECT_GT(Sqlite3("SELECT count(*) FROM Fmt WHERE Fmt='" + hiddennames::kKorean + "'").toInt(),
              0);
}

// Which characters a name may hold, over every code point: none that Python's own tables call a
// control, a format character or a line or paragraph separator, none that Unicode has a program
// show as nothing, nor the braille blank; every other assigned one may stand in a name.
TEST_F(FmtCommands, HiddenCharactersOverEveryCodePoint)
{
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import sys, unicodedata\n"
                             "print(''.join('h' if unicodedata.category(chr(c)) in "
                             "('Cc','Cf','Zl','Zp') else 'n' if unicodedata.category(chr(c)) "
                             "in ('Cn','Cs') else '.' for c in range(0x110000)))")});
    ASSERT_TRUE(py.waitForFinished(60000));
    const QByteArray kinds = py.readAllStandardOutput().trimmed();
    ASSERT_EQ(kinds.size(), 0x110000);
    const std::pair<char32_t, char32_t> ignorable[] = {
        {0x00AD, 0x00AD},  {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},
        {0x17B4, 0x17B5},  {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},
        {0x2060, 0x206F},  {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
        {0xFFA0, 0xFFA0},  {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
        {0xE0000, 0xE0FFF}};
    const QString picture = m_host->backPicFile(QStringLiteral("A"));
    int wrong = 0;
    for (char32_t c = 0; c < 0x110000 && wrong < 10; ++c) {
        bool hidden = kinds[c] == 'h' || c == 0x2800;
        for (const auto &[first, last] : ignorable)
            hidden = hidden || (c >= first && c <= last);
        if (!hidden && kinds[c] == 'n')
            continue; // unassigned in Python's tables: Qt's may be newer
        const QString name = "甲" + hiddennames::Text(c) + "乙";
        if (FmtNameFault(name, picture).isEmpty() == hidden) {
            ++wrong;
            ADD_FAILURE() << "U+" << hiddennames::Hex(c).toStdString()
                          << (hidden ? " taken" : " refused");
        }
    }
}

TEST_F(FmtCommands, DeletingTheOpenFormatIsRefused)
{
    EXPECT_FALSE(DeleteFmt(*m_host, "A"));
    EXPECT_EQ(m_messages->messages.last(), "此格式为当前格式，不允许删除！");
    EXPECT_TRUE(FmtExists("A"));
}

TEST_F(FmtCommands, DeletingAFormatTakesItsHistoryAndMapOnly)
{
    Store("B", 1, qint32(m_b1), "x");
    ASSERT_TRUE(ExecSQL("INSERT INTO 映射(ID, Fmt, Map) VALUES(?, 'B', 'A列')", {m_b1}));
    WritePicture("B", "picture of B");
    m_messages->answer = false;
    EXPECT_FALSE(DeleteFmt(*m_host, "B"));
    EXPECT_EQ(m_messages->messages.last(), "您确定要删除格式：“B”？");
    EXPECT_TRUE(FmtExists("B"));

    m_messages->answer = true;
    EXPECT_TRUE(DeleteFmt(*m_host, "B"));
    EXPECT_EQ(Sqlite3("SELECT (SELECT count(*) FROM 历史 WHERE Fmt='B') || (SELECT count(*) "
                      "FROM 映射 WHERE Fmt='B') || (SELECT count(*) FROM Fmt WHERE Fmt='B')"),
              "000");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 默认 WHERE Fmt='B'"), "1");
    EXPECT_EQ(Picture("B"), "picture of B");
}

TEST_F(FmtCommands, FailedDeletionChangesNothingAndSaysSo)
{
    Store("B", 1, qint32(m_b1), "x");
    ASSERT_TRUE(ExecSQL("INSERT INTO 映射(ID, Fmt, Map) VALUES(?, 'B', 'A列')", {m_b1}));
    ASSERT_TRUE(ExecSQL("CREATE TRIGGER keep_map BEFORE DELETE ON 映射 "
                        "BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    EXPECT_FALSE(DeleteFmt(*m_host, "B"));
    EXPECT_EQ(m_messages->messages.last(), "无法删除格式：“B”！");
    EXPECT_EQ(Sqlite3("SELECT count(*) FROM 历史 WHERE Fmt='B'"), "1");
    EXPECT_TRUE(FmtExists("B"));
}

TEST_F(FmtCommands, DeleteAsksForTheNameWithoutEditing)
{
    m_host->nameAnswer = "";
    EXPECT_FALSE(DeleteFmt(*m_host));
    EXPECT_FALSE(m_host->lastAllowEdit);
    m_host->nameAnswer = "B";
    EXPECT_TRUE(DeleteFmt(*m_host));
    EXPECT_FALSE(FmtExists("B"));
}

TEST_F(FmtCommands, OtherCommandsWaitWhileOneAsks)
{
    bool refusedSave = false, refusedDelete = false, busy = false;
    QString opened;
    m_host->whileChoosing = [&] {
        busy = FmtCommandBusy();
        refusedSave = !SaveFmtAs(*m_host, "趁机");
        refusedDelete = !DeleteFmt(*m_host, "B");
        QString b = "B";
        OpenFmt(*m_host, b, false);
        opened = m_ctx.FormatName();
    };
    m_host->nameAnswer = "另存";
    EXPECT_TRUE(SaveFmtAs(*m_host));
    EXPECT_TRUE(busy);
    EXPECT_TRUE(refusedSave);
    EXPECT_TRUE(refusedDelete);
    EXPECT_EQ(opened, "A");
    EXPECT_FALSE(FmtExists("趁机"));
    EXPECT_TRUE(FmtExists("B"));
    EXPECT_FALSE(FmtCommandBusy());
    // The grid saved is the one of the format open when the command began.
    EXPECT_EQ(Sqlite3("SELECT group_concat(LBL, ',') FROM (SELECT LBL FROM Fmt WHERE Fmt='另存' "
                      "AND Clas=0 AND LBL NOT LIKE '【%' ORDER BY ID)"),
              "收款人,金额");
}

TEST_F(FmtCommands, FormatNameList)
{
    QComboBox combo;
    FillFmtFieldCombo(combo, "Fmt");
    QStringList names;
    for (int i = 0; i < combo.count(); ++i)
        names << combo.itemText(i);
    EXPECT_EQ(names, (QStringList{"A", "B"}));

    ASSERT_TRUE(ExecSQL("DELETE FROM Fmt WHERE Fmt<>''"));
    FillFmtFieldCombo(combo, "Fmt");
    EXPECT_EQ(combo.count(), 0);
    InsertText("B", "x", 1, 1);
    InsertText("A", "y", 1, 1);
    InsertText("A", "z", 1, 1);
    FillFmtFieldCombo(combo, "Fmt");
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(0), "A");
    EXPECT_EQ(combo.itemText(1), "B");
    FillFmtFieldCombo(combo, "Fmt; DROP TABLE Fmt");
    EXPECT_EQ(combo.count(), 0);
    EXPECT_TRUE(FmtExists("A"));
}
