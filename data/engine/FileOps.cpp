#include "data/engine/FileOps.h"

#include "data/engine/Connection.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace files {

FileStepHook& stepHook() {
    static FileStepHook hook;
    return hook;
}

Error diskError(const QString& what, const QString& path, int code) {
    return Error(err::DiskError,
                 what + quotedPath(path) + QStringLiteral(": ") + systemErrorText(code) + u'.');
}

// Flushes a file to the disk, so that a rename that follows never publishes a file whose
// contents are still only in the cache.
void syncFile(const QString& path) {
    const bool synced = perform(FileStep::SyncFile, path, [&] {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return -1;
        }
        const int rc = ::fsync(fd);
        const int code = errno;
        ::close(fd);
        errno = code;
        return rc;
    });
    if (!synced) {
        throw diskError(QStringLiteral("Nie można zapisać na dysku pliku "), path, errno);
    }
}

// Flushes the folder's entries, so that a rename survives a power cut. A folder that cannot be
// opened or synced on this file system is left to it; a failing disk is an error.
void syncFolderOf(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const bool synced = perform(FileStep::SyncFolder, folder, [&] {
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return 0;
        }
        int rc = ::fsync(fd);
        const int code = errno;
        ::close(fd);
        if (rc != 0 && (code == EINVAL || code == ENOTSUP || code == EBADF)) {
            rc = 0;
        }
        errno = code;
        return rc;
    });
    if (!synced) {
        throw diskError(QStringLiteral("Nie można zapisać na dysku zmian w katalogu "), folder,
                        errno);
    }
}

Attributes newFileAttributes() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return {static_cast<mode_t>(0666 & ~mask), std::nullopt};
}

Attributes attributesOf(const QString& path) {
    struct stat existing {};
    if (::stat(QFile::encodeName(path).constData(), &existing) != 0) {
        return newFileAttributes();
    }
    return {static_cast<mode_t>(existing.st_mode & 07777),
            std::pair{existing.st_uid, existing.st_gid}};
}

// Owner first: changing the owner clears the set-id bits that the mode then restores. An owner
// or group that this process may not give away stays its own, as for any file it writes.
void applyAttributes(const QString& path, const Attributes& attributes) {
    const QByteArray name = QFile::encodeName(path);
    if (attributes.owner) {
        const auto [uid, gid] = *attributes.owner;
        bool owned =
            perform(FileStep::SetOwner, path, [&] { return ::chown(name.constData(), uid, gid); });
        if (!owned && errno == EPERM) {
            owned = perform(FileStep::SetOwner, path,
                            [&] { return ::chown(name.constData(), static_cast<uid_t>(-1), gid); });
            if (!owned && errno == EPERM) {
                owned = true;
            }
        }
        if (!owned) {
            throw diskError(QStringLiteral("Nie można ustawić właściciela pliku "), path, errno);
        }
    }
    if (!perform(FileStep::SetMode, path,
                 [&] { return ::chmod(name.constData(), attributes.mode); })) {
        throw diskError(QStringLiteral("Nie można ustawić uprawnień pliku "), path, errno);
    }
}

QString keepUnderFreeName(const QString& path, const std::function<QString(int)>& nameFor) {
    constexpr int kAttempts = 999;
    const QByteArray from = QFile::encodeName(path);
    int code = 0;
    for (int n = 1; n <= kAttempts; ++n) {
        const QString name = nameFor(n);
        if (perform(FileStep::Link, name, [&] {
                return ::link(from.constData(), QFile::encodeName(name).constData());
            })) {
            return name;
        }
        code = errno;
        if (code != EEXIST) {
            break;
        }
    }
    // Without a second name for the file (no hard links) a full copy serves as well.
    if (code == EPERM || code == EOPNOTSUPP || code == EXDEV) {
        for (int n = 1; n <= kAttempts; ++n) {
            const QString name = nameFor(n);
            if (QFileInfo::exists(name)) {
                continue;
            }
            if (perform(FileStep::Copy, name,
                        [&] { return QFile::copy(path, name) ? 0 : (errno = EIO, -1); })) {
                syncFile(name);
                return name;
            }
            code = errno;
            break;
        }
    }
    throw diskError(QStringLiteral("Nie można zachować pliku "), path, code);
}

// Files that a crash left beside `diary`: build files of its copies, and a journal that SQLite
// found not to be hot (one that was, SQLite rolled back when the caller's connection first read
// the file). Every build of a copy holds the diary's exclusive lock, as does the caller, so none
// of them is in use; and no journal may outlive the file it belongs to when a new file takes
// the diary's name.
void sweepLeftovers(const QString& diary) {
    const QFileInfo info(diary);
    QDir folder = info.absoluteDir();
    folder.remove(info.fileName() + QStringLiteral("-journal"));
    const QString stem = u'.' + info.fileName() + QStringLiteral(".??????");
    for (const QString& name :
         folder.entryList({stem, stem + QStringLiteral("-journal")},
                          QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        folder.remove(name);
    }
}

// Whole-file work replaces the file: one the user may not change stays as it is.
void refuseReadOnly(const QString& real, const QString& refusal) {
    if (::access(QFile::encodeName(real).constData(), W_OK) != 0 && errno == EROFS) {
        throw Error(err::ReadOnly,
                    QStringLiteral("Dysk, na którym leży plik ") + quotedPath(real) +
                        QStringLiteral(", jest zamontowany tylko do odczytu, więc ") + refusal +
                        QStringLiteral(". Plik pozostał bez zmian."));
    }
    if (::access(QFile::encodeName(real).constData(), W_OK) != 0 &&
        (errno == EACCES || errno == EPERM)) {
        throw Error(err::ReadOnly,
                    QStringLiteral("Plik ") + quotedPath(real) +
                        QStringLiteral(" jest tylko do "
                                       "odczytu, więc ") +
                        refusal +
                        QStringLiteral(". Uprawnienia pliku pozostały bez zmian; jeśli dziennik "
                                       "ma być zmieniany, przywróć prawo zapisu do pliku."));
    }
}

QByteArray schemaText() {
    QFile schema(QStringLiteral(":/data/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly)) {
        throw Error(err::CannotOpen, QStringLiteral("Brak opisu struktury bazy danych."));
    }
    return schema.readAll();
}

// Whole-file work needs the file to itself: no other connection of this process, and an
// exclusive lock that no other process can share. The lock is kept until the connection
// closes, so nobody starts writing while the copy is taken or before it replaces the file.
void lockExclusively(Connection& connection) {
    if (Connection::openCount(connection.path()) > 1) {
        throw errorFromSqlite(SQLITE_BUSY);
    }
    connection.exec("PRAGMA locking_mode = EXCLUSIVE");
    connection.exec("BEGIN EXCLUSIVE");
    connection.exec("COMMIT");
}

QStringList singleColumn(const Connection& connection, const QString& sql) {
    Statement statement(connection, sql);
    QStringList values;
    while (statement.step()) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
        values << (text ? QString::fromUtf8(text) : QString());
    }
    return values;
}

QStringList tableNames(const Connection& connection) {
    return singleColumn(connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                   "'table' AND name NOT LIKE 'sqlite_%' ORDER "
                                                   "BY rowid"));
}

QString quotedName(const QString& name) {
    QString copy = name;
    return u'"' + copy.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString quotedText(const QString& text) {
    QString copy = text;
    return u'\'' + copy.replace(u'\'', QStringLiteral("''")) + u'\'';
}

qint64 rowCount(const Connection& connection, const QString& table) {
    Statement count(connection, QStringLiteral("SELECT count(*) FROM ") + quotedName(table));
    count.step();
    return sqlite3_column_int64(count.get(), 0);
}

// The integrity check's findings, and the references to missing rows (goals of a match that
// is gone), one per line; empty for a sound file.
QStringList problems(Connection& connection) {
    QStringList found;
    try {
        found = singleColumn(connection, QStringLiteral("PRAGMA integrity_check"));
        if (found == QStringList{QStringLiteral("ok")}) {
            found.clear();
        }
        Statement references(connection, QByteArrayLiteral("PRAGMA foreign_key_check"));
        while (references.step()) {
            const auto text = [&](int i) {
                return QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(references.get(), i)));
            };
            found << QStringLiteral(
                         "Tabela %1, wiersz %2: odwołanie do nieistniejącego wiersza "
                         "tabeli %3.")
                         .arg(text(0), text(1), text(2));
        }
    } catch (const Error& e) {
        if (e.number() != err::Corrupt && e.number() != err::NotADatabase) {
            throw;
        }
        found << e.description();
    }
    return found;
}

}  // namespace files

using namespace files;

namespace {

void verifyCopy(Connection& source, const QString& copyPath) {
    const auto copy = Connection::open(copyPath, Connection::Mode::ReadOnly);
    if (!problems(*copy).isEmpty()) {
        throw Error(err::Corrupt, QStringLiteral("Zapisana kopia bazy danych jest niepoprawna; "
                                                 "baza danych pozostała bez zmian."));
    }
    for (const QString& table : tableNames(source)) {
        if (rowCount(source, table) != rowCount(*copy, table)) {
            throw Error(err::Corrupt, QStringLiteral("Zapisana kopia bazy danych nie zawiera "
                                                     "wszystkich wierszy tabeli ") +
                                          table +
                                          QStringLiteral("; baza danych pozostała bez zmian."));
        }
    }
}

// The copy takes the source's sync setting. A file under construction needs none of SQLite's
// syncs (it is flushed as a whole before it is published, see BuildFile); and a failed sync of
// the copy's journal, which SQLite passes over, must not go unnoticed.
void vacuumInto(Connection& connection, const QString& copy) {
    connection.exec("PRAGMA synchronous = OFF");
    {
        Statement vacuum(connection, QByteArrayLiteral("VACUUM INTO ?1"));
        vacuum.bind(1, copy);
        vacuum.step();
    }
    // SQLite passes over a failure to delete the copy's journal once the copy is written; a
    // disk that fails to delete files is no place to go on replacing the diary.
    const QString journal = copy + QStringLiteral("-journal");
    if (QFileInfo::exists(journal)) {
        throw diskError(QStringLiteral("Nie można usunąć pliku tymczasowego "), journal, EIO);
    }
}

}  // namespace

QString firstFreeName(const std::function<QString(int)>& nameFor) {
    QString name;
    for (int n = 1; n < 1000; ++n) {
        name = nameFor(n);
        if (!QFileInfo::exists(name)) {
            break;
        }
    }
    return name;
}

QString realFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty()) {
            return target;
        }
    }
    return info.absoluteFilePath();
}

void compactDatabase(const QString& source, const QString& destination) {
    if (QFileInfo::exists(destination)) {
        throw BuildFile::destinationExists(destination);
    }
    // The copy is removed after the connection that wrote it has closed: SQLite may still
    // write a journal beside it until then.
    std::optional<BuildFile> built;
    Connection::closeIdle(Connection::canonical(source));
    const auto connection = Connection::open(source);
    lockExclusively(*connection);
    built.emplace(destination);
    vacuumInto(*connection, built->path());
    verifyCopy(*connection, built->path());
    built->publishNew(destination, attributesOf(realFile(source)));
}

void compactInPlace(const QString& path) {
    const QString real = realFile(path);
    const QFileInfo info(real);
    const QString leftOver = info.absolutePath() + QStringLiteral("/Kopia") + info.fileName();
    if (QFileInfo::exists(leftOver)) {
        throw BuildFile::destinationExists(leftOver);
    }
    if (!info.exists()) {
        // Let the engine say that the diary is missing.
        Connection::open(real);
    }
    refuseReadOnly(real, QStringLiteral("nie można przeprowadzić jego defragmentacji"));
    std::optional<BuildFile> built;
    Connection::closeIdle(Connection::canonical(real));
    const auto connection = Connection::open(real);
    lockExclusively(*connection);
    sweepLeftovers(real);
    built.emplace(real);
    vacuumInto(*connection, built->path());
    verifyCopy(*connection, built->path());
    // Replaced while the lock is still held: nobody can write into the old file meanwhile.
    built->replace(real, attributesOf(real));
}

void createDatabase(const QString& path) {
    if (QFileInfo::exists(path)) {
        throw BuildFile::destinationExists(path);
    }
    BuildFile built(path);
    {
        const auto connection = Connection::openNew(built.path());
        connection->exec("BEGIN");
        connection->exec(schemaText().constData());
        connection->exec("COMMIT");
    }
    built.publishNew(path, newFileAttributes());
}

void replaceFileAtomically(const QString& replacement, const QString& target) {
    const QString real = realFile(target);
    // A connection waiting idle would go on reading the file that is replaced.
    Connection::closeIdle(Connection::canonical(real));
    syncFile(replacement);
    if (!perform(FileStep::Rename, real, [&] {
            return ::rename(QFile::encodeName(replacement).constData(),
                            QFile::encodeName(real).constData());
        })) {
        throw diskError(QStringLiteral("Nie można zastąpić pliku "), real, errno);
    }
    syncFolderOf(real);
}

QString checkDatabase(const QString& path) {
    const Examination found = examineDiary(path);
    switch (found.condition) {
        case Condition::Sound:
            return QStringLiteral("ok");
        case Condition::Damaged:
        case Condition::Newer:
            return describeExamination(found);
        default:
            throw Error(refusalNumber(found), describeExamination(found));
    }
}

void setFileStepHook(FileStepHook hook) {
    files::stepHook() = std::move(hook);
}

}  // namespace engine
