#include "batch/csvparse.h"

#include "store/textfile.h"

namespace batch {

CsvRecords ParseCsv(QStringView text, qint64 *steps, qint64 maxRecords)
{
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote };
    CsvRecords records;
    QStringList record;
    QString field;
    State state = State::FieldStart;
    bool lineHasText = false; // something of the current record was read
    qint64 count = 0;
    const qsizetype n = text.size();
    const QChar *const data = text.data();

    auto endField = [&] {
        record << std::move(field);
        field = QString();
        state = State::FieldStart;
    };
    auto endRecord = [&] {
        if (lineHasText)
            endField();
        records.push_back(std::move(record));
        record = QStringList();
        field.clear();
        state = State::FieldStart;
        lineHasText = false;
    };
    // The run of ordinary characters from i: up to the next ",", quote (when quotes matter) or
    // line end; appended to the field in one piece.
    auto run = [&](qsizetype i, bool quoted) {
        qsizetype j = i;
        if (quoted) {
            while (j < n && data[j] != u'"' && data[j] != u'\r' && data[j] != u'\n')
                ++j;
        } else {
            while (j < n && data[j] != u',' && data[j] != u'\r' && data[j] != u'\n')
                ++j;
        }
        field.append(data + i, j - i);
        count += j - i;
        return j;
    };

    qsizetype i = 0;
    while (i < n) {
        if (maxRecords > 0 && qint64(records.size()) >= maxRecords)
            break;
        ++count;
        const QChar c = data[i];
        const bool lineEnd = c == u'\r' || c == u'\n';
        // CR LF counts as one line end.
        const qsizetype lineEndLen = (c == u'\r' && i + 1 < n && data[i + 1] == u'\n') ? 2 : 1;
        switch (state) {
        case State::FieldStart:
            if (lineEnd) {
                endRecord();
                i += lineEndLen;
                continue;
            }
            lineHasText = true;
            if (c == u',') {
                endField();
            } else if (c == u'"') {
                state = State::Quoted;
            } else {
                field += c;
                if (c != u' ') {
                    state = State::Unquoted;
                    i = run(i + 1, false);
                    continue;
                }
            }
            break;
        case State::Unquoted:
        case State::AfterQuote:
            if (lineEnd) {
                endRecord();
                i += lineEndLen;
                continue;
            }
            if (c == u',') {
                endField();
            } else {
                --count;
                i = run(i, false);
                continue;
            }
            break;
        case State::Quoted:
            if (c == u'"') {
                if (i + 1 < n && data[i + 1] == u'"') {
                    field += u'"';
                    i += 2;
                    continue;
                }
                state = State::AfterQuote;
            } else if (lineEnd) {
                field += u'\n';
                i += lineEndLen;
                continue;
            } else {
                --count;
                i = run(i, true);
                continue;
            }
            break;
        }
        ++i;
    }
    if (lineHasText && !(maxRecords > 0 && qint64(records.size()) >= maxRecords))
        endRecord();
    if (steps)
        *steps = count;
    return records;
}

bool ReadCsvRecords(const QString &path, CsvRecords &records, qint64 maxRecords)
{
    records.clear();
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return false;
    QString text;
    if (!store::ReadTextFile(path, &text))
        return false;
    records = ParseCsv(text, nullptr, maxRecords);
    return true;
}

} // namespace batch
