#pragma once

#include "data/StanMeczu.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QListWidget;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ui {
enum class Answer;
}

namespace Ui {
class frmMecz;
}

// The match editor: one match with its goals, added (Mirvola::blnPoprawa False) or modified
// (True, the match Mirvola::dblIdMeczu). The opener sets the two module variables, constructs
// the window and shows it with ui::showModal.
class frmMecz : public QDialog {
    Q_OBJECT

  public:
    explicit frmMecz(QWidget* parent = nullptr);
    ~frmMecz() override;

    // Columns of a goal row.
    enum Kolumna { kZawodnik = 0, kMinuta = 1, kJak = 2, kIdGracza = 3, kIdJak = 4 };

    // The side (0 host, 1 guest) whose grid the last correction or deletion applied to.
    int intSiatka = 0;

    QTableWidget* fgrdStrzelcy(int strona) const { return m_fgrdStrzelcy[strona]; }
    // Orders the goal rows of a side by minute, narrows the name column at 4 goal rows or more
    // and selects the last row.
    void UporzadkujSiatke(int strona);
    // Narrows the name column at 4 goal rows or more and selects the last row.
    void UstawKoniecSiatki(int strona);

    // The players query of the editor and of the goal correction dialog.
    static QString ZapytanieGraczy(bool blnFiltr, const QString& strFiltr);

    // The dictionaries may change while the editor is open: Zapamietaj() keeps the choices
    // before the dictionaries window opens, OdswiezPoSlownikach() refills the pickers and lists
    // afterwards and brings the goal rows in line with the changed dictionaries.
    struct Zapamietane {
        std::array<QString, 5> dane;
        std::array<QString, 2> gracze;
    };
    Zapamietane Zapamietaj();
    void OdswiezPoSlownikach(const Zapamietane& z);

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void zbierzKontrolki();
    void polaczZdarzenia();
    void UlozSiatke(int strona);
    void UstawSzerokoscJak(int strona);
    void OznaczBrakiJak(int strona);
    QString BrakJak() const;
    QStringList UzgodnijBramki(int strona, const QHash<QString, QString>& gracze,
                               const QHash<QString, QString>& rodzaje);
    void UstawMiejscaFokus();
    void WczytajMecz();
    void WczytajBramki();
    void UstawDodawanie();

    void WypelnijCombo(int Index, const QString& IdField, const QString& NameField,
                       const QString& Table);
    void WypelnijGraczy(int Index);
    std::vector<double>& IdListy(int Index);
    std::vector<double>& IdGraczy(int strona) { return strona == 0 ? dblIdGracza0 : dblIdGracza1; }

    // Program selections raise the same handling as a choice of the user, also when the entry
    // was selected already.
    void WybierzDane(int Index, int pozycja);
    void WybierzWynik(int Index, int pozycja);

    void cboDane_Click(int Index);
    void UstawEtykiety();
    void cboWyn_Click(int Index);
    void cmdFiltruj_Click(int Index);
    void cmdHelp_Click();
    void cmdSlowniki_Click();
    void lstGracze_DblClick(int Index);
    void cmdOK_Click();
    void itmPopraw_Click();
    void itmUsun_Click();
    void PokazMenu(int Index, const QPoint& punkt);

    void UstawStrone(int Index, bool Enabled);
    void UstawListyGraczy();
    void UsunBramke();
    void DodajWiersz(int strona, const QStringList& komorki);
    void ZaznaczWiersz(int strona, int wiersz);
    int LiczbaBramek(int strona) const;
    int Wynik(int strona) const;
    bool PozwolZamknac();

    QString BrakujaceDane() const;
    QString KodMiejsca() const;
    bool CzyDuplikat(const QString& strGdzie);
    std::optional<Mirvola::StanMeczu> ZapiszMecz(const QString& strGdzie);
    ui::Answer ZapytajOZmiane(const Mirvola::StanMeczu& teraz);
    void WczytajPonownie();
    void PrzygotujKolejnyMecz();

    std::unique_ptr<Ui::frmMecz> m_ui;

    std::array<QComboBox*, 5> cboDane{};
    std::array<QRadioButton*, 3> optWybor{};
    std::array<QComboBox*, 2> cboWyn{};
    std::array<QTableWidget*, 2> m_fgrdStrzelcy{};
    std::array<QListWidget*, 2> lstGracze{};
    std::array<QLineEdit*, 2> txtFiltr{};
    std::array<QPushButton*, 2> cmdFiltruj{};
    QMenu* mnuOperacje = nullptr;
    QAction* itmPopraw = nullptr;
    QAction* itmUsun = nullptr;

    std::vector<double> dblIdSezonu;
    std::vector<double> dblIdKlubu;
    std::vector<double> dblIdRozgrywki;
    std::vector<double> dblIdJak;
    std::vector<double> dblIdGracza0;
    std::vector<double> dblIdGracza1;

    // Each side's players list is filtered on its own: whether a filter applies, and the text
    // that was applied (not whatever the box holds now).
    std::array<bool, 2> blnFiltr{};
    std::array<QString, 2> strFiltr;
    bool blnBezDaty = false;
    bool blnPytaj = true;
    bool blnPominWynik = false;
    bool m_blnPoprawa = false;
    QString strIdMeczu;
    // The match and its goals as the diary held them when the editor loaded them (modify
    // mode), or as the user last agreed to overwrite them.
    Mirvola::StanMeczu m_stanMeczu;
};
