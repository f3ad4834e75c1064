#include "report/RaportPdf.h"

#include "data/Mirvola.h"
#include "report/Skladanie.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace raport {
namespace {

using sklad::Kolumna;
using sklad::Skladacz;
using sklad::Tabela;
using sklad::Wiersz;

constexpr double kMarginesMm = 15.0;
// Seasons in one chart: more would squeeze the bars; a longer period gets several charts.
constexpr size_t kSezonowNaWykres = 12;

// "1 mecz", "3 mecze", "12 meczów", "22 mecze".
QString liczbaMeczow(int n) {
    const int jednosci = n % 10;
    const int dziesiatki = n % 100 / 10;
    const QString slowo = n == 1 ? QStringLiteral("mecz")
                          : (jednosci >= 2 && jednosci <= 4 && dziesiatki != 1)
                              ? QStringLiteral("mecze")
                              : QStringLiteral("meczów");
    return QString::number(n) + u' ' + slowo;
}

QString liczbaZProcentem(int liczba, int procent) {
    return QStringLiteral("%1 (%2%)").arg(liczba).arg(procent);
}

void Podsumowanie(Skladacz& s, const Raport& r) {
    const raport::Podsumowanie& p = r.podsumowanie;
    if (!r.opis.wszystkieSezony.isEmpty()) {
        s.akapit(QStringLiteral("Sezony: ") + r.opis.wszystkieSezony.join(QStringLiteral(", ")),
                 sklad::kZwykla);
    }
    s.akapit(QStringLiteral("Mecze, na których byłem: %1").arg(p.mecze), sklad::kZwykla);
    s.akapit(QStringLiteral("Bramki: strzelone %1, stracone %2").arg(p.strzelone).arg(p.stracone),
             sklad::kZwykla);
    s.odstep(2.0);
    Tabela t;
    t.kolumny = {{QStringLiteral("Bilans"), 0, Qt::AlignLeft},
                 {QStringLiteral("Zwycięstwa"), 30, Qt::AlignRight},
                 {QStringLiteral("Remisy"), 30, Qt::AlignRight},
                 {QStringLiteral("Porażki"), 30, Qt::AlignRight},
                 {QStringLiteral("Razem"), 30, Qt::AlignRight}};
    for (const PanelBilansu& panel : p.panele) {
        const bilans::Panel& b = panel.panel;
        t.wiersze.push_back({{panel.nazwa, liczbaZProcentem(b.liczby[0], b.procenty[0]),
                              liczbaZProcentem(b.liczby[1], b.procenty[1]),
                              liczbaZProcentem(b.liczby[2], b.procenty[2]),
                              liczbaZProcentem(b.razem(), b.procenty[3])}});
    }
    s.tabela(t);
}

void Mecze(Skladacz& s, const Raport& r) {
    if (r.mecze.empty()) {
        s.akapit(QStringLiteral("Brak meczów."), sklad::kZwykla);
        return;
    }
    for (const SezonMeczow& sezon : r.mecze) {
        Tabela t;
        t.kolumny = {{QStringLiteral("Data"), 19, Qt::AlignLeft},
                     {QStringLiteral("Mecz"), 58, Qt::AlignLeft},
                     {QStringLiteral("Wynik"), 12, Qt::AlignHCenter},
                     {QStringLiteral("Rozgrywki"), 25, Qt::AlignLeft},
                     {QStringLiteral("Strzelcy Mirvoli"), 0, Qt::AlignLeft}};
        t.czcionka = sklad::kMala;
        for (const MeczRaportu& m : sezon.mecze) {
            Wiersz w{{m.mecz.data.toString(QStringLiteral("yyyy-MM-dd")), m.mecz.para, m.mecz.wynik,
                      m.mecz.rozgrywki, m.strzelcy}};
            if (r.wybor.komentarze && !m.mecz.komentarz.isEmpty()) {
                w.uwaga = m.mecz.komentarz;
            }
            t.wiersze.push_back(std::move(w));
        }
        s.podtytul(QStringLiteral("Sezon %1 – %2")
                       .arg(sezon.sezon, liczbaMeczow(static_cast<int>(sezon.mecze.size()))));
        s.tabela(t);
        s.odstep(3.0);
    }
}

void Strzelcy(Skladacz& s, const Raport& r) {
    s.akapit(QStringLiteral("Bramki dla Mirvoli Wendrow bez samobójczych, jak w statystykach "
                            "piłkarzy."),
             sklad::kMala);
    if (r.strzelcy.empty()) {
        s.akapit(QStringLiteral("Brak bramek."), sklad::kZwykla);
        return;
    }
    Tabela t;
    t.kolumny = {{QStringLiteral("Lp."), 12, Qt::AlignRight},
                 {QStringLiteral("Piłkarz"), 0, Qt::AlignLeft},
                 {QStringLiteral("Gole"), 20, Qt::AlignRight}};
    int lp = 0;
    for (const pilkarze::Strzelec& strzelec : r.strzelcy) {
        t.wiersze.push_back(
            {{QString::number(++lp) + u'.', strzelec.zawodnik, QString::number(strzelec.bramki)}});
    }
    s.tabela(t);
}

void Rekordy(Skladacz& s, const Raport& r) {
    Tabela t;
    t.kolumny = {{QStringLiteral("Rekord"), 38, Qt::AlignLeft},
                 {QStringLiteral("Wartość"), 14, Qt::AlignHCenter},
                 {QStringLiteral("Szczegóły"), 26, Qt::AlignLeft},
                 {QStringLiteral("Data"), 19, Qt::AlignLeft},
                 {QStringLiteral("Mecz"), 0, Qt::AlignLeft},
                 {QStringLiteral("Wynik"), 11, Qt::AlignHCenter},
                 {QStringLiteral("Rozgrywki"), 22, Qt::AlignLeft}};
    t.czcionka = sklad::kMala;
    for (const rekordy::Rekord& rekord : r.rekordy) {
        const size_t wierszy = std::max<size_t>(1, rekord.pozycje.size());
        for (size_t i = 0; i < wierszy; ++i) {
            Wiersz w;
            w.komorki = QStringList(7, QString());
            if (i == 0) {
                w.komorki[0] = rekord.nazwa;
                w.komorki[1] = rekord.tekstWartosci();
                w.pierwszyWGrupie = true;
            }
            if (rekord.wartosc) {
                w.komorki[2] = rekordy::OpisPozycji(rekord, i);
                if (const auto& mecz = rekord.pozycje[i].mecz) {
                    w.komorki[3] = mecz->data.toString(QStringLiteral("yyyy-MM-dd"));
                    w.komorki[4] = mecz->para;
                    w.komorki[5] = mecz->wynik;
                    w.komorki[6] = mecz->rozgrywki;
                }
            }
            t.wiersze.push_back(std::move(w));
        }
    }
    s.tabela(t);
}

void Wykres(Skladacz& s, const Raport& r) {
    for (size_t od = 0; od < r.sezony.size(); od += kSezonowNaWykres) {
        const size_t doK = std::min(r.sezony.size(), od + kSezonowNaWykres);
        s.wykres(std::vector<sezony::Sezon>(r.sezony.begin() + static_cast<qsizetype>(od),
                                            r.sezony.begin() + static_cast<qsizetype>(doK)));
    }
}

void Sklad(Skladacz& s, const Raport& r) {
    int numer = 0;
    const auto sekcja = [&](Sekcja k, const std::function<void()>& tresc) {
        if (!r.wybor.sekcje[k] || (k == kWykres && !r.wykres())) {
            return;
        }
        s.tytulSekcji(QStringLiteral("%1. ").arg(++numer) + TytulSekcji(k));
        tresc();
        s.odstep(6.0);
    };
    sekcja(kPodsumowanie, [&] { Podsumowanie(s, r); });
    sekcja(kMecze, [&] { Mecze(s, r); });
    sekcja(kStrzelcy, [&] { Strzelcy(s, r); });
    sekcja(kRekordy, [&] { Rekordy(s, r); });
    sekcja(kWykres, [&] { Wykres(s, r); });
}

QString bladPliku(const QString& sciezka) {
    return QStringLiteral("Nie można zapisać pliku %1: %2")
        .arg(QDir::toNativeSeparators(sciezka), QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

QPageSize RozmiarStrony(const QLocale& locale) {
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                             : QPageSize::A4);
}

void UstawStrone(QPagedPaintDevice* urzadzenie, const QLocale& locale) {
    urzadzenie->setPageLayout(QPageLayout(
        RozmiarStrony(locale), QPageLayout::Portrait,
        QMarginsF(kMarginesMm, kMarginesMm, kMarginesMm, kMarginesMm), QPageLayout::Millimeter));
}

int Rysuj(const Raport& raport, QPagedPaintDevice* urzadzenie, const QDate& dataWydruku) {
    sklad::Strona naglowek;
    naglowek.lewy = QStringLiteral("Mirvola Wendrow – raport");
    naglowek.prawy = raport.opis.sezony;
    naglowek.opis = QStringLiteral("Rozgrywki: %1. Miejsca: %2.")
                        .arg(raport.opis.rozgrywki, raport.opis.miejsca);
    naglowek.stopka = QStringLiteral("Wydrukowano ") + Mirvola::DataSlownie(dataWydruku);
    Skladacz s(urzadzenie, naglowek);
    Sklad(s, raport);
    return s.rysuj();
}

int ZapiszPdf(const Raport& raport, const QString& sciezka, bool nadpisz,
              const QDate& dataWydruku) {
    const QFileInfo cel(sciezka);
    if (!nadpisz && cel.exists()) {
        throw BladZapisu(
            QStringLiteral("Plik %1 już istnieje.").arg(QDir::toNativeSeparators(sciezka)));
    }
    // In the target's folder, so that the finished file takes its name in one rename or link.
    QTemporaryFile tymczasowy(cel.absolutePath() + QStringLiteral("/.") + cel.fileName() +
                              QStringLiteral(".XXXXXX"));
    if (!tymczasowy.open()) {
        throw BladZapisu(
            QStringLiteral("Nie można utworzyć pliku tymczasowego w folderze %1: %2")
                .arg(QDir::toNativeSeparators(cel.absolutePath()), tymczasowy.errorString()));
    }
    int stron = 0;
    {
        QPdfWriter pdf(&tymczasowy);
        pdf.setCreator(QStringLiteral("Mirvola"));
        pdf.setTitle(QStringLiteral("Mirvola Wendrow – raport: ") + raport.opis.sezony);
        UstawStrone(&pdf);
        stron = Rysuj(raport, &pdf, dataWydruku);
    }
    if (tymczasowy.error() != QFileDevice::NoError || !tymczasowy.flush() ||
        ::fsync(tymczasowy.handle()) != 0) {
        throw BladZapisu(bladPliku(tymczasowy.fileName()));
    }
    tymczasowy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QByteArray z = QFile::encodeName(tymczasowy.fileName());
    const QByteArray na = QFile::encodeName(cel.absoluteFilePath());
    // A link does not replace a file that appeared meanwhile; a rename does, when asked to.
    const int wynik = nadpisz ? std::rename(z.constData(), na.constData())
                              : ::link(z.constData(), na.constData());
    if (wynik != 0) {
        if (errno == EEXIST) {
            throw BladZapisu(
                QStringLiteral("Plik %1 już istnieje.").arg(QDir::toNativeSeparators(sciezka)));
        }
        throw BladZapisu(bladPliku(sciezka));
    }
    if (nadpisz) {
        tymczasowy.setAutoRemove(false);  // it is the target now
    }
    return stron;
}

}  // namespace raport
