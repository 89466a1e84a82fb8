#pragma once
// What a conversion may need from outside the field's text: the clock and the parameters.

#include <QDateTime>
#include <QString>
#include <functional>

namespace values {

struct ValueEnv
{
    QDateTime now;                                   // today's date and the time of day
    std::function<QString(const QString &key)> para; // a parameter by name ("" when none)

    QDate today() const { return now.date(); }
    QString parameter(const QString &key) const { return para ? para(key) : QString(); }

    // The system clock and no parameters.
    static ValueEnv system() { return ValueEnv{QDateTime::currentDateTime(), {}}; }
};

} // namespace values
