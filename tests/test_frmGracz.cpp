// The player editor: which names it takes, duplicates, both modes, failures and the keyboard.
#include "data/Mirvola.h"
#include "data/engine/Recordset.h"
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
using ui::Answer;

namespace {

const ui::Message kPoprawne = question(u"Czy dane są poprawne?"_s);
const ui::Message kKolejny = question(u"Czy dopisać kolejnego zawodnika?"_s);
const ui::Message kZapisane = info(u"Dane zostały zapisane."_s);
const ui::Message kIstnieje = notice(u"Taki zawodnik już istnieje !!!"_s);

class GraczTest : public ::testing::Test {
  protected:
    static QLineEdit* pole(QWidget& w, const char* nazwa) { return child<QLineEdit>(w, nazwa); }

    // Types first name, surname and nickname, given as "first|surname|nickname", and presses OK.
    static void zatwierdz(QWidget& w, const char* imiona) {
        const QStringList czesci = QString::fromUtf8(imiona).split(u'|');
        pole(w, "txtImie")->setText(czesci.value(0));
        pole(w, "txtNazwisko")->setText(czesci.value(1));
        pole(w, "txtPrzydomek")->setText(czesci.value(2));
        child<QPushButton>(w, "cmdOK")->click();
    }
    static void pokazAktywne(QWidget& w) {
        w.show();
        QApplication::setActiveWindow(&w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    QString gracz(int id) const {
        return diary
            .rows(u"SELECT Imie, Nazwisko, Przydomek FROM Gracze WHERE Id_gracza = %1"_s.arg(id))
            .front()
            .join(u'|');
    }

    SampleDiary diary;
};

TEST_F(GraczTest, AddModeTakesTheThreeCombinationsAndNoDuplicate) {
    frmGracz w(false);
    EXPECT_EQ(w.windowTitle(), u"Gracze - dopisanie"_s);
    pokazAktywne(w);
    const QString imie = u"Należy podać imię zawodnika.\n"_s;
    const QString nazwisko = u"Należy podać nazwisko zawodnika.\n"_s;
    // A nickname beside one name does not stand in for the other.
    const std::pair<const char*, QString> przypadki[] = {
        {"Jan||Janek", nazwisko},
        {"|Nowak|Nowy", imie},
        {"  | |", imie + nazwisko},  // blanks alone are no name
        {"Marek|Lis|", {}},
        {"Marek|Lis|Lisek", {}},
        {"||Zorro", {}},
    };
    for (const auto& [imiona, tekst] : przypadki) {
        SCOPED_TRACE(imiona);
        Script s;
        s.message(tekst.isEmpty() ? kPoprawne : notice(tekst),
                  tekst.isEmpty() ? Answer::No : Answer::Ok);
        zatwierdz(w, imiona);
    }
    // A duplicate needs all three names alike, in any letter case; an empty name matches
    // only a missing one (Jan Kowalski has the nickname Kowal; Adam Nowak has none).
    for (const char* imiona : {"ADAM|nowak|", "piotr|ŻUK|", "Sean|O'Neil|", "||Ronaldinho"}) {
        SCOPED_TRACE(imiona);
        Script s;
        s.message(kPoprawne, Answer::Yes);
        s.message(kIstnieje, Answer::Ok);
        zatwierdz(w, imiona);
        EXPECT_TRUE(pole(w, "txtImie")->hasFocus());
        EXPECT_EQ(pole(w, "txtImie")->selectedText(),
                  QString::fromUtf8(imiona).section(u'|', 0, 0));
    }
    EXPECT_EQ(diary.count(u"Gracze"_s), 5);

    // Players one after another, Null for the empty names.
    Script s;
    for (const char* imiona : {"Jan|Kowalski|", "Adam|Nowak|Nowy", "| | Zorro "}) {
        s.message(kPoprawne, Answer::Yes);
        s.message(kZapisane, Answer::Ok);
        s.message(kKolejny, Answer::Yes);
        zatwierdz(w, imiona);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(pole(w, "txtImie")->hasFocus());
        EXPECT_EQ(pole(w, "txtPrzydomek")->text(), QString());
    }
    s.message(kPoprawne, Answer::Yes);
    s.message(kZapisane, Answer::Ok);
    s.message(kKolejny, Answer::No);
    zatwierdz(w, "Marek|O'Lis|");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(gracz(6), u"Jan|Kowalski|NULL"_s);
    EXPECT_EQ(gracz(8), u"NULL|NULL|Zorro"_s);
    EXPECT_EQ(gracz(9), u"Marek|O'Lis|NULL"_s);
}

TEST_F(GraczTest, ModifiesUnchangedOrToNewNamesButNotToAnotherPlayers) {
    // A stored name longer than the box takes is shown and saved whole; Adam Nowak has a
    // namesake.
    diary.exec(
        u"UPDATE Gracze SET Przydomek = 'Ronaldinho Gaucho de Assis' WHERE Id_gracza = 3;"
        "INSERT INTO Gracze (Id_gracza, Imie, Nazwisko) VALUES (6, 'Adam', 'Nowak')"_s);
    const struct {
        double id;
        const char* imiona;  // null: left as loaded
        bool zapisze;
    } kroki[] = {
        {3, nullptr, true},
        {1, "Jan|Kowalski|", true},
        // Namesakes save unchanged, and letter case and blanks make no other names ...
        {2, nullptr, true},
        {6, "adam| NOWAK |", true},
        // ... but no other player is renamed into a third one.
        {1, "Adam|Nowak|", false},
    };
    for (const auto& k : kroki) {
        SCOPED_TRACE(k.id);
        Mirvola::dblIdMeczu = k.id;
        frmGracz w(true);
        ASSERT_TRUE(w.loaded());
        EXPECT_EQ(w.windowTitle(), u"Gracze - modyfikacja"_s);
        w.show();
        Script s;
        s.message(kPoprawne, Answer::Yes);
        s.message(k.zapisze ? kZapisane : kIstnieje, Answer::Ok);  // saved: closed, never asks
        if (k.imiona) {
            zatwierdz(w, k.imiona);
        } else {
            child<QPushButton>(w, "cmdOK")->click();
        }
        EXPECT_EQ(w.isVisible(), !k.zapisze);
    }
    EXPECT_EQ(gracz(1), u"Jan|Kowalski|NULL"_s);
    EXPECT_EQ(gracz(2), u"Adam|Nowak|NULL"_s);
    EXPECT_EQ(gracz(3), u"NULL|NULL|Ronaldinho Gaucho de Assis"_s);
    EXPECT_EQ(gracz(6), u"adam|NOWAK|NULL"_s);
}

TEST_F(GraczTest, DatabaseFailuresAreReportedAndWriteNothing) {
    // The error message the engine gives for reading (or editing) the rows of `sql` when there
    // are none.
    const QString sql = u"SELECT * FROM Gracze WHERE Id_gracza = 2"_s;
    const auto bladBrakuWiersza = [&sql](bool edycja) {
        const QString tekst = errorText(
            [&] {
                Mirvola::OtworzBaze(sql);
                edycja ? Mirvola::rsDane->edit() : void(Mirvola::rsDane->value(0));
            },
            edycja);
        Mirvola::ZamknijBaze();
        return tekst;
    };
    Script s;
    diary.exec(u"UPDATE Gracze SET Id_gracza = 9 WHERE Id_gracza = 2"_s);
    s.message(u"Błąd"_s, bladBrakuWiersza(false));
    Mirvola::dblIdMeczu = 2;
    EXPECT_FALSE(frmGracz(true).loaded());  // not to be shown: its empty fields would be saved

    diary.exec(u"UPDATE Gracze SET Id_gracza = 2 WHERE Id_gracza = 9"_s);
    frmGracz w(true);
    ASSERT_TRUE(w.loaded());
    w.show();
    diary.exec(u"DELETE FROM Gracze WHERE Id_gracza = 2"_s);
    s.message(kPoprawne, Answer::Yes);
    s.message(u"Błąd"_s, bladBrakuWiersza(true));
    zatwierdz(w, "Adam|Nowacki|");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(diary.count(u"Gracze"_s), 4);
    EXPECT_FALSE(Mirvola::rsDane || Mirvola::dbBaza);
}

TEST_F(GraczTest, KeysMoveFocusInFixedOrderAndBoxesSelectAndTrim) {
    frmGracz w(false);
    pokazAktywne(w);
    const std::tuple<const char*, Qt::Key, const char*> ruchy[] = {
        {"txtImie", Qt::Key_Return, "txtNazwisko"},     {"txtImie", Qt::Key_Up, "cmdOK"},
        {"txtNazwisko", Qt::Key_Enter, "txtPrzydomek"}, {"txtNazwisko", Qt::Key_Up, "txtImie"},
        {"txtPrzydomek", Qt::Key_Down, "cmdOK"},        {"txtPrzydomek", Qt::Key_Up, "txtNazwisko"},
    };
    for (const auto& [z, klawisz, cel] : ruchy) {
        pole(w, z)->setFocus();
        QTest::keyClick(pole(w, z), klawisz);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(cel)) << z;
    }
    pole(w, "txtImie")->setText(u"  Jan "_s);
    pole(w, "txtImie")->setFocus();
    EXPECT_EQ(pole(w, "txtImie")->selectedText(), u"  Jan "_s);
    pole(w, "txtNazwisko")->setFocus();
    EXPECT_EQ(pole(w, "txtImie")->text(), u"Jan"_s);

    Script s;
    s.message(u"Info"_s,
              u"Dozwolone są następujące kombinacje: \n\n1) Imię + Nazwisko\n"
              "2) Imię + Nazwisko + Przydomek\n3) Przydomek"_s);
    child<QPushButton>(w, "cmdHelp")->click();
    screenshot(w, u"frmGracz"_s);
}

}  // namespace
