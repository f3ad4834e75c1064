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

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// The first row of the record `name`, or its row whose details are `details`.
QTreeWidgetItem* row(QTreeWidget* t, const QString& name, const QString& details = {}) {
    bool inRecord = false;
    for (int r = 0; r < t->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = t->topLevelItem(r);
        if (!item->text(1).isEmpty()) {
            inRecord = item->text(1) == name;
        }
        if (inRecord && (details.isEmpty() || item->text(3) == details)) {
            return item;
        }
    }
    ADD_FAILURE() << "no row " << name.toStdString() << " / " << details.toStdString();
    return nullptr;
}

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
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), u"Rekordy"_s);
    QTreeWidget* t = child<QTreeWidget>(w, "lstRekordy");
    QListWidget* competitions = child<QListWidget>(w, "lstRozgr");
    const auto venue = [&](int i) { return child<QCheckBox>(w, u"chkOpcja_%1"_s.arg(i)); };
    const QString zwyciestwa = u"Najdłuższa seria bez zwycięstwa"_s;
    const QString rywal = u"Najwięcej meczów z jednym rywalem"_s;

    // Unlike the statistics, the unofficial friendly is chosen too.
    ASSERT_EQ(texts(competitions), qs({"Liga", "Puchar", "Sparing"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(competitions->item(i)->checkState(), Qt::Checked);
        EXPECT_TRUE(venue(i)->isChecked());
    }
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
    EXPECT_TRUE(t->isColumnHidden(0));
    EXPECT_EQ(t->topLevelItem(1)->text(0), u"2"_s);  // the match id, as in every list
    screenshot(w, u"records"_s);

    // A run: the viewer steps through the whole run and opens on the end clicked.
    Script s;
    s.modal(u"frmMecze"_s, [](QDialog* v) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 4.0);
        viewerShows(u"Mecz 4 z 4|Mirvola Wendrow|O'Higgins"_s)(v);
    });
    QTreeWidgetItem* end = row(t, u"Najdłuższa seria bez porażki"_s, u"koniec serii"_s);
    t->scrollToItem(end);
    const QPoint point = t->visualItemRect(end).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, point);
    s.verify();
    // A scorer: the record's three matches, opened on the second.
    s.modal(u"frmMecze"_s, viewerShows(u"Mecz 2 z 3|Wisła|Mirvola Wendrow"_s));
    enterOn(t, t->itemBelow(t->itemBelow(row(t, u"Najwięcej bramek zawodnika w meczu"_s))));
    s.verify();
    // The opponent: its matches under the window's filters, as the statistics hand them over.
    s.modal(u"frmMecze"_s, [](QDialog* v) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 1.0);  // Legia's Id_klubu
        EXPECT_EQ(labelText(*v, "lblMecz"), u"Mecz 1 z 2"_s);
    });
    enterOn(t, row(t, rywal));
    s.verify();
    // Nothing to show: no viewer.
    enterOn(t, row(t, u"Najwyższa porażka"_s));
    t->clearSelection();
    QTest::keyClick(t, Qt::Key_Return);

    // Without the friendly (match 3): a run of one match.
    competitions->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(row(t, u"Najdłuższa seria bez porażki"_s)->text(2), u"3"_s);
    EXPECT_EQ(row(t, zwyciestwa)->text(3), u"cała seria"_s);
    EXPECT_EQ(row(t, zwyciestwa)->text(0), u"4"_s);

    // A failed reload keeps the records shown, and the opponent's matches still go by the
    // filter the list was made with, with the away match 5.
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
    s.modal(u"frmMecze"_s, viewerShows(u"Mecz 1 z 2|Mirvola Wendrow|Legia"_s));
    enterOn(t, row(t, rywal));
    s.verify();

    venue(2)->click();  // away only: match 2 and match 5 without a score
    EXPECT_EQ(rows(t).mid(0, 3),
              QStringList({u"Najwyższe zwycięstwo|+1||"_s + m2, u"Najwyższa porażka|brak|||||"_s,
                           u"Najwięcej bramek w meczu|3||"_s + m2}));
    // Legia (match 5) and Wisła (match 2) once each.
    EXPECT_EQ(row(t, rywal)->text(2), u"1"_s);
    EXPECT_EQ(row(t, rywal)->text(3), u"Legia"_s);
    EXPECT_EQ(t->itemBelow(row(t, rywal))->text(3), u"Wisła"_s);
    s.modal(u"frmMecze"_s, viewerShows(u"Mecz 1 z 1|Legia|Mirvola Wendrow"_s));
    enterOn(t, row(t, rywal));
    s.verify();

    venue(1)->click();  // no venue at all
    EXPECT_EQ(column(t, 2), QStringList(8, u"brak"_s));
}
