#pragma once

#include "data/engine/Error.h"

#include <QDate>
#include <QRect>
#include <QString>

#include <functional>

class QComboBox;
class QEvent;
class QWidget;

// Small helpers that every window shares.
namespace ui {

// The busy cursor for the lifetime of the object (nests).
class Hourglass {
  public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

// Installs the busy cursor hook of the module Mirvola (WykonajSQL) and loads the Polish
// translations of Qt's own dialogs. Called once by the program and by the test support.
void installToolkit();

// Converts twips (15 to a pixel at 96 dpi) to pixels at the screen's logical density.
int twips(int tw, const QWidget* widget = nullptr);

// The width of a list column laid out as `tw` twips for the old 8-point system font: the twips
// at the screen's density, widened alike where the widget's font has wider digits, so that
// dates, seasons and names still fit.
int szerokoscKolumny(int tw, const QWidget* widget);

// The window frame `ramka` moved as little as needed to lie on the available area of the screen
// that `widget` is on (the primary screen without a widget).
QRect naEkranie(QRect ramka, const QWidget* widget = nullptr);

// `szerokosc`, or less where the screen `okno` is on is narrower: room is left for the window's
// frame.
int szerokoscNaEkranie(const QWidget* okno, int szerokosc);

// A drop-down list shows about twenty items at a time and scrolls, whatever the style; some
// styles would otherwise open a long list over the whole height of the screen.
void ograniczListe(QComboBox* lista);

// Whether `event` is a press of Enter or Return (the old programs' key code 13).
bool nacisnietoEnter(const QEvent* event);

// Posts one Right-arrow key press to the widget that has the keyboard focus.
void sendRightArrow();

// "d mmmm yyyy" with the month's Polish name in the genitive ("5 maja 2002").
QString dataSlownie(const QDate& data);
// The Polish name of the weekday ("niedziela").
QString dzienTygodnia(const QDate& data);

// The folder last chosen for `klucz` ("eksport/katalog", "kopia/katalog"), kept between runs;
// the user's documents folder (or home) when none was chosen or it is gone.
QString zapamietanyKatalog(const QString& klucz);
void zapamietajKatalog(const QString& klucz, const QString& katalog);

// A number of matches with the noun in its Polish form: "1 mecz", "2 mecze", "5 meczów",
// "22 mecze", "112 meczów".
QString liczbaMeczow(qint64 n);

// "Wystąpił błąd numer N" + line feed + description; with `niezapisane` two line feeds and
// "Dane nie zostały zapisane." follow.
QString tekstBledu(const engine::Error& e, bool niezapisane = false);

// Shows tekstBledu(e) titled "Błąd" with the critical icon.
void pokazBlad(QWidget* parent, const engine::Error& e, bool niezapisane = false);

// Another process holds the diary: the program's Retry/Cancel question. True for Retry.
bool ponowicGdyZajeta(QWidget* parent);

// Runs a step that needs the diary to itself. While another process holds it, the Retry/Cancel
// question, and Retry runs the step again; any other engine error goes to naBlad. False when
// the step did not complete.
bool wykonajPonawiajac(QWidget* parent, const std::function<void()>& krok,
                       const std::function<void(const engine::Error&)>& naBlad);

// Runs one command of a window. An engine error that the command does not handle itself ends
// the command with the standard error message instead of escaping into the event loop.
template <class F>
void polecenie(QWidget* parent, F&& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        pokazBlad(parent, e);
    }
}

}  // namespace ui
