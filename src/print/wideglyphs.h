#pragma once
// The characters beyond the Basic Multilingual Plane that a document draws, noted by font and
// glyph as they are drawn, so that its PDF file's text layer can name them.

#include "print/pdftext.h"

#include <QList>
#include <QRawFont>
#include <QSet>
#include <QString>

#include <vector>

namespace print {

class WideGlyphs
{
public:
    // Notes the glyphs one character beyond the plane was laid out to in a font; the first
    // stands for the character. A glyph noted before keeps its place and text.
    void Note(const QRawFont &font, const QList<quint32> &glyphs, const QString &character);
    bool IsEmpty() const { return m_faces.isEmpty(); }
    // By font, the noted glyphs that no character of the plane reaches, in the order noted.
    std::vector<UnnamedGlyphs> Unnamed() const;

private:
    // One font file's face, whatever its size or weight: its glyphs are the same.
    struct Face
    {
        QByteArray name;
        QRawFont font;
        QList<quint32> glyphs;
        QStringList texts;
        QSet<quint32> seen;
    };
    QList<std::pair<QRawFont, qsizetype>> m_fonts; // a face for each font met
    QList<Face> m_faces;
};

// The PostScript name a font's naming table gives it, as the font engine reads it; "" when it
// has none.
QByteArray PostScriptName(const QRawFont &font);

} // namespace print
