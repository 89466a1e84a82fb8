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

bool ExportGridToXls(const store::FlexGridModel &grid, const QString &fileName,
                     const QString &sheetName)
{
    const std::vector<int> rows = VisibleRows(grid);
    const std::vector<int> cols = VisibleCols(grid);
    store::FileWriter out(fileName);
    auto fail = [&] {
        if (!out.Failed())
            out.Fail(store::ErrnoReason(errno));
        out.Cancel();
        store::EndProgress();
        store::ReportMessage(kSaveError + u'\n' + out.ErrorText(), store::MsgKind::Error);
        return false;
    };
    // A workbook sheet holds at most 1,048,576 rows and 16,384 columns.
    if (rows.size() > 1048576 || cols.size() > 16384) {
        out.Fail(QStringLiteral("表格超过了工作表的最大行数或列数。"));
        return fail();
    }

    store::ProgressGuard progress;
    store::StartProgress(QStringLiteral("正在将数据导出到EXCEL文件 …"), grid.Rows() - 1);

    // The workbook is written into the writer's temporary beside the target and put in its place
    // only when complete and synced.
    if (!out.Open())
        return fail();
    const QByteArray tempName = QFile::encodeName(out.TempPath());
    errno = 0;
    lxw_workbook *wb = workbook_new(tempName.constData());
    if (!wb)
        return fail();
    store::StepProgress(1, store::StepShows::CountAndTimes);
    const QByteArray sheetUtf8 = sheetName.toUtf8();
    lxw_worksheet *ws = workbook_add_worksheet(wb, sheetUtf8.constData());
    bool ok = ws != nullptr;
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
    for (int r = 0; ok && r < grid.Rows(); ++r) {
        if (grid.RowHeight(r) > 0) {
            lxw_format *fmt = r < fixedRows ? header : body;
            lxw_col_t outCol = 0;
            for (int c : cols) {
                const QString text = grid.TextMatrix(r, c);
                lxw_error e;
                if (text.isEmpty()) {
                    e = worksheet_write_blank(ws, outRow, outCol, fmt);
                } else {
                    const QByteArray utf8 = (text + u'\t').toUtf8();
                    e = worksheet_write_string(ws, outRow, outCol, utf8.constData(), fmt);
                }
                if (e != LXW_NO_ERROR) {
                    ok = false;
                    break;
                }
                if (r + 1 == fixedRows)
                    worksheet_set_column(ws, outCol, outCol, double(grid.ColWidth(c) / 123),
                                         nullptr);
                ++outCol;
            }
            ++outRow;
        }
        store::StepProgress(1, store::StepShows::CountAndTimes);
    }
    errno = 0;
    const lxw_error closed = workbook_close(wb);
    if (!ok || closed != LXW_NO_ERROR)
        return fail();
    return out.Commit() || fail();
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
