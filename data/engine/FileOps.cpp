#include "data/engine/FileOps.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

QString quoted(const QString& path) {
    return u'\'' + QDir::toNativeSeparators(path) + u'\'';
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Flushes a file (or a directory's entries) to the disk, so that a rename that follows never
// publishes a file whose contents are still only in the cache.
void syncPath(const QString& path, bool directory = false) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          directory ? (O_RDONLY | O_DIRECTORY) : O_RDONLY);
    if (fd < 0) {
        if (directory) {
            return;  // best effort: some file systems do not open directories
        }
        throw Error(err::DiskError, QStringLiteral("Nie można otworzyć pliku ") + quoted(path) +
                                        QStringLiteral(": ") + systemError(errno));
    }
    const int rc = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    if (rc != 0 && !directory) {
        throw Error(err::DiskError, QStringLiteral("Nie można zapisać pliku ") + quoted(path) +
                                        QStringLiteral(" na dysku: ") + systemError(code));
    }
}

void syncDirectoryOf(const QString& path) {
    syncPath(QFileInfo(path).absolutePath(), true);
}

// A file being built next to its final place, removed (with a journal SQLite may have left)
// unless it was published.
class BuildFile {
  public:
    explicit BuildFile(const QString& finalPath) {
        const QFileInfo info(finalPath);
        QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                            QStringLiteral(".XXXXXX"));
        file.setAutoRemove(false);
        if (!file.open()) {
            throw Error(err::CannotOpen, QStringLiteral("Nie można utworzyć pliku w katalogu ") +
                                             quoted(info.absolutePath()) + u'.');
        }
        m_path = file.fileName();
        // A temporary file is private to its owner; the finished file gets the permissions of
        // the file it replaces, or those of any new file.
        struct stat existing {};
        mode_t mode = 0;
        if (::stat(QFile::encodeName(finalPath).constData(), &existing) == 0) {
            mode = existing.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::chmod(QFile::encodeName(m_path).constData(), mode);
    }
    ~BuildFile() {
        if (!m_published) {
            QFile::remove(m_path);
            QFile::remove(m_path + QStringLiteral("-journal"));
        }
    }
    BuildFile(const BuildFile&) = delete;
    BuildFile& operator=(const BuildFile&) = delete;

    const QString& path() const { return m_path; }
    void published() { m_published = true; }

  private:
    QString m_path;
    bool m_published = false;
};

Error destinationExists(const QString& path) {
    return Error(err::DestinationExists,
                 QStringLiteral("Plik ") + quoted(path) + QStringLiteral(" już istnieje."));
}

// Gives the finished file its name without ever replacing a file of that name: a hard link
// fails when the name is taken, where a rename would overwrite.
void publishNew(BuildFile& built, const QString& destination) {
    syncPath(built.path());
    const QByteArray from = QFile::encodeName(built.path());
    const QByteArray to = QFile::encodeName(destination);
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
    } else if (errno == EEXIST) {
        throw destinationExists(destination);
    } else {
        // A file system without hard links: the existence test and the rename are two steps.
        if (QFileInfo::exists(destination)) {
            throw destinationExists(destination);
        }
        if (::rename(from.constData(), to.constData()) != 0) {
            throw Error(err::DiskError, QStringLiteral("Nie można utworzyć pliku ") +
                                            quoted(destination) + QStringLiteral(": ") +
                                            systemError(errno));
        }
    }
    built.published();
    syncDirectoryOf(destination);
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
// closes, so nobody starts writing while the copy is taken.
void lockExclusively(Connection& connection) {
    if (Connection::openCount(connection.path()) > 1) {
        throw errorFromSqlite(SQLITE_BUSY);
    }
    connection.exec("PRAGMA locking_mode = EXCLUSIVE");
    connection.exec("BEGIN EXCLUSIVE");
    connection.exec("COMMIT");
}

QStringList singleColumn(Connection& connection, const QString& sql) {
    Statement statement(connection, sql);
    QStringList values;
    while (statement.step()) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
        values << (text ? QString::fromUtf8(text) : QString());
    }
    return values;
}

QStringList tableNames(Connection& connection) {
    return singleColumn(connection, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                   "'table' AND name NOT LIKE 'sqlite_%' ORDER "
                                                   "BY rowid"));
}

QString quotedName(const QString& name) {
    QString copy = name;
    return u'"' + copy.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

qint64 rowCount(Connection& connection, const QString& table) {
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

void verifyCopy(Connection& source, const QString& copyPath) {
    const auto copy = Connection::open(copyPath, Connection::Mode::ReadOnly);
    const QStringList found = problems(*copy);
    if (!found.isEmpty()) {
        throw Error(err::Corrupt, QStringLiteral("Kopia bazy danych jest niepoprawna: ") +
                                      found.join(QStringLiteral("; ")));
    }
    for (const QString& table : tableNames(source)) {
        if (rowCount(source, table) != rowCount(*copy, table)) {
            throw Error(err::Corrupt, QStringLiteral("Kopia bazy danych nie zawiera wszystkich "
                                                     "wierszy tabeli ") +
                                          table + u'.');
        }
    }
}

// Copies the readable rows of one table from a damaged file. A damaged page stops a scan, so
// the rows after it are sought from further row ids on, and finally from the end backwards;
// rows met twice are ignored by the new file's keys.
qint64 copyReadableRows(Connection& damaged, Connection& fresh, const QString& table) {
    QStringList columns;
    for (const QString& column :
         singleColumn(fresh, QStringLiteral("SELECT name FROM pragma_table_info(") +
                                 quotedName(table).replace(u'"', u'\'') + u')')) {
        columns << quotedName(column);
    }
    const QString list = columns.join(QStringLiteral(", "));
    QStringList parameters;
    for (int i = 1; i <= columns.size(); ++i) {
        parameters << u'?' + QString::number(i);
    }
    Statement insert(fresh, QStringLiteral("INSERT OR IGNORE INTO ") + quotedName(table) +
                                QStringLiteral(" (") + list + QStringLiteral(") VALUES (") +
                                parameters.join(QStringLiteral(", ")) + u')');
    qint64 copied = 0;
    const auto copyFrom = [&](const QString& sql, qint64 from, qint64& last) {
        qint64 read = 0;
        try {
            Statement scan(damaged, sql);
            if (scan.parameterCount() > 0) {
                scan.bind(1, qlonglong(from));
            }
            while (scan.step()) {
                last = sqlite3_column_int64(scan.get(), 0);
                ++read;
                insert.reset();
                for (int i = 0; i < columns.size(); ++i) {
                    sqlite3_bind_value(insert.get(), i + 1,
                                       sqlite3_column_value(scan.get(), i + 1));
                }
                insert.step();
                copied += sqlite3_changes(fresh.handle());
            }
            return std::pair{read, true};
        } catch (const Error&) {
            return std::pair{read, false};
        }
    };
    const QString forward = QStringLiteral("SELECT rowid, ") + list + QStringLiteral(" FROM ") +
                            quotedName(table) + QStringLiteral(" WHERE rowid >= ?1 ORDER BY rowid");
    qint64 next = std::numeric_limits<qint64>::min();
    qint64 gap = 1;
    for (int attempt = 0; attempt < 64; ++attempt) {
        qint64 last = next;
        const auto [read, complete] = copyFrom(forward, next, last);
        if (complete) {
            return copied;
        }
        if (read > 0) {
            next = last + 1;
            gap = 1;
        } else {
            if (next > std::numeric_limits<qint64>::max() - gap) {
                break;
            }
            next = next < 0 ? 0 : next + gap;
            gap *= 2;
        }
    }
    qint64 unused = 0;
    copyFrom(QStringLiteral("SELECT rowid, ") + list + QStringLiteral(" FROM ") +
                 quotedName(table) + QStringLiteral(" ORDER BY rowid DESC"),
             0, unused);
    return copied;
}

// Rows that refer to a lost row (goals of a match that could not be read) go too: the new
// file must pass the check.
void dropOrphans(Connection& fresh) {
    std::vector<std::pair<QString, qint64>> orphans;
    {
        Statement references(fresh, QByteArrayLiteral("PRAGMA foreign_key_check"));
        while (references.step()) {
            orphans.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(
                                     sqlite3_column_text(references.get(), 0))),
                                 sqlite3_column_int64(references.get(), 1));
        }
    }
    for (const auto& [table, rowid] : orphans) {
        Statement remove(fresh, QStringLiteral("DELETE FROM ") + quotedName(table) +
                                    QStringLiteral(" WHERE rowid = ?1"));
        remove.bind(1, qlonglong(rowid));
        remove.step();
    }
}

// What could not be read is lost from the repaired file; the damaged one stays beside it under
// a new name ("Mirvola.mdb.uszkodzona", then ".uszkodzona2", ...) for tools that dig deeper.
void keepDamagedCopy(const QString& path) {
    const QByteArray from = QFile::encodeName(path);
    for (int attempt = 1; attempt < 1000; ++attempt) {
        QString name = path + QStringLiteral(".uszkodzona");
        if (attempt > 1) {
            name += QString::number(attempt);
        }
        if (::link(from.constData(), QFile::encodeName(name).constData()) == 0) {
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    // Without a second name for the file (no hard links) a full copy serves as well.
    QFile::copy(path, path + QStringLiteral(".uszkodzona"));
}

}  // namespace

void compactDatabase(const QString& source, const QString& destination) {
    if (QFileInfo::exists(destination)) {
        throw destinationExists(destination);
    }
    Connection::closeIdle(Connection::canonical(source));
    const auto connection = Connection::open(source);
    lockExclusively(*connection);
    BuildFile built(destination);
    Statement vacuum(*connection, QByteArrayLiteral("VACUUM INTO ?1"));
    vacuum.bind(1, built.path());
    vacuum.step();
    verifyCopy(*connection, built.path());
    publishNew(built, destination);
}

void repairDatabase(const QString& path) {
    Connection::closeIdle(Connection::canonical(path));
    const auto damaged = Connection::open(path);
    lockExclusively(*damaged);
    if (problems(*damaged).isEmpty()) {
        return;
    }
    BuildFile built(path);
    qint64 copied = 0;
    {
        const auto fresh = Connection::openNew(built.path());
        fresh->exec("BEGIN");
        fresh->exec(schemaText().constData());
        for (const QString& table : tableNames(*fresh)) {
            copied += copyReadableRows(*damaged, *fresh, table);
        }
        dropOrphans(*fresh);
        fresh->exec("COMMIT");
    }
    if (copied == 0) {
        throw Error(err::Corrupt, QStringLiteral("Pliku ") + quoted(path) +
                                      QStringLiteral(" nie da się naprawić: nie udało się "
                                                     "odczytać z niego żadnych danych."));
    }
    {
        const auto check = Connection::open(built.path(), Connection::Mode::ReadOnly);
        const QStringList found = problems(*check);
        if (!found.isEmpty()) {
            throw Error(err::Corrupt, QStringLiteral("Pliku ") + quoted(path) +
                                          QStringLiteral(" nie da się naprawić: ") +
                                          found.join(QStringLiteral("; ")));
        }
    }
    keepDamagedCopy(path);
    replaceFileAtomically(built.path(), path);
    built.published();
}

void createDatabase(const QString& path) {
    if (QFileInfo::exists(path)) {
        throw destinationExists(path);
    }
    BuildFile built(path);
    {
        const auto connection = Connection::openNew(built.path());
        connection->exec("BEGIN");
        connection->exec(schemaText().constData());
        connection->exec("COMMIT");
    }
    publishNew(built, path);
}

void replaceFileAtomically(const QString& replacement, const QString& target) {
    Connection::closeIdle(Connection::canonical(target));
    syncPath(replacement);
    if (::rename(QFile::encodeName(replacement).constData(),
                 QFile::encodeName(target).constData()) != 0) {
        throw Error(err::DiskError, QStringLiteral("Nie można zastąpić pliku ") + quoted(target) +
                                        QStringLiteral(" plikiem ") + quoted(replacement) +
                                        QStringLiteral(": ") + systemError(errno));
    }
    syncDirectoryOf(target);
}

QString checkDatabase(const QString& path) {
    const auto connection = Connection::open(path, Connection::Mode::ReadOnly);
    const QStringList found = problems(*connection);
    return found.isEmpty() ? QStringLiteral("ok") : found.join(u'\n');
}

}  // namespace engine
