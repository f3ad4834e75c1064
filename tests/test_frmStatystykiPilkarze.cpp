#include "forms/frmStatystykiPilkarze.h"

#include "data/engine/Database.h"
#include "forms/Toolkit.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

QTreeWidget* players(const QWidget& w) {
    return child<QTreeWidget>(w, "lstGracze");
}

QCheckBox* option(const QWidget& w, int i) {
    return child<QCheckBox>(w, u"chkOpcja_%1"_s.arg(i));
}

// "name|goals" per row.
QStringList rows(const QWidget& w) {
    return testing_support::rows(players(w));
}

}  // namespace

// Options 3 and 4 choose regular and own goals, 5 and 6 goals for and against the home club.
TEST(frmStatystykiPilkarze, GoalOptionsChooseKindAndSide) {
    SampleDiary d;
    frmStatystykiPilkarze w;
    EXPECT_EQ(w.strWarunek, u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True"_s);
    EXPECT_EQ(rows(w), qs({"Jan Kowalski Kowal|  2", "Adam Nowak|  1", "Sean O'Neil|  1"}));

    option(w, 4)->click();  // own goals too
    EXPECT_EQ(rows(w),
              qs({"Jan Kowalski Kowal|  2", "Adam Nowak|  1", "Sean O'Neil|  1", "Piotr Żuk|  1"}));
    option(w, 5)->click();
    option(w, 6)->click();  // only goals against the home club
    EXPECT_EQ(rows(w), qs({"Ronaldinho|  3"}));
    option(w, 5)->click();  // all four: no condition at all
    EXPECT_TRUE(w.strWarunek.isEmpty());
    EXPECT_EQ(rows(w).size(), 5);
    option(w, 3)->click();
    option(w, 4)->click();  // no kind of goal
    EXPECT_EQ(w.strWarunek, u" AND Jak.CzySam = Null"_s);
    EXPECT_TRUE(rows(w).isEmpty());
    option(w, 4)->click();  // own goals only, for either side
    EXPECT_EQ(rows(w), qs({"Piotr Żuk|  1"}));
    option(w, 5)->click();
    option(w, 6)->click();  // no side
    EXPECT_TRUE(rows(w).isEmpty());
}

TEST(frmStatystykiPilkarze, EqualCountsGoBySurnameThenFirstName) {
    SampleDiary d;
    d.exec(
        u"INSERT INTO Gracze VALUES (6, 'Zenon', 'Adamski', NULL), (7, 'Bartosz', 'Nowak', NULL);"
        "INSERT INTO Bramki VALUES (4, 3, -1, 7, 60, 1), (4, 4, -1, 6, 70, 1);"_s);
    frmStatystykiPilkarze w;
    EXPECT_EQ(rows(w), qs({"Jan Kowalski Kowal|  2", "Zenon Adamski|  1", "Adam Nowak|  1",
                           "Bartosz Nowak|  1", "Sean O'Neil|  1"}));
}

TEST(frmStatystykiPilkarze, TwentyOnePlayersNarrowTheNameAndGoalsSortByValue) {
    Diary d;
    d.exec(
        u"INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "INSERT INTO Jak VALUES (1, 'z gry', 0);"
        "INSERT INTO Mecze VALUES (1, NULL, '2005-01-01', 'D', NULL, 99, 0, 1, NULL);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 21) "
        "INSERT INTO Gracze SELECT i, 'Jan', 'Gracz' || (100 + i), NULL FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2252) "
        "INSERT INTO Bramki SELECT 1, i, -1, CASE WHEN i <= 1234 THEN 1 WHEN i <= 2233 THEN 2 "
        "ELSE i - 2231 END, 1, 1 FROM n;"_s);
    frmStatystykiPilkarze w;
    w.show();
    QTreeWidget* t = players(w);
    ASSERT_EQ(t->topLevelItemCount(), 21);
    EXPECT_EQ(t->columnWidth(1), ui::szerokoscKolumny(2700, t));
    clickHeader(t, 2);
    EXPECT_EQ(column(t, 2).mid(19), qs({"999", "1234"}));
}

// One session: the goals window opened by a double click with the list's filters, and a failed
// refill.
TEST(frmStatystykiPilkarze, DoubleClickOpensThePlayersGoalsAndAFailedRefillKeepsTheList) {
    SampleDiary d;
    frmStatystykiPilkarze w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTreeWidget* t = players(w);
    option(w, 6)->click();  // against the home club as well: Ronaldinho's three goals
    ASSERT_EQ(column(t, 1).first(), u"Ronaldinho"_s);
    Script s;
    s.modal(u"frmBramkiPilkarza"_s, [](QDialog* goals) {
        EXPECT_EQ(goals->windowTitle(), u"Bramki piłkarza - Ronaldinho"_s);
        EXPECT_EQ(child<QTreeWidget>(*goals, "lstBramki")->topLevelItemCount(), 3);
    });
    const QPoint point = t->visualItemRect(t->topLevelItem(0)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, point);
    s.verify();
    t->clearSelection();
    QTest::keyClick(t, Qt::Key_Return);  // no selected player: nothing

    const QStringList before = rows(w);
    const QString moved = d.path() + u".moved"_s;
    ASSERT_TRUE(QFile::rename(d.path(), moved));
    s.message({u"Błąd"_s, errorText([&] { engine::Database::open(d.path()); }), ui::Buttons::Ok,
               ui::Icon::Critical},
              ui::Answer::Ok);
    option(w, 5)->click();
    s.verify();
    EXPECT_EQ(rows(w), before);
    EXPECT_EQ(w.strWarunek, u" AND Jak.CzySam = False"_s);
    ASSERT_TRUE(QFile::rename(moved, d.path()));
    child<QListWidget>(w, "lstRozgr")->item(1)->setCheckState(Qt::Unchecked);  // no cup
    EXPECT_EQ(w.strRozgrywki, u"(1)"_s);
    EXPECT_EQ(w.strWarunek, u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = False"_s);
    EXPECT_EQ(rows(w), qs({"Ronaldinho|  2"}));
}
