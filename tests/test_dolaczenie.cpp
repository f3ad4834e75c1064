// Merging another diary (or the old program's file) into the diary: the duplicate rules the
// windows use, what the plan says, what the merge writes, and that a failure changes nothing.

#include "data/DemoDiary.h"
#include "data/Dolaczenie.h"
#include "data/Duplikaty.h"
#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "data/engine/Recordset.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/OldDiaries.h"
#include "support/OtherProcess.h"
#include "support/Script.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QAction>
#include <QFile>
#include <QTreeWidget>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// Plain SQLite statements on a file, several at once; a failure fails the test.
void wykonaj(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    char* blad = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &blad);
    EXPECT_EQ(rc, SQLITE_OK) << (blad ? blad : "") << "\n" << sql.toStdString();
    sqlite3_free(blad);
    sqlite3_close(db);
}

// A new empty diary beside the others, filled by `sql`.
QString nowyDziennik(const QString& path, const QString& sql = {}) {
    engine::createDatabase(path);
    if (!sql.isEmpty()) {
        wykonaj(path, sql);
    }
    return path;
}

// The diary by content, not by ids: every dictionary by name (with its flag), every match with
// the names it refers to and its goals in order.
QStringList tresc(const QString& path) {
    QStringList wynik;
    for (const auto& [tabela, sql] : std::map<QString, QString>{
             {u"Kluby"_s, u"SELECT Druzyna FROM Kluby"_s},
             {u"Rozgrywki"_s, u"SELECT Nazwa || '/' || Oficjalny FROM Rozgrywki"_s},
             {u"Sezony"_s, u"SELECT Sezon FROM Sezony"_s},
             {u"Jak"_s, u"SELECT Jak || '/' || CzySam FROM Jak"_s},
             {u"Gracze"_s,
              u"SELECT quote(Imie) || quote(Nazwisko) || quote(Przydomek) FROM "
              "Gracze"_s}}) {
        QStringList nazwy;
        for (const QStringList& r : rowsOf(path, sql)) {
            nazwy << tabela + u": "_s + r[0];
        }
        nazwy.sort();
        wynik << nazwy;
    }
    std::map<QString, QStringList> bramki;
    for (const QStringList& r :
         rowsOf(path,
                u"SELECT b.Id_meczu, b.Czy_Mirvola || '|' || quote(g.Imie) || quote(g.Nazwisko) "
                "|| quote(g.Przydomek) || '|' || quote(b.Minuta) || '|' || quote(j.Jak) FROM "
                "Bramki b LEFT JOIN Gracze g ON g.Id_gracza = b.Id_gracza LEFT JOIN Jak j ON "
                "j.Id_jak = b.Id_jak ORDER BY b.Id_meczu, b.Nr_pozycji"_s)) {
        bramki[r[0]] << r[1];
    }
    QStringList mecze;
    for (const QStringList& r :
         rowsOf(path,
                u"SELECT m.Id_meczu, quote(s.Sezon) || '|' || m.Data || '|' || m.Gdzie || "
                "'|' || quote(k.Druzyna) || '|' || quote(m.Wyn1) || ':' || quote(m.Wyn2) || "
                "'|' || quote(r.Nazwa) || '|' || quote(m.Komentarz) FROM Mecze m LEFT JOIN "
                "Sezony s ON s.Id_sezonu = m.Id_sezonu LEFT JOIN Kluby k ON k.Id_klubu = "
                "m.Id_klubu LEFT JOIN Rozgrywki r ON r.Id_rozgrywki = m.Id_rozgrywki"_s)) {
        mecze << u"Mecz: "_s + r[1] + u" bramki: "_s + bramki[r[0]].join(u"; "_s);
    }
    mecze.sort();
    return wynik + mecze;
}

long long liczba(const QString& path, const QString& sql) {
    return rowsOf(path, sql).at(0).at(0).toLongLong();
}

// ---- the crafted case

// The diary: the sample rows, and a club and a kind of goal under ids that the other file's
// dangling references name.
const char* const kDziennik = R"SQL(
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (77, 'Pogoń');
INSERT INTO Jak (Id_jak, Jak, CzySam) VALUES (9, 'główką', 0);
)SQL";

// The other diary: other ids for the same seasons and competitions; Legia under its old name;
// a different Adam Nowak; the cup marked unofficial; the match at Wisła with another score; the
// sparring match as in the diary; a match against a club and a goal of a kind the file does not
// have.
const char* const kInny = R"SQL(
INSERT INTO Sezony (Id_sezonu, Sezon) VALUES (5, '2001/02'), (6, '2002/03');
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (11, 'Legia Warszawa'), (12, 'WISŁA'), (13, 'Łódzki KS');
INSERT INTO Rozgrywki (Id_rozgrywki, Nazwa, Oficjalny) VALUES (21, 'Liga', -1), (22, 'Puchar', 0),
  (23, 'Sparing', 0);
INSERT INTO Jak (Id_jak, Jak, CzySam) VALUES (31, 'Z GRY', 0);
INSERT INTO Gracze (Id_gracza, Imie, Nazwisko, Przydomek) VALUES (41, 'Adam', 'Nowak', NULL),
  (42, 'Marek', 'Nowy', NULL);
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki, Komentarz)
VALUES (51, 5, '2001-08-05', 'D', 11, 2, 1, 21, 'Pierwszy mecz'),
  (52, 5, '2002-05-05', 'W', 12, 1, 1, 21, NULL),
  (53, 6, '2002-09-01', 'N', 13, 0, 0, 23, 'Sparing'),
  (54, 6, '2003-05-01', 'D', 77, 1, 0, 22, NULL);
INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES
  (51, 1, -1, 42, 10, 31), (51, 2, -1, 41, 50, 31), (52, 1, 0, 41, 60, 31),
  (54, 1, -1, 42, 5, 9);
)SQL";

const QStringList kPlanInnego = {
    u"Mecze do dodania: 2 (bramek: 3)"_s,
    u"Mecze pominięte, bo są już w dzienniku: 1"_s,
    u"Mecze sprzeczne z dziennikiem, pozostawione bez zmian: 1"_s,
    u"Kluby do dodania: 1 (Legia Warszawa), już w dzienniku: 2"_s,
    u"Gracze do dodania: 1 (Marek Nowy), już w dzienniku: 1"_s,
    u"Rozgrywki do dodania: 0, już w dzienniku: 3"_s,
    u"Sezony do dodania: 0, już w dzienniku: 2"_s,
    u"Rodzaje goli do dodania: 0, już w dzienniku: 1"_s,
    u"Różnice oznaczeń (zostają oznaczenia z dziennika): 1"_s,
    u"Odwołania do wierszy, których brak w dołączanym pliku (zostaną puste): 2"_s,
    u"Różnice oznaczeń:"_s,
    u"- Rozgrywki „Puchar”: w dzienniku oficjalne, w dołączanym pliku nieoficjalne"_s,
    u"Mecze sprzeczne z dziennikiem:"_s,
    u"- 2002-05-05, WISŁA: w dzienniku 1:2 na wyjeździe (Liga, 2001/02), w dołączanym pliku "
    "1:1 na wyjeździe (Liga, 2001/02)"_s,
};

struct Skrojony : SampleDiary {
    Skrojony() { exec(QString::fromUtf8(kDziennik)); }
    QString inny = nowyDziennik(dir() + u"/inny.mdb"_s, QString::fromUtf8(kInny));
};

}  // namespace

// ---- one definition of a duplicate

// The keys the merge compares say "the same" exactly where the player editor's and the match
// editor's queries find a row and where the unique index refuses a dictionary name.
TEST(DuplicateRules, KeysAgreeWithTheEditorsQueriesAndTheUniqueIndex) {
    SampleDiary d;
    d.exec(u"INSERT INTO Gracze (Imie, Nazwisko, Przydomek) VALUES ('Łukasz', 'Żółć', NULL)"_s);
    const auto db = engine::Database::open(d.path());
    const auto znalezione = [&](const QString& sql) {
        const auto rs = db->openRecordset(sql);
        return !rs->eof();
    };

    std::set<QString> gracze;
    for (const QStringList& r : d.rows(u"SELECT Imie, Nazwisko, Przydomek FROM Gracze"_s)) {
        const auto pole = [](const QString& v) { return v == u"NULL" ? QVariant() : QVariant(v); };
        gracze.insert(
            duplikaty::kluczGracza(duplikaty::polaGracza(pole(r[0]), pole(r[1]), pole(r[2]))));
    }
    for (const duplikaty::Gracz& g :
         std::vector<duplikaty::Gracz>{{u"Jan"_s, u"Kowalski"_s, u"Kowal"_s},
                                       {u"JAN"_s, u"kowalski"_s, u"KOWAL"_s},
                                       {u"Jan"_s, u"Kowalski"_s, QString()},
                                       {QString(), QString(), u"ronaldinho"_s},
                                       {u"Ronaldinho"_s, QString(), QString()},
                                       {u"łukasz"_s, u"ŻÓŁĆ"_s, QString()},
                                       {u"Lukasz"_s, u"Zolc"_s, QString()},
                                       {u"Sean"_s, u"O'Neil"_s, QString()},
                                       {u"Adam"_s, u"Nowak"_s, u"Kowal"_s}}) {
        EXPECT_EQ(znalezione(duplikaty::zapytanieGracza(g)),
                  gracze.count(duplikaty::kluczGracza(g)) == 1)
            << (g.imie + u'|' + g.nazwisko + u'|' + g.przydomek).toStdString();
    }

    std::set<QString> mecze;
    for (const QStringList& r :
         d.rows(u"SELECT Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki FROM Mecze "
                "WHERE Wyn1 IS NOT NULL"_s)) {
        mecze.insert(duplikaty::kluczMeczu({r[0].toLongLong(), QDate::fromString(r[1], Qt::ISODate),
                                            r[2], r[3].toLongLong(), r[4].toLongLong(),
                                            r[5].toLongLong(), r[6].toLongLong()}));
    }
    const duplikaty::Mecz pierwszy{1, QDate(2001, 8, 5), u"D"_s, 1, 2, 1, 1};
    std::vector<duplikaty::Mecz> proby(7, pierwszy);
    proby[1].gdzie = u"d"_s;
    proby[2].gdzie = u"W"_s;
    proby[3].wyn2 = 2;
    proby[4].data = QDate(2001, 8, 6);
    proby[5].idRozgrywki = 2;
    proby[6].idSezonu = 2;
    for (const duplikaty::Mecz& m : proby) {
        EXPECT_EQ(znalezione(duplikaty::zapytanieMeczu(m)),
                  mecze.count(duplikaty::kluczMeczu(m)) == 1)
            << duplikaty::zapytanieMeczu(m).toStdString();
    }

    std::set<QString> kluby;
    for (const QString& k : d.column(u"SELECT Druzyna FROM Kluby"_s)) {
        kluby.insert(duplikaty::kluczNazwy(k));
    }
    for (const QString& nazwa : {u"LEGIA"_s, u"łódzki ks"_s, u"Lodzki KS"_s, u"Wisla"_s,
                                 u"o'higgins"_s, u"Legia Warszawa"_s}) {
        const auto rs = db->openRecordset(u"Kluby"_s);
        rs->addNew();
        rs->setValue(u"Druzyna"_s, nazwa);
        const int blad = errorOf([&] { rs->update(); });
        EXPECT_EQ(blad == engine::err::DuplicateKey, kluby.count(duplikaty::kluczNazwy(nazwa)) == 1)
            << nazwa.toStdString();
        db->execute(u"DELETE FROM Kluby WHERE Id_klubu > 4"_s);
    }
}

// ---- merging

TEST(Merge, IntoItselfOrTwiceAddsNothing) {
    QTemporaryDir dir;
    const QString pelny = dir.path() + u"/pelny.mdb"_s;
    demo::createDiary(pelny);
    const QByteArray przed = fileHash(pelny);
    const dolaczenie::Wynik sam = dolaczenie::dolacz(pelny, pelny);
    EXPECT_TRUE(sam.plan.pusty());
    EXPECT_EQ(sam.plan.meczePominiete, 300);
    EXPECT_TRUE(sam.plan.konflikty.isEmpty()) << sam.plan.konflikty.join(u'\n').toStdString();
    EXPECT_TRUE(sam.zachowany.isEmpty());
    EXPECT_EQ(fileHash(pelny), przed) << "nothing to add leaves the file as it was";
    EXPECT_EQ(filesIn(dir.path()), qs({"pelny.mdb"}));

    // Half the seasons, then the whole diary merged in twice: the second time adds nothing.
    const QString polowa = dir.path() + u"/Mirvola.mdb"_s;
    QFile::copy(pelny, polowa);
    wykonaj(polowa, u"PRAGMA foreign_keys = ON; DELETE FROM Mecze WHERE Id_sezonu > 5"_s);
    const dolaczenie::Wynik pierwszy = dolaczenie::dolacz(polowa, pelny);
    EXPECT_GT(pierwszy.plan.meczeDoDodania, 100);
    EXPECT_EQ(pierwszy.plan.meczeDoDodania + pierwszy.plan.meczePominiete, 300);
    EXPECT_EQ(pierwszy.zachowany, polowa + u".przed-dolaczeniem"_s);
    const QByteArray poPierwszym = fileHash(polowa);
    const dolaczenie::Wynik drugi = dolaczenie::dolacz(polowa, pelny);
    EXPECT_TRUE(drugi.plan.pusty());
    EXPECT_EQ(drugi.plan.meczePominiete, 300);
    EXPECT_EQ(fileHash(polowa), poPierwszym);
    EXPECT_EQ(tresc(polowa), tresc(pelny));
}

// A diary split by seasons into two files, with the dictionaries of the second half under other
// ids and the first half's unused entries gone, merges back into the original.
TEST(Merge, ADiarySplitBySeasonsMergesBackIntoTheOriginal) {
    QTemporaryDir dir;
    const QString oryginal = dir.path() + u"/oryginal.mdb"_s;
    demo::createDiary(oryginal);
    const QString a = dir.path() + u"/Mirvola.mdb"_s;
    const QString b = dir.path() + u"/druga.mdb"_s;
    QFile::copy(oryginal, a);
    QFile::copy(oryginal, b);
    wykonaj(a,
            uR"SQL(PRAGMA foreign_keys = ON;
DELETE FROM Mecze WHERE Id_sezonu > 5;
DELETE FROM Kluby WHERE Id_klubu NOT IN (SELECT Id_klubu FROM Mecze);
DELETE FROM Gracze WHERE Id_gracza NOT IN (SELECT Id_gracza FROM Bramki);
DELETE FROM Sezony WHERE Id_sezonu > 5;)SQL"_s);
    wykonaj(b,
            uR"SQL(PRAGMA foreign_keys = ON;
DELETE FROM Mecze WHERE Id_sezonu <= 5;
PRAGMA foreign_keys = OFF;
UPDATE Kluby SET Id_klubu = 1000 - Id_klubu; UPDATE Mecze SET Id_klubu = 1000 - Id_klubu;
UPDATE Sezony SET Id_sezonu = 1000 - Id_sezonu; UPDATE Mecze SET Id_sezonu = 1000 - Id_sezonu;
UPDATE Rozgrywki SET Id_rozgrywki = 1000 - Id_rozgrywki;
UPDATE Mecze SET Id_rozgrywki = 1000 - Id_rozgrywki;
UPDATE Jak SET Id_jak = 1000 - Id_jak; UPDATE Bramki SET Id_jak = 1000 - Id_jak;
UPDATE Gracze SET Id_gracza = 10000 - Id_gracza; UPDATE Bramki SET Id_gracza = 10000 - Id_gracza;
UPDATE Mecze SET Id_meczu = Id_meczu + 5000; UPDATE Bramki SET Id_meczu = Id_meczu + 5000;)SQL"_s);
    ASSERT_NE(tresc(a), tresc(oryginal));

    const dolaczenie::Wynik wynik = dolaczenie::dolacz(a, b);
    EXPECT_TRUE(wynik.plan.konflikty.isEmpty()) << wynik.plan.konflikty.join(u'\n').toStdString();
    EXPECT_EQ(wynik.plan.pusteOdwolania, 0);
    EXPECT_EQ(tresc(a), tresc(oryginal));
    EXPECT_EQ(liczba(a, u"SELECT count(*) FROM Bramki"_s),
              liczba(oryginal, u"SELECT count(*) FROM Bramki"_s));
    EXPECT_EQ(engine::checkDatabase(a), u"ok"_s);
}

// Renamed club, namesake player, differing flag, conflicting match, dangling references.
TEST(Merge, TheCraftedCaseGivesExactlyThePlanAndTheResultOfTheRules) {
    Skrojony d;
    const QStringList przed = dumpDiary(d.path());
    const QByteArray hash = fileHash(d.path());
    const dolaczenie::Plan plan = dolaczenie::przygotuj(d.path(), d.inny);
    EXPECT_EQ(plan.linie(), kPlanInnego) << plan.linie().join(u'\n').toStdString();
    EXPECT_EQ(fileHash(d.path()), hash) << "the plan only reads";

    const dolaczenie::Wynik wynik = dolaczenie::dolacz(d.path(), d.inny);
    EXPECT_EQ(wynik.plan.linie(), kPlanInnego);
    EXPECT_EQ(dumpDiary(wynik.zachowany), przed);
    // Legia keeps its name beside the club under its other name; the cup stays official; the
    // match at Wisła keeps its score and goals.
    EXPECT_EQ(d.column(u"SELECT Druzyna FROM Kluby ORDER BY Id_klubu"_s),
              qs({"Legia", "Wisła", "Łódzki KS", "O'Higgins", "Pogoń", "Legia Warszawa"}));
    EXPECT_EQ(d.value(u"SELECT Oficjalny FROM Rozgrywki WHERE Nazwa = 'Puchar'"_s).toInt(), -1);
    EXPECT_EQ(d.rows(u"SELECT Wyn1, Wyn2, (SELECT count(*) FROM Bramki b WHERE b.Id_meczu = "
                     "m.Id_meczu) FROM Mecze m WHERE Data = '2002-05-05'"_s),
              (std::vector<QStringList>{qs({"1", "2", "3"})}));
    // New ids; the namesake is the diary's Adam Nowak, the new player a new row.
    EXPECT_EQ(d.rows(u"SELECT m.Id_meczu, m.Id_sezonu, m.Id_klubu, m.Id_rozgrywki, b.Nr_pozycji, "
                     "b.Id_gracza, b.Id_jak FROM Mecze m JOIN Bramki b USING (Id_meczu) WHERE "
                     "m.Id_meczu > 5 ORDER BY 1, 5"_s),
              (std::vector<QStringList>{qs({"6", "1", "78", "1", "1", "6", "1"}),
                                        qs({"6", "1", "78", "1", "2", "2", "1"}),
                                        qs({"7", "2", "NULL", "2", "1", "6", "NULL"})}))
        << "a dangling club or kind of goal is a reference to nothing, not to the diary's "
           "Pogoń (77) or główką (9)";
    EXPECT_EQ(d.column(u"SELECT Imie || ' ' || Nazwisko FROM Gracze WHERE Id_gracza = 6"_s),
              qs({"Marek Nowy"}));

    // Merged again: nothing more, the dangling match included.
    const dolaczenie::Plan znowu = dolaczenie::przygotuj(d.path(), d.inny);
    EXPECT_TRUE(znowu.pusty());
    EXPECT_EQ(znowu.meczePominiete, 3);
    EXPECT_EQ(znowu.konflikty.size(), 1);

    // The tool prints the same plan; with --dry-run it changes nothing.
    const QByteArray po = fileHash(d.path());
    const ToolRun proba = tool({u"merge"_s, d.path(), d.inny, u"--dry-run"_s});
    EXPECT_EQ(proba.status, 0) << proba.err.toStdString();
    EXPECT_EQ(proba.out, znowu.linie().join(u'\n') + u'\n');
    EXPECT_EQ(fileHash(d.path()), po);
    EXPECT_EQ(tool({u"merge"_s, d.path(), d.inny, u"--force"_s}).status, 2);
}

// Goals that differ only in scorer; two matches of the other file on one day against one club.
TEST(Merge, OtherGoalsOrASecondMatchThatDayAreConflicts) {
    Skrojony d;
    wykonaj(d.inny,
            uR"SQL(DELETE FROM Bramki; DELETE FROM Mecze WHERE Id_meczu <> 53;
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki)
VALUES (61, 5, '2001-08-05', 'D', 14, 2, 1, 21), (62, 5, '2001-08-05', 'D', 14, 0, 0, 21),
  (63, 5, '2002-05-05', 'W', 12, 1, 2, 21);
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (14, 'legia');
INSERT INTO Gracze (Id_gracza, Imie, Nazwisko, Przydomek) VALUES (43, 'Jan', 'Kowalski', 'Kowal');
INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES
  (61, 1, -1, 43, 10, 31), (61, 2, -1, 43, 50, 31), (61, 3, 0, 43, 30, 31),
  (63, 1, 0, 43, 7, 31), (63, 2, -1, 43, 20, 31), (63, 3, -1, 41, 88, 31);)SQL"_s);
    const dolaczenie::Plan plan = dolaczenie::przygotuj(d.path(), d.inny);
    EXPECT_EQ(plan.meczeDoDodania, 0);
    EXPECT_EQ(plan.meczePominiete, 1);
    EXPECT_EQ(plan.konflikty,
              QStringList({u"2001-08-05, legia: ten sam mecz 2:1 u siebie (Liga, 2001/02), inne "
                           "bramki (w dzienniku 3, w dołączanym pliku 3)"_s,
                           u"2001-08-05, legia: w dzienniku 2:1 u siebie (Liga, 2001/02), w "
                           "dołączanym pliku 0:0 u siebie (Liga, 2001/02)"_s,
                           u"2002-05-05, WISŁA: ten sam mecz 1:2 na wyjeździe (Liga, 2001/02), "
                           "inne bramki (w dzienniku 3, w dołączanym pliku 3)"_s}));

    // Within the other file: the first match of the day is added, the second is not.
    wykonaj(d.inny, u"UPDATE Mecze SET Data = '2009-01-01' WHERE Id_meczu IN (61, 62)"_s);
    const dolaczenie::Plan drugi = dolaczenie::przygotuj(d.path(), d.inny);
    EXPECT_EQ(drugi.meczeDoDodania, 1);
    EXPECT_EQ(drugi.konflikty.value(0),
              u"2009-01-01, legia: w dołączanym pliku dwa mecze tego dnia; dodany zostanie 2:1 u "
              "siebie (Liga, 2001/02), pominięty 0:0 u siebie (Liga, 2001/02)"_s);
}

TEST(Merge, TheToolMergesAndNamesTheKeptDiary) {
    Skrojony d;
    QFile(d.path() + u".przed-dolaczeniem"_s).open(QIODevice::WriteOnly);  // taken
    const ToolRun wynik = tool({u"merge"_s, d.path(), d.inny});
    EXPECT_EQ(wynik.status, 0) << wynik.err.toStdString();
    EXPECT_EQ(wynik.out,
              (kPlanInnego + QStringList{u"Dziennik sprzed dołączenia zachowano w pliku "_s +
                                         d.path() + u".przed-dolaczeniem2"_s})
                      .join(u'\n') +
                  u'\n');
    EXPECT_EQ(d.count(u"Mecze"_s), 7);
}

// The old program's file goes through the reader; its dangling references stay dangling.
TEST(Merge, AnOldProgramsFileIsMergedThroughTheReader) {
    Diary awkward;
    fillAwkwardDiary(awkward);
    const QString jet = awkward.dir() + u"/dawny.mdb"_s;
    writeOldDiary(awkward.path(), jet, jetfile::Options(jetfile::Version::Jet4));
    QTemporaryDir dir;
    const QString cel = nowyDziennik(dir.path() + u"/Mirvola.mdb"_s);
    const dolaczenie::Wynik wynik = dolaczenie::dolacz(cel, jet);
    EXPECT_EQ(wynik.plan.rodzaj, u"dziennik dawnej wersji programu (Jet 4)"_s);
    EXPECT_EQ(wynik.plan.meczeDoDodania, 6);
    EXPECT_EQ(tresc(cel), tresc(awkward.path()));
    EXPECT_TRUE(dolaczenie::przygotuj(cel, jet).pusty());
}

// The other file brings rows, never code, and only a diary is taken; any refusal leaves the
// diary as it was, without a kept copy.
TEST(Merge, OnlyTheRowsOfAnotherDiaryAreTakenAndARefusalChangesNothing) {
    Skrojony d;
    const QByteArray hash = fileHash(d.path());
    const auto odmowa = [&](const QString& plik) {
        try {
            dolaczenie::dolacz(d.path(), plik);
        } catch (const engine::Error& e) {
            EXPECT_EQ(fileHash(d.path()), hash);
            EXPECT_FALSE(QFile::exists(d.path() + u".przed-dolaczeniem"_s));
            return e.description();
        }
        ADD_FAILURE() << "merged " << plik.toStdString();
        return QString();
    };
    const QString widok = d.dir() + u"/widok.mdb"_s;
    QFile::copy(d.inny, widok);
    wykonaj(widok,
            u"DROP TABLE Jak; CREATE VIEW Jak AS SELECT 1 AS Id_jak, 'x' AS Jak, 0 AS CzySam"_s);
    EXPECT_EQ(odmowa(widok), u"Plik '%1' nie ma tabeli Jak."_s.arg(widok));
    const QString obcy = d.dir() + u"/obcy.mdb"_s;
    wykonaj(obcy, u"CREATE TABLE Notatki (Tekst TEXT)"_s);
    EXPECT_EQ(odmowa(obcy),
              u"Plik '%1' nie jest dziennikiem programu Mirvola ani dziennikiem "
              "jego dawnej wersji."_s.arg(obcy));
    const QString nowszy = d.dir() + u"/nowszy.mdb"_s;
    QFile::copy(d.inny, nowszy);
    wykonaj(nowszy, u"PRAGMA user_version = 2"_s);
    EXPECT_EQ(odmowa(nowszy),
              u"Plik '%1' jest dziennikiem nowszej wersji programu Mirvola."_s.arg(nowszy));
    EXPECT_EQ(engine::err::FileNotFound,
              errorOf([&] { dolaczenie::przygotuj(d.path(), d.dir() + u"/brak.mdb"_s); }));

    // A trigger and a view in a merged file stay there.
    wykonaj(d.inny,
            u"CREATE TRIGGER znacznik AFTER INSERT ON Mecze BEGIN DELETE FROM Kluby; END;"
            "CREATE VIEW Podglad AS SELECT * FROM Mecze"_s);
    dolaczenie::dolacz(d.path(), d.inny);
    EXPECT_EQ(d.column(u"SELECT name FROM sqlite_master WHERE type IN ('trigger', 'view')"_s),
              QStringList());
    EXPECT_EQ(d.count(u"Kluby"_s), 6);

    OtherProcess inny(d.path());
    if (!inny.holds()) {
        GTEST_SKIP() << "the sqlite3 shell is needed to hold the diary from another process";
    }
    const QByteArray trzymany = fileHash(d.path());
    EXPECT_EQ(errorOf([&] { dolaczenie::dolacz(d.path(), widok + u"x"_s); }),
              engine::err::FileNotFound);
    Skrojony drugi;
    EXPECT_EQ(errorOf([&] { dolaczenie::dolacz(d.path(), drugi.inny); }), engine::err::FileInUse);
    inny.release();
    EXPECT_EQ(fileHash(d.path()), trzymany);
    EXPECT_FALSE(QFile::exists(d.path() + u".przed-dolaczeniem2"_s));
}

// ---- from the menu

TEST(MergeWindow, PreviewThenNoThenYesFromTheMenu) {
    Skrojony d;
    frmMain okno;
    QAction* dolacz = child<QAction>(okno, "itmDolaczMecze");
    EXPECT_EQ(dolacz->text(), u"Dołą&cz mecze z innego dziennika..."_s);
    QTreeWidget* mecze = child<QTreeWidget>(okno, "lstMecze");
    child<QAction>(okno, "itmTylkoOficjalne")->trigger();  // every match
    ASSERT_EQ(mecze->topLevelItemCount(), 5);
    // The lists stand apart from the counts in the box.
    const auto wOknie = [](QStringList linie) {
        linie.insert(12, QString());
        linie.insert(10, QString());
        return linie.join(u'\n');
    };
    const QString pytanie =
        u"Dołączenie meczów z pliku\n%1\n(dziennik programu Mirvola):\n\n%2\n\nCzy dołączyć? "
        "Obecny dziennik zostanie zachowany obok jako Mirvola.mdb.przed-dolaczeniem."_s.arg(
            d.inny, wOknie(kPlanInnego));
    const QByteArray hash = fileHash(d.path());
    Script s;
    s.file(u"Dołącz mecze z innego dziennika"_s, d.inny,
           [](const ui::FileRequest& r) { EXPECT_EQ(r.mode, ui::FileMode::Open); });
    s.message({u"Pytanie"_s, pytanie, ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::No},
              ui::Answer::No);
    dolacz->trigger();
    s.verify();
    EXPECT_EQ(fileHash(d.path()), hash);
    EXPECT_FALSE(QFile::exists(d.path() + u".przed-dolaczeniem"_s));

    s.file(u"Dołącz mecze z innego dziennika"_s, d.inny);
    s.message(u"Pytanie"_s, pytanie, ui::Answer::Yes);
    s.message(info(u"Mecze z pliku\ninny.mdb\nzostały dołączone do dziennika.\n\nDodano: mecze: 2, "
                   "bramki: 3, kluby: 1, gracze: 1, rozgrywki: 0, sezony: 0, rodzaje goli: 0.\n"
                   "Pominięto mecze, które już są w dzienniku: 1.\nPozostawiono bez zmian mecze "
                   "sprzeczne z dziennikiem: 1.\n\nDziennik sprzed dołączenia zachowano w pliku\n"
                   "Mirvola.mdb.przed-dolaczeniem"_s),
              ui::Answer::Ok);
    dolacz->trigger();
    s.verify();
    EXPECT_EQ(mecze->topLevelItemCount(), 6) << "the list refills (the dangling club's match is "
                                                "not listed, as no club joins it)";
    EXPECT_EQ(d.count(u"Mecze"_s), 7);

    // A file that is no diary: said so, nothing changed.
    const QString obcy = d.dir() + u"/obcy.mdb"_s;
    wykonaj(obcy, u"CREATE TABLE Notatki (Tekst TEXT)"_s);
    s.file(u"Dołącz mecze z innego dziennika"_s, obcy);
    s.message(notice(u"Plik '%1' nie jest dziennikiem programu Mirvola ani dziennikiem jego "
                     "dawnej wersji.\nDziennik nie został zmieniony."_s.arg(obcy)),
              ui::Answer::Ok);
    dolacz->trigger();
    s.verify();

    // Nothing left to add: said so, nothing changed.
    const QByteArray po = fileHash(d.path());
    s.file(u"Dołącz mecze z innego dziennika"_s, d.inny);
    s.message(info(u"W pliku\n%1\nnie ma nic, czego brakuje w dzienniku.\n\n%2\n\nDziennik nie "
                   "został zmieniony."_s.arg(
                       d.inny, wOknie(dolaczenie::przygotuj(d.path(), d.inny).linie()))),
              ui::Answer::Ok);
    dolacz->trigger();
    s.verify();
    EXPECT_EQ(fileHash(d.path()), po);
}
