#pragma once
// The program speaks Simplified Chinese on every machine: numbers and dates in the Chinese forms,
// and the texts Qt draws itself (file dialogs, message box buttons, font and colour dialogs) from
// Qt's own Chinese translation, whatever the machine's locale says.

class QCoreApplication;

namespace store {

// Makes Chinese (China) the default locale and, when an application object exists, installs Qt's
// Simplified Chinese translation with the program's few texts of its own on top. Returns false
// when Qt's translation could not be found (the dialogs then stay as Qt draws them).
bool UseChineseLanguage();

} // namespace store
