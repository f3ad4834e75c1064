#pragma once

// Internal to the core library: reads the rows of a database file straight from its pages, by
// the SQLite file format, for the repair. SQLite itself stops at the first damaged page of a
// table, and a damaged interior or root page hides every leaf below it; the pages themselves
// usually survive. The reader works on an image of the file in memory and never writes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <set>
#include <vector>

namespace engine::pages {

struct Value {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    QByteArray bytes;  // text in UTF-8, or a blob
};

using Record = std::vector<Value>;
using Rows = std::map<qint64, Record>;  // by row id

// One entry of the file's own list of tables and indexes.
struct SchemaEntry {
    QString type;
    QString name;
    QString table;
    quint32 root = 0;
    QString sql;
};

// A table b-tree, or the part of one, read from a page down.
struct Tree {
    Rows rows;
    std::set<quint32> pages;  // its interior and leaf pages
    bool complete = true;     // false: a page or a cell of it could not be read
};

class Image {
  public:
    explicit Image(QByteArray bytes);

    // Whether the file starts with a database header; without one the page size is guessed
    // from the pages themselves.
    bool hasHeader() const { return m_header; }
    int pageSize() const { return m_pageSize; }
    quint32 pageCount() const { return m_pageCount; }
    int userVersion() const;
    int applicationId() const;

    // The file's list of tables and indexes, as far as it can be read; `complete` says whether
    // all of it could.
    std::vector<SchemaEntry> schema(bool& complete) const;

    // The rows of the table b-tree rooted at `root` whose records have at most `maxColumns`
    // values; pages in `skip` are not entered.
    Tree readTable(quint32 root, int maxColumns, const std::set<quint32>& skip = {}) const;

    // The pages of an index b-tree (entries counted in `entries`; -1 when it is damaged).
    std::set<quint32> indexPages(quint32 root, qint64& entries) const;

    // The pages on the free list, as far as it can be followed.
    std::set<quint32> freePages() const;

    // Table b-tree pages that no tree in `claimed` reached and the free list does not hold,
    // read as trees from their highest pages: what a damaged interior page cut off.
    std::vector<Tree> strayTrees(const std::set<quint32>& claimed) const;

  private:
    const uchar* page(quint32 number) const;
    int headerOffset(quint32 number) const { return number == 1 ? 100 : 0; }
    int usable() const { return m_pageSize - m_reserved; }
    bool readCell(const uchar* page, int offset, int maxColumns, qint64& rowid,
                  Record& record) const;
    bool payload(const uchar* cell, int available, qint64 size, QByteArray& out) const;
    std::vector<quint32> children(quint32 number) const;
    int kind(quint32 number) const;

    QByteArray m_bytes;
    bool m_header = false;
    int m_pageSize = 4096;
    int m_reserved = 0;
    quint32 m_pageCount = 0;
};

}  // namespace engine::pages
