#include "batch/sheetsource.h"

#include "batch/workbookcore.h"
#include "batch/xlschild.h"

#include "store/db/reporter.h"
#include "store/core/vb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

namespace batch {

// ---------------------------------------------------------------------------------------------
// SheetData

QString SheetData::Cell(qint64 row, qint64 col) const
{
    if (row < 1 || col < 1 || row > qint64(m_rows.size()))
        return QString();
    const QStringList &r = m_rows[size_t(row - 1)];
    return col <= r.size() ? r.at(col - 1) : QString();
}

void SheetData::SetCell(qint64 row, qint64 col, QString text)
{
    if (row < 1 || col < 1 || text.isEmpty())
        return;
    if (qint64(m_rows.size()) < row)
        m_rows.resize(size_t(row));
    QStringList &r = m_rows[size_t(row - 1)];
    while (r.size() < col)
        r.append(QString());
    r[col - 1] = std::move(text);
}

void SheetData::SetRow(qint64 row, QStringList cells)
{
    if (row < 1)
        return;
    if (qint64(m_rows.size()) < row)
        m_rows.resize(size_t(row));
    m_rows[size_t(row - 1)] = std::move(cells);
}

void CsvToSheet(const std::vector<QStringList> &records, SheetData &data)
{
    data.Clear();
    qint64 row = 0;
    for (const QStringList &r : records)
        data.SetRow(++row, r);
}

qint64 XlsxPartLimit(qint64 packedSize)
{
    return std::clamp<qint64>(packedSize * 100, qint64(32) << 20, qint64(512) << 20);
}

// ---------------------------------------------------------------------------------------------
// Messages

QString SheetErrorText(int number)
{
    switch (number) {
    case 5:
        return QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！");
    case 7:
        return QStringLiteral("表格文件解压后过大，可能已损坏，无法导入！");
    case 9:
        return QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！");
    case 438:
        return QStringLiteral("文件类型不对，请选择Excel文档！");
    case 1004:
        return QStringLiteral("输入表格列号超界，请重新输入！");
    case kSheetReaderFailed:
        return QStringLiteral("无法打开XLS文件！");
    default:
        return QStringLiteral("未知错误，错误号：") + QString::number(number) +
               QStringLiteral("　请检查输入值！");
    }
}

void ReportSheetError(int number)
{
    store::ReportMessage(SheetErrorText(number), store::MsgKind::Warning);
}

QString ExcelSerialToText(double serial, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466)
        return store::CStr(serial);
    double day = std::floor(serial);
    qint64 seconds = qint64(std::llround((serial - day) * 86400.0));
    if (seconds >= 86400) {
        day += 1;
        seconds -= 86400;
    }
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    QString date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(qint64(day)).toString(QStringLiteral("yyyy-MM-dd"));
    } else {
        if (day < 1)
            return time; // a time alone
        if (day == 60)
            date = QStringLiteral("1900-02-29"); // the spreadsheet's own leap day
        else
            date = QDate(1899, 12, day < 60 ? 31 : 30)
                       .addDays(qint64(day))
                       .toString(QStringLiteral("yyyy-MM-dd"));
    }
    return seconds ? date + u' ' + time : date;
}

namespace {

// ---------------------------------------------------------------------------------------------
// .xlsx: minizip's unzip half and a streaming XML reader

struct ZipFile
{
    unzFile z = nullptr;
    ~ZipFile()
    {
        if (z)
            unzClose(z);
    }
};

// One part of the package, unzipped piece by piece. The read stops with kSheetTooLarge beyond
// XlsxPartLimit (whatever the part's header claims) and with kSheetCancelled when the progress
// callback says so.
class PartStream
{
public:
    PartStream(unzFile z, const SheetProgress *progress) : m_z(z), m_progress(progress) {}
    ~PartStream()
    {
        if (m_open)
            unzCloseCurrentFile(m_z);
    }
    PartStream(const PartStream &) = delete;
    PartStream &operator=(const PartStream &) = delete;

    // kSheetOk, kPartMissing, kSheetNotWorkbook or kSheetTooLarge.
    int Open(const QString &name)
    {
        const QByteArray n = name.toUtf8();
        if (unzLocateFile(m_z, n.constData(), 0) != UNZ_OK)
            return kPartMissing;
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(m_z, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return kSheetNotWorkbook;
        m_limit = XlsxPartLimit(qint64(info.compressed_size));
        m_declared = qint64(info.uncompressed_size);
        if (m_declared > m_limit)
            return kSheetTooLarge;
        if (unzOpenCurrentFile(m_z) != UNZ_OK)
            return kSheetNotWorkbook;
        m_open = true;
        return kSheetOk;
    }

    // Bytes read into dst (0 at the end); -1 after a failure, whose number Status() gives.
    int Read(char *dst, int size)
    {
        if (m_status != kSheetOk)
            return -1;
        const int got = unzReadCurrentFile(m_z, dst, size);
        if (got < 0) {
            m_status = kSheetNotWorkbook;
            return -1;
        }
        m_total += got;
        if (m_total > m_limit) {
            m_status = kSheetTooLarge;
            return -1;
        }
        if (m_progress && *m_progress && m_total - m_told >= (1 << 20)) {
            m_told = m_total;
            const double f = m_declared > 0 ? std::min(1.0, double(m_total) / m_declared) : 0.0;
            if (!(*m_progress)(f)) {
                m_status = kSheetCancelled;
                return -1;
            }
        }
        return got;
    }

    int Status() const { return m_status; }

    static constexpr int kPartMissing = -1;

private:
    unzFile m_z;
    const SheetProgress *m_progress;
    bool m_open = false;
    qint64 m_limit = 0;
    qint64 m_declared = 0;
    qint64 m_total = 0;
    qint64 m_told = 0;
    int m_status = kSheetOk;
};

constexpr int kChunk = 1 << 16;
constexpr qint64 kMaxSheetRows = 1048576;

// Streams one part of the package through the XML reader; each token goes to onToken, which
// returns false to stop early. kSheetOk, PartStream::kPartMissing, or the failure's number
// (kSheetNotWorkbook for a broken part).
int ReadPart(unzFile z, const QString &name, const std::function<bool(QXmlStreamReader &)> &onToken,
             const SheetProgress *progress = nullptr)
{
    PartStream in(z, progress);
    if (const int e = in.Open(name))
        return e;
    QXmlStreamReader xml;
    xml.setNamespaceProcessing(false);
    QByteArray chunk(kChunk, Qt::Uninitialized);
    bool eof = false;
    while (true) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::Invalid) {
            if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !eof) {
                const int got = in.Read(chunk.data(), int(chunk.size()));
                if (got < 0)
                    return in.Status();
                if (got == 0)
                    eof = true;
                else
                    xml.addData(QByteArray(chunk.constData(), got));
                continue;
            }
            return kSheetNotWorkbook;
        }
        if (t == QXmlStreamReader::EndDocument || !onToken(xml))
            return kSheetOk;
    }
}

// A fast reader of the worksheet part, which holds every cell: tags and the text between them,
// straight from the UTF-8 bytes (the general XML reader takes seconds over a sheet of 100,000
// rows). Names lose their namespace prefix; comments, processing instructions and the document
// type are skipped; CDATA is text.
struct TagHandler
{
    // An opening tag (empty: it closes itself); false stops the scan.
    std::function<bool(QByteArrayView name, QByteArrayView attrs, bool empty)> start;
    std::function<void(QByteArrayView name)> end;
    // Text between tags as it stands in the part (entities not decoded, a run possibly in
    // several pieces); only while *wanted (when given) is true.
    std::function<void(QByteArrayView raw)> text;
    const bool *wanted = nullptr;
};

QByteArrayView LocalName(QByteArrayView q)
{
    const qsizetype colon = q.lastIndexOf(':');
    return colon >= 0 ? q.sliced(colon + 1) : q;
}

QString DecodeEntities(QByteArrayView raw)
{
    const QString s = QString::fromUtf8(raw);
    if (!s.contains(u'&'))
        return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'&') {
            out += s[i];
            continue;
        }
        // An entity is short and holds no "&": its ";" is looked for only nearby, so that a run
        // of "&" costs no more than its length.
        qsizetype semi = -1;
        for (qsizetype k = i + 1; k < s.size() && k <= i + 11; ++k) {
            if (s[k] == u';')
                semi = k;
            if (s[k] == u';' || s[k] == u'&')
                break;
        }
        if (semi < 0) {
            out += s[i];
            continue;
        }
        const QStringView ent = QStringView(s).sliced(i + 1, semi - i - 1);
        if (ent == u"amp")
            out += u'&';
        else if (ent == u"lt")
            out += u'<';
        else if (ent == u"gt")
            out += u'>';
        else if (ent == u"quot")
            out += u'"';
        else if (ent == u"apos")
            out += u'\'';
        else if (ent.startsWith(u'#')) {
            bool okCode = false;
            const uint code = ent.startsWith(u"#x") ? ent.sliced(2).toUInt(&okCode, 16)
                                                    : ent.sliced(1).toUInt(&okCode, 10);
            if (!okCode)
                continue;
            if (code > 0xFFFF) {
                const char32_t c32 = char32_t(code);
                out += QString::fromUcs4(&c32, 1);
            } else {
                out += QChar(char16_t(code));
            }
        } else {
            out += QStringView(s).sliced(i, semi - i + 1);
        }
        i = semi;
    }
    return out;
}

// The value of the attribute (by its local name) in the text of a tag, entities left as they are
// (the sheet's attributes never need them).
QByteArrayView AttrOf(QByteArrayView attrs, QByteArrayView name)
{
    qsizetype i = 0;
    const qsizetype n = attrs.size();
    while (i < n) {
        while (i < n &&
               (attrs[i] == ' ' || attrs[i] == '\t' || attrs[i] == '\r' || attrs[i] == '\n'))
            ++i;
        const qsizetype nameStart = i;
        while (i < n && attrs[i] != '=' && attrs[i] != ' ')
            ++i;
        const QByteArrayView attrName = LocalName(attrs.sliced(nameStart, i - nameStart));
        while (i < n && attrs[i] != '"' && attrs[i] != '\'')
            ++i;
        if (i >= n)
            break;
        const char quote = attrs[i];
        const qsizetype valueStart = ++i;
        while (i < n && attrs[i] != quote)
            ++i;
        if (attrName == name)
            return attrs.sliced(valueStart, i - valueStart);
        ++i;
    }
    return {};
}

// Markup longer than this is no sheet's (a tag's attributes, a comment): the part is broken.
constexpr qsizetype kMaxMarkup = 16 << 20;

// One pass over the part: every byte is looked at a bounded number of times, however the text
// and the tags are cut into the pieces that come out of the unzipping.
int ScanPart(unzFile z, const QString &name, const TagHandler &h, const SheetProgress *progress)
{
    PartStream in(z, progress);
    if (const int e = in.Open(name))
        return e == PartStream::kPartMissing ? kSheetNotWorkbook : e;
    QByteArray buf;
    qsizetype pos = 0;  // what is before it is done with
    qsizetype scan = 0; // where the search for the end of the text or markup at pos goes on
    bool eof = false;
    auto more = [&]() {
        if (eof)
            return false;
        // Done bytes go once they are half the buffer, so each byte moves a bounded number of
        // times.
        if (pos > 0 && pos >= buf.size() / 2) {
            buf.remove(0, pos);
            scan -= pos;
            pos = 0;
        }
        const qsizetype old = buf.size();
        buf.resize(old + kChunk);
        const int got = in.Read(buf.data() + old, kChunk);
        buf.resize(old + std::max(got, 0));
        if (got <= 0)
            eof = true;
        return got > 0;
    };
    auto wanted = [&] { return h.text && (!h.wanted || *h.wanted); };
    while (true) {
        if (pos >= buf.size()) {
            if (!more())
                break;
            scan = pos;
            continue;
        }
        if (buf[pos] != '<') {
            // Text: handed on (or dropped) up to the next "<" or the end of what is read.
            const qsizetype lt = buf.indexOf('<', std::max(scan, pos));
            const qsizetype stop = lt < 0 ? buf.size() : lt;
            if (wanted())
                h.text(QByteArrayView(buf).sliced(pos, stop - pos));
            pos = scan = stop;
            continue;
        }
        // Markup: a tag to its ">", a comment and CDATA to their own ends.
        if (buf.size() - pos < 9 && !eof) {
            more();
            continue;
        }
        const QByteArrayView rest = QByteArrayView(buf).sliced(pos);
        const char *closer = rest.startsWith("<!--")        ? "-->"
                             : rest.startsWith("<![CDATA[") ? "]]>"
                                                            : ">";
        const qsizetype closerLen = qsizetype(strlen(closer));
        const qsizetype gt = buf.indexOf(closer, std::max(scan, pos + 1));
        if (gt < 0) {
            if (buf.size() - pos > kMaxMarkup)
                return kSheetNotWorkbook;
            scan = std::max(pos + 1, buf.size() - closerLen + 1);
            if (!more())
                return in.Status() != kSheetOk ? in.Status() : kSheetNotWorkbook; // cut off
            continue;
        }
        const QByteArrayView tag = QByteArrayView(buf).sliced(pos + 1, gt - pos - 1);
        pos = scan = gt + closerLen;
        if (tag.startsWith("![CDATA[")) {
            if (wanted()) {
                // As text of the part would stand, so that decoding gives it back unchanged.
                QByteArray escaped = tag.sliced(8).toByteArray();
                escaped.replace('&', "&amp;").replace('<', "&lt;");
                h.text(escaped);
            }
        } else if (tag.startsWith('/')) {
            if (h.end)
                h.end(LocalName(tag.sliced(1).trimmed()));
        } else if (!tag.startsWith('?') && !tag.startsWith('!')) {
            const bool empty = tag.endsWith('/');
            const QByteArrayView body = empty ? tag.chopped(1) : tag;
            qsizetype sp = 0;
            while (sp < body.size() && body[sp] != ' ' && body[sp] != '\t' && body[sp] != '\r' &&
                   body[sp] != '\n')
                ++sp;
            const QByteArrayView tagName = LocalName(body.first(sp));
            if (h.start && !h.start(tagName, body.sliced(sp), empty))
                return in.Status();
            if (empty && h.end)
                h.end(tagName);
        }
    }
    return in.Status();
}

QString Attr(const QXmlStreamReader &xml, QLatin1String name)
{
    for (const QXmlStreamAttribute &a : xml.attributes())
        if (a.name() == name)
            return a.value().toString();
    return QString();
}

// Excel's escapes of characters XML cannot hold: "_x000D_" is a CR.
QString DecodeEscapes(const QString &s)
{
    if (!s.contains(QLatin1String("_x")))
        return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'_' && i + 6 < s.size() && s[i + 1] == u'x' && s[i + 6] == u'_') {
            bool ok = false;
            const uint code = QStringView(s).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// "A1" -> column 1; 0 when it holds no letters.
qint64 RefColumn(QStringView ref)
{
    qint64 col = 0;
    for (QChar ch : ref) {
        const char16_t c = ch.toUpper().unicode();
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c - u'A' + 1);
        if (col > 1000000)
            return 0;
    }
    return col;
}

qint64 RefRow(QStringView ref)
{
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter())
        ++i;
    bool ok = false;
    const qint64 r = ref.mid(i).toLongLong(&ok);
    return ok ? r : 0;
}

struct Package
{
    ZipFile zip;
    QStringList sheetNames;
    QStringList sheetRids;
    bool date1904 = false;
};

int OpenPackage(const QString &path, Package &p)
{
    if (!QFileInfo(path).isFile())
        return kSheetCannotOpen;
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly))
        return kSheetCannotOpen;
    probe.close();
    p.zip.z = unzOpen64(QFile::encodeName(path).constData());
    if (!p.zip.z)
        return kSheetNotWorkbook;
    const int e = ReadPart(p.zip.z, QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader &x) {
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("sheet")) {
                p.sheetNames << Attr(x, QLatin1String("name"));
                p.sheetRids << Attr(x, QLatin1String("id"));
            } else if (x.name() == QLatin1String("workbookPr")) {
                const QString d = Attr(x, QLatin1String("date1904"));
                p.date1904 = d == QLatin1String("1") || d == QLatin1String("true");
            }
        }
        return true;
    });
    if (e == kSheetTooLarge)
        return e;
    return e == kSheetOk ? kSheetOk : kSheetNotWorkbook;
}

QString SheetPartOf(Package &p, const QString &rid)
{
    QString target;
    ReadPart(p.zip.z, QStringLiteral("xl/_rels/workbook.xml.rels"), [&](QXmlStreamReader &x) {
        if (x.isStartElement() && x.name() == QLatin1String("Relationship") &&
            Attr(x, QLatin1String("Id")) == rid) {
            target = Attr(x, QLatin1String("Target"));
            return false;
        }
        return true;
    });
    if (target.isEmpty())
        return QString();
    // Excel and libxlsxwriter write the target relative to xl/, openpyxl from the package root.
    const QString full = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
    return QDir::cleanPath(full);
}

int LoadXlsx(const QString &path, const QString &sheet, qint64 maxRow, int maxCol, SheetData &data,
             const SheetProgress &progress)
{
    Package p;
    if (const int e = OpenPackage(path, p))
        return e;
    const int index = FindSheet(p.sheetNames, sheet);
    if (index < 0)
        return kSheetNoSuchSheet;
    const QString part = SheetPartOf(p, p.sheetRids.value(index));
    if (part.isEmpty())
        return kSheetNoSuchSheet;

    // Shared strings: one <t>, or rich-text runs; phonetic runs are no part of the value.
    QStringList shared;
    {
        QString current;
        bool inSi = false;
        bool inT = false;
        int phonetic = 0;
        const int e = ReadPart(
            p.zip.z, QStringLiteral("xl/sharedStrings.xml"),
            [&](QXmlStreamReader &x) {
                if (x.isStartElement()) {
                    if (x.name() == QLatin1String("si")) {
                        inSi = true;
                        current.clear();
                    } else if (x.name() == QLatin1String("rPh")) {
                        ++phonetic;
                    } else if (x.name() == QLatin1String("t")) {
                        inT = inSi && phonetic == 0;
                    }
                } else if (x.isCharacters()) {
                    if (inT)
                        current += x.text();
                } else if (x.isEndElement()) {
                    if (x.name() == QLatin1String("si")) {
                        shared << DecodeEscapes(current);
                        inSi = false;
                    } else if (x.name() == QLatin1String("rPh")) {
                        --phonetic;
                    } else if (x.name() == QLatin1String("t")) {
                        inT = false;
                    }
                }
                return true;
            },
            &progress);
        // A missing or broken list leaves those cells empty; one that is too large or was
        // stopped ends the reading.
        if (e == kSheetTooLarge || e == kSheetCancelled)
            return e;
    }

    // Styles that show a number as a date.
    std::vector<bool> dateStyle;
    {
        QSet<int> customDates;
        bool inCellXfs = false;
        const int e = ReadPart(p.zip.z, QStringLiteral("xl/styles.xml"), [&](QXmlStreamReader &x) {
            if (x.isStartElement()) {
                if (x.name() == QLatin1String("numFmt")) {
                    if (IsDateFormatCode(Attr(x, QLatin1String("formatCode"))))
                        customDates.insert(Attr(x, QLatin1String("numFmtId")).toInt());
                } else if (x.name() == QLatin1String("cellXfs")) {
                    inCellXfs = true;
                } else if (inCellXfs && x.name() == QLatin1String("xf")) {
                    const int id = Attr(x, QLatin1String("numFmtId")).toInt();
                    dateStyle.push_back(IsBuiltinDateFormat(id) || customDates.contains(id));
                }
            } else if (x.isEndElement() && x.name() == QLatin1String("cellXfs")) {
                inCellXfs = false;
            }
            return true;
        });
        if (e == kSheetTooLarge)
            return e;
    }

    qint64 row = 0;
    qint64 col = 0;
    QByteArray type;
    int style = 0;
    QByteArray raw; // the cell's value as it stands in the part
    bool inCell = false;
    bool formula = false; // the cell has a formula
    bool inInline = false;
    bool collect = false; // inside <v> or an inline <t>
    int phonetic = 0;
    auto finishCell = [&] {
        inCell = false;
        // Beyond the last row a sheet can have is no cell of it.
        if (col < 1 || col > maxCol || (maxRow > 0 && row > maxRow) || row > kMaxSheetRows)
            return;
        const QString value = DecodeEntities(raw);
        // A formula without its value (openpyxl writes none); a text result, even an empty
        // one, is typed "str" by the programs that compute it.
        if (formula && value.isEmpty() && type != "str" && type != "inlineStr") {
            data.AddMissingResult(row, col);
            return;
        }
        QString text;
        if (type == "s") {
            bool okIndex = false;
            const int i = value.toInt(&okIndex);
            text = okIndex ? shared.value(i) : QString();
        } else if (type == "inlineStr" || type == "str") {
            text = DecodeEscapes(value);
        } else if (type == "b") {
            if (!value.isEmpty())
                text = value.trimmed() == QLatin1String("1") ? QStringLiteral("True")
                                                             : QStringLiteral("False");
        } else if (type == "e") {
            text = value;
        } else if (!value.isEmpty()) {
            bool okNum = false;
            const double d = value.toDouble(&okNum);
            if (!okNum)
                text = value;
            else if (style >= 0 && size_t(style) < dateStyle.size() && dateStyle[size_t(style)])
                text = ExcelSerialToText(d, p.date1904);
            else
                text = store::CStr(d);
        }
        data.SetCell(row, col, std::move(text));
    };
    TagHandler h;
    h.start = [&](QByteArrayView name, QByteArrayView attrs, bool empty) {
        if (name == "row") {
            const QByteArrayView r = AttrOf(attrs, "r");
            row = r.isEmpty() ? row + 1 : r.toLongLong();
            col = 0;
            if (maxRow > 0 && row > maxRow)
                return false;
        } else if (name == "c") {
            const QByteArrayView r = AttrOf(attrs, "r");
            if (r.isEmpty()) {
                ++col;
            } else {
                const QString ref = QString::fromLatin1(r);
                col = RefColumn(ref);
                const qint64 rr = RefRow(ref);
                if (rr > 0)
                    row = rr;
            }
            type = AttrOf(attrs, "t").toByteArray();
            style = AttrOf(attrs, "s").toInt();
            raw.clear();
            inCell = true;
            formula = false;
            if (empty)
                finishCell();
        } else if (inCell && name == "f") {
            formula = true;
        } else if (inCell && name == "v" && !empty) {
            raw.clear();
            collect = true;
        } else if (inCell && name == "is" && !empty) {
            inInline = true;
        } else if (inInline && name == "rPh" && !empty) {
            ++phonetic;
        } else if (inInline && name == "t" && !empty) {
            collect = phonetic == 0;
        }
        return true;
    };
    h.text = [&](QByteArrayView piece) { raw += piece; };
    h.wanted = &collect;
    h.end = [&](QByteArrayView name) {
        if (name == "v" || name == "t")
            collect = false;
        else if (name == "rPh")
            --phonetic;
        else if (name == "is")
            inInline = false;
        else if (name == "c" && inCell)
            finishCell();
    };
    return ScanPart(p.zip.z, part, h, &progress);
}

bool HasSuffix(const QString &path, QLatin1String suffix)
{
    return path.endsWith(suffix, Qt::CaseInsensitive);
}

} // namespace

int LoadWorkbookSheet(const QString &path, const QString &sheet, qint64 maxRow, int maxCol,
                      SheetData &data, bool *wrongSuffix, const SheetProgress &progress)
{
    data.Clear();
    if (wrongSuffix)
        *wrongSuffix = false;
    if (HasSuffix(path, QLatin1String(".xls")))
        return LoadXlsSheet(path, sheet, maxRow, maxCol, data);
    if (HasSuffix(path, QLatin1String(".xlsx")))
        return LoadXlsx(path, sheet, maxRow, maxCol, data, progress);
    if (wrongSuffix)
        *wrongSuffix = true;
    return 0;
}

bool ListSheets(const QString &path, QStringList &names)
{
    names.clear();
    if (HasSuffix(path, QLatin1String(".xls")))
        return ListXlsSheets(path, names) == kSheetOk;
    if (HasSuffix(path, QLatin1String(".xlsx"))) {
        Package p;
        if (OpenPackage(path, p) != kSheetOk)
            return false;
        names = p.sheetNames;
        return true;
    }
    return false;
}

} // namespace batch
