#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class frmSlowniki;
}

// The five dictionaries (clubs, players, competitions, seasons, kinds of goal): listing,
// filtering, adding, renaming and deleting their entries. Players are edited in frmGracz.
// The opener sets Mirvola::blnPoprawa (True while the match editor modifies a stored match,
// which restricts deleting) and shows the window with ui::showModal.
class frmSlowniki : public QDialog {
    Q_OBJECT

  public:
    explicit frmSlowniki(QWidget* parent = nullptr);
    ~frmSlowniki() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void tstSlowniki_Click(int index);
    void cmdFiltruj_Click();
    void cmdDodaj_Click();
    void cmdPopraw_Click();
    void cmdUsun_Click();

    void WczytajDane();
    bool SprawdzSezon(const QString& strSezon);

    QString ZapytanieListy() const;
    std::optional<QString> PodajNazwe(const QString& strPodpowiedz, const QString& strTytul,
                                      const QString& strDomyslna);
    void ZapiszDane(const QString& strWartosc, std::optional<double> dblIdWiersza);
    std::optional<bool> ZapytajOFlage(bool blnModyfikacjaWiersza);
    void ZapiszWiersz(const QString& strWartosc, std::optional<double> dblIdWiersza,
                      std::optional<bool> blnFlaga);
    void PokazGracza(bool blnModyfikacja);
    void UstawUsuwanie();
    int WybranyWiersz() const;
    void ZaznaczWiersz(const QString& strTekst);

    std::unique_ptr<Ui::frmSlowniki> m_ui;

    int intSlownik = 0;  // index of the selected tab in the dictionary table
    QString strSlownik;
    QString strTabela;
    QString strPoleId;
    QString strPoleNazwa;
    bool blnFiltr = false;
    std::vector<double> dblId;  // id of the entry in each row of lstDane
};
