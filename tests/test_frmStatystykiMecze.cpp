#include "forms/frmStatystykiMecze.h"

#include "data/Mirvola.h"
#include "forms/Toolkit.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

QListWidget* competitions(const QWidget& w) {
    return child<QListWidget>(w, "lstRozgr");
}

QTreeWidget* table(const QWidget& w) {
    return child<QTreeWidget>(w, "lstKluby");
}

QCheckBox* venue(const QWidget& w, int i) {
    return child<QCheckBox>(w, u"chkOpcja_%1"_s.arg(i));
}

// One panel as "count/percent" for wins, draws, defeats and total.
QString panel(const QWidget& w, int p) {
    QStringList cells;
    for (int r = 0; r < 4; ++r) {
        cells << labelText(w, u"lblLiczba_%1_%2"_s.arg(p).arg(r)) + QLatin1Char('/') +
                     labelText(w, u"lblProcent_%1_%2"_s.arg(p).arg(r));
    }
    return cells.join(QLatin1Char(' '));
}

QString missingFileMessage(const QString& path) {
    return errorText([&] { engine::Database::open(path); });
}

// Clubs Arka (an away 1:3 win only), Bałtyk (a home 1:3 defeat and a match without a score)
// and Cracovia; home 1 win, 2 draws, 5 defeats; away 3 wins.
void fillBalanceDiary(const Diary& d) {
    d.exec(
        u"INSERT INTO Sezony VALUES (1, '2005/06');"
        "INSERT INTO Kluby VALUES (1, 'Arka'), (2, 'Bałtyk'), (3, 'Cracovia');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "INSERT INTO Mecze (Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki) VALUES "
        "(1, '2005-08-01', 'W', 1, 1, 3, 1), (1, '2005-08-02', 'D', 2, 1, 3, 1),"
        "(1, '2005-08-03', 'N', 2, NULL, NULL, 1),"
        "(1, '2005-08-04', 'D', 3, 0, 1, 1), (1, '2005-08-05', 'D', 3, 0, 2, 1),"
        "(1, '2005-08-06', 'D', 3, 1, 2, 1), (1, '2005-08-07', 'D', 3, 2, 5, 1),"
        "(1, '2005-08-08', 'D', 3, 2, 0, 1), (1, '2005-08-09', 'D', 3, 1, 1, 1),"
        "(1, '2005-08-10', 'D', 3, 2, 2, 1), (1, '2005-08-11', 'W', 3, 0, 1, 1),"
        "(1, '2005-08-12', 'W', 3, 2, 4, 1);"_s);
}

}  // namespace

TEST(frmStatystykiMecze, OpensOnOfficialCompetitionsAtEveryVenue) {
    SampleDiary d;
    frmStatystykiMecze w;
    EXPECT_EQ(texts(competitions(w)), qs({"Liga", "Puchar", "Sparing"}));
    EXPECT_EQ(competitions(w)->item(2)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w.strRozgrywki, u"(1, 2)"_s);
    EXPECT_EQ(w.strGdzie, u"('D', 'W', 'N')"_s);

    // Legia's second match has no score: it counts in "Mecze" only.
    EXPECT_EQ(rows(table(w)),
              qs({"Legia|  2|  1|  0|  0|  2|  1", "O'Higgins|  1|  0|  1|  0|  3|  3",
                  "Wisła|  1|  1|  0|  0|  2|  1"}));
    EXPECT_EQ(table(w)->columnWidth(1), ui::szerokoscKolumny(2050, table(w)));
    EXPECT_EQ(table(w)->topLevelItem(0)->foreground(5).color(), QColor(255, 0, 0));  // defeats

    EXPECT_EQ(panel(w, 0), u"2/67% 1/33% 0/0% 3/100%"_s);
    EXPECT_EQ(panel(w, 1), u"1/50% 1/50% 0/0% 2/100%"_s);
    EXPECT_EQ(panel(w, 2), u"1/100% 0/0% 0/0% 1/100%"_s);
    EXPECT_EQ(panel(w, 3), u"0/0% 0/0% 0/0% 0/0%"_s);
}

TEST(frmStatystykiMecze, CountsResultsAndGoalsFromTheHomeClubsSide) {
    Diary d;
    fillBalanceDiary(d);
    frmStatystykiMecze w;
    // Away 1:3 is a win with 3 scored; home 1:3 a defeat; no score: "Mecze" only.
    EXPECT_EQ(rows(table(w)), qs({"Arka|  1|  1|  0|  0|  3|  1", "Bałtyk|  2|  0|  0|  1|  1|  3",
                                  "Cracovia|  9|  3|  2|  4| 13| 15"}));
    // 12.5 goes to the even 12, and the three add up to 100.
    EXPECT_EQ(panel(w, 1), u"1/12% 2/25% 5/63% 8/100%"_s);
    EXPECT_EQ(panel(w, 2), u"3/100% 0/0% 0/0% 3/100%"_s);
    EXPECT_EQ(panel(w, 0), u"4/36% 2/18% 5/46% 11/100%"_s);
    EXPECT_EQ(panel(w, 3), u"0/0% 0/0% 0/0% 0/0%"_s);
}

TEST(frmStatystykiMecze, FiltersRefillTheTableAndOnlyCompetitionsThePanels) {
    SampleDiary d;
    frmStatystykiMecze w;
    const QString allPanel = panel(w, 0);

    venue(w, 0)->click();  // away and neutral only
    EXPECT_EQ(w.strGdzie, u"('W', 'N')"_s);
    ASSERT_EQ(rows(table(w)).size(), 2);  // Legia (match 5), Wisła
    venue(w, 1)->click();
    venue(w, 2)->click();
    EXPECT_EQ(w.strGdzie, u"('A')"_s);
    EXPECT_TRUE(rows(table(w)).isEmpty());
    EXPECT_EQ(panel(w, 0), allPanel);

    for (int i = 0; i < 3; ++i) {
        venue(w, i)->click();
    }
    competitions(w)->item(2)->setCheckState(Qt::Checked);  // the friendly, at neutral ground
    EXPECT_EQ(w.strRozgrywki, u"(1, 2, 3)"_s);
    EXPECT_EQ(rows(table(w)).size(), 4);
    EXPECT_EQ(panel(w, 3), u"0/0% 1/100% 0/0% 1/100%"_s);

    for (int i = 0; i < 3; ++i) {
        competitions(w)->item(i)->setCheckState(Qt::Unchecked);
    }
    EXPECT_EQ(w.strRozgrywki, u"(0)"_s);
    EXPECT_TRUE(rows(table(w)).isEmpty());
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(panel(w, p), u"0/0% 0/0% 0/0% 0/0%"_s);
    }
}

TEST(frmStatystykiMecze, CompetitionWithAnApostropheFilters) {
    SampleDiary d;
    d.exec(
        u"INSERT INTO Rozgrywki VALUES (4, 'O''Higgins Cup', -1);"
        "INSERT INTO Mecze VALUES (8, 2, '2003-05-01', 'D', 4, 2, 0, 4, NULL);"_s);
    Script s;  // no message box may appear
    frmStatystykiMecze w;
    ASSERT_EQ(competitions(w)->item(1)->text(), u"O'Higgins Cup"_s);
    EXPECT_EQ(w.strRozgrywki, u"(1, 4, 2)"_s);
    competitions(w)->item(0)->setCheckState(Qt::Unchecked);
    competitions(w)->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(w.strRozgrywki, u"(4)"_s);
    EXPECT_EQ(rows(table(w)), qs({"O'Higgins|  1|  1|  0|  0|  2|  0"}));
    EXPECT_EQ(panel(w, 1), u"1/100% 0/0% 0/0% 1/100%"_s);
}

TEST(frmStatystykiMecze, FourteenOpponentsNarrowTheNameAndCountsSortByValue) {
    Diary d;
    d.exec(
        u"INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 14) "
        "INSERT INTO Kluby SELECT i, 'Klub ' || (100 + i) FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 14) "
        "INSERT INTO Mecze (Id_klubu, Data, Gdzie, Wyn1, Wyn2, Id_rozgrywki) "
        "SELECT i, '2005-01-01', 'D', 1, 0, 1 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 13) "
        "INSERT INTO Mecze (Id_klubu, Data, Gdzie, Wyn1, Wyn2, Id_rozgrywki) "
        "SELECT 1, '2005-01-01', 'D', 99, 0, 1 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 11) "
        "INSERT INTO Mecze (Id_klubu, Data, Gdzie, Wyn1, Wyn2, Id_rozgrywki) "
        "SELECT 2, '2005-01-01', 'D', 90, 0, 1 FROM n;"_s);
    frmStatystykiMecze w;
    w.show();
    QTreeWidget* t = table(w);
    ASSERT_EQ(t->topLevelItemCount(), 14);
    EXPECT_EQ(t->columnWidth(1), ui::szerokoscKolumny(1820, t));
    EXPECT_EQ(column(t, 6).mid(0, 2), qs({"1287", "990"}));

    clickHeader(t, 6);  // "Br +" ascending: 990 before 1287
    EXPECT_EQ(column(t, 1).mid(12), qs({"Klub 102", "Klub 101"}));
    clickHeader(t, 6);  // descending
    EXPECT_EQ(column(t, 1).first(), u"Klub 101"_s);
    clickHeader(t, 1);  // another column: ascending
    EXPECT_EQ(column(t, 1).mid(12), qs({"Klub 113", "Klub 114"}));
    clickHeader(t, 1);
    EXPECT_EQ(column(t, 1).first(), u"Klub 114"_s);

    // A refill shows the query order again.
    venue(w, 2)->click();
    EXPECT_EQ(t->topLevelItem(0)->text(1), u"Klub 101"_s);
}

TEST(frmStatystykiMecze, DoubleClickAndEnterOpenTheViewerOnTheOpponentsMatches) {
    SampleDiary d;
    frmStatystykiMecze w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    venue(w, 0)->click();  // Legia: only the away match 5 is left
    QTreeWidget* t = table(w);
    ASSERT_EQ(t->topLevelItem(0)->text(1), u"Legia"_s);

    Script s;
    s.modal(u"frmMecze"_s, [](QDialog* viewer) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 1.0);
        EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 1 z 1"_s);
        EXPECT_EQ(labelText(*viewer, "lblGosp"), u"Legia"_s);
    });
    const QPoint point = t->visualItemRect(t->topLevelItem(0)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, point);
    EXPECT_TRUE(s.done());

    // Enter: nothing without a selected row, the viewer with one.
    t->clearSelection();
    QTest::keyClick(t, Qt::Key_Return);
    EXPECT_TRUE(s.done());
    t->topLevelItem(1)->setSelected(true);
    s.modal(u"frmMecze"_s,
            [](QDialog* viewer) { EXPECT_EQ(labelText(*viewer, "lblGosp"), u"Wisła"_s); });
    QTest::keyClick(t, Qt::Key_Return);
    EXPECT_TRUE(s.done());

    // An empty table: Enter does nothing.
    venue(w, 1)->click();
    venue(w, 2)->click();
    QTest::keyClick(t, Qt::Key_Return);
}

TEST(frmStatystykiMecze, DatabaseErrorOnRefillKeepsTheWindowUsable) {
    SampleDiary d;
    frmStatystykiMecze w;
    const auto before = rows(table(w));
    const QString moved = d.path() + u".moved"_s;
    ASSERT_TRUE(QFile::rename(d.path(), moved));
    {
        Script s;
        s.message({u"Błąd"_s, missingFileMessage(d.path()), ui::Buttons::Ok, ui::Icon::Critical},
                  ui::Answer::Ok);
        competitions(w)->item(1)->setCheckState(Qt::Unchecked);
    }
    EXPECT_EQ(rows(table(w)), before);
    EXPECT_EQ(w.strRozgrywki, u"(1, 2)"_s);

    ASSERT_TRUE(QFile::rename(moved, d.path()));
    venue(w, 2)->click();
    EXPECT_EQ(w.strRozgrywki, u"(1)"_s);
    EXPECT_EQ(rows(table(w)).size(), 2);  // Legia, Wisła
}

TEST(frmStatystykiMecze, EmptyOrMissingDiaryGivesEmptyListsAndZeros) {
    Diary d;
    {
        frmStatystykiMecze w;
        EXPECT_EQ(competitions(w)->count(), 0);
        EXPECT_EQ(w.strRozgrywki, u"(0)"_s);
        EXPECT_EQ(table(w)->topLevelItemCount(), 0);
        EXPECT_EQ(panel(w, 0), u"0/0% 0/0% 0/0% 0/0%"_s);
    }
    QFile::remove(d.path());
    Script s;  // one message, not one per query
    s.message(u"Błąd"_s, missingFileMessage(d.path()));
    frmStatystykiMecze w;
    EXPECT_EQ(panel(w, 3), u"0/0% 0/0% 0/0% 0/0%"_s);
}
