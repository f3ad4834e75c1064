#include "data/SezonyStatystyki.h"

#include <QHash>

#include <algorithm>

namespace sezony {
namespace {

void Dodaj(Sezon& s, const wybor::Mecz& m) {
    ++s.mecze;
    switch (m.rezultat()) {
        case wybor::Rezultat::BezWyniku:
            return;
        case wybor::Rezultat::Zwyciestwo:
            ++s.zwyciestwa;
            break;
        case wybor::Rezultat::Remis:
            ++s.remisy;
            break;
        case wybor::Rezultat::Porazka:
            ++s.porazki;
            break;
    }
    s.strzelone += m.bramkiMirvoli();
    s.stracone += m.bramkiRywala();
}

}  // namespace

std::vector<Sezon> LiczSezony(const std::vector<wybor::Mecz>& mecze) {
    // Gathered by name first: a diary has few seasons and many matches.
    QHash<QString, Sezon> nazwane;
    Sezon bezSezonu{kBezSezonu};
    for (const wybor::Mecz& m : mecze) {
        if (!m.sezon) {
            Dodaj(bezSezonu, m);
            continue;
        }
        Sezon& s = nazwane[*m.sezon];
        s.sezon = *m.sezon;
        Dodaj(s, m);
    }
    std::vector<Sezon> wynik(nazwane.cbegin(), nazwane.cend());
    std::sort(wynik.begin(), wynik.end(), [](const Sezon& a, const Sezon& b) {
        return wybor::mniejszyPolsko(a.sezon, b.sezon);
    });
    if (bezSezonu.mecze > 0) {
        wynik.push_back(bezSezonu);
    }
    return wynik;
}

std::vector<Sezon> Sezony(const QString& sciezka, const wybor::Filtr& filtr) {
    return LiczSezony(wybor::WczytajMecze(sciezka, filtr));
}

}  // namespace sezony
