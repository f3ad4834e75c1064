#pragma once

#include "forms/ListSorting.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class frmBramkiPilkarza;
}

// "Bramki piłkarza - <name>": one player's goals in chronological order under the filters of
// the player statistics, so that their number equals the count shown there.
// The opener passes the player's Id_gracza and its strRozgrywki, strGdzie and strWarunek; the
// window loads at once and is then shown with ui::showModal.
class frmBramkiPilkarza : public QDialog {
    Q_OBJECT

  public:
    frmBramkiPilkarza(QWidget* parent, double idGracza, const QString& strRozgrywki,
                      const QString& strGdzie, const QString& strWarunek);
    ~frmBramkiPilkarza() override;

    // The query of the goals list for one player under the statistics window's filters.
    static QString Zapytanie(const QString& id, const QString& strRozgrywki,
                             const QString& strGdzie, const QString& strWarunek);

  private:
    void Wczytaj(const QString& id, const QString& strRozgrywki, const QString& strGdzie,
                 const QString& strWarunek);

    std::unique_ptr<Ui::frmBramkiPilkarza> ui;
    std::unique_ptr<ui::ListSorter> sortowanie;
    int intKolumna = 0;
};
