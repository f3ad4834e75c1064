#include "data/Mirvola.h"
#include "data/engine/Recordset.h"
#include "data/engine/Workspace.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmSlowniki.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

enum Karta { Kluby, Gracze, Rozgrywki, Sezony, RodzajeGoli };

QString u8(const char* tekst) {
    return QString::fromUtf8(tekst);
}

QStringList lista(const char* wiersze) {
    return u8(wiersze).split(u'|', Qt::SkipEmptyParts);
}

void kliknij(QWidget& w, const char* nazwa) {
    child<QPushButton>(w, nazwa)->click();
}

QListWidget* lstDane(QWidget& w) {
    return child<QListWidget>(w, "lstDane");
}

QString wybrany(QWidget& w) {
    const auto items = lstDane(w)->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

void pokazKarte(QWidget& w, int karta) {
    child<QTabWidget>(w, "tstSlowniki")->setCurrentIndex(karta);
}

void wybierz(QWidget& w, const char* tekst) {
    const auto items = lstDane(w)->findItems(u8(tekst), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << tekst;
    lstDane(w)->setCurrentItem(items.front());
}

void filtruj(QWidget& w, const char* tekst) {
    child<QLineEdit>(w, "txtFiltr")->setText(u8(tekst));
    kliknij(w, "cmdFiltruj");
}

const ui::Message kZapisano = info(u8("Dane zostały zapisane."));
const ui::Message kIstnieja = notice(u8("Takie dane już istnieją !!!"));

void zapisac(Script& s, const QString& wartosc, ui::Answer odpowiedz) {
    s.message(question(u8("Czy zapisać następujące dane?\n\n") + wartosc), odpowiedz);
}

const QString kDodajKlub = u8("Podaj nowy klub (maksymalnie 21 znaków)");
const QString kZmienKlub = u8("Podaj nową nazwę klubu (maksymalnie 21 znaków)");

class SlownikiTest : public ::testing::Test {
  protected:
    SlownikiTest() {
        Mirvola::blnPoprawa = Mirvola::False;
        ui::setClock([] { return QDateTime(QDate(2003, 6, 1), QTime(12, 0)); });
    }
    ~SlownikiTest() override {
        ui::setClock({});
        Mirvola::blnPoprawa = Mirvola::False;
    }

    // All rows of a one-column query, joined by "|".
    QString spis(const char* sql) const { return diary.column(u8(sql)).join(u'|'); }

    SampleDiary diary;
};

TEST_F(SlownikiTest, OpensOnClubsAndEveryTabShowsItsDictionary) {
    frmSlowniki w;
    w.show();
    EXPECT_EQ(child<QTabWidget>(w, "tstSlowniki")->currentIndex(), Kluby);
    const QStringList zawartosc[] = {
        lista("Legia|Łódzki KS|O'Higgins|Wisła"),
        lista("Jan Kowalski Kowal|Adam Nowak|Sean O'Neil|Ronaldinho|Piotr Żuk"),
        lista("Liga|Puchar|Sparing"), lista("2001/02|2002/03"), lista("karny|samobójczy|z gry")};
    for (int k = Kluby; k <= RodzajeGoli; ++k) {
        pokazKarte(w, k);
        QApplication::processEvents();
        EXPECT_EQ(texts(lstDane(w)), zawartosc[k]);
        EXPECT_TRUE(lstDane(w)->isVisible() && child<QPushButton>(w, "cmdUsun")->isVisible()) << k;
        screenshot(w, u"frmSlowniki_%1"_s.arg(k));
    }
}

TEST_F(SlownikiTest, SeasonCheck) {
    const QString zlyZapis = u8("Prawidłowy zapis sezonu to rrrr/rr, np. 2002/03!!!");
    const std::vector<std::pair<const char*, QString>> przypadki = {
        {"2002/03", {}},  // accepted (then not saved)
        {"1999/00", {}},
        {"2003/04", {}},  // the current year
        {"2002/3", zlyZapis},
        {"2002-03", zlyZapis},
        {"2002", zlyZapis},
        {"+1.2/03", zlyZapis},
        {"1e03/04", zlyZapis},
        {"1799/00", u8("Sezon nie może być mniejszy od 1800/01!!!")},
        {"2004/05", u8("Teraz mamy rok 2003!!!\nWartość 2004/05 nie jest prawidłowa.")},
        {"2002/04", u8("Zły format zapisu!!! Prawidłowy to np. 2002/03.")},
    };
    frmSlowniki w;
    pokazKarte(w, Sezony);
    for (const auto& [sezon, tekst] : przypadki) {
        SCOPED_TRACE(sezon);
        Script s;
        s.input(u8("Sezony - dopisanie"), u8("Podaj nowy sezon (maksymalnie 7 znaków)"), u8(sezon));
        if (tekst.isEmpty()) {
            zapisac(s, u8(sezon), ui::Answer::No);
        } else {
            s.message(notice(tekst), ui::Answer::Ok);
        }
        kliknij(w, "cmdDodaj");
    }
    EXPECT_EQ(diary.count(u"Sezony"_s), 2);
}

TEST_F(SlownikiTest, AddsNamesCutAndTrimmedNothingWhenEmptyOrRefused) {
    frmSlowniki w;
    Script s;
    s.input({u8("Kluby - dopisanie"), kDodajKlub, QString()}, u8("     "));
    s.input(u8("Kluby - dopisanie"), kDodajKlub, std::nullopt);
    s.input(u8("Kluby - dopisanie"), kDodajKlub, u8("Wisła"));
    zapisac(s, u8("Wisła"), ui::Answer::No);
    s.input(u8("Kluby - dopisanie"), kDodajKlub, u8("  Stal Stalowa Wola  rezerwy B"));
    zapisac(s, u8("Stal Stalowa Wola"), ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    for (int i = 0; i < 3; ++i) {
        kliknij(w, "cmdDodaj");
    }
    EXPECT_EQ(wybrany(w), u8("Wisła"));  // No to saving selects the same name
    EXPECT_EQ(diary.count(u"Kluby"_s), 4);
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu > 4"_s),
              u8("Stal Stalowa Wola"));
    EXPECT_EQ(wybrany(w), u8("Stal Stalowa Wola"));
}

TEST_F(SlownikiTest, DuplicateByAddOrRenameChangesNothingAndSelectsExisting) {
    const QString sql = u"SELECT Id_klubu, Druzyna FROM Kluby ORDER BY 1"_s;
    const auto przed = diary.rows(sql);
    frmSlowniki w;
    Script s;
    s.input(u8("Kluby - dopisanie"), kDodajKlub, u8("ŁÓDZKI KS"));
    zapisac(s, u8("ŁÓDZKI KS"), ui::Answer::Yes);
    s.message(kIstnieja, ui::Answer::Ok);
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(wybrany(w), u8("Łódzki KS"));

    wybierz(w, "Legia");
    s.input({u8("Kluby - modyfikacja"), kZmienKlub, u8("Legia")}, u8("wisła"));
    zapisac(s, u8("wisła"), ui::Answer::Yes);
    s.message(kIstnieja, ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    EXPECT_EQ(wybrany(w), u8("Wisła"));
    EXPECT_EQ(diary.rows(sql), przed);
}

TEST_F(SlownikiTest, FailedWriteIsReportedRolledBackAndClosed) {
    frmSlowniki w;
    wybierz(w, "Legia");
    diary.exec(u"DELETE FROM Kluby WHERE Id_klubu = 1"_s);  // behind its back
    const QString blad = errorText(
        [] {
            Mirvola::OtworzBaze(u"SELECT * FROM Kluby WHERE Id_klubu = 1"_s);
            Mirvola::rsDane->edit();
        },
        true);
    Mirvola::ZamknijBaze();
    Script s;
    s.input(u8("Kluby - modyfikacja"), kZmienKlub, u8("Legia Warszawa"));
    zapisac(s, u8("Legia Warszawa"), ui::Answer::Yes);
    s.message({u8("Błąd"), blad, ui::Buttons::Ok, ui::Icon::Critical, ui::Answer::Ok},
              ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    EXPECT_FALSE(engine::Workspace::inTransaction());
    EXPECT_FALSE(Mirvola::rsDane || Mirvola::dbBaza);
    EXPECT_EQ(spis("SELECT Druzyna FROM Kluby ORDER BY Id_klubu"), u8("Wisła|Łódzki KS|O'Higgins"));
}

TEST_F(SlownikiTest, OfficialAndOwnGoalAnswersOnAddAndModify) {
    frmSlowniki w;
    // Adds (no `nazwa` selected) or modifies the entry, answering the flag question.
    const auto zapisz = [&](const char* karta, const char* jak, const char* nazwa,
                            const ui::Message& flaga, ui::Answer odpowiedz, bool modyfikacja) {
        Script s;
        if (modyfikacja) {
            wybierz(w, nazwa);
            s.input(u8(karta) + u8(" - modyfikacja"), u8("Podaj nową nazwę ") + u8(jak), u8(nazwa));
        } else {
            s.input(u8(karta) + u8(" - dopisanie"), u8("Podaj nowy ") + u8(jak), u8(nazwa));
        }
        zapisac(s, u8(nazwa), ui::Answer::Yes);
        s.message(flaga, odpowiedz);
        s.message(kZapisano, ui::Answer::Ok);
        kliknij(w, modyfikacja ? "cmdPopraw" : "cmdDodaj");
    };
    const auto oficjalne = question(u8("Czy są to rozgrywki oficjalne?"), ui::Answer::Yes);
    pokazKarte(w, Rozgrywki);
    const char* rodzaj = "rodzaj rozgrywek (maksymalnie 18 znaków)";
    zapisz("Rozgrywki", rodzaj, "Towarzyski", oficjalne, ui::Answer::No, false);
    zapisz("Rozgrywki", rodzaj, "Ekstraklasa", oficjalne, ui::Answer::Yes, false);
    const char* nazwaRodzaju = "rodzaju rozgrywek (maksymalnie 18 znaków)";
    zapisz("Rozgrywki", nazwaRodzaju, "Sparing", oficjalne, ui::Answer::Yes, true);
    zapisz("Rozgrywki", nazwaRodzaju, "Liga", oficjalne, ui::Answer::No, true);
    EXPECT_EQ(spis("SELECT Nazwa || Oficjalny FROM Rozgrywki ORDER BY 1"),
              u8("Ekstraklasa-1|Liga0|Puchar-1|Sparing-1|Towarzyski0"));

    const auto samobojczy = question(u8("Czy jest to gol samobójczy?"), ui::Answer::No);
    pokazKarte(w, RodzajeGoli);
    zapisz("Rodzaje goli", "rodzaj gola (maksymalnie 10 znaków)", "głową", samobojczy,
           ui::Answer::No, false);
    zapisz("Rodzaje goli", "rodzaj gola (maksymalnie 10 znaków)", "rykoszet", samobojczy,
           ui::Answer::Yes, false);
    zapisz("Rodzaje goli", "rodzaju gola (maksymalnie 10 znaków)", "samobójczy", samobojczy,
           ui::Answer::No, true);
    zapisz("Rodzaje goli", "rodzaju gola (maksymalnie 10 znaków)", "karny", samobojczy,
           ui::Answer::Yes, true);
    EXPECT_EQ(spis("SELECT Jak || CzySam FROM Jak ORDER BY Id_jak"),
              u8("z gry0|karny-1|samobójczy0|głową0|rykoszet-1"));
}

TEST_F(SlownikiTest, DeleteOnlyOnPlayersAndKindsOfGoalWhileMatchIsModified) {
    for (const qint16 poprawa : {Mirvola::True, Mirvola::False}) {
        Mirvola::blnPoprawa = poprawa;
        frmSlowniki w;
        for (int k = Kluby; k <= RodzajeGoli; ++k) {
            pokazKarte(w, k);
            const bool wolno = poprawa == Mirvola::False || k == Gracze || k == RodzajeGoli;
            EXPECT_EQ(child<QPushButton>(w, "cmdUsun")->isEnabled(), wolno) << poprawa << " " << k;
            if (k == Rozgrywki || k == Sezony) {
                continue;
            }
            wybierz(w, k == Gracze ? "Ronaldinho" : k == Kluby ? "Legia" : "karny");
            Script s;  // where deleting is off, the Delete key does nothing at all
            if (wolno) {
                s.message(
                    question(u8("Czy usunąć następujące dane?\n\n") + wybrany(w), ui::Answer::No),
                    ui::Answer::No);
            }
            QTest::keyClick(lstDane(w), Qt::Key_Delete);
        }
    }
}

TEST_F(SlownikiTest, DeletesReferencedClubAndAsksForSelection) {
    frmSlowniki w;
    Script s;
    s.message(notice(u8("Nie wybrano danych do modyfikacji !!!")), ui::Answer::Ok);
    s.message(notice(u8("Nie wybrano danych do usunięcia !!!")), ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    kliknij(w, "cmdUsun");
    wybierz(w, "Legia");
    s.message(question(u8("Czy usunąć następujące dane?\n\nLegia"), ui::Answer::No),
              ui::Answer::Yes);
    s.message(u8("Info"), u8("Dane zostały usunięte."));
    kliknij(w, "cmdUsun");
    EXPECT_EQ(texts(lstDane(w)), lista("Łódzki KS|O'Higgins|Wisła"));
    EXPECT_EQ(diary.count(u"Kluby"_s), 3);
    EXPECT_EQ(diary.count(u"Mecze"_s), 5);
}

TEST_F(SlownikiTest, FilterWithWildcardsApostrophesAndTabChange) {
    frmSlowniki w;
    filtruj(w, "W?sła");
    EXPECT_EQ(texts(lstDane(w)), lista("Wisła"));
    filtruj(w, "Ł");  // matches the small ł as well
    EXPECT_EQ(texts(lstDane(w)), lista("Łódzki KS|Wisła"));
    filtruj(w, "o'h");
    EXPECT_EQ(texts(lstDane(w)), lista("O'Higgins"));
    wybierz(w, "O'Higgins");
    Script s;  // a rename with an apostrophe; the refill keeps the filter
    s.input(u8("Kluby - modyfikacja"), kZmienKlub, u8("O'Higgins Rancagua"));
    zapisac(s, u8("O'Higgins Rancagua"), ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    EXPECT_EQ(texts(lstDane(w)), lista("O'Higgins Rancagua"));
    EXPECT_EQ(wybrany(w), u8("O'Higgins Rancagua"));
    filtruj(w, "   ");
    EXPECT_EQ(texts(lstDane(w)).size(), 4);

    filtruj(w, "KS");
    pokazKarte(w, Gracze);
    EXPECT_EQ(child<QLineEdit>(w, "txtFiltr")->text(), QString());
    EXPECT_EQ(texts(lstDane(w)).size(), 5);
    filtruj(w, "KowalskiKowal");
    EXPECT_EQ(texts(lstDane(w)), lista("Jan Kowalski Kowal"));
    filtruj(w, "Kowalski Kowal");
    EXPECT_EQ(texts(lstDane(w)), lista(""));
    filtruj(w, "O'Neil");
    EXPECT_EQ(texts(lstDane(w)), lista("Sean O'Neil"));
}

TEST_F(SlownikiTest, NoFilterTextEndsInADatabaseError) {
    diary.exec(u"INSERT INTO Kluby (Druzyna) VALUES ('Legia [W]'), ('Znak \"%_\\')"_s);
    frmSlowniki w;
    // Any error box would be unexpected here.
    Script s;
    const std::pair<const char*, const char*> przypadki[] = {
        {"[", "Legia [W]"},
        {"[W", "Legia [W]"},
        {"[W]", "Legia [W]|Wisła"},  // a closed set
                                     // still is one
        {"[!", ""},
        {"\"%_\\", "Znak \"%_\\"},
        {"]", "Legia [W]"},
        {"[a-", ""},
        {"'[", ""},
    };
    for (const auto& [filtr, wynik] : przypadki) {
        filtruj(w, filtr);
        EXPECT_EQ(texts(lstDane(w)), lista(wynik)) << filtr;
    }
    pokazKarte(w, Gracze);
    filtruj(w, "Kowal[");
    EXPECT_EQ(texts(lstDane(w)), lista(""));
}

TEST_F(SlownikiTest, KeyboardOnFilterAndList) {
    frmSlowniki w;
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* filtr = child<QLineEdit>(w, "txtFiltr");
    filtr->setText(u8(" Legia "));
    filtr->setFocus();
    EXPECT_EQ(filtr->selectedText(), u8(" Legia "));
    QTest::keyClick(filtr, Qt::Key_Return);
    EXPECT_TRUE(child<QPushButton>(w, "cmdFiltruj")->hasFocus());
    EXPECT_EQ(filtr->text(), u8("Legia"));
    EXPECT_EQ(texts(lstDane(w)).size(), 4);  // Enter only moves on; Enter on the button filters
    QTest::keyClick(child<QPushButton>(w, "cmdFiltruj"), Qt::Key_Return);
    EXPECT_EQ(texts(lstDane(w)), lista("Legia"));

    wybierz(w, "Legia");
    Script s;
    s.input({u8("Kluby - modyfikacja"), kZmienKlub, u8("Legia")}, std::nullopt);
    s.input({u8("Kluby - modyfikacja"), kZmienKlub, u8("Legia")}, std::nullopt);
    QTest::keyClick(lstDane(w), Qt::Key_Return);
    const QPoint srodek = lstDane(w)->visualItemRect(lstDane(w)->item(0)).center();
    // A lone mouseDClick of QTest does not make a double click of an item view.
    QTest::mouseClick(lstDane(w)->viewport(), Qt::LeftButton, {}, srodek);
    QTest::mouseDClick(lstDane(w)->viewport(), Qt::LeftButton, {}, srodek);
}

TEST_F(SlownikiTest, PlayersAreEditedInPlayerEditor) {
    frmSlowniki w;
    pokazKarte(w, Gracze);
    wybierz(w, "Adam Nowak");
    Script s;
    s.modal(u"frmGracz"_s, [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), u8("Gracze - modyfikacja"));
        EXPECT_EQ(child<QLineEdit>(*d, "txtNazwisko")->text(), u8("Nowak"));
        child<QLineEdit>(*d, "txtPrzydomek")->setText(u8("Nowy"));
        kliknij(*d, "cmdOK");
    });
    s.message(u8("Pytanie"), u8("Czy dane są poprawne?"), ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    EXPECT_EQ(Mirvola::dblIdMeczu, 2.0);
    EXPECT_TRUE(texts(lstDane(w)).contains(u8("Adam Nowak Nowy")));

    s.modal(u"frmGracz"_s, [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), u8("Gracze - dopisanie"));
        d->close();
    });
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(diary.count(u"Gracze"_s), 5);
}

}  // namespace
