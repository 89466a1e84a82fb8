#pragma once
// Putting a stored format onto the page: its whole-format settings, the page size, the field
// grid, one field per row and the default record.

#include <QString>

namespace page {

class PageHost;

inline constexpr const char16_t *kInitFmtCaption = u"正在初始化格式……";

// Loads the format fmtName onto the page while the page is hidden and a progress window shows the
// steps. Every step runs even when an earlier one failed; the page is shown again and the progress
// window closed in every case. Its one message, after the window has closed, names the rows
// that make no field.
void InitFmtOnPage(PageHost &host, const QString &fmtName);

} // namespace page
