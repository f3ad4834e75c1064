#pragma once

#include <QString>

#include <exception>
#include <string>

namespace engine {

// Error numbers of the engine. Where the old engine had a number for the same condition we keep
// it, because the windows test for some of them and users may know them from the old program.
// Every other failure of SQLite is reported with SQLite's primary result code as its number
// (1 generic error, 10 input/output error, 13 disk full, 19 other constraint, ...). Descriptions
// are Polish: SQLite's own English message goes only into what(), for developers.
namespace err {
inline constexpr int ObjectNotSet = 91;          // ZamknijBaze without OtworzBaze, closed object
inline constexpr int TransactionOpen = 3003;     // beginTrans while a transaction is open
inline constexpr int CannotUpdate = 3020;        // update without addNew/edit
inline constexpr int NoCurrentRecord = 3021;     // read or move past either end
inline constexpr int DuplicateKey = 3022;        // unique index violated
inline constexpr int FileNotFound = 3024;        // the database file does not exist
inline constexpr int ReadOnly = 3027;            // file or recordset cannot be written
inline constexpr int InvalidPassword = 3031;     // an old diary protected by a password
inline constexpr int NoTransaction = 3034;       // commitTrans/rollback without beginTrans
inline constexpr int DiskError = 3043;           // a file operation (rename, sync) failed
inline constexpr int Corrupt = 3049;             // damaged file that could not be repaired
inline constexpr int CannotOpen = 3051;          // file exists but cannot be opened
inline constexpr int TooFewParameters = 3061;    // unknown column name in a query
inline constexpr int SelectInExecute = 3065;     // execute() given a query that returns rows
inline constexpr int SyntaxError = 3075;         // text the translator cannot read
inline constexpr int TableNotFound = 3078;       // unknown table or query
inline constexpr int TextAfterStatement = 3142;  // more than one statement in an action query
inline constexpr int DestinationExists = 3204;   // compaction into an existing file
inline constexpr int InvalidOperation = 3219;    // a recordset on a statement that returns no rows
inline constexpr int ItemNotFound = 3265;        // unknown field name or position
inline constexpr int NotADatabase = 3343;        // not a database, or not a Mirvola diary
inline constexpr int FileInUse = 3356;           // another process holds the file
inline constexpr int ConversionError = 3421;     // value unfit for the column (yes/no, date)
}  // namespace err

// The one error type of the engine: a number and a description a Polish user can read. An error
// raised by SQLite also keeps SQLite's extended result code and message (what() only).
class Error : public std::exception {
  public:
    Error(int number, QString description);
    Error(int number, QString description, int sqliteCode, const QString& sqliteMessage);

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    // SQLite's extended result code, 0 for an error of the engine's own.
    int sqliteCode() const noexcept { return m_sqliteCode; }
    const char* what() const noexcept override { return m_what.c_str(); }

  private:
    int m_number;
    QString m_description;
    int m_sqliteCode = 0;
    std::string m_what;
};

// A file's path as messages name it: quoted, with the system's separators.
QString quotedPath(const QString& path);

// The reason of a failed system call (errno) in Polish, e.g. "brak uprawnień".
QString systemErrorText(int code);

// Builds the engine error for a failed SQLite call (result code and, when given, the
// connection's message), mapping the codes listed above.
Error errorFromSqlite(int resultCode, const QString& sqliteMessage = {});

}  // namespace engine
