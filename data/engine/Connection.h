#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// Internal to the engine: the owner of one SQLite connection and of its prepared statements.
namespace engine {

class Error;

class Connection {
  public:
    // Salvage: read and write, and a file whose header claims more pages than it has (a
    // truncated file) is still read, as far as it goes; for the repair, which only reads it.
    enum class Mode { ReadWrite, ReadOnly, Salvage };

    // Opens an existing diary: never creates a file. A missing file is err::FileNotFound, a
    // file that is not a SQLite database or lacks the diary's application id is
    // err::NotADatabase. Foreign keys are on and the SQL functions registered.
    static std::shared_ptr<Connection> open(const QString& path, Mode mode = Mode::ReadWrite);

    // Opens or creates a file that is being built (a new diary, a repaired copy): no checks,
    // foreign keys off, no journal and no syncs (the builder flushes the finished file), the
    // SQL functions registered.
    static std::shared_ptr<Connection> openNew(const QString& path);

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const noexcept { return m_db; }
    // The canonical path of the file (symbolic links resolved).
    const QString& path() const noexcept { return m_path; }

    // Runs one or more statements that return no rows of interest.
    void exec(const char* sql) const;
    // The engine error for a failed call on this connection.
    Error error(int resultCode) const;

    // How many connections of this process are open on the file `canonicalPath`; whole-file
    // operations refuse to work on a file that one of them holds.
    static int openCount(const QString& canonicalPath);

    static QString canonical(const QString& path);

  private:
    Connection(sqlite3* db, QString path);

    sqlite3* m_db;
    QString m_path;
};

// One prepared statement, finalized with the object.
class Statement {
  public:
    Statement(const Connection& connection, const QByteArray& sql);
    Statement(const Connection& connection, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const noexcept { return m_stmt; }
    // True while a row is available; throws the engine error on failure.
    bool step();
    void reset();
    // Binds a value of the recordset's kinds (null, number, text, date, bytes).
    void bind(int index, const QVariant& value);
    // Parameter count and whether the statement leaves the database unchanged.
    int parameterCount() const;
    bool readOnly() const;

  private:
    const Connection& m_connection;
    sqlite3_stmt* m_stmt = nullptr;
};

// Tests route every connection through a SQLite VFS of their own, registered under `name`
// (a shim that injects I/O faults); an empty name restores SQLite's default VFS.
void setTestVfs(const QByteArray& name);

// The connection of the workspace transaction when one is open and `path` is its file (the
// first file opened after beginTrans becomes its file); null otherwise. Defined with the
// workspace.
std::shared_ptr<Connection> transactionConnection(const QString& path);

}  // namespace engine
