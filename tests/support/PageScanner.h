#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <set>
#include <vector>

namespace testing_support {

// Where each row of a sound database file lies: the leaf page of its cell and the overflow
// pages of its payload, table by table. Read from the file's bytes by the file format, apart
// from the engine's own reader, so that the rows a damage leaves readable are known without it.
class PageScanner {
  public:
    explicit PageScanner(const QString& soundFile);

    int pageSize() const { return m_pageSize; }
    int pageCount() const { return static_cast<int>(m_bytes.size() / m_pageSize); }
    // The tables' root pages and interior pages.
    const std::set<int>& upperPages() const { return m_upperPages; }

    // Row ids of each table whose cell and overflow pages all lie before `keptPages` and
    // outside `damaged`.
    std::map<QString, std::set<qint64>> intactRows(const std::set<int>& damaged,
                                                   int keptPages) const;

  private:
    struct Cell {
        qint64 rowid;
        std::vector<int> pages;  // its leaf page first
    };
    void walk(int page, std::vector<Cell>& cells, bool root);

    QByteArray m_bytes;
    int m_pageSize = 0;
    std::map<QString, std::vector<Cell>> m_tables;
    std::set<int> m_upperPages;
};

}  // namespace testing_support
