#pragma once

// Finding and reading the controls of a window, as the window tests do it.

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <vector>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace testing_support {

// The child named `name`; fails the test when there is none.
template <class T>
T* child(const QObject& parent, const QString& name) {
    T* c = parent.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
}
template <class T>
T* child(const QObject& parent, const char* name) {
    return child<T>(parent, QString::fromUtf8(name));
}

inline QString labelText(const QObject& parent, const QString& name) {
    const auto* label = child<QLabel>(parent, name);
    return label ? label->text() : QString();
}
inline QString labelText(const QObject& parent, const char* name) {
    return labelText(parent, QString::fromUtf8(name));
}

inline QStringList texts(const QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i) {
        result << list->item(i)->text();
    }
    return result;
}

// Column `column` of every row, top row first.
inline QStringList column(const QTreeWidget* tree, int column) {
    QStringList result;
    for (int r = 0; r < tree->topLevelItemCount(); ++r) {
        result << tree->topLevelItem(r)->text(column);
    }
    return result;
}

inline QStringList column(const QTableWidget* table, int column) {
    QStringList result;
    for (int r = 0; r < table->rowCount(); ++r) {
        result << table->item(r, column)->text();
    }
    return result;
}

// The cells from column `from` on of every row, joined by '|'.
inline QStringList rows(const QTreeWidget* tree, int from = 1) {
    QStringList result;
    for (int r = 0; r < tree->topLevelItemCount(); ++r) {
        QStringList cells;
        for (int c = from; c < tree->columnCount(); ++c) {
            cells << tree->topLevelItem(r)->text(c);
        }
        result << cells.join(QLatin1Char('|'));
    }
    return result;
}

inline std::vector<QStringList> cells(const QTableWidget* table) {
    std::vector<QStringList> result;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < table->columnCount(); ++c) {
            row << table->item(r, c)->text();
        }
        result.push_back(row);
    }
    return result;
}

// Clicks the header of a column like the user does.
inline void clickHeader(const QTreeWidget* tree, int column) {
    QHeaderView* header = tree->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

// Writes the window as <name>.png into the directory MIRVOLA_SCREENSHOTS names, if any, so that
// its look can be checked by eye.
inline void screenshot(QWidget& window, const QString& name) {
    const QString dir = qEnvironmentVariable("MIRVOLA_SCREENSHOTS");
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        window.grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
    }
}

}  // namespace testing_support
