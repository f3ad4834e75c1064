#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

// The diary of the old program: a Jet 3 database file, or Jet 4 once a later office suite has
// opened it. Read through mdbtools' libmdb, read-only: the file is never changed.
namespace jet {

enum class Format { Jet3, Jet4 };

// "Jet 3" or "Jet 4".
QString formatName(Format format);

// Whether the file begins like a Jet database. Reads a few bytes: cheap enough for the start-up.
bool isJetFile(const QString& path);

// A table of the old diary: its columns, and its rows with typed values: whole numbers as
// qlonglong, yes/no as -1 or 0, the diary's dates as QDate (the day; the old program stored no
// times), texts as QString with their line breaks as stored, Null as a null QVariant. Of the
// seven tables, the columns of the diary's schema come first, in its order; columns the user
// added himself follow. Columns and tables the user added may also hold fractions (double) and
// days with a time of day (text "yyyy-MM-dd HH:mm:ss", or "yyyy-MM-dd" at midnight).
struct Table {
    QString name;
    QStringList columns;
    std::vector<QVariantList> rows;
    // The diary's own columns (the rest, from this position on, the user added); 0 for a table
    // the user added himself.
    qsizetype ownColumns = 0;
    // The SQL type of each column from ownColumns on: BOOLEAN, INTEGER, REAL, DATETIME or TEXT.
    QStringList addedTypes;

    bool addedByUser() const { return ownColumns == 0; }
};

// A column or a table of the old file that cannot be brought over, and why (in Polish).
struct LeftBehind {
    QString table;
    QString column;  // empty: the whole table
    QString why;
};

struct OldDiary {
    Format format = Format::Jet3;
    // Sezony, Kluby, Rozgrywki, Jak, Gracze, Mecze, Bramki: the dictionaries before the rows
    // that refer to them; then the tables the user added himself, in the file's order.
    std::vector<Table> tables;
    std::vector<LeftBehind> leftBehind;

    const Table& table(const QString& name) const;
    qint64 rowCount() const;
};

// Rows read so far, of the rows the file says it holds.
using Progress = std::function<void(qint64 done, qint64 total)>;

// An open old diary. Opening checks what can be checked without reading rows: that the file is
// a Jet 3 or Jet 4 database, whole, without a password, and holds the seven tables with their
// columns. Every failure is an engine::Error whose Polish description names the file and says
// what is wrong: missing (err::FileNotFound), empty, not a Jet file or of a later format
// (err::NotADatabase), protected by a password (err::InvalidPassword), damaged or truncated
// (err::Corrupt), a table or a column missing (err::TableNotFound, err::ItemNotFound), a column
// or a value of a kind the diary cannot hold (err::ConversionError).
class JetReader {
  public:
    explicit JetReader(const QString& path);
    ~JetReader();
    JetReader(const JetReader&) = delete;
    JetReader& operator=(const JetReader&) = delete;

    Format format() const;
    // The rows the file's table definitions declare (a file closed in a hurry may say 0).
    qint64 declaredRows() const;
    // Reads all seven tables, and the tables the user added. A table that yields fewer rows than
    // its definition declares is damaged.
    OldDiary read(const Progress& progress = {});

  private:
    struct Private;
    std::unique_ptr<Private> d;
};

// JetReader(path).read(progress).
OldDiary readOldDiary(const QString& path, const Progress& progress = {});

}  // namespace jet
