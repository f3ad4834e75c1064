#include "forms/frmMecze.h"

#include "data/Mirvola.h"
#include "forms/Toolkit.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

// The sample diary and three more matches whose ids do not follow the stepping order:
// 6 is played before 2 in the same season, 7 belongs to the later season although its date is
// earlier than 2's; 6 is a home defeat whose only goal is the opponent's.
void fillViewerDiary(const Diary& d) {
    d.fillSample();
    d.exec(
        u"INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki)"
        " VALUES (6, 1, '2001-10-10', 'D', 2, 0, 1, 1), (7, 2, '2002-01-01', 'D', 1, 0, 0, 1);"
        "INSERT INTO Bramki VALUES (6, 1, 0, 3, 60, 1);"_s);
}

QPushButton* button(const QWidget& w, int i) {
    return child<QPushButton>(w, u"cmdZmiana_%1"_s.arg(i));
}

QTableWidget* grid(const QWidget& w, int i) {
    return child<QTableWidget>(w, u"fgrdStrzelcy_%1"_s.arg(i));
}

QStringList lines(const QWidget& w, int i) {
    return column(grid(w, i), 0);
}

QString comment(const QWidget& w) {
    return child<QPlainTextEdit>(w, "txtKomentarz")->toPlainText();
}

// "P N Ne O": which of the four buttons are enabled (1) or disabled (0).
QString buttonStates(const QWidget& w) {
    QString s;
    for (int i = 0; i < 4; ++i) {
        s += button(w, i)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    }
    return s;
}

}  // namespace

TEST(frmMecze, OpensOnTheMatchAtItsPlaceInSeasonAndDateOrder) {
    Diary d;
    fillViewerDiary(d);
    Mirvola::dblIdMeczu = 2;
    frmMecze w(nullptr, true, FiltrMeczow{.blnTylkoOficjalne = true});
    // Official matches: 1, 6, 2 (2001/02), 7, 4, 5 (2002/03); the friendly 3 is the only
    // unofficial one.
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 3 z 6"_s);
    EXPECT_EQ(buttonStates(w), u"1111"_s);
    EXPECT_EQ(labelText(w, "lblNaglowek"), u"Liga, sezon 2001/02, 5 maja 2002 (niedziela)"_s);

    // Away: the opponent is the host, and the home club's goals stand on the right.
    EXPECT_EQ(labelText(w, "lblGosp"), u"Wisła"_s);
    EXPECT_EQ(labelText(w, "lblWynik"), u"1 - 2"_s);
    EXPECT_EQ(labelText(w, "lblGosc"), u"Mirvola Wendrow"_s);
    EXPECT_EQ(lines(w, 0), QStringList{u"Ronaldinho 7'  (z gry)"_s});
    EXPECT_EQ(lines(w, 1), (QStringList{u"Jan Kowalski Kowal 20'  (z gry)"_s,
                                        u"Piotr Żuk 88'  (samobójczy)"_s}));
    EXPECT_TRUE(comment(w).isEmpty());
    EXPECT_FALSE(child<QLabel>(w, "imgFoto_1")->pixmap().isNull());

    Mirvola::dblIdMeczu = 3;
    frmMecze unofficial(nullptr, true, FiltrMeczow{.blnTylkoNieoficjalne = true});
    EXPECT_EQ(labelText(unofficial, "lblMecz"), u"Mecz 1 z 1"_s);
    EXPECT_EQ(labelText(unofficial, "lblGosc"), u"Łódzki KS"_s);
}

TEST(frmMecze, StepsThroughTheSelectionWithButtonsAndFocus) {
    Diary d;
    fillViewerDiary(d);
    d.exec(u"DELETE FROM Kluby WHERE Id_klubu = 4"_s);  // match 4 stays listed
    Mirvola::dblIdMeczu = 6;
    frmMecze w(nullptr, true, FiltrMeczow{});  // every match: 1, 6, 2, 7, 3, 4, 5
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 2 z 7"_s);
    // A home defeat: the opponent's only goal is on the right.
    EXPECT_TRUE(lines(w, 0).isEmpty());
    EXPECT_EQ(lines(w, 1), QStringList{u"Ronaldinho 60'  (z gry)"_s});

    // The focus leaves a button that the step disables.
    button(w, 1)->setFocus();
    QTest::mouseClick(button(w, 1), Qt::LeftButton);
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 1 z 7"_s);
    EXPECT_EQ(buttonStates(w), u"1011"_s);
    EXPECT_TRUE(button(w, 2)->hasFocus());
    EXPECT_EQ(labelText(w, "lblGosp"), u"Mirvola Wendrow"_s);
    EXPECT_EQ(lines(w, 0),
              (QStringList{u"Jan Kowalski Kowal 10'  (z gry)"_s, u"Adam Nowak 50'  (karny)"_s}));
    EXPECT_EQ(comment(w), u"Pierwszy mecz"_s);

    QTest::mouseClick(button(w, 3), Qt::LeftButton);
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 7 z 7"_s);
    EXPECT_EQ(buttonStates(w), u"1101"_s);
    EXPECT_EQ(labelText(w, "lblWynik"), u" - "_s);  // a match without a score

    QTest::mouseClick(button(w, 1), Qt::LeftButton);
    QTest::mouseClick(button(w, 1), Qt::LeftButton);
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 5 z 7"_s);  // the friendly, no goals
    EXPECT_EQ(buttonStates(w), u"1111"_s);
    EXPECT_EQ(comment(w), u"Sparing\nw deszczu"_s);
    EXPECT_TRUE(lines(w, 0).isEmpty() && lines(w, 1).isEmpty());

    button(w, 2)->setFocus();
    QTest::mouseClick(button(w, 2), Qt::LeftButton);
    QTest::mouseClick(button(w, 2), Qt::LeftButton);
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 7 z 7"_s);
    EXPECT_EQ(buttonStates(w), u"1101"_s);
    EXPECT_TRUE(button(w, 1)->hasFocus());
    QTest::mouseClick(button(w, 0), Qt::LeftButton);
    EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 1 z 7"_s);
}

TEST(frmMecze, FromStatisticsOneMatchOrNoneUnderItsFilters) {
    Diary d;
    fillViewerDiary(d);
    Mirvola::dblIdMeczu = 1;  // Legia: 1 (home), 7 (home), 5 (away)
    {
        // One match: neither neighbour button works, and first/last change nothing.
        frmMecze w(nullptr, false, FiltrMeczow{.strRozgrywki = u"(1)"_s, .strGdzie = u"('W')"_s});
        EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 1 z 1"_s);
        EXPECT_EQ(labelText(w, "lblGosp"), u"Legia"_s);
        EXPECT_EQ(buttonStates(w), u"1001"_s);
        QTest::mouseClick(button(w, 0), Qt::LeftButton);
        QTest::mouseClick(button(w, 3), Qt::LeftButton);
        EXPECT_EQ(buttonStates(w), u"1001"_s);
        EXPECT_EQ(labelText(w, "lblMecz"), u"Mecz 1 z 1"_s);
    }
    frmMecze w(nullptr, false, FiltrMeczow{.strRozgrywki = u"(0)"_s, .strGdzie = u"('A')"_s});
    EXPECT_EQ(buttonStates(w), u"0000"_s);
    EXPECT_TRUE(labelText(w, "lblGosp").isEmpty());
    QTest::mouseClick(button(w, 2), Qt::LeftButton);  // disabled: nothing happens
    EXPECT_TRUE(labelText(w, "lblMecz").isEmpty());
}

TEST(frmMecze, NarrowsAGridOfSixteenGoalsForItsScrollBar) {
    SampleDiary d;
    // 16 home goals and 15 away goals.
    d.exec(
        u"INSERT INTO Mecze VALUES (9, 1, '2001-09-09', 'D', 1, 16, 15, 1, NULL);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 31) "
        "INSERT INTO Bramki SELECT 9, i, CASE WHEN i <= 16 THEN -1 ELSE 0 END, 2, i, 1 FROM n;"_s);
    Mirvola::dblIdMeczu = 9;
    frmMecze w(nullptr, true, FiltrMeczow{});
    EXPECT_EQ(grid(w, 0)->columnWidth(0), ui::twips(3700, &w));
    EXPECT_EQ(grid(w, 1)->columnWidth(0), ui::twips(4025, &w));
    // Stepping to another match resets the width.
    QTest::mouseClick(button(w, 0), Qt::LeftButton);
    EXPECT_EQ(grid(w, 0)->columnWidth(0), ui::twips(4025, &w));
}

TEST(frmMecze, ReportsAMissingDiaryAndStaysEmpty) {
    Diary d;
    QFile::remove(d.path());
    Script s;
    s.message({u"Błąd"_s, errorText([&] { engine::Database::open(d.path()); }), ui::Buttons::Ok,
               ui::Icon::Critical},
              ui::Answer::Ok);
    Mirvola::dblIdMeczu = 1;
    frmMecze w(nullptr, true, FiltrMeczow{});
    EXPECT_EQ(buttonStates(w), u"0000"_s);
}
