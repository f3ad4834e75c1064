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

QStringList filtruj(QWidget& w, const char* tekst) {
    child<QLineEdit>(w, "txtFiltr")->setText(u8(tekst));
    kliknij(w, "cmdFiltruj");
    return texts(lstDane(w));
}

const ui::Message kZapisano = info(u"Dane zostały zapisane."_s);
const ui::Message kIstnieja = notice(u"Takie dane już istnieją !!!"_s);

void zapisac(Script& s, const QString& wartosc, ui::Answer odpowiedz) {
    s.message(question(u"Czy zapisać następujące dane?\n\n"_s + wartosc), odpowiedz);
}

const QString kDodajKlub = u"Podaj nowy klub (maksymalnie 21 znaków)"_s;
const QString kZmienKlub = u"Podaj nową nazwę klubu (maksymalnie 21 znaków)"_s;

class SlownikiTest : public ::testing::Test {
  protected:
    SlownikiTest() { Mirvola::blnPoprawa = Mirvola::False; }
    ~SlownikiTest() override { Mirvola::blnPoprawa = Mirvola::False; }

    // All rows of a one-column query, joined by "|".
    QString spis(const char* sql) const { return diary.column(u8(sql)).join(u'|'); }

    FixedClock zegar{QDate(2003, 6, 1)};
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
        screenshot(w, u"frmSlowniki_%1"_s.arg(k));
    }
}

TEST_F(SlownikiTest, SeasonCheck) {
    frmSlowniki w;
    pokazKarte(w, Sezony);
    // A season typed and the message it gets, or none when it is accepted (then not saved).
    const auto sprawdz = [&](const char* sezon, const char* tekst) {
        SCOPED_TRACE(sezon);
        Script s;
        s.input(u"Sezony - dopisanie"_s, u"Podaj nowy sezon (maksymalnie 7 znaków)"_s, u8(sezon));
        if (tekst) {
            s.message(notice(u8(tekst)), ui::Answer::Ok);
        } else {
            zapisac(s, u8(sezon), ui::Answer::No);
        }
        kliknij(w, "cmdDodaj");
    };
    sprawdz("1999/00", nullptr);
    sprawdz("2003/04", nullptr);  // the current year
    for (const char* sezon : {"2002/3", "2002-03", "+1.2/03", "1e03/04"}) {
        sprawdz(sezon, "Prawidłowy zapis sezonu to rrrr/rr, np. 2002/03!!!");
    }
    sprawdz("1799/00", "Sezon nie może być mniejszy od 1800/01!!!");
    sprawdz("2004/05", "Teraz mamy rok 2003!!!\nWartość 2004/05 nie jest prawidłowa.");
    sprawdz("2002/04", "Zły format zapisu!!! Prawidłowy to np. 2002/03.");
    EXPECT_EQ(diary.count(u"Sezony"_s), 2);
}

TEST_F(SlownikiTest, AddsAndRenamesNamesCutAndTrimmedNeverTwice) {
    const QString sql = u"SELECT Id_klubu, Druzyna FROM Kluby ORDER BY 1"_s;
    const auto przed = diary.rows(sql);
    frmSlowniki w;
    Script s;
    s.input({u"Kluby - dopisanie"_s, kDodajKlub, QString()}, u"     "_s);
    s.input(u"Kluby - dopisanie"_s, kDodajKlub, std::nullopt);
    s.input(u"Kluby - dopisanie"_s, kDodajKlub, u"Wisła"_s);
    zapisac(s, u"Wisła"_s, ui::Answer::No);
    for (int i = 0; i < 3; ++i) {
        kliknij(w, "cmdDodaj");
    }
    EXPECT_EQ(wybrany(w), u"Wisła"_s);  // No to saving selects the same name

    // A duplicate by adding or renaming changes nothing and selects the existing name.
    s.input(u"Kluby - dopisanie"_s, kDodajKlub, u"ŁÓDZKI KS"_s);
    zapisac(s, u"ŁÓDZKI KS"_s, ui::Answer::Yes);
    s.message(kIstnieja, ui::Answer::Ok);
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(wybrany(w), u"Łódzki KS"_s);
    wybierz(w, "Legia");
    s.input({u"Kluby - modyfikacja"_s, kZmienKlub, u"Legia"_s}, u"wisła"_s);
    zapisac(s, u"wisła"_s, ui::Answer::Yes);
    s.message(kIstnieja, ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    EXPECT_EQ(wybrany(w), u"Wisła"_s);
    EXPECT_EQ(diary.rows(sql), przed);

    s.input(u"Kluby - dopisanie"_s, kDodajKlub, u"  Stal Stalowa Wola  rezerwy B"_s);
    zapisac(s, u"Stal Stalowa Wola"_s, ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(diary.value(u"SELECT Druzyna FROM Kluby WHERE Id_klubu > 4"_s),
              u"Stal Stalowa Wola"_s);
    EXPECT_EQ(wybrany(w), u"Stal Stalowa Wola"_s);
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
    using enum ui::Answer;
    frmSlowniki w;
    // Each entry is added, or modified where `modyfikacja`, and the flag question answered.
    const struct {
        Karta karta;
        const char* nazwa;
        ui::Answer flaga;
        bool modyfikacja;
    } kroki[] = {{Rozgrywki, "Towarzyski", No, false},
                 {Rozgrywki, "Sparing", Yes, true},
                 {RodzajeGoli, "rykoszet", Yes, false},
                 {RodzajeGoli, "samobójczy", No, true}};
    for (const auto& k : kroki) {
        pokazKarte(w, k.karta);
        const bool rozgrywki = k.karta == Rozgrywki;
        const QString tytul = rozgrywki ? u"Rozgrywki"_s : u"Rodzaje goli"_s;
        const QString co =
            rozgrywki ? u"rozgrywek (maksymalnie 18 znaków)"_s : u"gola (maksymalnie 10 znaków)"_s;
        Script s;
        if (k.modyfikacja) {
            wybierz(w, k.nazwa);
            s.input(tytul + u" - modyfikacja"_s, u"Podaj nową nazwę rodzaju "_s + co, u8(k.nazwa));
        } else {
            s.input(tytul + u" - dopisanie"_s, u"Podaj nowy rodzaj "_s + co, u8(k.nazwa));
        }
        zapisac(s, u8(k.nazwa), Yes);
        s.message(rozgrywki ? question(u"Czy są to rozgrywki oficjalne?"_s, Yes)
                            : question(u"Czy jest to gol samobójczy?"_s, No),
                  k.flaga);
        s.message(kZapisano, Ok);
        kliknij(w, k.modyfikacja ? "cmdPopraw" : "cmdDodaj");
    }
    EXPECT_EQ(spis("SELECT Nazwa || Oficjalny FROM Rozgrywki ORDER BY 1"),
              u"Liga-1|Puchar-1|Sparing-1|Towarzyski0"_s);
    EXPECT_EQ(spis("SELECT Jak || CzySam FROM Jak ORDER BY Id_jak"),
              u"z gry0|karny0|samobójczy0|rykoszet-1"_s);
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

TEST_F(SlownikiTest, FilterWithWildcardsBracketsApostrophesAndTabChange) {
    diary.exec(u"INSERT INTO Kluby (Druzyna) VALUES ('Legia [W]')"_s);
    frmSlowniki w;
    Script s;  // no filter text ends in an error box
    // A '[' that no ']' closes is the character itself; a closed set still is one.
    const std::pair<const char*, const char*> nawiasy[] = {
        {"[W", "Legia [W]"}, {"[W]", "Legia [W]|Wisła"}, {"'[", ""}};
    for (const auto& [filtr, wynik] : nawiasy) {
        EXPECT_EQ(filtruj(w, filtr), lista(wynik)) << filtr;
    }
    EXPECT_EQ(filtruj(w, "Ł"), lista("Łódzki KS|Wisła"));  // matches the small ł as well
    EXPECT_EQ(filtruj(w, "o'h"), lista("O'Higgins"));
    wybierz(w, "O'Higgins");
    // A rename with an apostrophe; the refill keeps the filter.
    s.input(u"Kluby - modyfikacja"_s, kZmienKlub, u"O'Higgins Rancagua"_s);
    zapisac(s, u"O'Higgins Rancagua"_s, ui::Answer::Yes);
    s.message(kZapisano, ui::Answer::Ok);
    kliknij(w, "cmdPopraw");
    EXPECT_EQ(texts(lstDane(w)), lista("O'Higgins Rancagua"));
    EXPECT_EQ(wybrany(w), u"O'Higgins Rancagua"_s);
    EXPECT_EQ(filtruj(w, "   ").size(), 5);

    filtruj(w, "KS");
    pokazKarte(w, Gracze);
    EXPECT_EQ(child<QLineEdit>(w, "txtFiltr")->text(), QString());
    EXPECT_EQ(texts(lstDane(w)).size(), 5);
    EXPECT_EQ(filtruj(w, "KowalskiKowal"), lista("Jan Kowalski Kowal"));
    EXPECT_EQ(filtruj(w, "Kowalski Kowal"), lista(""));
    EXPECT_EQ(filtruj(w, "O'Neil"), lista("Sean O'Neil"));
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
