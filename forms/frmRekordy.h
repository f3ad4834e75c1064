#pragma once

#include "data/Rekordy.h"
#include "data/WybraneMecze.h"

#include <QDialog>

#include <memory>
#include <vector>

class QTreeWidgetItem;
class WyborMeczow;

namespace Ui {
class frmRekordy;
}

// "Rekordy": the records over the matches of the chosen competitions and venues, refreshed at
// every change of the filters. Each record takes one row, or one row per match, run end, club
// or player in a match behind it, its name and value on the first. A double click or Enter on
// a match opens the match viewer on the record's matches (a whole run for a run); on a club,
// the viewer on the matches against that club, as the match statistics do.
class frmRekordy : public QDialog {
    Q_OBJECT

  public:
    explicit frmRekordy(QWidget* parent = nullptr);
    ~frmRekordy() override;

    // Every column where the screen has room for them.
    QSize sizeHint() const override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void WypelnijRekordy();
    void DodajRekord(int nr, const rekordy::Rekord& rekord);
    QTreeWidgetItem* NowyWiersz(int nr, const rekordy::Rekord& rekord, size_t i) const;
    void PokazReszte(QTreeWidgetItem* reszta);
    void lstRekordy_DblClick(QTreeWidgetItem* item);

    std::unique_ptr<Ui::frmRekordy> ui;
    std::unique_ptr<WyborMeczow> wybor;
    // What the list shows, with the filter it was computed for.
    std::vector<rekordy::Rekord> m_rekordy;
    wybor::Filtr m_filtr;
    QSize m_rozmiar;
};
