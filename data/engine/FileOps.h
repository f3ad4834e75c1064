#pragma once

#include <QString>

namespace engine {

// Whole-file operations on a closed database file. Both report err::FileInUse when another
// process (or another open connection) holds the file, and then leave every file untouched.

// Writes a compacted copy of `source` into the new file `destination`; a destination that
// exists already is err::DestinationExists.
void compactDatabase(const QString& source, const QString& destination);

// Checks the file; when it is damaged, rebuilds what can be read into a fresh file and
// replaces the original atomically, keeping the damaged file beside it as
// "<name>.uszkodzona". A good file keeps every row and is not rewritten. Nothing readable at
// all is err::Corrupt, with the file left as it was.
void repairDatabase(const QString& path);

// A new empty diary with the schema; refuses to overwrite an existing file.
void createDatabase(const QString& path);

// Replaces `target` by `replacement` in one rename (both in the same directory), so that at
// every moment one of the two complete files carries the target's name.
void replaceFileAtomically(const QString& replacement, const QString& target);

// Runs the integrity check; returns "ok" or the problems found, one per line.
QString checkDatabase(const QString& path);

}  // namespace engine
