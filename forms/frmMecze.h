#pragma once

#include "data/engine/Database.h"
#include "data/engine/Recordset.h"

#include <QDialog>
#include <QString>

#include <array>
#include <memory>

class QPushButton;
class QTableWidget;

namespace Ui {
class frmMecze;
}

// The selection the viewer steps through, as its opener sees it.
struct FiltrMeczow {
    // Opened from the main window: the check marks of its "Tylko oficjalne" and
    // "Tylko nieoficjalne" items (both unchecked: every match).
    bool blnTylkoOficjalne = false;
    bool blnTylkoNieoficjalne = false;
    // Opened from the match statistics: its strRozgrywki and strGdzie, e.g. "(1, 4)" and
    // "('D', 'N')".
    QString strRozgrywki;
    QString strGdzie;
    // Opened on chosen matches (the records): their Id_meczu as an SQL In-list, e.g. "(3, 7)".
    // When set it takes the place of the statistics' filters. (Its initializer lets the other
    // openers leave it out of their braced lists.)
    QString strIdMeczow{};
};

// The read-only description of one match with stepping through a selection ordered by season
// and date.
//
// Hand-over: the opener sets Mirvola::dblIdMeczu and constructs the window, which loads at once:
//   - from the main window: dblIdMeczu = the match's Id_meczu, blnOknoGlowne true and the two
//     check marks in `filtr`; the window opens on that match;
//   - from the match statistics: dblIdMeczu = the opponent's Id_klubu, blnOknoGlowne false and
//     strRozgrywki/strGdzie in `filtr`; the window opens on the first match against that club;
//   - on chosen matches: dblIdMeczu = the Id_meczu to start on, blnOknoGlowne false and the
//     matches in filtr.strIdMeczow.
// Then the opener shows it with ui::showModal(&okno). An empty selection gives an empty window
// whose stepping buttons are all disabled.
//
// The window keeps its own connection and recordset open until it closes.
class frmMecze : public QDialog {
    Q_OBJECT

  public:
    frmMecze(QWidget* parent, bool blnOknoGlowne, const FiltrMeczow& filtr);
    ~frmMecze() override;

    const bool blnOknoGlowne;

    void done(int result) override;

  private:
    void Wczytaj(const FiltrMeczow& filtr);
    QString ZapytanieMeczow(const FiltrMeczow& filtr) const;
    void cmdZmiana_Click(int index);
    void UstawPrzyciskiNaKoncach();
    void PokazMecz();
    void PokazStrzelcow();
    void WyczyscSiatki();
    void Zamknij();

    std::unique_ptr<Ui::frmMecze> ui;
    std::array<QPushButton*, 4> cmdZmiana{};
    std::array<QTableWidget*, 2> fgrdStrzelcy{};
    // Declared in this order so that the recordset goes before its connection.
    std::unique_ptr<engine::Database> dbMecze;
    std::unique_ptr<engine::Recordset> rsMecze;
};
