#pragma once
// The text layer of the PDF files the program writes: what a reader copies or searches is what
// was drawn.

#include <QString>

#include <string>

namespace print {

// Rewrites the ToUnicode maps of the fonts of a written PDF file so that the glyphs an ideograph
// shares with a radical read as the ideograph (人, 月, 日, 角 and the like), not as the radical Qt
// names them by. The pages are not touched. False when the file could not be read or written
// again.
bool PdfTextAsDrawn(const QString &file);

// The same on the text of one ToUnicode map; false (and fixed untouched) when nothing changes.
bool RadicalsToIdeographs(const std::string &cmap, std::string *fixed);

} // namespace print
