#pragma once

#include "forms/ListSorting.h"

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCloseEvent;
class QLabel;
class QTimer;
class QTreeWidgetItem;

namespace engine {
struct Examination;
}

namespace Ui {
class frmMain;
}

// The program's central window: the list of attended matches with its filters and sorting, the
// commands that reach every other window, deleting matches and the whole-file maintenance.
// Construction is the window's load: it checks the diary and fills the list, or decides that
// the program has to end (koniecProgramu()).
class frmMain : public QMainWindow {
    Q_OBJECT

  public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // True when the start-up found no usable diary and told the user so: the program ends
    // without showing the window and without the exit question.
    bool koniecProgramu() const { return blnBrakBazy; }

    // The check marks of the two filter items (the match viewer takes its filter from them).
    bool tylkoOficjalne() const;
    bool tylkoNieoficjalne() const;

    // Refills the list with the current filter, keeping the current header sort.
    void WypelnijListe();

    // The window's tag text: the item text (Id_meczu) of the match sent to the editor.
    const QString& tag() const { return strTag; }
    void setTag(const QString& tekst) { strTag = tekst; }
    // Selects the row whose item text equals the tag text and scrolls it into view; nothing is
    // selected by it when no row has that text any more.
    void ZaznaczWierszZnacznika();

    // A width of the description in twips as pixels of lstMecze (see UstawListe).
    int szerokoscKolumny(int twipy) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    void itmOpis_Click();
    void itmDodaj_Click();
    void itmPopraw_Click();
    void sitmZaznaczony_Click();
    void sitmWszystkie_Click();
    void itmTylkoOficjalne_Click(bool zaznaczony);
    void itmTylkoNieoficjalne_Click(bool zaznaczony);
    void itmStatystykiMecze_Click();
    void itmStatystykiPilkarze_Click();
    void itmRekordy_Click();
    void itmWykresySezonow_Click();
    void itmOdswiez_Click();
    void itmSlowniki_Click();
    void itmDefragmentacja_Click();
    void itmNaprawa_Click();
    void itmUsunWszystko_Click();
    void itmOProgramie_Click();
    void lstMecze_ColumnClick(int kolumna);
    void lstMecze_DblClick();
    void sbarMirvola_Odswiez();

  private:
    void UstawListe();
    void UstawPasekStanu();
    void PolaczPolecenia();
    bool SprawdzBaze();
    bool BazaGotowa();
    bool NaprawPrzyStarcie(const engine::Examination& stan);
    void UstawRozmiar();
    void WypelnijWiersze(int n);
    void UstawPolecenia(bool saMecze);
    void Odswiez();
    const QTreeWidgetItem* zaznaczonyWiersz() const;
    void UruchomPolecenie(QAction* polecenie);
    bool WykonajKrok(const std::function<void()>& krok);
    bool ZgodaNaNowyPlik(const QString& czynnosc, const QString& pytanie);
    bool Defragmentuj();
    bool Napraw();
    void PokazZaleglyRaport();
    bool Zmien(const std::function<void()>& zmiana);

    std::unique_ptr<Ui::frmMain> m_ui;
    std::unique_ptr<ui::ListSorter> m_sortowanie;
    // Commands that need a listed match: disabled and the list hidden when none is listed.
    std::vector<QAction*> m_poleceniaMeczu;
    QLabel* m_panelTytul = nullptr;
    QLabel* m_panelData = nullptr;
    QLabel* m_panelGodzina = nullptr;
    QTimer* m_zegar = nullptr;

    QString strFiltr;
    int intKolumna = 0;
    bool blnBrakBazy = false;
    QString strTag;
};
