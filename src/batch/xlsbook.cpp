#include "batch/xlsbook.h"

#include "batch/workbookcore.h"

#include <QFileInfo>
#include <QHash>
#include <QtEndian>

#include <freexl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <cstring>

namespace batch {

namespace {

// ---------------------------------------------------------------------------------------------
// FreeXL

struct FreeXlHandle
{
    const void *h = nullptr;
    ~FreeXlHandle()
    {
        if (h)
            freexl_close(h);
    }
};

int OpenXls(const QByteArray &path, bool infoOnly, FreeXlHandle &xls)
{
    if (!QFileInfo(QFile::decodeName(path)).isFile())
        return kSheetCannotOpen;
    const int rc = infoOnly ? freexl_open_info(path.constData(), &xls.h)
                            : freexl_open(path.constData(), &xls.h);
    if (rc != FREEXL_OK)
        return rc == FREEXL_FILE_NOT_FOUND || rc == FREEXL_INSUFFICIENT_MEMORY ? kSheetCannotOpen
                                                                               : kSheetNotWorkbook;
    unsigned int password = 0;
    if (freexl_get_info(xls.h, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED)
        return kSheetCannotOpen;
    return kSheetOk;
}

QStringList SheetNames(const FreeXlHandle &xls)
{
    QStringList names;
    unsigned int count = 0;
    if (freexl_get_info(xls.h, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return names;
    for (unsigned int i = 0; i < count && i < 65535; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(xls.h, (unsigned short)i, &name) != FREEXL_OK || !name)
            names << QString();
        else
            names << QString::fromUtf8(name);
    }
    return names;
}

// ---------------------------------------------------------------------------------------------
// The BIFF8 workbook stream, for what FreeXL leaves out

// The stream named "Workbook" (any case) of the compound file; empty when there is none.
QByteArray WorkbookStream(const QByteArray &path)
{
    static const bool initialised = (gsf_init(), true);
    (void)initialised;
    QByteArray out;
    GError *err = nullptr;
    GsfInput *input = gsf_input_stdio_new(path.constData(), &err);
    g_clear_error(&err);
    if (!input)
        return out;
    GsfInfile *ole = gsf_infile_msole_new(input, &err);
    g_clear_error(&err);
    g_object_unref(input);
    if (!ole)
        return out;
    GsfInput *stream = nullptr;
    const int n = gsf_infile_num_children(ole);
    for (int i = 0; i < n && !stream; ++i) {
        const char *name = gsf_infile_name_by_index(ole, i);
        if (name && g_ascii_strcasecmp(name, "Workbook") == 0)
            stream = gsf_infile_child_by_index(ole, i);
    }
    if (stream) {
        const gsf_off_t size = gsf_input_size(stream);
        if (size > 0 && size < (gsf_off_t(1) << 30)) {
            out.resize(qsizetype(size));
            if (!gsf_input_read(stream, size_t(size), reinterpret_cast<guint8 *>(out.data())))
                out.clear();
        }
        g_object_unref(stream);
    }
    g_object_unref(ole);
    return out;
}

enum : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kBoundSheet = 0x0085,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kDateMode = 0x0022,
    kFormula = 0x0006,
    kString = 0x0207,
    kBoolErr = 0x0205,
    kContinue = 0x003C,
};

struct Record
{
    quint16 type = 0;
    QByteArrayView data;
    qsizetype next = 0; // where the following record starts
};

// The record at pos; false past the end or when it runs beyond it.
bool RecordAt(const QByteArray &s, qsizetype pos, Record &r)
{
    if (pos < 0 || s.size() - pos < 4)
        return false;
    const char *p = s.constData() + pos;
    r.type = qFromLittleEndian<quint16>(p);
    const quint16 len = qFromLittleEndian<quint16>(p + 2);
    if (s.size() - pos - 4 < len)
        return false;
    r.data = QByteArrayView(p + 4, len);
    r.next = pos + 4 + len;
    return true;
}

quint16 U16(QByteArrayView d, qsizetype at)
{
    return d.size() >= at + 2 ? qFromLittleEndian<quint16>(d.data() + at) : 0;
}

// count characters from d at pos, one byte each (Latin-1) or two (UTF-16) by the flags byte's
// lowest bit; appended to out. Returns how many were there.
qsizetype TakeChars(QByteArrayView d, qsizetype pos, bool wide, qsizetype count, QString &out)
{
    const qsizetype avail = std::max<qsizetype>(0, d.size() - pos) / (wide ? 2 : 1);
    const qsizetype n = std::min(count, avail);
    if (wide) {
        for (qsizetype i = 0; i < n; ++i)
            out += QChar(qFromLittleEndian<quint16>(d.data() + pos + 2 * i));
    } else {
        out += QString::fromLatin1(d.data() + pos, n);
    }
    return n;
}

// A string of count characters whose flags byte is at d[pos]; the characters may go on in the
// CONTINUE records after the record that ends at next, each starting with a flags byte.
QString ReadString(const QByteArray &stream, QByteArrayView d, qsizetype pos, qsizetype count,
                   qsizetype next)
{
    QString out;
    if (d.size() <= pos)
        return out;
    count -= TakeChars(d, pos + 1, d[pos] & 1, count, out);
    Record c;
    while (count > 0 && RecordAt(stream, next, c) && c.type == kContinue && !c.data.isEmpty()) {
        count -= TakeChars(c.data, 1, c.data[0] & 1, count, out);
        next = c.next;
    }
    return out;
}

QString ErrorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#N/A");
    }
}

struct Globals
{
    std::vector<bool> dateXf; // by XF index
    bool date1904 = false;
    QHash<QString, quint32> sheetAt; // sheet name -> its BOF in the stream
};

bool ReadGlobals(const QByteArray &s, Globals &g)
{
    Record r;
    if (!RecordAt(s, 0, r) || r.type != kBof || U16(r.data, 0) != 0x0600 || U16(r.data, 2) != 5)
        return false;
    QHash<int, bool> customDate;
    std::vector<int> xfFormat;
    qsizetype pos = r.next;
    while (RecordAt(s, pos, r) && r.type != kEof) {
        const QByteArrayView d = r.data;
        switch (r.type) {
        case kFormat:
            if (d.size() >= 5)
                customDate.insert(U16(d, 0),
                                  IsDateFormatCode(ReadString(s, d, 4, U16(d, 2), r.next)));
            break;
        case kXf:
            xfFormat.push_back(U16(d, 2));
            break;
        case kDateMode:
            g.date1904 = U16(d, 0) == 1;
            break;
        case kBoundSheet:
            if (d.size() >= 8) {
                const QString name = ReadString(s, d, 7, quint8(d[6]), r.next);
                if (!g.sheetAt.contains(name))
                    g.sheetAt.insert(name, qFromLittleEndian<quint32>(d.data()));
            }
            break;
        default:
            break;
        }
        pos = r.next;
    }
    for (int id : xfFormat)
        g.dateXf.push_back(IsBuiltinDateFormat(id) || customDate.value(id, false));
    return true;
}

quint64 Key(quint32 row, quint32 col)
{
    return (quint64(row) << 32) | col;
}

// Formula results and Boolean and error constants of the worksheet whose BOF is at start, for
// rows 1..maxRow (all when <= 0) and columns 1..maxCol.
void ReadResults(const QByteArray &s, const Globals &g, qsizetype start, qint64 maxRow, int maxCol,
                 QHash<quint64, XlsCell> &out)
{
    Record r;
    if (!RecordAt(s, start, r) || r.type != kBof || U16(r.data, 2) != 0x0010)
        return;
    int depth = 1;       // embedded charts bring BOF..EOF of their own
    quint64 pending = 0; // the formula cell whose text comes in the next STRING record
    bool hasPending = false;
    bool anyResult = false; // a formula with a result of its own
    qsizetype pos = r.next;
    while (depth > 0 && RecordAt(s, pos, r)) {
        pos = r.next;
        const QByteArrayView d = r.data;
        if (r.type == kBof) {
            ++depth;
            continue;
        }
        if (r.type == kEof) {
            --depth;
            continue;
        }
        if (depth != 1)
            continue;
        if (r.type == kString) {
            if (hasPending && d.size() >= 3) {
                XlsCell &c = out[pending];
                c.text = ReadString(s, d, 2, U16(d, 0), r.next);
            }
            hasPending = false;
            continue;
        }
        if ((r.type != kFormula || d.size() < 20) && (r.type != kBoolErr || d.size() < 8))
            continue;
        hasPending = false;
        XlsCell c;
        c.row = quint32(U16(d, 0)) + 1;
        c.col = quint32(U16(d, 2)) + 1;
        if ((maxRow > 0 && c.row > maxRow) || c.col > quint32(maxCol))
            continue;
        const quint16 xf = U16(d, 4);
        const quint8 *v = reinterpret_cast<const quint8 *>(d.data() + 6);
        if (r.type == kBoolErr) {
            if (v[1] == 0) {
                c.kind = XlsCell::Boolean;
                c.number = v[0] ? 1 : 0;
            } else {
                c.text = ErrorText(v[0]);
            }
        } else if (v[6] == 0xFF && v[7] == 0xFF) {
            switch (v[0]) {
            case 0: // a text, in the STRING record
                pending = Key(c.row, c.col);
                hasPending = true;
                break;
            case 1:
                c.kind = XlsCell::Boolean;
                c.number = v[2] ? 1 : 0;
                break;
            case 2:
                c.text = ErrorText(v[2]);
                break;
            default: // an empty text, or no result at all (see below)
                c.kind = XlsCell::NoResult;
                break;
            }
        } else {
            std::memcpy(&c.number, v, 8);
            c.number = qFromLittleEndian(c.number);
            c.kind = xf < g.dateXf.size() && g.dateXf[xf] ? XlsCell::Date : XlsCell::Number;
        }
        anyResult |= r.type == kFormula && c.kind != XlsCell::NoResult;
        out.insert(Key(c.row, c.col), c);
    }
    // A writer that computes nothing (python's xlwt) marks every formula's result as an empty
    // text; a spreadsheet program saves real results, so where any formula of the sheet has
    // one, an empty text is the formula's true result.
    if (anyResult)
        for (XlsCell &c : out)
            if (c.kind == XlsCell::NoResult)
                c.kind = XlsCell::Text;
}

// The results of the sheet of that name; none for a file that is not BIFF8.
QHash<quint64, XlsCell> FormulaResults(const QByteArray &path, const QString &sheet, qint64 maxRow,
                                       int maxCol, bool &date1904)
{
    QHash<quint64, XlsCell> out;
    const QByteArray s = WorkbookStream(path);
    Globals g;
    if (s.isEmpty() || !ReadGlobals(s, g))
        return out;
    date1904 = g.date1904;
    const auto it = g.sheetAt.constFind(sheet);
    if (it != g.sheetAt.constEnd())
        ReadResults(s, g, qsizetype(*it), maxRow, maxCol, out);
    return out;
}

} // namespace

int XlsBookSheets(const QByteArray &path, QStringList &names)
{
    names.clear();
    FreeXlHandle xls;
    if (const int e = OpenXls(path, true, xls))
        return e;
    names = SheetNames(xls);
    return kSheetOk;
}

int XlsBookCells(const QByteArray &path, const QString &sheet, qint64 maxRow, int maxCol,
                 XlsCells &out)
{
    out = XlsCells();
    FreeXlHandle xls;
    if (const int e = OpenXls(path, false, xls))
        return e;
    const QStringList names = SheetNames(xls);
    const int index = FindSheet(names, sheet);
    if (index < 0 || freexl_select_active_worksheet(xls.h, (unsigned short)index) != FREEXL_OK)
        return kSheetNoSuchSheet;
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(xls.h, &rows, &cols) != FREEXL_OK)
        return kSheetNotWorkbook;
    unsigned int biff = 0;
    freexl_get_info(xls.h, FREEXL_BIFF_DATEMODE, &biff);
    out.date1904 = biff == FREEXL_BIFF_DATEMODE_1904;
    QHash<quint64, XlsCell> results =
        FormulaResults(path, names.at(index), maxRow, maxCol, out.date1904);

    const qint64 lastRow = maxRow > 0 ? std::min<qint64>(rows, maxRow) : qint64(rows);
    const int lastCol = std::min<int>(cols, maxCol);
    for (qint64 r = 0; r < lastRow; ++r) {
        for (int c = 0; c < lastCol; ++c) {
            XlsCell cell;
            cell.row = quint32(r + 1);
            cell.col = quint32(c + 1);
            if (!results.isEmpty()) {
                const auto it = results.find(Key(cell.row, cell.col));
                if (it != results.end()) {
                    out.cells.push_back(std::move(*it));
                    results.erase(it);
                    continue;
                }
            }
            FreeXL_CellValue v;
            if (freexl_get_cell_value(xls.h, (unsigned int)r, (unsigned short)c, &v) != FREEXL_OK)
                continue;
            switch (v.type) {
            case FREEXL_CELL_INT:
                cell.kind = XlsCell::Number;
                cell.number = v.value.int_value;
                break;
            case FREEXL_CELL_DOUBLE:
                cell.kind = XlsCell::Number;
                cell.number = v.value.double_value;
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                cell.text = QString::fromUtf8(v.value.text_value);
                if (cell.text.isEmpty())
                    continue;
                break;
            default:
                continue;
            }
            out.cells.push_back(std::move(cell));
        }
    }
    // Results beyond the dimensions FreeXL took from the sheet.
    for (XlsCell &c : results)
        out.cells.push_back(std::move(c));
    return kSheetOk;
}

} // namespace batch
