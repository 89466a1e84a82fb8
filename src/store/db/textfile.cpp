#include "store/db/textfile.h"

#include "store/db/filewriter.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
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

// Chinese text as it is written: every character beyond ASCII one of GB2312's, and Chinese
// characters among them.
bool IsOrdinaryChinese(const QList<uint> &cs)
{
    bool han = false;
    for (const char32_t c : cs) {
        if (c < 0x80)
            continue;
        if (!InGb2312(c))
            return false;
        han = han || QChar::script(c) == QChar::Script_Han;
    }
    return han;
}

bool IsWordChar(char32_t c)
{
    return QChar::isLetter(c) || QChar::isMark(c);
}

// A word (letters and the marks on them) as words are written: in one case, or a capital and
// then small letters. Words of ASCII alone read the same either way and are not judged.
bool IsOrdinaryWord(const QList<uint> &cs, qsizetype from, qsizetype to)
{
    bool beyondAscii = false;
    int upper = 0, lower = 0;
    bool upperFirst = false;
    for (qsizetype i = from; i < to; ++i) {
        const char32_t c = cs[i];
        beyondAscii = beyondAscii || c >= 0x80;
        if (QChar::script(c) == QChar::Script_Common)
            continue; // a sign of letters ("µ")
        if (QChar::isLower(c)) {
            ++lower;
        } else if (QChar::isUpper(c) || QChar::isTitleCase(c)) {
            if (lower > 0)
                return false; // a capital after small letters
            upperFirst = upperFirst || upper == 0;
            ++upper;
        }
    }
    return !beyondAscii || lower == 0 || upper == 0 || (upper == 1 && upperFirst);
}

// Text as people write it in one script, whatever the script: its letters and marks beyond ASCII
// all of one script (signs, digits and punctuation belong to none, nor do the marks any script
// takes), marks and modifier letters only on a letter, each word in one case or capitalised,
// nothing that cannot be shown (controls, unassigned or private-use code points).
bool IsOrdinaryText(const QList<uint> &cs)
{
    std::optional<QChar::Script> script;
    qsizetype wordStart = 0;
    for (qsizetype i = 0; i <= cs.size(); ++i) {
        const char32_t c = i < cs.size() ? cs[i] : U' ';
        if (!IsWordChar(c)) {
            if (wordStart < i && !IsOrdinaryWord(cs, wordStart, i))
                return false;
            wordStart = i + 1;
        }
        if (c < 0x80)
            continue;
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_NotAssigned:
        case QChar::Other_PrivateUse:
        case QChar::Other_Surrogate:
            return false;
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Letter_Modifier:
            if (i == wordStart)
                return false; // on no letter
            break;
        default:
            break;
        }
        const QChar::Script s = QChar::script(c);
        if (!IsWordChar(c) || s == QChar::Script_Common || s == QChar::Script_Inherited)
            continue;
        if (script && *script != s)
            return false;
        script = s;
    }
    return true;
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
    // Valid UTF-8 is UTF-8, unless its GBK reading is ordinary Chinese text and its UTF-8 reading
    // is not ordinary text in any one script. Short GBK texts are often valid UTF-8 by chance,
    // and then read as a jumble: "支票" as "֧Ʊ", a Hebrew accent on nothing and a Latin
    // letter; "木目" as "ľĿ", a word in two cases.
    if (IsOrdinaryText(asUtf8.toUcs4()))
        return asUtf8;
    QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
    if (!gbk.isValid())
        return asUtf8;
    const QString asGbk = gbk.decode(bytes);
    if (gbk.hasError() || !IsOrdinaryChinese(asGbk.toUcs4()))
        return asUtf8;
    return asGbk;
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
