// Every query a window issues, in the program's dialect exactly as the window builds it, and
// beside it the same rows written by hand for SQLite: LEFT JOINs in the order that lets SQLite
// use its indexes, SQLite's own operators, and the Polish collation only where names are
// ordered.

#include "Scale.h"

#include "data/Mirvola.h"
#include "data/engine/Database.h"
#include "data/engine/Recordset.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmStatystykiPilkarze.h"

#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace scale {
namespace {

QString n(qint64 value) {
    return QString::number(value);
}

// ---- the program's texts

const QString kLista = QStringLiteral(
    "SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie = 'W', Kluby.Druzyna & ' - "
    "Mirvola Wendrow' ,'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, Mecze.Wyn1 & ':' & "
    "Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, Rozgrywki.Oficjalny, Mecze.Komentarz FROM Rozgrywki "
    "RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) "
    "ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE "
    "Rozgrywki.Oficjalny ");
const QString kListaOgon = QStringLiteral(" ORDER BY Sezony.Sezon DESC, Mecze.Data DESC");

const QString kMecze = QStringLiteral(
    "SELECT Mecze.Id_meczu, Sezony.Id_sezonu, Sezony.Sezon, Mecze.Data, Mecze.Gdzie, "
    "Mecze.Id_klubu, Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, Rozgrywki.Id_rozgrywki, "
    "Rozgrywki.Nazwa, Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze LEFT "
    "JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON "
    "Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki");

const QString kStrzelcyOpisu = QStringLiteral(
    "SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, Bramki.Id_gracza, "
    "Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & Gracze.Nazwisko & "
    "IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))) AS Strzelec, Bramki.Minuta, "
    "Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN (Gracze RIGHT JOIN Bramki ON "
    "Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON Mecze.Id_meczu = "
    "Bramki.Id_meczu WHERE Bramki.Id_meczu = ");

const QString kStrzelcyEdytora = QStringLiteral(
    "SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, Bramki.Id_gracza, "
    "IIf(Nazwisko Is Not Null, Gracze.Imie & ' ' & Gracze.Nazwisko, Gracze.Przydomek) AS "
    "Strzelec, Bramki.Minuta, Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN (Gracze "
    "RIGHT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON "
    "Mecze.Id_meczu = Bramki.Id_meczu WHERE Bramki.Id_meczu = ");

const QString kZawodnik = QStringLiteral(
    "Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & IIf(IsNull(Przydomek), '', ' "
    "' & Przydomek)))");
const QString kZawodnikFiltr = QStringLiteral(
    "Trim(IIf(IsNull(Nazwisko), Przydomek, Imie & ' ' & Nazwisko & IIf(IsNull(Przydomek), '', "
    "Przydomek)))");
const QString kZawodnikSort = QStringLiteral(
    "Trim(IIf(IsNull(Nazwisko), Przydomek, Nazwisko & ' ' & Imie & IIf(IsNull(Przydomek), '', "
    "Przydomek)))");

QString graczeProgramu(const QString& filtr) {
    QString sql = QStringLiteral("SELECT Id_gracza, ") + kZawodnik +
                  QStringLiteral(" AS Zawodnik FROM Gracze");
    if (!filtr.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + kZawodnikFiltr + QStringLiteral(" LIKE '*") + filtr +
               QStringLiteral("*'");
    }
    return sql + QStringLiteral(" ORDER BY ") + kZawodnikSort;
}

const QString kWszystkieMiejsca = QStringLiteral("('D', 'W', 'N')");
const QString kWarunekDomyslny =
    QStringLiteral(" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True");

// ---- the hand-written twins

const QString kTZawodnik = QStringLiteral(
    "trim(CASE WHEN g.Nazwisko IS NULL THEN g.Przydomek ELSE coalesce(g.Imie, '') || ' ' || "
    "g.Nazwisko || CASE WHEN g.Przydomek IS NULL THEN '' ELSE ' ' || g.Przydomek END END)");
const QString kTZawodnikFiltr = QStringLiteral(
    "trim(CASE WHEN g.Nazwisko IS NULL THEN g.Przydomek ELSE coalesce(g.Imie, '') || ' ' || "
    "g.Nazwisko || coalesce(g.Przydomek, '') END)");
const QString kTZawodnikSort = QStringLiteral(
    "trim(CASE WHEN g.Nazwisko IS NULL THEN g.Przydomek ELSE g.Nazwisko || ' ' || "
    "coalesce(g.Imie, '') || coalesce(g.Przydomek, '') END)");
const QString kTPara = QStringLiteral(
    "CASE WHEN m.Gdzie = 'W' THEN coalesce(k.Druzyna, '') || ' - Mirvola Wendrow' ELSE 'Mirvola "
    "Wendrow - ' || coalesce(k.Druzyna, '') END");
const QString kTWynik = QStringLiteral("coalesce(m.Wyn1, '') || ':' || coalesce(m.Wyn2, '')");
const QString kTMiejsca = QStringLiteral("('D', 'W', 'N')");

QString twinLista(const QString& oficjalny) {
    return QStringLiteral("SELECT m.Id_meczu, s.Sezon, m.Data, ") + kTPara +
           QStringLiteral(" AS Para, ") + kTWynik +
           QStringLiteral(
               " AS Wynik, r.Nazwa, r.Oficjalny, m.Komentarz FROM Mecze m JOIN Kluby k ON "
               "k.Id_klubu = m.Id_klubu JOIN Rozgrywki r ON r.Id_rozgrywki = m.Id_rozgrywki LEFT "
               "JOIN Sezony s ON s.Id_sezonu = m.Id_sezonu WHERE r.Oficjalny ") +
           oficjalny + QStringLiteral(" ORDER BY s.Sezon DESC, m.Data DESC");
}

QString twinMecze(const QString& where, const QString& order) {
    return QStringLiteral(
               "SELECT m.Id_meczu, s.Id_sezonu, s.Sezon, m.Data, m.Gdzie, m.Id_klubu, k.Druzyna, "
               "m.Wyn1, m.Wyn2, r.Id_rozgrywki, r.Nazwa, m.Komentarz FROM Mecze m LEFT JOIN "
               "Sezony s ON s.Id_sezonu = m.Id_sezonu LEFT JOIN Kluby k ON k.Id_klubu = "
               "m.Id_klubu LEFT JOIN Rozgrywki r ON r.Id_rozgrywki = m.Id_rozgrywki WHERE ") +
           where + order;
}

QString twinStrzelcy(const QString& strzelec, qint64 mecz) {
    return QStringLiteral("SELECT b.Id_meczu, b.Nr_pozycji, b.Czy_Mirvola, b.Id_gracza, ") +
           strzelec +
           QStringLiteral(
               " AS Strzelec, b.Minuta, j.Id_jak, j.Jak FROM Bramki b JOIN Mecze m ON m.Id_meczu "
               "= b.Id_meczu LEFT JOIN Gracze g ON g.Id_gracza = b.Id_gracza LEFT JOIN Jak j ON "
               "j.Id_jak = b.Id_jak WHERE b.Id_meczu = ") +
           n(mecz) + QStringLiteral(" ORDER BY b.Nr_pozycji");
}

QString twinGracze(const QString& filtr) {
    QString sql = QStringLiteral("SELECT g.Id_gracza, ") + kTZawodnik +
                  QStringLiteral(" AS Zawodnik FROM Gracze g");
    if (!filtr.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + kTZawodnikFiltr + QStringLiteral(" LIKE '%") + filtr +
               QStringLiteral("%'");
    }
    return sql + QStringLiteral(" ORDER BY ") + kTZawodnikSort +
           QStringLiteral(" COLLATE MIRVOLA_PL");
}

// The goal conditions of the players' statistics, in the twin's words.
struct FiltrPilkarzy {
    QString name;
    QString rozgrywki;  // from the context: official, all or one
    QString gdzie;
    QString warunek;  // the program's strWarunek
    QString twinWarunek;
};

QString twinPilkarze(const QString& rozgrywki, const QString& gdzie, const QString& warunek) {
    return QStringLiteral("SELECT ") + kTZawodnik +
           QStringLiteral(
               " AS Zawodnik, count(b.Id_gracza) AS Bramki, g.Id_gracza FROM Gracze g JOIN "
               "Bramki b ON g.Id_gracza = b.Id_gracza JOIN Mecze m ON m.Id_meczu = b.Id_meczu "
               "LEFT JOIN Jak j ON j.Id_jak = b.Id_jak WHERE m.Id_rozgrywki IN ") +
           rozgrywki + QStringLiteral(" AND m.Gdzie IN ") + gdzie + warunek +
           QStringLiteral(" GROUP BY ") + kTZawodnik + QStringLiteral(", g.Id_gracza, ") +
           kTZawodnikSort + QStringLiteral(" ORDER BY count(b.Id_gracza) DESC, ") + kTZawodnikSort +
           QStringLiteral(" COLLATE MIRVOLA_PL");
}

QString twinBramkiPilkarza(qint64 gracz, const QString& rozgrywki) {
    return QStringLiteral("SELECT g.Id_gracza, s.Sezon, m.Data, ") + kTPara +
           QStringLiteral(
               " AS Para, CASE WHEN b.Czy_Mirvola THEN 'Mirvola Wendrow' ELSE k.Druzyna END AS "
               "BramkaDla, ") +
           kTWynik +
           QStringLiteral(
               " AS Wynik, b.Minuta, j.Jak, r.Nazwa FROM Gracze g JOIN Bramki b ON g.Id_gracza = "
               "b.Id_gracza JOIN Mecze m ON m.Id_meczu = b.Id_meczu LEFT JOIN Jak j ON j.Id_jak "
               "= b.Id_jak LEFT JOIN Kluby k ON k.Id_klubu = m.Id_klubu LEFT JOIN Rozgrywki r ON "
               "r.Id_rozgrywki = m.Id_rozgrywki LEFT JOIN Sezony s ON s.Id_sezonu = m.Id_sezonu "
               "WHERE g.Id_gracza = ") +
           n(gracz) + QStringLiteral(" AND m.Id_rozgrywki IN ") + rozgrywki +
           QStringLiteral(" AND m.Gdzie IN ") + kTMiejsca +
           QStringLiteral(
               " AND j.CzySam = 0 AND b.Czy_Mirvola = -1 ORDER BY s.Sezon, m.Data, b.Minuta");
}

struct Bilans {
    const char* glowa;
    const char* ogon;
    const char* twin;  // the condition before the competition list
};

// The twelve balance queries of the match statistics (all, home, away, neutral; win, draw,
// defeat), each completed with "(Id_rozgrywki In " + list + its tail.
const std::array<Bilans, 12> kBilans = {{
    {"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 > Wyn2) AND (Gdzie In ('D','N')) OR ((Wyn1 < "
     "Wyn2) AND (Gdzie = 'W'))) AND ",
     ")))", "((Wyn1 > Wyn2 AND Gdzie IN ('D','N')) OR (Wyn1 < Wyn2 AND Gdzie = 'W'))"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND ", "))", "Wyn1 = Wyn2"},
    {"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 < Wyn2) AND (Gdzie In ('D','N'))) OR ((Wyn1 > "
     "Wyn2) AND (Gdzie = 'W'))) AND ",
     "))", "((Wyn1 < Wyn2 AND Gdzie IN ('D','N')) OR (Wyn1 > Wyn2 AND Gdzie = 'W'))"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'D') AND ", "))",
     "Wyn1 > Wyn2 AND Gdzie = 'D'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'D') AND ", "))",
     "Wyn1 = Wyn2 AND Gdzie = 'D'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'D') AND ", "))",
     "Wyn1 < Wyn2 AND Gdzie = 'D'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'W') AND ", "))",
     "Wyn1 < Wyn2 AND Gdzie = 'W'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'W') AND ", "))",
     "Wyn1 = Wyn2 AND Gdzie = 'W'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'W') AND ", "))",
     "Wyn1 > Wyn2 AND Gdzie = 'W'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'N') AND ", "))",
     "Wyn1 > Wyn2 AND Gdzie = 'N'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'N') AND ", "))",
     "Wyn1 = Wyn2 AND Gdzie = 'N'"},
    {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'N') AND ", "))",
     "Wyn1 < Wyn2 AND Gdzie = 'N'"},
}};

// ---- items

// A query of the program against its twin, both read in full.
Item simple(const QString& name, std::function<QString(const Context&)> program,
            std::function<QString(const Context&)> twin) {
    return {name,
            [program](const Context& c) {
                const QString sql = program(c);
                return measure([&] { return engineRows(sql); });
            },
            [twin](const Context& c) {
                const BareConnection bare(c.dir);
                const QByteArray sql = twin(c).toUtf8();
                return measure([&] { return bareRows(bare.db, sql); });
            }};
}

void addMainList(std::vector<Item>& items) {
    const std::array<std::array<QString, 3>, 3> filtry = {{
        {QStringLiteral("main list, official"), QStringLiteral("= True"), QStringLiteral("= -1")},
        {QStringLiteral("main list, unofficial"), QStringLiteral("= False"), QStringLiteral("= 0")},
        {QStringLiteral("main list, all"), QStringLiteral("In (False, True)"),
         QStringLiteral("IN (0, -1)")},
    }};
    for (const auto& [name, program, twin] : filtry) {
        items.push_back(simple(
            name, [program](const Context&) { return kLista + program + kListaOgon; },
            [twin](const Context&) { return twinLista(twin); }));
    }
}

void addViewer(std::vector<Item>& items) {
    items.push_back(simple(
        QStringLiteral("viewer: matches from the main list"),
        [](const Context&) {
            return kMecze + QStringLiteral(
                                " WHERE Rozgrywki.Oficjalny = True ORDER BY "
                                "Sezony.Sezon, Mecze.Data");
        },
        [](const Context&) {
            return twinMecze(QStringLiteral("r.Oficjalny = -1"),
                             QStringLiteral(" ORDER BY s.Sezon, m.Data"));
        }));
    items.push_back(simple(
        QStringLiteral("viewer: matches against a club"),
        [](const Context& c) {
            return kMecze + QStringLiteral(" WHERE (Mecze.Id_rozgrywki In ") + c.officialIn +
                   QStringLiteral(" AND Mecze.Gdzie In ") + kWszystkieMiejsca +
                   QStringLiteral(" AND Mecze.Id_klubu = ") + n(c.busyClub) +
                   QStringLiteral(") ORDER BY Sezony.Sezon, Mecze.Data");
        },
        [](const Context& c) {
            return twinMecze(QStringLiteral("m.Id_rozgrywki IN ") + c.officialIn +
                                 QStringLiteral(" AND m.Gdzie IN ") + kTMiejsca +
                                 QStringLiteral(" AND m.Id_klubu = ") + n(c.busyClub),
                             QStringLiteral(" ORDER BY s.Sezon, m.Data"));
        }));
    items.push_back(simple(
        QStringLiteral("viewer: goals of a match"),
        [](const Context& c) {
            return kStrzelcyOpisu + n(c.middleMatch) +
                   QStringLiteral(" ORDER BY Bramki.Nr_pozycji");
        },
        [](const Context& c) { return twinStrzelcy(kTZawodnik, c.middleMatch); }));
    // Positioning on the match is a step on the open selection, not a query: its twin looks
    // for the id among the selection's ids read from SQLite.
    items.push_back(
        {QStringLiteral("viewer: positioning on a match"),
         [](const Context& c) {
             const auto db = engine::Database::open(diaryPath(c.dir));
             const auto rs = db->openRecordset(
                 kMecze + QStringLiteral(" WHERE Rozgrywki.Oficjalny = True ORDER BY Sezony.Sezon, "
                                         "Mecze.Data"));
             const QString kryterium = QStringLiteral("Id_meczu = ") + n(c.middleMatch);
             return measure([&] {
                 rs->moveFirst();
                 rs->findFirst(kryterium);
                 return qint64(rs->absolutePosition());
             });
         },
         [](const Context& c) {
             const BareConnection bare(c.dir);
             std::vector<qint64> ids;
             sqlite3_stmt* stmt = nullptr;
             const QByteArray sql = twinMecze(QStringLiteral("r.Oficjalny = -1"),
                                              QStringLiteral(" ORDER BY s.Sezon, m.Data"))
                                        .toUtf8();
             stmt = prepared(bare.db, sql);
             while (sqlite3_step(stmt) == SQLITE_ROW) {
                 ids.push_back(sqlite3_column_int64(stmt, 0));
             }
             sqlite3_finalize(stmt);
             return measure([&] {
                 const auto it = std::find(ids.begin(), ids.end(), c.middleMatch);
                 return qint64(it - ids.begin());
             });
         }});
}

void addEditor(std::vector<Item>& items) {
    const std::array<std::array<QString, 3>, 4> slowniki = {{
        {QStringLiteral("Id_sezonu"), QStringLiteral("Sezon"), QStringLiteral("Sezony")},
        {QStringLiteral("Id_klubu"), QStringLiteral("Druzyna"), QStringLiteral("Kluby")},
        {QStringLiteral("Id_rozgrywki"), QStringLiteral("Nazwa"), QStringLiteral("Rozgrywki")},
        {QStringLiteral("Id_jak"), QStringLiteral("Jak"), QStringLiteral("Jak")},
    }};
    for (const auto& [id, nazwa, tabela] : slowniki) {
        const QString sql = QStringLiteral("SELECT ") + id + QStringLiteral(", ") + nazwa +
                            QStringLiteral(" FROM ") + tabela + QStringLiteral(" ORDER BY ") +
                            nazwa;
        items.push_back(simple(
            QStringLiteral("editor: picker ") + tabela, [sql](const Context&) { return sql; },
            [sql](const Context&) { return sql + QStringLiteral(" COLLATE MIRVOLA_PL"); }));
    }
    items.push_back(simple(
        QStringLiteral("editor: players list"),
        [](const Context&) { return graczeProgramu(QString()); },
        [](const Context&) { return twinGracze(QString()); }));
    items.push_back(simple(
        QStringLiteral("editor: players list, filter \"kow\""),
        [](const Context&) { return graczeProgramu(QStringLiteral("kow")); },
        [](const Context&) { return twinGracze(QStringLiteral("kow")); }));
    items.push_back(simple(
        QStringLiteral("editor: the match to modify"),
        [](const Context& c) {
            return kMecze + QStringLiteral(" WHERE Mecze.Id_meczu = ") + n(c.middleMatch);
        },
        [](const Context& c) {
            return twinMecze(QStringLiteral("m.Id_meczu = ") + n(c.middleMatch), QString());
        }));
    items.push_back(simple(
        QStringLiteral("editor: goals of the match"),
        [](const Context& c) {
            return kStrzelcyEdytora + n(c.middleMatch) +
                   QStringLiteral(" ORDER BY Bramki.Nr_pozycji");
        },
        [](const Context& c) {
            return twinStrzelcy(
                QStringLiteral("CASE WHEN g.Nazwisko IS NOT NULL THEN coalesce(g.Imie, '') || ' "
                               "' || g.Nazwisko ELSE g.Przydomek END"),
                c.middleMatch);
        }));
    items.push_back(simple(
        QStringLiteral("editor: duplicate test"),
        [](const Context& c) {
            return QStringLiteral("SELECT * FROM Mecze WHERE ") + c.matchDuplicate;
        },
        [](const Context& c) {
            QString warunek = c.matchDuplicate;
            warunek.replace(u'#', u'\'');
            return QStringLiteral("SELECT * FROM Mecze WHERE ") + warunek;
        }));
    // The save's check that another program has not changed the match meanwhile.
    items.push_back(simple(
        QStringLiteral("editor: the match as stored, before the save"),
        [](const Context& c) {
            return QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = ") + n(c.middleMatch);
        },
        [](const Context& c) {
            return QStringLiteral("SELECT * FROM Mecze WHERE Id_meczu = ") + n(c.middleMatch);
        }));
    items.push_back(simple(
        QStringLiteral("editor: the goals as stored, before the save"),
        [](const Context& c) {
            return QStringLiteral("SELECT * FROM Bramki WHERE Id_meczu = ") + n(c.middleMatch) +
                   QStringLiteral(" ORDER BY Nr_pozycji");
        },
        [](const Context& c) {
            return QStringLiteral("SELECT * FROM Bramki WHERE Id_meczu = ") + n(c.middleMatch) +
                   QStringLiteral(" ORDER BY Nr_pozycji");
        }));
}

void addMatchStatistics(std::vector<Item>& items) {
    items.push_back(simple(
        QStringLiteral("match stats: competitions"),
        [](const Context&) { return QStringLiteral("SELECT * FROM Rozgrywki ORDER BY Nazwa"); },
        [](const Context&) {
            return QStringLiteral("SELECT * FROM Rozgrywki ORDER BY Nazwa COLLATE MIRVOLA_PL");
        }));
    const auto przeciwnicy = [](const Context& c) {
        return QStringLiteral(
                   "SELECT DISTINCT Mecze.Id_klubu, Kluby.Druzyna FROM Kluby LEFT JOIN Mecze ON "
                   "Kluby.Id_klubu = Mecze.Id_klubu WHERE (Mecze.Id_rozgrywki In ") +
               c.officialIn + QStringLiteral(" AND Mecze.Gdzie In ") + kWszystkieMiejsca +
               QStringLiteral(") ORDER BY Kluby.Druzyna");
    };
    const auto twinPrzeciwnicy = [](const Context& c) {
        return QStringLiteral(
                   "SELECT DISTINCT m.Id_klubu, k.Druzyna FROM Kluby k JOIN Mecze m ON "
                   "k.Id_klubu = m.Id_klubu WHERE m.Id_rozgrywki IN ") +
               c.officialIn + QStringLiteral(" AND m.Gdzie IN ") + kTMiejsca +
               QStringLiteral(" ORDER BY k.Druzyna COLLATE MIRVOLA_PL");
    };
    items.push_back(simple(QStringLiteral("match stats: opponents"), przeciwnicy, twinPrzeciwnicy));
    // The table's fill: the opponents on a connection of its own, and for each one a query of
    // its matches through the shared recordset.
    items.push_back(
        {QStringLiteral("match stats: a query per opponent, all opponents"),
         [przeciwnicy](const Context& c) {
             return measure([&] {
                 auto db = engine::Database::open(diaryPath(c.dir));
                 auto opponents = db->openRecordset(przeciwnicy(c));
                 qint64 rows = 0;
                 for (; !opponents->eof(); opponents->moveNext()) {
                     rows += engineRows(
                         QStringLiteral("SELECT Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki FROM "
                                        "Mecze WHERE (Id_klubu = ") +
                         opponents->value(QStringLiteral("Id_klubu")).toString() +
                         QStringLiteral(" AND Id_rozgrywki In ") + c.officialIn +
                         QStringLiteral(" AND Gdzie In ") + kWszystkieMiejsca +
                         QStringLiteral(")"));
                 }
                 return rows;
             });
         },
         [twinPrzeciwnicy](const Context& c) {
             const BareConnection bare(c.dir);
             const QByteArray outer = twinPrzeciwnicy(c).toUtf8();
             const QByteArray inner =
                 (QStringLiteral("SELECT Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki FROM Mecze "
                                 "WHERE Id_klubu = ?1 AND Id_rozgrywki IN ") +
                  c.officialIn + QStringLiteral(" AND Gdzie IN ") + kTMiejsca)
                     .toUtf8();
             // As the window does it: the opponents first, then one query each, prepared once.
             return measure([&] {
                 sqlite3_stmt* clubs = nullptr;
                 clubs = prepared(bare.db, outer);
                 std::vector<qint64> ids;
                 while (sqlite3_step(clubs) == SQLITE_ROW) {
                     ids.push_back(sqlite3_column_int64(clubs, 0));
                 }
                 sqlite3_finalize(clubs);
                 sqlite3_stmt* matches = nullptr;
                 matches = prepared(bare.db, inner);
                 qint64 rows = 0;
                 volatile qint64 sink = 0;
                 for (const qint64 id : ids) {
                     sqlite3_reset(matches);
                     sqlite3_bind_int64(matches, 1, id);
                     while (sqlite3_step(matches) == SQLITE_ROW) {
                         for (int i = 0; i < 5; ++i) {
                             sink = sink + sqlite3_column_int64(matches, i);
                         }
                         ++rows;
                     }
                 }
                 sqlite3_finalize(matches);
                 return rows;
             });
         }});
    items.push_back({QStringLiteral("match stats: the twelve balance queries"),
                     [](const Context& c) {
                         return measure([&] {
                             qint64 rows = 0;
                             for (const Bilans& b : kBilans) {
                                 rows += engineRows(QString::fromUtf8(b.glowa) +
                                                    QStringLiteral("(Id_rozgrywki In ") +
                                                    c.officialIn + QString::fromUtf8(b.ogon));
                             }
                             return rows;
                         });
                     },
                     [](const Context& c) {
                         const BareConnection bare(c.dir);
                         std::vector<QByteArray> sql;
                         for (const Bilans& b : kBilans) {
                             sql.push_back(QStringLiteral("SELECT Id_klubu FROM Mecze WHERE %1 AND "
                                                          "Id_rozgrywki IN %2")
                                               .arg(QString::fromUtf8(b.twin), c.officialIn)
                                               .toUtf8());
                         }
                         return measure([&] {
                             qint64 rows = 0;
                             for (const QByteArray& s : sql) {
                                 rows += bareRows(bare.db, s);
                             }
                             return rows;
                         });
                     }});
}

void addPlayerStatistics(std::vector<Item>& items) {
    const auto filtry = [](const Context& c) {
        const QString jedna = QStringLiteral("(") + n(c.firstCompetition) + QStringLiteral(")");
        return std::vector<FiltrPilkarzy>{
            {QStringLiteral("opening filters"), c.officialIn, kWszystkieMiejsca, kWarunekDomyslny,
             QStringLiteral(" AND j.CzySam = 0 AND b.Czy_Mirvola = -1")},
            {QStringLiteral("every goal"), c.allIn, kWszystkieMiejsca, QString(), QString()},
            {QStringLiteral("against the home club"), c.officialIn, kWszystkieMiejsca,
             QStringLiteral(" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = False"),
             QStringLiteral(" AND j.CzySam = 0 AND b.Czy_Mirvola = 0")},
            {QStringLiteral("own goals"), c.officialIn, kWszystkieMiejsca,
             QStringLiteral(" AND Jak.CzySam = True"), QStringLiteral(" AND j.CzySam = -1")},
            {QStringLiteral("one competition, at home"), jedna, QStringLiteral("('D')"),
             kWarunekDomyslny, QStringLiteral(" AND j.CzySam = 0 AND b.Czy_Mirvola = -1")},
        };
    };
    for (int i = 0; i < 5; ++i) {
        items.push_back(
            {QStringLiteral("player stats: ") + filtry(Context())[static_cast<size_t>(i)].name,
             [filtry, i](const Context& c) {
                 const FiltrPilkarzy f = filtry(c)[static_cast<size_t>(i)];
                 const QString sql =
                     frmStatystykiPilkarze::Zapytanie(f.rozgrywki, f.gdzie, f.warunek);
                 return measure([&] { return engineRows(sql); });
             },
             [filtry, i](const Context& c) {
                 const FiltrPilkarzy f = filtry(c)[static_cast<size_t>(i)];
                 const BareConnection bare(c.dir);
                 const QByteArray sql = twinPilkarze(f.rozgrywki, f.gdzie, f.twinWarunek).toUtf8();
                 return measure([&] { return bareRows(bare.db, sql); });
             }});
    }
    items.push_back(simple(
        QStringLiteral("player's goals: caption"),
        [](const Context& c) {
            return QStringLiteral("SELECT ") + kZawodnik +
                   QStringLiteral(" AS Zawodnik FROM Gracze WHERE Id_gracza = ") + n(c.topScorer);
        },
        [](const Context& c) {
            return QStringLiteral("SELECT ") + kTZawodnik +
                   QStringLiteral(" AS Zawodnik FROM Gracze g WHERE g.Id_gracza = ") +
                   n(c.topScorer);
        }));
    items.push_back(simple(
        QStringLiteral("player's goals: the top scorer"),
        [](const Context& c) {
            return frmBramkiPilkarza::Zapytanie(n(c.topScorer), c.officialIn, kWszystkieMiejsca,
                                                kWarunekDomyslny);
        },
        [](const Context& c) { return twinBramkiPilkarza(c.topScorer, c.officialIn); }));
}

void addDictionaries(std::vector<Item>& items) {
    const std::array<std::array<QString, 2>, 4> slowniki = {{
        {QStringLiteral("Kluby"), QStringLiteral("Druzyna")},
        {QStringLiteral("Rozgrywki"), QStringLiteral("Nazwa")},
        {QStringLiteral("Sezony"), QStringLiteral("Sezon")},
        {QStringLiteral("Jak"), QStringLiteral("Jak")},
    }};
    for (const auto& [tabela, nazwa] : slowniki) {
        const QString sql =
            QStringLiteral("SELECT * FROM ") + tabela + QStringLiteral(" ORDER BY ") + nazwa;
        items.push_back(simple(
            QStringLiteral("dictionaries: ") + tabela, [sql](const Context&) { return sql; },
            [sql](const Context&) { return sql + QStringLiteral(" COLLATE MIRVOLA_PL"); }));
    }
    items.push_back(simple(
        QStringLiteral("dictionaries: Kluby, filter \"leg\""),
        [](const Context&) {
            return QStringLiteral(
                "SELECT * FROM Kluby WHERE Druzyna LIKE '*leg*' ORDER BY Druzyna");
        },
        [](const Context&) {
            return QStringLiteral(
                "SELECT * FROM Kluby WHERE Druzyna LIKE '%leg%' ORDER BY Druzyna COLLATE "
                "MIRVOLA_PL");
        }));
    items.push_back(simple(
        QStringLiteral("player editor: duplicate test"),
        [](const Context&) {
            return QStringLiteral(
                "SELECT * FROM Gracze WHERE Nazwisko = 'Kowalski' And Imie = 'Jan' And "
                "IsNull(Przydomek) = True");
        },
        [](const Context&) {
            return QStringLiteral(
                "SELECT * FROM Gracze WHERE Nazwisko = 'Kowalski' AND Imie = 'Jan' AND Przydomek "
                "IS NULL");
        }));
}

}  // namespace

std::vector<Item> queryItems() {
    std::vector<Item> items;
    addMainList(items);
    addViewer(items);
    addEditor(items);
    addMatchStatistics(items);
    addPlayerStatistics(items);
    addDictionaries(items);
    return items;
}

}  // namespace scale
