#include "data/Rekordy.h"

#include "data/engine/Database.h"
#include "data/engine/Recordset.h"

#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <unordered_map>

namespace rekordy {
namespace {

using wybor::Mecz;
using wybor::Rezultat;

// Goals for the home club that are not own goals, per match and scorer. A goal whose kind or
// scorer row is missing cannot be told apart from an own goal or named, so it does not count,
// as in the player statistics.
const QString kZapytanieBramek = QStringLiteral(
    "SELECT Bramki.Id_meczu, Bramki.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), "
    "Gracze.Przydomek, Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', "
    "' ' & Gracze.Przydomek))) AS Zawodnik, Count(Bramki.Id_gracza) AS Bramek FROM Jak INNER "
    "JOIN (Gracze INNER JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = "
    "Bramki.Id_jak WHERE Jak.CzySam = False AND Bramki.Czy_Mirvola = True GROUP BY "
    "Bramki.Id_meczu, Bramki.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, "
    "Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & "
    "Gracze.Przydomek)))");

QString nazwa(Rodzaj rodzaj) {
    switch (rodzaj) {
        case Rodzaj::NajwyzszeZwyciestwo:
            return QStringLiteral("Najwyższe zwycięstwo");
        case Rodzaj::NajwyzszaPorazka:
            return QStringLiteral("Najwyższa porażka");
        case Rodzaj::NajwiecejBramek:
            return QStringLiteral("Najwięcej bramek w meczu");
        case Rodzaj::SeriaZwyciestw:
            return QStringLiteral("Najdłuższa seria zwycięstw");
        case Rodzaj::SeriaBezPorazki:
            return QStringLiteral("Najdłuższa seria bez porażki");
        case Rodzaj::SeriaBezZwyciestwa:
            return QStringLiteral("Najdłuższa seria bez zwycięstwa");
        case Rodzaj::NajczestszyRywal:
            return QStringLiteral("Najwięcej meczów z jednym rywalem");
        case Rodzaj::NajlepszyStrzelec:
            return QStringLiteral("Najwięcej bramek zawodnika w meczu");
    }
    return QString();
}

Rekord pusty(Rodzaj rodzaj) {
    Rekord r;
    r.rodzaj = rodzaj;
    r.nazwa = nazwa(rodzaj);
    return r;
}

// The matches with the largest positive measure, every tie in chronological order. A match
// without a measure (nullopt) or with 0 does not qualify: a record of no goals is no record.
Rekord Najwiekszy(const std::vector<Mecz>& mecze, Rodzaj rodzaj, int znak,
                  const std::function<std::optional<int>(const Mecz&)>& miara) {
    Rekord r = pusty(rodzaj);
    int najwiekszy = 0;
    for (const Mecz& m : mecze) {
        const std::optional<int> wartosc = miara(m);
        if (!wartosc || *wartosc <= 0 || *wartosc < najwiekszy) {
            continue;
        }
        if (*wartosc > najwiekszy) {
            najwiekszy = *wartosc;
            r.pozycje.clear();
            r.mecze.clear();
        }
        r.pozycje.push_back({m, QString(), 0});
        r.mecze.push_back(m.idMeczu);
    }
    if (najwiekszy > 0) {
        r.wartosc = znak * najwiekszy;
    }
    return r;
}

// The earliest of the longest runs of consecutive matches whose result `nalezy` takes. A match
// without a score belongs to no run and so ends one.
Rekord Seria(const std::vector<Mecz>& mecze, Rodzaj rodzaj,
             const std::function<bool(Rezultat)>& nalezy) {
    Rekord r = pusty(rodzaj);
    size_t najStart = 0;
    size_t najDlugosc = 0;
    size_t start = 0;
    size_t dlugosc = 0;
    for (size_t i = 0; i < mecze.size(); ++i) {
        const Rezultat rezultat = mecze[i].rezultat();
        if (rezultat == Rezultat::BezWyniku || !nalezy(rezultat)) {
            dlugosc = 0;
            continue;
        }
        if (dlugosc == 0) {
            start = i;
        }
        if (++dlugosc > najDlugosc) {
            najDlugosc = dlugosc;
            najStart = start;
        }
    }
    if (najDlugosc == 0) {
        return r;
    }
    r.wartosc = static_cast<int>(najDlugosc);
    const size_t koniec = najStart + najDlugosc - 1;
    r.pozycje.push_back({mecze[najStart], QString(), 0});
    if (koniec != najStart) {
        r.pozycje.push_back({mecze[koniec], QString(), 0});
    }
    for (size_t i = najStart; i <= koniec; ++i) {
        r.mecze.push_back(mecze[i].idMeczu);
    }
    return r;
}

// Matches against a club whose row is gone have no name to show and are not counted.
Rekord NajczestszyRywal(const std::vector<Mecz>& mecze) {
    Rekord r = pusty(Rodzaj::NajczestszyRywal);
    std::unordered_map<qint64, std::pair<int, QString>> liczby;
    for (const Mecz& m : mecze) {
        if (m.druzyna) {
            auto& [liczba, druzyna] = liczby[m.idKlubu];
            ++liczba;
            druzyna = *m.druzyna;
        }
    }
    int najwiecej = 0;
    for (const auto& [id, wpis] : liczby) {
        najwiecej = std::max(najwiecej, wpis.first);
    }
    if (najwiecej == 0) {
        return r;
    }
    r.wartosc = najwiecej;
    for (const auto& [id, wpis] : liczby) {
        if (wpis.first == najwiecej) {
            r.pozycje.push_back({std::nullopt, wpis.second, id});
        }
    }
    std::sort(r.pozycje.begin(), r.pozycje.end(), [](const Pozycja& a, const Pozycja& b) {
        return wybor::mniejszyPolsko(a.kto, b.kto);
    });
    return r;
}

Rekord NajlepszyStrzelec(const std::vector<Mecz>& mecze,
                         const std::vector<BramkiZawodnika>& bramki) {
    Rekord r = pusty(Rodzaj::NajlepszyStrzelec);
    std::unordered_map<qint64, size_t> pozycjaMeczu;
    for (size_t i = 0; i < mecze.size(); ++i) {
        pozycjaMeczu.emplace(mecze[i].idMeczu, i);
    }
    int najwiecej = 0;
    std::vector<std::pair<size_t, QString>> najlepsi;  // the match's place, the player
    for (const BramkiZawodnika& b : bramki) {
        const auto mecz = pozycjaMeczu.find(b.idMeczu);
        if (mecz == pozycjaMeczu.end() || b.bramek <= 0 || b.bramek < najwiecej) {
            continue;
        }
        if (b.bramek > najwiecej) {
            najwiecej = b.bramek;
            najlepsi.clear();
        }
        najlepsi.emplace_back(mecz->second, b.zawodnik);
    }
    if (najwiecej == 0) {
        return r;
    }
    std::sort(najlepsi.begin(), najlepsi.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return wybor::mniejszyPolsko(a.second, b.second);
    });
    r.wartosc = najwiecej;
    for (const auto& [i, zawodnik] : najlepsi) {
        r.pozycje.push_back({mecze[i], zawodnik, 0});
        if (r.mecze.empty() || r.mecze.back() != mecze[i].idMeczu) {
            r.mecze.push_back(mecze[i].idMeczu);
        }
    }
    return r;
}

// A name stays inside its field of the line.
QString wJednymPolu(QString tekst) {
    return tekst.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
}

}  // namespace

bool jestSeria(Rodzaj rodzaj) {
    return rodzaj == Rodzaj::SeriaZwyciestw || rodzaj == Rodzaj::SeriaBezPorazki ||
           rodzaj == Rodzaj::SeriaBezZwyciestwa;
}

QString Rekord::tekstWartosci() const {
    if (!wartosc) {
        return QStringLiteral("brak");
    }
    if (rodzaj == Rodzaj::NajwyzszeZwyciestwo) {
        return u'+' + QString::number(*wartosc);
    }
    return QString::number(*wartosc);
}

std::vector<Rekord> LiczRekordy(const std::vector<Mecz>& mecze,
                                const std::vector<BramkiZawodnika>& bramki) {
    const auto roznica = [](Rezultat szukany) {
        return [szukany](const Mecz& m) -> std::optional<int> {
            if (m.rezultat() != szukany) {
                return std::nullopt;
            }
            return std::abs(m.bramkiMirvoli() - m.bramkiRywala());
        };
    };
    const auto sumaBramek = [](const Mecz& m) -> std::optional<int> {
        if (!m.maWynik()) {
            return std::nullopt;
        }
        return *m.wyn1 + *m.wyn2;
    };
    std::vector<Rekord> rekordy;
    rekordy.reserve(kRekordow);
    rekordy.push_back(
        Najwiekszy(mecze, Rodzaj::NajwyzszeZwyciestwo, 1, roznica(Rezultat::Zwyciestwo)));
    rekordy.push_back(Najwiekszy(mecze, Rodzaj::NajwyzszaPorazka, -1, roznica(Rezultat::Porazka)));
    rekordy.push_back(Najwiekszy(mecze, Rodzaj::NajwiecejBramek, 1, sumaBramek));
    rekordy.push_back(
        Seria(mecze, Rodzaj::SeriaZwyciestw, [](Rezultat r) { return r == Rezultat::Zwyciestwo; }));
    rekordy.push_back(
        Seria(mecze, Rodzaj::SeriaBezPorazki, [](Rezultat r) { return r != Rezultat::Porazka; }));
    rekordy.push_back(Seria(mecze, Rodzaj::SeriaBezZwyciestwa,
                            [](Rezultat r) { return r != Rezultat::Zwyciestwo; }));
    rekordy.push_back(NajczestszyRywal(mecze));
    rekordy.push_back(NajlepszyStrzelec(mecze, bramki));
    return rekordy;
}

std::vector<BramkiZawodnika> WczytajBramki(const QString& sciezka) {
    const auto baza = engine::Database::open(sciezka);
    const auto rs = baza->openRecordset(kZapytanieBramek);
    std::vector<BramkiZawodnika> bramki;
    bramki.reserve(static_cast<size_t>(rs->recordCount()));
    for (; !rs->eof(); rs->moveNext()) {
        bramki.push_back({rs->value(0).toLongLong(), rs->value(2).toString(),
                          static_cast<int>(rs->value(3).toLongLong())});
    }
    rs->close();
    baza->close();
    return bramki;
}

std::vector<Rekord> Rekordy(const QString& sciezka, const wybor::Filtr& filtr) {
    const std::vector<Mecz> mecze = wybor::WczytajMecze(sciezka, filtr);
    return LiczRekordy(mecze, WczytajBramki(sciezka));
}

QString OpisPozycji(const Rekord& r, size_t i) {
    if (!jestSeria(r.rodzaj)) {
        return r.pozycje[i].kto;
    }
    if (r.pozycje.size() == 1) {
        return QStringLiteral("cała seria");
    }
    return i == 0 ? QStringLiteral("początek serii") : QStringLiteral("koniec serii");
}

QString LiniaRekordu(const Rekord& rekord) {
    QString linia = wJednymPolu(rekord.nazwa) + u'\t' + rekord.tekstWartosci();
    if (!rekord.wartosc) {
        return linia;
    }
    QStringList pozycje;
    if (jestSeria(rekord.rodzaj)) {
        // Every match of the run, not only its ends.
        for (const qint64 id : rekord.mecze) {
            pozycje << QString::number(id);
        }
        return linia + u'\t' + pozycje.join(u',');
    }
    for (const Pozycja& p : rekord.pozycje) {
        switch (rekord.rodzaj) {
            case Rodzaj::NajczestszyRywal:
                pozycje << wJednymPolu(p.kto);
                break;
            case Rodzaj::NajlepszyStrzelec:
                pozycje << wJednymPolu(p.kto) + u'@' + QString::number(p.mecz->idMeczu);
                break;
            default:
                pozycje << QString::number(p.mecz->idMeczu);
        }
    }
    return linia + u'\t' + pozycje.join(u',');
}

}  // namespace rekordy
