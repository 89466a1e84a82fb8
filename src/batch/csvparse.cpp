#include "batch/csvparse.h"

#include "store/db/textfile.h"

namespace batch {

CsvRecords ParseCsv(QStringView text, qint64 *steps, qint64 maxRecords, qint64 firstKept)
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
    bool keep = firstKept <= 0; // the fields of this record are wanted

    auto endField = [&] {
        if (keep)
            record << std::move(field);
        field = QString();
        state = State::FieldStart;
    };
    auto endRecord = [&] {
        if (lineHasText)
            endField();
        const qsizetype fields = record.size();
        records.push_back(std::move(record));
        record = QStringList();
        record.reserve(fields); // records are mostly alike
        field.clear();
        keep = qint64(records.size()) >= firstKept;
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
        if (keep)
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
            } else if (c == u' ') {
                field += c;
            } else {
                // The field's text from here in one piece.
                state = State::Unquoted;
                --count;
                i = run(i, false);
                continue;
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

bool ReadCsvRecords(const QString &path, CsvRecords &records, qint64 maxRecords, qint64 firstKept)
{
    records.clear();
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return false;
    QString text;
    if (!store::ReadTextFile(path, &text))
        return false;
    records = ParseCsv(text, nullptr, maxRecords, firstKept);
    return true;
}

} // namespace batch
