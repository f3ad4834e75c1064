#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace engine {

class Connection;

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

// The diary's tables, indexes and settings as SQL statements (data/schema.sql).
QByteArray schemaText();

// A new empty diary with the schema; refuses to overwrite an existing file.
void createDatabase(const QString& path);

// Replaces `target` by `replacement` in one rename (both in the same directory), so that at
// every moment one of the two complete files carries the target's name.
void replaceFileAtomically(const QString& replacement, const QString& target);

// A file built next to its final place under a hidden temporary name, with the permissions of
// the file it is to replace (or those of any new file); removed, with a journal SQLite may have
// left, unless it was published.
class BuildFile {
  public:
    explicit BuildFile(const QString& finalPath);
    ~BuildFile();
    BuildFile(const BuildFile&) = delete;
    BuildFile& operator=(const BuildFile&) = delete;

    const QString& path() const { return m_path; }
    void published() { m_published = true; }

  private:
    QString m_path;
    bool m_published = false;
};

// Gives the finished file its name, flushed to the disk, without ever replacing a file of that
// name (err::DestinationExists).
void publishNew(BuildFile& built, const QString& destination);

// Keeps the file `path` also under the first free name of nameFor(1), nameFor(2), ...: a second
// link to the same file, or a copy where the file system has no links. Returns that name, or an
// empty text when the file could not be kept.
QString keepUnderFreeName(const QString& path, const std::function<QString(int)>& nameFor);

// Takes the file behind `connection` to itself: no other connection of this process, and an
// exclusive lock that no other process can share, kept until the connection closes
// (err::FileInUse when either holds it).
void lockExclusively(Connection& connection);

// Runs the integrity check; returns "ok" or the problems found, one per line.
QString checkDatabase(const QString& path);

}  // namespace engine
