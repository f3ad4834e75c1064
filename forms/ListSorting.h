#pragma once

#include <QTreeWidgetItem>

class QTreeWidget;

namespace ui {

// A list row whose cells sort by their text in Polish alphabetical order, except cells that
// carry a number (setNumber): those sort by value, so padded numbers stay in order past 999.
class SortableItem : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override;
};

// The role under which a cell keeps the number it sorts by.
inline constexpr int kSortRole = Qt::UserRole + 1;

// Sets a cell's displayed text and the value it sorts by.
void setNumber(QTreeWidgetItem* item, int column, const QString& text, double value);

// Left-pads a whole number with blanks to `width` characters ("  5" for width 3).
QString padded(qlonglong value, int width);

// The header-click sorting of the program's lists. A list starts unsorted (rows in query
// order). A header click with `intKolumna` 0 turns sorting on; clicking the column named by
// `intKolumna` reverses the order, another column sorts ascending. A refill keeps the sort
// state (call resort() after filling); Refresh turns it off again.
class ListSorter {
  public:
    // Every shown column of the list is kept at least as wide as its header with the sort
    // arrow beside it.
    explicit ListSorter(QTreeWidget* list);

    // Applies a click on header section `column` (0-based) and updates intKolumna.
    void headerClicked(int column, int& intKolumna);
    void off();
    void resort();

    bool isOn() const { return m_on; }
    int column() const { return m_column; }
    Qt::SortOrder order() const { return m_order; }

  private:
    QTreeWidget* m_list;
    bool m_on = false;
    int m_column = 0;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

}  // namespace ui
