#pragma once

#include "data/JetReader.h"

#include <QString>

#include <utility>
#include <vector>

// Bringing an old diary (a Jet file, read by JetReader) over into a diary of this program.
// Every row keeps its ids, so goals and matches still point at the same rows, references to
// dictionary rows that are missing stay as they were, and the key counters continue after the
// largest id. The new diary is written beside its place under a temporary name, checked
// (integrity, and the rows of every table against the old file's) and only then published by
// rename: at every moment the name holds a whole file, the old one or the new one.
namespace jet {

struct ImportResult {
    // Rows written per table, in the order of OldDiary::tables.
    std::vector<std::pair<QString, qint64>> rows;
    // Goals of matches the old file did not hold: no window ever showed them, and the new
    // diary's goals must belong to a match, so they are left out.
    qint64 droppedGoals = 0;
    // Where the file that had the target's name was kept (importReplacing), else empty.
    QString keptAs;
    // What the user had added to the old diary himself and came over: a column of one of the
    // seven tables (count: its values other than Null), or a table (column empty; count: its
    // rows).
    struct Added {
        QString table;
        QString column;
        qint64 count = 0;
    };
    std::vector<Added> added;
    // What could not come over, and why.
    std::vector<LeftBehind> leftBehind;
};

// The part of the import's report on what the user had added himself, in Polish: what came over
// and what did not, with the reason; empty when the old diary held nothing of the user's own.
QString additionsReport(const ImportResult& result);

// Writes `diary` into the new file `target`; an existing file is never overwritten
// (err::DestinationExists).
ImportResult importToNewFile(const OldDiary& diary, const QString& target,
                             const Progress& progress = {});

// Writes `diary` into a new diary that takes the place of the file `target`: the current diary,
// or the old file itself when the program's diary is converted where it lies. The file that
// had the name stays beside it unchanged, as keptName(target, tag, 1) or, when that name is
// taken, the first free of keptName(target, tag, 2), ...; when it cannot be kept nothing is
// replaced (err::DiskError).
ImportResult importReplacing(const OldDiary& diary, const QString& target, const QString& tag,
                             const Progress& progress = {});

// "Mirvola.mdb" kept with the tag "jet": "Mirvola.jet.mdb", then "Mirvola.jet.2.mdb", ...
QString keptName(const QString& path, const QString& tag, int n);

}  // namespace jet
