#include "batch/sheetsource.h"

#include "batch/workbookcore.h"
#include "batch/xlschild.h"

#include "store/reporter.h"
#include "store/vb.h"

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

// ---------------------------------------------------------------------------------------------
// Messages

QString SheetErrorText(int number)
{
    switch (number) {
    case 5:
        return QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！");
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

// Streams one part of the package through the XML reader; each token goes to onToken, which
// returns false to stop early. False when the part is missing or broken.
bool ReadPart(unzFile z, const QString &name,
              const std::function<bool(QXmlStreamReader &)> &onToken)
{
    const QByteArray n = name.toUtf8();
    if (unzLocateFile(z, n.constData(), 0) != UNZ_OK)
        return false;
    if (unzOpenCurrentFile(z) != UNZ_OK)
        return false;
    QXmlStreamReader xml;
    xml.setNamespaceProcessing(false);
    QByteArray chunk(1 << 16, Qt::Uninitialized);
    bool eof = false;
    bool ok = true;
    bool stopped = false;
    while (!stopped) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::Invalid) {
            if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !eof) {
                const int got = unzReadCurrentFile(z, chunk.data(), int(chunk.size()));
                if (got < 0) {
                    ok = false;
                    break;
                }
                if (got == 0)
                    eof = true;
                else
                    xml.addData(QByteArray(chunk.constData(), got));
                continue;
            }
            ok = false;
            break;
        }
        if (t == QXmlStreamReader::EndDocument)
            break;
        if (!onToken(xml))
            stopped = true;
    }
    unzCloseCurrentFile(z);
    return ok;
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
    // Text between tags, entities decoded; only while *wanted (when given) is true.
    std::function<void(const QString &text)> text;
    const bool *wanted = nullptr;
};

QByteArrayView LocalName(QByteArrayView q)
{
    const qsizetype colon = q.lastIndexOf(':');
    return colon >= 0 ? q.sliced(colon + 1) : q;
}

QString DecodeEntities(QByteArrayView raw)
{
    QString s = QString::fromUtf8(raw);
    if (!s.contains(u'&'))
        return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'&') {
            out += s[i];
            continue;
        }
        const qsizetype semi = s.indexOf(u';', i);
        if (semi < 0 || semi - i > 10) {
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
        while (i < n && (attrs[i] == ' ' || attrs[i] == '\t' || attrs[i] == '\r' || attrs[i] == '\n'))
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

bool ScanPart(unzFile z, const QString &name, const TagHandler &h)
{
    const QByteArray n = name.toUtf8();
    if (unzLocateFile(z, n.constData(), 0) != UNZ_OK || unzOpenCurrentFile(z) != UNZ_OK)
        return false;
    QByteArray buf;
    qsizetype pos = 0;
    bool eof = false;
    bool ok = true;
    auto more = [&]() {
        if (eof)
            return false;
        if (pos > 0) {
            buf.remove(0, pos);
            pos = 0;
        }
        const qsizetype old = buf.size();
        buf.resize(old + (1 << 16));
        const int got = unzReadCurrentFile(z, buf.data() + old, 1 << 16);
        buf.resize(old + std::max(got, 0));
        if (got < 0)
            ok = false;
        if (got <= 0)
            eof = true;
        return got > 0;
    };
    bool stop = false;
    while (!stop && ok) {
        const qsizetype lt = buf.indexOf('<', pos);
        if (lt < 0) {
            if (!more())
                break;
            continue;
        }
        if (lt > pos && h.text && (!h.wanted || *h.wanted))
            h.text(DecodeEntities(QByteArrayView(buf).sliced(pos, lt - pos)));
        // The whole tag: to its ">" (comments and CDATA to their own ends).
        QByteArrayView rest = QByteArrayView(buf).sliced(lt);
        const char *closer = rest.startsWith("<!--") ? "-->" : rest.startsWith("<![CDATA[") ? "]]>" : ">";
        const qsizetype gt = buf.indexOf(closer, lt + 1);
        if (gt < 0) {
            pos = lt;
            if (!more()) {
                ok = false; // a tag cut off
                break;
            }
            continue;
        }
        const QByteArrayView tag = QByteArrayView(buf).sliced(lt + 1, gt - lt - 1);
        pos = gt + qsizetype(strlen(closer));
        if (tag.startsWith("![CDATA[")) {
            if (h.text)
                h.text(QString::fromUtf8(tag.sliced(8)));
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
                stop = true;
            else if (empty && h.end)
                h.end(tagName);
        }
    }
    unzCloseCurrentFile(z);
    return ok;
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
    const bool ok = ReadPart(p.zip.z, QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader &x) {
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
    return ok ? kSheetOk : kSheetNotWorkbook;
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

int LoadXlsx(const QString &path, const QString &sheet, qint64 maxRow, int maxCol, SheetData &data)
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
        ReadPart(p.zip.z, QStringLiteral("xl/sharedStrings.xml"), [&](QXmlStreamReader &x) {
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
        });
    }

    // Styles that show a number as a date.
    std::vector<bool> dateStyle;
    {
        QSet<int> customDates;
        bool inCellXfs = false;
        ReadPart(p.zip.z, QStringLiteral("xl/styles.xml"), [&](QXmlStreamReader &x) {
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
    }

    qint64 row = 0;
    qint64 col = 0;
    QByteArray type;
    int style = 0;
    QString value;
    bool inCell = false;
    bool inInline = false;
    bool collect = false; // inside <v> or an inline <t>
    int phonetic = 0;
    auto finishCell = [&] {
        inCell = false;
        if (col < 1 || col > maxCol || (maxRow > 0 && row > maxRow))
            return;
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
            value.clear();
            inCell = true;
            if (empty)
                finishCell();
        } else if (inCell && name == "v" && !empty) {
            value.clear();
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
    h.text = [&](const QString &text) { value += text; };
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
    const bool ok = ScanPart(p.zip.z, part, h);
    return ok ? kSheetOk : kSheetNotWorkbook;
}

bool HasSuffix(const QString &path, QLatin1String suffix)
{
    return path.endsWith(suffix, Qt::CaseInsensitive);
}

} // namespace

int LoadWorkbookSheet(const QString &path, const QString &sheet, qint64 maxRow, int maxCol,
                      SheetData &data, bool *wrongSuffix)
{
    data.Clear();
    if (wrongSuffix)
        *wrongSuffix = false;
    if (HasSuffix(path, QLatin1String(".xls")))
        return LoadXlsSheet(path, sheet, maxRow, maxCol, data);
    if (HasSuffix(path, QLatin1String(".xlsx")))
        return LoadXlsx(path, sheet, maxRow, maxCol, data);
    if (wrongSuffix)
        *wrongSuffix = true;
    return 0;
}

bool ListSheets(const QString &path, QStringList &names)
{
    names.clear();
    if (HasSuffix(path, QLatin1String(".xls"))) {
        return ListXlsSheets(path, names) == kSheetOk;
    }
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
