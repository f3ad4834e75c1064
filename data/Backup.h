#pragma once

#include <QDate>
#include <QString>

// Backups of the diary: dated, checked copies in a folder of the user's choice, and putting
// such a copy back in the diary's place.
namespace backup {

// "Mirvola-RRRR-MM-DD.mdb" for the first copy of a day, then "Mirvola-RRRR-MM-DD-2.mdb", ...
QString backupName(const QDate& day, int n);

// Where restoreBackup() keeps the current diary: "<diary>.przed-przywroceniem", then
// "<diary>.przed-przywroceniem2", ...
QString keptName(const QString& diaryPath, int n);

// Writes a copy of the diary `diaryPath` into `folder` (made when missing) under the first free
// backupName() of `day`, through SQLite's online backup, and checks it (integrity, and the rows
// of every table equal to the diary's) before it gets its name. The diary is only read; the copy
// keeps its permissions. Returns the copy's path.
QString createBackup(const QString& diaryPath, const QString& folder, const QDate& day);

// What a backup file holds, after checking that it is a sound diary of this program (the seven
// tables); anything else is an engine::Error whose description says what is wrong.
struct BackupInfo {
    qint64 matches = 0;
};
BackupInfo checkBackup(const QString& backupPath);

// Refuses (an engine::Error naming the file) a "backup" that is the diary itself: the same
// file, under whatever name or link.
void refuseDiaryItself(const QString& backupPath, const QString& diaryPath);

// Puts the backup in the diary's place in one rename; the current diary is kept beside it as
// "<name>.przed-przywroceniem" (".przed-przywroceniem2", ... when taken). The backup file itself
// is only read. Nothing changes when the backup is not a sound diary, is the diary itself, or
// the current one is held by another process (err::FileInUse). Returns where the current diary
// was kept.
QString restoreBackup(const QString& backupPath, const QString& diaryPath);

// Puts a checked copy of the backup at `diaryPath`, where no file may be yet (a diary is never
// overwritten: err::DestinationExists); nothing is left there when anything fails.
void restoreToNewFile(const QString& backupPath, const QString& diaryPath);

}  // namespace backup
