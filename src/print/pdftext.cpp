#include "print/pdftext.h"

#include <QFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace print {

namespace {

// Radicals (CJK Radicals Supplement and Kangxi Radicals) that the Chinese fonts draw with the
// glyph of an ideograph, and that ideograph. Qt's PDF engine names each glyph of a font by the
// lowest code point the font maps to it, which for these glyphs is the radical: 人 would be
// copied out of the file as ⼈ (U+2F08).
struct RadicalPair
{
    char16_t radical;
    char16_t ideograph;
};
constexpr RadicalPair kRadicals[] = {
    {0x2E82, 0x4E5B}, {0x2E83, 0x4E5A}, {0x2E85, 0x4EBB}, {0x2E89, 0x5202}, {0x2E8B, 0x353E},
    {0x2E8E, 0x5140}, {0x2E8F, 0x5C23}, {0x2E90, 0x5C22}, {0x2E92, 0x5DF3}, {0x2E93, 0x5E7A},
    {0x2E94, 0x5F51}, {0x2E95, 0x5F50}, {0x2E96, 0x5FC4}, {0x2E98, 0x624C}, {0x2E99, 0x6535},
    {0x2E9B, 0x65E1}, {0x2E9E, 0x6B7A}, {0x2E9F, 0x6BCD}, {0x2EA0, 0x6C11}, {0x2EA1, 0x6C35},
    {0x2EA3, 0x706C}, {0x2EA4, 0x722B}, {0x2EA6, 0x4E2C}, {0x2EA8, 0x72AD}, {0x2EAB, 0x7F52},
    {0x2EAD, 0x793B}, {0x2EAF, 0x7CF9}, {0x2EB0, 0x7E9F}, {0x2EB1, 0x7F53}, {0x2EB2, 0x7F52},
    {0x2EB3, 0x34C1}, {0x2EB9, 0x8002}, {0x2EBA, 0x8080}, {0x2EBE, 0x8279}, {0x2EC1, 0x864E},
    {0x2EC2, 0x8864}, {0x2EC3, 0x8980}, {0x2EC5, 0x89C1}, {0x2EC6, 0x89D2}, {0x2EC8, 0x8BA0},
    {0x2EC9, 0x8D1D}, {0x2ECB, 0x8F66}, {0x2ECC, 0x8FB6}, {0x2ED0, 0x9485}, {0x2ED1, 0x9577},
    {0x2ED2, 0x9578}, {0x2ED3, 0x957F}, {0x2ED4, 0x95E8}, {0x2ED6, 0x961D}, {0x2ED8, 0x9752},
    {0x2ED9, 0x97E6}, {0x2EDA, 0x9875}, {0x2EDB, 0x98CE}, {0x2EDC, 0x98DE}, {0x2EDD, 0x98DF},
    {0x2EDF, 0x98E0}, {0x2EE0, 0x9963}, {0x2EE2, 0x9A6C}, {0x2EE3, 0x9AA8}, {0x2EE4, 0x9B3C},
    {0x2EE5, 0x9C7C}, {0x2EE6, 0x9E1F}, {0x2EE7, 0x5364}, {0x2EE8, 0x9EA6}, {0x2EE9, 0x9EC4},
    {0x2EEA, 0x9EFE}, {0x2EEB, 0x6589}, {0x2EEC, 0x9F50}, {0x2EEE, 0x9F7F}, {0x2EEF, 0x7ADC},
    {0x2EF0, 0x9F99}, {0x2EF1, 0x9F9C}, {0x2EF2, 0x4E80}, {0x2EF3, 0x9F9F}, {0x2F00, 0x4E00},
    {0x2F01, 0x4E28}, {0x2F02, 0x4E36}, {0x2F03, 0x4E3F}, {0x2F04, 0x4E59}, {0x2F05, 0x4E85},
    {0x2F06, 0x4E8C}, {0x2F07, 0x4EA0}, {0x2F08, 0x4EBA}, {0x2F09, 0x513F}, {0x2F0A, 0x5165},
    {0x2F0B, 0x516B}, {0x2F0C, 0x5182}, {0x2F0D, 0x5196}, {0x2F0E, 0x51AB}, {0x2F0F, 0x51E0},
    {0x2F10, 0x51F5}, {0x2F11, 0x5200}, {0x2F12, 0x529B}, {0x2F13, 0x52F9}, {0x2F14, 0x5315},
    {0x2F15, 0x531A}, {0x2F16, 0x5338}, {0x2F17, 0x5341}, {0x2F18, 0x535C}, {0x2F19, 0x5369},
    {0x2F1A, 0x5382}, {0x2F1B, 0x53B6}, {0x2F1C, 0x53C8}, {0x2F1D, 0x53E3}, {0x2F1E, 0x56D7},
    {0x2F1F, 0x571F}, {0x2F20, 0x58EB}, {0x2F21, 0x5902}, {0x2F22, 0x590A}, {0x2F23, 0x5915},
    {0x2F24, 0x5927}, {0x2F25, 0x5973}, {0x2F26, 0x5B50}, {0x2F27, 0x5B80}, {0x2F28, 0x5BF8},
    {0x2F29, 0x5C0F}, {0x2F2A, 0x5C22}, {0x2F2B, 0x5C38}, {0x2F2C, 0x5C6E}, {0x2F2D, 0x5C71},
    {0x2F2E, 0x5DDB}, {0x2F2F, 0x5DE5}, {0x2F30, 0x5DF1}, {0x2F31, 0x5DFE}, {0x2F32, 0x5E72},
    {0x2F33, 0x5E7A}, {0x2F34, 0x5E7F}, {0x2F35, 0x5EF4}, {0x2F36, 0x5EFE}, {0x2F37, 0x5F0B},
    {0x2F38, 0x5F13}, {0x2F3A, 0x5F61}, {0x2F3B, 0x5F73}, {0x2F3C, 0x5FC3}, {0x2F3D, 0x6208},
    {0x2F3E, 0x6237}, {0x2F3F, 0x624B}, {0x2F40, 0x652F}, {0x2F41, 0x6534}, {0x2F42, 0x6587},
    {0x2F43, 0x6597}, {0x2F44, 0x65A4}, {0x2F45, 0x65B9}, {0x2F46, 0x65E0}, {0x2F47, 0x65E5},
    {0x2F48, 0x66F0}, {0x2F49, 0x6708}, {0x2F4A, 0x6728}, {0x2F4B, 0x6B20}, {0x2F4C, 0x6B62},
    {0x2F4D, 0x6B79}, {0x2F4E, 0x6BB3}, {0x2F4F, 0x6BCB}, {0x2F50, 0x6BD4}, {0x2F51, 0x6BDB},
    {0x2F52, 0x6C0F}, {0x2F53, 0x6C14}, {0x2F54, 0x6C34}, {0x2F55, 0x706B}, {0x2F56, 0x722A},
    {0x2F57, 0x7236}, {0x2F58, 0x723B}, {0x2F59, 0x723F}, {0x2F5A, 0x7247}, {0x2F5B, 0x7259},
    {0x2F5C, 0x725B}, {0x2F5D, 0x72AC}, {0x2F5E, 0x7384}, {0x2F5F, 0x7389}, {0x2F60, 0x74DC},
    {0x2F61, 0x74E6}, {0x2F62, 0x7518}, {0x2F63, 0x751F}, {0x2F64, 0x7528}, {0x2F65, 0x7530},
    {0x2F66, 0x758B}, {0x2F67, 0x7592}, {0x2F68, 0x7676}, {0x2F69, 0x767D}, {0x2F6A, 0x76AE},
    {0x2F6B, 0x76BF}, {0x2F6C, 0x76EE}, {0x2F6D, 0x77DB}, {0x2F6E, 0x77E2}, {0x2F6F, 0x77F3},
    {0x2F70, 0x793A}, {0x2F71, 0x79B8}, {0x2F72, 0x79BE}, {0x2F73, 0x7A74}, {0x2F74, 0x7ACB},
    {0x2F75, 0x7AF9}, {0x2F76, 0x7C73}, {0x2F77, 0x7CF8}, {0x2F78, 0x7F36}, {0x2F79, 0x7F51},
    {0x2F7A, 0x7F8A}, {0x2F7B, 0x7FBD}, {0x2F7C, 0x8001}, {0x2F7D, 0x800C}, {0x2F7E, 0x8012},
    {0x2F7F, 0x8033}, {0x2F80, 0x807F}, {0x2F81, 0x8089}, {0x2F82, 0x81E3}, {0x2F83, 0x81EA},
    {0x2F84, 0x81F3}, {0x2F85, 0x81FC}, {0x2F86, 0x820C}, {0x2F87, 0x821B}, {0x2F88, 0x821F},
    {0x2F89, 0x826E}, {0x2F8A, 0x8272}, {0x2F8B, 0x8278}, {0x2F8C, 0x864D}, {0x2F8D, 0x866B},
    {0x2F8E, 0x8840}, {0x2F8F, 0x884C}, {0x2F90, 0x8863}, {0x2F91, 0x897E}, {0x2F92, 0x898B},
    {0x2F94, 0x8A00}, {0x2F95, 0x8C37}, {0x2F96, 0x8C46}, {0x2F97, 0x8C55}, {0x2F98, 0x8C78},
    {0x2F99, 0x8C9D}, {0x2F9A, 0x8D64}, {0x2F9B, 0x8D70}, {0x2F9C, 0x8DB3}, {0x2F9D, 0x8EAB},
    {0x2F9E, 0x8ECA}, {0x2F9F, 0x8F9B}, {0x2FA0, 0x8FB0}, {0x2FA1, 0x8FB5}, {0x2FA2, 0x9091},
    {0x2FA3, 0x9149}, {0x2FA4, 0x91C6}, {0x2FA5, 0x91CC}, {0x2FA6, 0x91D1}, {0x2FA7, 0x9577},
    {0x2FA8, 0x9580}, {0x2FA9, 0x961C}, {0x2FAA, 0x96B6}, {0x2FAB, 0x96B9}, {0x2FAC, 0x96E8},
    {0x2FAD, 0x9751}, {0x2FAE, 0x975E}, {0x2FAF, 0x9762}, {0x2FB0, 0x9769}, {0x2FB1, 0x97CB},
    {0x2FB2, 0x97ED}, {0x2FB3, 0x97F3}, {0x2FB4, 0x9801}, {0x2FB5, 0x98A8}, {0x2FB6, 0x98DB},
    {0x2FB7, 0x98DF}, {0x2FB8, 0x9996}, {0x2FB9, 0x9999}, {0x2FBA, 0x99AC}, {0x2FBC, 0x9AD8},
    {0x2FBD, 0x9ADF}, {0x2FBE, 0x9B25}, {0x2FBF, 0x9B2F}, {0x2FC0, 0x9B32}, {0x2FC1, 0x9B3C},
    {0x2FC2, 0x9B5A}, {0x2FC3, 0x9CE5}, {0x2FC4, 0x9E75}, {0x2FC5, 0x9E7F}, {0x2FC6, 0x9EA5},
    {0x2FC7, 0x9EBB}, {0x2FC8, 0x9EC3}, {0x2FC9, 0x9ECD}, {0x2FCA, 0x9ED1}, {0x2FCB, 0x9EF9},
    {0x2FCC, 0x9EFD}, {0x2FCD, 0x9F0E}, {0x2FCE, 0x9F13}, {0x2FCF, 0x9F20}, {0x2FD0, 0x9F3B},
    {0x2FD1, 0x9F4A}, {0x2FD2, 0x9F52}, {0x2FD3, 0x9F8D}, {0x2FD5, 0x9FA0},
};

char16_t IdeographOf(unsigned code)
{
    if (code < kRadicals[0].radical || code > std::end(kRadicals)[-1].radical)
        return 0;
    const auto it =
        std::lower_bound(std::begin(kRadicals), std::end(kRadicals), code,
                         [](const RadicalPair &p, unsigned c) { return p.radical < c; });
    return it != std::end(kRadicals) && it->radical == code ? it->ideograph : 0;
}

// The pieces of a CMap's text that matter here: hex strings, array brackets and words.
struct Token
{
    enum Kind { Hex, Open, Close, Word, Other } kind;
    size_t begin, end; // the hex digits only, for Hex
};

std::vector<Token> Tokenise(std::string_view s)
{
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '%') {
            while (i < s.size() && s[i] != '\n' && s[i] != '\r')
                ++i;
        } else if (c == '<' && i + 1 < s.size() && s[i + 1] == '<') {
            out.push_back({Token::Other, i, i + 2});
            i += 2;
        } else if (c == '<') {
            const size_t close = s.find('>', i);
            if (close == std::string_view::npos)
                return {};
            out.push_back({Token::Hex, i + 1, close});
            i = close + 1;
        } else if (c == '[' || c == ']') {
            out.push_back({c == '[' ? Token::Open : Token::Close, i, i + 1});
            ++i;
        } else if (c == '(') {
            // A literal string (the CMap's names): skipped whole.
            int depth = 0;
            for (; i < s.size(); ++i) {
                if (s[i] == '\\')
                    ++i;
                else if (s[i] == '(')
                    ++depth;
                else if (s[i] == ')' && --depth == 0)
                    break;
            }
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else {
            size_t e = i + 1;
            while (e < s.size() && !std::isspace(static_cast<unsigned char>(s[e])) &&
                   !std::strchr("<>[]()/%{}", s[e]))
                ++e;
            out.push_back({Token::Word, i, e});
            i = e;
        }
    }
    return out;
}

// A destination of the map: the UTF-16 text a glyph stands for. One code unit is read as a
// character; anything else is left alone.
bool ReadUnit(std::string_view hex, unsigned *code)
{
    if (hex.size() != 4)
        return false;
    unsigned v = 0;
    for (char c : hex) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                      : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                  : -1;
        if (d < 0)
            return false;
        v = v * 16 + unsigned(d);
    }
    *code = v;
    return true;
}

std::string Hex4(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

} // namespace

bool RadicalsToIdeographs(const std::string &cmap, std::string *fixed)
{
    const std::string_view s(cmap);
    const std::vector<Token> t = Tokenise(s);
    auto word = [&](size_t i, std::string_view w) {
        return i < t.size() && t[i].kind == Token::Word &&
               s.substr(t[i].begin, t[i].end - t[i].begin) == w;
    };
    auto hex = [&](size_t i) { return s.substr(t[i].begin, t[i].end - t[i].begin); };
    // Replacements as (begin, end, new text) in the order of the text.
    struct Edit
    {
        size_t begin, end;
        std::string text;
    };
    std::vector<Edit> edits;
    auto mapped = [&](size_t i) -> char16_t {
        unsigned code = 0;
        return t[i].kind == Token::Hex && ReadUnit(hex(i), &code) ? IdeographOf(code) : 0;
    };
    for (size_t i = 0; i < t.size(); ++i) {
        if (word(i, "beginbfchar")) {
            // <code> <destination> pairs.
            for (i = i + 1; i + 1 < t.size() && t[i].kind == Token::Hex; i += 2) {
                if (const char16_t to = mapped(i + 1))
                    edits.push_back({t[i + 1].begin, t[i + 1].end, Hex4(to)});
            }
            --i;
        } else if (word(i, "beginbfrange")) {
            // <first> <last> <destination of first> or <first> <last> [<d1> <d2> ...].
            for (i = i + 1;
                 i + 2 < t.size() && t[i].kind == Token::Hex && t[i + 1].kind == Token::Hex;) {
                unsigned first = 0, last = 0;
                const bool codes = ReadUnit(hex(i), &first) && ReadUnit(hex(i + 1), &last);
                if (t[i + 2].kind == Token::Open) {
                    size_t j = i + 3;
                    for (; j < t.size() && t[j].kind == Token::Hex; ++j) {
                        if (const char16_t to = mapped(j))
                            edits.push_back({t[j].begin, t[j].end, Hex4(to)});
                    }
                    if (j >= t.size() || t[j].kind != Token::Close)
                        return false;
                    i = j + 1;
                    continue;
                }
                if (t[i + 2].kind != Token::Hex)
                    return false;
                unsigned dest = 0;
                if (codes && last >= first && last - first < 256 && ReadUnit(hex(i + 2), &dest)) {
                    // A run of consecutive destinations that takes in a radical becomes a list.
                    bool any = false;
                    for (unsigned k = 0; k <= last - first; ++k)
                        any = any || IdeographOf(dest + k) != 0;
                    if (any) {
                        std::string list = "[";
                        for (unsigned k = 0; k <= last - first; ++k) {
                            const char16_t to = IdeographOf(dest + k);
                            list += '<' + Hex4(to ? to : dest + k) + "> ";
                        }
                        list.back() = ']';
                        edits.push_back({t[i + 2].begin - 1, t[i + 2].end + 1, list});
                    }
                }
                i += 3;
            }
            --i;
        }
    }
    if (edits.empty())
        return false;
    std::string out;
    out.reserve(cmap.size() + edits.size() * 8);
    size_t at = 0;
    for (const Edit &e : edits) {
        out.append(cmap, at, e.begin - at);
        out += e.text;
        at = e.end;
    }
    out.append(cmap, at, std::string::npos);
    *fixed = std::move(out);
    return true;
}

bool NameUnnamedGlyphs(const std::string &cmap, int glyphs, const QStringList &texts,
                       std::string *fixed)
{
    if (glyphs <= 0 || glyphs > 0x10000)
        return false;
    const std::string_view s(cmap);
    const std::vector<Token> t = Tokenise(s);
    auto word = [&](size_t i, std::string_view w) {
        return i < t.size() && t[i].kind == Token::Word &&
               s.substr(t[i].begin, t[i].end - t[i].begin) == w;
    };
    auto code = [&](size_t i, unsigned *c) {
        return t[i].kind == Token::Hex && ReadUnit(s.substr(t[i].begin, t[i].end - t[i].begin), c);
    };
    std::vector<bool> named(size_t(glyphs), false);
    named[0] = true; // the glyph for a missing character stands for none
    size_t endAt = std::string_view::npos;
    for (size_t i = 0; i < t.size(); ++i) {
        unsigned first = 0, last = 0;
        if (word(i, "beginbfchar")) {
            for (i = i + 1; i + 1 < t.size() && code(i, &first); i += 2) {
                if (first < named.size())
                    named[first] = true;
            }
            --i;
        } else if (word(i, "beginbfrange")) {
            for (i = i + 1; i + 2 < t.size() && code(i, &first) && code(i + 1, &last);) {
                for (unsigned c = first; c <= last && c < named.size(); ++c)
                    named[c] = true;
                i += 2;
                if (t[i].kind == Token::Open) {
                    while (i < t.size() && t[i].kind != Token::Close)
                        ++i;
                }
                ++i;
            }
            --i;
        } else if (word(i, "endcmap")) {
            endAt = t[i].begin;
        }
    }
    if (endAt == std::string_view::npos)
        return false;
    std::vector<std::string> entries;
    qsizetype next = 0;
    for (size_t c = 0; c < named.size(); ++c) {
        if (named[c])
            continue;
        if (next == texts.size())
            return false;
        const QString &text = texts.at(next++);
        if (text.isEmpty())
            continue;
        std::string entry = '<' + Hex4(unsigned(c)) + "> <";
        for (QChar unit : text)
            entry += Hex4(unit.unicode());
        entries.push_back(entry + ">\n");
    }
    if (next != texts.size() || entries.empty())
        return false;
    // A block holds at most a hundred entries.
    std::string blocks;
    for (size_t i = 0; i < entries.size(); i += 100) {
        const size_t n = std::min<size_t>(100, entries.size() - i);
        blocks += std::to_string(n) + " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k)
            blocks += entries[k];
        blocks += "endbfchar\n";
    }
    *fixed = cmap.substr(0, endAt) + blocks + cmap.substr(endAt);
    return true;
}

namespace {

// The offset the file's last "startxref" names, or -1.
qint64 LastXrefOffset(QFile &f)
{
    const qint64 size = f.size();
    const qint64 from = std::max<qint64>(0, size - 1024);
    if (!f.seek(from))
        return -1;
    const QByteArray tail = f.read(size - from);
    const qsizetype at = tail.lastIndexOf("startxref");
    if (at < 0)
        return -1;
    bool ok = false;
    const qint64 offset = tail.mid(at + 9).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    return ok ? offset : -1;
}

// A ToUnicode map found in a file: its object and its text.
struct FoundMap
{
    int obj;
    int gen;
    std::string text;
    std::string font; // the font's name
    int glyphs = -1;  // how many glyphs the font has, where known
};

struct FoundMaps
{
    std::vector<FoundMap> maps;
    QByteArray trailerKeys; // /Size, /Root, /Info and /ID of the file's trailer
};

// The dictionary that starts at text[at] ("<<"), nested ones included; "" when it does not end
// within the text.
std::string_view DictAt(std::string_view text, size_t at)
{
    if (at >= text.size() || text.compare(at, 2, "<<") != 0)
        return {};
    int depth = 0;
    for (size_t i = at; i + 1 < text.size(); ++i) {
        if (text[i] == '<' && text[i + 1] == '<') {
            ++depth;
            ++i;
        } else if (text[i] == '>' && text[i + 1] == '>') {
            ++i;
            if (--depth == 0)
                return text.substr(at, i + 1 - at);
        }
    }
    return {};
}

// The value after a key of a dictionary ("/Length 434" gives "434 ..."), or "" without the key.
// The key must end there: "/Page" does not find "/Pages".
std::string_view ValueOf(std::string_view dict, std::string_view key)
{
    for (size_t at = dict.find(key); at != std::string_view::npos; at = dict.find(key, at + 1)) {
        const size_t end = at + key.size();
        if (end < dict.size() && (std::isalnum(static_cast<unsigned char>(dict[end])) ||
                                  dict[end] == '+' || dict[end] == '-' || dict[end] == '_'))
            continue;
        size_t v = end;
        while (v < dict.size() && std::isspace(static_cast<unsigned char>(dict[v])))
            ++v;
        return dict.substr(v);
    }
    return {};
}

bool NameIs(std::string_view value, std::string_view name)
{
    return value.compare(0, name.size(), name) == 0 &&
           (value.size() == name.size() ||
            !std::isalnum(static_cast<unsigned char>(value[name.size()])));
}

// The name a value starts with, without its slash ("/Noto-Regular /Encoding" gives
// "Noto-Regular"); "" when it is no name.
std::string NameOf(std::string_view value)
{
    if (value.empty() || value.front() != '/')
        return {};
    size_t e = 1;
    while (e < value.size() && !std::isspace(static_cast<unsigned char>(value[e])) &&
           !std::strchr("<>[]()/%{}", value[e]))
        ++e;
    return std::string(value.substr(1, e - 1));
}

// The number of glyphs of a font from the bits of its glyph set: the writer sets one for each of
// its glyphs, from the first on. -1 for a set of any other shape.
int GlyphsInSet(std::string_view bits)
{
    int n = 0;
    bool gap = false;
    for (const char byte : bits) {
        for (int b = 7; b >= 0; --b) {
            const bool set = (static_cast<unsigned char>(byte) >> b) & 1;
            if (set && gap)
                return -1;
            gap = gap || !set;
            n += set ? 1 : 0;
        }
    }
    return n > 0 ? n : -1;
}

const UnnamedGlyphs *UnnamedOf(const std::vector<UnnamedGlyphs> &unnamed, const std::string &font)
{
    if (font.empty())
        return nullptr;
    const auto it = std::find_if(unnamed.begin(), unnamed.end(), [&](const UnnamedGlyphs &u) {
        return u.font.toStdString() == font;
    });
    return it == unnamed.end() ? nullptr : &*it;
}

// "12 0 R ..." as object and generation; false when the value is no reference.
bool ReferenceOf(std::string_view value, int *obj, int *gen)
{
    int n = 0;
    char r = 0;
    const std::string text(value.substr(0, 40));
    return std::sscanf(text.c_str(), "%d %d %c%n", obj, gen, &r, &n) == 3 && r == 'R';
}

// The fonts' ToUnicode maps of a file as Qt's PDF writer lays it out: one classic xref table
// after the last object, the fonts written after the last page, each map a plain stream with a
// direct length. Only the xref table and the objects after the last page are read, so the cost
// does not grow with the pages. nullopt for any other layout.
std::optional<FoundMaps> TailMaps(QFile &f, qint64 xrefAt,
                                  const std::vector<UnnamedGlyphs> &unnamed)
{
    auto wanted = [&](const std::string &font) { return UnnamedOf(unnamed, font) != nullptr; };
    struct Entry
    {
        qint64 offset;
        int obj;
        int gen;
    };
    // The objects with the largest offsets; the fonts and the page tree come after the pages.
    constexpr size_t kKept = 4096;
    auto later = [](const Entry &a, const Entry &b) { return a.offset > b.offset; };
    std::vector<Entry> kept; // a heap whose top is the earliest kept object
    bool dropped = false;

    if (!f.seek(xrefAt) || f.readLine(64).trimmed() != "xref")
        return std::nullopt;
    QByteArray line;
    for (;;) {
        line = f.readLine(256);
        if (line.isEmpty())
            return std::nullopt;
        if (line.startsWith("trailer"))
            break;
        int first = 0, count = 0;
        if (std::sscanf(line.constData(), "%d %d", &first, &count) != 2 || first < 0 || count < 0)
            return std::nullopt;
        for (int i = 0; i < count; ++i) {
            char entry[21];
            if (f.read(entry, 20) != 20)
                return std::nullopt;
            entry[20] = 0;
            long long offset = 0;
            int gen = 0;
            char type = 0;
            if (std::sscanf(entry, "%lld %d %c", &offset, &gen, &type) != 3)
                return std::nullopt;
            if (type != 'n')
                continue;
            const Entry e{offset, first + i, gen};
            if (kept.size() < kKept) {
                kept.push_back(e);
                std::push_heap(kept.begin(), kept.end(), later);
            } else {
                dropped = true;
                if (e.offset > kept.front().offset) {
                    std::pop_heap(kept.begin(), kept.end(), later);
                    kept.back() = e;
                    std::push_heap(kept.begin(), kept.end(), later);
                }
            }
        }
    }
    const std::string trailerText = (line.mid(7) + f.read(4096)).toStdString();
    const std::string_view trailer = DictAt(trailerText, trailerText.find("<<"));
    if (trailer.empty() || !ValueOf(trailer, "/Prev").empty())
        return std::nullopt;

    FoundMaps found;
    int size = 0;
    if (std::sscanf(std::string(ValueOf(trailer, "/Size").substr(0, 20)).c_str(), "%d", &size) != 1)
        return std::nullopt;
    found.trailerKeys = "/Size " + QByteArray::number(size);
    for (const char *key : {"/Root", "/Info"}) {
        int obj = 0, gen = 0;
        if (ReferenceOf(ValueOf(trailer, key), &obj, &gen))
            found.trailerKeys += QByteArray(" ") + key + ' ' + QByteArray::number(obj) + ' ' +
                                 QByteArray::number(gen) + " R";
    }
    if (const std::string_view id = ValueOf(trailer, "/ID"); !id.empty()) {
        const size_t close = id.find(']');
        if (id.front() != '[' || close == std::string_view::npos)
            return std::nullopt;
        found.trailerKeys += " /ID " + QByteArray(id.data(), qsizetype(close + 1));
    }

    std::sort(kept.begin(), kept.end(), later);
    // The text of an object from its first token on, its header checked; start receives where
    // that text begins in the file.
    auto objectAt = [&](const Entry &e, qint64 length, std::string *text, qint64 *start) {
        if (!f.seek(e.offset))
            return false;
        *text = f.read(length).toStdString();
        const std::string head = std::to_string(e.obj) + ' ' + std::to_string(e.gen) + " obj";
        if (text->compare(0, head.size(), head) != 0)
            return false;
        size_t at = head.size();
        while (at < text->size() && std::isspace(static_cast<unsigned char>((*text)[at])))
            ++at;
        text->erase(0, at);
        *start = e.offset + qint64(at);
        return true;
    };
    // The fonts met, each with its map, its name and its descendant font.
    struct MapRef
    {
        int obj, gen;
        std::string font;
        int descendantObj = -1, descendantGen = 0;
    };
    std::vector<MapRef> maps;
    bool pageMet = false;
    std::string text;
    qint64 start = 0;
    for (const Entry &e : kept) {
        if (!objectAt(e, 4096, &text, &start))
            return std::nullopt;
        const std::string_view dict = DictAt(text, 0);
        if (dict.empty())
            continue; // a number, an array, or a dictionary longer than read: no font or page
        const std::string_view type = ValueOf(dict, "/Type");
        if (NameIs(type, "/Page")) {
            pageMet = true;
            break;
        }
        int obj = 0, gen = 0;
        if (NameIs(type, "/Font") && ReferenceOf(ValueOf(dict, "/ToUnicode"), &obj, &gen) &&
            std::find_if(maps.begin(), maps.end(), [&](const MapRef &m) {
                return m.obj == obj && m.gen == gen;
            }) == maps.end()) {
            MapRef m{obj, gen, NameOf(ValueOf(dict, "/BaseFont"))};
            const std::string_view descendants = ValueOf(dict, "/DescendantFonts");
            if (!descendants.empty() && descendants.front() == '[')
                ReferenceOf(descendants.substr(1), &m.descendantObj, &m.descendantGen);
            maps.push_back(std::move(m));
        }
    }
    if (!pageMet && dropped)
        return std::nullopt;

    auto entryOf = [&](int obj, int gen) -> const Entry * {
        const auto e = std::find_if(kept.begin(), kept.end(),
                                    [&](const Entry &k) { return k.obj == obj && k.gen == gen; });
        return e == kept.end() ? nullptr : &*e;
    };
    // The data of a plain stream with a direct length.
    auto streamOf = [&](const Entry &e) -> std::optional<std::string> {
        if (!objectAt(e, 512, &text, &start))
            return std::nullopt;
        const std::string_view dict = DictAt(text, 0);
        long long length = -1;
        int refObj = 0, refGen = 0;
        const std::string lengthText(ValueOf(dict, "/Length").substr(0, 40));
        if (dict.empty() || !ValueOf(dict, "/Filter").empty() ||
            std::sscanf(lengthText.c_str(), "%lld", &length) != 1 || length < 0 ||
            ReferenceOf(lengthText, &refObj, &refGen))
            return std::nullopt;
        size_t at = dict.size();
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        if (text.compare(at, 6, "stream") != 0)
            return std::nullopt;
        at += 6;
        if (text.compare(at, 2, "\r\n") == 0)
            at += 2;
        else if (text.compare(at, 1, "\n") == 0)
            at += 1;
        else
            return std::nullopt;
        if (!f.seek(start + qint64(at)))
            return std::nullopt;
        QByteArray data = f.read(length);
        if (data.size() != length)
            return std::nullopt;
        return data.toStdString();
    };
    // The value of a key of an object's dictionary as a reference; the dictionary may go on
    // beyond what is read (a font's widths come after its descriptor).
    auto referenceIn = [&](int obj, int gen, std::string_view key, int *refObj, int *refGen) {
        const Entry *e = entryOf(obj, gen);
        if (!e || !objectAt(*e, 4096, &text, &start) || text.compare(0, 2, "<<") != 0)
            return false;
        const std::string_view object = std::string_view(text).substr(0, text.find("endobj"));
        return ReferenceOf(ValueOf(object, key), refObj, refGen);
    };

    for (const MapRef &m : maps) {
        const Entry *e = entryOf(m.obj, m.gen);
        std::optional<std::string> data = e ? streamOf(*e) : std::nullopt;
        if (!data)
            return std::nullopt;
        FoundMap map{m.obj, m.gen, std::move(*data), m.font};
        // The number of glyphs, from the set of glyphs the font's descriptor lists, for a font
        // whose unnamed glyphs are to be named.
        int descriptorObj = 0, descriptorGen = 0, setObj = 0, setGen = 0;
        if (wanted(m.font) && m.descendantObj >= 0 &&
            referenceIn(m.descendantObj, m.descendantGen, "/FontDescriptor", &descriptorObj,
                        &descriptorGen) &&
            referenceIn(descriptorObj, descriptorGen, "/CIDSet", &setObj, &setGen)) {
            if (const Entry *set = entryOf(setObj, setGen)) {
                if (const std::optional<std::string> bits = streamOf(*set))
                    map.glyphs = GlyphsInSet(*bits);
            }
        }
        found.maps.push_back(std::move(map));
    }
    return found;
}

// The same maps read with qpdf, for a file of any other layout (one updated before, say).
std::optional<FoundMaps> QpdfMaps(const QString &file, const std::vector<UnnamedGlyphs> &unnamed)
{
    FoundMaps found;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(file).constData());
        // The fonts are written after the last page: walk the objects from the end of the file
        // back to the first page object met.
        std::vector<std::pair<qpdf_offset_t, QPDFObjGen>> byOffset;
        for (const auto &[og, entry] : pdf.getXRefTable()) {
            if (entry.getType() == 1)
                byOffset.emplace_back(entry.getOffset(), og);
        }
        std::sort(byOffset.begin(), byOffset.end(),
                  [](const auto &a, const auto &b) { return a.first > b.first; });
        std::vector<QPDFObjGen> seen;
        for (const auto &[offset, og] : byOffset) {
            QPDFObjectHandle obj = pdf.getObjectByObjGen(og);
            if (!obj.isDictionary())
                continue;
            QPDFObjectHandle type = obj.getKey("/Type");
            if (type.isNameAndEquals("/Page"))
                break;
            if (!type.isNameAndEquals("/Font"))
                continue;
            QPDFObjectHandle map = obj.getKey("/ToUnicode");
            if (!map.isStream() || !map.isIndirect())
                continue;
            const QPDFObjGen mapId = map.getObjGen();
            if (std::find(seen.begin(), seen.end(), mapId) != seen.end())
                continue;
            seen.push_back(mapId);
            const std::shared_ptr<Buffer> data = map.getStreamData(qpdf_dl_generalized);
            FoundMap found1{
                mapId.getObj(), mapId.getGen(),
                std::string(reinterpret_cast<const char *>(data->getBuffer()), data->getSize())};
            if (QPDFObjectHandle name = obj.getKey("/BaseFont"); name.isName())
                found1.font = name.getName().substr(1);
            QPDFObjectHandle descendants = obj.getKey("/DescendantFonts");
            if (UnnamedOf(unnamed, found1.font) && descendants.isArray() &&
                descendants.getArrayNItems() == 1) {
                QPDFObjectHandle set =
                    descendants.getArrayItem(0).getKey("/FontDescriptor").getKey("/CIDSet");
                if (set.isStream()) {
                    const std::shared_ptr<Buffer> bits = set.getStreamData(qpdf_dl_generalized);
                    found1.glyphs = GlyphsInSet(std::string_view(
                        reinterpret_cast<const char *>(bits->getBuffer()), bits->getSize()));
                }
            }
            found.maps.push_back(std::move(found1));
        }
        QPDFObjectHandle trailer = pdf.getTrailer();
        found.trailerKeys = "/Size " + QByteArray::number(trailer.getKey("/Size").getIntValue());
        for (const char *key : {"/Root", "/Info", "/ID"}) {
            if (trailer.hasKey(key))
                found.trailerKeys += QByteArray(" ") + key + ' ' +
                                     QByteArray::fromStdString(trailer.getKey(key).unparse());
        }
    } catch (const std::exception &) {
        return std::nullopt;
    }
    return found;
}

} // namespace

bool PdfTextAsDrawn(const QString &file, const std::vector<UnnamedGlyphs> &unnamed)
{
    // The corrected maps are appended to the file as an update of the objects they replace (new
    // objects under the old numbers, an xref section and a trailer that points back to the old
    // one), so the pass costs the fonts, not the pages: a batch of thousands of slips is neither
    // read nor written again.
    std::optional<FoundMaps> found;
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        if (const qint64 xref = LastXrefOffset(f); xref >= 0)
            found = TailMaps(f, xref, unnamed);
    }
    if (!found)
        found = QpdfMaps(file, unnamed);
    if (!found)
        return false;
    std::vector<FoundMap> fixedMaps;
    for (FoundMap &m : found->maps) {
        std::string fixed;
        bool changed = RadicalsToIdeographs(m.text, &fixed);
        if (!changed)
            fixed = m.text;
        // A name two fonts of the file share does not tell which of them the glyphs are of.
        const UnnamedGlyphs *u = UnnamedOf(unnamed, m.font);
        if (u && std::count_if(found->maps.begin(), found->maps.end(),
                               [&](const FoundMap &o) { return o.font == m.font; }) == 1) {
            std::string named;
            if (NameUnnamedGlyphs(fixed, m.glyphs, u->texts, &named)) {
                fixed = std::move(named);
                changed = true;
            }
        }
        if (changed)
            fixedMaps.push_back({m.obj, m.gen, std::move(fixed)});
    }
    if (fixedMaps.empty())
        return true;
    const QByteArray trailerKeys = found->trailerKeys;
    qint64 size = 0;

    QFile f(file);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    size = f.size();
    const qint64 prev = LastXrefOffset(f);
    if (prev < 0)
        return false;
    QByteArray update;
    if (size > 0) {
        f.seek(size - 1);
        if (f.read(1) != "\n")
            update += '\n';
    }
    std::sort(fixedMaps.begin(), fixedMaps.end(),
              [](const FoundMap &a, const FoundMap &b) { return a.obj < b.obj; });
    std::vector<qint64> offsets;
    for (const FoundMap &m : fixedMaps) {
        offsets.push_back(size + update.size());
        update += QByteArray::number(m.obj) + ' ' + QByteArray::number(m.gen) +
                  " obj\n<< /Length " + QByteArray::number(qint64(m.text.size())) +
                  " >>\nstream\n" + QByteArray::fromStdString(m.text) + "\nendstream\nendobj\n";
    }
    const qint64 xrefAt = size + update.size();
    update += "xref\n";
    for (size_t i = 0; i < fixedMaps.size(); ++i) {
        update += QByteArray::number(fixedMaps[i].obj) + " 1\n";
        update += QByteArray::number(offsets[i]).rightJustified(10, '0') + ' ' +
                  QByteArray::number(fixedMaps[i].gen).rightJustified(5, '0') + " n \n";
    }
    update += "trailer\n<< " + trailerKeys + " /Prev " + QByteArray::number(prev) +
              " >>\nstartxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    if (!f.seek(size) || f.write(update) != update.size() || !f.flush())
        return false;
    if (::fsync(f.handle()) != 0)
        return false;
    f.close();
    return f.error() == QFileDevice::NoError;
}

} // namespace print
