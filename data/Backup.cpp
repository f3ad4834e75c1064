#include "data/Backup.h"

#include "data/engine/Connection.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"
#include "data/engine/FileOps.h"
#include "data/engine/SchemaGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <map>
#include <memory>
#include <optional>

#include <sys/stat.h>

namespace backup {
namespace {

using engine::Connection;
using engine::Error;
using engine::quotedPath;
using engine::Statement;

std::map<QString, qint64> rowCounts(const Connection& connection) {
    std::map<QString, qint64> counts;
    for (const auto& [table, columns] : engine::diaryLayout()) {
        counts[table] = engine::files::rowCount(connection, table);
    }
    return counts;
}

Error notADiary(const QString& path, const QString& why) {
    return Error(engine::err::NotADatabase, QStringLiteral("Plik ") + quotedPath(path) +
                                                QStringLiteral(" nie jest kopią dziennika "
                                                               "programu Mirvola: ") +
                                                why);
}

// A whole, sound diary of this program: the start's own check, in its words.
void checkDiary(const QString& path) {
    const engine::Examination found = engine::examineDiary(path);
    switch (found.condition) {
        case engine::Condition::Sound:
            return;
        case engine::Condition::Damaged:
            if (!found.missing.isEmpty()) {
                throw notADiary(path, found.missing.join(QStringLiteral(", ")) + u'.');
            }
            throw Error(engine::err::Corrupt,
                        QStringLiteral("Plik ") + quotedPath(path) +
                            QStringLiteral(" jest uszkodzony: ") +
                            engine::damageReasons(found).join(QStringLiteral("; ")) + u'.');
        case engine::Condition::NotADatabase:
        case engine::Condition::Foreign:
        case engine::Condition::Empty:
            throw notADiary(path, QStringLiteral("to nie jest plik dziennika."));
        case engine::Condition::InUse:
            throw Error(engine::err::FileInUse, engine::describeExamination(found));
        case engine::Condition::Newer:
            throw Error(engine::err::NotADatabase, engine::describeExamination(found));
        default:
            throw Error(engine::err::CannotOpen, engine::describeExamination(found));
    }
}

// A file from elsewhere brings rows, never code: a trigger, a view or a CHECK constraint that
// came with it would run on the next write of the program.
void refuseForeignCode(const Connection& connection, const QString& path) {
    const auto objects = engine::objectsProgramDoesNotCreate(connection);
    if (!objects.empty()) {
        throw notADiary(path, QStringLiteral("zawiera obiekty, których program nie tworzy, a "
                                             "które mogłyby zmieniać lub usuwać dane "
                                             "dziennika: ") +
                                  engine::describeForeignObjects(objects) + u'.');
    }
}

// Copies the whole database of `from` into the file `to` through SQLite's online backup.
void copyDatabase(const Connection& from, const QString& to) {
    const auto destination = Connection::openNew(to);
    sqlite3_backup* raw = sqlite3_backup_init(destination->handle(), "main", from.handle(), "main");
    if (raw == nullptr) {
        throw destination->error(sqlite3_errcode(destination->handle()));
    }
    const int stepped = sqlite3_backup_step(raw, -1);
    const int finished = sqlite3_backup_finish(raw);
    if (stepped != SQLITE_DONE) {
        throw engine::errorFromSqlite(stepped, QString());
    }
    if (finished != SQLITE_OK) {
        throw destination->error(finished);
    }
}

// The copy is sound and holds the rows the source held when it was taken.
void verifyCopy(const QString& copy, const std::map<QString, qint64>& expected) {
    checkDiary(copy);
    const auto connection = Connection::open(copy, Connection::Mode::ReadOnly);
    if (rowCounts(*connection) != expected) {
        throw Error(engine::err::Corrupt, QStringLiteral("Kopia ") + quotedPath(copy) +
                                              QStringLiteral(" nie zawiera wszystkich wierszy "
                                                             "dziennika."));
    }
}

// A read transaction: what is copied and what is counted are the same rows.
class ReadTransaction {
  public:
    explicit ReadTransaction(const Connection& connection) : m_connection(connection) {
        m_connection.exec("BEGIN");
        Statement touch(m_connection, QByteArrayLiteral("SELECT count(*) FROM sqlite_master"));
        touch.step();
    }
    ~ReadTransaction() {
        try {
            m_connection.exec("COMMIT");
        } catch (const Error&) {
            // Only read: closing the connection ends it all the same.
        }
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

  private:
    const Connection& m_connection;
};

}  // namespace

QString backupName(const QDate& day, int n) {
    QString name = QStringLiteral("Mirvola-") + day.toString(QStringLiteral("yyyy-MM-dd"));
    if (n > 1) {
        name += u'-' + QString::number(n);
    }
    return name + QStringLiteral(".mdb");
}

QString keptName(const QString& diaryPath, int n) {
    return diaryPath + QStringLiteral(".przed-przywroceniem") +
           (n > 1 ? QString::number(n) : QString());
}

QString createBackup(const QString& diaryPath, const QString& folder, const QDate& day) {
    checkDiary(diaryPath);
    const auto diary = Connection::open(diaryPath, Connection::Mode::ReadOnly);
    const ReadTransaction snapshot(*diary);
    const std::map<QString, qint64> counts = rowCounts(*diary);
    if (!QDir().mkpath(folder)) {
        throw Error(engine::err::CannotOpen,
                    QStringLiteral("Nie można utworzyć katalogu ") + quotedPath(folder) + u'.');
    }
    const QDir dir(folder);
    for (int n = 1; n < 1000; ++n) {
        const QString target = dir.absoluteFilePath(backupName(day, n));
        if (QFileInfo::exists(target)) {
            continue;
        }
        engine::files::BuildFile built(target);
        copyDatabase(*diary, built.path());
        verifyCopy(built.path(), counts);
        try {
            // A private diary keeps a private copy.
            built.publishNew(target, engine::files::attributesOf(diary->path()));
        } catch (const Error& e) {
            if (e.number() == engine::err::DestinationExists) {
                continue;  // taken meanwhile: the next number
            }
            throw;
        }
        return target;
    }
    throw Error(engine::err::DestinationExists,
                QStringLiteral("W katalogu ") + quotedPath(folder) +
                    QStringLiteral(" nie ma już wolnej nazwy dla kopii z tego dnia."));
}

BackupInfo checkBackup(const QString& backupPath) {
    checkDiary(backupPath);
    const auto connection = Connection::open(backupPath, Connection::Mode::ReadOnly);
    refuseForeignCode(*connection, backupPath);
    return {engine::files::rowCount(*connection, QStringLiteral("Mecze"))};
}

void refuseDiaryItself(const QString& backupPath, const QString& diaryPath) {
    struct stat backup {};
    struct stat diary {};
    // stat() follows a diary kept as a symbolic link, and a link to the diary is the diary.
    if (::stat(QFile::encodeName(backupPath).constData(), &backup) == 0 &&
        ::stat(QFile::encodeName(diaryPath).constData(), &diary) == 0 &&
        backup.st_dev == diary.st_dev && backup.st_ino == diary.st_ino) {
        throw Error(engine::err::InvalidOperation,
                    QStringLiteral("Plik ") + quotedPath(backupPath) +
                        QStringLiteral(" to sam dziennik, a nie jego kopia zapasowa."));
    }
}

QString restoreBackup(const QString& backupPath, const QString& diaryPath) {
    refuseDiaryItself(backupPath, diaryPath);
    checkBackup(backupPath);
    // A diary kept as a symbolic link is replaced where it really lies; the link stays.
    const QString diaryFile = engine::realFile(diaryPath);
    if (!QFileInfo::exists(diaryFile)) {
        throw Error(engine::err::FileNotFound,
                    QStringLiteral("Nie można odnaleźć pliku ") + quotedPath(diaryPath) + u'.');
    }
    engine::files::refuseReadOnly(diaryFile,
                                  QStringLiteral("nie można go zastąpić kopią zapasową"));
    // The diary to itself while it is replaced: no other connection, no other process.
    engine::Connection::closeIdle(engine::Connection::canonical(diaryFile));
    const auto current = Connection::open(diaryFile);
    engine::files::lockExclusively(*current);
    engine::files::sweepLeftovers(diaryFile);

    std::optional<engine::files::BuildFile> built;
    const auto source = Connection::open(backupPath, Connection::Mode::ReadOnly);
    const ReadTransaction snapshot(*source);
    built.emplace(diaryFile);
    copyDatabase(*source, built->path());
    verifyCopy(built->path(), rowCounts(*source));
    // Nothing is replaced when the current diary cannot be kept (err::DiskError).
    const QString kept =
        engine::files::keepUnderFreeName(diaryFile, [&](int n) { return keptName(diaryFile, n); });
    // Replaced while the lock is still held: nobody can write into the old file meanwhile.
    try {
        built->replace(diaryFile, engine::files::attributesOf(diaryFile));
    } catch (...) {
        // The diary stays under its own name; a second name for it would be a stray file, and
        // one that parts from the diary at its next compaction.
        QFile::remove(kept);
        throw;
    }
    return kept;
}

void restoreToNewFile(const QString& backupPath, const QString& diaryPath) {
    checkBackup(backupPath);
    if (QFileInfo::exists(diaryPath)) {
        throw engine::files::BuildFile::destinationExists(diaryPath);
    }
    const auto source = Connection::open(backupPath, Connection::Mode::ReadOnly);
    const ReadTransaction snapshot(*source);
    engine::files::BuildFile built(diaryPath);
    copyDatabase(*source, built.path());
    verifyCopy(built.path(), rowCounts(*source));
    built.publishNew(diaryPath, engine::files::newFileAttributes());
}

}  // namespace backup
