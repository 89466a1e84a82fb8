#pragma once
// The text layer of the PDF files the program writes: what a reader copies or searches is what
// was drawn.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace print {

// The glyphs of one font that the PDF writer's ToUnicode map leaves unnamed: those no character
// of the Basic Multilingual Plane reaches in the font (𠀾, 𠮷 and the rest beyond it), in the
// order the document first drew them, with the text each stands for.
struct UnnamedGlyphs
{
    QByteArray font;   // the font's PostScript name, as the file names the font
    QStringList texts; // one a glyph; empty for a glyph that stands for no text of its own
};

// Rewrites the ToUnicode maps of the fonts of a written PDF file so that the glyphs an ideograph
// shares with a radical read as the ideograph (人, 月, 日, 角 and the like), not as the radical Qt
// names them by, and the unnamed glyphs read as the texts given for them. The pages are not
// touched. False when the file could not be read or written again.
bool PdfTextAsDrawn(const QString &file, const std::vector<UnnamedGlyphs> &unnamed = {});

// The same on the text of one ToUnicode map; false (and fixed untouched) when nothing changes.
bool RadicalsToIdeographs(const std::string &cmap, std::string *fixed);

// Names the glyphs of a font of `glyphs` glyphs that its map leaves without text, in the order of
// their codes, by texts (one a glyph). False (and fixed untouched) when the map leaves a different
// number of glyphs unnamed, or nothing changes.
bool NameUnnamedGlyphs(const std::string &cmap, int glyphs, const QStringList &texts,
                       std::string *fixed);

} // namespace print
