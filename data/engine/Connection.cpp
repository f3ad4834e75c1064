#include "data/engine/Connection.h"

#include "data/engine/DiaryPlace.h"
#include "data/engine/Error.h"
#include "data/engine/SchemaGuard.h"
#include "data/engine/SqlFunctions.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

// PRAGMA application_id of every diary ('MVDB'), set by the schema.
constexpr int kApplicationId = 1297499202;

// Short enough that a file locked by another process is reported at once instead of freezing
// the window, long enough to ride over another connection's brief commit.
constexpr int kBusyTimeoutMs = 50;

QByteArray& testVfs() {
    static QByteArray name;
    return name;
}

const char* vfsName() {
    return testVfs().isEmpty() ? nullptr : testVfs().constData();
}

// Never destroyed: connections that globals still hold at exit close after every static.
QHash<QString, int>& openConnections() {
    static auto* counts = new QHash<QString, int>;
    return *counts;
}

struct RawHandle {
    sqlite3* db = nullptr;
    ~RawHandle() { sqlite3_close_v2(db); }
    sqlite3* release() { return std::exchange(db, nullptr); }
};

void checkApplicationId(const Connection& connection, const QString& path) {
    Statement query(connection, QByteArrayLiteral("PRAGMA application_id"), Statement::cached);
    bool row = false;
    try {
        row = query.step();
    } catch (const Error& e) {
        if (e.number() == err::NotADatabase) {
            throw Error(err::NotADatabase,
                        QStringLiteral("Plik ") + quotedPath(path) +
                            QStringLiteral(" nie jest bazą danych."),
                        e.sqliteCode(), QString());
        }
        throw;
    }
    if (!row || sqlite3_column_int(query.get(), 0) != kApplicationId) {
        throw Error(err::NotADatabase,
                    QStringLiteral("Plik ") + quotedPath(path) +
                        QStringLiteral(" nie jest bazą danych programu Mirvola."));
    }
}

// ---- idle connections

// A command on the shared recordset may run while the match viewer or the opponents table
// holds a connection of its own: two idle connections per file serve both without opening.
constexpr std::size_t kIdlePerFile = 2;
constexpr std::size_t kIdleInAll = 4;
constexpr int kCachedStatements = 32;

// The file a path names (device and inode) and when it last changed. An idle connection is
// used again only on the same file; when the file changed since, it is checked as on opening.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};  // also by a change of permissions
    off_t size = 0;
    bool writable = false;  // as the connection opened it

    bool sameFile(const FileState& other) const {
        return device == other.device && inode == other.inode;
    }
};

bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::optional<FileState> stateOf(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        return std::nullopt;
    }
    FileState state;
    state.device = st.st_dev;
    state.inode = st.st_ino;
    state.modified = st.st_mtim;
    state.changed = st.st_ctim;
    state.size = st.st_size;
    return state;
}

struct Idle {
    std::shared_ptr<Connection> connection;
    FileState file;
};

struct Pool {
    std::mutex mutex;
    std::vector<Idle> idle;  // the longest idle first
};

// Never destroyed, like the counts: a connection that a global holds goes idle at exit. The
// idle connections hold no lock and no transaction; the system closes their files.
Pool& pool() {
    static auto* instance = new Pool;
    return *instance;
}

// An idle connection holds no lock: no transaction open and no statement running.
bool holdsNothing(sqlite3* db) {
    if (!sqlite3_get_autocommit(db)) {
        return false;
    }
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) {
        if (sqlite3_stmt_busy(s)) {
            return false;
        }
    }
    return true;
}

// When its last owner lets it go, a connection that holds nothing and whose path still names
// its file waits for the next command; otherwise it closes. `opened` is the file as the command
// found it, `changes` the connection's count of changed rows then: a command that changed
// nothing left the file as it found it.
void makeIdle(const std::shared_ptr<Connection>& connection, const FileState& opened, int changes) {
    if (!holdsNothing(connection->handle())) {
        return;
    }
    std::optional<FileState> now = opened;
    if (sqlite3_total_changes(connection->handle()) != changes) {
        now = stateOf(QFile::encodeName(connection->path()));
        if (!now || !now->sameFile(opened)) {
            return;
        }
        now->writable = opened.writable;
    }
    std::vector<Idle> closing;
    Pool& p = pool();
    const std::lock_guard lock(p.mutex);
    const auto sameFile = [&](const Idle& i) { return i.file.sameFile(opened); };
    if (std::count_if(p.idle.begin(), p.idle.end(), sameFile) >=
        static_cast<std::ptrdiff_t>(kIdlePerFile)) {
        const auto oldest = std::find_if(p.idle.begin(), p.idle.end(), sameFile);
        closing.push_back(std::move(*oldest));
        p.idle.erase(oldest);
    }
    if (p.idle.size() >= kIdleInAll) {
        closing.push_back(std::move(p.idle.front()));
        p.idle.erase(p.idle.begin());
    }
    p.idle.push_back({connection, *now});
}

// The connection for a command; when the command lets it go it may become idle.
std::shared_ptr<Connection> lend(std::shared_ptr<Connection> connection, const FileState& file) {
    Connection* raw = connection.get();
    const int changes = sqlite3_total_changes(raw->handle());
    return std::shared_ptr<Connection>(raw, [owned = std::move(connection), file, changes](
                                                Connection*) { makeIdle(owned, file, changes); });
}

// The most recently idle connection to `file`; it leaves the pool.
std::optional<Idle> takeIdle(const FileState& file) {
    Pool& p = pool();
    const std::lock_guard lock(p.mutex);
    for (auto it = p.idle.end(); it != p.idle.begin();) {
        --it;
        if (it->file.sameFile(file)) {
            Idle found = std::move(*it);
            p.idle.erase(it);
            return found;
        }
    }
    return std::nullopt;
}

// An idle connection to the file `path` names, ready for a command, or null. A file changed
// since the connection went idle is checked as on opening; a file whose write permission
// changed gets a new connection, which SQLite opens read-only or read-write as the file
// allows now.
std::shared_ptr<Connection> reuse(const QString& path, const FileState& now) {
    std::optional<Idle> idle = takeIdle(now);
    if (!idle) {
        return nullptr;
    }
    if (!(now.changed == idle->file.changed) &&
        (::access(QFile::encodeName(path).constData(), W_OK) == 0) != idle->file.writable) {
        return nullptr;
    }
    if (!(now.modified == idle->file.modified) || !(now.changed == idle->file.changed) ||
        now.size != idle->file.size) {
        checkApplicationId(*idle->connection, path);
    }
    idle->file.modified = now.modified;
    idle->file.changed = now.changed;
    idle->file.size = now.size;
    return lend(std::move(idle->connection), idle->file);
}

}  // namespace

void setTestVfs(const QByteArray& name) {
    // A connection that waits idle was opened through the file system used before.
    Connection::closeAllIdle();
    testVfs() = name;
}

std::shared_ptr<Connection> Connection::acquire(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const std::optional<FileState> before = stateOf(native);
    if (!before) {
        return open(path);  // reports the missing file
    }
    if (auto idle = reuse(path, *before)) {
        return idle;
    }
    auto connection = open(path);
    std::optional<FileState> after = stateOf(native);
    if (!after || !after->sameFile(*before)) {
        return connection;  // the file was replaced while it was opened: used this once only
    }
    after->writable = sqlite3_db_readonly(connection->handle(), "main") == 0;
    return lend(std::move(connection), *after);
}

void Connection::closeIdle(const QString& canonicalPath) {
    std::vector<Idle> closing;
    Pool& p = pool();
    const std::lock_guard lock(p.mutex);
    const auto sameFile = [&](const Idle& i) { return i.connection->path() == canonicalPath; };
    std::copy_if(p.idle.begin(), p.idle.end(), std::back_inserter(closing), sameFile);
    p.idle.erase(std::remove_if(p.idle.begin(), p.idle.end(), sameFile), p.idle.end());
}

void Connection::closeAllIdle() {
    std::vector<Idle> closing;
    Pool& p = pool();
    const std::lock_guard lock(p.mutex);
    closing.swap(p.idle);
}

std::shared_ptr<Connection> Connection::open(const QString& path, Mode mode) {
    const QFileInfo info(path);
    if (!info.exists()) {
        throw Error(err::FileNotFound,
                    QStringLiteral("Nie można odnaleźć pliku ") + quotedPath(path) + u'.');
    }
    if (!info.isFile()) {
        throw Error(err::CannotOpen, QStringLiteral("Nie można otworzyć pliku ") +
                                         quotedPath(path) + QStringLiteral(": to nie jest plik."));
    }
    // Never SQLITE_OPEN_CREATE: a diary that vanished must not come back empty.
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    RawHandle raw;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw.db, flags, vfsName());
    if (rc != SQLITE_OK) {
        if (!QFileInfo::exists(path)) {
            throw Error(err::FileNotFound,
                        QStringLiteral("Nie można odnaleźć pliku ") + quotedPath(path) + u'.');
        }
        throw Error(err::CannotOpen,
                    QStringLiteral("Nie można otworzyć pliku ") + quotedPath(path) + u'.');
    }
    std::shared_ptr<Connection> connection(new Connection(raw.release(), canonical(path)));
    sqlite3* db = connection->handle();
    // A file the user may not write is still opened: it can be read, and every write fails
    // with err::ReadOnly, so the program shows the diary and reports the refused change.
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // Before the first read: a file from elsewhere brings rows, never code that runs here.
    guardConnection(db, mode == Mode::Salvage ? SchemaTrust::GuardedSalvage : SchemaTrust::Guarded);
    if (mode == Mode::Salvage) {
        connection->exec("PRAGMA writable_schema = ON");
    }
    checkApplicationId(*connection, path);
    connection->exec("PRAGMA foreign_keys = ON");
    registerSqlFunctions(db);
    return connection;
}

std::shared_ptr<Connection> Connection::openNew(const QString& path) {
    RawHandle raw;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &raw.db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, vfsName()) != SQLITE_OK) {
        throw Error(err::CannotOpen,
                    QStringLiteral("Nie można utworzyć pliku ") + quotedPath(path) + u'.');
    }
    std::shared_ptr<Connection> connection(new Connection(raw.release(), canonical(path)));
    sqlite3_extended_result_codes(connection->handle(), 1);
    // Nobody else sees the file before it is complete and flushed as a whole, and a failed
    // build is thrown away: neither a journal nor SQLite's own syncs are of use.
    connection->exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    // After the journal mode, which the defensive mode would no longer let be switched off.
    guardConnection(connection->handle(), SchemaTrust::Guarded);
    registerSqlFunctions(connection->handle());
    return connection;
}

Connection::Connection(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {
    ++openConnections()[m_path];
}

Connection::~Connection() {
    for (sqlite3_stmt* stmt : std::as_const(m_cache)) {
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(m_db);
    auto& counts = openConnections();
    if (--counts[m_path] <= 0) {
        counts.remove(m_path);
    }
}

void Connection::exec(const char* sql) const {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        throw error(rc);
    }
}

Error Connection::error(int resultCode) const {
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    Error e = errorFromSqlite(resultCode, message);
    // A refused write names its cause: the mount, the file's or the folder's permissions.
    const int primary = resultCode & 0xff;
    if ((primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN) &&
        resultCode != SQLITE_READONLY_ROLLBACK && e.number() != err::FileInUse) {
        if (const WriteBlock block = writeBlock(m_path); block != WriteBlock::None) {
            return Error(err::ReadOnly, describeWriteBlock(block, m_path), resultCode, message);
        }
    }
    return e;
}

int Connection::openCount(const QString& canonicalPath) {
    Pool& p = pool();
    const std::lock_guard lock(p.mutex);
    const auto idle = std::count_if(p.idle.begin(), p.idle.end(), [&](const Idle& i) {
        return i.connection->path() == canonicalPath;
    });
    return openConnections().value(canonicalPath, 0) - static_cast<int>(idle);
}

sqlite3_stmt* Connection::takeCached(const QByteArray& sql) const {
    const auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        return nullptr;
    }
    sqlite3_stmt* stmt = it.value();
    m_cache.erase(it);
    m_recent.remove(sql);
    return stmt;
}

void Connection::giveBack(const QByteArray& sql, sqlite3_stmt* stmt) const {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (m_cache.contains(sql)) {
        sqlite3_finalize(stmt);  // the same text was prepared again meanwhile
        return;
    }
    m_cache.insert(sql, stmt);
    m_recent.push_back(sql);
    if (m_recent.size() > kCachedStatements) {
        sqlite3_finalize(m_cache.take(m_recent.front()));
        m_recent.pop_front();
    }
}

QString Connection::canonical(const QString& path) {
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? info.absoluteFilePath() : resolved;
}

Statement::Statement(const Connection& connection, const QByteArray& sql)
    : m_connection(connection) {
    const int rc = sqlite3_prepare_v2(connection.handle(), sql.constData(),
                                      static_cast<int>(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        throw connection.error(rc);
    }
}

Statement::Statement(const Connection& connection, const QString& sql)
    : Statement(connection, sql.toUtf8()) {}

Statement::Statement(const Connection& connection, const QByteArray& sql, Cached)
    : m_connection(connection), m_stmt(connection.takeCached(sql)) {
    if (!m_stmt) {
        const int rc = sqlite3_prepare_v2(connection.handle(), sql.constData(),
                                          static_cast<int>(sql.size()), &m_stmt, nullptr);
        if (rc != SQLITE_OK) {
            throw connection.error(rc);
        }
    }
    if (m_stmt) {
        m_cachedText = sql;
    }
}

Statement::~Statement() {
    if (m_cachedText.isEmpty()) {
        sqlite3_finalize(m_stmt);
    } else {
        m_connection.giveBack(m_cachedText, m_stmt);
    }
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    throw m_connection.error(rc);
}

void Statement::reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(m_stmt, index);
            break;
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, index, value.toBool() ? -1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_text(m_stmt, index,
                                   value.toDate().toString(Qt::ISODate).toUtf8().constData(), -1,
                                   SQLITE_TRANSIENT);
            break;
        case QMetaType::QDateTime:
            rc = sqlite3_bind_text(
                m_stmt, index, value.toDateTime().date().toString(Qt::ISODate).toUtf8().constData(),
                -1, SQLITE_TRANSIENT);
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, index, bytes.constData(),
                                     static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(m_stmt, index, text.constData(),
                                     static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
            break;
        }
    }
    if (rc != SQLITE_OK) {
        throw m_connection.error(rc);
    }
}

int Statement::parameterCount() const {
    return sqlite3_bind_parameter_count(m_stmt);
}

bool Statement::readOnly() const {
    return sqlite3_stmt_readonly(m_stmt) != 0;
}

}  // namespace engine
