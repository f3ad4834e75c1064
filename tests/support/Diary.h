#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <initializer_list>
#include <vector>

#include <sys/stat.h>

struct sqlite3;

namespace testing_support {

// Rows of a query on an open connection or on the file `path` (plain SQLite), each value as text
// ("NULL" for Null); a query that fails fails the test.
std::vector<QStringList> rowsOf(sqlite3* db, const QString& sql);
std::vector<QStringList> rowsOf(const QString& path, const QString& sql);

// A list of UTF-8 texts.
inline QStringList qs(std::initializer_list<const char*> texts) {
    QStringList result;
    for (const char* t : texts) {
        result << QString::fromUtf8(t);
    }
    return result;
}

// The whole content of a file (empty when it cannot be read).
QByteArray fileBytes(const QString& path);
// The SHA-256 of a file's bytes, in hex (empty when it cannot be read).
QByteArray fileHash(const QString& path);
// The names of the files in a directory, hidden ones too, sorted.
QStringList filesIn(const QString& directory);
// The file's status; fails the test when there is none.
struct stat statOf(const QString& path);
// Every row of every table of a diary, table by table in key order, as "Table|value|...".
QStringList dumpDiary(const QString& path);

// A fresh empty diary (the program's schema) in a temporary directory that is made the
// program's directory for the lifetime of the object. Fixture rows are written and read back
// with plain SQLite, beside the engine under test.
class Diary {
  public:
    Diary();
    ~Diary();

    Diary(const Diary&) = delete;
    Diary& operator=(const Diary&) = delete;

    QString dir() const;
    QString path() const;  // dir() + "/Mirvola.mdb"

    // Plain SQLite statements (several separated by ';' allowed); fails the test on error.
    void exec(const QString& sql) const;
    // Rows of a plain SQLite query, each value as text ("NULL" for Null).
    std::vector<QStringList> rows(const QString& sql) const;
    // The first column of every row.
    QStringList column(const QString& sql) const;
    // The first column of the first row, or a null QVariant when there is none.
    QVariant value(const QString& sql) const;
    long long count(const QString& table) const;

    // A small fixed diary for window tests: seasons 2001/02 and 2002/03, clubs, players
    // (among them Jan Kowalski Kowal and a nickname-only player), competitions (one
    // unofficial), kinds of goal (one own goal), a few matches with goals at every venue.
    void fillSample() const;

  private:
    QTemporaryDir m_dir;
};

// A diary with the sample rows of Diary::fillSample().
struct SampleDiary : Diary {
    SampleDiary() { fillSample(); }
};

}  // namespace testing_support
