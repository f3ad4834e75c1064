#pragma once

#include "data/engine/Recordset.h"

#include <QString>

#include <memory>

namespace engine {

class Connection;

// An open database file: the stand-in for the old engine's Database object.
// Opening never creates a file: a missing file is err::FileNotFound, a file that is not a
// SQLite database or not one of ours is err::NotADatabase.
// While a workspace transaction is open (Workspace.h), every Database opened on the same file
// joins that transaction's connection, so a rollback undoes all that the command wrote.
class Database {
  public:
    static std::unique_ptr<Database> open(const QString& path);
    ~Database();

    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // `source` is the bare name of a table or a SELECT text in the program's SQL dialect.
    std::unique_ptr<Recordset> openRecordset(const QString& source);

    // Runs one action query (DELETE, UPDATE, INSERT) in the program's dialect.
    void execute(const QString& sql);
    int recordsAffected() const { return m_recordsAffected; }

    void close();
    const QString& path() const { return m_path; }

  private:
    Database(QString path, std::shared_ptr<Connection> connection);

    QString m_path;
    std::shared_ptr<Connection> m_connection;
    int m_recordsAffected = 0;
};

}  // namespace engine
