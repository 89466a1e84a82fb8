#pragma once
// The repair a start makes before it opens the database, when a journal lies beside the file.
//
// SQLite plays a journal left beside DATA.mdb into the file as soon as anything opens it. A
// journal of the file's own (the program killed while it wrote) must be played; one that is
// not (a copy put in the file's place since, a journal copied in with another file) ruins the
// file. So the file and its journals are set aside first, into a folder of their own under Temp
// ("启动前的数据库-<time>"), and whatever the play leaves is decided against that copy: kept when
// it checks out, the copy put back when it does not.
//
// Deciding is apart from doing. Decide() takes what a start finds (Found: the file, the
// journals beside it, the stage the folder's mark records) to the next step; Repairer carries
// each step out and records what is about to happen before it happens, so a start cut off at
// any point leaves a state that the next start's Decide() goes on from. Nothing in a set-aside
// folder bears a name that SQLite plays: a journal kept there ends in ".未使用" or ".已使用".

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

namespace store {

// SQLite's count of the changes committed to the file (header bytes 24 to 27).
std::optional<quint32> ChangeCounter(const QString &path);
// What identifies the state of the database file without reading it: one line of numbers (size,
// modification time, change counter, device and file number); empty when it cannot be read.
QString Fingerprint(const QString &path);

// SQLite's words on one line for a message, cut short where a damaged file has it list page
// after page: "（详细信息：…）".
QString DetailLine(const QString &detail);

namespace repair {

// What the mark of the folder under way records (None: no folder is under way).
enum class Stage {
    None,
    Copied,     // the file and its journals are copied; nothing has touched the file
    Playing,    // the file is about to be opened, or is being opened, with its journals beside it
    Checking,   // the file opened with the journals played; the full check is next
    Passed,     // the played file passed the check
    PuttingBack // the played file failed; the copy goes back in its place
};
// How the file in place stands to the copy under way, by its bytes.
enum class FileIs {
    Missing,
    AsCopied,  // byte for byte the copy
    OfThePlay, // every page is the copy's page or a page of the kept journals: played, or part-played
    Other      // another file
};
// The journals beside the file against the ones the folder keeps.
enum class Beside {
    None,
    Kept,  // the same names and the same bytes
    Other  // any other journal (with no folder under way: any journal at all)
};
// What the kept journals tell of whose they are.
enum class Owner {
    Own,     // a rollback journal whose page 1 began at the copy's change count
    Foreign, // a rollback journal whose page 1 began at another change count
    Unknown  // no page 1, or a write-ahead log: it cannot tell
};

struct Found
{
    bool filePresent = false;
    Beside beside = Beside::None;
    Stage stage = Stage::None;
    // Of the folder under way:
    bool copyHeld = false; // it holds the copy of the file
    FileIs file = FileIs::Missing;
    Owner owner = Owner::Unknown;
    quint32 journalCounter = 0; // for Foreign: the counter in the journal's page 1
    quint32 copyCounter = 0;    // and the copy's
    QString why;                // for PuttingBack: why the played file failed
    bool copyRolledBack = false; // the kept copy has its own journal played into it
};

enum class Step {
    Open,               // nothing (more) to repair: open the file
    SetAside,           // copy the file and its journals into a new folder (stage Copied)
    MoveJournalsAside,  // the file is missing: its journals move into a new folder, kept and told
    MarkPlaying,        // record that the file is about to be opened
    Play,               // open the file, SQLite plays the journals; record the outcome
    RestoreJournals,    // the journals beside a (part-)played file went: put the kept ones back
    RemoveJournals,     // remove the journals beside the file (the folder keeps their copies)
    Check,              // the full check of the played file; record the outcome
    PutBack,            // the copy back in the file's place, no journal beside
    Drop,               // remove the folder: the journals were the file's own and are played
    MoveStrayAside,     // another journal came beside a file under repair: into a folder of its own
    KeepMissing,        // keep the folder and tell: the file is gone
    KeepOther,          // keep the folder and tell: another file is in place, left as it is
    KeepUnusedForeign,  // keep and tell: the journals are not the file's (change counts), not played
    KeepUnusedGone,     // keep and tell: the journals went before they were played
    KeepUnusedReplaced, // keep and tell: other journals are beside the file now
    KeepPlayed,         // keep and tell: journals that cannot tell whose they are were played
    KeepPutBack         // keep and tell: the played file failed the check, the copy is back
};

// The next step from what a start finds.
Step Decide(const Found &found);
// The step's name, for the log.
const char *StepName(Step step);
// The text the clerk is told when step keeps the folder dir (empty for other steps). file is
// the database file as the clerk knows it.
QString KeepText(Step step, const Found &found, const QString &dir, const QString &file);

// Where a start repairs and how it checks.
struct Place
{
    QString file;     // the database file (a symbolic link resolved)
    QString shown;    // the database file as the clerk knows it (in messages)
    QString tempRoot; // the folder that holds the set-aside folders
    // The full check of a database file; false with the reason.
    std::function<bool(const QString &, QString *)> check;
};

// Why a start cannot go on: a message (what, with SQLite's detail), or SQLite's error number when
// the file could not be opened.
struct Problem
{
    QString what;
    QString detail;
    QString code;
};

class Repairer
{
public:
    explicit Repairer(Place place);

    // Removes what a start cut off left unfinished (a folder being made or removed, an empty
    // folder) and renames every journal kept in a set-aside folder, older ones too, so that no
    // SQLite client plays it into the copy beside it.
    void Tidy();
    // What a start finds now.
    Found Look() const;
    // Carries the step out; false with the problem when the start cannot go on (the state on
    // disk is then one the next start goes on from).
    bool Do(Step step, Problem *problem);

    // Tidy, then the steps Decide gives until Open. stopAfter (>= 0) stops after that many steps,
    // as a start cut off there. False with the problem when a step failed.
    bool Run(Problem *problem, int stopAfter = -1);
    // The steps Run carried out, in order.
    const QList<Step> &Steps() const { return m_steps; }
    // Whether the file in place is one the repair itself checked and found whole.
    bool FileChecked() const;

    // Every folder under Temp that holds set-aside files, oldest first.
    QStringList Folders() const;
    // The folders whose clerk has not been told yet, with what each is to say.
    QList<std::pair<QString, QString>> Untold() const;
    // The clerk has been told of the folder.
    static void Told(const QString &dir);

private:
    struct Pending;
    std::optional<Pending> Under() const;
    QString NewFolder() const;
    bool WriteMark(const QString &dir, const QStringList &lines) const;
    bool Keep(Step step, Found found, const Pending &p);
    bool RollBackCopy(const Pending &p);
    bool Do(Step step, const Found &found, Problem *problem);

    Place m_place;
    QList<Step> m_steps;
    QString m_checked; // the fingerprint of the file when the repair's check passed
};

} // namespace repair
} // namespace store
