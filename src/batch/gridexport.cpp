#include "batch/gridexport.h"

#include "store/db/filewriter.h"
#include "store/model/gridmodel.h"
#include "store/ui/indicator.h"
#include "store/db/reporter.h"
#include "store/db/textfile.h"
#include "store/ui/uihelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <xlsxwriter.h>

#include <cerrno>
#include <vector>

namespace batch {

namespace {

const QString kSaveError = QStringLiteral("文件保存出错！");

std::vector<int> VisibleRows(const store::FlexGridModel &grid)
{
    std::vector<int> rows;
    for (int r = 0; r < grid.Rows(); ++r)
        if (grid.RowHeight(r) > 0)
            rows.push_back(r);
    return rows;
}

std::vector<int> VisibleCols(const store::FlexGridModel &grid)
{
    std::vector<int> cols;
    for (int c = 0; c < grid.Cols(); ++c)
        if (grid.ColWidth(c) > 0)
            cols.push_back(c);
    return cols;
}

// Can the existing file be replaced by a new one written beside it?
bool Replaceable(const QFileInfo &info)
{
    return info.isWritable() && QFileInfo(info.absolutePath()).isWritable();
}

} // namespace

QString SaveDialog::ShowSave(const QString &filter)
{
    const QString chosen =
        chooser ? chooser(filter, FileName) : store::SelectFileDlg(filter, true, FileName);
    if (!chosen.isEmpty())
        FileName = chosen;
    return chosen;
}

void ExportGrid(const store::FlexGridModel &grid, SaveDialog &dialog, const QString &sheetName)
{
    if (grid.Rows() <= 0 || grid.Cols() <= 0) {
        store::ReportMessage(QStringLiteral("表格中没有数据！"));
        return;
    }
    QString file = dialog.ShowSave(kExportFilter);
    if (file.isEmpty())
        return;
    const bool csv = file.right(3).toLower() == QLatin1String("csv");
    // The workbook is an .xlsx file whatever the name asked for.
    if (!csv && file.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        file += u'x';
    const QFileInfo info(file);
    if (info.exists()) {
        if (!store::AskQuestion(QStringLiteral("该文件已存在，是否覆盖？")))
            return;
        if (!Replaceable(info) || info.isDir()) {
            store::ReportMessage(QStringLiteral("该文件无法覆盖，请确认该文件没被其他软件打开！"),
                                 store::MsgKind::Warning);
            return;
        }
    }
    if (csv)
        ExportGridToCsv(grid, file);
    else
        ExportGridToXls(grid, file, sheetName);
}

QString CsvLine(const QStringList &cells)
{
    QStringList out;
    out.reserve(cells.size());
    for (QString cell : cells) {
        cell.replace(u'"', QLatin1String("\"\""));
        if (cell.contains(u',') || cell.contains(u'"') || cell.contains(u'\r') ||
            cell.contains(u'\n'))
            cell = u'"' + cell + u'"';
        out << cell;
    }
    return out.join(u',');
}

bool ExportGridToCsv(const store::FlexGridModel &grid, const QString &fileName)
{
    const std::vector<int> cols = VisibleCols(grid);
    store::ProgressGuard progress;
    store::StartProgress(QStringLiteral("正在导出数据至CSV格式文件……"), grid.Rows());
    store::FileWriter out(fileName);
    bool ok = out.Open();
    QStringList cells;
    for (int r = 0; ok && r < grid.Rows(); ++r) {
        if (grid.RowHeight(r) > 0) {
            cells.clear();
            for (int c : cols)
                cells << grid.TextMatrix(r, c) + u'\t';
            ok = out.Write(store::ToGbk(CsvLine(cells) + QLatin1String("\r\n")));
        }
        store::StepProgress(1, store::StepShows::CountAndTimes);
    }
    ok = ok && out.Commit();
    if (!ok) {
        store::EndProgress();
        store::ReportMessage(kSaveError + u'\n' + out.ErrorText(), store::MsgKind::Error);
    }
    return ok;
}

namespace {

// The most characters one workbook cell holds, counted as the spreadsheet counts them (UTF-16
// code units; the TAB the export adds to every cell counts too).
constexpr qsizetype kCellMax = 32767;

QString Grouped(qint64 n)
{
    return QLocale(QLocale::Chinese, QLocale::China).toString(n);
}

// The first visible cell too long for a workbook, told by its place in the sheet (rows and
// columns counted as the workbook numbers them, the header rows included) and the caption of
// its column; "" when every cell fits.
QString TooLongCell(const store::FlexGridModel &grid, const std::vector<int> &rows,
                    const std::vector<int> &cols)
{
    const int captionRow = grid.FixedRows() - 1;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < cols.size(); ++c) {
            const qsizetype length = grid.TextMatrix(rows[r], cols[c]).size();
            if (length + 1 <= kCellMax)
                continue;
            const QString letters = ColNumToLetter(qint32(c + 1));
            QString place = QStringLiteral("第%1行、").arg(Grouped(qint64(r + 1))) +
                            (letters.isEmpty() ? QStringLiteral("第%1列").arg(c + 1)
                                               : letters + QStringLiteral("列"));
            if (captionRow >= 0 && rows[r] > captionRow && grid.RowHeight(captionRow) > 0) {
                const QString caption = grid.TextMatrix(captionRow, cols[c]).simplified();
                if (!caption.isEmpty() && caption.size() <= 40)
                    place += QStringLiteral("（“%1”）").arg(caption);
            }
            return QStringLiteral("%1的单元格有%2个字符，超过了Excel工作簿一个单元格最多能容纳的"
                                  "32,767个字符（导出时加在每个单元格末尾的制表符也计算在内）。\n"
                                  "请改为导出CSV文件（*.csv），CSV文件没有这个限制。")
                .arg(place, Grouped(length));
        }
    }
    return QString();
}

// What libxlsxwriter's error means, in words for the user.
QString XlsxErrorText(lxw_error e)
{
    switch (e) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("内存不足。");
    case LXW_ERROR_CREATING_XLSX_FILE:
        return QStringLiteral("无法建立工作簿文件。");
    case LXW_ERROR_CREATING_TMPFILE:
        return QStringLiteral("无法在临时文件夹“%1”中建立工作簿的临时文件。")
            .arg(QDir::toNativeSeparators(QDir::tempPath()));
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("无法读回工作簿的临时文件。");
    case LXW_ERROR_ZIP_FILE_OPERATION:
        return QStringLiteral("写入工作簿文件时出错。");
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
        return QStringLiteral("压缩工作簿时参数有误。");
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
        return QStringLiteral("工作簿的压缩文件已损坏。");
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
        return QStringLiteral("压缩工作簿时发生内部错误。");
    case LXW_ERROR_ZIP_FILE_ADD:
        return QStringLiteral("无法把内容加入工作簿文件。");
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("无法完成工作簿文件。");
    case LXW_ERROR_FEATURE_NOT_SUPPORTED:
        return QStringLiteral("工作簿不支持这项功能。");
    case LXW_ERROR_NULL_PARAMETER_IGNORED:
        return QStringLiteral("缺少必要的内容。");
    case LXW_ERROR_PARAMETER_VALIDATION:
        return QStringLiteral("内容超出了工作簿允许的范围。");
    case LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED:
        return QStringLiteral("工作表的名称超过了31个字符。");
    case LXW_ERROR_INVALID_SHEETNAME_CHARACTER:
        return QStringLiteral("工作表的名称含有不允许的字符（[ ] : * ? / \\）。");
    case LXW_ERROR_SHEETNAME_START_END_APOSTROPHE:
        return QStringLiteral("工作表的名称不能以单引号开头或结尾。");
    case LXW_ERROR_SHEETNAME_ALREADY_USED:
        return QStringLiteral("工作表的名称已被使用。");
    case LXW_ERROR_32_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("一项文字超过了32个字符。");
    case LXW_ERROR_128_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("一项文字超过了128个字符。");
    case LXW_ERROR_255_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("一项文字超过了255个字符。");
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("单元格的文字超过了工作簿一个单元格最多能容纳的32,767个字符。\n"
                              "请改为导出CSV文件（*.csv），CSV文件没有这个限制。");
    case LXW_ERROR_SHARED_STRING_INDEX_NOT_FOUND:
        return QStringLiteral("工作簿的共享文字表中找不到要写的文字。");
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("行号或列号超出了工作表的范围。");
    case LXW_ERROR_WORKSHEET_MAX_URL_LENGTH_EXCEEDED:
        return QStringLiteral("网址超过了工作簿允许的长度。");
    case LXW_ERROR_WORKSHEET_MAX_NUMBER_URLS_EXCEEDED:
        return QStringLiteral("网址的个数超过了工作表允许的数目。");
    case LXW_ERROR_IMAGE_DIMENSIONS:
        return QStringLiteral("无法读出图片的大小。");
    default:
        return QStringLiteral("工作簿无法写成（%1）。").arg(QString::fromUtf8(lxw_strerror(e)));
    }
}

// Errors of libxlsxwriter that come from writing or reading a file: what happened to the file
// tells more than the library.
bool IsFileError(lxw_error e)
{
    switch (e) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return true;
    default:
        return false;
    }
}

// The reason of a workbook the library failed to close: its error, and for a file that could
// not be written, the system's error (err, else what writing in the file's folder gives now).
QString CloseFailedText(lxw_error e, int err, const QString &temp)
{
    if (!IsFileError(e))
        return XlsxErrorText(e);
    const QString tempFolderFile = QDir::temp().filePath(QStringLiteral("x"));
    const QString where = e == LXW_ERROR_CREATING_TMPFILE ? tempFolderFile : temp;
    if (!err)
        err = store::FolderWriteError(where);
    return err ? XlsxErrorText(e) + u'\n' + store::ErrnoReason(err, where) : XlsxErrorText(e);
}

} // namespace

bool ExportGridToXls(const store::FlexGridModel &grid, const QString &fileName,
                     const QString &sheetName)
{
    const std::vector<int> rows = VisibleRows(grid);
    const std::vector<int> cols = VisibleCols(grid);
    store::FileWriter out(fileName);
    auto fail = [&](const QString &reason) {
        out.Fail(reason);
        out.Cancel();
        store::EndProgress();
        store::ReportMessage(kSaveError + u'\n' + out.ErrorText(), store::MsgKind::Error);
        return false;
    };
    // What a workbook cannot hold is refused before anything is written.
    if (rows.size() > LXW_ROW_MAX || cols.size() > LXW_COL_MAX)
        return fail(QStringLiteral("表格超过了工作表的最大行数或列数。"));
    const QString tooLong = TooLongCell(grid, rows, cols);
    if (!tooLong.isEmpty())
        return fail(tooLong);

    store::ProgressGuard progress;
    store::StartProgress(QStringLiteral("正在将数据导出到EXCEL文件 …"), grid.Rows() - 1);

    // The workbook is written into the writer's temporary beside the target and put in its place
    // only when complete and synced.
    if (!out.Open())
        return fail(QString());
    const QByteArray tempName = QFile::encodeName(out.TempPath());
    QByteArray tempFolder = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options = {};
    options.tmpdir = tempFolder.data();
    lxw_workbook *wb = workbook_new_opt(tempName.constData(), &options);
    if (!wb)
        return fail(XlsxErrorText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    store::StepProgress(1, store::StepShows::CountAndTimes);
    const QByteArray sheetUtf8 = sheetName.toUtf8();
    lxw_error failed = workbook_validate_sheet_name(wb, sheetUtf8.constData());
    lxw_worksheet *ws =
        failed == LXW_NO_ERROR ? workbook_add_worksheet(wb, sheetUtf8.constData()) : nullptr;
    if (!ws && failed == LXW_NO_ERROR)
        failed = LXW_ERROR_MEMORY_MALLOC_FAILED;
    store::StepProgress(1, store::StepShows::CountAndTimes);

    lxw_format *body = workbook_add_format(wb);
    format_set_border(body, LXW_BORDER_THIN);
    lxw_format *header = workbook_add_format(wb);
    format_set_border(header, LXW_BORDER_THIN);
    format_set_bold(header);
    format_set_pattern(header, LXW_PATTERN_SOLID);
    format_set_bg_color(header, 0xFFC080);

    const int fixedRows = grid.FixedRows();
    lxw_row_t outRow = 0;
    for (int r = 0; failed == LXW_NO_ERROR && r < grid.Rows(); ++r) {
        if (grid.RowHeight(r) > 0) {
            lxw_format *fmt = r < fixedRows ? header : body;
            lxw_col_t outCol = 0;
            for (int c : cols) {
                const QString text = grid.TextMatrix(r, c);
                if (text.isEmpty()) {
                    failed = worksheet_write_blank(ws, outRow, outCol, fmt);
                } else {
                    const QByteArray utf8 = (text + u'\t').toUtf8();
                    failed = worksheet_write_string(ws, outRow, outCol, utf8.constData(), fmt);
                }
                if (failed != LXW_NO_ERROR)
                    break;
                if (r + 1 == fixedRows)
                    worksheet_set_column(ws, outCol, outCol, double(grid.ColWidth(c) / 123),
                                         nullptr);
                ++outCol;
            }
            ++outRow;
        }
        store::StepProgress(1, store::StepShows::CountAndTimes);
    }
    // A workbook that already failed is freed unwritten; closing writes it.
    if (failed != LXW_NO_ERROR) {
        lxw_workbook_free(wb);
        return fail(XlsxErrorText(failed));
    }
    errno = 0;
    const lxw_error closed = workbook_close(wb);
    const int closeErrno = errno;
    if (closed != LXW_NO_ERROR)
        return fail(CloseFailedText(closed, closeErrno, out.TempPath()));
    return out.Commit() || fail(QString());
}

QString ColNumToLetter(qint32 n)
{
    if (n < 1 || n > 702)
        return QString();
    const int f = (n - 1) / 26;
    const int m = n - 26 * f;
    QString out;
    if (f > 0)
        out += QChar(char16_t(64 + f));
    out += QChar(char16_t(64 + m));
    return out;
}

qint16 ColLetterToNum(const QString &text)
{
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty())
        return 0;
    if (t.size() > 2)
        return 0;
    int n = t.back().unicode() - 64;
    if (t.size() == 2)
        n += (t.front().unicode() - 64) * 26;
    if (n <= 0)
        return 1;
    return qint16(std::min(n, 32767));
}

} // namespace batch
