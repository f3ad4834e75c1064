// Records and season sums over diaries built for each case, through the core and through
// mirvola-db.

#include "data/Rekordy.h"
#include "data/SezonyStatystyki.h"
#include "data/engine/Database.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QString kWstawMecze =
    u"INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, "
    "Id_rozgrywki) VALUES "_s;

// Ten league matches whose ids do not follow their dates. In chronological order:
//   id 3 home 2:0 W, id 1 away 1:4 W, id 7 neutral 0:0 D, id 2 home 1:3 L, id 10 away 4:0 L,
//   id 4 home 5:1 W, then in the next season id 9 neutral 2:2 D, id 5 without a score,
//   id 8 home 1:0 W, id 6 home 0:1 L.
// Jan Kowalski Kowal scores 3 of the 4 in match 1. Ronaldinho's four goals in match 10 count
// for the opponent and his four in match 4 are own goals: neither is a record.
void fillLeague(const Diary& d) {
    d.exec(
        u"INSERT INTO Sezony VALUES (1, '2002/03'), (2, '2001/02');"
        "INSERT INTO Kluby VALUES (1, 'Legia'), (2, 'Wisła'), (3, 'Łódzki KS'), (4, 'Arka');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1), (2, 'Sparing', 0);"
        "INSERT INTO Jak VALUES (1, 'z gry', 0), (2, 'samobójczy', -1);"
        "INSERT INTO Gracze VALUES (1, 'Jan', 'Kowalski', 'Kowal'), (2, 'Adam', 'Nowak', NULL),"
        "  (3, NULL, NULL, 'Ronaldinho');"_s +
        kWstawMecze +
        u"(3, 2, '2001-08-01', 'D', 1, 2, 0, 1), (1, 2, '2001-08-08', 'W', 2, 1, 4, 1),"
        "(7, 2, '2001-08-15', 'N', 3, 0, 0, 1), (2, 2, '2001-08-22', 'D', 4, 1, 3, 1),"
        "(10, 2, '2001-08-29', 'W', 1, 4, 0, 1), (4, 2, '2001-09-05', 'D', 1, 5, 1, 1),"
        "(9, 1, '2002-09-12', 'N', 2, 2, 2, 1), (5, 1, '2002-09-19', 'D', 4, NULL, NULL, 1),"
        "(8, 1, '2002-09-26', 'D', 2, 1, 0, 1), (6, 1, '2002-10-03', 'D', 1, 0, 1, 1);"
        "INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES"
        "(1, 1, 0, 3, 5, 1), (1, 2, -1, 1, 10, 1), (1, 3, -1, 1, 20, 1), (1, 4, -1, 2, 30, 1),"
        "(1, 5, -1, 1, 40, 1),"
        "(10, 1, 0, 3, 1, 1), (10, 2, 0, 3, 2, 1), (10, 3, 0, 3, 3, 1), (10, 4, 0, 3, 4, 1),"
        "(4, 1, -1, 2, 1, 1), (4, 2, -1, 3, 2, 2), (4, 3, -1, 3, 3, 2), (4, 4, -1, 3, 4, 2),"
        "(4, 5, -1, 3, 5, 2), (4, 6, 0, 1, 6, 1);"_s);
}

QStringList lines(const Diary& d, const wybor::Filtr& filtr = {}) {
    QStringList result;
    for (const rekordy::Rekord& r : rekordy::Rekordy(d.path(), filtr)) {
        result << rekordy::LiniaRekordu(r);
    }
    return result;
}

// The records' lines for these values, each after its record's name.
QStringList named(const QStringList& values) {
    static const QStringList names =
        qs({"Najwyższe zwycięstwo", "Najwyższa porażka", "Najwięcej bramek w meczu",
            "Najdłuższa seria zwycięstw", "Najdłuższa seria bez porażki",
            "Najdłuższa seria bez zwycięstwa", "Najwięcej meczów z jednym rywalem",
            "Najwięcej bramek zawodnika w meczu"});
    QStringList result;
    for (qsizetype i = 0; i < values.size(); ++i) {
        result << names.value(i) + u'\t' + values[i];
    }
    return result;
}

// Every record without a qualifying match.
const QStringList kNoRecords = named(QStringList(8, u"brak"_s));

// Seasons as "name matches W D L for against".
QStringList seasons(const Diary& d, const wybor::Filtr& filtr = {}) {
    QStringList result;
    for (const sezony::Sezon& s : sezony::Sezony(d.path(), filtr)) {
        result << QString::asprintf("%s %d %d %d %d %d %d", s.sezon.toUtf8().constData(), s.mecze,
                                    s.zwyciestwa, s.remisy, s.porazki, s.strzelone, s.stracone);
    }
    return result;
}

}  // namespace

TEST(Rekordy, EachRecordFollowsItsDefinitionInChronologicalOrder) {
    Diary d;
    fillLeague(d);
    EXPECT_EQ(lines(d), named(qs({"+4\t4", "-4\t10", "6\t4", "2\t3,1", "3\t3,1,7", "3\t7,2,10",
                                  "4\tLegia", "3\tJan Kowalski Kowal@1"})));

    // A run knows every match it spans, for the viewer to step through.
    EXPECT_EQ(rekordy::Rekordy(d.path(), {})[5].mecze, (std::vector<qint64>{7, 2, 10}));
}

TEST(Rekordy, TiesListEveryMatchClubAndPlayerInOrder) {
    Diary d;
    // Chronological order is the reverse of the ids: W W L L W W L L, every sum 4.
    d.exec(
        u"INSERT INTO Kluby VALUES (1, 'Łódzki KS'), (2, 'Lech'), (3, 'Zagłębie');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "INSERT INTO Jak VALUES (1, 'z gry', 0);"
        "INSERT INTO Gracze VALUES (1, 'Zenon', 'Ziółko', NULL), (2, 'Łukasz', 'Nowak', NULL),"
        "  (3, NULL, NULL, 'Ronaldinho');"_s +
        kWstawMecze +
        u"(8, NULL, '2003-01-01', 'D', 1, 4, 0, 1), (7, NULL, '2003-01-08', 'W', 2, 0, 4, 1),"
        "(6, NULL, '2003-01-15', 'D', 3, 0, 4, 1), (5, NULL, '2003-01-22', 'W', 1, 4, 0, 1),"
        "(4, NULL, '2003-01-29', 'N', 2, 4, 0, 1), (3, NULL, '2003-02-05', 'D', 3, 4, 0, 1),"
        "(2, NULL, '2003-02-12', 'D', 3, 1, 3, 1), (1, NULL, '2003-02-19', 'W', 1, 3, 1, 1);"
        "INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES"
        "(8, 1, -1, 1, 1, 1), (8, 2, -1, 2, 2, 1), (8, 3, -1, 1, 3, 1), (8, 4, -1, 2, 4, 1),"
        "(3, 1, -1, 1, 1, 1), (3, 2, -1, 3, 2, 1), (3, 3, -1, 3, 3, 1), (3, 4, -1, 1, 4, 1);"_s);
    EXPECT_EQ(lines(d),
              named(qs({"+4\t8,7,4,3", "-4\t6,5", "4\t8,7,6,5,4,3,2,1", "2\t8,7", "2\t8,7",
                        "2\t6,5", "3\tŁódzki KS,Zagłębie",
                        "2\tŁukasz Nowak@8,Zenon Ziółko@8,Ronaldinho@3,Zenon Ziółko@3"})));
}

TEST(Rekordy, UndatedMatchesComeLastAndAMatchWithoutAScoreEndsARun) {
    Diary d;
    d.exec(
        u"INSERT INTO Kluby VALUES (1, 'Arka');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"_s +
        kWstawMecze +
        u"(5, NULL, '2004-01-01', 'D', 1, 1, 0, 1), (2, NULL, NULL, 'D', 1, 2, 0, 1),"
        "(9, NULL, '2004-02-01', 'D', 1, 1, 0, 1), (3, NULL, '2004-03-01', 'D', 1, NULL, NULL, 1),"
        "(1, NULL, NULL, 'D', 1, 1, 0, 1), (4, NULL, '2004-04-01', 'D', 1, 1, 0, 1);"_s);
    // In order 5, 9, 3 (no score), 4, then the undated 1 and 2.
    EXPECT_EQ(
        lines(d),
        named(qs({"+2\t2", "brak", "2\t2", "3\t4,1,2", "3\t4,1,2", "brak", "6\tArka", "brak"})));
}

TEST(Rekordy, EmptyGoallessOneMatchAndMissingDiaries) {
    Diary d;
    EXPECT_EQ(lines(d), kNoRecords);

    // One goalless draw on neutral ground: only the runs and the opponent have a value; a
    // record of no goals is no record.
    d.exec(
        u"INSERT INTO Kluby VALUES (1, 'Legia');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"_s +
        kWstawMecze + u"(1, NULL, '2004-05-01', 'N', 1, 0, 0, 1);"_s);
    QStringList expected = QStringList(8, u"brak"_s);
    expected[4] = expected[5] = u"1\t1"_s;
    expected[6] = u"1\tLegia"_s;
    EXPECT_EQ(lines(d), named(expected));

    // One match without a score: no result, so no run either.
    d.exec(u"UPDATE Mecze SET Wyn1 = NULL, Wyn2 = NULL"_s);
    expected[4] = expected[5] = u"brak"_s;
    EXPECT_EQ(lines(d), named(expected));

    // No diary at all is the engine's error, as for every other reader.
    QFile::remove(d.path());
    EXPECT_EQ(errorOf([&] { rekordy::Rekordy(d.path(), {}); }),
              errorOf([&] { engine::Database::open(d.path()); }));
    EXPECT_NE(errorOf([&] { sezony::Sezony(d.path(), {}); }), 0);
}

TEST(Rekordy, FiltersChooseTheMatchesAndRunsCountOnlyThoseAndTheToolTakesAll) {
    Diary d;
    fillLeague(d);
    // An unofficial 9:0 on neutral ground beats every league record while its competition
    // is chosen.
    d.exec(kWstawMecze + u"(11, 1, '2002-09-20', 'N', 4, 9, 0, 2);"_s);
    EXPECT_EQ(lines(d, {u"(1, 2)"_s, u"('D', 'W', 'N')"_s})[0], u"Najwyższe zwycięstwo\t+9\t11"_s);

    // League matches away and on neutral ground only: 1 W, 7 D, 10 L, 9 D.
    EXPECT_EQ(lines(d, {u"(1)"_s, u"('W', 'N')"_s}),
              named(qs({"+3\t1", "-4\t10", "5\t1", "1\t1", "2\t1,7", "3\t7,10,9", "2\tWisła",
                        "3\tJan Kowalski Kowal@1"})));

    // The empty choices of the windows match nothing.
    EXPECT_EQ(lines(d, {u"(0)"_s, u"('D', 'W', 'N')"_s}), kNoRecords);
    EXPECT_EQ(lines(d, {u"(1, 2)"_s, u"('A')"_s}), kNoRecords);

    // mirvola-db prints the records and seasons over every match, whatever its competition.
    ToolRun run = tool({u"records"_s, d.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(u"Najwyższe zwycięstwo\t+9\t11\n"_s));
    EXPECT_EQ(run.out, lines(d).join(u'\n') + u'\n');
    run = tool({u"seasons"_s, d.path()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              u"Sezon\tMecze\tZ\tR\tP\tBr+\tBr-\n2001/02\t6\t3\t1\t2\t12\t9\n"
              "2002/03\t5\t2\t1\t1\t12\t3\n"_s);
}

TEST(Rekordy, RowsMissingFromTheDictionaries) {
    Diary d;
    fillLeague(d);
    // Legia's row is gone: its four matches still count everywhere but among the opponents.
    // Kowalski's row is gone: his goals cannot be named. A kind that is gone could have been
    // an own goal: Nowak's goals of that kind do not count.
    d.exec(
        u"DELETE FROM Kluby WHERE Id_klubu = 1; DELETE FROM Gracze WHERE Id_gracza = 1;"
        "INSERT INTO Bramki VALUES (8, 1, -1, 2, 10, 99), (8, 2, -1, 2, 20, 99),"
        "  (8, 3, -1, 2, 30, 99), (8, 4, -1, 2, 40, 99);"_s);
    const QStringList r = lines(d);
    EXPECT_EQ(r[1], u"Najwyższa porażka\t-4\t10"_s);
    EXPECT_EQ(r[6], u"Najwięcej meczów z jednym rywalem\t3\tWisła"_s);
    EXPECT_EQ(r[7], u"Najwięcej bramek zawodnika w meczu\t1\tAdam Nowak@1,Adam Nowak@4"_s);
    const auto rekordy = rekordy::Rekordy(d.path(), {});
    EXPECT_EQ(rekordy[1].pozycje[0].mecz->para, u" - Mirvola Wendrow"_s);  // as the viewer shows it
}

TEST(Sezony, SeasonsSumResultsAndGoalsInSeasonOrder) {
    Diary d;
    fillLeague(d);
    // A match whose season row is gone stands after the seasons.
    d.exec(kWstawMecze + u"(11, 99, '2000-01-01', 'W', 4, 0, 2, 1);"_s);
    EXPECT_EQ(seasons(d),
              qs({"2001/02 6 3 1 2 12 9", "2002/03 4 1 1 1 3 3", "bez sezonu 1 1 0 0 2 0"}));
    EXPECT_EQ(seasons(d, {u"(1)"_s, u"('W', 'N')"_s}),
              qs({"2001/02 3 1 1 1 4 5", "2002/03 1 0 1 0 2 2", "bez sezonu 1 1 0 0 2 0"}));
    EXPECT_TRUE(seasons(d, {u"(0)"_s, u"('A')"_s}).isEmpty());
}
