#include "store/model/gridbind.h"

#include "store/db/progress.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace store {

namespace {

// Index of the row-number column: the first column whose caption is "序号", or -1.
int RowNumberColumn(const FlexGridModel &grid)
{
    const int h = grid.FixedRows() - 1;
    if (h < 0)
        return -1;
    for (int c = 0; c < grid.Cols(); ++c)
        if (grid.TextMatrix(h, c) == QStringView(kRowNumberCaption))
            return c;
    return -1;
}

void Renumber(FlexGridModel &grid, int fromRow)
{
    const int c = grid.FixedCols() - 1;
    if (c < 0)
        return;
    for (int r = std::max(fromRow, grid.FixedRows()); r < grid.Rows(); ++r)
        grid.SetTextMatrix(r, c, QString::number(r - grid.FixedRows() + 1));
}

QString DoubleText(double v, int decimals)
{
    if (!std::isfinite(v))
        return QString();
    const double scale = std::pow(10.0, std::clamp(decimals, 0, 9));
    const double scaled = std::nearbyint(v * scale);
    if (std::fabs(scaled) >= 9.0e15)
        return QString();
    return CStr(scaled / scale);
}

bool TruthOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString t = value.toString().trimmed();
        if (t.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (IsNumeric(t))
            return Val(t) != 0;
        return false;
    }
    bool ok = false;
    const double d = value.toDouble(&ok);
    return ok && d != 0;
}

// How one grid column is filled from a record.
struct ColumnSource
{
    enum Kind { Nothing, RowNumber, Color, Lookup, Field } kind = Nothing;
    int field = -1;
    ColType type = ColType::Text;
    QString lookupTable;
    QString lookupShown;
    ColType lookupType = ColType::Text;
};

} // namespace

bool InitGridCols(FlexGridModel &grid, const QStringList &names, const QStringList &captions)
{
    if (names.size() != captions.size())
        return false;
    const int n = int(names.size());
    const bool redraw = grid.Redraw();
    grid.SetRedraw(false);
    grid.SetCols(n);
    grid.SetFixedCols(std::min(2, n));
    grid.SetRows(3);
    grid.SetFixedRows(2);
    grid.SetRows(2);
    for (int r = 0; r < grid.FixedRows() - 1; ++r)
        grid.SetRowHeight(r, 0);
    for (int i = 0; i < n; ++i) {
        grid.SetTextMatrix(0, i, names[i]);
        grid.SetTextMatrix(1, i, captions[i]);
        grid.SetColAlignment(i, 0);
    }
    grid.SetColAlignment(1, 2);
    grid.SetRedraw(redraw);
    return true;
}

QString GridCellText(const QVariant &value, ColType type, int decimals)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (type) {
    case ColType::Double: {
        if (value.typeId() == QMetaType::QString && !IsNumeric(value.toString()))
            return value.toString();
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok ? DoubleText(d, decimals) : QString();
    }
    case ColType::Date: {
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(u"yyyy.MM.dd");
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date().toString(u"yyyy.MM.dd");
        const QString t = value.toString().trimmed();
        const QDate d = QDate::fromString(t.left(10), Qt::ISODate);
        return d.isValid() ? d.toString(u"yyyy.MM.dd") : t;
    }
    case ColType::Boolean:
        return TruthOf(value) ? QStringLiteral("√") : QString();
    case ColType::Blob:
        return QString();
    case ColType::Integer:
        if (value.typeId() == QMetaType::Double)
            return CStr(value.toDouble());
        return value.toString();
    case ColType::Text:
    default:
        if (value.typeId() == QMetaType::Double)
            return CStr(value.toDouble());
        return value.toString();
    }
}

bool LoadTableToGrid(FlexGridModel &grid, const QString &cond, const SqlArgs &args,
                     const QString &order)
{
    const bool redraw = grid.Redraw();
    grid.SetRedraw(false);
    grid.SetRows(grid.FixedRows());

    const QString table = grid.Tag();
    QString quoted = table;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    QString sql = QStringLiteral("SELECT * FROM \"%1\"").arg(quoted);
    if (!cond.isEmpty())
        sql += QStringLiteral(" WHERE ") + cond;
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order;

    const int numberCol = RowNumberColumn(grid);
    if (numberCol >= 0)
        grid.SetFixedCols(numberCol + 1);

    Recordset rs;
    const bool ok = Db::Main().OpenRs(rs, sql, args);
    if (ok && rs.RecordCount() > 0) {
        // Declared types of the table's columns, as the schema gives them.
        QHash<QString, ColType> types;
        for (const Db::Column &c : Db::Main().TableColumns(table))
            types.insert(c.name, c.type);
        auto typeOf = [&](int field) {
            auto it = types.constFind(rs.FieldName(field));
            return it != types.constEnd() ? *it : rs.FieldType(field);
        };

        const int cols = grid.Cols();
        std::vector<ColumnSource> sources(static_cast<size_t>(cols));
        for (int j = 0; j < cols; ++j) {
            ColumnSource &s = sources[size_t(j)];
            const QString f = grid.TextMatrix(0, j);
            if (f.isEmpty()) {
                if (j == grid.FixedCols() - 1)
                    s.kind = ColumnSource::RowNumber;
            } else if (f.contains(u':')) {
                const QStringList parts = f.split(u':');
                if (parts.size() >= 3) {
                    s.kind = ColumnSource::Lookup;
                    s.lookupTable = parts[0];
                    s.field = rs.FieldIndex(parts[1]);
                    s.lookupShown = parts[2];
                    for (const Db::Column &c : Db::Main().TableColumns(parts[0]))
                        if (c.name == parts[2])
                            s.lookupType = c.type;
                }
            } else if (f == u"Color") {
                s.kind = ColumnSource::Color;
                s.field = rs.FieldIndex(f);
            } else {
                s.kind = ColumnSource::Field;
                s.field = rs.FieldIndex(f);
                if (s.field >= 0)
                    s.type = typeOf(s.field);
            }
        }

        const int first = grid.Rows();
        grid.SetRows(first + rs.RecordCount());
        const auto &rows = rs.Rows();
        for (int i = 0; i < int(rows.size()); ++i) {
            const int r = first + i;
            const QVariantList &rec = rows[size_t(i)];
            for (int j = 0; j < cols; ++j) {
                const ColumnSource &s = sources[size_t(j)];
                switch (s.kind) {
                case ColumnSource::Nothing:
                    break;
                case ColumnSource::RowNumber:
                    grid.SetTextMatrix(r, j, QString::number(r - grid.FixedRows() + 1));
                    break;
                case ColumnSource::Color: {
                    if (s.field < 0)
                        break;
                    const QVariant v = rec[s.field];
                    bool okNum = false;
                    const double d = v.toDouble(&okNum);
                    if (!v.isNull() && okNum)
                        grid.SetCellBackColor(r, j, quint32(qint64(d)) & 0xFFFFFF);
                    break;
                }
                case ColumnSource::Lookup: {
                    if (s.field < 0)
                        break;
                    const QVariant id = rec[s.field];
                    const QVariant shown =
                        Db::Main().GetFieldByID(s.lookupTable, id, s.lookupShown);
                    grid.SetTextMatrix(r, j,
                                       GridCellText(shown, s.lookupType, grid.DoubleDecimals()));
                    break;
                }
                case ColumnSource::Field:
                    if (s.field >= 0)
                        grid.SetTextMatrix(
                            r, j, GridCellText(rec[s.field], s.type, grid.DoubleDecimals()));
                    break;
                }
            }
        }
    }
    AutoColWidth(grid, 2, true);
    grid.SetRedraw(redraw);
    return ok;
}

bool ClearGrid(FlexGridModel &grid, bool ask, const std::function<void(FlexGridModel &)> &navigator)
{
    if (ask && !AskQuestion(QStringLiteral("您确定要清除所有记录？")))
        return false;
    grid.SetRows(grid.FixedRows());
    if (navigator)
        navigator(grid);
    return true;
}

bool ClampDataRows(const FlexGridModel &grid, int &first, int &last)
{
    if (grid.FixedRows() >= grid.Rows())
        return false;
    OrderPair(last, first);
    first = std::max(first, grid.FixedRows());
    last = std::min(last, grid.Rows() - 1);
    return first <= last;
}

bool DeleteGridRows(FlexGridModel &grid, int &first, int &last, bool ask)
{
    if (!ClampDataRows(grid, first, last))
        return false;
    if (ask) {
        const QString q = QStringLiteral("您确定要删除第%1至第%2行？")
                              .arg(first - grid.FixedRows() + 1)
                              .arg(last - grid.FixedRows() + 1);
        if (!AskQuestion(q))
            return false;
    }
    grid.RemoveRows(first, last - first + 1);
    Renumber(grid, first);
    return true;
}

namespace {

// Without a view the texts are estimated: a wide (East Asian) character as two narrow ones.
int EstimatedWidth(const QString &text)
{
    constexpr int kNarrow = 105; // twips
    int w = 0;
    for (const QChar c : text)
        w += c.unicode() >= 0x2E80 ? 2 * kNarrow : kNarrow;
    return w;
}

} // namespace

void AutoColWidth(FlexGridModel &grid, int startRow, bool showProgress, MeasureBy by)
{
    const bool showing = grid.Rows() > 200 && showProgress;
    if (showing)
        CurrentProgress().Start(QStringLiteral("正在做交易数据表格进行格式设置……"), grid.Cols());
    int r0 = startRow;
    if (grid.FixedRows() >= grid.Rows())
        r0 = 0;
    r0 = std::max(0, r0);
    const GridMeasurer *measurer = grid.Measurer();
    const int half = measurer ? measurer->GridWidth() / 2 : std::numeric_limits<int>::max();
    const std::function<int(const QString &)> measure =
        measurer ? measurer->MeasurePass(by) : EstimatedWidth;
    auto widthOf = [&](const QString &t) { return t.isEmpty() ? 0 : measure(t); };
    const int numberCol = grid.FixedCols() - 1;
    for (int c = 0; c < grid.Cols(); ++c) {
        int w = 0;
        if (c >= numberCol) {
            for (int r = r0; r < grid.Rows(); ++r)
                w = std::max(w, widthOf(grid.TextMatrix(r, c)));
            if (grid.FixedRows() > 0 && w != 0)
                w = std::max(w, widthOf(grid.TextMatrix(grid.FixedRows() - 1, c)));
            w = (w != 0) ? w + 100 : 50;
            if (w > half)
                w = half;
        }
        grid.SetColWidth(c, w);
        if (showing)
            CurrentProgress().Step(1, StepShows::CountAndTimes);
    }
    if (showing)
        CurrentProgress().End();
}

void GridHeaderClick(FlexGridModel &grid, double x, double y)
{
    double h = 0;
    for (int r = 0; r < grid.FixedRows(); ++r)
        h += grid.RowHeight(r);
    if (y >= h)
        return;
    double w = 0;
    for (int c = 0; c < grid.FixedCols(); ++c)
        w += grid.ColWidth(c);
    if (x <= w) {
        AutoColWidth(grid, 2, true);
        return;
    }
    int c = grid.LeftCol();
    for (; c < grid.Cols(); ++c) {
        w += grid.ColWidth(c);
        if (x < w)
            break;
    }
    if (c < grid.Cols())
        SortGridByCol(grid, c);
}

bool SortGridByCol(FlexGridModel &grid, int col)
{
    if (!grid.Sortable() || col < 0 || col >= grid.Cols() || grid.FixedRows() < 1)
        return false;
    const int h = grid.FixedRows() - 1;
    for (int i = grid.FixedCols(); i < grid.Cols(); ++i) {
        if (i == col)
            continue;
        QString t = grid.TextMatrix(h, i);
        if (t.contains(u'▽') || t.contains(u'△')) {
            t.remove(u'▽');
            t.remove(u'△');
            grid.SetTextMatrix(h, i, t);
        }
    }
    grid.SetCol(col);
    QString t = grid.TextMatrix(h, col);
    bool ascending = true;
    if (t.endsWith(u'△')) {
        t.remove(u'△');
        t += u'▽';
        ascending = false;
    } else if (t.endsWith(u'▽')) {
        t.remove(u'▽');
        t += u'△';
    } else {
        t += u'△';
    }
    grid.SetTextMatrix(h, col, t);
    grid.Sort(col, ascending);
    Renumber(grid, grid.FixedRows());
    return true;
}

int GridRowFromY(const FlexGridModel &grid, double y)
{
    double h = grid.RowHeight(1);
    for (int i = grid.TopRow(); i < grid.Rows(); ++i) {
        if (y < h)
            return i - 1;
        h += grid.RowHeight(i);
    }
    return grid.Rows() - 1;
}

void SetRowForeColor(FlexGridModel &grid, int row, quint32 color)
{
    for (int c = 0; c < grid.Cols(); ++c)
        grid.SetCellForeColor(row, c, color);
}

void SetRowBackColor(FlexGridModel &grid, int row, quint32 color)
{
    if (row < grid.FixedRows() || row >= grid.Rows())
        return;
    for (int c = grid.FixedCols(); c < grid.Cols(); ++c)
        grid.SetCellBackColor(row, c, color);
}

void SetGridForeColor(FlexGridModel &grid, quint32 color)
{
    const bool redraw = grid.Redraw();
    grid.SetRedraw(false);
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r)
        for (int c = 0; c < grid.Cols(); ++c)
            grid.SetCellForeColor(r, c, color);
    grid.SetRedraw(redraw);
}

quint32 GetCellColor(const FlexGridModel &grid, int row, int col, bool fore)
{
    return fore ? grid.CellForeColor(row, col) : grid.CellBackColor(row, col);
}

void SetCellColor(FlexGridModel &grid, int row, int col, quint32 color, bool fore)
{
    if (fore)
        grid.SetCellForeColor(row, col, color);
    else
        grid.SetCellBackColor(row, col, color);
}

double GetRangeMaxMin(const FlexGridModel &grid, int c1, int c2, int r1, int r2, double &min)
{
    min = 99999999999.0;
    OrderPair(c2, c1);
    OrderPair(r2, r1);
    double max = 0;
    for (int c = c1; c <= c2; ++c) {
        for (int r = r1; r <= r2; ++r) {
            const double v = Val(grid.TextMatrix(r, c));
            if (v > max)
                max = v;
            if (v < min)
                min = v;
        }
    }
    return max;
}

} // namespace store
