#pragma once
// A printer catalogue of fixed names; some may be unreachable.

#include "print/printers.h"

#include <QSet>

namespace printtest {

class FakePrinters : public print::PrinterCatalogue
{
public:
    FakePrinters(QStringList names, QString def, QSet<QString> down = {})
        : m_names(std::move(names)), m_default(std::move(def)), m_down(std::move(down))
    {
    }
    QStringList Names() const override { return m_names; }
    QString DefaultName() const override { return m_default; }
    bool Reachable(const QString &name) const override
    {
        return m_names.contains(name) && !m_down.contains(name);
    }

private:
    QStringList m_names;
    QString m_default;
    QSet<QString> m_down;
};

} // namespace printtest
