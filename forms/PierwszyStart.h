#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class frmPierwszyStart;
}

// The first start: no diary was found, and the user chooses how to get one. Each choice leads
// into the main window when it succeeds; a refusal or a failure leaves nothing behind and
// offers the choice again.
class frmPierwszyStart : public QDialog {
    Q_OBJECT

  public:
    // The window's result codes; Rejected (0, also Esc and the close box) ends the program.
    enum Wybor { Koniec = 0, Nowy = 1, Dawny = 2, Kopia = 3 };

    // `cel`: the file a new diary will be.
    frmPierwszyStart(QWidget* parent, const QString& cel);
    ~frmPierwszyStart() override;

  private:
    std::unique_ptr<Ui::frmPierwszyStart> m_ui;
};

namespace PierwszyStart {

// Offers the choices until one gives a diary (true) or the user ends the program (false).
bool Uruchom(QWidget* okno);

}  // namespace PierwszyStart
