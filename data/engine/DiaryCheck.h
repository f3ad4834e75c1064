#pragma once

#include <QString>
#include <QStringList>

namespace engine {

// The newest layout of the diary this program knows (PRAGMA user_version of the file). A diary
// written by a newer program is not touched.
inline constexpr int kNewestSchemaVersion = 1;

// What the start-up finds when it looks at the diary before it uses it.
enum class Condition {
    Sound,         // a diary of this program that passed the quick check
    Missing,       // no file of that name
    NotAFile,      // a folder or device under the diary's name
    Unreadable,    // the system refuses to read it (permissions, disk error)
    Empty,         // a file of no bytes
    NotADatabase,  // no database at all (a picture, a text, a damaged first page)
    Foreign,       // a database of another program
    Newer,         // a diary of a newer version of the program
    Damaged,       // the diary failed the check: a repair may save what is readable
    InUse,         // another process holds it and nothing can be read now
};

struct Examination {
    Condition condition = Condition::Sound;
    QString file;               // the real file (the target of a symbolic link)
    QStringList damagedTables;  // Damaged: the tables whose check failed (may be empty)
    int version = 0;            // Newer: the file's layout version
    int systemError = 0;        // Unreadable: errno
};

// Looks at the diary without writing into it: opens it read-only, tells what kind of file it
// is and runs SQLite's quick check. The one write it allows is SQLite's own rollback of a
// write that a crash interrupted (a "hot" journal beside the file), without which the file
// cannot be read at all; it restores the diary as it was before that write.
Examination examineDiary(const QString& path);

// What is wrong and what the user can do, in Polish; empty for a sound diary. A damaged diary's
// text ends where the question of a repair may follow.
QString describeExamination(const Examination& examination);

}  // namespace engine
