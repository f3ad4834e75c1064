#pragma once

#include "forms/ListSorting.h"

#include <QDialog>
#include <QString>

#include <memory>

class QTreeWidgetItem;

namespace Ui {
class frmStatystykiPilkarze;
}

// "Statystyki - piłkarze": players ranked by the goals chosen by competition, venue, kind of
// goal (regular or own) and side (for or against the home club). A double click or Enter on a
// player opens the list of his goals under the same filters.
class frmStatystykiPilkarze : public QDialog {
    Q_OBJECT

  public:
    explicit frmStatystykiPilkarze(QWidget* parent = nullptr);
    ~frmStatystykiPilkarze() override;

    // The query of the players' table: In-lists of competitions and venues and the conditions
    // on the kind and side of a goal.
    static QString Zapytanie(const QString& rozgrywki, const QString& gdzie,
                             const QString& warunek);

    // The filters of the list shown: SQL In-lists of competitions and venues, and the further
    // conditions on the kind and side of a goal (each beginning with " AND ").
    QString strRozgrywki;
    QString strGdzie;
    QString strWarunek;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString UstalWarunek() const;
    bool WypelnijStrzelcow(const QString& warunek);
    void Odswiez();
    void lstGracze_DblClick(QTreeWidgetItem* item);

    std::unique_ptr<Ui::frmStatystykiPilkarze> ui;
    std::unique_ptr<ui::ListSorter> sortowanie;
    int intKolumna = 0;
    bool blnWczytywanie = false;
};
