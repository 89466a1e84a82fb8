#pragma once
// The help of the program: pages on the maker's web server (store::WebServerBase followed by a
// path) and the manual "XRM.CHM" in the program folder, each opened by the desktop's program for
// it. What cannot be opened is said.

#include <QString>

namespace mainwin {

inline constexpr const char16_t *kHowToFormatPage = u"/Help/QA.asp?id=23";
inline constexpr const char16_t *kContactPage1 = u"/Help/Contact.asp?id=1";
inline constexpr const char16_t *kContactPage2 = u"/Help/Contact.asp?id=2";
inline constexpr const char16_t *kMakerPage = u"/radovezorur/";

// Opens the page at path on the maker's server; false (after the message) when no server is set
// or the desktop opened nothing.
bool OpenWebPage(const QString &path);

// The manual's path in the program folder.
QString HelpFilePath();
// Opens the manual; false (after the message) when it is missing or nothing opened it.
bool OpenHelpFile();

} // namespace mainwin
