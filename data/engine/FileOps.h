#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace engine {

// Whole-file operations on a closed database file. They report err::FileInUse when another
// process (or another open connection) holds the file, and then leave every file untouched.
// A file that is a symbolic link is worked on through its target: the new file is built in
// the target's folder and replaces the target, so the link keeps pointing at the diary.
// A rebuilt file takes the permission bits, and the owner and group where the process may set
// them, of the file it replaces.

// The file behind `path`: the final target of a symbolic link, else `path` itself (absolute).
QString realFile(const QString& path);

// The first of nameFor(1), nameFor(2), ... that no file has now: the name under which a file
// kept aside would be found (the keeping itself takes the first free name at that moment).
QString firstFreeName(const std::function<QString(int)>& nameFor);

// Writes a compacted copy of `source` into the new file `destination`; a destination that
// exists already is err::DestinationExists.
void compactDatabase(const QString& source, const QString& destination);

// Compacts the diary `path` in place: the compacted copy is built and checked beside the real
// file and replaces it in one rename, so that at every moment the diary's name carries either
// the old or the compacted file. Refused (err::ReadOnly) for a file the process may not write,
// and (err::DestinationExists) while a file "Kopia<name>" lies beside it: a copy left over by
// an older version of the program, which is never moved over the diary.
void compactInPlace(const QString& path);

// Rows of one table before and after a repair. `before` is how many rows the damaged file
// shows it held: the rows still readable on its pages, or more when an index of the table
// still counts more (-1 when a part of the table is lost and nothing counts it).
// `withoutParent` rows were readable but refer to a row that was lost (goals of a lost match):
// they are kept in the table "Odlaczone_<table>" of the repaired file.
struct TableRows {
    QString table;
    qint64 before = 0;
    qint64 after = 0;
    qint64 withoutParent = 0;
    QString parent;  // the table whose lost rows they refer to
};

struct RepairReport {
    bool rebuilt = false;  // false: the file was sound and left as it was
    std::vector<TableRows> tables;
    QString damagedCopy;    // where the damaged file was kept (rebuilt files only)
    QStringList dropped;    // what the damaged file had and the repaired one has not
    QStringList added;      // tables and columns of the diary that the damaged file lacked
    qint64 unassigned = 0;  // readable rows that belong to no table the file still names

    // Whether anything of the damaged file is not in the repaired one, or could not be
    // counted.
    bool lostRows() const;
};

// Checks the file; when it is damaged, rebuilds what can be read into a fresh file and
// replaces the original atomically, keeping the damaged file beside it as
// "<name>.uszkodzona" (".uszkodzona2", ... when taken). Every row still readable on the
// file's pages is kept, whichever pages are damaged, with the tables, columns, indexes and
// version of the file, also those this program does not know. The damaged file is only read,
// never written, whatever happens. A good file keeps every row and is not rewritten. Nothing
// readable at all is err::Corrupt, a file the process may not write is err::ReadOnly, a diary
// of a newer version err::NotADatabase; all leave the file as it was. The report of a rebuilt
// file is also kept beside it (takeRepairReport) until it has been shown.
RepairReport repairDatabase(const QString& path);

// What a repair did, in the user's words: the rows of every table before and after, what was
// lost and where the damaged file was kept. Starts with "Baza danych została naprawiona.".
QString describeRepair(const RepairReport& report);

// The report of a repair that rebuilt the diary `path` and has not been shown yet (the
// program ended between the two), removed as it is taken; empty when there is none. A report
// whose repair never took the diary's place is removed without a word.
QString takeRepairReport(const QString& path);

// A new empty diary with the schema; refuses to overwrite an existing file.
void createDatabase(const QString& path);

// Replaces `target` (its real file, when it is a link) by `replacement` in one rename (both in
// the same directory), so that at every moment one of the two complete files carries the name.
void replaceFileAtomically(const QString& replacement, const QString& target);

// Whether the file is a whole, sound diary of this program (DiaryCheck.h): "ok", or what the
// start-up says of a damaged or newer diary. A file that is no diary at all is an error.
QString checkDatabase(const QString& path);

// The steps of the whole-file operations that happen outside SQLite.
enum class FileStep { CreateFile, SyncFile, SyncFolder, SetOwner, SetMode, Link, Rename, Copy };

// Test hook, called before each such step with the file it concerns: a nonzero return value
// is taken as the errno of a failure of that step. An empty function removes the hook.
using FileStepHook = std::function<int(FileStep step, const QString& path)>;
void setFileStepHook(FileStepHook hook);

}  // namespace engine
