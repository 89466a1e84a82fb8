#pragma once
// The value of a field as one text: a text box's text (CR LF line breaks), a check box's state
// ("1" checked, "" unchecked, "2" greyed), a picture field's link (a file path when it holds ".",
// else barcode text). Lines and labels have no value.

#include "page/field.h"

#include <QString>

#include <functional>

namespace page {

QString GetCtlValue(const PageField *ctl);

// Puts a value into a field: a text box takes the text, with every line-break symbol turned into
// CR LF when substituteCrlf is set (texts from sheets use the symbol; stored values already hold
// line breaks); a check box is checked when the trimmed text is not empty ("0" checks it); a
// picture field shows its content through the picture content handler. Other kinds: nothing.
void SetCtlValue(PageField *ctl, const QString &text, const QString &crlfChr,
                 bool substituteCrlf = true);

// How a picture field shows its link: the picture from a file, or a barcode. The page installs
// the full handler; without one the field keeps the link and loads a picture file.
using PictureContentHandler = std::function<void(PictureField &, const QString &)>;
void SetPictureContentHandler(PictureContentHandler handler);
void SetPicCtlContent(PictureField &field, const QString &link);

} // namespace page
