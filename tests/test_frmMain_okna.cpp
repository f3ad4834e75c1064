// The main window hands over to the other windows and refreshes after them.

#include "frmMainTesty.h"

#include "data/Mirvola.h"

#include <QDialog>

using namespace Qt::StringLiterals;

using namespace frmmain_testy;

namespace {

void zaznacz(const frmMain& okno, int wiersz) {
    QTreeWidget* l = lista(okno);
    l->setCurrentItem(l->topLevelItem(wiersz));
    l->setFocus();
}

}  // namespace

TEST(frmMainOkna, EnterReturnAndDoubleClickDescribeTheSelectedMatch) {
    SampleDiary d;
    frmMain okno;
    okno.show();
    zaznacz(okno, 2);  // match 2, second of the four official matches by season and date
    QTreeWidget* l = lista(okno);
    Script s;
    const auto opis = [](QDialog* w) {
        EXPECT_EQ(labelText(*w, "lblMecz"), u"Mecz 2 z 4"_s);
        EXPECT_EQ(labelText(*w, "lblGosp"), u"Wisła"_s);
    };
    s.modal(u"frmMecze"_s, opis);
    QTest::keyClick(l, Qt::Key_Return);
    s.modal(u"frmMecze"_s, opis);
    QTest::keyClick(l, Qt::Key_Enter);
    s.modal(u"frmMecze"_s, opis);
    const QPoint wiersz = l->visualItemRect(l->topLevelItem(2)).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, wiersz);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, wiersz);
    EXPECT_EQ(Mirvola::dblIdMeczu, 2.0);
    s.verify();

    // The viewer follows the main window's filter: with no filter every match is stepped.
    akcja(okno, "itmTylkoOficjalne")->trigger();
    zaznacz(okno, 0);
    s.modal(u"frmMecze"_s,
            [](QDialog* w) { EXPECT_EQ(labelText(*w, "lblMecz"), u"Mecz 5 z 5"_s); });
    akcja(okno, "itmOpis")->trigger();
}

TEST(frmMainOkna, AddingOrModifyingAMatchRefillsTheListModifiedSelectedAgain) {
    SampleDiary d;
    frmMain okno;
    okno.show();
    Mirvola::blnPoprawa = Mirvola::True;
    Script s;
    s.modal(u"frmMecz"_s, [&](QDialog* w) {
        EXPECT_EQ(Mirvola::blnPoprawa, Mirvola::False);  // the editor opens to add
        d.exec(
            u"INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, "
            "Wyn1, Wyn2, Id_rozgrywki) VALUES (9, 2, '2003-05-01', 'D', 2, 1, 0, 1)"_s);
        w->done(QDialog::Accepted);
    });
    akcja(okno, "tlbMain_2")->trigger();
    EXPECT_EQ(kolumna(okno, 0).first(), u"9"_s);
    EXPECT_EQ(kolumna(okno, 1).first(), u"   5."_s);

    zaznacz(okno, 4);  // match 1, the oldest
    s.modal(u"frmMecz"_s, [&](QDialog* w) {
        EXPECT_EQ(Mirvola::blnPoprawa, Mirvola::True);
        EXPECT_EQ(Mirvola::dblIdMeczu, 1.0);
        // A later date moves the match to the top of the list.
        d.exec(u"UPDATE Mecze SET Data = '2003-06-01', Id_sezonu = 2 WHERE Id_meczu = 1"_s);
        w->done(QDialog::Accepted);
    });
    akcja(okno, "itmPopraw")->trigger();
    ASSERT_NE(lista(okno)->currentItem(), nullptr);
    EXPECT_EQ(lista(okno)->currentItem()->text(0), u"1"_s);
    EXPECT_EQ(lista(okno)->indexOfTopLevelItem(lista(okno)->currentItem()), 0);
}

TEST(frmMainOkna, DictionariesAndStatisticsOpenModally) {
    SampleDiary d;
    frmMain okno;
    Mirvola::blnPoprawa = Mirvola::True;
    Script s;
    s.modal(u"frmSlowniki"_s, [&](QDialog*) {
        EXPECT_EQ(Mirvola::blnPoprawa, Mirvola::False);
        d.exec(u"DELETE FROM Kluby WHERE Id_klubu = 1"_s);
    });
    akcja(okno, "tlbMain_10")->trigger();
    // Matches against a deleted club drop out of the refilled list.
    EXPECT_EQ(kolumna(okno, 0), qs({"4", "2"}));

    s.modal(u"frmStatystykiMecze"_s);
    akcja(okno, "tlbMain_7")->trigger();
    s.modal(u"frmStatystykiPilkarze"_s);
    akcja(okno, "itmStatystykiPilkarze")->trigger();
    s.modal(u"frmRekordy"_s);
    akcja(okno, "itmRekordy")->trigger();
    s.modal(u"frmWykresySezonow"_s);
    akcja(okno, "itmWykresySezonow")->trigger();
}
