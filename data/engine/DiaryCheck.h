#pragma once

#include <QString>
#include <QStringList>

#include <map>

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
    QString file;                   // the real file (the target of a symbolic link)
    bool structureDamaged = false;  // Damaged: the integrity check failed
    QStringList damagedTables;      // Damaged: the tables whose check failed (may be empty)
    QStringList missing;            // Damaged: tables and columns of the diary that the file lacks
    QStringList references;         // Damaged: rows that refer to rows that are not there
    int version = 0;                // Newer: the file's layout version
    int systemError = 0;            // Unreadable: errno
};

// Looks at the diary without writing into it: opens it read-only, tells what kind of file it
// is and whether it is a whole diary of this program: its version, the seven tables with their
// columns (tables and columns of the user's own are welcome), SQLite's integrity check and the
// references between rows. The start, the check command, repair, backup and restore all ask
// this one question. The one write it allows is SQLite's own rollback of a
// write that a crash interrupted (a "hot" journal beside the file), without which the file
// cannot be read at all; it restores the diary as it was before that write.
Examination examineDiary(const QString& path);

class Connection;

// The same look through a connection the caller holds (e.g. under its own lock).
Examination examineOpen(const Connection& connection);

// What is wrong and what the user can do, in Polish; empty for a sound diary. A damaged diary's
// text ends where the question of a repair may follow.
QString describeExamination(const Examination& examination);

// The engine's error number for a file that is no diary to work on (missing, unreadable, not a
// database, another program's, held by another process, newer); with describeExamination() as
// its description it is the refusal of every whole-file command.
int refusalNumber(const Examination& examination);

// What makes a damaged diary fail the check, in the words describeExamination() uses.
QStringList damageReasons(const Examination& examination);

// The tables of the diary with their columns in order, as the program creates them.
const std::map<QString, QStringList>& diaryLayout();

}  // namespace engine
