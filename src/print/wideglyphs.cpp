#include "print/wideglyphs.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace print {

QByteArray PostScriptName(const QRawFont &font)
{
    const QByteArray table = font.fontTable("name");
    const auto u16 = [&](qsizetype at) -> int {
        return at + 2 <= table.size() ? qFromBigEndian<quint16>(table.constData() + at) : -1;
    };
    const int count = u16(2);
    const int strings = u16(4);
    if (count < 0 || strings < 0)
        return {};
    // A Windows Unicode entry before a Macintosh Roman one, as the font engine takes them.
    QByteArray windows, mac;
    for (int i = 0; i < count; ++i) {
        const qsizetype r = 6 + qsizetype(i) * 12;
        const int platform = u16(r), encoding = u16(r + 2), nameId = u16(r + 6);
        const int length = u16(r + 8), offset = u16(r + 10);
        if (nameId != 6 || offset < 0 || length < 0 ||
            qsizetype(strings) + offset + length > table.size())
            continue;
        const QByteArray bytes = table.mid(strings + offset, length);
        if (platform == 3 && (encoding == 0 || encoding == 1) && windows.isEmpty()) {
            for (qsizetype k = 0; k + 1 < bytes.size(); k += 2)
                windows += bytes.at(k) == 0 ? bytes.at(k + 1) : '?';
        } else if (platform == 1 && encoding == 0 && mac.isEmpty()) {
            mac = bytes;
        }
    }
    QByteArray name = windows.isEmpty() ? mac : windows;
    // Only the characters a PostScript name may hold.
    name.removeIf(
        [](char c) { return c < 33 || c > 126 || std::strchr("[](){}<>/%", c) != nullptr; });
    return name;
}

void WideGlyphs::Note(const QRawFont &font, const QList<quint32> &glyphs, const QString &character)
{
    if (glyphs.isEmpty())
        return;
    auto known = std::find_if(m_fonts.begin(), m_fonts.end(),
                              [&](const auto &f) { return f.first == font; });
    if (known == m_fonts.end()) {
        const QByteArray name = PostScriptName(font);
        qsizetype face = std::find_if(m_faces.begin(), m_faces.end(),
                                      [&](const Face &f) { return f.name == name; }) -
                         m_faces.begin();
        if (face == m_faces.size())
            m_faces.append({name, font, {}, {}, {}});
        m_fonts.append({font, face});
        known = m_fonts.end() - 1;
    }
    Face &face = m_faces[known->second];
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (face.seen.contains(glyphs.at(i)))
            continue;
        face.seen.insert(glyphs.at(i));
        face.glyphs.append(glyphs.at(i));
        face.texts.append(i == 0 ? character : QString());
    }
}

std::vector<UnnamedGlyphs> WideGlyphs::Unnamed() const
{
    std::vector<UnnamedGlyphs> out;
    for (const Face &face : m_faces) {
        if (face.name.isEmpty())
            continue;
        // The glyphs the characters of the plane reach in the font (surrogates are none).
        QList<QChar> plane;
        plane.reserve(0xFFFF);
        for (char16_t c = 1; c < 0xD800; ++c)
            plane.append(QChar(c));
        for (char32_t c = 0xE000; c <= 0xFFFF; ++c)
            plane.append(QChar(char16_t(c)));
        QList<quint32> reached(plane.size());
        int n = int(reached.size());
        if (!face.font.glyphIndexesForChars(plane.constData(), int(plane.size()), reached.data(),
                                            &n))
            continue;
        const QSet<quint32> fromPlane(reached.cbegin(), reached.cbegin() + n);
        UnnamedGlyphs u{face.name, {}};
        for (qsizetype i = 0; i < face.glyphs.size(); ++i) {
            if (!fromPlane.contains(face.glyphs.at(i)))
                u.texts.append(face.texts.at(i));
        }
        if (!u.texts.isEmpty())
            out.push_back(std::move(u));
    }
    return out;
}

} // namespace print
