#include "forms/frmRekordy.h"

#include "data/Mirvola.h"
#include "data/engine/Database.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// Selects a row and presses Enter on the list, as the user does.
void enterOn(QTreeWidget* t, QTreeWidgetItem* item) {
    t->setCurrentItem(item);
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Return);
}

// What the viewer opened on a record's matches shows: "lblMecz|lblGosp|lblGosc".
std::function<void(QDialog*)> viewerShows(const QString& expected) {
    return [expected](QDialog* v) {
        EXPECT_EQ(QStringList({labelText(*v, "lblMecz"), labelText(*v, "lblGosp"),
                               labelText(*v, "lblGosc")})
                      .join(u'|'),
                  expected);
    };
}

}  // namespace

// One session: the records of every match, the viewer opened on each kind of record by mouse and
// by keyboard, a failed reload, and the filters.
TEST(frmRekordy, ListsEachRecordWithItsMatchesOpensThemAndFollowsTheFilters) {
    SampleDiary d;
    frmRekordy w;
    w.resize(w.sizeHint());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTreeWidget* t = child<QTreeWidget>(w, "lstRekordy");
    QListWidget* competitions = child<QListWidget>(w, "lstRozgr");
    const auto venue = [&](int i) { return child<QCheckBox>(w, u"chkOpcja_%1"_s.arg(i)); };
    // The first row of a record.
    const auto row = [&](const QString& name) {
        const QList<QTreeWidgetItem*> found = t->findItems(name, Qt::MatchExactly, 1);
        EXPECT_EQ(found.size(), 1) << name.toStdString();
        return found.value(0);
    };
    const QString zwyciestwa = u"Najdłuższa seria bez zwycięstwa"_s;
    const QString rywal = u"Najwięcej meczów z jednym rywalem"_s;

    // Unlike the statistics, the unofficial friendly (match 3) is chosen too.
    ASSERT_EQ(texts(competitions), qs({"Liga", "Puchar", "Sparing"}));
    // In order: match 1 W 2:1, 2 W away 1:2, 3 D 0:0, 4 D 3:3, 5 without a score; Żuk's goal
    // in match 2 is an own goal.
    const QString m1 = u"2001-08-05|Mirvola Wendrow - Legia|2:1|Liga"_s;
    const QString m2 = u"2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga"_s;
    const QString m3 = u"2002-09-01|Mirvola Wendrow - Łódzki KS|0:0|Sparing"_s;
    const QString m4 = u"2003-03-15|Mirvola Wendrow - O'Higgins|3:3|Puchar"_s;
    const QStringList all{u"Najwyższe zwycięstwo|+1||"_s + m1,
                          u"|||"_s + m2,
                          u"Najwyższa porażka|brak|||||"_s,
                          u"Najwięcej bramek w meczu|6||"_s + m4,
                          u"Najdłuższa seria zwycięstw|2|początek serii|"_s + m1,
                          u"||koniec serii|"_s + m2,
                          u"Najdłuższa seria bez porażki|4|początek serii|"_s + m1,
                          u"||koniec serii|"_s + m4,
                          zwyciestwa + u"|2|początek serii|"_s + m3,
                          u"||koniec serii|"_s + m4,
                          rywal + u"|2|Legia||||"_s,
                          u"Najwięcej bramek zawodnika w meczu|1|Adam Nowak|"_s + m1,
                          u"||Jan Kowalski Kowal|"_s + m1,
                          u"||Jan Kowalski Kowal|"_s + m2,
                          u"||Sean O'Neil|"_s + m4};
    EXPECT_EQ(rows(t), all);
    screenshot(w, u"records"_s);

    // A run: the viewer steps through the whole run and opens on the end clicked.
    Script s;
    s.modal(u"frmMecze"_s, [](QDialog* v) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 4.0);
        viewerShows(u"Mecz 4 z 4|Mirvola Wendrow|O'Higgins"_s)(v);
    });
    QTreeWidgetItem* end = t->itemBelow(row(u"Najdłuższa seria bez porażki"_s));
    ASSERT_EQ(end->text(3), u"koniec serii"_s);
    t->scrollToItem(end);
    // At the row's left end, which a list scrolled sideways still shows.
    const QPoint point(t->header()->sectionViewportPosition(1) + 5,
                       t->visualItemRect(end).center().y());
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, point);
    s.verify();
    // A scorer: the record's three matches, opened on the second.
    s.modal(u"frmMecze"_s, viewerShows(u"Mecz 2 z 3|Wisła|Mirvola Wendrow"_s));
    enterOn(t, t->itemBelow(t->itemBelow(row(u"Najwięcej bramek zawodnika w meczu"_s))));
    s.verify();
    // Nothing to show: no viewer.
    enterOn(t, row(u"Najwyższa porażka"_s));
    t->clearSelection();
    QTest::keyClick(t, Qt::Key_Return);

    // Without the friendly (match 3): a run of one match.
    competitions->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(row(u"Najdłuższa seria bez porażki"_s)->text(2), u"3"_s);
    EXPECT_EQ(row(zwyciestwa)->text(3), u"cała seria"_s);
    EXPECT_EQ(row(zwyciestwa)->text(0), u"4"_s);

    // A failed reload keeps the records shown, and the opponent's matches (as the statistics
    // hand them over) still go by the filter the list was made with, with the away match 5.
    const QStringList before = rows(t);
    const QString moved = d.path() + u".moved"_s;
    ASSERT_TRUE(QFile::rename(d.path(), moved));
    s.message({u"Błąd"_s, errorText([&] { engine::Database::open(d.path()); }), ui::Buttons::Ok,
               ui::Icon::Critical},
              ui::Answer::Ok);
    venue(0)->click();
    s.verify();
    EXPECT_EQ(rows(t), before);
    ASSERT_TRUE(QFile::rename(moved, d.path()));
    s.modal(u"frmMecze"_s, [](QDialog* v) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 1.0);  // Legia's Id_klubu
        viewerShows(u"Mecz 1 z 2|Mirvola Wendrow|Legia"_s)(v);
    });
    enterOn(t, row(rywal));
    s.verify();

    venue(2)->click();  // away only: match 2 and match 5 without a score
    EXPECT_EQ(rows(t).mid(0, 3),
              QStringList({u"Najwyższe zwycięstwo|+1||"_s + m2, u"Najwyższa porażka|brak|||||"_s,
                           u"Najwięcej bramek w meczu|3||"_s + m2}));
    s.modal(u"frmMecze"_s, viewerShows(u"Mecz 1 z 1|Legia|Mirvola Wendrow"_s));
    enterOn(t, row(rywal));
    s.verify();

    venue(1)->click();  // no venue at all
    EXPECT_EQ(column(t, 2), QStringList(8, u"brak"_s));
}

// Twelve matches with one goal each: the player's record shows five of its ties and
// "i 7 innych", which gives way to the other seven by a double click or by Enter.
TEST(frmRekordy, ManyTiesShowTheFirstAndTheRestOnAsking) {
    Diary d;
    d.exec(
        u"INSERT INTO Sezony VALUES (1, '2010/11');"
        "INSERT INTO Kluby VALUES (1, 'Legia');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "INSERT INTO Jak VALUES (1, 'z gry', 0);"
        "INSERT INTO Gracze VALUES (1, 'Jan', 'Kowalski', NULL);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 12) "
        "INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, "
        "Id_rozgrywki) SELECT i, 1, printf('2010-09-%02d', i), 'D', 1, 1, 0, 1 FROM n;"
        "INSERT INTO Bramki SELECT Id_meczu, 1, -1, 1, 10, 1 FROM Mecze;"_s);
    for (const bool mouse : {true, false}) {
        SCOPED_TRACE(mouse ? "double click" : "Enter");
        frmRekordy w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTreeWidget* t = child<QTreeWidget>(w, "lstRekordy");
        const QList<QTreeWidgetItem*> first =
            t->findItems(u"Najwięcej bramek zawodnika w meczu"_s, Qt::MatchExactly, 1);
        ASSERT_EQ(first.size(), 1);
        const int from = t->indexOfTopLevelItem(first[0]);
        // The biggest win and the most goals in a match have twelve ties too.
        EXPECT_EQ(t->topLevelItemCount(), 3 * 6 + 7) << "five ties and the rest's row";
        QStringList dates;
        for (int r = from; r < from + 5; ++r) {
            dates << t->topLevelItem(r)->text(4);
        }
        EXPECT_EQ(dates,
                  qs({"2010-09-01", "2010-09-02", "2010-09-03", "2010-09-04", "2010-09-05"}));
        QTreeWidgetItem* rest = t->topLevelItem(from + 5);
        ASSERT_NE(rest, nullptr);
        EXPECT_EQ(rest->text(3), u"i 7 innych"_s);
        EXPECT_EQ(rest->text(4), QString());
        if (mouse) {
            emit t->itemDoubleClicked(rest, 3);
        } else {
            enterOn(t, rest);
        }
        EXPECT_EQ(t->topLevelItemCount(), 3 * 6 + 7 + 6);
        for (int r = from; r < from + 12; ++r) {
            EXPECT_EQ(t->topLevelItem(r)->text(4),
                      u"2010-09-%1"_s.arg(r - from + 1, 2, 10, QChar(u'0')));
            EXPECT_EQ(t->topLevelItem(r)->text(3), u"Jan Kowalski"_s);
        }
        EXPECT_EQ(t->currentItem(), t->topLevelItem(from + 5));
    }
}
