#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/frmGracz.h"
#include "support/Diary.h"
#include "support/Script.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <array>

using testing_support::Diary;
using testing_support::Script;

namespace {

QString u8(const char* tekst) {
    return QString::fromUtf8(tekst);
}

QLineEdit* pole(QWidget& w, const char* nazwa) {
    auto* p = w.findChild<QLineEdit*>(QString::fromLatin1(nazwa));
    EXPECT_NE(p, nullptr) << nazwa;
    return p;
}

QPushButton* przycisk(QWidget& w, const char* nazwa) {
    auto* p = w.findChild<QPushButton*>(QString::fromLatin1(nazwa));
    EXPECT_NE(p, nullptr) << nazwa;
    return p;
}

void wpisz(QWidget& w, const char* imie, const char* nazwisko, const char* przydomek) {
    pole(w, "txtImie")->setText(u8(imie));
    pole(w, "txtNazwisko")->setText(u8(nazwisko));
    pole(w, "txtPrzydomek")->setText(u8(przydomek));
}

void pokazAktywne(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

const ui::Message kPoprawne{u8("Pytanie"), u8("Czy dane są poprawne?"), ui::Buttons::YesNo,
                            ui::Icon::Question, ui::Answer::Yes};
const ui::Message kZapisano{u8("Info"), u8("Dane zostały zapisane."), ui::Buttons::Ok,
                            ui::Icon::Information, ui::Answer::Ok};
const ui::Message kKolejny{u8("Pytanie"), u8("Czy dopisać kolejnego zawodnika?"),
                           ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes};
const ui::Message kIstnieje{u8("Komunikat"), u8("Taki zawodnik już istnieje !!!"),
                            ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok};

class GraczTest : public ::testing::Test {
protected:
    GraczTest() { diary.fillSample(); }

    std::vector<QStringList> gracz(int id) const {
        return diary.rows(
            QStringLiteral("SELECT Imie, Nazwisko, Przydomek FROM Gracze WHERE Id_gracza = %1")
                .arg(id));
    }

    Diary diary;
};

TEST_F(GraczTest, RefusesEachIncompleteCombinationInOneBox) {
    const QString imie = u8("Należy podać imię zawodnika.\n");
    const QString nazwisko = u8("Należy podać nazwisko zawodnika.\n");
    struct Przypadek {
        const char *imie, *nazwisko, *przydomek;
        QString komunikat;
    };
    const std::vector<Przypadek> przypadki = {
        {"Jan", "", "", nazwisko},        {"Jan", "", "Janek", nazwisko}, {"", "Nowak", "", imie},
        {"", "Nowak", "Nowy", imie},      {"", "", "", imie + nazwisko},
        {"  ", " ", "", imie + nazwisko},  // blanks only count as empty
    };
    for (const Przypadek& p : przypadki) {
        SCOPED_TRACE(p.komunikat.toStdString());
        frmGracz w(false);
        wpisz(w, p.imie, p.nazwisko, p.przydomek);
        Script s;
        s.message({u8("Komunikat"), p.komunikat, ui::Buttons::Ok, ui::Icon::Exclamation,
                   ui::Answer::Ok},
                  ui::Answer::Ok);
        przycisk(w, "cmdOK")->click();
    }
    EXPECT_EQ(diary.count(QStringLiteral("Gracze")), 5);
}

TEST_F(GraczTest, AcceptsTheThreeCombinationsAndStoresEmptyFieldsAsNull) {
    for (const auto& [imie, nazwisko, przydomek] : std::array<std::array<const char*, 3>, 3>{
             {{"Marek", "Lis", ""}, {"Marek", "Lis", "Lisek"}, {"", "", "Zorro"}}}) {
        frmGracz w(false);
        wpisz(w, imie, nazwisko, przydomek);
        Script s;
        s.message(kPoprawne, ui::Answer::No);
        przycisk(w, "cmdOK")->click();
    }
    EXPECT_EQ(diary.count(QStringLiteral("Gracze")), 5);

    frmGracz w(false);
    EXPECT_EQ(w.windowTitle(), u8("Gracze - dopisanie"));
    pokazAktywne(w);
    wpisz(w, "", "", " Zorro ");
    Script s;
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    s.message(kKolejny, ui::Answer::Yes);
    przycisk(w, "cmdOK")->click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(pole(w, "txtImie")->hasFocus());
    for (const char* nazwa : {"txtImie", "txtNazwisko", "txtPrzydomek"}) {
        EXPECT_EQ(pole(w, nazwa)->text(), QString()) << nazwa;
    }
    wpisz(w, "Marek", "Lis", "");
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    s.message(kKolejny, ui::Answer::No);
    przycisk(w, "cmdOK")->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(gracz(6), (std::vector<QStringList>{{u8("NULL"), u8("NULL"), u8("Zorro")}}));
    EXPECT_EQ(gracz(7), (std::vector<QStringList>{{u8("Marek"), u8("Lis"), u8("NULL")}}));
}

TEST_F(GraczTest, DuplicateNeedsAllThreeNamesAndEmptyMatchesOnlyNull) {
    frmGracz w(false);
    pokazAktywne(w);
    for (const auto& [imie, nazwisko, przydomek] : std::array<std::array<const char*, 3>, 3>{
             {{"ADAM", "nowak", ""}, {"Sean", "O'Neil", ""}, {"", "", "Ronaldinho"}}}) {
        wpisz(w, imie, nazwisko, przydomek);
        Script s;
        s.message(kPoprawne, ui::Answer::Yes);
        s.message(kIstnieje, ui::Answer::Ok);
        przycisk(w, "cmdOK")->click();
        EXPECT_TRUE(pole(w, "txtImie")->hasFocus()) << imie;
        EXPECT_EQ(pole(w, "txtImie")->selectedText(), u8(imie));
    }
    EXPECT_EQ(diary.count(QStringLiteral("Gracze")), 5);

    // Jan Kowalski has the nickname Kowal; Adam Nowak has none.
    for (const auto& [imie, nazwisko, przydomek] : std::array<std::array<const char*, 3>, 2>{
             {{"Jan", "Kowalski", ""}, {"Adam", "Nowak", "Nowy"}}}) {
        wpisz(w, imie, nazwisko, przydomek);
        Script s;
        s.message(kPoprawne, ui::Answer::Yes);
        s.message(kZapisano, ui::Answer::Ok);
        s.message(kKolejny, ui::Answer::Yes);
        przycisk(w, "cmdOK")->click();
    }
    EXPECT_EQ(diary.count(QStringLiteral("Gracze")), 7);
}

TEST_F(GraczTest, ModifiesPlayerUnchangedOrToNewNamesButNotToAnotherPlayers) {
    Mirvola::dblIdMeczu = 3;
    {
        frmGracz w(true);
        ASSERT_TRUE(w.loaded());
        EXPECT_EQ(w.windowTitle(), u8("Gracze - modyfikacja"));
        EXPECT_EQ(pole(w, "txtImie")->text(), QString());
        EXPECT_EQ(pole(w, "txtPrzydomek")->text(), u8("Ronaldinho"));
        w.show();
        Script s;
        s.message(kPoprawne, ui::Answer::Yes);
        s.message(kZapisano, ui::Answer::Ok);  // and closed, without asking for another
        przycisk(w, "cmdOK")->click();
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(gracz(3), (std::vector<QStringList>{{u8("NULL"), u8("NULL"), u8("Ronaldinho")}}));

    Mirvola::dblIdMeczu = 2;
    {
        frmGracz w(true);
        w.show();
        wpisz(w, "Jan", "Kowalski", "Kowal");
        Script s;
        s.message(kPoprawne, ui::Answer::Yes);
        s.message(kIstnieje, ui::Answer::Ok);
        przycisk(w, "cmdOK")->click();
        EXPECT_TRUE(w.isVisible());
    }
    EXPECT_EQ(gracz(2), (std::vector<QStringList>{{u8("Adam"), u8("Nowak"), u8("NULL")}}));

    Mirvola::dblIdMeczu = 1;
    frmGracz w(true);
    pole(w, "txtPrzydomek")->clear();
    pole(w, "txtNazwisko")->setText(u8("O'Kowalski"));
    Script s;
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    przycisk(w, "cmdOK")->click();
    EXPECT_EQ(gracz(1), (std::vector<QStringList>{{u8("Jan"), u8("O'Kowalski"), u8("NULL")}}));
}

TEST_F(GraczTest, KeysMoveFocusInFixedOrderAndBoxesSelectAndTrim) {
    frmGracz w(false);
    EXPECT_EQ(w.objectName(), QStringLiteral("frmGracz"));
    pokazAktywne(w);
    struct Ruch {
        const char* z;
        Qt::Key klawisz;
        const char* do_;
    };
    const std::array<Ruch, 9> ruchy = {{
        {"txtImie", Qt::Key_Return, "txtNazwisko"},
        {"txtImie", Qt::Key_Up, "cmdOK"},
        {"txtImie", Qt::Key_Down, "txtNazwisko"},
        {"txtNazwisko", Qt::Key_Enter, "txtPrzydomek"},
        {"txtNazwisko", Qt::Key_Up, "txtImie"},
        {"txtNazwisko", Qt::Key_Down, "txtPrzydomek"},
        {"txtPrzydomek", Qt::Key_Return, "cmdOK"},
        {"txtPrzydomek", Qt::Key_Up, "txtNazwisko"},
        {"txtPrzydomek", Qt::Key_Down, "cmdOK"},
    }};
    for (const Ruch& r : ruchy) {
        pole(w, r.z)->setFocus();
        QTest::keyClick(pole(w, r.z), r.klawisz);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromLatin1(r.do_))
            << r.z << " " << r.klawisz;
    }

    wpisz(w, "  Jan ", "", "");
    pole(w, "txtImie")->setFocus();
    EXPECT_EQ(pole(w, "txtImie")->selectedText(), u8("  Jan "));
    pole(w, "txtNazwisko")->setFocus();
    EXPECT_EQ(pole(w, "txtImie")->text(), u8("Jan"));

    QTest::keyClicks(pole(w, "txtImie"), u8("Maksymilianek"));
    EXPECT_EQ(pole(w, "txtImie")->text().size(), 12);

    Script s;
    s.message({u8("Info"),
               u8("Dozwolone są następujące kombinacje: \n\n1) Imię + Nazwisko\n"
                  "2) Imię + Nazwisko + Przydomek\n3) Przydomek"),
               ui::Buttons::Ok, ui::Icon::Information, ui::Answer::Ok},
              ui::Answer::Ok);
    przycisk(w, "cmdHelp")->click();
}

TEST_F(GraczTest, RendersEditor) {
    Mirvola::dblIdMeczu = 1;
    frmGracz w(true);
    w.show();
    const QImage obraz = w.grab().toImage();
    ASSERT_FALSE(obraz.isNull());
    const QString katalog = qEnvironmentVariable("MIRVOLA_SCREENSHOTS");
    if (!katalog.isEmpty()) {
        obraz.save(QDir(katalog).filePath(QStringLiteral("frmGracz.png")));
    }
}

}  // namespace
