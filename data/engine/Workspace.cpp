#include "data/engine/Workspace.h"

#include "data/engine/Connection.h"
#include "data/engine/Error.h"

#include <sqlite3.h>

namespace engine {
namespace {

// The default workspace. The connection is opened by the first Database::open after
// beginTrans (the workspace does not know the file before that) and then shared by every
// database opened on the same file until the transaction ends.
struct TransactionState {
    bool open = false;
    std::shared_ptr<Connection> connection;
};

TransactionState& state() {
    static TransactionState s;
    return s;
}

void requireOpen() {
    if (!state().open) {
        throw Error(err::NoTransaction,
                    QStringLiteral("Próba zatwierdzenia lub wycofania transakcji, która nie "
                                   "została rozpoczęta."));
    }
}

}  // namespace

std::shared_ptr<Connection> transactionConnection(const QString& path) {
    auto& s = state();
    if (!s.open) {
        return nullptr;
    }
    if (!s.connection) {
        auto connection = Connection::open(path);
        connection->exec("BEGIN");
        s.connection = std::move(connection);
        return s.connection;
    }
    return s.connection->path() == Connection::canonical(path) ? s.connection : nullptr;
}

void Workspace::beginTrans() {
    if (state().open) {
        throw Error(err::TransactionOpen,
                    QStringLiteral("Nie można rozpocząć transakcji: poprzednia transakcja nie "
                                   "została zakończona."));
    }
    state().open = true;
}

void Workspace::commitTrans() {
    requireOpen();
    auto& s = state();
    if (s.connection && !sqlite3_get_autocommit(s.connection->handle())) {
        // A failed commit leaves the transaction open, so that the caller's rollback can
        // still undo it.
        s.connection->exec("COMMIT");
    }
    s.connection.reset();
    s.open = false;
}

void Workspace::rollback() {
    requireOpen();
    auto& s = state();
    if (s.connection && !sqlite3_get_autocommit(s.connection->handle())) {
        try {
            s.connection->exec("ROLLBACK");
        } catch (const Error&) {
            // Closing the connection below discards the transaction all the same.
        }
    }
    s.connection.reset();
    s.open = false;
}

bool Workspace::inTransaction() {
    return state().open;
}

}  // namespace engine
