#pragma once
// Work on whole database files that runs beside the process connection, each piece on a
// connection and a thread of its own: the copy made by compaction and its full check.

#include <QString>

#include <functional>
#include <vector>

namespace store {

// Runs the jobs at the same time, each on a thread of its own, and returns when all have
// ended. Meanwhile the calling thread calls tick (when given) a few dozen times a second, to keep
// a progress window alive.
void RunTogether(const std::vector<std::function<void()>> &jobs,
                 const std::function<void()> &tick = {});

// Runs the jobs on about as many threads as the machine has cores, each taking the next job in
// the order given when it is free; otherwise as RunTogether.
void RunOnCores(const std::vector<std::function<void()>> &jobs,
                const std::function<void()> &tick = {});

// VACUUM INTO target (which must not exist) through a read-only connection of its own to source,
// so it may run on any thread. On failure why and code hold SQLite's reason and number.
bool VacuumFileInto(const QString &source, const QString &target, QString *why, QString *code);

// The full check of a database file that nothing writes while it runs. It finds what
// PRAGMA integrity_check finds, in less time: PRAGMA quick_check (every page, every record, NOT
// NULL and CHECK constraints) beside, for every index of plain columns, a proof that it holds
// exactly its table's entries: their number and a 128-bit checksum over the exact types and bytes
// of the entries' values, summed in any order, once from the table and once from the index; the
// index read in its own order, which must rise (and, when unique, never repeat a key).
// Tables whose indexes are not plain columns get integrity_check on their own. All the passes run
// at once. True when nothing is wrong; else false with the first problems (or why the check
// could not run) in why.
bool CheckDatabaseFile(const QString &path, QString *why, const std::function<void()> &tick = {});

} // namespace store
