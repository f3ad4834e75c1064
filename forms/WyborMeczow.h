#pragma once

#include "data/WybraneMecze.h"

#include <array>
#include <functional>

class QCheckBox;
class QListWidget;
class QWidget;

// The filters of the records and the season charts: the competitions checklist, every
// competition checked at the start, and the three venue boxes ("w domu", "na wyjeździe",
// "na terenie neutralnym"), all checked. Every change of a check mark calls `zmiana`.
class WyborMeczow {
  public:
    WyborMeczow(QWidget* okno, QListWidget* lstRozgr, std::array<QCheckBox*, 3> chkOpcja,
                std::function<void()> zmiana);

    // Fills the checklist; a database error is shown over the window and gives false.
    bool Wczytaj();

    // The current choices as the statistics windows write them.
    wybor::Filtr filtr() const;

  private:
    QWidget* m_okno;
    QListWidget* m_lstRozgr;
    std::array<QCheckBox*, 3> m_chkOpcja;
    std::function<void()> m_zmiana;
};
