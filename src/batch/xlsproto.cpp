#include "batch/xlsproto.h"

#include <QtEndian>

#include <cstring>

namespace batch {

namespace {

constexpr char kMagic[] = "QVXL";
constexpr char kEnd[] = "END!";
constexpr char kVersion = 1;

void PutU32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void PutText(QByteArray &out, const QString &text)
{
    const QByteArray u = text.toUtf8();
    PutU32(out, quint32(u.size()));
    out.append(u);
}

QByteArray Header(char kind, bool date1904, int status, size_t count)
{
    QByteArray out(kMagic, 4);
    out.append(kVersion);
    out.append(kind);
    out.append(char(date1904 ? 1 : 0));
    out.append('\0');
    PutU32(out, quint32(status));
    PutU32(out, quint32(count));
    return out;
}

// Reads the answer front to back; every read fails once anything is short.
class Reader
{
public:
    explicit Reader(const QByteArray &b) : m_b(b) {}

    bool Bytes(qsizetype n, const char *&p)
    {
        if (n < 0 || m_b.size() - m_pos < n)
            return false;
        p = m_b.constData() + m_pos;
        m_pos += n;
        return true;
    }
    bool U8(quint8 &v)
    {
        const char *p;
        if (!Bytes(1, p))
            return false;
        v = quint8(*p);
        return true;
    }
    bool U32(quint32 &v)
    {
        const char *p;
        if (!Bytes(4, p))
            return false;
        v = qFromLittleEndian<quint32>(p);
        return true;
    }
    bool Double(double &v)
    {
        const char *p;
        if (!Bytes(8, p))
            return false;
        const quint64 bits = qFromLittleEndian<quint64>(p);
        std::memcpy(&v, &bits, 8);
        return true;
    }
    bool Text(QString &s)
    {
        quint32 n = 0;
        const char *p;
        if (!U32(n) || !Bytes(qsizetype(n), p))
            return false;
        s = QString::fromUtf8(p, qsizetype(n));
        return true;
    }
    qsizetype Left() const { return m_b.size() - m_pos; }

private:
    const QByteArray &m_b;
    qsizetype m_pos = 0;
};

bool KnownStatus(quint32 s)
{
    return s == 0 || s == 5 || s == 9 || s == 438;
}

// The header of an answer of that kind; count is checked against the bytes left, each entry
// taking at least minEntry of them.
bool ReadHeader(Reader &r, char kind, qsizetype minEntry, bool &date1904, int &status,
                quint32 &count)
{
    const char *p;
    quint32 s = 0;
    if (!r.Bytes(8, p) || std::memcmp(p, kMagic, 4) != 0 || p[4] != kVersion || p[5] != kind ||
        (p[6] != 0 && p[6] != 1) || p[7] != 0)
        return false;
    date1904 = p[6] == 1;
    if (!r.U32(s) || !KnownStatus(s) || !r.U32(count))
        return false;
    status = int(s);
    return qsizetype(count) <= (r.Left() - 4) / minEntry && (s == 0 || count == 0);
}

bool ReadEnd(Reader &r)
{
    const char *p;
    return r.Bytes(4, p) && std::memcmp(p, kEnd, 4) == 0 && r.Left() == 0;
}

} // namespace

QByteArray EncodeXlsSheetNames(int status, const QStringList &names)
{
    QByteArray out = Header('S', false, status, status == 0 ? size_t(names.size()) : 0);
    if (status == 0)
        for (const QString &n : names)
            PutText(out, n);
    out.append(kEnd, 4);
    return out;
}

QByteArray EncodeXlsCells(int status, const XlsCells &cells)
{
    QByteArray out = Header('C', cells.date1904, status, status == 0 ? cells.cells.size() : 0);
    if (status == 0) {
        for (const XlsCell &c : cells.cells) {
            PutU32(out, c.row);
            PutU32(out, c.col);
            out.append(char(c.kind));
            switch (c.kind) {
            case XlsCell::Text:
                PutText(out, c.text);
                break;
            case XlsCell::Number:
            case XlsCell::Date: {
                quint64 bits;
                std::memcpy(&bits, &c.number, 8);
                char b[8];
                qToLittleEndian(bits, b);
                out.append(b, 8);
                break;
            }
            case XlsCell::Boolean:
                out.append(char(c.number != 0 ? 1 : 0));
                break;
            case XlsCell::NoResult:
                break;
            }
        }
    }
    out.append(kEnd, 4);
    return out;
}

bool DecodeXlsSheetNames(const QByteArray &bytes, int &status, QStringList &names)
{
    Reader r(bytes);
    bool date1904 = false;
    quint32 count = 0;
    names.clear();
    if (!ReadHeader(r, 'S', 4, date1904, status, count))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        QString n;
        if (!r.Text(n))
            return false;
        names << n;
    }
    return ReadEnd(r);
}

bool DecodeXlsCells(const QByteArray &bytes, qint64 maxRow, int maxCol, int &status,
                    XlsCells &cells)
{
    Reader r(bytes);
    quint32 count = 0;
    cells = XlsCells();
    if (!ReadHeader(r, 'C', 10, cells.date1904, status, count))
        return false;
    cells.cells.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        XlsCell c;
        quint8 kind = 0;
        if (!r.U32(c.row) || !r.U32(c.col) || !r.U8(kind))
            return false;
        if (c.row < 1 || (maxRow > 0 && c.row > maxRow) || c.col < 1 || c.col > quint32(maxCol))
            return false;
        c.kind = XlsCell::Kind(kind);
        switch (kind) {
        case XlsCell::Text:
            if (!r.Text(c.text))
                return false;
            break;
        case XlsCell::Number:
        case XlsCell::Date:
            if (!r.Double(c.number))
                return false;
            break;
        case XlsCell::Boolean: {
            quint8 b = 0;
            if (!r.U8(b) || b > 1)
                return false;
            c.number = b;
            break;
        }
        case XlsCell::NoResult:
            break;
        default:
            return false;
        }
        cells.cells.push_back(std::move(c));
    }
    return ReadEnd(r);
}

} // namespace batch
