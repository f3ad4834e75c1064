#include "data/engine/FileOps.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

FileStepHook& stepHook() {
    static FileStepHook hook;
    return hook;
}

// Runs one step outside SQLite (a system call returning 0 or -1 with errno); false, with errno
// set, when it failed.
template <class F>
bool perform(FileStep step, const QString& path, F&& action) {
    if (const FileStepHook& hook = stepHook()) {
        if (const int injected = hook(step, path)) {
            errno = injected;
            return false;
        }
    }
    return action() == 0;
}

QString quoted(const QString& path) {
    return u'\'' + QDir::toNativeSeparators(path) + u'\'';
}

Error diskError(const QString& what, const QString& path, int code) {
    return Error(err::DiskError,
                 what + quoted(path) + QStringLiteral(": ") + systemErrorText(code) + u'.');
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

// Permission bits, owner and group that a rebuilt file takes over from the file it replaces.
struct Attributes {
    mode_t mode = 0;
    std::optional<std::pair<uid_t, gid_t>> owner;
};

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

// A file being built next to its final place under a hidden name, removed (with a journal
// SQLite may have left) unless it was published. A crash leaves it behind; the next
// whole-file operation on the same diary sweeps it away (sweepLeftovers).
class BuildFile {
  public:
    explicit BuildFile(const QString& finalPath) {
        const QFileInfo info(finalPath);
        QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                            QStringLiteral(".XXXXXX"));
        file.setAutoRemove(false);
        if (!perform(FileStep::CreateFile, info.absolutePath(), [&] {
                errno = 0;
                if (file.open()) {
                    return 0;
                }
                errno = errno != 0 ? errno : EIO;
                return -1;
            })) {
            throw diskError(QStringLiteral("Nie można utworzyć pliku w katalogu "),
                            info.absolutePath(), errno);
        }
        m_path = file.fileName();
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

    // Gives the finished file its attributes and the name `target`, replacing the file of
    // that name in one rename.
    void replace(const QString& target, const Attributes& attributes) {
        finish(attributes);
        if (!perform(FileStep::Rename, target, [&] {
                return ::rename(QFile::encodeName(m_path).constData(),
                                QFile::encodeName(target).constData());
            })) {
            throw diskError(QStringLiteral("Nie można zastąpić pliku "), target, errno);
        }
        m_published = true;
        syncFolderOf(target);
    }

    // Gives the finished file its attributes and the name `destination`, which must be free:
    // a hard link fails when the name is taken, where a rename would overwrite.
    void publishNew(const QString& destination, const Attributes& attributes) {
        finish(attributes);
        const QByteArray from = QFile::encodeName(m_path);
        const QByteArray to = QFile::encodeName(destination);
        if (perform(FileStep::Link, destination,
                    [&] { return ::link(from.constData(), to.constData()); })) {
            ::unlink(from.constData());
        } else if (errno == EEXIST) {
            throw destinationExists(destination);
        } else if (errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV) {
            // A file system without hard links: the existence test and the rename are two
            // steps.
            if (QFileInfo::exists(destination)) {
                throw destinationExists(destination);
            }
            if (!perform(FileStep::Rename, destination,
                         [&] { return ::rename(from.constData(), to.constData()); })) {
                throw diskError(QStringLiteral("Nie można utworzyć pliku "), destination, errno);
            }
        } else {
            throw diskError(QStringLiteral("Nie można utworzyć pliku "), destination, errno);
        }
        m_published = true;
        syncFolderOf(destination);
    }

    static Error destinationExists(const QString& path) {
        return Error(err::DestinationExists,
                     QStringLiteral("Plik ") + quoted(path) + QStringLiteral(" już istnieje."));
    }

  private:
    void finish(const Attributes& attributes) {
        syncFile(m_path);
        applyAttributes(m_path, attributes);
    }

    QString m_path;
    bool m_published = false;
};

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
    if (::access(QFile::encodeName(real).constData(), W_OK) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM)) {
        throw Error(err::ReadOnly,
                    QStringLiteral("Plik ") + quoted(real) +
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

QString quotedText(const QString& text) {
    QString copy = text;
    return u'\'' + copy.replace(u'\'', QStringLiteral("''")) + u'\'';
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

// How many rows a damaged table held by the file's own account: the largest count that the
// table's b-tree or one of its indexes still gives (an index holds one entry per row and often
// survives the loss of a table page). -1 when none of them can be read to the end.
qint64 claimedRows(Connection& damaged, const QString& table) {
    qint64 best = -1;
    const auto count = [&](const QString& sql) {
        try {
            Statement statement(damaged, sql);
            if (statement.step()) {
                best = std::max<qint64>(best, sqlite3_column_int64(statement.get(), 0));
            }
        } catch (const Error&) {
            // This b-tree is damaged too.
        }
    };
    count(QStringLiteral("SELECT count(*) FROM ") + quotedName(table) +
          QStringLiteral(" NOT INDEXED"));
    QStringList indexes;
    try {
        indexes = singleColumn(damaged, QStringLiteral("SELECT name FROM pragma_index_list(") +
                                            quotedText(table) + u')');
    } catch (const Error&) {
        return best;
    }
    for (const QString& index : indexes) {
        QStringList order;
        try {
            Statement columns(
                damaged, QStringLiteral("SELECT name, coll FROM pragma_index_xinfo(") +
                             quotedText(index) + QStringLiteral(") WHERE key = 1 ORDER BY seqno"));
            while (columns.step()) {
                const auto text = [&](int i) {
                    return QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(columns.get(), i)));
                };
                order << quotedName(text(0)) + QStringLiteral(" COLLATE ") + text(1);
            }
        } catch (const Error&) {
            continue;
        }
        if (order.isEmpty()) {
            continue;
        }
        // Only the index's own columns are read, so the scan never visits the table's pages.
        count(QStringLiteral("SELECT count(*) FROM (SELECT ") + order.first().section(u' ', 0, 0) +
              QStringLiteral(" FROM ") + quotedName(table) + QStringLiteral(" INDEXED BY ") +
              quotedName(index) + QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", ")) +
              u')');
    }
    return best;
}

// Copies the readable rows of one table from a damaged file. A damaged page stops a scan, so
// the rows after it are sought from further row ids on, and finally from the end backwards;
// rows met twice are ignored by the new file's keys.
qint64 copyReadableRows(Connection& damaged, Connection& fresh, const QString& table) {
    QStringList columns;
    for (const QString& column :
         singleColumn(fresh, QStringLiteral("SELECT name FROM pragma_table_info(") +
                                 quotedText(table) + u')')) {
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
    // Errors of the damaged file end a scan; errors of the new file end the repair.
    const auto copyFrom = [&](const QString& sql, qint64 from, qint64& last) {
        qint64 read = 0;
        std::optional<Statement> scan;
        try {
            scan.emplace(damaged, sql);
            if (scan->parameterCount() > 0) {
                scan->bind(1, qlonglong(from));
            }
        } catch (const Error&) {
            return std::pair{read, false};
        }
        for (;;) {
            try {
                if (!scan->step()) {
                    return std::pair{read, true};
                }
            } catch (const Error&) {
                return std::pair{read, false};
            }
            last = sqlite3_column_int64(scan->get(), 0);
            ++read;
            insert.reset();
            for (int i = 0; i < columns.size(); ++i) {
                sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(scan->get(), i + 1));
            }
            insert.step();
            copied += sqlite3_changes(fresh.handle());
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
// Returns that name.
QString keepDamagedCopy(const QString& path) {
    const QByteArray from = QFile::encodeName(path);
    int code = 0;
    for (int attempt = 1; attempt < 1000; ++attempt) {
        QString name = path + QStringLiteral(".uszkodzona");
        if (attempt > 1) {
            name += QString::number(attempt);
        }
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
        for (int attempt = 1; attempt < 1000; ++attempt) {
            const QString name = path + QStringLiteral(".uszkodzona") +
                                 (attempt > 1 ? QString::number(attempt) : QString());
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
    throw diskError(QStringLiteral("Nie można zachować uszkodzonego pliku "), path, code);
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

std::vector<TableRows> countRows(Connection& connection) {
    std::vector<TableRows> rows;
    for (const QString& table : tableNames(connection)) {
        const qint64 n = rowCount(connection, table);
        rows.push_back({table, n, n});
    }
    return rows;
}

}  // namespace

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
    const auto connection = Connection::open(real);
    lockExclusively(*connection);
    sweepLeftovers(real);
    built.emplace(real);
    vacuumInto(*connection, built->path());
    verifyCopy(*connection, built->path());
    // Replaced while the lock is still held: nobody can write into the old file meanwhile.
    built->replace(real, attributesOf(real));
}

bool RepairReport::lostRows() const {
    return std::any_of(tables.begin(), tables.end(), [](const TableRows& rows) {
        return rows.before < 0 || rows.after < rows.before;
    });
}

RepairReport repairDatabase(const QString& path) {
    const QString real = realFile(path);
    if (QFileInfo::exists(real)) {
        refuseReadOnly(real, QStringLiteral("nie można go naprawić"));
    }
    const auto damaged = Connection::open(real, Connection::Mode::Salvage);
    lockExclusively(*damaged);
    RepairReport report;
    if (problems(*damaged).isEmpty()) {
        report.tables = countRows(*damaged);
        return report;
    }
    sweepLeftovers(real);
    BuildFile built(real);
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
        report.tables = countRows(*fresh);
        for (TableRows& rows : report.tables) {
            rows.before = claimedRows(*damaged, rows.table);
            if (rows.before >= 0 && rows.before < rows.after) {
                rows.before = rows.after;  // the counts themselves were damaged
            }
        }
    }
    if (copied == 0) {
        throw Error(err::Corrupt, QStringLiteral("Pliku ") + quoted(real) +
                                      QStringLiteral(" nie da się naprawić: nie udało się "
                                                     "odczytać z niego żadnych danych."));
    }
    {
        const auto check = Connection::open(built.path(), Connection::Mode::ReadOnly);
        if (!problems(*check).isEmpty()) {
            throw Error(err::Corrupt, QStringLiteral("Pliku ") + quoted(real) +
                                          QStringLiteral(" nie da się naprawić: odtworzona "
                                                         "baza danych nie przeszła "
                                                         "sprawdzenia."));
        }
    }
    report.damagedCopy = keepDamagedCopy(real);
    try {
        built.replace(real, attributesOf(real));
    } catch (const Error&) {
        // The damaged file is still the diary: the second name would only mislead.
        QFile::remove(report.damagedCopy);
        throw;
    }
    report.rebuilt = true;
    return report;
}

QString describeRepair(const RepairReport& report) {
    QString text = QStringLiteral("Baza danych została naprawiona.");
    if (!report.rebuilt) {
        return text;
    }
    // The matches and their goals first: they are what the user misses most.
    std::vector<TableRows> tables = report.tables;
    const auto rank = [](const QString& table) {
        return table == QStringLiteral("Mecze") ? 0 : (table == QStringLiteral("Bramki") ? 1 : 2);
    };
    std::stable_sort(tables.begin(), tables.end(), [&](const TableRows& a, const TableRows& b) {
        return rank(a.table) < rank(b.table);
    });
    text += QStringLiteral("\n");
    for (const TableRows& rows : tables) {
        text += u'\n' + rows.table + QStringLiteral(": ");
        if (rows.before < 0) {
            text += QStringLiteral("liczba wierszy przed naprawą nieznana, odzyskano %1")
                        .arg(rows.after);
        } else {
            text += QStringLiteral("było %1, odzyskano %2").arg(rows.before).arg(rows.after);
            if (rows.before > rows.after) {
                text += QStringLiteral(", utracono %1").arg(rows.before - rows.after);
            }
        }
    }
    text += report.lostRows() ? QStringLiteral(
                                    "\n\nUtraconych wierszy nie udało się odczytać z uszkodzonego "
                                    "pliku.")
                              : QStringLiteral("\n\nOdzyskano wszystkie wiersze.");
    text += QStringLiteral(" Uszkodzony plik zachowano jako ") +
            QDir::toNativeSeparators(report.damagedCopy) + u'.';
    return text;
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
    const auto connection = Connection::open(path, Connection::Mode::ReadOnly);
    const QStringList found = problems(*connection);
    return found.isEmpty() ? QStringLiteral("ok") : found.join(u'\n');
}

void setFileStepHook(FileStepHook hook) {
    stepHook() = std::move(hook);
}

}  // namespace engine
