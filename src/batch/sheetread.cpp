#include "batch/sheetread.h"

#include "batch/csvparse.h"
#include "batch/gridexport.h"
#include "batch/sheetsource.h"

#include "store/model/gridbind.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace batch {

namespace {

const QString kReadCaption = QStringLiteral("正在读取EXCEL数据……");
const QString kCsvError = QStringLiteral("CSV文件导入错误！");
const QString kNothingToImport = QStringLiteral("没有可导入的数据！");

// The progress window's bar follows a long workbook read; closing the window (or Esc) stops it.
bool WorkbookReadGoesOn(double fraction)
{
    store::DrawProgress(qint32(fraction * store::ProgressState().total));
    return store::ProgressShowing();
}

// Blanks around the text removed (only blanks, as the specs were always trimmed).
QString TrimBlanks(const QString &s)
{
    qsizetype a = 0, b = s.size();
    while (a < b && s[a] == u' ')
        ++a;
    while (b > a && s[b - 1] == u' ')
        --b;
    return s.mid(a, b - a);
}

bool IsAsciiLetters(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    });
}

bool IsDigits(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The items of a spec: split at "," outside literals; a literal runs from a quote at an item's
// start to the next quote followed by blanks and a comma or the end.
QStringList SplitSpec(const QString &spec)
{
    QStringList items;
    const qsizetype n = spec.size();
    qsizetype i = 0;
    while (true) {
        qsizetype j = i;
        while (j < n && spec[j] == u' ')
            ++j;
        if (j < n && spec[j] == u'"') {
            qsizetype k = j + 1;
            qsizetype after = -1;
            while ((k = spec.indexOf(u'"', k)) >= 0) {
                qsizetype m = k + 1;
                while (m < n && spec[m] == u' ')
                    ++m;
                if (m == n || spec[m] == u',') {
                    after = m;
                    break;
                }
                ++k;
            }
            if (after >= 0) {
                items << spec.mid(i, after - i);
                if (after == n)
                    break;
                i = after + 1;
                continue;
            }
        }
        const qsizetype comma = spec.indexOf(u',', i);
        if (comma < 0) {
            items << spec.mid(i);
            break;
        }
        items << spec.mid(i, comma - i);
        i = comma + 1;
    }
    return items;
}

// How far the specs read above (first, 0 or negative) and below (second, 0 or positive) the
// record's own row.
std::pair<qint64, qint64> OffsetRange(const std::vector<std::vector<SpecItem>> &specs)
{
    std::pair<qint64, qint64> range{0, 0};
    for (const auto &items : specs)
        for (const SpecItem &it : items)
            if (!it.literal) {
                range.first = std::min(range.first, it.offset);
                range.second = std::max(range.second, it.offset);
            }
    return range;
}

std::vector<std::vector<SpecItem>> ParsedSpecs(const ImportMaps &maps)
{
    QStringList specs = MergeColLists(maps);
    NormalizeColSpecs(specs);
    std::vector<std::vector<SpecItem>> out;
    out.reserve(size_t(specs.size()));
    for (const QString &s : specs)
        out.push_back(ParseColSpec(s));
    return out;
}

// When formula cells that the records read have no result in the file (its writer computed
// nothing), the clerk is told how many, in which columns, and how to get the values, and
// chooses whether to import them empty. False: stop.
bool MissingResultsAccepted(const SheetData &data, qint64 start, qint64 end,
                            const std::vector<std::vector<SpecItem>> &specs)
{
    if (data.MissingResults().empty())
        return true;
    QSet<qint64> read;
    for (const auto &items : specs)
        for (const SpecItem &it : items)
            if (!it.literal)
                read.insert(it.col);
    const auto [above, below] = OffsetRange(specs);
    std::map<qint64, int> perColumn;
    int count = 0;
    for (const auto &[row, col] : data.MissingResults())
        if (read.contains(col) && row >= start + above && row <= end + below) {
            ++perColumn[col];
            ++count;
        }
    if (count == 0)
        return true;
    QStringList columns;
    for (const auto &[col, n] : perColumn) {
        QString c = ColNumToLetter(qint32(col)) + QStringLiteral("列");
        // The row above the first record holds the column's title as a rule (the first row
        // when the records start there).
        const QString title = data.Cell(std::max<qint64>(1, start - 1), col).trimmed();
        if (!title.isEmpty())
            c += QStringLiteral("“") + title.left(20) + QStringLiteral("”");
        columns << c + QStringLiteral("%1个").arg(n);
    }
    if (columns.size() > 10)
        columns = columns.mid(0, 10) << QStringLiteral("等");
    return store::AskQuestion(
        QStringLiteral("此表格中有%1个公式单元格没有保存计算结果（%2），导入后这些单元格将是空的。\n\n"
                       "请先用Excel、WPS或LibreOffice打开此文件并保存一次，再重新导入。\n\n"
                       "是否仍然导入？")
            .arg(count)
            .arg(columns.join(QStringLiteral("，"))));
}

// The records into the prepared grid, one progress step each.
void FillRecords(store::FlexGridModel &grid, qint64 records, const SheetData &sheet, qint64 start,
                 qint64 n, const std::vector<std::vector<SpecItem>> &specs, const QString &crlf)
{
    const int fr = grid.FixedRows();
    const int fc = grid.FixedCols();
    store::StartProgress(kReadCaption, qint32(records));
    // Every step of the progress window redraws it and lets events run: the count moves on in
    // steps of at most a few hundred per import.
    const qint64 every = std::max<qint64>(1, records / 300);
    qint64 pending = 0;
    for (qint64 r = 0; r < records; ++r) {
        const qint64 first = start + r * n;
        for (size_t k = 0; k < specs.size(); ++k) {
            if (specs[k].empty())
                continue;
            grid.SetTextMatrix(int(fr + r), int(fc + k), SpecValue(specs[k], sheet, first, crlf));
        }
        if (++pending == every || r + 1 == records) {
            store::StepProgress(qint32(pending), store::StepShows::CountAndTimes);
            pending = 0;
        }
    }
}

// Fits the columns to the records, each text shown whole in its cell. A batch holds up to 30,000
// records of mostly distinct texts: they are measured by the advances of their characters.
void FitColumns(store::FlexGridModel &grid)
{
    store::AutoColWidth(grid, grid.FixedRows(), true, store::MeasureBy::Characters);
}

// Rows per record as the readers take it: 0 when usable, else the failure number.
int RowsPerRecordError(qint32 n)
{
    if (n < 1)
        return 11;
    if (n > 32767)
        return 6;
    return 0;
}

} // namespace

QStringList MergeColLists(const ImportMaps &maps)
{
    return maps.TT + maps.CC + maps.II;
}

std::vector<int> MergedIndexes(const ImportMaps &maps)
{
    std::vector<int> out;
    for (int k = 1; k <= maps.TT.size(); ++k)
        out.push_back(k);
    for (int k = 1; k <= maps.CC.size(); ++k)
        out.push_back(1000 + k);
    for (int k = 1; k <= maps.II.size(); ++k)
        out.push_back(2000 + k);
    return out;
}

void NormalizeColSpecs(QStringList &specs)
{
    for (QString &s : specs) {
        s.replace(QChar(0x201C), u'"');
        s.replace(QChar(0x201D), u'"');
        s.replace(QChar(0xFF0C), u',');
        s = TrimBlanks(s);
        if (s.startsWith(u','))
            s.remove(0, 1);
        if (s.endsWith(u','))
            s.chop(1);
    }
}

std::vector<SpecItem> ParseColSpec(const QString &spec)
{
    std::vector<SpecItem> out;
    if (spec.isEmpty())
        return out;
    for (QString item : SplitSpec(spec)) {
        item.remove(u'\r');
        item.remove(u'\n');
        item = TrimBlanks(item);
        if (item.size() >= 2 && item.front() == u'"' && item.back() == u'"') {
            SpecItem it;
            it.literal = true;
            it.text = item.mid(1, item.size() - 2);
            out.push_back(it);
            continue;
        }
        qint64 offset = 0;
        const qsizetype plus = item.lastIndexOf(u'+');
        if (plus >= 0) {
            const double v = store::RoundEven(store::Val(QStringView(item).mid(plus + 1)));
            offset = qint64(std::clamp(v, -1e12, 1e12));
            item = TrimBlanks(item.left(plus));
        }
        qint64 col = 0;
        if (!item.isEmpty() && item.size() <= 2 && IsAsciiLetters(item)) {
            col = ColLetterToNum(item);
        } else if (!item.isEmpty() && item.size() <= 9 && IsDigits(item)) {
            col = item.toLongLong();
        }
        if (col < 1)
            continue;
        SpecItem it;
        it.col = col;
        it.offset = offset;
        out.push_back(it);
    }
    return out;
}

QString SpecValue(const std::vector<SpecItem> &items, const SheetData &sheet, qint64 firstRow,
                  const QString &crlfChr)
{
    QString value;
    for (const SpecItem &it : items) {
        if (it.literal) {
            value += it.text;
            continue;
        }
        const qint64 row = firstRow + it.offset;
        if (row < 1)
            continue;
        QString cell = sheet.Cell(row, it.col);
        if (cell.endsWith(u'\t'))
            cell.chop(1);
        value += cell;
    }
    if (value.contains(u'\n'))
        value.replace(u'\n', crlfChr);
    return value;
}

qint64 RecordCount(qint64 start, qint64 end, qint64 n, qint64 lastRow)
{
    if (n < 1 || end < start)
        return 0;
    qint64 r = (end - start + 1 + n - 1) / n;
    // No record begins after the sheet's last row.
    if (lastRow < start)
        return 0;
    return std::min(r, (lastRow - start) / n + 1);
}

void PrepareDataGrid(store::FlexGridModel &grid, qint64 records, const ImportMaps &maps,
                     const ImportPage &page)
{
    const std::vector<int> indexes = MergedIndexes(maps);
    const int fr = grid.FixedRows();
    const int fc = grid.FixedCols();
    // Old records and columns go first, so that nothing of them stays in the new cells.
    grid.SetRows(fr);
    grid.SetCols(fc);
    grid.SetCols(fc + int(indexes.size()));
    grid.SetRows(fr + int(records));
    grid.SetRowHeight(0, 0);
    for (qint64 r = 0; r < records; ++r)
        grid.SetTextMatrix(int(fr + r), 0, QString::number(r + 1));
    for (size_t k = 0; k < indexes.size(); ++k) {
        const int col = fc + int(k);
        grid.SetTextMatrix(0, col, QString::number(indexes[k]));
        if (fr > 1)
            grid.SetTextMatrix(1, col, page.caption ? page.caption(indexes[k]) : QString());
    }
}

namespace {

// The records of the sheet rows start..end into the grid, then the columns fitted and the
// progress window closed. A sheet that gives no record is reported and the grid keeps what it
// holds.
void WriteRecords(store::FlexGridModel &grid, const SheetData &data, qint64 start, qint64 end,
                  qint64 rowsPerRecord, const ImportMaps &maps,
                  const std::vector<std::vector<SpecItem>> &specs, const ImportPage &page)
{
    const qint64 records = RecordCount(start, end, rowsPerRecord, data.LastRow());
    if (records == 0) {
        store::EndProgress();
        store::ReportMessage(kNothingToImport, store::MsgKind::Warning);
        return;
    }
    const bool redraw = grid.Redraw();
    grid.SetRedraw(false);
    PrepareDataGrid(grid, records, maps, page);
    FillRecords(grid, records, data, start, rowsPerRecord, specs, page.crlfChr);
    FitColumns(grid);
    grid.SetRedraw(redraw);
    store::EndProgress();
}

} // namespace

int ReadExcelData(store::FlexGridModel &grid, const QString &path, const QString &sheet,
                  qint32 start, qint32 end, const ImportMaps &maps, qint32 rowsPerRecord,
                  const ImportPage &page)
{
    auto failure = [&](int number) {
        store::EndProgress();
        if (number != kSheetCancelled)
            ReportSheetError(number);
        return number;
    };
    if (const int e = RowsPerRecordError(rowsPerRecord))
        return failure(e);
    store::OrderPair(end, start);
    store::StartProgress(kReadCaption, 100);
    const auto specs = ParsedSpecs(maps);
    SheetData data;
    bool wrongSuffix = false;
    const qint64 lastNeeded = qint64(end) + OffsetRange(specs).second;
    // A workbook that cannot be read leaves the grid as it was.
    const int e = LoadWorkbookSheet(path, sheet, std::max<qint64>(lastNeeded, 1), 702, data,
                                    &wrongSuffix, WorkbookReadGoesOn);
    if (e != 0 || wrongSuffix)
        return failure(e);
    if (!MissingResultsAccepted(data, start, end, specs))
        return failure(kSheetCancelled);
    WriteRecords(grid, data, start, end, rowsPerRecord, maps, specs, page);
    return 0;
}

int ReadCsvData(store::FlexGridModel &grid, const QString &path, qint32 start, qint32 end,
                const ImportMaps &maps, qint32 rowsPerRecord, const ImportPage &page)
{
    auto failure = [&] {
        store::EndProgress();
        store::ReportMessage(kCsvError, store::MsgKind::Warning);
        return 0;
    };
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return failure();
    store::OrderPair(end, start);
    const auto specs = ParsedSpecs(maps);
    // Only the rows the records read are kept (the others are counted to find the records'
    // places); none after the last one read.
    CsvRecords records;
    const auto [above, below] = OffsetRange(specs);
    if (RowsPerRecordError(rowsPerRecord) ||
        !ReadCsvRecords(path, records, std::max<qint64>(1, qint64(end) + below),
                        std::max<qint64>(0, qint64(start) + above - 1)))
        return failure();
    SheetData data;
    CsvToSheet(records, data);
    records = CsvRecords();
    WriteRecords(grid, data, start, end, rowsPerRecord, maps, specs, page);
    return 0;
}

namespace {

void SheetToPreview(store::FlexGridModel &grid, const SheetData &data)
{
    for (int r = 1; r < grid.Rows(); ++r)
        for (int c = 1; c < grid.Cols(); ++c)
            grid.SetTextMatrix(r, c, data.Cell(r, c));
}

} // namespace

void LoadCsvToGrid(store::FlexGridModel &grid, const QString &path)
{
    CsvRecords records;
    if (!ReadCsvRecords(path, records, std::max(0, grid.Rows() - 1)))
        return;
    SheetData data;
    CsvToSheet(records, data);
    SheetToPreview(grid, data);
}

int LoadSheetToGrid(store::FlexGridModel &grid, const QString &path, const QString &sheet)
{
    SheetData data;
    const int e =
        LoadWorkbookSheet(path, sheet, std::max(1, grid.Rows() - 1), std::max(1, grid.Cols() - 1),
                          data, nullptr, WorkbookReadGoesOn);
    if (e == 0)
        SheetToPreview(grid, data);
    return e;
}

} // namespace batch
