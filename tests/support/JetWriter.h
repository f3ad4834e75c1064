#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <vector>

// A small writer of Jet 3 and Jet 4 database files, the format of the old program's diary,
// written from the file format as mdbtools documents it (its HACKING.md): a header page, the
// catalog table MSysObjects on page 2, one table definition page per table, data pages, long
// value pages for memos and the usage maps that list a table's data pages. It writes no indexes,
// queries, relationships or Jet 3 rows over 256 bytes (their jump tables): reading an old diary
// needs none. mdbtools' own command-line tools check what it writes (test_jet_writer), so the
// reader under test does not vouch for it. Errors of the caller (a text the column cannot hold,
// a table too wide) throw std::runtime_error.
namespace jetfile {

enum class Version { Jet3, Jet4 };

// Column types, with their codes in the file.
enum class Type : unsigned char {
    Bool = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Money = 0x05,
    Float = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Text = 0x0a,
    Ole = 0x0b,
    Memo = 0x0c,
};

struct Column {
    QString name;
    Type type = Type::Long;
    int size = 50;  // texts: the most characters; the other types have a size of their own
};

// Values: whole numbers for Byte, Integer and Long, bool (or -1/0) for Bool, double, QDate for
// DateTime (or a double: days since 30 December 1899 with the time of day as a fraction),
// QString for Text and Memo, a number for Float and Money (kept to four decimal places),
// QByteArray for Ole (the object's bytes as stored); a null QVariant is Null. Memos and OLE
// objects over 64 bytes go to long value pages (a chain of rows when they do not fit one page).
struct Table {
    QString name;
    std::vector<Column> columns;
    std::vector<QVariantList> rows;
};

struct Options {
    Options(Version v = Version::Jet3) : version(v) {}  // NOLINT: a version is all most need

    Version version;
    // A database password: Jet 3 keeps it in the header as it is, Jet 4 masked with the
    // creation date.
    QString password;
    // Jet 4 texts in the compressed form (one byte per character below U+0100) where that is
    // shorter; otherwise plain UTF-16.
    bool compressedText = false;
    // Usage maps that point to separate bitmap pages, as big tables need, also for small ones.
    bool indirectUsageMaps = false;
    // The code page the header names (Jet 3 texts are always written in Windows-1250).
    int codePage = 1250;
};

void writeJetFile(const QString& path, const std::vector<Table>& tables, const Options& options);

// The seven tables of the old program's diary, with the column types the old file had, empty.
std::vector<Table> oldDiaryLayout();
// The same tables holding every row of the SQLite diary `diaryPath`, ordered by key.
std::vector<Table> oldDiaryTables(const QString& diaryPath);
// What a user of the old program added to his diary himself: the attendance of every match
// (Mecze.Widzowie, a whole number: the match's id times 100, Null for match 3), a photo
// (Mecze.Zdjecie, an OLE object: the bytes "OLE" and the id) and the table Notatki (Id, a
// text, a memo, a day with a time, a yes/no, a money amount, a single-precision number and an
// OLE object), of `notes` rows.
void addUserAdditions(std::vector<Table>& tables, int notes);

// One of `tables` by name; throws when there is none.
Table& table(std::vector<Table>& tables, const QString& name);

}  // namespace jetfile
