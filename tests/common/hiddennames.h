#pragma once
// What no format name may hold, for the tests of every road a name comes in by: one character of
// each kind the eye cannot see for what it is, and names that show nothing at all.

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace hiddennames {

// Controls (C0, DEL, C1), format characters (soft hyphen, bidirectional marks, overrides and
// isolates, zero-width ones, the byte-order mark), the line and paragraph separators, the code
// points Unicode has a program show as nothing (Hangul fillers, variation selectors, tags and
// those kept for more of them, the first and last of each range) and the braille blank.
inline QList<char32_t> Chars()
{
    return {0x0001,  0x001B,  0x007F,  0x0085,  0x009F,  0x00AD,  0x061C,  0x200B,
            0x200C,  0x200D,  0x200E,  0x200F,  0x202A,  0x202E,  0x2060,  0x2064,
            0x2066,  0x2069,  0x206F,  0xFEFF,  0x2028,  0x2029,  0x034F,  0x115F,
            0x1160,  0x17B4,  0x17B5,  0x180B,  0x180E,  0x180F,  0x3164,  0xFE00,
            0xFE0F,  0xFFA0,  0xFFF0,  0xFFF8,  0x1BCA0, 0x1BCA3, 0x1D173, 0x1D17A,
            0xE0000, 0xE0001, 0xE007F, 0xE0100, 0xE01EF, 0xE0FFF, 0x2800};
}

// The character as a text (QString::fromUcs4 would take U+FEFF for a byte-order mark).
inline QString Text(char32_t c)
{
    if (QChar::requiresSurrogates(c))
        return QString(QChar(QChar::highSurrogate(c))) + QChar(QChar::lowSurrogate(c));
    return QString(QChar(char16_t(c)));
}

inline QString Hex(char32_t c)
{
    return QString::number(uint(c), 16).toUpper();
}

// Names of spaces and fillers alone.
inline QStringList Blank()
{
    return {QStringLiteral("   "),          QStringLiteral("\u3000"),
            QStringLiteral("\u00A0 "),      QStringLiteral("\u3164"),
            QStringLiteral("\u2800\u2800"), QStringLiteral(" \u115F\u1160 ")};
}

// A name as shown in the question when it shows nothing: a box for each character.
inline QString Boxes(const QString &name)
{
    return QStringLiteral("□").repeated(name.toUcs4().size());
}

// A name that cannot be taken, as the name question shows it and the name it offers instead.
struct Case
{
    QString name, shown, preset;
    // The question's text.
    QString Prompt() const
    {
        return QStringLiteral("格式：“") + shown + QStringLiteral("”含有控制字符，请另取格式名！");
    }
};

// Each of Chars() between before and after, shown as a box, the name without it offered; with
// blanks, each of Blank() too, a box for each of its characters, nothing offered.
inline std::vector<Case> Cases(const QString &before, const QString &after, bool blanks)
{
    std::vector<Case> cases;
    for (const char32_t c : Chars())
        cases.push_back(
            {before + Text(c) + after, before + QStringLiteral("□") + after, before + after});
    if (blanks)
        for (const QString &blank : Blank())
            cases.push_back({blank, Boxes(blank), QString()});
    return cases;
}

// An ordinary Korean name, which is taken.
inline const QString kKorean = QStringLiteral("한국은행 수표");

} // namespace hiddennames
