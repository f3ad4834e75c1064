#include "report/Skladanie.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <utility>

namespace sklad {
namespace {

// DejaVu has every Polish letter and is installed with the program's packages; the PDF
// embeds the glyphs it uses.
const QString kRodzina = QStringLiteral("DejaVu Sans");

const QColor kSzaryNaglowka(0xE4, 0xE4, 0xE4);
const QColor kSzaraKreska(0xB0, 0xB0, 0xB0);
const QColor kCiemnaKreska(0x40, 0x40, 0x40);
const QColor kKolorUwagi(0x30, 0x30, 0x30);
// The balance's colours: wins dark blue, draws green, defeats dark red.
const std::array<QColor, 3> kKoloryWynikow = {QColor(0x00, 0x00, 0xC0), QColor(0x00, 0x80, 0x00),
                                              QColor(0xC0, 0x00, 0x00)};
const std::array<const char*, 3> kNazwyWynikow = {"Zwycięstwa", "Remisy", "Porażki"};

QFont czcionka(double punkty, bool gruba = false, bool kursywa = false) {
    QFont f(kRodzina);
    f.setPointSizeF(punkty);
    f.setBold(gruba);
    f.setItalic(kursywa);
    f.setKerning(false);  // widths stay sums of the glyphs', so measuring matches drawing
    // No ligatures: "fi" stays two letters for whoever copies or searches the PDF's text.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

// A text with its line ends as the layout understands them.
QString doUkladu(QString tekst) {
    tekst.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    tekst.replace(u'\n', QChar::LineSeparator);
    tekst.replace(u'\r', QChar::LineSeparator);
    return tekst;
}

QTextOption opcjeZawijania(Qt::Alignment wyrownanie) {
    QTextOption opcje(wyrownanie);
    opcje.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return opcje;
}

// Bars from 0 to a round number of 3 to 6 steps.
double krokOsi(int najwiekszy) {
    double krok = 1;
    for (int i = 0; najwiekszy / krok > 5; ++i) {
        krok *= (i % 3 == 1) ? 2.5 : 2;
    }
    return krok;
}

}  // namespace

Skladacz::Skladacz(QPagedPaintDevice* urzadzenie, Strona strona)
    : m_urzadzenie(urzadzenie), m_strona(std::move(strona)) {
    m_czcionki[kZwykla] = czcionka(9);
    m_czcionki[kMala] = czcionka(7.5);
    m_czcionki[kGruba] = czcionka(9, true);
    m_czcionki[kMalaGruba] = czcionka(7.5, true);
    m_czcionki[kTytul] = czcionka(13, true);
    m_czcionki[kKursywa] = czcionka(7.5, false, true);
    for (const QFont& f : m_czcionki) {
        m_miary.emplace_back(f, m_urzadzenie);
    }
    m_szerokosc = m_urzadzenie->width();
    bool zawijany = false;
    m_wysokoscOpisu = wysokosc(m_strona.opis, kMala, m_szerokosc, &zawijany);
    m_gora = wysokoscLinii(kGruba) + m_wysokoscOpisu + mm(5);
    m_dol = m_urzadzenie->height() - wysokoscLinii(kMala) - mm(4);
    nowaStrona();
}

Skladacz::~Skladacz() = default;

double Skladacz::mm(double milimetry) const {
    return milimetry * m_urzadzenie->logicalDpiY() / 25.4;
}

double Skladacz::wysokoscLinii(Czcionka c) const {
    return m_miary[c].height();
}

double Skladacz::wysokosc(const QString& tekst, Czcionka c, double szerokosc,
                          bool* zawijany) const {
    // Most cells are short: the widest glyph times the letters settles it without shaping.
    const bool jednaLinia =
        !tekst.contains(u'\n') && !tekst.contains(u'\r') &&
        (static_cast<double>(tekst.size()) * m_miary[c].maxWidth() <= szerokosc ||
         m_miary[c].horizontalAdvance(tekst) <= szerokosc);
    *zawijany = !jednaLinia;
    if (jednaLinia) {
        return wysokoscLinii(c);
    }
    QTextLayout uklad(doUkladu(tekst), m_czcionki[c], m_urzadzenie);
    uklad.setTextOption(opcjeZawijania(Qt::AlignLeft));
    double h = 0;
    uklad.beginLayout();
    for (QTextLine linia = uklad.createLine(); linia.isValid(); linia = uklad.createLine()) {
        linia.setLineWidth(szerokosc);
        h += linia.height();
    }
    uklad.endLayout();
    return h;
}

void Skladacz::nowaStrona() {
    m_strony.emplace_back();
    m_y = m_gora;
}

void Skladacz::zmiesc(double wysokosc) {
    if (m_y + wysokosc > m_dol && m_y > m_gora) {
        nowaStrona();
    }
}

void Skladacz::napis(const QRectF& prost, Czcionka c, Qt::Alignment wyrownanie,
                     const QString& tekst, bool zawijany, const QColor& kolor) {
    if (!tekst.isEmpty()) {
        m_strony.back().napisy.push_back({prost, c, wyrownanie, tekst, zawijany, kolor});
    }
}

void Skladacz::pole(const QRectF& prost, const QColor& kolor) {
    m_strony.back().pola.push_back({prost, kolor});
}

void Skladacz::kreska(const QLineF& linia, const QColor& kolor) {
    m_strony.back().kreski.push_back({linia, kolor});
}

void Skladacz::tytulSekcji(const QString& tekst) {
    const double h = wysokoscLinii(kTytul) + mm(2);
    // A heading never stands alone at the foot of a page.
    zmiesc(h + 4 * wysokoscLinii(kZwykla));
    napis(QRectF(0, m_y, m_szerokosc, h), kTytul, Qt::AlignLeft, tekst);
    m_y += h;
}

void Skladacz::podtytul(const QString& tekst) {
    const double h = wysokoscLinii(kGruba) + mm(1.5);
    zmiesc(h + 2 * (wysokoscLinii(kMalaGruba) + mm(1.2)) + wysokoscLinii(kMala));
    napis(QRectF(0, m_y, m_szerokosc, h), kGruba, Qt::AlignLeft, tekst);
    m_y += h;
}

std::vector<std::pair<QString, double>> Skladacz::linie(const QString& tekst, Czcionka c,
                                                        double szerokosc) const {
    std::vector<std::pair<QString, double>> wynik;
    QTextLayout uklad(doUkladu(tekst), m_czcionki[c], m_urzadzenie);
    uklad.setTextOption(opcjeZawijania(Qt::AlignLeft));
    uklad.beginLayout();
    for (QTextLine linia = uklad.createLine(); linia.isValid(); linia = uklad.createLine()) {
        linia.setLineWidth(szerokosc);
        QString kawalek = uklad.text().mid(linia.textStart(), linia.textLength());
        kawalek.remove(QChar::LineSeparator);
        wynik.emplace_back(kawalek.trimmed(), linia.height());
    }
    uklad.endLayout();
    return wynik;
}

void Skladacz::akapit(const QString& tekst, Czcionka c) {
    for (const auto& [kawalek, h] : linie(tekst, c, m_szerokosc)) {
        zmiesc(h);
        napis(QRectF(0, m_y, m_szerokosc, h), c, Qt::AlignLeft, kawalek);
        m_y += h;
    }
    m_y += mm(1);
}

void Skladacz::odstep(double milimetry) {
    m_y += mm(milimetry);
}

std::vector<double> Skladacz::szerokosci(const Tabela& t) const {
    std::vector<double> szer;
    double zajete = 0;
    int reszta = 0;
    for (const Kolumna& k : t.kolumny) {
        szer.push_back(mm(k.mm));
        zajete += mm(k.mm);
        reszta += k.mm == 0 ? 1 : 0;
    }
    for (size_t i = 0; i < szer.size(); ++i) {
        if (t.kolumny[i].mm == 0) {
            szer[i] = std::max(mm(10), (m_szerokosc - zajete) / reszta);
        }
    }
    return szer;
}

void Skladacz::naglowekTabeli(const Tabela& t, const std::vector<double>& szer) {
    const Czcionka c = t.czcionka == kMala ? kMalaGruba : kGruba;
    const double odstep = mm(1.2);
    const double h = wysokoscLinii(c) + 2 * odstep;
    pole(QRectF(0, m_y, m_szerokosc, h), kSzaryNaglowka);
    double x = 0;
    for (size_t i = 0; i < szer.size(); ++i) {
        napis(QRectF(x + odstep, m_y + odstep, szer[i] - 2 * odstep, h - 2 * odstep), c,
              t.kolumny[i].wyrownanie, t.kolumny[i].naglowek);
        x += szer[i];
    }
    m_y += h;
}

double Skladacz::wysokoscWiersza(const Tabela& t, const Wiersz& w, const std::vector<double>& szer,
                                 std::vector<char>& zawijane, bool* uwagaZawijana,
                                 double* komorek) const {
    const double odstep = mm(1.2);
    double h = wysokoscLinii(t.czcionka);
    zawijane.assign(szer.size(), 0);
    for (size_t i = 0; i < szer.size() && i < static_cast<size_t>(w.komorki.size()); ++i) {
        const Czcionka c =
            w.pierwszyWGrupie && i < 2 ? (t.czcionka == kMala ? kMalaGruba : kGruba) : t.czcionka;
        bool z = false;
        h = std::max(h,
                     wysokosc(w.komorki[static_cast<qsizetype>(i)], c, szer[i] - 2 * odstep, &z));
        zawijane[i] = z;
    }
    *komorek = h;
    *uwagaZawijana = false;
    if (!w.uwaga.isEmpty()) {
        h += wysokosc(w.uwaga, kKursywa, m_szerokosc - 2 * odstep - mm(19), uwagaZawijana);
    }
    return h + 2 * odstep;
}

// The lines of a group (a record with its matches) from its first line `n`; a group taller than
// half a page may break like any rows.
double Skladacz::wysokoscGrupy(const Tabela& t, size_t n, const std::vector<double>& szer) const {
    std::vector<char> zawijane;
    bool uwagaZawijana = false;
    double komorek = 0;
    double h = 0;
    for (size_t i = n; i < t.wiersze.size() && (i == n || !t.wiersze[i].pierwszyWGrupie); ++i) {
        h += wysokoscWiersza(t, t.wiersze[i], szer, zawijane, &uwagaZawijana, &komorek);
    }
    return h <= (m_dol - m_gora) / 2 ? h : 0;
}

void Skladacz::tabela(const Tabela& t) {
    const std::vector<double> szer = szerokosci(t);
    const double odstep = mm(1.2);
    std::vector<char> zawijane;
    bool uwagaZawijana = false;
    double wysokoscKomorek = 0;
    const double pierwszy = t.wiersze.empty()
                                ? 0
                                : wysokoscWiersza(t, t.wiersze.front(), szer, zawijane,
                                                  &uwagaZawijana, &wysokoscKomorek);
    zmiesc(wysokoscLinii(kGruba) + 2 * odstep + pierwszy);
    naglowekTabeli(t, szer);
    // Below the header on a page of its own.
    const double strona =
        m_dol - m_gora - wysokoscLinii(t.czcionka == kMala ? kMalaGruba : kGruba) - 2 * odstep;
    for (size_t n = 0; n < t.wiersze.size(); ++n) {
        const Wiersz& w = t.wiersze[n];
        double h = wysokoscWiersza(t, w, szer, zawijane, &uwagaZawijana, &wysokoscKomorek);
        // A comment longer than a page goes on line by line below its match's cells.
        const bool dlugaUwaga = h > strona && !w.uwaga.isEmpty();
        if (dlugaUwaga) {
            h = wysokoscKomorek + 2 * odstep;
        }
        if (m_y + h > m_dol || (w.pierwszyWGrupie && m_y + wysokoscGrupy(t, n, szer) > m_dol)) {
            nowaStrona();
            naglowekTabeli(t, szer);
        }
        if (w.pierwszyWGrupie) {
            kreska(QLineF(0, m_y, m_szerokosc, m_y), kCiemnaKreska);
        }
        double x = 0;
        for (size_t i = 0; i < szer.size() && i < static_cast<size_t>(w.komorki.size()); ++i) {
            const bool gruba = w.pierwszyWGrupie && i < 2;
            const Czcionka c = gruba ? (t.czcionka == kMala ? kMalaGruba : kGruba) : t.czcionka;
            const QString& tekst = w.komorki[static_cast<qsizetype>(i)];
            napis(QRectF(x + odstep, m_y + odstep, szer[i] - 2 * odstep, h - 2 * odstep), c,
                  t.kolumny[i].wyrownanie, tekst, zawijane[i] != 0);
            x += szer[i];
        }
        // Under the pairing, indented past the date.
        const double lewa = szer.empty() ? 0 : szer.front();
        if (dlugaUwaga) {
            m_y += wysokoscKomorek + odstep;
            for (const auto& [kawalek, hLinii] :
                 linie(w.uwaga, kKursywa, m_szerokosc - lewa - 2 * odstep)) {
                if (m_y + hLinii > m_dol) {
                    nowaStrona();
                    naglowekTabeli(t, szer);
                }
                napis(QRectF(lewa + odstep, m_y, m_szerokosc - lewa - 2 * odstep, hLinii), kKursywa,
                      Qt::AlignLeft, kawalek, false, kKolorUwagi);
                m_y += hLinii;
            }
            m_y += odstep;
            kreska(QLineF(0, m_y, m_szerokosc, m_y), kSzaraKreska);
            continue;
        }
        if (!w.uwaga.isEmpty()) {
            napis(QRectF(lewa + odstep, m_y + odstep + wysokoscKomorek,
                         m_szerokosc - lewa - 2 * odstep, h - wysokoscKomorek - 2 * odstep),
                  kKursywa, Qt::AlignLeft, w.uwaga, uwagaZawijana, kKolorUwagi);
        }
        m_y += h;
        kreska(QLineF(0, m_y, m_szerokosc, m_y), kSzaraKreska);
    }
}

void Skladacz::wykres(const std::vector<sezony::Sezon>& sezony) {
    const double wysokoscWykresu = mm(62);
    zmiesc(wysokoscWykresu);
    const double gora = m_y;
    const double linia = wysokoscLinii(kMala);

    // The legend across the top.
    double x = mm(12);
    for (size_t r = 0; r < kKoloryWynikow.size(); ++r) {
        pole(QRectF(x, gora + linia * 0.2, linia * 0.7, linia * 0.7), kKoloryWynikow[r]);
        const QString nazwa = QString::fromUtf8(kNazwyWynikow[r]);
        napis(QRectF(x + linia, gora, mm(30), linia), kMala, Qt::AlignLeft, nazwa);
        x += linia + m_miary[kMala].horizontalAdvance(nazwa) + mm(6);
    }

    const double lewa = mm(12);
    const double gorny = gora + linia + mm(4);
    const double dolny = gora + wysokoscWykresu - linia - mm(4);
    const double szerokosc = m_szerokosc - lewa;
    int najwiekszy = 1;
    for (const sezony::Sezon& s : sezony) {
        najwiekszy = std::max({najwiekszy, s.zwyciestwa, s.remisy, s.porazki});
    }
    const double krok = krokOsi(najwiekszy);
    const double szczyt = std::ceil(najwiekszy / krok) * krok;
    const auto yDla = [&](double wartosc) { return dolny - (dolny - gorny) * wartosc / szczyt; };
    for (double v = 0; v <= szczyt + krok / 2; v += krok) {
        const double y = yDla(v);
        kreska(QLineF(lewa, y, m_szerokosc, y), v == 0 ? kCiemnaKreska : kSzaryNaglowka);
        napis(QRectF(0, y - linia / 2, lewa - mm(1.5), linia), kMala, Qt::AlignRight,
              QString::number(v, 'f', krok < 1 ? 1 : 0));
    }

    // A few seasons do not make the bars fat.
    const double grupa = szerokosc / std::max<double>(static_cast<double>(sezony.size()), 6.0);
    const double slupek = grupa * 0.75 / 3;
    for (size_t i = 0; i < sezony.size(); ++i) {
        const sezony::Sezon& s = sezony[i];
        const double x0 = lewa + grupa * static_cast<double>(i) + grupa * 0.125;
        const std::array<int, 3> liczby = {s.zwyciestwa, s.remisy, s.porazki};
        for (size_t r = 0; r < 3; ++r) {
            const double xs = x0 + slupek * static_cast<double>(r);
            const double y = yDla(liczby[r]);
            pole(QRectF(xs, y, slupek * 0.9, dolny - y), kKoloryWynikow[r]);
            napis(QRectF(xs - mm(2), y - linia, slupek * 0.9 + mm(4), linia), kMala,
                  Qt::AlignHCenter, QString::number(liczby[r]));
        }
        napis(QRectF(lewa + grupa * static_cast<double>(i), dolny + mm(1), grupa, linia), kMala,
              Qt::AlignHCenter, s.sezon);
    }
    m_y = gora + wysokoscWykresu + mm(3);
}

void Skladacz::rysujTekst(QPainter& p, const Napis& n) const {
    if (p.pen().color() != n.kolor) {
        p.setPen(n.kolor);
    }
    if (!n.zawijany) {
        // On its baseline: the rectangle form lays the text out once more.
        if (p.font() != m_czcionki[n.czcionka]) {
            p.setFont(m_czcionki[n.czcionka]);
        }
        const QFontMetricsF& miary = m_miary[n.czcionka];
        double x = n.prost.left();
        if (n.wyrownanie & (Qt::AlignRight | Qt::AlignHCenter)) {
            const double luz = n.prost.width() - miary.horizontalAdvance(n.tekst);
            x += (n.wyrownanie & Qt::AlignRight) ? luz : luz / 2;
        }
        p.drawText(QPointF(x, n.prost.top() + miary.ascent()), n.tekst);
        return;
    }
    QTextLayout uklad(doUkladu(n.tekst), m_czcionki[n.czcionka], m_urzadzenie);
    uklad.setTextOption(opcjeZawijania(n.wyrownanie));
    double y = 0;
    uklad.beginLayout();
    for (QTextLine linia = uklad.createLine(); linia.isValid(); linia = uklad.createLine()) {
        linia.setLineWidth(n.prost.width());
        linia.setPosition(QPointF(0, y));
        y += linia.height();
    }
    uklad.endLayout();
    uklad.draw(&p, n.prost.topLeft());
}

void Skladacz::rysujNaglowekIStopke(QPainter& p, int strona, int stron) const {
    const double linia = wysokoscLinii(kGruba);
    p.setPen(Qt::black);
    p.setFont(m_czcionki[kGruba]);
    p.drawText(QRectF(0, 0, m_szerokosc, linia), Qt::AlignLeft | Qt::AlignTop, m_strona.lewy);
    p.drawText(QRectF(0, 0, m_szerokosc, linia), Qt::AlignRight | Qt::AlignTop, m_strona.prawy);
    rysujTekst(p, {QRectF(0, linia, m_szerokosc, m_wysokoscOpisu), kMala, Qt::AlignLeft,
                   m_strona.opis, true, Qt::black});
    QPen pioro(kCiemnaKreska);
    pioro.setWidthF(mm(0.25));
    p.setPen(pioro);
    const double podNaglowkiem = linia + m_wysokoscOpisu + mm(1.5);
    p.drawLine(QLineF(0, podNaglowkiem, m_szerokosc, podNaglowkiem));

    const double stopka = m_urzadzenie->height() - wysokoscLinii(kMala);
    p.drawLine(QLineF(0, stopka - mm(1.5), m_szerokosc, stopka - mm(1.5)));
    p.setPen(Qt::black);
    p.setFont(m_czcionki[kMala]);
    const QRectF pasek(0, stopka, m_szerokosc, wysokoscLinii(kMala));
    p.drawText(pasek, Qt::AlignLeft | Qt::AlignTop, m_strona.stopka);
    p.drawText(pasek, Qt::AlignRight | Qt::AlignTop,
               QStringLiteral("strona %1 z %2").arg(strona).arg(stron));
}

int Skladacz::rysuj() {
    QPainter p;
    if (!p.begin(m_urzadzenie)) {
        return 0;
    }
    const int stron = static_cast<int>(m_strony.size());
    QPen cienka;
    cienka.setWidthF(mm(0.15));
    for (int i = 0; i < stron; ++i) {
        if (i > 0) {
            m_urzadzenie->newPage();
        }
        const Zawartosc& z = m_strony[static_cast<size_t>(i)];
        for (const Pole& pole : z.pola) {
            p.fillRect(pole.prost, pole.kolor);
        }
        for (const Kreska& k : z.kreski) {
            cienka.setColor(k.kolor);
            p.setPen(cienka);
            p.drawLine(k.linia);
        }
        for (const Napis& n : z.napisy) {
            rysujTekst(p, n);
        }
        rysujNaglowekIStopke(p, i + 1, stron);
    }
    p.end();
    return stron;
}

}  // namespace sklad
