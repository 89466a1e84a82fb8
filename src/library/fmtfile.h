#pragma once
// Format files (.cqf): a format's rows of table Fmt as GBK text, one line per row, beside its
// background picture (.jpg of the same stem). Export writes one, import adds the format it holds
// under a free name, with its links renumbered to the new rows, all or nothing.

#include <QString>

#include <functional>
#include <optional>

namespace store {
class FormatCommandHost;
}

namespace library {

inline constexpr const char16_t *kFmtFileHeader = u"<Veltrane格式专用>";
inline constexpr const char16_t *kFmtFileSeparator = u"】★【";
inline constexpr const char16_t *kFmtFileFilter = u"支票格式(*.cqf)|*.cqf";

// True when the name holds "支票" or "进账单".
bool IsFmtOfKind(const QString &name);

// How the file dialogs are asked (filter, save, default name); tests answer them. An empty
// function restores the program's dialogs.
using FileQuestion = std::function<QString(const QString &filter, bool save, const QString &def)>;
void SetFileQuestion(FileQuestion question);
QString AskFileName(const QString &filter, bool save, const QString &def);

// The whole file text of a stored format ("" when it has no rows).
QString FmtFileText(const QString &name);

// Exports the format (empty: the name chooser asks) into a file the save dialog asks for, with
// its picture beside it. The name of the format written; nothing when none was.
std::optional<QString> ExportFmtFile(store::FormatCommandHost &host, const QString &name = QString());

// Imports the format file (empty: the open dialog asks); picture: the picture to install with it
// (empty: the .jpg beside the file). True when the format was added (whether or not the user
// then opens it).
bool ImportFmtFile(store::FormatCommandHost &host, const QString &path = QString(),
                   const QString &picture = QString());

} // namespace library
