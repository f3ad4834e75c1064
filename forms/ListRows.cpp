#include "forms/ListRows.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QScopedValueRollback>
#include <QTableView>
#include <QToolTip>
#include <QTreeView>

namespace ui {
namespace {

bool columnHidden(const QAbstractItemView* view, int column) {
    if (const auto* tree = qobject_cast<const QTreeView*>(view)) {
        return tree->isColumnHidden(column);
    }
    if (const auto* table = qobject_cast<const QTableView*>(view)) {
        return table->isColumnHidden(column);
    }
    return false;
}

// The cell of `index`'s row that the keyboard may rest on: its own column when it is shown,
// else the first shown one.
QModelIndex visibleCell(const QAbstractItemView* view, const QModelIndex& index) {
    if (!columnHidden(view, index.column())) {
        return index;
    }
    const int columns = view->model()->columnCount(index.parent());
    for (int c = 0; c < columns; ++c) {
        if (!columnHidden(view, c)) {
            return index.sibling(index.row(), c);
        }
    }
    return index;
}

// Qt takes a row's selection from the position of the current cell; a current cell in a
// hidden, zero-wide column makes the arrow keys move the focus frame while the selection
// stays behind or jumps to the top visible row. The two are aligned after every change: a
// move of the keyboard selects its row, a row selected by the program becomes the keyboard's,
// and a selection taken away takes the keyboard row with it.
class KeyboardRow : public QObject {
  public:
    explicit KeyboardRow(QAbstractItemView* view) : QObject(view), m_view(view) {
        QItemSelectionModel* model = view->selectionModel();
        connect(model, &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) { followCurrent(current); });
        connect(model, &QItemSelectionModel::selectionChanged, this, [this] { followSelection(); });
    }

  private:
    void followCurrent(const QModelIndex& current) {
        if (m_busy || !current.isValid()) {
            return;
        }
        const QScopedValueRollback busy(m_busy, true);
        QItemSelectionModel* model = m_view->selectionModel();
        const QModelIndex cell = visibleCell(m_view, current);
        if (cell != current) {
            model->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
        }
        if (!model->isSelected(cell)) {
            model->select(cell, QItemSelectionModel::ClearAndSelect | selectionFlags());
        }
    }

    void followSelection() {
        if (m_busy) {
            return;
        }
        const QScopedValueRollback busy(m_busy, true);
        QItemSelectionModel* model = m_view->selectionModel();
        const QModelIndex current = model->currentIndex();
        const QModelIndexList selected = model->selectedIndexes();
        if (selected.isEmpty()) {
            if (current.isValid()) {
                model->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            }
            return;
        }
        if (current.isValid() && model->isSelected(visibleCell(m_view, current))) {
            return;
        }
        const QModelIndex cell = visibleCell(m_view, selected.first());
        model->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
        if (!model->isSelected(cell)) {
            model->select(cell, QItemSelectionModel::Select | selectionFlags());
        }
    }

    QItemSelectionModel::SelectionFlags selectionFlags() const {
        switch (m_view->selectionBehavior()) {
            case QAbstractItemView::SelectRows:
                return QItemSelectionModel::Rows;
            case QAbstractItemView::SelectColumns:
                return QItemSelectionModel::Columns;
            case QAbstractItemView::SelectItems:
                break;
        }
        return QItemSelectionModel::NoUpdate;
    }

    QAbstractItemView* m_view;
    bool m_busy = false;
};

// Qt reads a tooltip as markup whenever it looks like markup; a comment reading "<b>x</b>"
// would show a bold x. The text is shown escaped instead, on one line as it is held.
class PlainToolTips : public QObject {
  public:
    explicit PlainToolTips(QAbstractItemView* view) : QObject(view), m_view(view) {
        view->viewport()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_view->viewport() || event->type() != QEvent::ToolTip) {
            return QObject::eventFilter(watched, event);
        }
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = m_view->indexAt(help->pos());
        const QString text = index.data(Qt::ToolTipRole).toString();
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("<p style='white-space:pre'>") +
                                   text.toHtmlEscaped() + QStringLiteral("</p>"),
                               m_view->viewport(), m_view->visualRect(index));
        }
        return true;
    }

  private:
    QAbstractItemView* m_view;
};

}  // namespace

void followKeyboardRow(QAbstractItemView* view) {
    new KeyboardRow(view);
}

void plainTextToolTips(QAbstractItemView* view) {
    new PlainToolTips(view);
}

}  // namespace ui
