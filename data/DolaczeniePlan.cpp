#include "data/DolaczeniePlan.h"

#include "data/Duplikaty.h"
#include "data/engine/Connection.h"

#include <QHash>

#include <sqlite3.h>

#include <array>
#include <utility>
#include <vector>

namespace dolaczenie {
namespace {

using duplikaty::kBrak;
enum Rodzaj { kKluby, kGracze, kRozgrywki, kSezony, kJak, kSlownikow };

const std::array<QString, kSlownikow> kNazwySlownikow = {
    QStringLiteral("Kluby"), QStringLiteral("Gracze"), QStringLiteral("Rozgrywki"),
    QStringLiteral("Sezony"), QStringLiteral("Rodzaje goli")};

qint64 odwolanie(const QVariant& v) {
    return v.isNull() ? kBrak : v.toLongLong();
}

bool flaga(const QVariant& v) {
    return !v.isNull() && v.toLongLong() != 0;
}

QString tekst(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

// The player as the lists show him (first name, surname and nickname; the nickname alone
// without a surname).
QString zawodnik(const Osoba& o) {
    if (o.nazwisko.isNull()) {
        return tekst(o.przydomek).trimmed();
    }
    QString s = tekst(o.imie) + u' ' + tekst(o.nazwisko);
    if (!o.przydomek.isNull()) {
        s += u' ' + tekst(o.przydomek);
    }
    return s.trimmed();
}

const std::vector<Wpis>& wpisy(const Wiersze& w, Rodzaj r) {
    switch (r) {
        case kKluby:
            return w.kluby;
        case kRozgrywki:
            return w.rozgrywki;
        case kSezony:
            return w.sezony;
        default:
            return w.jak;
    }
}

QString miejsce(const QVariant& gdzie) {
    const QString kod = tekst(gdzie).toUpper();
    if (kod == u"D") {
        return QStringLiteral("u siebie");
    }
    if (kod == u"W") {
        return QStringLiteral("na wyjeździe");
    }
    return kod == u"N" ? QStringLiteral("na terenie neutralnym") : QStringLiteral("?");
}

QString wynik(const Spotkanie& m) {
    const auto bramki = [](const QVariant& v) {
        return v.isNull() ? QStringLiteral("?") : QString::number(v.toLongLong());
    };
    return bramki(m.wyn1) + u':' + bramki(m.wyn2);
}

// Names of one file's entries by id, for what the plan shows.
struct Nazwy {
    explicit Nazwy(const Wiersze& w) {
        for (const Rodzaj r : {kKluby, kRozgrywki, kSezony, kJak}) {
            for (const Wpis& e : wpisy(w, r)) {
                poId[r].insert(e.id, tekst(e.nazwa));
            }
        }
        for (const Osoba& o : w.gracze) {
            poId[kGracze].insert(o.id, zawodnik(o));
        }
    }
    QString operator()(Rodzaj r, const QVariant& id) const {
        return poId[r].value(odwolanie(id), QStringLiteral("(brak)"));
    }
    std::array<QHash<qint64, QString>, kSlownikow> poId;
};

// A match as the conflicts list names it: score, venue, competition, season.
QString opisMeczu(const Spotkanie& m, const Nazwy& n) {
    return wynik(m) + u' ' + miejsce(m.gdzie) + QStringLiteral(" (") + n(kRozgrywki, m.rozgrywki) +
           QStringLiteral(", ") + n(kSezony, m.sezon) + u')';
}

QString dzienIKlub(const QDate& dzien, qint64 klub) {
    return dzien.toString(Qt::ISODate) + u'|' + QString::number(klub);
}

// Goals of every match of a file: the first goal's index and the count, by match id.
QHash<qint64, std::pair<size_t, size_t>> bramkiMeczow(const Wiersze& w) {
    QHash<qint64, std::pair<size_t, size_t>> zakresy;
    for (size_t i = 0; i < w.bramki.size();) {
        size_t j = i;
        while (j < w.bramki.size() && w.bramki[j].mecz == w.bramki[i].mecz) {
            ++j;
        }
        zakresy.insert(w.bramki[i].mecz, {i, j - i});
        i = j;
    }
    return zakresy;
}

// ---- the plan

// The id first given under `klucz`; `id` when it is the first.
qint64 pierwszy(QHash<QString, qint64>& poKluczu, const QString& klucz, qint64 id) {
    const auto it = poKluczu.constFind(klucz);
    if (it != poKluczu.cend()) {
        return *it;
    }
    poKluczu.insert(klucz, id);
    return id;
}

// A match of the diary as the merge compares it.
struct MeczDziennika {
    const Spotkanie* wiersz;  // null for a match the plan adds
    const Spotkanie* zInnego;
    QString bramki;
};

class Planista {
  public:
    Planista(const Wiersze& dziennik, const Wiersze& inny)
        : m_dz(dziennik), m_inny(inny), m_nazwyDz(dziennik), m_nazwyInny(inny) {
        m_plan.rodzaj = inny.rodzaj;
        m_plan.obceObiekty = inny.obceObiekty;
        for (int r = 0; r < kSlownikow; ++r) {
            m_plan.slowniki[static_cast<size_t>(r)].nazwa = kNazwySlownikow[static_cast<size_t>(r)];
        }
        m_bramkiDz = bramkiMeczow(dziennik);
        m_bramkiInny = bramkiMeczow(inny);
        for (const Rodzaj r : {kSezony, kKluby, kRozgrywki, kJak}) {
            slownik(r);
        }
        gracze();
        indeksujMecze();
        for (const Spotkanie& m : inny.mecze) {
            mecz(m);
        }
    }

    Plan& plan() { return m_plan; }
    const Plan& wynik() const { return m_plan; }

    // Writes the planned rows through `db`, in the caller's transaction.
    void zapisz(const engine::Connection& db);

  private:
    // ---- dictionaries

    void slownik(Rodzaj r) {
        QHash<QString, qint64> poKluczu;
        for (const Wpis& e : wpisy(m_dz, r)) {
            m_kanoniczny[r].insert(e.id, pierwszy(poKluczu, duplikaty::kluczNazwy(e.nazwa), e.id));
            m_flagiDz[r].insert(e.id, flaga(e.flaga));
        }
        Slownik& s = m_plan.slowniki[r];
        for (const Wpis& e : wpisy(m_inny, r)) {
            const QString klucz = duplikaty::kluczNazwy(e.nazwa);
            if (const auto it = poKluczu.constFind(klucz); it != poKluczu.cend()) {
                m_mapa[r].insert(e.id, *it);
                if (*it > 0) {
                    ++s.wDzienniku;
                    porownajFlagi(r, e, *it);
                }
                continue;
            }
            const qint64 nowy = dodaj(r, &e);
            poKluczu.insert(klucz, nowy);
            m_mapa[r].insert(e.id, nowy);
            s.dodawane << tekst(e.nazwa);
        }
    }

    void porownajFlagi(Rodzaj r, const Wpis& e, qint64 id) {
        if (r != kRozgrywki && r != kJak) {
            return;
        }
        const bool wDzienniku = m_flagiDz[r].value(id);
        if (wDzienniku == flaga(e.flaga)) {
            return;
        }
        const auto slowo = [r](bool f) {
            if (r == kRozgrywki) {
                return f ? QStringLiteral("oficjalne") : QStringLiteral("nieoficjalne");
            }
            return f ? QStringLiteral("samobójczy") : QStringLiteral("nie samobójczy");
        };
        m_plan.roznice << (r == kRozgrywki ? QStringLiteral("Rozgrywki „")
                                           : QStringLiteral("Rodzaj gola „")) +
                              tekst(e.nazwa) + QStringLiteral("”: w dzienniku ") +
                              slowo(wDzienniku) + QStringLiteral(", w dołączanym pliku ") +
                              slowo(!wDzienniku);
    }

    // A new entry: a placeholder id (negative) until it is written.
    qint64 dodaj(Rodzaj r, const void* wiersz) {
        m_dodawane[r].push_back(wiersz);
        ++m_plan.slowniki[r].doDodania;
        return -static_cast<qint64>(m_dodawane[r].size());
    }

    void gracze() {
        QHash<QString, qint64> poKluczu;
        for (const Osoba& o : m_dz.gracze) {
            const QString klucz =
                duplikaty::kluczGracza(duplikaty::polaGracza(o.imie, o.nazwisko, o.przydomek));
            m_kanoniczny[kGracze].insert(o.id, pierwszy(poKluczu, klucz, o.id));
        }
        Slownik& s = m_plan.slowniki[kGracze];
        for (const Osoba& o : m_inny.gracze) {
            const QString klucz =
                duplikaty::kluczGracza(duplikaty::polaGracza(o.imie, o.nazwisko, o.przydomek));
            if (const auto it = poKluczu.constFind(klucz); it != poKluczu.cend()) {
                m_mapa[kGracze].insert(o.id, *it);
                s.wDzienniku += *it > 0 ? 1 : 0;
                continue;
            }
            const qint64 nowy = dodaj(kGracze, &o);
            poKluczu.insert(klucz, nowy);
            m_mapa[kGracze].insert(o.id, nowy);
            s.dodawane << zawodnik(o);
        }
    }

    // ---- references

    // A reference of the diary: to nothing when its row is missing. Entries the program takes
    // for one (namesakes) compare as the first of them, as the other file's entries do.
    qint64 wDzienniku(Rodzaj r, const QVariant& v) const {
        return m_kanoniczny[r].value(odwolanie(v), kBrak);
    }

    // A reference of the other file in the diary's ids; a row missing there is nothing, counted
    // in `puste`.
    qint64 zInnego(Rodzaj r, const QVariant& v, qint64& puste) const {
        if (v.isNull()) {
            return kBrak;
        }
        const auto it = m_mapa[r].constFind(v.toLongLong());
        if (it == m_mapa[r].cend()) {
            ++puste;
            return kBrak;
        }
        return *it;
    }

    // ---- matches

    template <class Odw>
    duplikaty::Mecz klucz(const Spotkanie& m, Odw&& odw) const {
        duplikaty::Mecz k;
        k.idSezonu = odw(kSezony, m.sezon);
        k.data = duplikaty::dzienMeczu(m.data);
        k.gdzie = tekst(m.gdzie);
        k.idKlubu = odw(kKluby, m.klub);
        k.wyn1 = odwolanie(m.wyn1);
        k.wyn2 = odwolanie(m.wyn2);
        k.idRozgrywki = odw(kRozgrywki, m.rozgrywki);
        return k;
    }

    template <class Odw>
    QString podpisBramek(const Wiersze& w, const QHash<qint64, std::pair<size_t, size_t>>& zakresy,
                         qint64 mecz, Odw&& odw) const {
        QString podpis;
        const auto [od, ile] = zakresy.value(mecz, {0, 0});
        for (size_t i = od; i < od + ile; ++i) {
            const Gol& g = w.bramki[i];
            podpis += QString::number(flaga(g.czyMirvola) ? 1 : 0) + u'/' +
                      QString::number(odw(kGracze, g.gracz)) + u'/' +
                      QString::number(odwolanie(g.minuta)) + u'/' +
                      QString::number(odw(kJak, g.jak)) + u';';
        }
        return podpis;
    }

    void indeksujMecze() {
        const auto odw = [this](Rodzaj r, const QVariant& v) { return wDzienniku(r, v); };
        for (const Spotkanie& m : m_dz.mecze) {
            const duplikaty::Mecz k = klucz(m, odw);
            zapamietaj(k, {&m, nullptr, podpisBramek(m_dz, m_bramkiDz, m.id, odw)});
        }
    }

    void zapamietaj(const duplikaty::Mecz& k, MeczDziennika opis) {
        const auto i = static_cast<qsizetype>(m_meczeDz.size());
        m_meczeDz.push_back(std::move(opis));
        m_poKluczu[duplikaty::kluczMeczu(k)].push_back(i);
        m_poDniu[dzienIKlub(k.data, k.idKlubu)].push_back(i);
    }

    void mecz(const Spotkanie& m) {
        qint64 puste = 0;
        const auto odw = [&](Rodzaj r, const QVariant& v) { return zInnego(r, v, puste); };
        const duplikaty::Mecz k = klucz(m, odw);
        const QString bramki = podpisBramek(m_inny, m_bramkiInny, m.id, odw);
        const QList<qsizetype> takieSame = m_poKluczu.value(duplikaty::kluczMeczu(k));
        if (!takieSame.isEmpty()) {
            for (const qsizetype i : takieSame) {
                if (m_meczeDz[static_cast<size_t>(i)].bramki == bramki) {
                    ++m_plan.meczePominiete;
                    return;
                }
            }
            konflikt(m, m_meczeDz[static_cast<size_t>(takieSame.front())], true);
            return;
        }
        const QList<qsizetype> tegoDnia = m_poDniu.value(dzienIKlub(k.data, k.idKlubu));
        if (!tegoDnia.isEmpty()) {
            konflikt(m, m_meczeDz[static_cast<size_t>(tegoDnia.front())], false);
            return;
        }
        m_meczeDodawane.push_back(&m);
        ++m_plan.meczeDoDodania;
        m_plan.bramkiDoDodania += static_cast<qint64>(m_bramkiInny.value(m.id, {0, 0}).second);
        m_plan.pusteOdwolania += puste;
        zapamietaj(k, {nullptr, &m, bramki});
    }

    void konflikt(const Spotkanie& m, const MeczDziennika& jest, bool tenSamWynik) {
        QString linia = duplikaty::dzienMeczu(m.data).toString(Qt::ISODate) + QStringLiteral(", ") +
                        m_nazwyInny(kKluby, m.klub) + QStringLiteral(": ");
        if (!jest.wiersz) {
            // Two matches of the other file itself: the first is added, this one is not.
            linia += QStringLiteral(
                         "w dołączanym pliku dwa mecze tego dnia; dodany zostanie %1, "
                         "pominięty %2%3")
                         .arg(opisMeczu(*jest.zInnego, m_nazwyInny), opisMeczu(m, m_nazwyInny),
                              tenSamWynik ? QStringLiteral(" (inne bramki)") : QString());
        } else if (tenSamWynik) {
            linia += QStringLiteral(
                         "ten sam mecz %1, inne bramki (w dzienniku %2, w dołączanym "
                         "pliku %3)")
                         .arg(opisMeczu(m, m_nazwyInny))
                         .arg(m_bramkiDz.value(jest.wiersz->id, {0, 0}).second)
                         .arg(m_bramkiInny.value(m.id, {0, 0}).second);
        } else {
            linia += QStringLiteral("w dzienniku ") + opisMeczu(*jest.wiersz, m_nazwyDz) +
                     QStringLiteral(", w dołączanym pliku ") + opisMeczu(m, m_nazwyInny);
        }
        m_plan.konflikty << linia;
    }

    const Wiersze& m_dz;
    const Wiersze& m_inny;
    const Nazwy m_nazwyDz;
    const Nazwy m_nazwyInny;
    Plan m_plan;
    QHash<qint64, std::pair<size_t, size_t>> m_bramkiDz;
    QHash<qint64, std::pair<size_t, size_t>> m_bramkiInny;
    std::array<QHash<qint64, qint64>, kSlownikow> m_kanoniczny;  // a diary id: its first namesake
    std::array<QHash<qint64, bool>, kSlownikow> m_flagiDz;
    std::array<QHash<qint64, qint64>, kSlownikow> m_mapa;  // the other's id: the diary's
    std::array<std::vector<const void*>, kSlownikow> m_dodawane;
    std::vector<MeczDziennika> m_meczeDz;
    QHash<QString, QList<qsizetype>> m_poKluczu;
    QHash<QString, QList<qsizetype>> m_poDniu;
    std::vector<const Spotkanie*> m_meczeDodawane;
};

// ---- writing

class Wstawianie {
  public:
    Wstawianie(const engine::Connection& db, const char* sql)
        : m_db(db), m_s(db, QByteArray(sql)) {}
    qint64 wstaw(std::initializer_list<QVariant> wartosci) {
        m_s.reset();
        int i = 1;
        for (const QVariant& v : wartosci) {
            m_s.bind(i++, v);
        }
        m_s.step();
        return sqlite3_last_insert_rowid(m_db.handle());
    }

  private:
    const engine::Connection& m_db;
    engine::Statement m_s;
};

QVariant id(qint64 v) {
    return v == kBrak ? QVariant() : QVariant(qlonglong(v));
}

void Planista::zapisz(const engine::Connection& db) {
    // Placeholders of added entries: the k-th addition (-k) gets the id the database gave it.
    std::array<std::vector<qint64>, kSlownikow> nowe;
    const auto rzeczywisty = [&](Rodzaj r, qint64 v) {
        return v < 0 && v != kBrak ? nowe[r][static_cast<size_t>(-v - 1)] : v;
    };
    struct Tabela {
        Rodzaj r;
        const char* sql;
        bool zFlaga;
    };
    // A missing flag takes the column's default, as the dictionaries window writes it.
    for (const Tabela& t :
         {Tabela{kSezony, "INSERT INTO Sezony (Sezon) VALUES (?1)", false},
          Tabela{kKluby, "INSERT INTO Kluby (Druzyna) VALUES (?1)", false},
          Tabela{kRozgrywki,
                 "INSERT INTO Rozgrywki (Nazwa, Oficjalny) VALUES (?1, coalesce(?2, -1))", true},
          Tabela{kJak, "INSERT INTO Jak (Jak, CzySam) VALUES (?1, coalesce(?2, 0))", true}}) {
        Wstawianie w(db, t.sql);
        for (const void* p : m_dodawane[t.r]) {
            const Wpis& e = *static_cast<const Wpis*>(p);
            const QVariant f = e.flaga.isNull() ? QVariant() : QVariant(flaga(e.flaga) ? -1 : 0);
            nowe[t.r].push_back(t.zFlaga ? w.wstaw({e.nazwa, f}) : w.wstaw({e.nazwa}));
        }
    }
    {
        Wstawianie w(db, "INSERT INTO Gracze (Imie, Nazwisko, Przydomek) VALUES (?1, ?2, ?3)");
        for (const void* p : m_dodawane[kGracze]) {
            const Osoba& o = *static_cast<const Osoba*>(p);
            nowe[kGracze].push_back(w.wstaw({o.imie, o.nazwisko, o.przydomek}));
        }
    }
    Wstawianie mecze(db,
                     "INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, "
                     "Id_rozgrywki, Komentarz) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    Wstawianie bramki(db,
                      "INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, "
                      "Id_jak) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    qint64 puste = 0;
    const auto odw = [&](Rodzaj r, const QVariant& v) {
        return id(rzeczywisty(r, zInnego(r, v, puste)));
    };
    for (const Spotkanie* m : m_meczeDodawane) {
        const qint64 nowy =
            mecze.wstaw({odw(kSezony, m->sezon), m->data, m->gdzie, odw(kKluby, m->klub), m->wyn1,
                         m->wyn2, odw(kRozgrywki, m->rozgrywki), m->komentarz});
        const auto [od, ile] = m_bramkiInny.value(m->id, {0, 0});
        for (size_t i = od; i < od + ile; ++i) {
            const Gol& g = m_inny.bramki[i];
            bramki.wstaw({qlonglong(nowy), g.nr, flaga(g.czyMirvola) ? -1 : 0,
                          odw(kGracze, g.gracz), g.minuta, odw(kJak, g.jak)});
        }
    }
}

}  // namespace

struct Scalanie::Dane : Planista {
    using Planista::Planista;
};

Scalanie::Scalanie(const Wiersze& dziennik, const Wiersze& inny, const QString& plik)
    : d(std::make_unique<Dane>(dziennik, inny)) {
    d->plan().plik = plik;
}

Scalanie::~Scalanie() = default;

const Plan& Scalanie::plan() const {
    return d->wynik();
}

void Scalanie::zapisz(const engine::Connection& db) {
    d->zapisz(db);
}

}  // namespace dolaczenie
