#include "data/Mirvola.h"
#include "data/engine/Recordset.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmGracz.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

using Imiona = std::tuple<const char*, const char*, const char*>;

QString u8(const char* tekst) {
    return QString::fromUtf8(tekst);
}

QLineEdit* pole(QWidget& w, const char* nazwa) {
    return child<QLineEdit>(w, nazwa);
}

// Types the three names and presses OK.
void zatwierdz(QWidget& w, const char* imie, const char* nazwisko, const char* przydomek) {
    pole(w, "txtImie")->setText(u8(imie));
    pole(w, "txtNazwisko")->setText(u8(nazwisko));
    pole(w, "txtPrzydomek")->setText(u8(przydomek));
    child<QPushButton>(w, "cmdOK")->click();
}

void pokazAktywne(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

const ui::Message kPoprawne = question(u8("Czy dane są poprawne?"));
const ui::Message kKolejny = question(u8("Czy dopisać kolejnego zawodnika?"));

void zapisano(Script& s) {
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(u8("Info"), u8("Dane zostały zapisane."));
}

void istnieje(Script& s) {
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(notice(u8("Taki zawodnik już istnieje !!!")), ui::Answer::Ok);
}

// The error message the engine gives for reading (or editing) the rows of `sql` when there are
// none.
QString bladBrakuWiersza(const QString& sql, bool edycja) {
    const QString tekst = errorText(
        [&] {
            Mirvola::OtworzBaze(sql);
            edycja ? Mirvola::rsDane->edit() : void(Mirvola::rsDane->value(0));
        },
        edycja);
    Mirvola::ZamknijBaze();
    return tekst;
}

class GraczTest : public ::testing::Test {
  protected:
    QString gracz(int id) const {
        return diary
            .rows(
                u"SELECT Imie, Nazwisko, Przydomek FROM Gracze "
                "WHERE Id_gracza = %1"_s.arg(id))
            .front()
            .join(u'|');
    }

    SampleDiary diary;
};

TEST_F(GraczTest, AllowsOnlyTheThreeCombinations) {
    const QString imie = u8("Należy podać imię zawodnika.\n");
    const QString nazwisko = u8("Należy podać nazwisko zawodnika.\n");
    const std::vector<std::tuple<const char*, const char*, const char*, QString>> przypadki = {
        {"Jan", "", "", nazwisko},
        {"Jan", "", "Janek", nazwisko},
        {"", "Nowak", "", imie},
        {"", "Nowak", "Nowy", imie},
        {"", "", "", imie + nazwisko},
        {"  ", " ", "", imie + nazwisko},  // blanks alone are no name
        {"Marek", "Lis", "", {}},
        {"Marek", "Lis", "Lisek", {}},
        {"", "", "Zorro", {}},
    };
    for (const auto& [i, n, p, tekst] : przypadki) {
        SCOPED_TRACE(std::string(i) + "|" + n + "|" + p);
        frmGracz w(false);
        Script s;
        if (tekst.isEmpty()) {
            s.message(kPoprawne, ui::Answer::No);
        } else {
            s.message(notice(tekst), ui::Answer::Ok);
        }
        zatwierdz(w, i, n, p);
    }
    EXPECT_EQ(diary.count(u"Gracze"_s), 5);
}

TEST_F(GraczTest, AddsPlayersOneAfterAnotherWithNullForEmptyFields) {
    frmGracz w(false);
    EXPECT_EQ(w.windowTitle(), u8("Gracze - dopisanie"));
    pokazAktywne(w);
    Script s;
    zapisano(s);
    s.message(kKolejny, ui::Answer::Yes);
    zatwierdz(w, "", "", " Zorro ");
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(pole(w, "txtImie")->hasFocus());
    EXPECT_EQ(pole(w, "txtPrzydomek")->text(), QString());
    zapisano(s);
    s.message(kKolejny, ui::Answer::No);
    zatwierdz(w, "Marek", "O'Lis", "");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(gracz(6), u8("NULL|NULL|Zorro"));
    EXPECT_EQ(gracz(7), u8("Marek|O'Lis|NULL"));
}

TEST_F(GraczTest, DuplicateNeedsAllThreeNamesAndEmptyMatchesOnlyNull) {
    frmGracz w(false);
    pokazAktywne(w);
    Script s;
    for (const auto& [i, n, p] : std::initializer_list<Imiona>{{"ADAM", "nowak", ""},
                                                               {"piotr", "ŻUK", ""},
                                                               {"Sean", "O'Neil", ""},
                                                               {"", "", "Ronaldinho"}}) {
        istnieje(s);
        zatwierdz(w, i, n, p);
        EXPECT_TRUE(pole(w, "txtImie")->hasFocus()) << i;
        EXPECT_EQ(pole(w, "txtImie")->selectedText(), u8(i));
    }
    EXPECT_EQ(diary.count(u"Gracze"_s), 5);
    // Jan Kowalski has the nickname Kowal; Adam Nowak has none.
    for (const auto& [i, n, p] :
         std::initializer_list<Imiona>{{"Jan", "Kowalski", ""}, {"Adam", "Nowak", "Nowy"}}) {
        zapisano(s);
        s.message(kKolejny, ui::Answer::Yes);
        zatwierdz(w, i, n, p);
    }
    EXPECT_EQ(diary.count(u"Gracze"_s), 7);
}

TEST_F(GraczTest, ModifiesUnchangedOrToNewNamesButNotToAnotherPlayers) {
    // A stored name longer than the box takes is shown and saved whole.
    diary.exec(u"UPDATE Gracze SET Przydomek = 'Ronaldinho Gaucho de Assis' WHERE Id_gracza = 3"_s);
    Mirvola::dblIdMeczu = 3;
    {
        frmGracz w(true);
        ASSERT_TRUE(w.loaded());
        EXPECT_EQ(w.windowTitle(), u8("Gracze - modyfikacja"));
        EXPECT_EQ(pole(w, "txtPrzydomek")->text(), u8("Ronaldinho Gaucho de Assis"));
        w.show();
        Script s;
        zapisano(s);  // and closed, without asking for another player
        child<QPushButton>(w, "cmdOK")->click();
        EXPECT_FALSE(w.isVisible());
    }
    Mirvola::dblIdMeczu = 2;
    {
        frmGracz w(true);
        w.show();
        Script s;
        istnieje(s);
        zatwierdz(w, "Jan", "Kowalski", "Kowal");
        EXPECT_TRUE(w.isVisible());
    }
    Mirvola::dblIdMeczu = 1;
    frmGracz w(true);
    Script s;
    zapisano(s);
    zatwierdz(w, "Jan", "Kowalski", "");
    EXPECT_EQ(gracz(1), u8("Jan|Kowalski|NULL"));
    EXPECT_EQ(gracz(2), u8("Adam|Nowak|NULL"));
    EXPECT_EQ(gracz(3), u8("NULL|NULL|Ronaldinho Gaucho de Assis"));
}

TEST_F(GraczTest, PlayersWithANamesakeSaveUnchangedButNoNewNamesakeIsMade) {
    diary.exec(u"INSERT INTO Gracze (Id_gracza, Imie, Nazwisko) VALUES (6, 'Adam', 'Nowak')"_s);
    for (const double id : {2.0, 6.0}) {
        Mirvola::dblIdMeczu = id;
        frmGracz w(true);
        w.show();
        Script s;
        zapisano(s);
        child<QPushButton>(w, "cmdOK")->click();
        EXPECT_FALSE(w.isVisible()) << id;
    }
    {
        // Letter case and blanks make no other names.
        Mirvola::dblIdMeczu = 6;
        frmGracz w(true);
        Script s;
        zapisano(s);
        zatwierdz(w, "adam", " NOWAK ", "");
        EXPECT_EQ(gracz(6), u8("adam|NOWAK|NULL"));
    }
    // Another player renamed to those names would be a third namesake.
    Mirvola::dblIdMeczu = 1;
    frmGracz w(true);
    w.show();
    Script s;
    istnieje(s);
    zatwierdz(w, "Adam", "Nowak", "");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(gracz(1), u8("Jan|Kowalski|Kowal"));
}

TEST_F(GraczTest, DatabaseFailuresAreReportedAndWriteNothing) {
    Script s;
    const QString sql = u"SELECT * FROM Gracze WHERE Id_gracza = 2"_s;
    diary.exec(u"UPDATE Gracze SET Id_gracza = 9 WHERE Id_gracza = 2"_s);
    s.message(u8("Błąd"), bladBrakuWiersza(sql, false));
    Mirvola::dblIdMeczu = 2;
    EXPECT_FALSE(frmGracz(true).loaded());  // not to be shown: its empty fields would be saved

    diary.exec(u"UPDATE Gracze SET Id_gracza = 2 WHERE Id_gracza = 9"_s);
    frmGracz w(true);
    ASSERT_TRUE(w.loaded());
    w.show();
    diary.exec(u"DELETE FROM Gracze WHERE Id_gracza = 2"_s);
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(u8("Błąd"), bladBrakuWiersza(sql, true));
    zatwierdz(w, "Adam", "Nowacki", "");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(diary.count(u"Gracze"_s), 4);
    EXPECT_FALSE(Mirvola::rsDane || Mirvola::dbBaza);
}

TEST_F(GraczTest, KeysMoveFocusInFixedOrderAndBoxesSelectAndTrim) {
    frmGracz w(false);
    pokazAktywne(w);
    const std::vector<std::tuple<const char*, Qt::Key, const char*>> ruchy = {
        {"txtImie", Qt::Key_Return, "txtNazwisko"}, {"txtImie", Qt::Key_Up, "cmdOK"},
        {"txtImie", Qt::Key_Down, "txtNazwisko"},   {"txtNazwisko", Qt::Key_Enter, "txtPrzydomek"},
        {"txtNazwisko", Qt::Key_Up, "txtImie"},     {"txtNazwisko", Qt::Key_Down, "txtPrzydomek"},
        {"txtPrzydomek", Qt::Key_Return, "cmdOK"},  {"txtPrzydomek", Qt::Key_Up, "txtNazwisko"},
        {"txtPrzydomek", Qt::Key_Down, "cmdOK"},
    };
    for (const auto& [z, klawisz, cel] : ruchy) {
        pole(w, z)->setFocus();
        QTest::keyClick(pole(w, z), klawisz);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(cel)) << z;
    }
    pole(w, "txtImie")->setText(u8("  Jan "));
    pole(w, "txtImie")->setFocus();
    EXPECT_EQ(pole(w, "txtImie")->selectedText(), u8("  Jan "));
    pole(w, "txtNazwisko")->setFocus();
    EXPECT_EQ(pole(w, "txtImie")->text(), u8("Jan"));

    Script s;
    s.message(u8("Info"), u8("Dozwolone są następujące kombinacje: \n\n1) Imię + Nazwisko\n"
                             "2) Imię + Nazwisko + Przydomek\n3) Przydomek"));
    child<QPushButton>(w, "cmdHelp")->click();
    screenshot(w, u"frmGracz"_s);
}

}  // namespace
