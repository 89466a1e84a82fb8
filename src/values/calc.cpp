#include "values/calc.h"

#include "values/amounts.h"
#include "values/decimal.h"

#include "store/core/helpers.h"
#include "store/core/vb.h"

#include <algorithm>
#include <cmath>

namespace values {

namespace {

constexpr int kMaxPasses = 101;
constexpr int kMaxSteps = 501;

qint32 LinkOf(double cell)
{
    return std::isfinite(cell) ? store::CLng(cell) : 0;
}

bool IsWhole(double code)
{
    return code == store::Fix(code);
}

class Run
{
public:
    Run(CalcFields &fields, CalcHistory &history, const ValueEnv &env)
        : m_fields(fields), m_history(history), m_env(env),
          m_tab(LoadCalcTable(fields.TextFieldRows())), m_fmt(fields.FormatName())
    {
    }

    std::vector<qint32> Calc(qint32 id)
    {
        m_work = {id};
        for (size_t p = 0; p < size_t(kMaxPasses) && p < m_work.size(); ++p) {
            const int r = Find(m_work[p]);
            if (r < 0)
                break;
            const CalcRec &rec = m_tab[size_t(r)];
            const QString v = GetCtlNumValue(m_fields.Text(rec.id), rec.code);
            FillRelatedChain(r, v);
            // An empty field has no print to be found by, and a field without related fields
            // has nothing to fill from one: the history is not searched for them.
            int member = 0;
            const qint32 h = v.isEmpty() || rec.related >= 0
                                 ? 0
                                 : m_history.FindHistoryByCon(m_fmt, rec.id, v, member);
            if (h > 0)
                FillRelatedFromHistory(h, r, member);
            TargetStep(r, rec.target1);
            TargetStep(r, rec.target2);
        }
        return m_work;
    }

private:
    int Find(qint32 id) const
    {
        for (size_t i = 0; i < m_tab.size(); ++i)
            if (m_tab[i].id == id)
                return int(i);
        return -1;
    }

    void AddToWorkList(qint32 id)
    {
        if (std::find(m_work.begin(), m_work.end(), id) == m_work.end())
            m_work.push_back(id);
    }

    // Every field of the same-content chain receives the start field's value in its own kind.
    void FillRelatedChain(int start, const QString &v)
    {
        int cur = start;
        for (int step = 0; step < kMaxSteps; ++step) {
            const qint32 link = m_tab[size_t(cur)].same;
            if (link < 1)
                return;
            const int next = Find(link);
            if (next < 0 || next == start)
                return;
            const CalcRec &n = m_tab[size_t(next)];
            const Converted t = AutoConvert(n.code, v, m_env);
            if (t.text == m_fields.Text(n.id))
                return;
            m_fields.SetText(n.id, t.text, t.border);
            AddToWorkList(n.id);
            cur = next;
        }
    }

    // Related fields take what the print held for them, as stored.
    void FillRelatedFromHistory(qint32 print, int start, int member)
    {
        const std::vector<CalcHistoryValue> rows = m_history.LoadPrint(m_fmt, print);
        int cur = start;
        for (int step = 0; step < kMaxSteps; ++step) {
            const qint32 link = m_tab[size_t(cur)].related;
            if (link >= 0)
                return;
            const int next = Find(-link);
            if (next < 0 || next == start)
                return;
            const CalcRec &n = m_tab[size_t(next)];
            const CalcHistoryValue *row = nullptr;
            if (member > 0) {
                QString base = n.caption;
                store::CutStr(base, QStringLiteral("_"), false);
                const QString lbl = base + u'_' + QString::number(member);
                for (const auto &h : rows)
                    if (h.lbl == lbl) {
                        row = &h;
                        break;
                    }
            } else {
                for (const auto &h : rows)
                    if (h.cid == n.id) {
                        row = &h;
                        break;
                    }
            }
            if (row) {
                if (m_fields.Text(n.id) == row->con)
                    return;
                m_fields.SetText(n.id, row->con, std::nullopt);
                AddToWorkList(n.id);
            }
            cur = next;
        }
    }

    // The target named by code s is recomputed from every field pointing to it with the same
    // sign: sums and products are separate computations.
    void TargetStep(int r, double s)
    {
        if (s == 0 || !std::isfinite(s))
            return;
        const double fs = store::Fix(s);
        const qint32 target = LinkOf(std::fabs(fs));
        if (target == m_tab[size_t(r)].id)
            return;
        const int t = Find(target);
        if (t < 0)
            return;
        std::vector<TargetContribution> parts;
        for (const CalcRec &b : m_tab) {
            if (b.id == target)
                continue;
            double d = 0;
            if (store::Fix(b.target1) == fs)
                d = b.target1;
            if (store::Fix(b.target2) == fs)
                d = b.target2;
            if (store::Fix(d) == 0)
                continue;
            parts.push_back({d, GetCtlNumValue(m_fields.Text(b.id), b.code)});
        }
        const std::optional<QString> acc = ComputeTarget(fs < 0, parts);
        const CalcRec &tr = m_tab[size_t(t)];
        QString text;
        std::optional<int> border;
        if (acc) {
            const Converted c = AutoConvert(tr.code, *acc, m_env);
            text = c.text;
            border = c.border;
        }
        if (text == m_fields.Text(tr.id))
            return;
        m_fields.SetText(tr.id, text, border);
        AddToWorkList(tr.id);
    }

    CalcFields &m_fields;
    CalcHistory &m_history;
    const ValueEnv &m_env;
    std::vector<CalcRec> m_tab;
    QString m_fmt;
    std::vector<qint32> m_work;
};

} // namespace

std::vector<CalcRec> LoadCalcTable(const std::vector<CalcFieldRow> &rows)
{
    std::vector<CalcRec> tab;
    tab.reserve(rows.size());
    for (const CalcFieldRow &row : rows) {
        CalcRec rec;
        rec.id = row.id;
        const qint32 a = LinkOf(row.rctl);
        const qint32 b = LinkOf(row.rctl1);
        if (a > 0)
            rec.same = a;
        if (b > 0)
            rec.same = b;
        if (a < 0)
            rec.related = a;
        if (b < 0)
            rec.related = b;
        rec.target1 = std::isfinite(row.sumId) ? row.sumId : 0;
        rec.target2 = std::isfinite(row.sumId1) ? row.sumId1 : 0;
        rec.code = row.code;
        rec.caption = row.caption;
        tab.push_back(rec);
    }
    return tab;
}

QString GetCtlNumValue(const QString &text, double code)
{
    return CapitalToNum(text, code);
}

std::optional<QString> ComputeTarget(bool product, const std::vector<TargetContribution> &parts)
{
    Decimal acc = product ? Decimal::fromInteger(1) : Decimal();
    bool emptyFactor = false;
    for (const TargetContribution &p : parts) {
        const Decimal x = Decimal::fromCashText(p.value);
        const bool negate = !IsWhole(p.code);
        if (product) {
            if (p.value.isEmpty())
                emptyFactor = true;
            else if (!emptyFactor)
                acc = acc * (negate ? -x : x);
        } else {
            acc = negate ? acc - x : acc + x;
        }
    }
    if (emptyFactor)
        return std::nullopt;
    return acc.roundedToDecimals(10).toText();
}

std::vector<qint32> AutoCalc(qint32 id, CalcFields &fields, CalcHistory &history,
                             const ValueEnv &env)
{
    try {
        Run run(fields, history, env);
        return run.Calc(id);
    } catch (...) {
        return {id};
    }
}

} // namespace values
