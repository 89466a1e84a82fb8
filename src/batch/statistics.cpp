#include "batch/statistics.h"

#include "store/db/db.h"
#include "store/model/fieldrow.h"
#include "store/model/gridbind.h"
#include "store/model/gridmodel.h"
#include "store/core/helpers.h"
#include "store/db/reporter.h"
#include "store/core/vb.h"
#include "values/amounts.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <functional>

namespace batch {

namespace {

const QString kFormatRow = QStringLiteral("【§单据整体格式参数§】");
const QString kDefaultDate = QStringLiteral("1900-01-01");

// Reads a query forward, row by row, without holding the result in memory. A query that cannot
// be run is reported as every failed query is.
bool ForEachRow(const QString &sql, const store::SqlArgs &args,
                const std::function<void(const store::RowReader &)> &row)
{
    return store::ForEachRow(sql, args, [&](const store::RowReader &r) {
        row(r);
        return true;
    });
}

// " IN (?, ?, ...)" for n values (at least one placeholder, so that no ID matches none).
QString InList(qsizetype n)
{
    QStringList marks;
    for (qsizetype i = 0; i < std::max<qsizetype>(n, 1); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral(" IN (") + marks.join(QStringLiteral(", ")) + u')';
}

store::SqlArgs IdArgs(const QList<qint32> &ids)
{
    store::SqlArgs out;
    for (qint32 id : ids)
        out << id;
    if (out.isEmpty())
        out << 0;
    return out;
}

bool KindAdmitted(int listKind, double cash)
{
    const qint64 k = qint64(store::Fix(cash));
    auto in = [k](const char *list) {
        return QString::fromLatin1(list).contains(u'|' + QString::number(k) + u'|');
    };
    switch (listKind) {
    case 0:
        return true;
    case 1:
        return in("|103|120|104|105|117|118|11|311|211|114|121|116|0|") ||
               (cash > 200 && cash < 300) || (cash > 300 && cash < 400);
    case 2:
        return in("|110|111|");
    case 3:
        return in("|100|106|");
    case 4:
        return in("|101|107|");
    case 5:
        return in("|102|108|");
    default:
        return false;
    }
}

// What a text as SQLite holds it means, worked out once for each distinct text: the same dates,
// date parts and amounts come back again and again.
template <typename T, typename Work>
T OncePerText(QHash<QByteArray, T> &known, QByteArrayView text, Work work)
{
    auto it = known.constFind(QByteArray::fromRawData(text.data(), text.size()));
    if (it == known.constEnd())
        it = known.insert(text.toByteArray(), work(QString::fromUtf8(text)));
    return *it;
}

QDate DateOfText(const QString &text)
{
    const auto d = store::CDate(text.trimmed(), QDate::currentDate());
    return d ? d->date() : QDate::fromString(kDefaultDate, Qt::ISODate);
}

// Binds the date as every date is stored ("yyyy-MM-dd"), written out here for the usual years:
// a work table of a whole history binds one per row.
void BindDate(store::RowBinder &row, int col, const QDate &date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (y < 1000 || y > 9999) {
        row.Value(col, date);
        return;
    }
    char t[10];
    const auto put = [&](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            t[at + i] = char('0' + value % 10);
    };
    put(0, y, 4);
    t[4] = '-';
    put(5, m, 2);
    t[7] = '-';
    put(8, d, 2);
    row.Utf8(col, QByteArrayView(t, sizeof t));
}

qint64 PartOfDate(const QString &con)
{
    const double v = store::RoundEven(store::Val(values::ConvertDigits(con, -1)));
    return qint64(std::clamp(v, -32768.0, 32767.0));
}

} // namespace

QString StatEntryOf(const QString &label)
{
    const qsizetype first = label.indexOf(u'_');
    if (first < 0 || !(store::Val(QStringView(label).mid(first + 1)) > 0))
        return label;
    return label.left(label.lastIndexOf(u'_')) + QStringLiteral("_XX");
}

bool CompareLBL(const QString &a, const QString &b)
{
    if (!a.contains(QLatin1String("_XX")))
        return a == b;
    auto head = [](const QString &s) {
        const qsizetype last = s.lastIndexOf(u'_');
        return last < 0 ? s : s.left(last);
    };
    return head(a) == head(b);
}

QList<qint32> EntryFieldIDs(const QString &fmt, const QString &entry)
{
    QList<qint32> ids;
    if (entry.isEmpty())
        return ids;
    const bool group = entry.endsWith(QLatin1String("_XX"));
    ForEachRow(QStringLiteral("SELECT ID, LBL FROM Fmt WHERE Fmt=? ORDER BY ID"), {fmt},
               [&](const store::RowReader &q) {
                   const QString label = q.Text(1);
                   if (group ? StatEntryOf(label) == entry : label == entry)
                       ids << qint32(q.Int(0));
               });
    return ids;
}

QStringList CashNameEntries(const QString &fmt, int listKind, QString *preselect)
{
    QStringList entries;
    if (preselect)
        preselect->clear();
    ForEachRow(QStringLiteral("SELECT LBL, Cash, Clas FROM Fmt WHERE Fmt=? AND LBL<>? AND "
                              "LBL<>'' ORDER BY ID"),
               {fmt, kFormatRow}, [&](const store::RowReader &q) {
                   const std::optional<qint32> kind = store::FieldKindOfCell(q.Text(2));
                   if (!kind || *kind > 1)
                       return;
                   const double cash = listKind == 0 ? 0 : q.Double(1);
                   if (!KindAdmitted(listKind, cash))
                       return;
                   const QString entry = StatEntryOf(q.Text(0));
                   if (entries.contains(entry))
                       return;
                   entries << entry;
                   if (preselect && preselect->isEmpty() && cash > 0)
                       *preselect = entry;
               });
    return entries;
}

QStringList ValueEntries(const QString &fmt, const QString &entry)
{
    QStringList values;
    if (entry.isEmpty())
        return values;
    const QList<qint32> ids = EntryFieldIDs(fmt, entry);
    ForEachRow(QStringLiteral("SELECT Con FROM 历史 WHERE Fmt=? AND CID") + InList(ids.size()) +
                   QStringLiteral(" GROUP BY Con ORDER BY Con COLLATE ZH"),
               store::SqlArgs{fmt} + IdArgs(ids),
               [&](const store::RowReader &q) { values << q.Text(0); });
    return values;
}

void GetIDArrayByDate(const QString &fmt, QDate from, QDate to, const StatChoice &choice,
                      IDArray &ids)
{
    store::OrderPair(to, from);
    const QDate end = to.addDays(1);
    // The date fields by their exact labels (a later row of the same label wins).
    qint32 dateId = 0, yearId = 0, monthId = 0, dayId = 0;
    ForEachRow(QStringLiteral("SELECT ID, LBL FROM Fmt WHERE Fmt=? ORDER BY ID"), {fmt},
               [&](const store::RowReader &q) {
                   const QString label = q.Text(1);
                   const qint32 id = qint32(q.Int(0));
                   if (label == choice.dateField)
                       dateId = id;
                   else if (label == choice.yearField)
                       yearId = id;
                   else if (label == choice.monthField)
                       monthId = id;
                   else if (label == choice.dayField)
                       dayId = id;
               });
    ids.clear();
    auto add = [&](qint32 id, const QDate &date) {
        if (date >= from && date < end)
            ids.push_back({id, date});
    };
    if (choice.fullDate) {
        // Many slips share a date: each text is read as a date once.
        QHash<QByteArray, QDate> dates;
        ForEachRow(QStringLiteral("SELECT ID, Con FROM 历史 WHERE CID=? AND Fmt=? ORDER BY ID"),
                   {dateId, fmt}, [&](const store::RowReader &q) {
                       add(qint32(q.Int(0)), OncePerText(dates, q.Utf8(1), DateOfText));
                   });
        return;
    }
    qint32 job = 0;
    bool have = false;
    qint64 y = 0, m = 0, d = 0;
    QHash<QByteArray, qint64> parts;
    auto finish = [&] {
        if (!have)
            return;
        const auto date = store::DateSerial(y, m, d);
        add(job, date ? *date : QDate::fromString(kDefaultDate, Qt::ISODate));
    };
    ForEachRow(QStringLiteral("SELECT ID, CID, Con FROM 历史 WHERE CID IN (?, ?, ?) AND Fmt=? "
                              "ORDER BY ID, CID"),
               {yearId, monthId, dayId, fmt}, [&](const store::RowReader &q) {
                   const qint32 id = qint32(q.Int(0));
                   if (!have || id != job) {
                       finish();
                       job = id;
                       have = true;
                       y = m = d = 0;
                   }
                   const qint32 cid = qint32(q.Int(1));
                   const qint64 v = OncePerText(parts, q.Utf8(2), PartOfDate);
                   if (cid == yearId)
                       y = v;
                   else if (cid == monthId)
                       m = v;
                   else if (cid == dayId)
                       d = v;
               });
    finish();
}

void CutIDArrayByCondi(const QString &fmt, const StatChoice &choice, IDArray &ids)
{
    if (!choice.condition || ids.empty())
        return;
    QHash<qint32, std::vector<size_t>> byId;
    for (size_t i = 0; i < ids.size(); ++i) {
        ids[i].id = -std::abs(ids[i].id);
        byId[std::abs(ids[i].id)].push_back(i);
    }
    const QList<qint32> fields = EntryFieldIDs(fmt, choice.condField);
    ForEachRow(QStringLiteral("SELECT DISTINCT ID FROM 历史 WHERE Fmt=? AND Con=? AND CID") +
                   InList(fields.size()),
               store::SqlArgs{fmt, choice.condValue} + IdArgs(fields),
               [&](const store::RowReader &q) {
                   const auto it = byId.constFind(qint32(q.Int(0)));
                   if (it == byId.constEnd())
                       return;
                   for (size_t i : *it)
                       ids[i].id = std::abs(ids[i].id);
               });
}

bool Analyse(const QString &fmt, store::FlexGridModel &grid, const StatChoice &choice, IDArray &ids)
{
    auto refuse = [](const QString &text) {
        store::ReportMessage(text, store::MsgKind::Warning);
        return false;
    };
    if (choice.fullDate && choice.dateField.isEmpty())
        return refuse(QStringLiteral("日期内容框不能为空！"));
    if (!choice.fullDate &&
        (choice.yearField.isEmpty() || choice.monthField.isEmpty() || choice.dayField.isEmpty()))
        return refuse(QStringLiteral("日期内容框不能为空！"));
    if (choice.condition && (choice.condField.isEmpty() || choice.condValue.isEmpty()))
        return refuse(QStringLiteral("统计条件没有设置！"));
    // Without an amount field nothing can be summed, nor counted.
    if (choice.amountField.isEmpty())
        return refuse(QStringLiteral("金额框不能为空！"));

    store::ExecSQL(QStringLiteral("DROP TABLE IF EXISTS TEMP_Ana"));
    store::ExecSQL(QStringLiteral("CREATE TABLE TEMP_Ana(DT DATE, Sm DOUBLE)"));

    GetIDArrayByDate(fmt, choice.from, choice.to, choice, ids);
    CutIDArrayByCondi(fmt, choice, ids);
    // Print number -> its first job, in the order of the numbers: the amounts below come in the
    // same order, so each is found by a short step forward from the one before.
    std::vector<std::pair<qint32, size_t>> jobOf;
    jobOf.reserve(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i].id > 0)
            jobOf.emplace_back(ids[i].id, i);
    std::stable_sort(jobOf.begin(), jobOf.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    auto nextJob = jobOf.cbegin();

    // The amount rows, each read with its own field's content kind, a job's rows together.
    struct Counted
    {
        QDate date;
        double sum;
    };
    std::vector<Counted> counted;
    const QList<qint32> amountIds = EntryFieldIDs(fmt, choice.amountField);
    qint32 job = 0;
    bool inJob = false;
    bool wanted = false;
    double sum = 0;
    QDate date;
    QHash<double, QHash<QByteArray, double>> amountOf;
    auto finish = [&] {
        if (inJob && wanted)
            counted.push_back({date, sum});
    };
    ForEachRow(QStringLiteral("SELECT h.ID, h.Con, f.Cash FROM 历史 h JOIN Fmt f ON f.ID = h.CID "
                              "WHERE h.Fmt=? AND h.CID") +
                   InList(amountIds.size()) + QStringLiteral(" ORDER BY h.ID, h.rowid"),
               store::SqlArgs{fmt} + IdArgs(amountIds), [&](const store::RowReader &q) {
                   const qint32 id = qint32(q.Int(0));
                   if (!inJob || id != job) {
                       finish();
                       job = id;
                       inJob = true;
                       sum = 0;
                       if (nextJob != jobOf.cbegin() && std::prev(nextJob)->first >= id) {
                           nextJob = std::lower_bound(
                               jobOf.cbegin(), jobOf.cend(), id,
                               [](const auto &e, qint32 v) { return e.first < v; });
                       }
                       while (nextJob != jobOf.cend() && nextJob->first < id)
                           ++nextJob;
                       wanted = nextJob != jobOf.cend() && nextJob->first == id;
                       if (wanted)
                           date = ids[nextJob->second].date;
                   }
                   if (!wanted)
                       return;
                   // Each text is read as an amount of its field's kind.
                   const double kind = q.Double(2);
                   sum += OncePerText(amountOf[kind], q.Utf8(1), [kind](const QString &con) {
                       QString t = values::CapitalToNum(con, kind);
                       t.remove(u',');
                       t.remove(QChar(0xFFE5));
                       return store::Val(t);
                   });
               });
    finish();

    // The work table, one row per counted job, written a hundred rows per statement run (the
    // rest in one more).
    {
        constexpr size_t kPerRun = 100;
        auto insert = [&](size_t first, size_t perRun, size_t runs) {
            QString sql = QStringLiteral("INSERT INTO TEMP_Ana(DT, Sm) VALUES(?, ?)");
            for (size_t i = 1; i < perRun; ++i)
                sql += QStringLiteral(", (?, ?)");
            return store::Db::Main().ExecRows(sql, runs, [&](size_t run, store::RowBinder &row) {
                for (size_t i = 0; i < perRun; ++i) {
                    const Counted &c = counted[first + run * perRun + i];
                    BindDate(row, int(2 * i), c.date);
                    row.Double(int(2 * i + 1), c.sum);
                }
            });
        };
        const size_t whole = counted.size() / kPerRun;
        const size_t rest = counted.size() % kPerRun;
        store::Transaction tx;
        const bool ok = tx.Ok() && insert(0, kPerRun, whole) &&
                        insert(whole * kPerRun, rest, rest > 0 ? 1 : 0) && tx.Commit();
        if (!ok)
            store::ReportMessage(QStringLiteral("统计数据写入出错！"), store::MsgKind::Error);
    }
    std::stable_sort(counted.begin(), counted.end(),
                     [](const Counted &a, const Counted &b) { return a.date < b.date; });

    store::InitGridCols(grid, {QString(), QString(), QStringLiteral("DT"), QStringLiteral("Sm")},
                        {QString(), QStringLiteral("序号"), QStringLiteral("日期"),
                         choice.count ? QStringLiteral("单据数") : QStringLiteral("金额")});
    grid.SetTag(QString());
    // One row per calendar month from the first job's to the last job's, empty months at 0.
    std::vector<QDate> months;
    std::vector<double> values;
    for (const Counted &c : counted) {
        const QDate month = store::FirstDayOfMonth(c.date);
        if (months.empty())
            months.push_back(month), values.push_back(0);
        while (months.back() < month)
            months.push_back(months.back().addMonths(1)), values.push_back(0);
        values.back() += choice.count ? 1 : c.sum;
    }
    const int fr = grid.FixedRows();
    grid.SetRedraw(false);
    grid.SetRows(fr + int(months.size()));
    for (size_t i = 0; i < months.size(); ++i) {
        const int r = fr + int(i);
        grid.SetTextMatrix(r, 1, QString::number(i + 1));
        grid.SetTextMatrix(r, 2, months[i].toString(QStringLiteral("yyyy-MM")));
        grid.SetTextMatrix(r, 3, store::CStr(values[i]));
    }
    store::AutoColWidth(grid, 1, true);
    grid.SetFixedCols(3);
    grid.SetRedraw(true);
    if (months.empty())
        return true;

    auto noCrlf = [](QString s) { return s.remove(QStringLiteral("\r\n")); };
    QString title = QStringLiteral("票据开单统计分析图表\r\n统计：Quorvan支票打印软件；单据：") +
                    fmt + QStringLiteral("；统计内容：") +
                    (choice.count ? QStringLiteral("单据数") : QStringLiteral("金额")) +
                    QStringLiteral("；日期：") + grid.TextMatrix(fr, 2) + QStringLiteral("至") +
                    grid.TextMatrix(grid.Rows() - 1, 2) + QStringLiteral("；");
    if (!choice.count)
        title +=
            QStringLiteral("\r\n统计对象：") + noCrlf(choice.amountField) + QStringLiteral("；");
    if (choice.condition)
        title += QStringLiteral("统计条件：") + noCrlf(choice.condField) + QStringLiteral("=“") +
                 noCrlf(choice.condValue) + QStringLiteral("”；");
    title.chop(1);
    grid.SetTag(title);
    return true;
}

} // namespace batch
