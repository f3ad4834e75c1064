#pragma once

#include "data/SezonyStatystyki.h"

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

class QChartView;
class WyborMeczow;

namespace Ui {
class frmWykresySezonow;
}

// "Wykresy sezonów": how the seasons went, one chart per tab, over the matches of the chosen
// competitions and venues: wins, draws and defeats as stacked bars (chtWyniki), goals for and
// against as two lines (chtBramki), matches attended as bars (chtMecze). Seasons stand oldest
// left. Hovering a bar or a point shows its number; "Zapisz obraz..." saves the chart of the
// current tab as a PNG picture.
class frmWykresySezonow : public QDialog {
    Q_OBJECT

  public:
    explicit frmWykresySezonow(QWidget* parent = nullptr);
    ~frmWykresySezonow() override;

  private:
    void WypelnijWykresy();
    void cmdZapisz_Click();
    void PokazLiczbe(QChartView* wykres, bool widoczna, const QString& tekst);

    std::unique_ptr<Ui::frmWykresySezonow> ui;
    std::unique_ptr<WyborMeczow> wybor;
    std::array<QChartView*, 3> chtWykres{};
    std::vector<sezony::Sezon> m_sezony;
};
