#include "data/DolaczenieWiersze.h"

#include "data/JetReader.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/Error.h"
#include "data/engine/SchemaGuard.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace dolaczenie {
namespace {

using engine::Error;
namespace err = engine::err;

// PRAGMA application_id of every diary of this program ('MVDB').
constexpr int kIdentyfikatorDziennika = 1297499202;

struct Zapytanie {
    explicit Zapytanie(sqlite3* db, const char* sql) : m_db(db) {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
        if (rc != SQLITE_OK) {
            throw engine::errorFromSqlite(rc, QString::fromUtf8(sqlite3_errmsg(db)));
        }
    }
    ~Zapytanie() { sqlite3_finalize(m_stmt); }
    Zapytanie(const Zapytanie&) = delete;
    Zapytanie& operator=(const Zapytanie&) = delete;

    bool krok() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            throw engine::errorFromSqlite(rc, QString::fromUtf8(sqlite3_errmsg(m_db)));
        }
        return false;
    }
    qint64 liczba(int i) const { return sqlite3_column_int64(m_stmt, i); }
    QVariant wartosc(int i) const {
        switch (sqlite3_column_type(m_stmt, i)) {
            case SQLITE_INTEGER:
                return QVariant(qlonglong(sqlite3_column_int64(m_stmt, i)));
            case SQLITE_FLOAT:
                return QVariant(sqlite3_column_double(m_stmt, i));
            case SQLITE_TEXT:
                return QVariant(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                      sqlite3_column_bytes(m_stmt, i)));
            case SQLITE_BLOB:
                return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, i)),
                                           sqlite3_column_bytes(m_stmt, i)));
            default:
                return QVariant();
        }
    }
    void wiaz(int i, const QByteArray& tekst) {
        sqlite3_bind_text(m_stmt, i, tekst.constData(), static_cast<int>(tekst.size()),
                          SQLITE_TRANSIENT);
    }

  private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

std::vector<Wpis> slownik(sqlite3* db, const char* sql) {
    std::vector<Wpis> wiersze;
    Zapytanie q(db, sql);
    while (q.krok()) {
        wiersze.push_back({q.liczba(0), q.wartosc(1), q.wartosc(2)});
    }
    return wiersze;
}

// ---- the old program's file

const jet::Table& tabela(const jet::OldDiary& dziennik, const char* nazwa) {
    return dziennik.table(QString::fromLatin1(nazwa));
}

// A row's values by column name.
class Kolumny {
  public:
    explicit Kolumny(const jet::Table& t) : m_t(t) {}
    QVariant operator()(const QVariantList& wiersz, const char* kolumna) const {
        const qsizetype i = m_t.columns.indexOf(QString::fromLatin1(kolumna));
        return i < 0 ? QVariant() : wiersz.value(i);
    }

  private:
    const jet::Table& m_t;
};

std::vector<Wpis> slownikJet(const jet::OldDiary& dziennik, const char* nazwa, const char* id,
                             const char* pole, const char* flaga) {
    const jet::Table& t = tabela(dziennik, nazwa);
    const Kolumny k(t);
    std::vector<Wpis> wiersze;
    for (const QVariantList& w : t.rows) {
        wiersze.push_back({k(w, id).toLongLong(), k(w, pole), flaga ? k(w, flaga) : QVariant()});
    }
    std::sort(wiersze.begin(), wiersze.end(),
              [](const Wpis& a, const Wpis& b) { return a.id < b.id; });
    return wiersze;
}

Wiersze zJet(const QString& path) {
    const jet::OldDiary dziennik = jet::readOldDiary(path);
    Wiersze w;
    w.rodzaj = QStringLiteral("dziennik dawnej wersji programu (") +
               jet::formatName(dziennik.format) + u')';
    w.kluby = slownikJet(dziennik, "Kluby", "Id_klubu", "Druzyna", nullptr);
    w.rozgrywki = slownikJet(dziennik, "Rozgrywki", "Id_rozgrywki", "Nazwa", "Oficjalny");
    w.sezony = slownikJet(dziennik, "Sezony", "Id_sezonu", "Sezon", nullptr);
    w.jak = slownikJet(dziennik, "Jak", "Id_jak", "Jak", "CzySam");
    {
        const jet::Table& t = tabela(dziennik, "Gracze");
        const Kolumny k(t);
        for (const QVariantList& r : t.rows) {
            w.gracze.push_back({k(r, "Id_gracza").toLongLong(), k(r, "Imie"), k(r, "Nazwisko"),
                                k(r, "Przydomek")});
        }
        std::sort(w.gracze.begin(), w.gracze.end(),
                  [](const Osoba& a, const Osoba& b) { return a.id < b.id; });
    }
    {
        const jet::Table& t = tabela(dziennik, "Mecze");
        const Kolumny k(t);
        for (const QVariantList& r : t.rows) {
            w.mecze.push_back({k(r, "Id_meczu").toLongLong(), k(r, "Id_sezonu"), k(r, "Data"),
                               k(r, "Gdzie"), k(r, "Id_klubu"), k(r, "Wyn1"), k(r, "Wyn2"),
                               k(r, "Id_rozgrywki"), k(r, "Komentarz")});
        }
        std::sort(w.mecze.begin(), w.mecze.end(),
                  [](const Spotkanie& a, const Spotkanie& b) { return a.id < b.id; });
    }
    {
        const jet::Table& t = tabela(dziennik, "Bramki");
        const Kolumny k(t);
        for (const QVariantList& r : t.rows) {
            w.bramki.push_back({k(r, "Id_meczu").toLongLong(), k(r, "Nr_pozycji"),
                                k(r, "Czy_Mirvola"), k(r, "Id_gracza"), k(r, "Minuta"),
                                k(r, "Id_jak")});
        }
        std::sort(w.bramki.begin(), w.bramki.end(), [](const Gol& a, const Gol& b) {
            return a.mecz != b.mecz ? a.mecz < b.mecz : a.nr.toLongLong() < b.nr.toLongLong();
        });
    }
    return w;
}

// ---- another diary of this program

struct Baza {
    sqlite3* db = nullptr;
    ~Baza() { sqlite3_close_v2(db); }
};

Error obcyPlik(const QString& path, const QString& dlaczego) {
    return Error(err::NotADatabase,
                 QStringLiteral("Plik ") + engine::quotedPath(path) + u' ' + dlaczego);
}

// The file is a diary of this program whose seven tables are tables (not views of something
// else under their names).
void sprawdzDziennik(sqlite3* db, const QString& path) {
    {
        Zapytanie q(db, "PRAGMA application_id");
        if (!q.krok() || q.liczba(0) != kIdentyfikatorDziennika) {
            throw obcyPlik(path, QStringLiteral("nie jest dziennikiem programu Mirvola ani "
                                                "dziennikiem jego dawnej wersji."));
        }
    }
    {
        Zapytanie q(db, "PRAGMA user_version");
        if (q.krok() && q.liczba(0) > engine::kNewestSchemaVersion) {
            throw obcyPlik(path, QStringLiteral("jest dziennikiem nowszej wersji programu "
                                                "Mirvola."));
        }
    }
    for (const char* nazwa : {"Sezony", "Kluby", "Rozgrywki", "Jak", "Gracze", "Mecze", "Bramki"}) {
        Zapytanie q(db, "SELECT type FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE");
        q.wiaz(1, QByteArray(nazwa));
        if (!q.krok() || q.wartosc(0).toString() != QStringLiteral("table")) {
            throw obcyPlik(path,
                           QStringLiteral("nie ma tabeli %1.").arg(QString::fromLatin1(nazwa)));
        }
    }
}

Wiersze zDziennika(const QString& path) {
    Baza baza;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &baza.db,
                                   SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        throw Error(err::CannotOpen,
                    QStringLiteral("Nie można otworzyć pliku ") + engine::quotedPath(path) + u'.');
    }
    sqlite3_extended_result_codes(baza.db, 1);
    // Whatever the file defines (views, triggers, functions named in its schema) must not run
    // on this connection: only its rows are wanted.
    engine::guardConnection(baza.db, engine::SchemaTrust::Guarded);
    try {
        sprawdzDziennik(baza.db, path);
        Zapytanie poczatek(baza.db, "BEGIN");  // one snapshot of every table
        poczatek.krok();
    } catch (const Error& e) {
        if (e.number() == err::NotADatabase && e.sqliteCode() != 0) {
            throw obcyPlik(path, QStringLiteral("nie jest bazą danych."));
        }
        throw;
    }
    Wiersze w = wczytajZPolaczenia(baza.db);
    w.rodzaj = QStringLiteral("dziennik programu Mirvola");
    for (const engine::ForeignObject& o : engine::objectsProgramDoesNotCreate(path)) {
        w.obceObiekty << o.describe();
    }
    return w;
}

}  // namespace

Wiersze wczytajZPolaczenia(sqlite3* db) {
    Wiersze w;
    w.kluby = slownik(db, "SELECT Id_klubu, Druzyna, NULL FROM main.Kluby ORDER BY Id_klubu");
    w.rozgrywki = slownik(
        db, "SELECT Id_rozgrywki, Nazwa, Oficjalny FROM main.Rozgrywki ORDER BY Id_rozgrywki");
    w.sezony = slownik(db, "SELECT Id_sezonu, Sezon, NULL FROM main.Sezony ORDER BY Id_sezonu");
    w.jak = slownik(db, "SELECT Id_jak, Jak, CzySam FROM main.Jak ORDER BY Id_jak");
    {
        Zapytanie q(db,
                    "SELECT Id_gracza, Imie, Nazwisko, Przydomek FROM main.Gracze ORDER BY "
                    "Id_gracza");
        while (q.krok()) {
            w.gracze.push_back({q.liczba(0), q.wartosc(1), q.wartosc(2), q.wartosc(3)});
        }
    }
    {
        Zapytanie q(db,
                    "SELECT Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki, "
                    "Komentarz FROM main.Mecze ORDER BY Id_meczu");
        while (q.krok()) {
            w.mecze.push_back({q.liczba(0), q.wartosc(1), q.wartosc(2), q.wartosc(3), q.wartosc(4),
                               q.wartosc(5), q.wartosc(6), q.wartosc(7), q.wartosc(8)});
        }
    }
    {
        Zapytanie q(db,
                    "SELECT Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak FROM "
                    "main.Bramki ORDER BY Id_meczu, Nr_pozycji");
        while (q.krok()) {
            w.bramki.push_back({q.liczba(0), q.wartosc(1), q.wartosc(2), q.wartosc(3), q.wartosc(4),
                                q.wartosc(5)});
        }
    }
    return w;
}

Wiersze wczytajPlik(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        throw Error(err::FileNotFound,
                    QStringLiteral("Nie można odnaleźć pliku ") + engine::quotedPath(path) + u'.');
    }
    if (!info.isFile()) {
        throw Error(err::CannotOpen, QStringLiteral("Nie można otworzyć pliku ") +
                                         engine::quotedPath(path) +
                                         QStringLiteral(": to nie jest plik."));
    }
    return jet::isJetFile(path) ? zJet(path) : zDziennika(path);
}

}  // namespace dolaczenie
