#include "forms/frmBramkiPilkarza.h"

#include "forms/Toolkit.h"
#include "support/Diary.h"
#include "support/Widgets.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

const QString kOficjalne = u"(1, 2)"_s;
const QString kWszedzie = u"('D', 'W', 'N')"_s;

QTreeWidget* goals(const QWidget& w) {
    return child<QTreeWidget>(w, "lstBramki");
}

}  // namespace

TEST(frmBramkiPilkarza, ListsThePlayersGoalsInOrderWithPairingAndSide) {
    SampleDiary d;
    frmBramkiPilkarza w(nullptr, 1, kOficjalne, kWszedzie,
                        u" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True"_s);
    EXPECT_EQ(w.windowTitle(), u"Bramki piłkarza - Jan Kowalski Kowal"_s);
    EXPECT_EQ(rows(goals(w)), QStringList({u"2001/02|2001-08-05|Mirvola Wendrow - Legia|Mirvola "
                                           "Wendrow|2:1|10|z gry|Liga"_s,
                                           u"2001/02|2002-05-05|Wisła - Mirvola Wendrow|Mirvola "
                                           "Wendrow|1:2|20|z gry|Liga"_s}));

    // Goals against the home club name the opponent; a minute below 10 gets a blank.
    frmBramkiPilkarza r(nullptr, 3, kOficjalne, kWszedzie, u" AND Bramki.Czy_Mirvola = False"_s);
    EXPECT_EQ(r.windowTitle(), u"Bramki piłkarza - Ronaldinho"_s);
    EXPECT_EQ(rows(goals(r)), QStringList({u"2001/02|2001-08-05|Mirvola Wendrow - "
                                           "Legia|Legia|2:1|30|z gry|Liga"_s,
                                           u"2001/02|2002-05-05|Wisła - Mirvola "
                                           "Wendrow|Wisła|1:2| 7|z gry|Liga"_s,
                                           u"2002/03|2003-03-15|Mirvola Wendrow - "
                                           "O'Higgins|O'Higgins|3:3|45|karny|Puchar"_s}));
}

TEST(frmBramkiPilkarza, EighteenGoalsNarrowTheMatchAndMinutesSortByValue) {
    SampleDiary d;
    // Adam Nowak: 50' in match 1, then 17 more in match 4 (minutes 100, 7, none, 1..14).
    d.exec(
        u"INSERT INTO Bramki VALUES (4, 3, -1, 2, 100, 1), (4, 4, -1, 2, 7, 1),"
        "(4, 5, -1, 2, NULL, 1);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 14) "
        "INSERT INTO Bramki SELECT 4, 5 + i, -1, 2, i, 1 FROM n;"_s);
    const QString regularAndOwn = u" AND Bramki.Czy_Mirvola = True"_s;
    frmBramkiPilkarza w(nullptr, 2, kOficjalne, kWszedzie, regularAndOwn);
    w.show();
    QTreeWidget* t = goals(w);
    ASSERT_EQ(t->topLevelItemCount(), 18);
    EXPECT_EQ(t->columnWidth(3), ui::szerokoscKolumny(3100, t));

    clickHeader(t, 6);
    EXPECT_EQ(column(t, 6).mid(0, 2), qs({"", " 1"}));  // no minute first
    EXPECT_EQ(column(t, 6).mid(16), qs({"50", "100"}));

    // 17 goals keep the design width.
    d.exec(u"DELETE FROM Bramki WHERE Minuta = 100"_s);
    frmBramkiPilkarza k(nullptr, 2, kOficjalne, kWszedzie, regularAndOwn);
    EXPECT_EQ(goals(k)->topLevelItemCount(), 17);
    EXPECT_EQ(goals(k)->columnWidth(3), ui::szerokoscKolumny(3350, goals(k)));
}
