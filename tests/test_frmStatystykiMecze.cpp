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

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

QListWidget* competitions(const QWidget& w) {
    return child<QListWidget>(w, "lstRozgr");
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

const QString kZeros = u"0/0% 0/0% 0/0% 0/0%"_s;

QString missingFileMessage(const QString& path) {
    return errorText([&] { engine::Database::open(path); });
}

}  // namespace

// One session: the official competitions at every venue, a failed refill, the viewer, and the
// filters down to nothing.
TEST(frmStatystykiMecze, FiltersRefillTheTableAFailedRefillKeepsItAndTheViewerOpensOnAClub) {
    SampleDiary d;
    frmStatystykiMecze w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTreeWidget* t = child<QTreeWidget>(w, "lstKluby");
    EXPECT_EQ(texts(competitions(w)), qs({"Liga", "Puchar", "Sparing"}));
    EXPECT_EQ(w.strRozgrywki, u"(1, 2)"_s);
    // Legia's second match has no score: it counts in "Mecze" only.
    const QStringList all =
        qs({"Legia|  2|  1|  0|  0|  2|  1", "O'Higgins|  1|  0|  1|  0|  3|  3",
            "Wisła|  1|  1|  0|  0|  2|  1"});
    EXPECT_EQ(rows(t), all);
    const QString allPanel = u"2/67% 1/33% 0/0% 3/100%"_s;
    EXPECT_EQ(panel(w, 0), allPanel);

    // The table keeps what it showed and its filters; the next refill takes the pending choice.
    const QString moved = d.path() + u".moved"_s;
    ASSERT_TRUE(QFile::rename(d.path(), moved));
    Script s;
    s.message({u"Błąd"_s, missingFileMessage(d.path()), ui::Buttons::Ok, ui::Icon::Critical},
              ui::Answer::Ok);
    competitions(w)->item(1)->setCheckState(Qt::Unchecked);  // no cup
    s.verify();
    EXPECT_EQ(rows(t), all);
    EXPECT_EQ(w.strRozgrywki, u"(1, 2)"_s);
    ASSERT_TRUE(QFile::rename(moved, d.path()));
    venue(w, 0)->click();  // away and neutral only: Legia (match 5), Wisła
    EXPECT_EQ(w.strRozgrywki, u"(1)"_s);
    EXPECT_EQ(w.strGdzie, u"('W', 'N')"_s);
    EXPECT_EQ(column(t, 1), qs({"Legia", "Wisła"}));
    EXPECT_EQ(panel(w, 0), allPanel) << "the venues choose only the table";

    // The viewer gets the club and the table's filters; Enter without a selected row is nothing.
    s.modal(u"frmMecze"_s, [](QDialog* viewer) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 1.0);
        EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 1 z 1"_s);
        EXPECT_EQ(labelText(*viewer, "lblGosp"), u"Legia"_s);
    });
    const QPoint point = t->visualItemRect(t->topLevelItem(0)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, point);
    s.verify();
    t->clearSelection();
    QTest::keyClick(t, Qt::Key_Return);

    venue(w, 0)->click();
    competitions(w)->item(2)->setCheckState(Qt::Checked);  // the friendly, at neutral ground
    EXPECT_EQ(column(t, 1), qs({"Legia", "Łódzki KS", "Wisła"}));
    EXPECT_EQ(panel(w, 3), u"0/0% 1/100% 0/0% 1/100%"_s);
    competitions(w)->item(0)->setCheckState(Qt::Unchecked);
    competitions(w)->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(w.strRozgrywki, u"(0)"_s);
    EXPECT_TRUE(rows(t).isEmpty());
    EXPECT_EQ(panel(w, 0), kZeros);
    QTest::keyClick(t, Qt::Key_Return);  // an empty table: nothing
}

TEST(frmStatystykiMecze, CountsResultsAndGoalsFromTheHomeClubsSide) {
    Diary d;
    // Arka: an away 1:3 win only; Bałtyk: a home 1:3 defeat and a match without a score.
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
    frmStatystykiMecze w;
    EXPECT_EQ(rows(child<QTreeWidget>(w, "lstKluby")),
              qs({"Arka|  1|  1|  0|  0|  3|  1", "Bałtyk|  2|  0|  0|  1|  1|  3",
                  "Cracovia|  9|  3|  2|  4| 13| 15"}));
    // 12.5 goes to the even 12, and the three add up to 100.
    EXPECT_EQ(panel(w, 1), u"1/12% 2/25% 5/63% 8/100%"_s);
    EXPECT_EQ(panel(w, 2), u"3/100% 0/0% 0/0% 3/100%"_s);
    EXPECT_EQ(panel(w, 0), u"4/36% 2/18% 5/46% 11/100%"_s);
    EXPECT_EQ(panel(w, 3), kZeros);
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
        "INSERT INTO Mecze (Id_klubu, Data, Gdzie, Wyn1, Wyn2, Id_rozgrywki) VALUES "
        "(1, '2005-01-01', 'D', 1287, 0, 1), (2, '2005-01-01', 'D', 990, 0, 1);"_s);
    frmStatystykiMecze w;
    w.show();
    QTreeWidget* t = child<QTreeWidget>(w, "lstKluby");
    ASSERT_EQ(t->topLevelItemCount(), 14);
    EXPECT_EQ(t->columnWidth(1), ui::szerokoscKolumny(1820, t));
    clickHeader(t, 6);  // "Br +" ascending: 990 before 1287
    EXPECT_EQ(column(t, 1).mid(12), qs({"Klub 102", "Klub 101"}));
    // A refill shows the query order again.
    venue(w, 2)->click();
    EXPECT_EQ(t->topLevelItem(0)->text(1), u"Klub 101"_s);
}

TEST(frmStatystykiMecze, AMissingDiaryIsReportedOnceAndGivesZeros) {
    Diary d;
    QFile::remove(d.path());
    Script s;  // one message, not one per query
    s.message(u"Błąd"_s, missingFileMessage(d.path()));
    frmStatystykiMecze w;
    EXPECT_EQ(panel(w, 3), kZeros);
}
