#include "store/db/textfile.h"

#include "store/db/filewriter.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <string>
#include <vector>

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

// The characters of GB2312, the 7,445 that Chinese text is almost always made of: the rest of
// GBK is rare characters, and it is what the bytes of other text turn into when read as GBK.
class Gb2312
{
public:
    Gb2312() : m_in(0x10000, false)
    {
        // Every code of its area at once; each gives one character (a private-use one where
        // GB2312 has none).
        QByteArray codes;
        for (int lead = 0xA1; lead <= 0xF7; ++lead)
            for (int trail = 0xA1; trail <= 0xFE; ++trail)
                codes.append(char(lead)).append(char(trail));
        for (const QChar c : FromGbk(codes))
            if (!(c.unicode() >= 0xE000 && c.unicode() < 0xF900) && !c.isSurrogate())
                m_in[c.unicode()] = true;
    }
    bool Holds(char32_t c) const { return c < 0x10000 && m_in[c]; }

private:
    std::vector<bool> m_in;
};

bool InGb2312(char32_t c)
{
    static const Gb2312 set;
    return set.Holds(c);
}

// Vowels of the Greek and Cyrillic alphabets, accents and marks aside.
bool IsVowel(char32_t c)
{
    const QString base = QChar::decomposition(c).left(1);
    const char32_t b = QChar::toLower(base.isEmpty() ? c : base.at(0).unicode());
    static const std::u32string vowels = U"αεηιουωаеиоуыэюяіїєў";
    return vowels.find(b) != std::u32string::npos;
}

// The letters of today's Greek and Cyrillic alphabets (GBK characters read as UTF-8 give the
// archaic, Coptic and extended letters around them as often).
bool IsModernGreekOrCyrillic(char32_t c)
{
    return (c >= 0x0386 && c <= 0x03CE) || (c >= 0x0400 && c <= 0x045F);
}

// Whether the non-ASCII letters of the word cs[a..b] make a word of one script: Latin letters
// with accents only beside plain ones ("café"; a word of accented letters alone is what GBK
// characters turn into); a Greek or Cyrillic word of three letters or more of today's alphabet,
// written in one case or capitalised, with a vowel; no other script. Short Chinese words in GBK
// read as UTF-8 give words of one or two such letters ("写" reads "д", "谢谢" "лл", "伪" "α"),
// so these alone count for nothing: such a text stays GBK.
bool IsLikelyWord(const QList<uint> &cs, qsizetype a, qsizetype b)
{
    bool ascii = false, modern = true;
    int letters = 0, lower = 0, upper = 0, vowels = 0;
    bool caseBroken = false, firstUpper = false;
    std::optional<QChar::Script> script;
    for (qsizetype k = a; k <= b; ++k) {
        const char32_t c = cs[k];
        if (QChar::isMark(c))
            continue;
        if (IsAsciiLetter(c)) {
            ascii = true;
            continue;
        }
        if (QChar::category(c) == QChar::Letter_Modifier)
            return false;
        const QChar::Script s = QChar::script(c);
        if (script && *script != s)
            return false;
        script = s;
        ++letters;
        vowels += IsVowel(c);
        modern = modern && IsModernGreekOrCyrillic(c);
        // One case, or a capital and then small letters.
        if (QChar::isLower(c)) {
            caseBroken = caseBroken || upper > 1 || (upper == 1 && !firstUpper);
            ++lower;
        } else if (QChar::isUpper(c)) {
            caseBroken = caseBroken || lower > 0;
            firstUpper = firstUpper || letters == 1;
            ++upper;
        }
    }
    if (!script)
        return true;
    if (*script == QChar::Script_Latin)
        return ascii;
    if (ascii || (*script != QChar::Script_Greek && *script != QChar::Script_Cyrillic))
        return false;
    return modern && letters >= 3 && !caseBroken && vowels > 0;
}

// How unlikely the text is as what this program reads: a count of the characters that do not
// fit. Chinese text counts as likely, its rare characters (outside GB2312) and private-use
// characters not; letters count by the word they stand in (IsLikelyWord); a Latin-1 sign is
// likely only after a digit or letter ("25°", "m²") or, for the money and plus-minus signs,
// before a digit. Valid UTF-8 read from GBK bytes comes out as single Latin, Greek, Cyrillic,
// Hebrew or modifier characters and marks; GBK read from UTF-8 bytes as rare characters. The
// same measure judges both readings.
int Unlikeliness(const QString &text)
{
    const QList<uint> cs = text.toUcs4();
    int unlikely = 0;
    qsizetype wordStart = 0, wordEnd = -1; // the word of letters judged last
    bool wordLikely = false;
    for (qsizetype i = 0; i < cs.size(); ++i) {
        const char32_t c = cs[i];
        if (c < 0x80)
            continue;
        const char32_t prev = i > 0 ? cs[i - 1] : 0;
        const char32_t next = i + 1 < cs.size() ? cs[i + 1] : 0;
        bool likely = false;
        if (IsCjkText(c)) {
            likely = c < 0x3400 || (c >= 0xFF00 && c <= 0xFFEF) || InGb2312(c);
        } else if (QChar::isLetter(c) || QChar::isMark(c)) {
            if (i > wordEnd) { // the first letter of a word that is not ASCII: judged once
                const auto inWord = [](char32_t w) {
                    return (QChar::isLetter(w) || QChar::isMark(w)) && !IsCjkText(w);
                };
                qsizetype a = i;
                wordEnd = i;
                while (a > 0 && inWord(cs[a - 1]))
                    --a;
                while (wordEnd + 1 < cs.size() && inWord(cs[wordEnd + 1]))
                    ++wordEnd;
                wordStart = a;
                wordLikely = IsLikelyWord(cs, a, wordEnd);
            }
            likely = wordLikely && !(QChar::isMark(c) && i == wordStart);
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
    // Valid UTF-8 it is, but short GBK texts are valid UTF-8 too ("支票" reads as "֧Ʊ"): UTF-8,
    // unless the GBK reading is clearly the likelier text.
    const int unlikelyUtf8 = Unlikeliness(asUtf8);
    if (unlikelyUtf8 == 0)
        return asUtf8;
    QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
    if (!gbk.isValid())
        return asUtf8;
    const QString asGbk = gbk.decode(bytes);
    if (gbk.hasError() || asGbk.contains(QChar::ReplacementCharacter))
        return asUtf8;
    return Unlikeliness(asGbk) < unlikelyUtf8 ? asGbk : asUtf8;
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
