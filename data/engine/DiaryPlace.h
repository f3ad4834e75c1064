#pragma once

#include <QString>
#include <QStringList>

// Where the diary lies and what its place allows: why a write is refused, a link that leads
// nowhere, other names of the same file, and files that an interrupted rebuild left beside it.
namespace engine {

// Why the file cannot be written, in the order they are looked at.
enum class WriteBlock {
    None,
    ReadOnlyMount,   // the file system is mounted read-only
    FileReadOnly,    // the file lacks the write permission for this user
    FolderReadOnly,  // the folder lacks it: SQLite cannot create its journal beside the file
};

WriteBlock writeBlock(const QString& path);
// "Nie można zapisać zmian: ..." naming the cause and the file or folder; empty for None.
QString describeWriteBlock(WriteBlock block, const QString& path);

// Whether `path` is a symbolic link whose chain of links never reaches a file.
bool isLinkLoop(const QString& path);
QString describeLinkLoop(const QString& path);

// How many other names (hard links) the diary's real file has besides its own.
int otherHardLinks(const QString& path);
// The question asked before `what` ("Defragmentacja", "Naprawa") replaces such a file: the
// other names would keep the old contents. `action` completes "Czy mimo to ...?".
QString hardLinksQuestion(const QString& path, int others, const QString& what,
                          const QString& action);

// Removes the hidden build files (and their journals) that a killed compaction, repair or
// import left beside the diary's real file, leaving alone every one that a process still has
// open or locked, and all of them while another process holds a lock on the diary itself (a
// rebuild under way). Returns the names removed.
QStringList removeLeftovers(const QString& diary);

}  // namespace engine
