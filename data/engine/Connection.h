#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

#include <list>
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

    // A read-write connection to an existing diary for one command, as open() gives it. When
    // the last owner lets it go it stays open, idle and holding no lock, for the next command
    // on the same file: the program opens the file for every query, and opening costs more
    // than most of its queries. An idle connection is used again only while the path still
    // names the file it was opened on, with the same write permission; otherwise it is closed
    // and a new one opened.
    static std::shared_ptr<Connection> acquire(const QString& path);
    // Closes the idle connections to a file (canonical path). Every operation on the whole
    // file calls it first: an idle connection must not outlive the file it was opened on.
    static void closeIdle(const QString& canonicalPath);
    // Closes every idle connection: for a change of how connections are opened, which the
    // next command must get.
    static void closeAllIdle();

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

    // How many connections of this process are open on the file `canonicalPath` and in use
    // (idle ones are not); whole-file operations refuse to work on a file that one of them
    // holds.
    static int openCount(const QString& canonicalPath);

    static QString canonical(const QString& path);

  private:
    friend class Statement;

    Connection(sqlite3* db, QString path);
    sqlite3_stmt* takeCached(const QByteArray& sql) const;
    void giveBack(const QByteArray& sql, sqlite3_stmt* stmt) const;

    sqlite3* m_db;
    QString m_path;
    // Prepared statements not in use, by their text; the most recently used last.
    mutable QHash<QByteArray, sqlite3_stmt*> m_cache;
    mutable std::list<QByteArray> m_recent;
};

// One prepared statement, finalized with the object.
class Statement {
  public:
    Statement(const Connection& connection, const QByteArray& sql);
    Statement(const Connection& connection, const QString& sql);
    // A statement of the connection's cache: prepared on the first use of its text, reset and
    // kept for the next use when the object goes. For texts the program runs again and again.
    enum Cached { cached };
    Statement(const Connection& connection, const QByteArray& sql, Cached);
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
    QByteArray m_cachedText;  // the text it goes back to the cache under; empty: finalized
};

// Tests route every connection through a SQLite VFS of their own, registered under `name`
// (a shim that injects I/O faults); an empty name restores SQLite's default VFS.
void setTestVfs(const QByteArray& name);

// The connection of the workspace transaction when one is open and `path` is its file (the
// first file opened after beginTrans becomes its file); null otherwise. Defined with the
// workspace.
std::shared_ptr<Connection> transactionConnection(const QString& path);

}  // namespace engine
