// The outcome rule, the balances, the opponents table and the player table under each of their
// filters, on one diary where every branch changes a figure: wins, draws and defeats at every
// venue (neutral ones too), away results stored with the guest's score second, own goals for and
// against the home club, and one match of each competition kind. Every expected figure below was
// counted by hand from the rows of the diary.
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"

#include "support/Diary.h"
#include "support/Widgets.h"

#include <QCheckBox>
#include <QListWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// Clubs: 1 Arka, 2 Bałtyk, 3 Cracovia. Competitions: 1 Liga and 2 Puchar (official), 3 Sparing.
// Per venue the wins, draws and defeats differ from each other and from the other venues':
// home 4/2/1, away 1/3/2 (a home-club win away is Wyn1 < Wyn2), neutral 2/1/5.
const char* const kMecze = R"SQL(
INSERT INTO Sezony VALUES (1, '2005/06');
INSERT INTO Kluby VALUES (1, 'Arka'), (2, 'Bałtyk'), (3, 'Cracovia');
INSERT INTO Rozgrywki VALUES (1, 'Liga', -1), (2, 'Puchar', -1), (3, 'Sparing', 0);
INSERT INTO Jak VALUES (1, 'z gry', 0), (2, 'samobójczy', -1);
INSERT INTO Gracze VALUES (1, 'Jan', 'Kowalski', NULL), (2, 'Adam', 'Nowak', NULL),
  (3, NULL, NULL, 'Rywal'), (4, 'Piotr', 'Żuk', NULL);
INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) VALUES
  (1, 1, '2005-08-01', 'D', 1, 2, 0, 1),
  (2, 1, '2005-08-02', 'D', 1, 1, 0, 1),
  (3, 1, '2005-08-03', 'D', 1, 1, 1, 1),
  (4, 1, '2005-08-04', 'D', 1, NULL, NULL, 1),
  (5, 1, '2005-08-05', 'W', 1, 2, 2, 1),
  (6, 1, '2005-08-06', 'W', 1, 3, 1, 1),
  (7, 1, '2005-08-07', 'N', 1, 0, 0, 1),
  (8, 1, '2005-08-08', 'N', 1, 0, 2, 1),
  (9, 1, '2005-08-09', 'D', 2, 3, 1, 1),
  (10, 1, '2005-08-10', 'D', 2, 0, 0, 1),
  (11, 1, '2005-08-11', 'W', 2, 0, 1, 1),
  (12, 1, '2005-08-12', 'W', 2, 1, 1, 1),
  (13, 1, '2005-08-13', 'N', 2, 3, 0, 1),
  (14, 1, '2005-08-14', 'N', 2, 1, 2, 1),
  (15, 1, '2005-08-15', 'N', 2, 0, 2, 1),
  (16, 1, '2005-08-16', 'N', 2, 5, 0, 3),
  (17, 1, '2005-08-17', 'D', 3, 4, 0, 1),
  (18, 1, '2005-08-18', 'D', 3, 0, 2, 1),
  (19, 1, '2005-08-19', 'W', 3, 0, 0, 1),
  (20, 1, '2005-08-20', 'W', 3, 2, 0, 1),
  (21, 1, '2005-08-21', 'N', 3, 2, 1, 2),
  (22, 1, '2005-08-22', 'N', 3, 0, 3, 1),
  (23, 1, '2005-08-23', 'N', 3, 2, 4, 1);
-- Regular goals for the home club: Kowalski at home, away and (cup) on neutral ground, Nowak
-- twice at home; Rywal's two regular goals against it, away and on neutral ground; Rywal's own
-- goal counts for the home club (at home), Żuk's own goal against it (on neutral ground).
INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola, Id_gracza, Minuta, Id_jak) VALUES
  (1, 1, -1, 1, 10, 1), (11, 1, -1, 1, 20, 1), (21, 1, -1, 1, 30, 1),
  (1, 2, -1, 2, 40, 1), (2, 1, -1, 2, 50, 1),
  (6, 1, 0, 3, 60, 1), (14, 1, 0, 3, 70, 1),
  (9, 1, -1, 3, 80, 2),
  (15, 1, 0, 4, 90, 2);
)SQL";

struct RulesDiary : Diary {
    RulesDiary() { exec(QString::fromUtf8(kMecze)); }
};

QCheckBox* option(const QWidget& w, int i) {
    return child<QCheckBox>(w, u"chkOpcja_%1"_s.arg(i));
}

QListWidgetItem* competition(const QWidget& w, int row) {
    return child<QListWidget>(w, "lstRozgr")->item(row);
}

// Sets the options `from`..`from + count - 1` to the pattern, '1' checked.
void setOptions(const QWidget& w, int from, const char* pattern) {
    for (int i = 0; pattern[i]; ++i) {
        option(w, from + i)->setChecked(pattern[i] == '1');
    }
}

// One balance panel as "count/percent" for wins, draws, defeats and total.
QString panel(const QWidget& w, int p) {
    QStringList cells;
    for (int r = 0; r < 4; ++r) {
        cells << labelText(w, u"lblLiczba_%1_%2"_s.arg(p).arg(r)) + u'/' +
                     labelText(w, u"lblProcent_%1_%2"_s.arg(p).arg(r));
    }
    return cells.join(u' ');
}

QStringList opponents(const QWidget& w) {
    return rows(child<QTreeWidget>(w, "lstKluby"));
}

QStringList players(const QWidget& w) {
    return rows(child<QTreeWidget>(w, "lstGracze"));
}

}  // namespace

TEST(OutcomeRule, EachBalancePanelCountsItsVenueAndNeutralResultsCountInTheWhole) {
    RulesDiary d;
    frmStatystykiMecze w;
    // Home 4/2/1 of 7, away 1/3/2 of 6, neutral 2/1/5 of 8 (the friendly is not official), and
    // the whole 7/6/8 of 21; the match without a score is in none of them.
    EXPECT_EQ(panel(w, 0), u"7/33% 6/29% 8/38% 21/100%"_s);
    EXPECT_EQ(panel(w, 1), u"4/57% 2/29% 1/14% 7/100%"_s);
    EXPECT_EQ(panel(w, 2), u"1/17% 3/50% 2/33% 6/100%"_s);
    EXPECT_EQ(panel(w, 3), u"2/25% 1/12% 5/63% 8/100%"_s);

    competition(w, 1)->setCheckState(Qt::Unchecked);  // no cup: one neutral win fewer
    EXPECT_EQ(panel(w, 0), u"6/30% 6/30% 8/40% 20/100%"_s);
    EXPECT_EQ(panel(w, 1), u"4/57% 2/29% 1/14% 7/100%"_s);
    EXPECT_EQ(panel(w, 2), u"1/17% 3/50% 2/33% 6/100%"_s);
    EXPECT_EQ(panel(w, 3), u"1/14% 1/14% 5/72% 7/100%"_s);
    competition(w, 2)->setCheckState(Qt::Checked);  // the friendly's neutral win instead
    EXPECT_EQ(panel(w, 0), u"7/33% 6/29% 8/38% 21/100%"_s);
    EXPECT_EQ(panel(w, 3), u"2/25% 1/12% 5/63% 8/100%"_s);
}

TEST(OutcomeRule, TheOpponentsTableCountsResultsAndGoalsFromTheHomeClubsSideAtEachVenue) {
    RulesDiary d;
    frmStatystykiMecze w;
    // Matches, wins, draws, defeats, goals scored, goals conceded.
    EXPECT_EQ(opponents(w), qs({"Arka|  8|  2|  3|  2|  7|  8", "Bałtyk|  7|  3|  2|  2|  9|  6",
                                "Cracovia|  7|  2|  1|  4|  8| 12"}));
    setOptions(w, 0, "100");
    EXPECT_EQ(w.strGdzie, u"('D')"_s);
    EXPECT_EQ(opponents(w), qs({"Arka|  4|  2|  1|  0|  4|  1", "Bałtyk|  2|  1|  1|  0|  3|  1",
                                "Cracovia|  2|  1|  0|  1|  4|  2"}));
    setOptions(w, 0, "010");
    EXPECT_EQ(w.strGdzie, u"('W')"_s);
    EXPECT_EQ(opponents(w), qs({"Arka|  2|  0|  1|  1|  3|  5", "Bałtyk|  2|  1|  1|  0|  2|  1",
                                "Cracovia|  2|  0|  1|  1|  0|  2"}));
    setOptions(w, 0, "001");
    EXPECT_EQ(w.strGdzie, u"('N')"_s);
    EXPECT_EQ(opponents(w), qs({"Arka|  2|  0|  1|  1|  0|  2", "Bałtyk|  3|  1|  0|  2|  4|  4",
                                "Cracovia|  3|  1|  0|  2|  4|  8"}));
    setOptions(w, 0, "011");
    EXPECT_EQ(w.strGdzie, u"('W', 'N')"_s);
    EXPECT_EQ(opponents(w), qs({"Arka|  4|  0|  2|  2|  3|  7", "Bałtyk|  5|  2|  1|  2|  6|  5",
                                "Cracovia|  5|  1|  1|  3|  4| 10"}));
    setOptions(w, 0, "101");
    EXPECT_EQ(w.strGdzie, u"('D', 'N')"_s);

    setOptions(w, 0, "111");
    competition(w, 1)->setCheckState(Qt::Unchecked);
    competition(w, 2)->setCheckState(Qt::Checked);
    EXPECT_EQ(w.strRozgrywki, u"(1, 3)"_s);
    EXPECT_EQ(opponents(w), qs({"Arka|  8|  2|  3|  2|  7|  8", "Bałtyk|  8|  4|  2|  2| 14|  6",
                                "Cracovia|  6|  1|  1|  4|  6| 11"}));
}

TEST(PlayerTable, EachKindAndSideOfGoalIsCountedUnderItsOptions) {
    RulesDiary d;
    frmStatystykiPilkarze w;
    struct Case {
        const char* kind;  // options 3 (regular) and 4 (own goal)
        const char* side;  // options 5 (for the home club) and 6 (against it)
        const char* condition;
        QStringList rows;
    };
    const Case cases[] = {
        {"10", "10", " AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True",
         qs({"Jan Kowalski|  3", "Adam Nowak|  2"})},
        {"11", "11", "", qs({"Jan Kowalski|  3", "Rywal|  3", "Adam Nowak|  2", "Piotr Żuk|  1"})},
        {"10", "11", " AND Jak.CzySam = False",
         qs({"Jan Kowalski|  3", "Adam Nowak|  2", "Rywal|  2"})},
        {"01", "11", " AND Jak.CzySam = True", qs({"Rywal|  1", "Piotr Żuk|  1"})},
        {"11", "10", " AND Bramki.Czy_Mirvola = True",
         qs({"Jan Kowalski|  3", "Adam Nowak|  2", "Rywal|  1"})},
        {"11", "01", " AND Bramki.Czy_Mirvola = False", qs({"Rywal|  2", "Piotr Żuk|  1"})},
        {"10", "01", " AND Jak.CzySam = False AND Bramki.Czy_Mirvola = False", qs({"Rywal|  2"})},
        {"01", "10", " AND Jak.CzySam = True AND Bramki.Czy_Mirvola = True", qs({"Rywal|  1"})},
        {"01", "01", " AND Jak.CzySam = True AND Bramki.Czy_Mirvola = False",
         qs({"Piotr Żuk|  1"})},
        {"00", "11", " AND Jak.CzySam = Null", {}},
        {"11", "00", " AND Bramki.Czy_Mirvola = Null", {}},
        {"00", "00", " AND Jak.CzySam = Null AND Bramki.Czy_Mirvola = Null", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.side);
        setOptions(w, 3, c.kind);
        setOptions(w, 5, c.side);
        EXPECT_EQ(w.strWarunek, QString::fromLatin1(c.condition));
        EXPECT_EQ(players(w), c.rows);
    }
}

TEST(PlayerTable, VenuesAndCompetitionsChooseTheMatchesWhoseGoalsCount) {
    RulesDiary d;
    frmStatystykiPilkarze w;
    setOptions(w, 3, "1111");  // every goal of both sides
    setOptions(w, 0, "100");
    EXPECT_EQ(players(w), qs({"Adam Nowak|  2", "Jan Kowalski|  1", "Rywal|  1"}));
    setOptions(w, 0, "010");
    EXPECT_EQ(players(w), qs({"Jan Kowalski|  1", "Rywal|  1"}));
    setOptions(w, 0, "001");
    EXPECT_EQ(players(w), qs({"Jan Kowalski|  1", "Rywal|  1", "Piotr Żuk|  1"}));
    setOptions(w, 0, "000");
    EXPECT_EQ(w.strGdzie, u"('A')"_s);
    EXPECT_TRUE(players(w).isEmpty());

    setOptions(w, 0, "111");
    competition(w, 1)->setCheckState(Qt::Unchecked);  // Kowalski's cup goal goes
    EXPECT_EQ(players(w), qs({"Rywal|  3", "Jan Kowalski|  2", "Adam Nowak|  2", "Piotr Żuk|  1"}));
    competition(w, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(w.strRozgrywki, u"(0)"_s);
    EXPECT_TRUE(players(w).isEmpty());
}

// A score with one side empty (an old diary may hold one) is no result and no goals, as one with
// both sides empty.
TEST(OutcomeRule, AHalfEmptyScoreCountsAsAMatchOnly) {
    Diary d;
    d.exec(
        u"INSERT INTO Kluby VALUES (1, 'Arka');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "INSERT INTO Mecze (Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) VALUES "
        "('2005-08-01', 'D', 1, 2, NULL, 1), ('2005-08-02', 'W', 1, NULL, 1, 1),"
        "('2005-08-03', 'N', 1, 0, NULL, 1);"_s);
    frmStatystykiMecze w;
    EXPECT_EQ(opponents(w), qs({"Arka|  3|  0|  0|  0|  0|  0"}));
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(panel(w, p), u"0/0% 0/0% 0/0% 0/0%"_s) << p;
    }
}
