#include "data/engine/Connection.h"

#include "data/engine/Error.h"
#include "data/engine/SqlFunctions.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <utility>

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

QHash<QString, int>& openConnections() {
    static QHash<QString, int> counts;
    return counts;
}

QString quoted(const QString& path) {
    return u'\'' + QDir::toNativeSeparators(path) + u'\'';
}

struct RawHandle {
    sqlite3* db = nullptr;
    ~RawHandle() { sqlite3_close_v2(db); }
    sqlite3* release() { return std::exchange(db, nullptr); }
};

void checkApplicationId(const Connection& connection, const QString& path) {
    Statement query(connection, QByteArrayLiteral("PRAGMA application_id"));
    bool row = false;
    try {
        row = query.step();
    } catch (const Error& e) {
        if (e.number() == err::NotADatabase) {
            throw Error(
                err::NotADatabase,
                QStringLiteral("Plik ") + quoted(path) + QStringLiteral(" nie jest bazą danych."),
                e.sqliteCode(), QString());
        }
        throw;
    }
    if (!row || sqlite3_column_int(query.get(), 0) != kApplicationId) {
        throw Error(err::NotADatabase,
                    QStringLiteral("Plik ") + quoted(path) +
                        QStringLiteral(" nie jest bazą danych programu Mirvola."));
    }
}

}  // namespace

void setTestVfs(const QByteArray& name) {
    testVfs() = name;
}

std::shared_ptr<Connection> Connection::open(const QString& path, Mode mode) {
    const QFileInfo info(path);
    if (!info.exists()) {
        throw Error(err::FileNotFound,
                    QStringLiteral("Nie można odnaleźć pliku ") + quoted(path) + u'.');
    }
    if (!info.isFile()) {
        throw Error(err::CannotOpen, QStringLiteral("Nie można otworzyć pliku ") + quoted(path) +
                                         QStringLiteral(": to nie jest plik."));
    }
    // Never SQLITE_OPEN_CREATE: a diary that vanished must not come back empty.
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    RawHandle raw;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw.db, flags, vfsName());
    if (rc != SQLITE_OK) {
        if (!QFileInfo::exists(path)) {
            throw Error(err::FileNotFound,
                        QStringLiteral("Nie można odnaleźć pliku ") + quoted(path) + u'.');
        }
        throw Error(err::CannotOpen,
                    QStringLiteral("Nie można otworzyć pliku ") + quoted(path) + u'.');
    }
    std::shared_ptr<Connection> connection(new Connection(raw.release(), canonical(path)));
    sqlite3* db = connection->handle();
    // A file the user may not write is still opened: it can be read, and every write fails
    // with err::ReadOnly, so the program shows the diary and reports the refused change.
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
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
                    QStringLiteral("Nie można utworzyć pliku ") + quoted(path) + u'.');
    }
    std::shared_ptr<Connection> connection(new Connection(raw.release(), canonical(path)));
    sqlite3_extended_result_codes(connection->handle(), 1);
    // Nobody else sees the file before it is complete and flushed as a whole, and a failed
    // build is thrown away: neither a journal nor SQLite's own syncs are of use.
    connection->exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    registerSqlFunctions(connection->handle());
    return connection;
}

Connection::Connection(sqlite3* db, QString path) : m_db(db), m_path(std::move(path)) {
    ++openConnections()[m_path];
}

Connection::~Connection() {
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
    return errorFromSqlite(resultCode, QString::fromUtf8(sqlite3_errmsg(m_db)));
}

int Connection::openCount(const QString& canonicalPath) {
    return openConnections().value(canonicalPath, 0);
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

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
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
