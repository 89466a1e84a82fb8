#include "store/model/defaults.h"

#include "store/db/db.h"

#include <limits>

namespace store {

QString CrlfToBreaks(const QString &text, const QString &crlfChr)
{
    if (crlfChr.isEmpty())
        return text;
    QString out = text;
    out.replace(crlfChr, QStringLiteral("\r\n"));
    return out;
}

bool SaveDefaultRecord(AppContext &ctx, const QString &name)
{
    PageFields *fields = ctx.Fields();
    if (name.isEmpty() || !fields)
        return false;
    Transaction tx;
    if (!tx.Ok())
        return false;
    if (!Db::Main().ExecSQL(QStringLiteral("DELETE FROM 默认 WHERE Fmt=?"), {name}))
        return false;
    for (int kind = 0; kind <= 2; ++kind) {
        for (int n = 1; n <= fields->CtlCount(kind); ++n) {
            const int index = kind * 1000 + n;
            const QString value = fields->CtlValue(index);
            if (value.isEmpty())
                continue;
            const auto id = fields->CtlID(index);
            if (!id)
                continue;
            if (!Db::Main().ExecSQL(QStringLiteral("INSERT INTO 默认(Fmt, ID, Con) VALUES(?,?,?)"),
                                    {name, *id, value}))
                return false;
        }
    }
    return tx.Commit();
}

int LoadDefaultRecord(AppContext &ctx, const QString &name)
{
    PageFields *fields = ctx.Fields();
    if (!fields)
        return 0;
    Recordset rs;
    if (!Db::Main().OpenRs(rs, QStringLiteral("SELECT ID, Con FROM 默认 WHERE Fmt=? ORDER BY rowid"),
                           {name}))
        return 0;
    int filled = 0;
    for (const QVariantList &row : rs.Rows()) {
        bool ok = false;
        const qint64 id = row.value(0).toLongLong(&ok);
        if (!ok || id <= 0 || id > std::numeric_limits<qint32>::max())
            continue;
        if (fields->SetValueByID(qint32(id), row.value(1).toString(), false))
            ++filled;
    }
    return filled;
}

} // namespace store
