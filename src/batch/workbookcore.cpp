#include "batch/workbookcore.h"

#include <algorithm>

namespace batch {

int FindSheet(const QStringList &names, const QString &sheet)
{
    int i = int(names.indexOf(sheet));
    if (i < 0) {
        for (int k = 0; k < names.size(); ++k)
            if (names.at(k).compare(sheet, Qt::CaseInsensitive) == 0)
                return k;
    }
    return i;
}

bool IsDateFormatCode(const QString &code)
{
    bool inQuote = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (inQuote) {
            if (c == u'"')
                inQuote = false;
            continue;
        }
        if (c == u'"')
            inQuote = true;
        else if (c == u'[')
            ++bracket;
        else if (c == u']')
            bracket = std::max(0, bracket - 1);
        else if (c == u'\\')
            ++i;
        else if (bracket == 0) {
            const char16_t l = c.toLower().unicode();
            if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u's')
                return true;
        }
    }
    return false;
}

bool IsBuiltinDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) ||
           (id >= 50 && id <= 58);
}

} // namespace batch
