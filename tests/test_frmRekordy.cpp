#include "forms/frmRekordy.h"

#include "data/Mirvola.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include "data/engine/Database.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

QTreeWidget* records(const QWidget& w) {
    return child<QTreeWidget>(w, "lstRekordy");
}

QListWidget* competitions(const QWidget& w) {
    return child<QListWidget>(w, "lstRozgr");
}

QCheckBox* venue(const QWidget& w, int i) {
    return child<QCheckBox>(w, u"chkOpcja_%1"_s.arg(i));
}

// The row whose record name (or, on the lines after a record's first, whose details) starts
// with `text`.
QTreeWidgetItem* row(const QWidget& w, const QString& name, const QString& details = {}) {
    QTreeWidget* t = records(w);
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
void enterOn(const QWidget& w, QTreeWidgetItem* item) {
    QTreeWidget* t = records(w);
    t->setCurrentItem(item);
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Return);
}

void doubleClickOn(const QWidget& w, QTreeWidgetItem* item) {
    QTreeWidget* t = records(w);
    t->scrollToItem(item);
    const QPoint point = t->visualItemRect(item).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, point);
}

}  // namespace

TEST(frmRekordy, OpensOnEveryCompetitionAndListsEachRecordWithItsMatches) {
    SampleDiary d;
    frmRekordy w;
    EXPECT_EQ(w.windowTitle(), u"Rekordy"_s);
    // Unlike the statistics, the unofficial friendly is chosen too.
    QListWidget* c = competitions(w);
    ASSERT_EQ(texts(c), qs({"Liga", "Puchar", "Sparing"}));
    for (int i = 0; i < c->count(); ++i) {
        EXPECT_EQ(c->item(i)->checkState(), Qt::Checked);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(venue(w, i)->isChecked());
    }
    // In order: match 1 W 2:1, 2 W away 1:2, 3 D 0:0, 4 D 3:3, 5 without a score; Żuk's goal
    // in match 2 is an own goal.
    EXPECT_EQ(rows(records(w)),
              qs({"Najwyższe zwycięstwo|+1||2001-08-05|Mirvola Wendrow - Legia|2:1|Liga",
                  "|||2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga", "Najwyższa porażka|brak|||||",
                  "Najwięcej bramek w meczu|6||2003-03-15|Mirvola Wendrow - O'Higgins|3:3|Puchar",
                  "Najdłuższa seria zwycięstw|2|początek serii|2001-08-05|Mirvola Wendrow - "
                  "Legia|2:1|Liga",
                  "||koniec serii|2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga",
                  "Najdłuższa seria bez porażki|4|początek serii|2001-08-05|Mirvola Wendrow - "
                  "Legia|2:1|Liga",
                  "||koniec serii|2003-03-15|Mirvola Wendrow - O'Higgins|3:3|Puchar",
                  "Najdłuższa seria bez zwycięstwa|2|początek serii|2002-09-01|Mirvola Wendrow - "
                  "Łódzki KS|0:0|Sparing",
                  "||koniec serii|2003-03-15|Mirvola Wendrow - O'Higgins|3:3|Puchar",
                  "Najwięcej meczów z jednym rywalem|2|Legia||||",
                  "Najwięcej bramek zawodnika w meczu|1|Adam Nowak|2001-08-05|Mirvola Wendrow - "
                  "Legia|2:1|Liga",
                  "||Jan Kowalski Kowal|2001-08-05|Mirvola Wendrow - Legia|2:1|Liga",
                  "||Jan Kowalski Kowal|2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga",
                  "||Sean O'Neil|2003-03-15|Mirvola Wendrow - O'Higgins|3:3|Puchar"}));
    EXPECT_TRUE(records(w)->isColumnHidden(0));
    EXPECT_EQ(records(w)->topLevelItem(1)->text(0), u"2"_s);  // the match id, as in every list

    w.resize(w.sizeHint());
    screenshot(w, u"records"_s);
}

TEST(frmRekordy, EveryRecordFollowsTheFiltersAtOnce) {
    SampleDiary d;
    frmRekordy w;
    competitions(w)->item(2)->setCheckState(Qt::Unchecked);  // without the friendly (match 3)
    EXPECT_EQ(row(w, u"Najdłuższa seria bez porażki"_s)->text(2), u"3"_s);
    EXPECT_EQ(row(w, u"Najdłuższa seria bez zwycięstwa"_s)->text(3), u"cała seria"_s);
    EXPECT_EQ(row(w, u"Najdłuższa seria bez zwycięstwa"_s)->text(0), u"4"_s);

    venue(w, 0)->click();  // away only: match 2 and match 5 without a score
    EXPECT_EQ(rows(records(w)).mid(0, 3),
              qs({"Najwyższe zwycięstwo|+1||2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga",
                  "Najwyższa porażka|brak|||||",
                  "Najwięcej bramek w meczu|3||2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga"}));
    // Legia (match 5) and Wisła (match 2) once each.
    EXPECT_EQ(row(w, u"Najwięcej meczów z jednym rywalem"_s)->text(2), u"1"_s);
    EXPECT_EQ(row(w, u"Najwięcej meczów z jednym rywalem"_s)->text(3), u"Legia"_s);
    EXPECT_EQ(records(w)->itemBelow(row(w, u"Najwięcej meczów z jednym rywalem"_s))->text(3),
              u"Wisła"_s);

    venue(w, 1)->click();  // no venue at all
    for (const QString& line : rows(records(w))) {
        EXPECT_TRUE(line.split(u'|').value(1) == u"brak"_s) << line.toStdString();
    }
    EXPECT_EQ(records(w)->topLevelItemCount(), 8);
}

TEST(frmRekordy, DoubleClickAndEnterOpenTheViewerOnTheRecordsMatches) {
    SampleDiary d;
    frmRekordy w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    Script s;

    // A run: the viewer steps through the whole run and opens on the end clicked.
    s.modal(u"frmMecze"_s, [](QDialog* viewer) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 4.0);
        EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 4 z 4"_s);
        EXPECT_EQ(labelText(*viewer, "lblGosc"), u"O'Higgins"_s);
    });
    doubleClickOn(w, row(w, u"Najdłuższa seria bez porażki"_s, u"koniec serii"_s));
    s.verify();

    // A scorer: the record's three matches, opened on the second.
    s.modal(u"frmMecze"_s, [](QDialog* viewer) {
        EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 2 z 3"_s);
        EXPECT_EQ(labelText(*viewer, "lblGosp"), u"Wisła"_s);
    });
    QTreeWidgetItem* scorer = row(w, u"Najwięcej bramek zawodnika w meczu"_s);
    enterOn(w, records(w)->itemBelow(records(w)->itemBelow(scorer)));
    s.verify();

    // The opponent: its matches under the window's filters, as the statistics hand them over.
    s.modal(u"frmMecze"_s, [](QDialog* viewer) {
        EXPECT_EQ(Mirvola::dblIdMeczu, 1.0);  // Legia's Id_klubu
        EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 1 z 2"_s);
    });
    enterOn(w, row(w, u"Najwięcej meczów z jednym rywalem"_s));
    s.verify();
    venue(w, 0)->click();
    s.modal(u"frmMecze"_s, [](QDialog* viewer) {
        EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 1 z 1"_s);
        EXPECT_EQ(labelText(*viewer, "lblGosp"), u"Legia"_s);
    });
    enterOn(w, row(w, u"Najwięcej meczów z jednym rywalem"_s));
    s.verify();

    // Nothing to show: no viewer.
    enterOn(w, row(w, u"Najwyższa porażka"_s));
    records(w)->clearSelection();
    QTest::keyClick(records(w), Qt::Key_Return);
}

TEST(frmRekordy, DatabaseErrorKeepsTheRecordsShown) {
    SampleDiary d;
    frmRekordy w;
    const QStringList before = rows(records(w));
    const QString moved = d.path() + u".moved"_s;
    ASSERT_TRUE(QFile::rename(d.path(), moved));
    {
        Script s;
        s.message({u"Błąd"_s, errorText([&] { engine::Database::open(d.path()); }), ui::Buttons::Ok,
                   ui::Icon::Critical},
                  ui::Answer::Ok);
        venue(w, 1)->click();
    }
    EXPECT_EQ(rows(records(w)), before);

    // The opponent's matches still go by the filter the list was made with, with the away
    // match 5.
    ASSERT_TRUE(QFile::rename(moved, d.path()));
    Script s;
    s.modal(u"frmMecze"_s,
            [](QDialog* viewer) { EXPECT_EQ(labelText(*viewer, "lblMecz"), u"Mecz 1 z 2"_s); });
    enterOn(w, row(w, u"Najwięcej meczów z jednym rywalem"_s));
}
