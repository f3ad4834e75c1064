#include "data/Dolaczenie.h"

#include "data/DolaczenieWiersze.h"
#include "data/Duplikaty.h"
#include "data/engine/Connection.h"
#include "data/engine/Error.h"
#include "data/engine/FileBuild.h"
#include "data/engine/FileOps.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <sys/stat.h>

#include <utility>
#include <vector>

namespace dolaczenie {
namespace {

using duplikaty::kBrak;
using engine::Error;
namespace err = engine::err;

enum Rodzaj { kKluby, kGracze, kRozgrywki, kSezony, kJak, kSlownikow };

const std::array<QString, kSlownikow> kNazwySlownikow = {
    QStringLiteral("Kluby"), QStringLiteral("Gracze"), QStringLiteral("Rozgrywki"),
    QStringLiteral("Sezony"), QStringLiteral("Rodzaje goli")};

// Names of added entries the plan's line shows; more are counted only.
constexpr int kPokazaneNazwy = 5;

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

// ---- the files

Plan zaplanuj(const Wiersze& dziennik, const Wiersze& inny, const QString& plik) {
    Planista p(dziennik, inny);
    p.plan().plik = plik;
    return p.plan();
}

// Copies the whole database of `from` into the file `to` through SQLite's online backup.
void kopiuj(const engine::Connection& from, const QString& to) {
    const auto cel = engine::Connection::openNew(to);
    sqlite3_backup* kopia = sqlite3_backup_init(cel->handle(), "main", from.handle(), "main");
    if (kopia == nullptr) {
        throw cel->error(sqlite3_errcode(cel->handle()));
    }
    const int krok = sqlite3_backup_step(kopia, -1);
    const int koniec = sqlite3_backup_finish(kopia);
    if (krok != SQLITE_DONE) {
        throw engine::errorFromSqlite(krok);
    }
    if (koniec != SQLITE_OK) {
        throw cel->error(koniec);
    }
}

qint64 wierszy(const Wiersze& w, const QString& tabela) {
    if (tabela == u"Kluby")
        return static_cast<qint64>(w.kluby.size());
    if (tabela == u"Rozgrywki")
        return static_cast<qint64>(w.rozgrywki.size());
    if (tabela == u"Sezony")
        return static_cast<qint64>(w.sezony.size());
    if (tabela == u"Jak")
        return static_cast<qint64>(w.jak.size());
    if (tabela == u"Gracze")
        return static_cast<qint64>(w.gracze.size());
    if (tabela == u"Mecze")
        return static_cast<qint64>(w.mecze.size());
    return static_cast<qint64>(w.bramki.size());
}

// The merged file passes the integrity check and holds the diary's rows and the added ones.
void sprawdz(const QString& path, const Wiersze& przed, const Plan& plan) {
    const QString problemy = engine::checkDatabase(path);
    if (problemy != QStringLiteral("ok")) {
        throw Error(err::Corrupt,
                    QStringLiteral("Połączony dziennik nie przeszedł sprawdzenia: ") + problemy);
    }
    const auto db = engine::Connection::open(path, engine::Connection::Mode::ReadOnly);
    const std::array<std::pair<QString, qint64>, 7> oczekiwane = {{
        {QStringLiteral("Kluby"), plan.slowniki[kKluby].doDodania},
        {QStringLiteral("Gracze"), plan.slowniki[kGracze].doDodania},
        {QStringLiteral("Rozgrywki"), plan.slowniki[kRozgrywki].doDodania},
        {QStringLiteral("Sezony"), plan.slowniki[kSezony].doDodania},
        {QStringLiteral("Jak"), plan.slowniki[kJak].doDodania},
        {QStringLiteral("Mecze"), plan.meczeDoDodania},
        {QStringLiteral("Bramki"), plan.bramkiDoDodania},
    }};
    for (const auto& [tabela, dodane] : oczekiwane) {
        const qint64 jest = engine::files::rowCount(*db, tabela);
        if (jest != wierszy(przed, tabela) + dodane) {
            throw Error(err::Corrupt, QStringLiteral("Połączony dziennik ma %1 zamiast %2 wierszy "
                                                     "tabeli %3.")
                                          .arg(jest)
                                          .arg(wierszy(przed, tabela) + dodane)
                                          .arg(tabela));
        }
    }
}

bool tenSamPlik(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

bool Plan::pusty() const {
    if (meczeDoDodania > 0) {
        return false;
    }
    for (const Slownik& s : slowniki) {
        if (s.doDodania > 0) {
            return false;
        }
    }
    return true;
}

QStringList Plan::linie() const {
    QStringList l;
    l << QStringLiteral("Mecze do dodania: %1 (bramek: %2)")
             .arg(meczeDoDodania)
             .arg(bramkiDoDodania);
    l << QStringLiteral("Mecze pominięte, bo są już w dzienniku: %1").arg(meczePominiete);
    l << QStringLiteral("Mecze sprzeczne z dziennikiem, pozostawione bez zmian: %1")
             .arg(konflikty.size());
    for (const Slownik& s : slowniki) {
        QString linia = s.nazwa + QStringLiteral(" do dodania: ") + QString::number(s.doDodania);
        if (!s.dodawane.isEmpty()) {
            QStringList nazwy = s.dodawane.mid(0, kPokazaneNazwy);
            if (s.dodawane.size() > kPokazaneNazwy) {
                nazwy << QStringLiteral("...");
            }
            linia += QStringLiteral(" (") + nazwy.join(QStringLiteral(", ")) + u')';
        }
        l << linia + QStringLiteral(", już w dzienniku: ") + QString::number(s.wDzienniku);
    }
    l << QStringLiteral("Różnice oznaczeń (zostają oznaczenia z dziennika): %1")
             .arg(roznice.size());
    l << QStringLiteral("Odwołania do wierszy, których brak w dołączanym pliku (zostaną puste): %1")
             .arg(pusteOdwolania);
    if (!roznice.isEmpty()) {
        l << QStringLiteral("Różnice oznaczeń:");
        for (const QString& r : roznice) {
            l << QStringLiteral("- ") + r;
        }
    }
    if (!konflikty.isEmpty()) {
        l << QStringLiteral("Mecze sprzeczne z dziennikiem:");
        for (const QString& k : konflikty) {
            l << QStringLiteral("- ") + k;
        }
    }
    return l;
}

Plan przygotuj(const QString& dziennik, const QString& inny) {
    const Wiersze obce = wczytajPlik(inny);
    const auto db = engine::Connection::open(dziennik, engine::Connection::Mode::ReadOnly);
    db->exec("BEGIN");
    Wiersze wlasne;
    try {
        wlasne = wczytajZPolaczenia(db->handle());
    } catch (...) {
        db->exec("ROLLBACK");
        throw;
    }
    db->exec("COMMIT");
    return zaplanuj(wlasne, obce, inny);
}

Wynik dolacz(const QString& dziennik, const QString& inny) {
    const Wiersze obce = wczytajPlik(inny);
    // A diary kept as a symbolic link is changed where it really lies; the link stays.
    const QString plik = engine::realFile(dziennik);
    if (!QFileInfo::exists(plik)) {
        throw Error(err::FileNotFound, QStringLiteral("Nie można odnaleźć pliku ") +
                                           engine::quotedPath(dziennik) + u'.');
    }
    engine::files::refuseReadOnly(plik, QStringLiteral("nie można dołączyć do niego meczów"));
    // The diary to itself while it is merged into: no other connection, no other process.
    engine::Connection::closeIdle(engine::Connection::canonical(plik));
    const auto obecny = engine::Connection::open(plik);
    engine::files::lockExclusively(*obecny);
    engine::files::sweepLeftovers(plik);

    engine::files::BuildFile zbudowany(plik);
    kopiuj(*obecny, zbudowany.path());
    Wynik wynik;
    Wiersze wlasne;
    {
        const auto db = engine::Connection::openNew(zbudowany.path());
        wlasne = wczytajZPolaczenia(db->handle());
        Planista p(wlasne, obce);
        p.plan().plik = inny;
        wynik.plan = p.plan();
        if (wynik.plan.pusty()) {
            return wynik;  // the copy goes with `zbudowany`; the diary was not touched
        }
        db->exec("BEGIN");
        p.zapisz(*db);
        db->exec("COMMIT");
    }
    sprawdz(zbudowany.path(), wlasne, wynik.plan);
    // Nothing is replaced when the diary cannot be kept (err::DiskError).
    wynik.zachowany =
        engine::files::keepUnderFreeName(plik, [&](int n) { return keptName(plik, n); });
    try {
        // Replaced while the lock is still held: nobody can write into the old file meanwhile.
        zbudowany.replace(plik, engine::files::attributesOf(plik));
    } catch (const Error&) {
        // Still the diary as it was under its name: the kept name is not wanted. Once the new
        // file has the name, the kept one is all that is left of the old diary.
        if (tenSamPlik(wynik.zachowany, plik)) {
            QFile::remove(wynik.zachowany);
        }
        throw;
    }
    return wynik;
}

QString keptName(const QString& diaryPath, int n) {
    return diaryPath + QStringLiteral(".przed-dolaczeniem") +
           (n > 1 ? QString::number(n) : QString());
}

QString podsumowanie(const Wynik& wynik) {
    const Plan& p = wynik.plan;
    if (wynik.zachowany.isEmpty()) {
        return QStringLiteral(
                   "Dziennik zawiera już wszystko, co można dołączyć z pliku\n%1\n"
                   "Dziennik nie został zmieniony.")
            .arg(QFileInfo(p.plik).fileName());
    }
    QStringList dodane;
    dodane << QStringLiteral("mecze: %1").arg(p.meczeDoDodania)
           << QStringLiteral("bramki: %1").arg(p.bramkiDoDodania);
    for (const Slownik& s : p.slowniki) {
        dodane << s.nazwa.toLower() + QStringLiteral(": ") + QString::number(s.doDodania);
    }
    QString tekst = QStringLiteral(
                        "Mecze z pliku\n%1\nzostały dołączone do dziennika.\n\n"
                        "Dodano: %2.")
                        .arg(QFileInfo(p.plik).fileName(), dodane.join(QStringLiteral(", ")));
    if (p.meczePominiete > 0) {
        tekst += QStringLiteral("\nPominięto mecze, które już są w dzienniku: %1.")
                     .arg(p.meczePominiete);
    }
    if (!p.konflikty.isEmpty()) {
        tekst += QStringLiteral("\nPozostawiono bez zmian mecze sprzeczne z dziennikiem: %1.")
                     .arg(p.konflikty.size());
    }
    return tekst + QStringLiteral("\n\nDziennik sprzed dołączenia zachowano w pliku\n%1")
                       .arg(QFileInfo(wynik.zachowany).fileName());
}

}  // namespace dolaczenie
