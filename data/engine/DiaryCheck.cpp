#include "data/engine/DiaryCheck.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"
#include "data/engine/FileOps.h"
#include "data/engine/PageReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace engine {
namespace {

constexpr char kSqliteHeader[] = "SQLite format 3";  // and its terminating zero: 16 bytes

QString text(sqlite3_stmt* statement, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
}

Examination with(Condition condition, const QString& file) {
    Examination e;
    e.condition = condition;
    e.file = file;
    return e;
}

Examination damaged(const QString& file) {
    Examination e = with(Condition::Damaged, file);
    e.structureDamaged = true;
    return e;
}

// A file whose first page is gone, but whose other pages still hold rows: a repair can read
// them.
bool destroyedHeader(const QString& file) {
    QFile whole(file);
    if (whole.size() > (qint64(1) << 31) || !whole.open(QIODevice::ReadOnly)) {
        return false;
    }
    const pages::Image image(whole.readAll());
    const std::vector<pages::Tree> trees = image.strayTrees({});
    return std::any_of(trees.begin(), trees.end(),
                       [](const pages::Tree& tree) { return !tree.rows.empty(); });
}

// The file's first bytes say whether it is a database at all, before SQLite is asked.
Examination examineBytes(const QString& file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Examination e = with(Condition::Unreadable, file);
        e.systemError = errno;
        return e;
    }
    char header[sizeof kSqliteHeader] = {};
    const ssize_t n = ::read(fd, header, sizeof header);
    const int code = errno;
    ::close(fd);
    if (n < 0) {
        Examination e = with(Condition::Unreadable, file);
        e.systemError = code;
        return e;
    }
    if (n == 0) {
        return with(Condition::Empty, file);
    }
    if (n < static_cast<ssize_t>(sizeof header) ||
        std::memcmp(header, kSqliteHeader, sizeof header) != 0) {
        return destroyedHeader(file) ? damaged(file) : with(Condition::NotADatabase, file);
    }
    return with(Condition::Sound, file);
}

int pragmaNumber(const Connection& connection, const char* pragma) {
    Statement statement(connection, QByteArray(pragma));
    return statement.step() ? sqlite3_column_int(statement.get(), 0) : 0;
}

bool passesCheck(const Connection& connection, const QString& table = QString()) {
    try {
        QString sql = table.isEmpty() ? QStringLiteral("PRAGMA integrity_check")
                                      : QStringLiteral("PRAGMA quick_check");
        if (!table.isEmpty()) {
            QString name = table;
            sql += QStringLiteral("('") + name.replace(u'\'', QStringLiteral("''")) +
                   QStringLiteral("')");
        }
        Statement check(connection, sql);
        if (!check.step()) {
            return false;
        }
        const auto* first = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
        return first && std::strcmp(first, "ok") == 0 && !check.step();
    } catch (const Error& e) {
        if (e.number() == err::Corrupt || e.number() == err::NotADatabase ||
            (e.sqliteCode() & 0xff) == SQLITE_IOERR) {
            return false;
        }
        throw;
    }
}

QStringList damagedTables(const Connection& connection) {
    QStringList damaged;
    QStringList tables;
    try {
        Statement list(connection, QByteArrayLiteral("SELECT name FROM sqlite_master WHERE type = "
                                                     "'table' AND name NOT LIKE 'sqlite_%' "
                                                     "ORDER BY rowid"));
        while (list.step()) {
            tables << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)));
        }
    } catch (const Error&) {
        return damaged;  // the list of tables itself is unreadable
    }
    for (const QString& table : tables) {
        if (!passesCheck(connection, table)) {
            damaged << table;
        }
    }
    return damaged;
}

std::map<QString, QStringList> layoutOf(const Connection& connection) {
    std::map<QString, QStringList> layout;
    Statement columns(connection,
                      QByteArrayLiteral("SELECT m.name, p.name FROM sqlite_master AS m, "
                                        "pragma_table_info(m.name) AS p WHERE m.type = 'table' "
                                        "AND m.name NOT LIKE 'sqlite_%' ORDER BY m.rowid, p.cid"));
    while (columns.step()) {
        layout[text(columns.get(), 0)] << text(columns.get(), 1);
    }
    return layout;
}

// The program's tables and columns that the file lacks.
QStringList missingParts(const Connection& connection) {
    QStringList missing;
    const std::map<QString, QStringList> found = layoutOf(connection);
    for (const auto& [table, columns] : diaryLayout()) {
        const auto it = found.find(table);
        if (it == found.end()) {
            missing << QStringLiteral("brak tabeli %1").arg(table);
            continue;
        }
        for (const QString& column : columns) {
            if (!it->second.contains(column)) {
                missing << QStringLiteral("brak kolumny %1 w tabeli %2").arg(column, table);
            }
        }
    }
    return missing;
}

// Rows that refer to a row that is not there (goals of a lost match), counted by table.
QStringList brokenReferences(const Connection& connection) {
    std::map<std::pair<QString, QString>, qint64> counts;
    Statement references(connection, QByteArrayLiteral("PRAGMA foreign_key_check"));
    while (references.step()) {
        ++counts[{text(references.get(), 0), text(references.get(), 2)}];
    }
    QStringList found;
    for (const auto& [tables, n] : counts) {
        found << QStringLiteral(
                     "wiersze tabeli %1 odwołujące się do nieistniejących wierszy "
                     "tabeli %2: %3")
                     .arg(tables.first, tables.second)
                     .arg(n);
    }
    return found;
}

Examination examineConnection(const Connection& connectionRef, const QString& file) {
    const Connection* connection = &connectionRef;
    Examination e = with(Condition::Sound, file);
    e.version = pragmaNumber(*connection, "PRAGMA user_version");
    if (e.version > kNewestSchemaVersion) {
        e.condition = Condition::Newer;
        return e;
    }
    if (!passesCheck(*connection)) {
        e.structureDamaged = true;
        e.damagedTables = damagedTables(*connection);
    } else {
        e.references = brokenReferences(*connection);
    }
    try {
        e.missing = missingParts(*connection);
    } catch (const Error& error) {
        if (!e.structureDamaged) {
            throw;
        }
    }
    if (e.structureDamaged || !e.missing.isEmpty() || !e.references.isEmpty()) {
        e.condition = Condition::Damaged;
    }
    return e;
}

Examination examineDatabase(const QString& file) {
    const auto connection = Connection::open(file, Connection::Mode::ReadOnly);
    return examineConnection(*connection, file);
}

// SQLite rolls back an interrupted write only on a connection that may write; a read-only one
// stops at the journal. Opening the file for writing and reading its header does just that.
void finishInterruptedWrite(const QString& file) {
    try {
        const auto connection = Connection::open(file);
    } catch (const Error&) {
        // The read-only look that follows tells what is wrong.
    }
}

Examination fromError(const Error& e, const QString& file) {
    switch (e.number()) {
        case err::FileInUse:
            return with(Condition::InUse, file);
        case err::NotADatabase:
            // A foreign application id comes from the engine itself; SQLite's own refusal
            // means that the header is not one of a database.
            return with(e.sqliteCode() == 0 ? Condition::Foreign : Condition::NotADatabase, file);
        case err::Corrupt:
            return damaged(file);
        default: {
            Examination unreadable = with(Condition::Unreadable, file);
            unreadable.systemError = (e.sqliteCode() & 0xff) == SQLITE_IOERR ? EIO : 0;
            if (e.sqliteCode() == SQLITE_READONLY_ROLLBACK) {
                // An interrupted write that this user may not undo: the file's rights stop it.
                unreadable.systemError = EACCES;
            } else if (e.number() == err::ReadOnly || e.number() == err::CannotOpen) {
                unreadable.systemError =
                    ::access(QFile::encodeName(file).constData(), R_OK) == 0 ? EIO : errno;
            }
            return unreadable;
        }
    }
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

const std::map<QString, QStringList>& diaryLayout() {
    static const std::map<QString, QStringList> layout = [] {
        const auto memory = Connection::openNew(QStringLiteral(":memory:"));
        memory->exec(files::schemaText().constData());
        return layoutOf(*memory);
    }();
    return layout;
}

Examination examineOpen(const Connection& connection) {
    try {
        return examineConnection(connection, connection.path());
    } catch (const Error& e) {
        return fromError(e, connection.path());
    }
}

int refusalNumber(const Examination& e) {
    switch (e.condition) {
        case Condition::Missing:
            return err::FileNotFound;
        case Condition::Empty:
        case Condition::Damaged:
            return err::Corrupt;
        case Condition::InUse:
            return err::FileInUse;
        case Condition::NotAFile:
        case Condition::Unreadable:
            return err::CannotOpen;
        default:
            return err::NotADatabase;
    }
}

QStringList damageReasons(const Examination& e) {
    QStringList reasons;
    if (e.structureDamaged) {
        reasons << (e.damagedTables.isEmpty() ? QStringLiteral("uszkodzona jest struktura pliku")
                                              : QStringLiteral("uszkodzone tabele: ") +
                                                    e.damagedTables.join(QStringLiteral(", ")));
    }
    return reasons + e.missing + e.references;
}

Examination examineDiary(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return with(Condition::Missing, info.absoluteFilePath());
    }
    const QString file = realFile(path);
    if (!QFileInfo(file).isFile()) {
        return with(Condition::NotAFile, file);
    }
    if (const Examination bytes = examineBytes(file); bytes.condition != Condition::Sound) {
        return bytes;
    }
    for (int attempt = 0;; ++attempt) {
        try {
            return examineDatabase(file);
        } catch (const Error& e) {
            if (e.sqliteCode() == SQLITE_READONLY_ROLLBACK && attempt == 0) {
                finishInterruptedWrite(file);
                continue;
            }
            return fromError(e, file);
        }
    }
}

QString describeExamination(const Examination& e) {
    const QString file = native(e.file);
    const QString notOurs =
        QStringLiteral("Plik %1 nie jest bazą danych programu Mirvola !!!\n").arg(file);
    switch (e.condition) {
        case Condition::Sound:
            return QString();
        case Condition::Missing:
            return QStringLiteral("Brak pliku ") + QFileInfo(e.file).fileName() +
                   QStringLiteral(" !!!");
        case Condition::NotAFile:
            return QStringLiteral(
                       "%1 nie jest plikiem, lecz katalogiem lub urządzeniem.\n"
                       "Zmień jego nazwę i umieść w tym miejscu plik dziennika.")
                .arg(file);
        case Condition::Unreadable:
            return QStringLiteral(
                       "Nie można odczytać pliku %1: %2.\nSprawdź uprawnienia do "
                       "pliku i stan dysku, a potem uruchom program ponownie.")
                .arg(file, systemErrorText(e.systemError != 0 ? e.systemError : EIO));
        case Condition::Empty:
            return QStringLiteral(
                       "Plik %1 jest pusty: nie zawiera żadnych danych.\nPrzywróć "
                       "dziennik z kopii zapasowej.")
                .arg(file);
        case Condition::NotADatabase:
            return notOurs + QStringLiteral(
                                 "Nie jest to plik bazy danych albo jego początek "
                                 "został zniszczony, a tego nie da się naprawić. "
                                 "Przywróć dziennik z kopii zapasowej.");
        case Condition::Foreign:
            return notOurs + QStringLiteral(
                                 "To baza danych innego programu. Program jej nie "
                                 "zmienia; umieść w tym miejscu plik dziennika.");
        case Condition::Newer:
            return QStringLiteral(
                       "Plik %1 zapisała nowsza wersja programu Mirvola (układ bazy "
                       "danych w wersji %2, ta wersja programu zna wersje do %3).\n"
                       "Użyj nowszej wersji programu; ta wersja pliku nie zmienia.")
                .arg(file)
                .arg(e.version)
                .arg(kNewestSchemaVersion);
        case Condition::Damaged:
            return QStringLiteral(
                       "Plik %1 jest uszkodzony: nie przeszedł sprawdzenia "
                       "spójności (%2).")
                .arg(file, damageReasons(e).join(QStringLiteral("; ")));
        case Condition::InUse:
            return QStringLiteral("Baza jest używana przez inny proces !!!");
    }
    return QString();
}

}  // namespace engine
