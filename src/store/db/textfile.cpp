#include "store/db/textfile.h"

#include "store/db/filewriter.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace store {

QByteArray ToGbk(const QString &text)
{
    QStringEncoder enc("GB18030");
    if (!enc.isValid())
        return text.toLocal8Bit();
    return enc.encode(text);
}

QString FromGbk(const QByteArray &bytes)
{
    QStringDecoder dec("GB18030");
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec.decode(bytes);
}

int WriteTextFile(const QString &text, const QString &path)
{
    FileWriter f(path);
    if (!f.Open())
        return -3;
    if (!f.Write(ToGbk(text)))
        return -6;
    if (!f.Commit())
        return -7;
    return 1;
}

namespace {

bool IsAsciiLetter(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

// Letters of Latin-1 and Latin Extended-A/B (pinyin tone marks included).
bool IsLatinLetter(char32_t c)
{
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}

// Characters that Chinese text of any kind is made of, whatever the neighbours: ideographs of
// every plane, CJK and general punctuation, full-width forms, the symbol blocks GBK carries.
bool IsCjkText(char32_t c)
{
    return (c >= 0x2000 && c <= 0x27BF)     // punctuation, currency, letterlike, arrows, shapes
           || (c >= 0x2E80 && c <= 0x33FF)  // radicals, CJK punctuation, kana, bopomofo, enclosed
           || (c >= 0x3400 && c <= 0x4DBF)  // ideographs, extension A
           || (c >= 0x4E00 && c <= 0x9FFF)  // ideographs
           || (c >= 0xF900 && c <= 0xFAFF)  // compatibility ideographs
           || (c >= 0xFE30 && c <= 0xFE4F)  // CJK compatibility forms
           || (c >= 0xFF00 && c <= 0xFFEF)  // full-width forms
           || (c >= 0x20000 && c <= 0x3134F); // ideographs beyond the basic plane
}

// How many characters of the text are unlikely in what this program reads. Chinese text and
// Latin text with accents count as likely; a Latin letter only inside a word that has plain
// letters too ("café"), a Latin-1 sign only after a digit or letter ("25°", "m²") or, for the
// money and plus-minus signs, before a digit. GBK text taken for UTF-8 comes out as single
// Latin, Greek, Cyrillic, Hebrew or modifier characters in a row, which none of this admits.
int UnlikelyChars(const QString &text)
{
    const QList<uint> cs = text.toUcs4();
    int unlikely = 0;
    for (qsizetype i = 0; i < cs.size(); ++i) {
        const char32_t c = cs[i];
        if (c < 0x80 || IsCjkText(c))
            continue;
        const char32_t prev = i > 0 ? cs[i - 1] : 0;
        const char32_t next = i + 1 < cs.size() ? cs[i + 1] : 0;
        bool likely = false;
        if (IsLatinLetter(c)) {
            qsizetype a = i, b = i;
            while (a > 0 && (IsLatinLetter(cs[a - 1]) || IsAsciiLetter(cs[a - 1])))
                --a;
            while (b + 1 < cs.size() && (IsLatinLetter(cs[b + 1]) || IsAsciiLetter(cs[b + 1])))
                ++b;
            for (qsizetype k = a; k <= b && !likely; ++k)
                likely = IsAsciiLetter(cs[k]);
        } else if (c >= 0xA0 && c <= 0xF7) {
            const bool sign = c == 0xA2 || c == 0xA3 || c == 0xA5 || c == 0xB1 || c == 0xA7;
            likely = IsAsciiDigit(prev) || IsAsciiLetter(prev) || (sign && IsAsciiDigit(next))
                     || (c == 0xB7 && (IsCjkText(prev) || IsCjkText(next))); // 阿卜杜·买买提
        }
        if (!likely)
            ++unlikely;
    }
    return unlikely;
}

} // namespace

QString DecodeText(const QByteArray &bytes)
{
    // A byte-order mark decides.
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder dec(*bom);
        return dec.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(bytes);
    if (utf8.hasError())
        return FromGbk(bytes);
    // Valid UTF-8 it is, but short GBK texts are valid UTF-8 too ("支票" reads as "֧Ʊ"): take
    // UTF-8 when its characters are likely text, else the reading with fewer unlikely ones.
    const int unlikelyUtf8 = UnlikelyChars(asUtf8);
    if (unlikelyUtf8 == 0)
        return asUtf8;
    const QString asGbk = FromGbk(bytes);
    return UnlikelyChars(asGbk) < unlikelyUtf8 ? asGbk : asUtf8;
}

bool ReadTextFile(const QString &path, QString *text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    *text = DecodeText(bytes);
    return true;
}

} // namespace store
