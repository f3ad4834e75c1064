// Every RIGHT JOIN reaches SQLite as a LEFT JOIN and nests are undone where that keeps the
// rows. The rows (and their order under ORDER BY) must stay those of the nested texts that
// went to SQLite before: those texts are kept here and run beside the new translation on a
// diary whose matches and goals miss their club, season, competition, player or kind, with a
// club without matches and a player without goals.
#include "data/engine/SqlFunctions.h"
#include "data/engine/SqlTranslator.h"
#include "support/Diary.h"
#include "support/Widgets.h"

#include <QFile>
#include <QRegularExpression>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;
using engine::SqlTranslator;

namespace {

struct Case {
    QString name;
    QString dialect;
    QString nested;  // the translation of the nested joins as SQLite received it before
    // The nest stays: undone it would give other rows (a left join around an inner one, an
    // inner condition that a row of Nulls passes, an outer condition reading the inner right
    // table). The data below has the rows that would show the difference.
    bool staysNested = false;
};

// Every ORDER BY here orders the fixture's rows completely, so the rows must come in the same
// sequence.
const Case kCases[] = {
    {u"main list, every competition"_s,
     u"SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie = 'W', Kluby.Druzyna & ' - Mirvola Wendrow' ,'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, Rozgrywki.Oficjalny, Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE Rozgrywki.Oficjalny In (False, True) ORDER BY Sezony.Sezon DESC, Mecze.Data DESC"_s,
     u"SELECT Mecze.Id_meczu AS Id_meczu, Sezony.Sezon AS Sezon, Mecze.Data AS Data, CASE WHEN Mecze.Gdzie COLLATE MIRVOLA_PL = 'W' THEN mv_concat(Kluby.Druzyna, ' - Mirvola Wendrow') ELSE mv_concat('Mirvola Wendrow - ', Kluby.Druzyna) END AS Para, mv_concat(Mecze.Wyn1, ':', Mecze.Wyn2) AS Wynik, Rozgrywki.Nazwa AS Nazwa, Rozgrywki.Oficjalny AS Oficjalny, Mecze.Komentarz AS Komentarz FROM Rozgrywki RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE Rozgrywki.Oficjalny IN (0, -1) ORDER BY Sezony.Sezon COLLATE MIRVOLA_PL DESC, Mecze.Data COLLATE MIRVOLA_PL DESC"_s},
    {u"viewer: every match"_s,
     u"SELECT Mecze.Id_meczu, Sezony.Id_sezonu, Sezony.Sezon, Mecze.Data, Mecze.Gdzie, Mecze.Id_klubu, Kluby.Druzyna, Mecze.Wyn1, Mecze.Wyn2, Rozgrywki.Id_rozgrywki, Rozgrywki.Nazwa, Mecze.Komentarz FROM Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki ORDER BY Sezony.Sezon, Mecze.Data"_s,
     u"SELECT Mecze.Id_meczu AS Id_meczu, Sezony.Id_sezonu AS Id_sezonu, Sezony.Sezon AS Sezon, Mecze.Data AS Data, Mecze.Gdzie AS Gdzie, Mecze.Id_klubu AS Id_klubu, Kluby.Druzyna AS Druzyna, Mecze.Wyn1 AS Wyn1, Mecze.Wyn2 AS Wyn2, Rozgrywki.Id_rozgrywki AS Id_rozgrywki, Rozgrywki.Nazwa AS Nazwa, Mecze.Komentarz AS Komentarz FROM Rozgrywki RIGHT JOIN (Kluby RIGHT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki ORDER BY Sezony.Sezon COLLATE MIRVOLA_PL, Mecze.Data COLLATE MIRVOLA_PL"_s},
    {u"viewer: goals of every match"_s,
     u"SELECT Bramki.Id_meczu, Bramki.Nr_pozycji, Bramki.Czy_Mirvola, Bramki.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))) AS Strzelec, Bramki.Minuta, Jak.Id_jak, Jak.Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN (Gracze RIGHT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu ORDER BY Mecze.Id_meczu, Bramki.Nr_pozycji"_s,
     u"SELECT Bramki.Id_meczu AS Id_meczu, Bramki.Nr_pozycji AS Nr_pozycji, Bramki.Czy_Mirvola AS Czy_Mirvola, Bramki.Id_gracza AS Id_gracza, trim(CASE WHEN Gracze.Nazwisko IS NULL THEN Gracze.Przydomek ELSE mv_concat(Gracze.Imie, ' ', Gracze.Nazwisko, CASE WHEN Gracze.Przydomek IS NULL THEN '' ELSE mv_concat(' ', Gracze.Przydomek) END) END) AS Strzelec, Bramki.Minuta AS Minuta, Jak.Id_jak AS Id_jak, Jak.Jak AS Jak FROM Mecze LEFT JOIN (Jak RIGHT JOIN (Gracze RIGHT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu ORDER BY Mecze.Id_meczu COLLATE MIRVOLA_PL, Bramki.Nr_pozycji COLLATE MIRVOLA_PL"_s},
    {u"player statistics"_s,
     u"SELECT Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))) AS Zawodnik, Count(Bramki.Id_gracza) AS Bramki, Gracze.Id_gracza FROM Jak RIGHT JOIN (Mecze RIGHT JOIN (Gracze LEFT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Mecze.Id_meczu = Bramki.Id_meczu) ON Jak.Id_jak = Bramki.Id_jak WHERE (Mecze.Id_rozgrywki In (1, 2, 3) AND Mecze.Gdzie In ('D', 'W', 'N')) GROUP BY Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Imie & ' ' & Gracze.Nazwisko & IIf(IsNull(Gracze.Przydomek), '', ' ' & Gracze.Przydomek))), Gracze.Id_gracza, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Nazwisko & ' ' & Gracze.Imie & IIf(IsNull(Gracze.Przydomek), '', Gracze.Przydomek))) ORDER BY Count(Bramki.Id_gracza) DESC, Trim(IIf(IsNull(Gracze.Nazwisko), Gracze.Przydomek, Gracze.Nazwisko & ' ' & Gracze.Imie & IIf(IsNull(Gracze.Przydomek), '', Gracze.Przydomek)))"_s,
     u"SELECT trim(CASE WHEN Gracze.Nazwisko IS NULL THEN Gracze.Przydomek ELSE mv_concat(Gracze.Imie, ' ', Gracze.Nazwisko, CASE WHEN Gracze.Przydomek IS NULL THEN '' ELSE mv_concat(' ', Gracze.Przydomek) END) END) AS Zawodnik, count(Bramki.Id_gracza) AS Bramki, Gracze.Id_gracza AS Id_gracza FROM Jak RIGHT JOIN (Mecze RIGHT JOIN (Gracze LEFT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Mecze.Id_meczu = Bramki.Id_meczu) ON Jak.Id_jak = Bramki.Id_jak WHERE ((Mecze.Id_rozgrywki IN (1, 2, 3)) AND (Mecze.Gdzie COLLATE MIRVOLA_PL IN ('D', 'W', 'N'))) GROUP BY trim(CASE WHEN Gracze.Nazwisko IS NULL THEN Gracze.Przydomek ELSE mv_concat(Gracze.Imie, ' ', Gracze.Nazwisko, CASE WHEN Gracze.Przydomek IS NULL THEN '' ELSE mv_concat(' ', Gracze.Przydomek) END) END), Gracze.Id_gracza, trim(CASE WHEN Gracze.Nazwisko IS NULL THEN Gracze.Przydomek ELSE mv_concat(Gracze.Nazwisko, ' ', Gracze.Imie, CASE WHEN Gracze.Przydomek IS NULL THEN '' ELSE Gracze.Przydomek END) END) ORDER BY count(Bramki.Id_gracza) COLLATE MIRVOLA_PL DESC, trim(CASE WHEN Gracze.Nazwisko IS NULL THEN Gracze.Przydomek ELSE mv_concat(Gracze.Nazwisko, ' ', Gracze.Imie, CASE WHEN Gracze.Przydomek IS NULL THEN '' ELSE Gracze.Przydomek END) END) COLLATE MIRVOLA_PL"_s},
    {u"player goals of every player"_s,
     u"SELECT Gracze.Id_gracza, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie='W', Kluby.Druzyna & ' - Mirvola Wendrow', 'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, IIf((Bramki.Czy_Mirvola), 'Mirvola Wendrow' , Kluby.Druzyna) AS BramkaDla, Mecze.Wyn1 & ':' & Mecze.Wyn2 AS Wynik, Bramki.Minuta, Jak.Jak, Rozgrywki.Nazwa FROM Sezony RIGHT JOIN (Rozgrywki RIGHT JOIN ((Kluby RIGHT JOIN Mecze ON Kluby.Id_klubu = Mecze.Id_klubu) RIGHT JOIN (Jak RIGHT JOIN (Gracze LEFT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki) ON Sezony.Id_sezonu = Mecze.Id_sezonu ORDER BY Gracze.Id_gracza, Bramki.Id_meczu, Bramki.Nr_pozycji"_s,
     u"SELECT Gracze.Id_gracza AS Id_gracza, Sezony.Sezon AS Sezon, Mecze.Data AS Data, CASE WHEN Mecze.Gdzie COLLATE MIRVOLA_PL = 'W' THEN mv_concat(Kluby.Druzyna, ' - Mirvola Wendrow') ELSE mv_concat('Mirvola Wendrow - ', Kluby.Druzyna) END AS Para, CASE WHEN (Bramki.Czy_Mirvola) THEN 'Mirvola Wendrow' ELSE Kluby.Druzyna END AS BramkaDla, mv_concat(Mecze.Wyn1, ':', Mecze.Wyn2) AS Wynik, Bramki.Minuta AS Minuta, Jak.Jak AS Jak, Rozgrywki.Nazwa AS Nazwa FROM Sezony RIGHT JOIN (Rozgrywki RIGHT JOIN ((Kluby RIGHT JOIN Mecze ON Kluby.Id_klubu = Mecze.Id_klubu) RIGHT JOIN (Jak RIGHT JOIN (Gracze LEFT JOIN Bramki ON Gracze.Id_gracza = Bramki.Id_gracza) ON Jak.Id_jak = Bramki.Id_jak) ON Mecze.Id_meczu = Bramki.Id_meczu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki) ON Sezony.Id_sezonu = Mecze.Id_sezonu ORDER BY Gracze.Id_gracza COLLATE MIRVOLA_PL, Bramki.Id_meczu COLLATE MIRVOLA_PL, Bramki.Nr_pozycji COLLATE MIRVOLA_PL"_s},
    {u"SELECT * over the list joins"_s,
     u"SELECT * FROM Rozgrywki RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki ORDER BY Mecze.Id_meczu, Kluby.Id_klubu"_s,
     u"SELECT * FROM Rozgrywki RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki ORDER BY Mecze.Id_meczu COLLATE MIRVOLA_PL, Kluby.Id_klubu COLLATE MIRVOLA_PL"_s},
    {u"left join around an inner join"_s,
     u"SELECT Kluby.Id_klubu, Mecze.Id_meczu, Rozgrywki.Nazwa FROM Kluby LEFT JOIN (Mecze INNER JOIN Rozgrywki ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki) ON Kluby.Id_klubu = Mecze.Id_klubu ORDER BY Kluby.Id_klubu, Mecze.Id_meczu"_s,
     u"SELECT Kluby.Id_klubu AS Id_klubu, Mecze.Id_meczu AS Id_meczu, Rozgrywki.Nazwa AS Nazwa FROM Kluby LEFT JOIN (Mecze INNER JOIN Rozgrywki ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki) ON Kluby.Id_klubu = Mecze.Id_klubu ORDER BY Kluby.Id_klubu COLLATE MIRVOLA_PL, Mecze.Id_meczu COLLATE MIRVOLA_PL"_s,
     true},
    {u"inner condition that accepts a Null match"_s,
     u"SELECT Kluby.Id_klubu, Mecze.Id_meczu, Sezony.Sezon FROM Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Sezony.Id_sezonu = Mecze.Id_sezonu OR Sezony.Id_sezonu = 1) ON Kluby.Id_klubu = Mecze.Id_klubu ORDER BY Kluby.Id_klubu, Mecze.Id_meczu, Sezony.Sezon"_s,
     u"SELECT Kluby.Id_klubu AS Id_klubu, Mecze.Id_meczu AS Id_meczu, Sezony.Sezon AS Sezon FROM Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON (Sezony.Id_sezonu = Mecze.Id_sezonu) OR (Sezony.Id_sezonu = 1)) ON Kluby.Id_klubu = Mecze.Id_klubu ORDER BY Kluby.Id_klubu COLLATE MIRVOLA_PL, Mecze.Id_meczu COLLATE MIRVOLA_PL, Sezony.Sezon COLLATE MIRVOLA_PL"_s,
     true},
    {u"outer condition that reads the inner right table"_s,
     u"SELECT Kluby.Id_klubu, Mecze.Id_meczu, Sezony.Sezon FROM Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu AND Sezony.Id_sezonu > 1 ORDER BY Kluby.Id_klubu, Mecze.Id_meczu"_s,
     u"SELECT Kluby.Id_klubu AS Id_klubu, Mecze.Id_meczu AS Id_meczu, Sezony.Sezon AS Sezon FROM Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON (Kluby.Id_klubu = Mecze.Id_klubu) AND (Sezony.Id_sezonu > 1) ORDER BY Kluby.Id_klubu COLLATE MIRVOLA_PL, Mecze.Id_meczu COLLATE MIRVOLA_PL"_s,
     true},
    {u"inner join around a left join"_s,
     u"SELECT Mecze.Id_meczu, Bramki.Nr_pozycji, Gracze.Nazwisko FROM Mecze INNER JOIN (Bramki LEFT JOIN Gracze ON Gracze.Id_gracza = Bramki.Id_gracza) ON Mecze.Id_meczu = Bramki.Id_meczu ORDER BY Mecze.Id_meczu, Bramki.Nr_pozycji"_s,
     u"SELECT Mecze.Id_meczu AS Id_meczu, Bramki.Nr_pozycji AS Nr_pozycji, Gracze.Nazwisko AS Nazwisko FROM Mecze INNER JOIN (Bramki LEFT JOIN Gracze ON Gracze.Id_gracza = Bramki.Id_gracza) ON Mecze.Id_meczu = Bramki.Id_meczu ORDER BY Mecze.Id_meczu COLLATE MIRVOLA_PL, Bramki.Nr_pozycji COLLATE MIRVOLA_PL"_s},
    {u"aliases"_s,
     u"SELECT m.Id_meczu, k.Druzyna, s.Sezon FROM Kluby AS k RIGHT JOIN (Mecze AS m LEFT JOIN Sezony s ON m.Id_sezonu = s.Id_sezonu) ON k.Id_klubu = m.Id_klubu ORDER BY m.Id_meczu"_s,
     u"SELECT m.Id_meczu AS Id_meczu, k.Druzyna AS Druzyna, s.Sezon AS Sezon FROM Kluby AS k RIGHT JOIN (Mecze AS m LEFT JOIN Sezony AS s ON m.Id_sezonu = s.Id_sezonu) ON k.Id_klubu = m.Id_klubu ORDER BY m.Id_meczu COLLATE MIRVOLA_PL"_s},
    {u"a WHERE that asks for the season filled with Nulls"_s,
     u"SELECT Mecze.Id_meczu, Kluby.Druzyna FROM Kluby RIGHT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu WHERE Sezony.Id_sezonu Is Null ORDER BY Mecze.Id_meczu"_s,
     u"SELECT Mecze.Id_meczu AS Id_meczu, Kluby.Druzyna AS Druzyna FROM Kluby RIGHT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) ON Kluby.Id_klubu = Mecze.Id_klubu WHERE Sezony.Id_sezonu IS NULL ORDER BY Mecze.Id_meczu COLLATE MIRVOLA_PL"_s},
};

// The sample diary and the loose ends of a long-kept one: a match whose season, club or
// competition row is gone, goals whose player or kind is gone, a club without matches and a
// player without goals.
struct JoinDiary : SampleDiary {
    JoinDiary() {
        exec(
            uR"SQL(
INSERT INTO Kluby (Id_klubu, Druzyna) VALUES (5, 'Bez meczów');
INSERT INTO Gracze (Id_gracza, Imie, Nazwisko, Przydomek) VALUES (6, 'Jan', 'Bezbramkowy', NULL);
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki,
  Komentarz) VALUES
  (6, 99, '2003-05-01', 'D', 2, 1, 0, 1, NULL),
  (7, 2, '2003-05-08', 'W', 99, 0, 2, 2, NULL),
  (8, 2, '2003-05-15', 'N', 3, 2, 2, 99, NULL);
INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES
  (6, 1, -1, 99, 12, 1), (7, 1, -1, 2, 33, 99), (7, 2, -1, 1, 70, 2),
  (8, 1, -1, 4, 5, 1), (8, 2, 0, 3, 60, 1);
)SQL"_s);
        sqlite3_open_v2(QFile::encodeName(path()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        engine::registerSqlFunctions(db);
    }
    ~JoinDiary() { sqlite3_close(db); }

    QStringList columnNames(const QString& sql) const {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr);
        QStringList names;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            names << QString::fromUtf8(sqlite3_column_name(stmt, i));
        }
        sqlite3_finalize(stmt);
        return names;
    }

    sqlite3* db = nullptr;
};

TEST(JoinRewriting, GivesTheRowsOfTheNestedJoinsAsOneChainWithoutSubqueries) {
    const JoinDiary diary;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString sql = SqlTranslator::translate(c.dialect);
        SCOPED_TRACE(sql.toStdString());
        // SQLite named the repeated columns of a nested join "Id_klubu:1"; the old engine, and
        // a join without nesting, name them after the column alone.
        EXPECT_EQ(diary.columnNames(sql), diary.columnNames(c.nested).replaceInStrings(
                                              QRegularExpression(u":\\d+$"_s), {}));
        const auto nestedRows = rowsOf(diary.db, c.nested);
        ASSERT_FALSE(nestedRows.empty());
        EXPECT_EQ(rowsOf(diary.db, sql), nestedRows);
        if (c.staysNested) {
            continue;
        }
        // The windows' joins come out as one chain that SQLite joins by its indexes: no nested
        // join is left for it to build as a subquery of its own.
        EXPECT_FALSE(sql.contains(u"RIGHT JOIN"_s) || sql.contains(u"JOIN ("_s));
        for (const QStringList& step : rowsOf(diary.db, u"EXPLAIN QUERY PLAN "_s + sql)) {
            EXPECT_FALSE(step.value(3).contains(u"MATERIALIZE"_s) ||
                         step.value(3).contains(u"CO-ROUTINE"_s))
                << step.value(3).toStdString();
        }
    }
}

}  // namespace
