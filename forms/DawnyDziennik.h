#pragma once

#include "data/JetReader.h"

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;
class frmMain;

// Bringing the old program's diary over: at start, when Mirvola.mdb is still the old program's
// file, and from the menu item "Wczytaj dziennik z dawnej wersji...", from an old file anywhere.
namespace DawnyDziennik {

// At start: when Mirvola.mdb is the old program's file, asks whether to convert it, and does so
// with a progress window; the old file is kept unchanged beside the new diary. False when the
// program has to end: the user said No, or the conversion failed (the user has been told why).
bool PrzeniesPrzyStarcie(QWidget* okno);

// The menu item: picks an old file, names what it holds and asks, then puts the converted diary
// in the place of the current one, which is kept beside it, and refills the window's list.
void Wczytaj(frmMain* okno);

// The first start: picks an old file, names what it holds and asks, then converts it into the
// new diary `cel` (and its folder, when missing). False when nothing was made: the user
// refused, or the conversion failed (the user has been told why).
bool PrzeniesDoNowego(QWidget* okno, const QString& cel);

// The progress window of a conversion: reading the old file, then writing the new diary.
class OknoPostepu {
  public:
    explicit OknoPostepu(QWidget* okno);
    ~OknoPostepu();
    OknoPostepu(const OknoPostepu&) = delete;
    OknoPostepu& operator=(const OknoPostepu&) = delete;

    // The progress of reading, then of writing, for the core's callbacks; zapis() starts the
    // second stage.
    jet::Progress odczyt();
    jet::Progress zapis();

    QProgressDialog* dialog() const { return m_dialog.get(); }

  private:
    void pokaz(const QString& etap, qint64 zrobione, qint64 wszystkie, int od);

    std::unique_ptr<QProgressDialog> m_dialog;
    QString m_etap;
    int m_wartosc = -1;
};

}  // namespace DawnyDziennik
