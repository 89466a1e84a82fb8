// The CSV parser: against Python's csv module over generated files, the edge cases, and a fuzz
// run that counts the parser's steps.

#include "batch/csvparse.h"

#include "batch_fixture.h"

#include "store/db/textfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

namespace {

using batch::CsvRecords;
using batch::ParseCsv;

CsvRecords Parse(const char *utf8)
{
    return ParseCsv(QString::fromUtf8(utf8));
}

TEST(CsvParser, EdgeCases)
{
    const struct
    {
        const char *text;
        CsvRecords want;
    } cases[] = {
        {"a,\"b,c\",d", {{"a", "b,c", "d"}}},
        {"\"a\"\"b\"", {{"a\"b"}}},
        {"\"\"\"a\"\"\"", {{"\"a\""}}},
        {"\"\",x", {{"", "x"}}},                          // an empty quoted field is empty
        {"ab\"c,d\r\nx", {{"ab\"c", "d"}, {"x"}}},        // a stray quote stays in its field
        {"\"first\r\nsecond\",z", {{"first\nsecond", "z"}}}, // one LF for the line break
        {"\"a\rb\",\"c\nd\"", {{"a\nb", "c\nd"}}},
        {"x,\"open\r\nstill", {{"x", "open\nstill"}}},    // open at the end: ends there
        {"a\r\n\r\nb", {{"a"}, {}, {"b"}}},               // an empty line is a record
        {"a\r\n", {{"a"}}},                               // no record after the last line end
        {"a\rb\nc", {{"a"}, {"b"}, {"c"}}},
        {"ζ,ξ,\"ζξ,\"", {{"ζ", "ξ", "ζξ,"}}},             // no marker characters
        {"  \"a\" b,c", {{"  a b", "c"}}},                // blanks before a quote are kept
        {"a,", {{"a", ""}}},
        {",", {{"", ""}}},
        {"", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Parse(c.text), c.want) << c.text;
}

// Random well-formed CSV text: fields quoted or not, quotes only at field starts (and stray ones
// inside unquoted fields), doubled quotes, commas and line ends inside quotes, empty fields and
// lines, GBK text.
QString RandomCsv(QRandomGenerator &rng)
{
    static const QStringList plain{"a", "b", "中", "文", "ζ", "ξ", " ", "1", ".", "-", "张三"};
    static const QStringList quoted{"a", "中", ",", "\"\"", "\r\n", "\n", "\r", " ", "ξ", "x"};
    static const QStringList ends{"\r\n", "\n", "\r"};
    QString out;
    const int records = rng.bounded(1, 8);
    for (int r = 0; r < records; ++r) {
        if (rng.bounded(8) == 0) { // an empty line
            out += ends[rng.bounded(3)];
            continue;
        }
        const int fields = rng.bounded(1, 6);
        for (int f = 0; f < fields; ++f) {
            if (f > 0)
                out += u',';
            const int kind = rng.bounded(4);
            if (kind == 0)
                continue; // empty field
            if (kind == 1) {
                out += u'"';
                for (int k = rng.bounded(0, 6); k > 0; --k)
                    out += quoted[rng.bounded(quoted.size())];
                out += u'"';
            } else {
                static const QStringList first{"a", "b", "中", "文", "ζ", "ξ", "1", "张三"};
                out += first[rng.bounded(first.size())];
                for (int k = rng.bounded(0, 5); k > 0; --k)
                    out += kind == 3 && k == 2 ? QStringLiteral("\"")
                                               : plain[rng.bounded(plain.size())];
            }
        }
        if (r + 1 < records || rng.bounded(2))
            out += ends[rng.bounded(3)];
    }
    return out;
}

// Each file is read in the encoding its bytes show: UTF-8 whose letters and signs a GBK reading
// would turn into rare characters, and short GBK texts whose bytes happen to be valid UTF-8.
class CsvEncoding : public BatchTest
{
};

TEST_F(CsvEncoding, EachFileReadsAsTheTextItHolds)
{
    const QStringList utf8{
        // signs, Greek and Cyrillic beside Chinese
        "收款人,金额,备注\n张三,½,2×3\nΑλφα,β系数,Иван\n", "张三,½", "李四,α,β,γ", "王五,Ω,100",
        // Cyrillic alone
        "Иван Петров,100", "Иван Петров,100\nСергей Иванов,200\n", "ПЕТРОВ,москва",
        // text of one script that GBK bytes make as well ("谢谢", "写,1", "陆路", "每毛")
        "лл", "д,1", "½·", "ÿë"};
    const QStringList gbk{
        "支票,100", "陆拾,60",   "一元",     "同票",
        "木目,2",   "你好,用途", "工行支票", "收款人,小写金额\r\n试印单位,12.50\r\n"};
    const QString file = path(QStringLiteral("r.csv"));
    const auto read = [&](const QByteArray &bytes) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        batch::CsvRecords got;
        EXPECT_TRUE(batch::ReadCsvRecords(file, got));
        return got;
    };
    for (const QString &text : utf8)
        EXPECT_EQ(read(text.toUtf8()), ParseCsv(text)) << text.toStdString();
    for (const QString &text : gbk) {
        EXPECT_EQ(read(store::ToGbk(text)), ParseCsv(text)) << text.toStdString();
    }
}

// The rows of a sheet as Python gave them: a JSON array of arrays of texts.
CsvRecords JsonRecords(const QJsonArray &rows)
{
    CsvRecords records;
    for (const QJsonValue &row : rows) {
        QStringList fields;
        for (const QJsonValue &v : row.toArray())
            fields << v.toString();
        records.push_back(fields);
    }
    return records;
}

// Sheets written by Python's csv module, UTF-8 without a byte-order mark or GB18030, read as the
// rows Python wrote: signs, Greek, Cyrillic, Uyghur and Hebrew alone or beside Chinese; short
// GBK cells whose bytes happen to be UTF-8 too.
TEST_F(CsvEncoding, SheetsWrittenByPythonReadAsWritten)
{
    const char *script = R"(
import csv, json, sys
folder = sys.argv[1]
sheets = [
    ("utf-8", [["sensor", "unit"], ["A", "°C"], ["B", "°C"]]),
    ("utf-8", [["note", "amount"], ["«urgent»", "100"], ["©", "½"]]),
    ("utf-8", [["size"], ["10 μm"], ["Ω"]]),
    ("utf-8", [["Да", "100"]]),
    ("utf-8", [["payee", "amount"], ["ئابدۇرېھىم", "100"], ["מרים לוי", "200"]]),
    ("utf-8", [["收款人", "金额"], ["ئابدۇرېھىم", "100"], ["张三", "200"], ["مۇھەممەت تۇرسۇن", "300"]]),
    ("gb18030", [["支票"]]),
    ("gb18030", [["工商银行"]]),
    ("gb18030", [["收款人", "金额"]]),
    ("gb18030", [["支票", "陆拾元"], ["支票", "壹仟元"], ["支票", "陆仟圆"]]),
    ("gb18030", [["收款人", "金额"], ["张三", "100"], ["李四", "200"]]),
]
out = []
for i, (encoding, rows) in enumerate(sheets):
    with open("%s/s%d.csv" % (folder, i), "w", encoding=encoding, newline="") as f:
        csv.writer(f).writerows(rows)
    out.append(rows)
print(json.dumps(out, ensure_ascii=False))
)";
    const QJsonArray sheets =
        QJsonDocument::fromJson(python(QString::fromUtf8(script), {m_dir.path()}).toUtf8()).array();
    ASSERT_EQ(sheets.size(), 11);
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        CsvRecords got;
        ASSERT_TRUE(batch::ReadCsvRecords(path(QStringLiteral("s%1.csv").arg(i)), got));
        EXPECT_EQ(got, JsonRecords(sheets[i].toArray())) << "sheet " << i;
    }
}

const char *kPythonCsv = R"(
import sys, csv, json, glob
out = []
for i in range(int(sys.argv[2])):
    with open("%s/%d.csv" % (sys.argv[1], i), encoding="gbk", newline="") as f:
        rows = [[v.replace("\r\n", "\n").replace("\r", "\n") for v in r] for r in csv.reader(f)]
    out.append(rows)
print(json.dumps(out, ensure_ascii=False))
)";

class CsvDifferential : public BatchTest
{
};

TEST_F(CsvDifferential, SameRecordsAsPythonsCsvModule)
{
    QRandomGenerator rng(20261209);
    const int files = 3000;
    std::vector<QString> texts;
    for (int i = 0; i < files; ++i) {
        texts.push_back(RandomCsv(rng));
        QFile f(path(QStringLiteral("%1.csv").arg(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(store::ToGbk(texts.back()));
    }
    const QJsonArray all =
        QJsonDocument::fromJson(python(QString::fromUtf8(kPythonCsv),
                                       {m_dir.path(), QString::number(files)})
                                    .toUtf8())
            .array();
    ASSERT_EQ(all.size(), files);
    int differing = 0;
    for (int i = 0; i < files && differing < 5; ++i) {
        const CsvRecords want = JsonRecords(all[i].toArray());
        batch::CsvRecords got;
        ASSERT_TRUE(batch::ReadCsvRecords(path(QStringLiteral("%1.csv").arg(i)), got));
        if (got != want) {
            ++differing;
            ADD_FAILURE() << "file " << i << ": " << texts[size_t(i)].toStdString();
        }
    }
}

TEST(CsvParser, FuzzEndsWithinItsLength)
{
    QRandomGenerator rng(7);
    const char alphabet[] = {'"', ',', '\r', '\n', 'a', ' ', '\x81', '\xfe', '\xff', '\x80', '\xd6',
                             '\xd0'};
    for (int i = 0; i < 20000; ++i) {
        QByteArray bytes;
        for (int k = rng.bounded(0, 64); k > 0; --k)
            bytes += rng.bounded(4) == 0 ? char(rng.bounded(256))
                                         : alphabet[rng.bounded(int(sizeof alphabet))];
        const QString text = store::FromGbk(bytes);
        qint64 steps = -1;
        const CsvRecords recs = ParseCsv(text, &steps);
        ASSERT_GE(steps, 0);
        ASSERT_LE(steps, text.size());
        ASSERT_LE(qsizetype(recs.size()), text.size());
    }
}

} // namespace
