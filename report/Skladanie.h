#pragma once

#include "data/SezonyStatystyki.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// Setting text on pages: paragraphs, headings, tables whose rows never split and whose header
// comes again on every page, and bar charts. Everything is placed first, so that the number of
// pages is known when the footers are drawn.
namespace sklad {

enum Czcionka { kZwykla, kMala, kGruba, kMalaGruba, kTytul, kKursywa, kCzcionek };

struct Kolumna {
    QString naglowek;
    double mm = 0;  // width; 0: what the other columns leave
    Qt::Alignment wyrownanie = Qt::AlignLeft;
};

struct Wiersz {
    QStringList komorki;
    QString uwaga{};              // a line across the whole row below its cells (a comment)
    bool pierwszyWGrupie{false};  // drawn bold in its first two cells, with a line above
};

struct Tabela {
    std::vector<Kolumna> kolumny;
    std::vector<Wiersz> wiersze;
    Czcionka czcionka = kZwykla;
};

// What every page carries: the heading's two sides and its description line, and the footer's
// left side ("strona N z M" is on its right).
struct Strona {
    QString lewy;
    QString prawy;
    QString opis;
    QString stopka;
};

class Skladacz {
  public:
    Skladacz(QPagedPaintDevice* urzadzenie, Strona strona);
    ~Skladacz();
    Skladacz(const Skladacz&) = delete;
    Skladacz& operator=(const Skladacz&) = delete;

    void tytulSekcji(const QString& tekst);
    void podtytul(const QString& tekst);
    // A paragraph across the page width, broken between lines where the page ends.
    void akapit(const QString& tekst, Czcionka czcionka);
    void odstep(double mm);
    void tabela(const Tabela& t);
    // Wins, draws and defeats per season as bars.
    void wykres(const std::vector<sezony::Sezon>& sezony);

    // Draws every page placed so far; returns their number.
    int rysuj();

  private:
    struct Napis {
        QRectF prost;
        Czcionka czcionka;
        Qt::Alignment wyrownanie;
        QString tekst;
        bool zawijany;
        QColor kolor;
    };
    struct Pole {
        QRectF prost;
        QColor kolor;
    };
    struct Kreska {
        QLineF linia;
        QColor kolor;
    };
    struct Zawartosc {
        std::vector<Pole> pola;
        std::vector<Kreska> kreski;
        std::vector<Napis> napisy;
    };

    double mm(double milimetry) const;
    double wysokoscLinii(Czcionka c) const;
    // Height of the text set in `szerokosc`, and whether it needs more than one line.
    double wysokosc(const QString& tekst, Czcionka c, double szerokosc, bool* zawijany) const;
    // The lines of a text set in `szerokosc`, each with its height.
    std::vector<std::pair<QString, double>> linie(const QString& tekst, Czcionka c,
                                                  double szerokosc) const;
    void nowaStrona();
    // Starts a new page unless `wysokosc` fits below the current position.
    void zmiesc(double wysokosc);
    void napis(const QRectF& prost, Czcionka c, Qt::Alignment wyrownanie, const QString& tekst,
               bool zawijany = false, const QColor& kolor = Qt::black);
    void pole(const QRectF& prost, const QColor& kolor);
    void kreska(const QLineF& linia, const QColor& kolor);
    std::vector<double> szerokosci(const Tabela& t) const;
    void naglowekTabeli(const Tabela& t, const std::vector<double>& szer);
    double wysokoscWiersza(const Tabela& t, const Wiersz& w, const std::vector<double>& szer,
                           std::vector<char>& zawijane, bool* uwagaZawijana, double* komorek) const;
    double wysokoscGrupy(const Tabela& t, size_t n, const std::vector<double>& szer) const;
    void rysujTekst(QPainter& p, const Napis& n) const;
    void rysujNaglowekIStopke(QPainter& p, int strona, int stron) const;

    QPagedPaintDevice* m_urzadzenie;
    Strona m_strona;
    std::array<QFont, kCzcionek> m_czcionki;
    std::vector<QFontMetricsF> m_miary;
    double m_szerokosc = 0;
    double m_gora = 0;  // below the page heading
    double m_dol = 0;   // above the footer
    double m_y = 0;
    double m_wysokoscOpisu = 0;
    std::vector<Zawartosc> m_strony;
};

}  // namespace sklad
