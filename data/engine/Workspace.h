#pragma once

#include <QString>

namespace engine {

// Transactions of the default workspace. beginTrans() opens a transaction that the next
// Database::open joins; every Database and action query opened on the same file until
// commitTrans() or rollback() uses the same connection and the same transaction.
// Nested transactions are not supported: beginTrans() while one is open is an error.
class Workspace {
  public:
    static void beginTrans();
    static void commitTrans();
    static void rollback();
    static bool inTransaction();
};

}  // namespace engine
