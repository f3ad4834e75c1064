#include "data/engine/Database.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/Recordset.h"
#include "data/engine/SqlTranslator.h"

#include <sqlite3.h>

#include <utility>

namespace engine {
namespace {

bool onlyBlanksOrSemicolons(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text != ';' && *text != ' ' && *text != '\t' && *text != '\r' && *text != '\n') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<Database> Database::open(const QString& path) {
    auto connection = transactionConnection(path);
    if (!connection) {
        connection = Connection::acquire(path);
    }
    return std::unique_ptr<Database>(new Database(path, std::move(connection)));
}

Database::Database(QString path, std::shared_ptr<Connection> connection)
    : m_path(std::move(path)), m_connection(std::move(connection)) {}

Database::~Database() = default;

std::unique_ptr<Recordset> Database::openRecordset(const QString& source) {
    if (!m_connection) {
        throw Error(err::ObjectNotSet, QStringLiteral("Baza danych została już zamknięta."));
    }
    return std::make_unique<Recordset>(m_connection, source);
}

void Database::execute(const QString& sql) {
    if (!m_connection) {
        throw Error(err::ObjectNotSet, QStringLiteral("Baza danych została już zamknięta."));
    }
    const SqlTranslator::Translation translated = SqlTranslator::translateWithParameters(sql);
    const QByteArray text = translated.sql.toUtf8();
    sqlite3* db = m_connection->handle();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, &tail);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, &sqlite3_finalize);
    if (rc != SQLITE_OK) {
        throw m_connection->error(rc);
    }
    if (!statement) {
        throw Error(err::SyntaxError, QStringLiteral("Brak instrukcji SQL do wykonania."));
    }
    if (tail && !onlyBlanksOrSemicolons(tail)) {
        throw Error(err::TextAfterStatement,
                    QStringLiteral("Znaleziono znaki po końcu instrukcji SQL."));
    }
    for (size_t i = 0; i < translated.parameters.size(); ++i) {
        const QVariant& value = translated.parameters[i];
        const int index = static_cast<int>(i) + 1;
        const int bound = value.typeId() == QMetaType::LongLong
                              ? sqlite3_bind_int64(statement.get(), index, value.toLongLong())
                              : sqlite3_bind_double(statement.get(), index, value.toDouble());
        if (bound != SQLITE_OK) {
            throw m_connection->error(bound);
        }
    }
    if (sqlite3_column_count(statement.get()) > 0) {
        throw Error(err::SelectInExecute,
                    QStringLiteral("Nie można wykonać kwerendy wybierającej jako kwerendy "
                                   "funkcjonalnej."));
    }
    int step = SQLITE_ROW;
    while (step == SQLITE_ROW) {
        step = sqlite3_step(statement.get());
    }
    if (step != SQLITE_DONE) {
        throw m_connection->error(step);
    }
    m_recordsAffected = sqlite3_changes(db);
}

void Database::close() {
    // A connection shared with the workspace transaction stays open until the transaction ends.
    m_connection.reset();
}

}  // namespace engine
