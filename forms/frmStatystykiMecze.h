#pragma once

#include "data/CsvExport.h"
#include "forms/ListSorting.h"

#include <QDialog>
#include <QString>

#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class frmStatystykiMecze;
}

// What the two statistics windows share: the competition list and the SQL In-lists built
// from the user's choices.
namespace statystyki {

// Fills the list with every competition in alphabetical order, the official ones checked.
// Each item keeps its Id_rozgrywki under Qt::UserRole, so the filters never look a competition
// up by its name. The first item becomes current. A database error is shown over `okno`, leaves
// the list empty and gives false.
bool WczytajRozgrywki(QWidget* okno, QListWidget* lstRozgr);

// "(" + the ids of the checked competitions joined by ", " + ")"; "(0)" when none is checked.
QString UstalRozgrywki(const QListWidget* lstRozgr);

// "(" + 'D', 'W', 'N' of the checked venue boxes joined by ", " + ")"; "('A')" for none.
QString UstalMiejsca(const QCheckBox* dom, const QCheckBox* wyjazd, const QCheckBox* neutralny);

// Makes the competition checklist at least eight rows tall; a taller window gives it more.
void UstawWysokoscRozgrywek(QListWidget* lstRozgr);

// Fixes the size of a report list to its columns' width and to `wierszeBezPaska` rows, so that
// one row more brings the vertical scroll bar.
void UstawRozmiarListy(QTreeWidget* lista, int wierszeBezPaska);

}  // namespace statystyki

// "Statystyki - mecze": the home club's balance of results, by opponent and by venue.
//
// The balance panels are 0 all matches (fraBilans), 1 at home (fraBilansDom), 2 away
// (fraBilansWyj), 3 on neutral ground (fraBilansNeu). Each has four rows, 0 wins, 1 draws,
// 2 defeats, 3 total, and per row three labels named by panel and row:
//   lblBilans_<panel>_<row> (caption), lblLiczba_<panel>_<row> (count),
//   lblProcent_<panel>_<row> (percentage).
//
// A double click or Enter on an opponent opens the match viewer on the matches against it
// that pass the current competition and venue filters.
class frmStatystykiMecze : public QDialog {
    Q_OBJECT

  public:
    explicit frmStatystykiMecze(QWidget* parent = nullptr);
    ~frmStatystykiMecze() override;

    // The current filters as SQL In-lists, read by the match viewer.
    QString strRozgrywki;
    QString strGdzie;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Wczytaj();
    bool WypelnijKluby();
    void LiczBilans();
    void lstRozgr_ItemCheck();
    void chkOpcja_Click();
    void lstKluby_DblClick(QTreeWidgetItem* item);
    void UstawKolory();
    csv::Table TabelaBilansu() const;
    void DodajEksportBilansu();

    std::unique_ptr<Ui::frmStatystykiMecze> ui;
    std::unique_ptr<ui::ListSorter> sortowanie;
    std::array<std::array<QLabel*, 4>, 4> lblLiczba{};
    std::array<std::array<QLabel*, 4>, 4> lblProcent{};
    int intKolumna = 0;
    bool blnWczytywanie = false;
};
