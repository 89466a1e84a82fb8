#include "store_fixture.h"

#include "store/db/textfile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

using namespace store;

namespace {

class TextFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScopedRecordingReporter messages;
    QString P(const QString &name) const { return dir.path() + "/" + name; }
};

// Runs a Python script (Debian's interpreter) with a JSON value on its standard input; its
// standard output as JSON.
QJsonValue Python(const char *script, const QJsonValue &input)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script)});
    p.write(QJsonDocument(QJsonArray{input}).toJson());
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), QString());
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array().at(0);
}

// Writes each [file, encoding, text] with Python's own encoders, no byte-order mark.
const char *kPythonWrite = R"(
import json, sys
for path, encoding, text in json.load(sys.stdin)[0]:
    with open(path, "w", encoding=encoding, newline="") as f:
        f.write(text)
print("[null]")
)";

QByteArray Iconv(const QByteArray &bytes, const char *from, const char *to)
{
    QProcess p;
    p.start("iconv", {"-f", from, "-t", to});
    p.write(bytes);
    p.closeWriteChannel();
    p.waitForFinished();
    return p.readAllStandardOutput();
}

} // namespace

TEST_F(TextFiles, WritesGbkBytesThroughATemporaryFile)
{
    const QString p = P("a.cqf");
    EXPECT_EQ(WriteTextFile("甲\r\n乙", p), 1);
    EXPECT_EQ(storetest::FileBytes(p), QByteArray("\xBC\xD7\r\n\xD2\xD2"));
    EXPECT_EQ(Iconv(storetest::FileBytes(p), "GBK", "UTF-8"), QString("甲\r\n乙").toUtf8());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"a.cqf"}));
    EXPECT_FALSE(QFile::exists(p + ".TMP"));
}

TEST_F(TextFiles, FailedWriteLeavesTheOldFileAndNoOtherNames)
{
    const QString p = P("old.cqf");
    ASSERT_EQ(WriteTextFile("旧内容", p), 1);
    // A folder that cannot take the new file: the write fails before any rename.
    const QString missing = P("nofolder/x.cqf");
    EXPECT_LT(WriteTextFile("新", missing), 0);
    EXPECT_FALSE(QFileInfo::exists(P("nofolder")));
    EXPECT_EQ(FromGbk(storetest::FileBytes(p)), "旧内容");
    // A target that is a folder cannot be replaced: the folder stays, nothing else appears.
    QDir().mkpath(P("dir.cqf"));
    EXPECT_LT(WriteTextFile("新", P("dir.cqf")), 0);
    EXPECT_TRUE(QFileInfo(P("dir.cqf")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"old.cqf"}));
}

// Every file read takes the encoding its bytes show: a mark; GB18030 for bytes that are no
// UTF-8; and for bytes that are UTF-8 by chance (short GBK texts often are) the reading that
// gives likely text.
TEST_F(TextFiles, EachFileReadsAsTheTextItHolds)
{
    const QString p = P("r.csv");
    auto read = [&](const QByteArray &bytes) {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        QString text;
        EXPECT_TRUE(ReadTextFile(p, &text));
        return text;
    };
    const QStringList gbk{
        // GBK bytes that are valid UTF-8 as well, but no text of one script so ("支票" would
        // read "֧Ʊ", "陆拾" "½ʰ", "一元" "һԪ", "木目" "ľĿ")
        "支票,100", "陆拾,60", "一元", "同票", "木目,2",
        // and ordinary GBK
        "收款人,小写金额\r\n试印单位,12.50\r\n", "你好,用途", "工行支票"};
    for (const QString &text : gbk) {
        const QByteArray bytes = Iconv(text.toUtf8(), "UTF-8", "GBK");
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_EQ(read(bytes), text) << text.toStdString();
    }
    // Characters outside GBK, in GB18030's four-byte form.
    const QString rare = "王䶮,𠀾𠮷村,€5";
    EXPECT_EQ(read(Iconv(rare.toUtf8(), "UTF-8", "GB18030")), rare);
    // UTF-8 with and without a mark, Chinese and Latin text; UTF-16 with its mark.
    // Bytes that are text of one script either way are that text: "谢谢" in GBK is "лл" in
    // UTF-8, "写" "д", "陆路" "½·", "每毛" "ÿë".
    const QStringList utf8{"收款人,小写金额\n试印单位,12.50\n",
                           "支票,100",
                           "王䶮,𠀾𠮷村",
                           "Café Müller,25°,m²,¥100",
                           "阿卜杜·买买提,“用途”…",
                           "ａｂｃ１２３，。",
                           "plain ascii,1",
                           "лл",
                           "д,1",
                           "½·",
                           "ÿë"};
    for (const QString &text : utf8) {
        EXPECT_EQ(read(text.toUtf8()), text) << text.toStdString();
        EXPECT_EQ(read("\xEF\xBB\xBF" + text.toUtf8()), text) << text.toStdString();
    }
    EXPECT_EQ(read(Iconv(rare.toUtf8(), "UTF-8", "UTF-16")), rare);
    EXPECT_TRUE(messages->messages.isEmpty());
}

// Files as other programs write them, without a byte-order mark. UTF-8 is read as UTF-8 in any
// script and with signs anywhere, however short; GBK whose bytes are UTF-8 by chance stays GBK
// when its UTF-8 reading is no text of one script.
TEST_F(TextFiles, FilesWrittenByPythonReadAsWritten)
{
    const QStringList utf8{"°C", "«urgent»", "©", "μm", "½", "Да", "Ω", "ئابدۇرېھىم", "שלום",
                           "ישראל כהן", "sensor,unit\r\nA,°C\r\nB,°C\r\n", "note\n«urgent»\n",
                           "© 2026,10 μm,½ inch", "Да,Ω", "ئابدۇرېھىم,100\nمۇھەممەت تۇرسۇن,200\n",
                           "דוד כהן,100\nשרה לוי,200\n",
                           // Uyghur names in a Chinese sheet
                           "收款人,金额\r\nئابدۇرېھىم,100\r\n张三,200\r\nمۇھەممەت,300\r\n"};
    const QStringList gbk{"支票", "工商银行", "收款人,金额\r\n",
                          "收款人,金额\r\n张三,100\r\n李四,200\r\n",
                          // short cells whose bytes are UTF-8 as well: "֧Ʊ,½ʰԪ"...
                          "支票,陆拾元\r\n支票,壹仟元\r\n支票,陆仟圆\r\n"};
    QJsonArray files;
    QStringList want;
    for (const auto &[texts, encoding] : {std::pair{utf8, "utf-8"}, std::pair{gbk, "gb18030"}}) {
        for (const QString &text : texts) {
            files.append(QJsonArray{P(QString::number(want.size())), encoding, text});
            want << text;
        }
    }
    Python(kPythonWrite, files);
    for (qsizetype i = 0; i < want.size(); ++i) {
        QString text;
        ASSERT_TRUE(ReadTextFile(P(QString::number(i)), &text));
        EXPECT_EQ(text, want[i]) << want[i].toStdString();
    }
    // The GBK sheet of short cells is UTF-8 by chance: the case the choice is for.
    EXPECT_TRUE(QString::fromUtf8(storetest::FileBytes(P(QString::number(want.size() - 1))))
                    .startsWith(QString::fromUtf8("\u05A7\u01B1,\u00BD\u02B0")));
}

// Random texts as people write them in one script, from the letters of today's alphabets,
// signs and digits anywhere: read as written whatever their GBK reading. Random GBK sheets of
// three rows, most of their characters ones whose GBK bytes are UTF-8 too: read as GBK.
TEST_F(TextFiles, RandomTextsOfOneScriptAndRandomGbkSheetsReadAsWritten)
{
    const char *script = R"(
import json, random, sys
folder = json.load(sys.stdin)[0]
rng = random.Random(20261211)
alphabets = {
    "latin": ("abcdefghijklmnopqrstuvwxyz", "àáâäçèéêëìíîïñòóôöùúûüýÿßøåæœšžčćłńśźżőűğş"),
    "greek": ("αβγδεζηθικλμνξοπρστυφχψωάέήίόύώ", ""),
    "cyrillic": ("абвгдеёжзийклмнопрстуфхцчшщъыьэюяәғқңөұүһі", ""),
    "arabic": ("ئابپتجچخدرزژسشغفقكگڭلمنھوۇۆۈۋېىيە", ""),
    "hebrew": ("אבגדהוזחטיכלמנסעפצקרשתךםןףץ", ""),
    "hangul": ("".join(chr(c) for c in range(0xAC00, 0xD7A4, 37)), ""),
    "georgian": ("აბგდევზთიკლმნოპჟრსტუფქღყშჩცძწჭხჯჰ", ""),
}
marks = {"hebrew": "\u05B8\u05B4", "arabic": "\u064E\u0650", "latin": "\u0301\u0308"}
signs = ["°", "©", "«", "»", "½", "±", "×", "µ", "§", "²", "³", "¥", "£", "€", "–", "—", "…",
         "“", "”", "·", "¶", "¼", "¬", "¦", "%", "#", "@"]
cased = ("latin", "greek", "cyrillic", "georgian")
def word(name):
    plain, accented = alphabets[name]
    letters = [rng.choice(plain + accented * (rng.random() < 0.5)) for _ in range(rng.randint(1, 9))]
    if name in marks and rng.random() < 0.3:
        letters.insert(rng.randint(1, len(letters)), rng.choice(marks[name]))
    w = "".join(letters)
    if name in cased and name != "georgian":
        w = rng.choice([w, w.capitalize(), w.upper()])
    return w
out = []
for i in range(400):
    name = rng.choice(sorted(alphabets))
    parts = []
    for _ in range(rng.randint(1, 8)):
        parts.append(rng.choice([word(name), word(name), rng.choice(signs), str(rng.randint(0, 999)),
                                 rng.choice(signs) + word(name), word(name) + rng.choice(signs)]))
        parts.append(rng.choice([" ", ",", "\r\n", "\n", ", "]))
    text = "".join(parts)
    path = "%s/u%d.csv" % (folder, i)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    out.append([path, text])
both = [bytes([a, b]).decode("gbk") for a in range(0xC2, 0xE0) for b in range(0xA1, 0xC0)]
common = [bytes([a, b]).decode("gbk") for a in range(0xB0, 0xD8) for b in range(0xA1, 0xFF)
          if (a, b) < (0xD7, 0xFA)]
valid = 0
for i in range(300):
    rows = []
    for _ in range(3):
        cells = []
        for _ in range(rng.randint(2, 3)):
            cells.append("".join(rng.choice(both if rng.random() < 0.9 else common)
                                 for _ in range(rng.randint(2, 4))))
        if rng.random() < 0.5:
            cells.append(str(rng.randint(1, 99999)))
        rows.append(",".join(cells))
    text = "\r\n".join(rows) + "\r\n"
    path = "%s/g%d.csv" % (folder, i)
    with open(path, "w", encoding="gb18030", newline="") as f:
        f.write(text)
    try:
        text.encode("gb18030").decode("utf-8")
        valid += 1
    except UnicodeDecodeError:
        pass
    out.append([path, text])
print(json.dumps([[out, valid]], ensure_ascii=False))
)";
    const QJsonArray result = Python(script, dir.path()).toArray();
    const QJsonArray files = result.at(0).toArray();
    ASSERT_EQ(files.size(), 700);
    // Sheets that are UTF-8 by chance are many among them.
    EXPECT_GT(result.at(1).toInt(), 20);
    int wrong = 0;
    for (const QJsonValue &f : files) {
        const QString path = f.toArray().at(0).toString();
        const QString want = f.toArray().at(1).toString();
        QString text;
        ASSERT_TRUE(ReadTextFile(path, &text));
        if (text != want && ++wrong <= 5)
            ADD_FAILURE() << path.toStdString() << ": " << want.toStdString() << " read as "
                          << text.toStdString();
    }
}
