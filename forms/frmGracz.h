#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class frmGracz;
}

class QLineEdit;

// Adds a player or changes a player's names. Only three combinations are stored: first name
// and surname; first name, surname and nickname; nickname alone. An empty field is Null.
// For modifying, the opener puts the player's Id_gracza into Mirvola::dblIdMeczu first.
class frmGracz : public QDialog {
    Q_OBJECT

  public:
    frmGracz(bool blnModyfikacja, QWidget* parent = nullptr);
    ~frmGracz() override;

    // False when the player to modify could not be read (the error has been shown): the opener
    // must not show the window, whose empty fields would overwrite the stored names.
    bool loaded() const { return m_loaded; }

    const bool blnModyfikacja;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void cmdOK_Click();
    void cmdHelp_Click();

    void WczytajGracza();
    bool IstniejeTakiGracz();
    bool ImionaBezZmian() const;
    void ZapiszGracza();
    void ZapiszWiersz();
    bool PrzejdzKlawiszem(QLineEdit* pole, int klawisz);

    std::unique_ptr<Ui::frmGracz> m_ui;
    double dblIdGracza = 0;
    // The names as stored when the window opened for modifying.
    QString m_strImie, m_strNazwisko, m_strPrzydomek;
    bool m_loaded = true;
};
