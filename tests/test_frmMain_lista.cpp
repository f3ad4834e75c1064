// The main window: start-up, the match list, its filters, sorting, menus, toolbar, status bar
// and the exit question.

#include "frmMainTesty.h"

#include "data/Mirvola.h"
#include "forms/Toolkit.h"

#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

using namespace frmmain_testy;

namespace {

constexpr int kNr = 1, kSezon = 2, kData = 3, kMecz = 4, kWynik = 5, kKomentarz = 7;

// Commands that need a listed match, and those that never depend on the list.
const QStringList kPoleceniaMeczu =
    u"itmOpis itmPopraw sitmZaznaczony sitmWszystkie itmOdswiez itmStatystykiMecze "
    "itmStatystykiPilkarze itmRekordy itmWykresySezonow tlbMain_1 tlbMain_3 tlbMain_4 tlbMain_5 "
    "tlbMain_7 tlbMain_8"_s.split(u' ');
const QStringList kPoleceniaZawsze =
    u"itmDodaj itmTylkoOficjalne itmTylkoNieoficjalne itmKoniec itmSlowniki itmDefragmentacja "
    "itmNaprawa itmUsunWszystko itmOProgramie tlbMain_2 tlbMain_10 tlbMain_12"_s.split(u' ');

void sprawdzPolecenia(const frmMain& okno, bool saMecze) {
    for (const QString& nazwa : kPoleceniaMeczu) {
        EXPECT_EQ(child<QAction>(okno, nazwa)->isEnabled(), saMecze) << nazwa.toStdString();
    }
    for (const QString& nazwa : kPoleceniaZawsze) {
        EXPECT_TRUE(child<QAction>(okno, nazwa)->isEnabled()) << nazwa.toStdString();
    }
    EXPECT_EQ(child<QMenu>(okno, "itmUsun")->menuAction()->isEnabled(), saMecze);
    EXPECT_EQ(lista(okno)->isVisibleTo(&okno), saMecze);
}

}  // namespace

TEST(frmMainStart, FillsOfficialMatchesNewestFirstInColumnsThatFitAndAsksOnExit) {
    SampleDiary d;
    ui::setClock([] { return QDateTime(QDate(2002, 5, 5), QTime(17, 45, 10)); });
    frmMain okno;
    ASSERT_FALSE(okno.koniecProgramu());
    // A match without a score shows the bare colon.
    EXPECT_EQ(rows(lista(okno)),
              qs({"   4.|2002/03|2003-04-20|Legia - Mirvola Wendrow|:|Liga|",
                  "   3.|2002/03|2003-03-15|Mirvola Wendrow - O'Higgins|3:3|Puchar|",
                  "   2.|2001/02|2002-05-05|Wisła - Mirvola Wendrow|1:2|Liga|",
                  "   1.|2001/02|2001-08-05|Mirvola Wendrow - Legia|2:1|Liga|Pierwszy mecz"}));

    // The widths follow the twips of the old window, widened alike for a wider font so that
    // the texts still fit.
    QTreeWidget* l = lista(okno);
    EXPECT_GE(okno.szerokoscKolumny(1050), ui::twips(1050, l));
    EXPECT_NEAR(okno.szerokoscKolumny(2000) * 1750 / 2000, okno.szerokoscKolumny(1750), 1);
    const QFontMetrics fm = l->fontMetrics();
    EXPECT_LT(fm.horizontalAdvance(u"2003-04-20"_s) + 6, l->header()->sectionSize(kData));
    EXPECT_LT(fm.horizontalAdvance(u" 1004."_s) + 6, l->header()->sectionSize(kNr));
    EXPECT_TRUE(l->isColumnHidden(0));
    EXPECT_EQ(l->header()->sectionViewportPosition(kNr), 0);
    // The number to the right, the pairing and the comment to the left, the rest centred.
    const QTreeWidgetItem* wiersz = l->topLevelItem(1);
    QList<int> wyrownanie;
    for (int k = kNr; k <= kKomentarz; ++k) {
        wyrownanie << (wiersz->textAlignment(k) & Qt::AlignHorizontal_Mask);
    }
    EXPECT_EQ(wyrownanie,
              (QList<int>{Qt::AlignRight, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft,
                          Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft}));
    okno.show();
    screenshot(okno, u"frmMain"_s);
    for (const QAction* a : child<QToolBar>(okno, "tlbMain")->actions()) {
        EXPECT_TRUE(a->isSeparator() || !a->icon().pixmap(24, 24).isNull())
            << a->objectName().toStdString();
    }
    EXPECT_FALSE(okno.windowIcon().isNull());

    const auto panel = [&](int i) {
        return child<QLabel>(*okno.statusBar(), u"sbarMirvola_%1"_s.arg(i));
    };
    ASSERT_TRUE(panel(1) && panel(2) && panel(3));
    // Polish, whatever the system's language (the tests run in the C locale).
    EXPECT_EQ(panel(2)->text(), u"5.05.2002"_s);
    EXPECT_EQ(panel(3)->text(), u"17:45"_s);
    // The clock keeps running.
    ui::setClock([] { return QDateTime(QDate(2002, 5, 6), QTime(0, 1)); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel(2)->text() == u"6.05.2002"_s; }, 3000));
    ui::setClock({});

    Script s;
    s.modal(u"frmAbout"_s);
    akcja(okno, "itmOProgramie")->trigger();

    // The exit question on both ways of closing.
    const ui::Message pytanie{u"Koniec programu Mirvola"_s, u"Jesteś pewien ?"_s,
                              ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes};
    s.message(pytanie, ui::Answer::No);
    s.message(pytanie, ui::Answer::Yes);
    EXPECT_FALSE(okno.close());
    akcja(okno, "itmKoniec")->trigger();
    EXPECT_FALSE(okno.isVisible());
}

TEST(frmMainStart, MissingDiaryIsReportedAndTheProgramEndsWithoutTheExitQuestion) {
    QTemporaryDir katalog;
    Mirvola::UstawKatalogProgramu(katalog.path());
    Script s;
    s.message(notice(u"Brak pliku Mirvola.mdb !!!"_s), ui::Answer::Ok);
    s.modal(u"frmPierwszyStart"_s);  // closed: the program ends
    frmMain okno;
    EXPECT_TRUE(okno.koniecProgramu());
    s.verify();
    okno.show();
    EXPECT_TRUE(okno.close());  // no question: the script expects none
    EXPECT_FALSE(QFile::exists(katalog.path() + u"/Mirvola.mdb"_s));
}

// A text file or a damaged one is named as no database by the diary start tests; a real
// SQLite file of another program has a message of its own.
TEST(frmMainStart, AnotherProgramsDatabaseIsNamedAndLeftUntouched) {
    Diary d;
    QFile::remove(d.path());
    sqlite3* db = nullptr;
    sqlite3_open(d.path().toUtf8().constData(), &db);
    sqlite3_exec(db, "CREATE TABLE Notatki (Tekst TEXT); INSERT INTO Notatki VALUES ('x');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray przed = fileBytes(d.path());
    Script s;
    s.message(
        notice(u"Plik %1 nie jest bazą danych programu Mirvola !!!\nTo baza danych innego "
               "programu. Program jej nie zmienia; umieść w tym miejscu plik dziennika."_s.arg(
                   QDir::toNativeSeparators(d.path()))),
        ui::Answer::Ok);
    frmMain okno;
    EXPECT_TRUE(okno.koniecProgramu());
    s.verify();
    EXPECT_TRUE(okno.close());
    EXPECT_EQ(fileBytes(d.path()), przed);
}

TEST(frmMainLista, FiltersNumberingSortingAndNoMatchHidingTheList) {
    SampleDiary d;
    frmMain okno;
    okno.show();
    sprawdzPolecenia(okno, true);
    QAction* oficjalne = akcja(okno, "itmTylkoOficjalne");
    QAction* nieoficjalne = akcja(okno, "itmTylkoNieoficjalne");

    nieoficjalne->trigger();  // unchecks the other item
    EXPECT_TRUE(okno.tylkoNieoficjalne());
    EXPECT_FALSE(okno.tylkoOficjalne());
    EXPECT_EQ(kolumna(okno, 0), qs({"3"}));
    EXPECT_EQ(kolumna(okno, kNr), qs({"   1."}));

    nieoficjalne->trigger();  // a checked item unchecked: everything
    EXPECT_FALSE(okno.tylkoNieoficjalne());
    EXPECT_EQ(kolumna(okno, 0), qs({"5", "4", "3", "2", "1"}));
    EXPECT_EQ(kolumna(okno, kNr), qs({"   5.", "   4.", "   3.", "   2.", "   1."}));

    // Header sorting, undone by Refresh.
    clickHeader(lista(okno), kMecz);
    EXPECT_EQ(kolumna(okno, kMecz), qs({"Legia - Mirvola Wendrow", "Mirvola Wendrow - Legia",
                                        "Mirvola Wendrow - Łódzki KS",
                                        "Mirvola Wendrow - O'Higgins", "Wisła - Mirvola Wendrow"}));
    clickHeader(lista(okno), kMecz);
    EXPECT_EQ(kolumna(okno, kMecz).first(), u"Wisła - Mirvola Wendrow"_s);
    EXPECT_EQ(okno.focusWidget(), lista(okno));

    // Another column sorts ascending; dates in calendar order.
    clickHeader(lista(okno), kData);
    EXPECT_EQ(kolumna(okno, 0), qs({"1", "2", "3", "4", "5"}));
    clickHeader(lista(okno), kWynik);
    EXPECT_EQ(kolumna(okno, kWynik), qs({":", "0:0", "1:2", "2:1", "3:3"}));

    akcja(okno, "itmOdswiez")->trigger();
    EXPECT_EQ(kolumna(okno, 0), qs({"5", "4", "3", "2", "1"}));
    // After Refresh the first click sorts ascending again, even on the column sorted before.
    clickHeader(lista(okno), kWynik);
    EXPECT_EQ(kolumna(okno, kWynik).first(), u":"_s);

    nieoficjalne->trigger();
    oficjalne->trigger();
    EXPECT_FALSE(okno.tylkoNieoficjalne());
    EXPECT_EQ(kolumna(okno, 0), qs({"5", "4", "2", "1"}));

    // No match left under the filter hides the list and disables its commands.
    d.exec(u"DELETE FROM Mecze WHERE Id_meczu = 3"_s);  // the only unofficial one
    nieoficjalne->trigger();
    EXPECT_EQ(lista(okno)->topLevelItemCount(), 0);
    sprawdzPolecenia(okno, false);
    nieoficjalne->trigger();
    EXPECT_EQ(lista(okno)->topLevelItemCount(), 4);
    sprawdzPolecenia(okno, true);

    // Wide numbers keep one blank and sort by value.
    dopiszMecze(d, 1000, 100);
    akcja(okno, "itmOdswiez")->trigger();
    const QStringList numery = kolumna(okno, kNr);
    EXPECT_EQ(numery.mid(0, 2), qs({" 1004.", " 1003."}));
    EXPECT_EQ(numery.mid(1004 - 100, 2), qs({" 100.", "  99."}));
    EXPECT_EQ(numery.mid(1004 - 10, 2), qs({"  10.", "   9."}));
    clickHeader(lista(okno), kNr);
    EXPECT_EQ(kolumna(okno, kNr).mid(998, 3), qs({" 999.", " 1000.", " 1001."}));
    clickHeader(lista(okno), kNr);
    EXPECT_EQ(kolumna(okno, kNr).mid(3, 3), qs({" 1001.", " 1000.", " 999."}));

    // An empty diary starts in the same state.
    Diary pusty;
    frmMain drugie;
    ASSERT_FALSE(drugie.koniecProgramu());
    sprawdzPolecenia(drugie, false);
}

TEST(frmMainLista, ScrollBarRoomFrom23RowsAndTheTagRowSelectedInView) {
    Diary d;
    dopiszMecze(d, 22);
    frmMain okno;
    okno.show();
    QTreeWidget* l = lista(okno);
    EXPECT_EQ(l->header()->sectionSize(kKomentarz), okno.szerokoscKolumny(2000));
    dopiszMecze(d, 1, 23);
    akcja(okno, "itmOdswiez")->trigger();
    EXPECT_EQ(l->topLevelItemCount(), 23);
    EXPECT_EQ(l->header()->sectionSize(kKomentarz), okno.szerokoscKolumny(1750));

    // The tag's row is selected and scrolled into view.
    dopiszMecze(d, 177, 24);
    okno.setTag(u"7"_s);
    okno.WypelnijListe();
    okno.ZaznaczWierszZnacznika();
    ASSERT_NE(l->currentItem(), nullptr);
    EXPECT_EQ(l->currentItem()->text(0), u"7"_s);
    EXPECT_TRUE(l->currentItem()->isSelected());
    EXPECT_TRUE(l->viewport()->rect().intersects(l->visualItemRect(l->currentItem())));

    // "1" is no prefix match for "17" or "100": the whole text must agree.
    d.exec(u"DELETE FROM Mecze WHERE Id_meczu = 1"_s);
    okno.setTag(u"1"_s);
    okno.WypelnijListe();
    okno.ZaznaczWierszZnacznika();
    EXPECT_EQ(l->currentItem()->text(0), u"200"_s);
}

TEST(frmMainLista, CommentTooltips) {
    Diary d;
    dopiszMecze(d, 5);
    // Line feeds do not count towards the 76 characters.
    const QString komentarze[] = {
        u"'%1' || char(10) || '%2'"_s.arg(QString(70, u'a'), QString(6, u'b')), u"'   '"_s,
        u"'%1'"_s.arg(QString(76, u'y')), u"'%1'"_s.arg(QString(77, u'x')),
        u"'Pierwsza linia' || char(13) || char(10) || 'druga'"_s};
    for (int id = 1; id <= 5; ++id) {
        d.exec(u"UPDATE Mecze SET Komentarz = %1 WHERE Id_meczu = %2"_s.arg(komentarze[id - 1])
                   .arg(id));
    }
    frmMain okno;
    QTreeWidget* l = lista(okno);
    QStringList podpowiedzi;
    for (int wiersz = 0; wiersz < l->topLevelItemCount(); ++wiersz) {
        podpowiedzi << l->topLevelItem(wiersz)->toolTip(kKomentarz);
    }
    EXPECT_EQ(podpowiedzi,
              (QStringList{u"Pierwsza linia\rdruga"_s, QString(76, u'x') + u"..."_s,
                           QString(76, u'y'), QString(), QString(70, u'a') + QString(6, u'b')}));
    EXPECT_EQ(l->topLevelItem(0)->text(kKomentarz), u"Pierwsza linia\r\ndruga"_s);
}

TEST(frmMainLista, OddRowsDoNotStopTheFill) {
    SampleDiary d;
    d.exec(
        u"DELETE FROM Sezony WHERE Id_sezonu = 2;"
        "INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, "
        "Wyn2, Id_rozgrywki) VALUES (6, 1, '2001-09-01', 'D', 99, 1, 0, 1),"
        "(7, 1, '2001-09-02', 'D', 1, 1, 0, 99);"_s);
    frmMain okno;
    ASSERT_FALSE(okno.koniecProgramu());
    // Missing club or competition: not listed; missing season: listed last, empty season.
    EXPECT_EQ(kolumna(okno, 0), qs({"2", "1", "5", "4"}));
    EXPECT_EQ(kolumna(okno, kSezon), qs({"2001/02", "2001/02", "", ""}));
    EXPECT_EQ(kolumna(okno, kNr), qs({"   4.", "   3.", "   2.", "   1."}));
}
