#include "forms/ListSorting.h"

#include <QCollator>
#include <QHeaderView>
#include <QLocale>
#include <QTreeWidget>

namespace ui {
namespace {

const QCollator& polishCollator() {
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::Polish, QLocale::Poland));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

void widenToHeader(QHeaderView* header, int column) {
    if (header->isSectionHidden(column)) {
        return;
    }
    const bool shown = header->isSortIndicatorShown();
    header->setSortIndicatorShown(true);
    const int needed = header->sectionSizeHint(column);
    header->setSortIndicatorShown(shown);
    if (header->sectionSize(column) < needed) {
        header->resizeSection(column, needed);
    }
}

}  // namespace

bool SortableItem::operator<(const QTreeWidgetItem& other) const {
    const QTreeWidget* tree = treeWidget();
    const int column = tree ? tree->sortColumn() : 0;
    const QVariant mine = data(column, kSortRole);
    const QVariant theirs = other.data(column, kSortRole);
    if (mine.isValid() && theirs.isValid()) {
        return mine.toDouble() < theirs.toDouble();
    }
    return polishCollator().compare(text(column), other.text(column)) < 0;
}

void setNumber(QTreeWidgetItem* item, int column, const QString& text, double value) {
    item->setText(column, text);
    item->setData(column, kSortRole, value);
}

QString padded(qlonglong value, int width) {
    return QString::number(value).rightJustified(width, QLatin1Char(' '));
}

ListSorter::ListSorter(QTreeWidget* list) : m_list(list) {
    QHeaderView* header = m_list->header();
    m_list->setSortingEnabled(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    // A header narrower than its text and the arrow loses letters once the list is sorted.
    for (int column = 0; column < header->count(); ++column) {
        widenToHeader(header, column);
    }
    QObject::connect(header, &QHeaderView::sectionResized, header,
                     [header](int column) { widenToHeader(header, column); });
}

void ListSorter::headerClicked(int column, int& intKolumna) {
    if (intKolumna == 0) {
        m_on = true;
    }
    if (column == intKolumna) {
        m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    } else {
        m_order = Qt::AscendingOrder;
    }
    m_column = column;
    intKolumna = column;
    resort();
    m_list->setFocus();
}

void ListSorter::off() {
    m_on = false;
    m_order = Qt::AscendingOrder;
    m_list->header()->setSortIndicatorShown(false);
}

void ListSorter::resort() {
    if (!m_on) {
        return;
    }
    m_list->sortItems(m_column, m_order);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(m_column, m_order);
}

}  // namespace ui
