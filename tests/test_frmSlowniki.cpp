#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/frmSlowniki.h"
#include "support/Diary.h"
#include "support/Script.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <array>

using testing_support::Diary;
using testing_support::Script;

namespace {

enum Karta { Kluby, Gracze, Rozgrywki, Sezony, RodzajeGoli };

QString u8(const char* tekst) {
    return QString::fromUtf8(tekst);
}

template <class T>
T* kontrolka(QWidget& w, const char* nazwa) {
    T* c = w.findChild<T*>(QString::fromLatin1(nazwa));
    EXPECT_NE(c, nullptr) << nazwa;
    return c;
}

QListWidget* lista(QWidget& w) {
    return kontrolka<QListWidget>(w, "lstDane");
}

QStringList wiersze(QWidget& w) {
    QStringList tekst;
    for (int i = 0; i < lista(w)->count(); ++i) {
        tekst << lista(w)->item(i)->text();
    }
    return tekst;
}

QString wybrany(QWidget& w) {
    const auto items = lista(w)->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

void pokazKarte(QWidget& w, Karta karta) {
    kontrolka<QTabWidget>(w, "tstSlowniki")->setCurrentIndex(karta);
}

void wybierz(QWidget& w, const QString& tekst) {
    const auto items = lista(w)->findItems(tekst, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << tekst.toStdString();
    lista(w)->setCurrentItem(items.front());
}

void kliknij(QWidget& w, const char* przycisk) {
    kontrolka<QPushButton>(w, przycisk)->click();
}

void filtruj(QWidget& w, const QString& tekst) {
    kontrolka<QLineEdit>(w, "txtFiltr")->setText(tekst);
    kliknij(w, "cmdFiltruj");
}

ui::Message pytanie(const QString& tekst, ui::Answer domyslna) {
    return {QStringLiteral("Pytanie"), tekst, ui::Buttons::YesNo, ui::Icon::Question, domyslna};
}

// "Czy zapisać..." answered as given; Yes is followed by the acknowledgement unless the
// caller expects more questions in between.
void zapis(Script& s, const QString& wartosc, ui::Answer odpowiedz = ui::Answer::Yes) {
    s.message(pytanie(u8("Czy zapisać następujące dane?\n\n") + wartosc, ui::Answer::Yes),
              odpowiedz);
}

void zapisano(Script& s) {
    s.message({QStringLiteral("Info"), u8("Dane zostały zapisane."), ui::Buttons::Ok,
               ui::Icon::Information, ui::Answer::Ok},
              ui::Answer::Ok);
}

const QString kPodajKlub = u8("Podaj nowy klub (maksymalnie 21 znaków)");
const QString kPodajSezon = u8("Podaj nowy sezon (maksymalnie 7 znaków)");
const QString kZlyZapis = u8("Prawidłowy zapis sezonu to rrrr/rr, np. 2002/03!!!");

class SlownikiTest : public ::testing::Test {
protected:
    SlownikiTest() {
        diary.fillSample();
        Mirvola::blnPoprawa = Mirvola::False;
        ui::setClock([] { return QDateTime(QDate(2003, 6, 1), QTime(12, 0)); });
    }
    ~SlownikiTest() override {
        ui::setClock({});
        Mirvola::blnPoprawa = Mirvola::False;
    }

    Diary diary;
};

TEST_F(SlownikiTest, OpensOnClubsAndListsEachDictionarySorted) {
    frmSlowniki w;
    EXPECT_EQ(w.objectName(), QStringLiteral("frmSlowniki"));
    EXPECT_EQ(w.windowTitle(), u8("Słowniki danych"));
    auto* tst = kontrolka<QTabWidget>(w, "tstSlowniki");
    QStringList karty;
    for (int i = 0; i < tst->count(); ++i) {
        karty << tst->tabText(i);
    }
    EXPECT_EQ(karty, u8("Kluby|Gracze|Rozgrywki|Sezony|Rodzaje goli").split(u'|'));
    EXPECT_EQ(tst->currentIndex(), 0);

    EXPECT_EQ(wiersze(w), u8("Legia|Łódzki KS|O'Higgins|Wisła").split(u'|'));
    pokazKarte(w, Gracze);
    EXPECT_EQ(wiersze(w),
              u8("Jan Kowalski Kowal|Adam Nowak|Sean O'Neil|Ronaldinho|Piotr Żuk").split(u'|'));
    pokazKarte(w, Rozgrywki);
    EXPECT_EQ(wiersze(w), u8("Liga|Puchar|Sparing").split(u'|'));
    pokazKarte(w, Sezony);
    EXPECT_EQ(wiersze(w), u8("2001/02|2002/03").split(u'|'));
    pokazKarte(w, RodzajeGoli);
    EXPECT_EQ(wiersze(w), u8("karny|samobójczy|z gry").split(u'|'));

    const std::array<std::array<const char*, 3>, 4> przyciski = {{
        {"cmdFiltruj", "&Filtruj", "Filtr"},
        {"cmdDodaj", "&Dodaj", "Dodanie danych"},
        {"cmdPopraw", "&Popraw", "Poprawa danych"},
        {"cmdUsun", "U&suń", "Usunięcie danych"},
    }};
    for (const auto& [nazwa, napis, podpowiedz] : przyciski) {
        EXPECT_EQ(kontrolka<QPushButton>(w, nazwa)->text(), u8(napis));
        EXPECT_EQ(kontrolka<QPushButton>(w, nazwa)->toolTip(), u8(podpowiedz));
    }
}

TEST_F(SlownikiTest, SeasonCheck) {
    struct Przypadek {
        const char* sezon;
        QString komunikat;  // empty: accepted, then not saved
    };
    const std::vector<Przypadek> przypadki = {
        {"2002/03", {}},
        {"1999/00", {}},
        {"2003/04", {}},  // the current year
        {"2002/3", kZlyZapis},
        {"2002-03", kZlyZapis},
        {"2002", kZlyZapis},
        {"+1.2/03", kZlyZapis},
        {"1e03/04", kZlyZapis},
        {" 2002/03", kZlyZapis},  // cut to 7 characters: "2002/0"
        {"1799/00", u8("Sezon nie może być mniejszy od 1800/01!!!")},
        {"2004/05", u8("Teraz mamy rok 2003!!!\nWartość 2004/05 nie jest prawidłowa.")},
        {"2002/04", u8("Zły format zapisu!!! Prawidłowy to np. 2002/03.")},
    };
    frmSlowniki w;
    pokazKarte(w, Sezony);
    for (const Przypadek& p : przypadki) {
        SCOPED_TRACE(p.sezon);
        Script s;
        s.input(u8("Sezony - dopisanie"), kPodajSezon, u8(p.sezon));
        if (p.komunikat.isEmpty()) {
            zapis(s, u8(p.sezon), ui::Answer::No);
        } else {
            s.message({QStringLiteral("Komunikat"), p.komunikat, ui::Buttons::Ok,
                       ui::Icon::Exclamation, ui::Answer::Ok},
                      ui::Answer::Ok);
        }
        kliknij(w, "cmdDodaj");
    }
    EXPECT_EQ(diary.count(QStringLiteral("Sezony")), 2);

    Script s;
    s.input(u8("Sezony - dopisanie"), kPodajSezon, u8("1999/00"));
    zapis(s, u8("1999/00"));
    zapisano(s);
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(wiersze(w), u8("1999/00|2001/02|2002/03").split(u'|'));
    EXPECT_EQ(wybrany(w), u8("1999/00"));
}

TEST_F(SlownikiTest, AddsClubCutToLimitAndTrimmedOrNothingWhenEmpty) {
    frmSlowniki w;
    Script s;
    s.input({u8("Kluby - dopisanie"), kPodajKlub, QString()}, u8("     "));
    s.input(u8("Kluby - dopisanie"), kPodajKlub, std::nullopt);
    s.input(u8("Kluby - dopisanie"), kPodajKlub, u8("  Stal Stalowa Wola  rezerwy B"));
    zapis(s, u8("Stal Stalowa Wola"));
    zapisano(s);
    kliknij(w, "cmdDodaj");
    kliknij(w, "cmdDodaj");
    kliknij(w, "cmdDodaj");
    s.verify();
    EXPECT_EQ(diary.value(QStringLiteral("SELECT Druzyna FROM Kluby WHERE Id_klubu > 4")),
              u8("Stal Stalowa Wola"));
    EXPECT_EQ(diary.count(QStringLiteral("Kluby")), 5);
    EXPECT_EQ(wybrany(w), u8("Stal Stalowa Wola"));
}

TEST_F(SlownikiTest, DuplicateByAddOrRenameChangesNothingAndSelectsExisting) {
    const auto kluby = [this] {
        return diary.rows(QStringLiteral("SELECT Id_klubu, Druzyna FROM Kluby ORDER BY 1"));
    };
    const auto przed = kluby();
    frmSlowniki w;
    const ui::Message juzJest{u8("Komunikat"), u8("Takie dane już istnieją !!!"), ui::Buttons::Ok,
                              ui::Icon::Exclamation, ui::Answer::Ok};
    {
        Script s;
        s.input(u8("Kluby - dopisanie"), kPodajKlub, u8("ŁÓDZKI KS"));
        zapis(s, u8("ŁÓDZKI KS"));
        s.message(juzJest, ui::Answer::Ok);
        kliknij(w, "cmdDodaj");
    }
    EXPECT_EQ(wybrany(w), u8("Łódzki KS"));
    wybierz(w, u8("Legia"));
    {
        Script s;
        s.input({u8("Kluby - modyfikacja"), u8("Podaj nową nazwę klubu (maksymalnie 21 znaków)"),
                 u8("Legia")},
                u8("wisła"));
        zapis(s, u8("wisła"));
        s.message(juzJest, ui::Answer::Ok);
        kliknij(w, "cmdPopraw");
    }
    EXPECT_EQ(wybrany(w), u8("Wisła"));
    EXPECT_EQ(kluby(), przed);
    EXPECT_EQ(wiersze(w), u8("Legia|Łódzki KS|O'Higgins|Wisła").split(u'|'));
}

TEST_F(SlownikiTest, NoToSaveStoresNothingAndSelectsSameEntry) {
    frmSlowniki w;
    Script s;
    s.input(u8("Kluby - dopisanie"), kPodajKlub, u8("Arka"));
    zapis(s, u8("Arka"), ui::Answer::No);
    s.input(u8("Kluby - dopisanie"), kPodajKlub, u8("Wisła"));
    zapis(s, u8("Wisła"), ui::Answer::No);
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(wybrany(w), QString());
    kliknij(w, "cmdDodaj");
    EXPECT_EQ(wybrany(w), u8("Wisła"));
    EXPECT_EQ(diary.count(QStringLiteral("Kluby")), 4);
}

TEST_F(SlownikiTest, OfficialAndOwnGoalAnswersOnAddAndModify) {
    frmSlowniki w;
    const ui::Message oficjalne = pytanie(u8("Czy są to rozgrywki oficjalne?"), ui::Answer::Yes);
    const ui::Message samobojczy = pytanie(u8("Czy jest to gol samobójczy?"), ui::Answer::No);
    const auto dodaj = [&](const char* tytul, const char* podpowiedz, const char* nazwa,
                           const ui::Message& flaga, ui::Answer odpowiedz) {
        Script s;
        s.input(u8(tytul), u8(podpowiedz), u8(nazwa));
        zapis(s, u8(nazwa));
        s.message(flaga, odpowiedz);
        zapisano(s);
        kliknij(w, "cmdDodaj");
    };
    const auto popraw = [&](const char* tytul, const char* podpowiedz, const char* nazwa,
                            const ui::Message& flaga, ui::Answer odpowiedz) {
        wybierz(w, u8(nazwa));
        Script s;
        s.input({u8(tytul), u8(podpowiedz), u8(nazwa)}, u8(nazwa));
        zapis(s, u8(nazwa));
        s.message(flaga, odpowiedz);
        zapisano(s);
        kliknij(w, "cmdPopraw");
    };

    pokazKarte(w, Rozgrywki);
    const char* podajRozgrywke = "Podaj nowy rodzaj rozgrywek (maksymalnie 18 znaków)";
    dodaj("Rozgrywki - dopisanie", podajRozgrywke, "Towarzyski", oficjalne, ui::Answer::No);
    dodaj("Rozgrywki - dopisanie", podajRozgrywke, "Ekstraklasa", oficjalne, ui::Answer::Yes);
    const char* zmianaRozgrywki = "Podaj nową nazwę rodzaju rozgrywek (maksymalnie 18 znaków)";
    popraw("Rozgrywki - modyfikacja", zmianaRozgrywki, "Sparing", oficjalne, ui::Answer::Yes);
    popraw("Rozgrywki - modyfikacja", zmianaRozgrywki, "Liga", oficjalne, ui::Answer::No);
    EXPECT_EQ(diary.rows(QStringLiteral("SELECT Nazwa, Oficjalny FROM Rozgrywki ORDER BY Nazwa")),
              (std::vector<QStringList>{{u8("Ekstraklasa"), u8("-1")},
                                        {u8("Liga"), u8("0")},
                                        {u8("Puchar"), u8("-1")},
                                        {u8("Sparing"), u8("-1")},
                                        {u8("Towarzyski"), u8("0")}}));

    pokazKarte(w, RodzajeGoli);
    const char* podajGol = "Podaj nowy rodzaj gola (maksymalnie 10 znaków)";
    dodaj("Rodzaje goli - dopisanie", podajGol, "głową", samobojczy, ui::Answer::No);
    dodaj("Rodzaje goli - dopisanie", podajGol, "rykoszet", samobojczy, ui::Answer::Yes);
    const char* zmianaGola = "Podaj nową nazwę rodzaju gola (maksymalnie 10 znaków)";
    popraw("Rodzaje goli - modyfikacja", zmianaGola, "samobójczy", samobojczy, ui::Answer::No);
    popraw("Rodzaje goli - modyfikacja", zmianaGola, "karny", samobojczy, ui::Answer::Yes);
    EXPECT_EQ(diary.rows(QStringLiteral("SELECT Jak, CzySam FROM Jak ORDER BY Id_jak")),
              (std::vector<QStringList>{{u8("z gry"), u8("0")},
                                        {u8("karny"), u8("-1")},
                                        {u8("samobójczy"), u8("0")},
                                        {u8("głową"), u8("0")},
                                        {u8("rykoszet"), u8("-1")}}));
}

TEST_F(SlownikiTest, DeleteAllowedOnlyOnPlayersAndKindsWhileMatchIsModified) {
    Mirvola::blnPoprawa = Mirvola::True;
    {
        frmSlowniki w;
        const std::array<bool, 5> wlaczony = {false, true, false, false, true};
        for (int k = Kluby; k <= RodzajeGoli; ++k) {
            pokazKarte(w, static_cast<Karta>(k));
            EXPECT_EQ(kontrolka<QPushButton>(w, "cmdUsun")->isEnabled(), wlaczony[k]) << k;
        }
        pokazKarte(w, Sezony);
        wybierz(w, u8("2001/02"));
        {
            Script s;  // no question at all
            QTest::keyClick(lista(w), Qt::Key_Delete);
        }
        EXPECT_EQ(diary.count(QStringLiteral("Sezony")), 2);
        pokazKarte(w, Gracze);
        wybierz(w, u8("Ronaldinho"));
        Script s;
        s.message(pytanie(u8("Czy usunąć następujące dane?\n\nRonaldinho"), ui::Answer::No),
                  ui::Answer::No);
        QTest::keyClick(lista(w), Qt::Key_Delete);
    }
    Mirvola::blnPoprawa = Mirvola::False;
    frmSlowniki w;
    for (int k = Kluby; k <= RodzajeGoli; ++k) {
        pokazKarte(w, static_cast<Karta>(k));
        EXPECT_TRUE(kontrolka<QPushButton>(w, "cmdUsun")->isEnabled()) << k;
    }
}

TEST_F(SlownikiTest, DeletesReferencedClubAndAsksForSelection) {
    frmSlowniki w;
    {
        Script s;
        s.message(u8("Komunikat"), u8("Nie wybrano danych do modyfikacji !!!"));
        s.message(u8("Komunikat"), u8("Nie wybrano danych do usunięcia !!!"));
        kliknij(w, "cmdPopraw");
        kliknij(w, "cmdUsun");
    }
    wybierz(w, u8("Legia"));
    Script s;
    s.message(pytanie(u8("Czy usunąć następujące dane?\n\nLegia"), ui::Answer::No),
              ui::Answer::Yes);
    s.message({u8("Info"), u8("Dane zostały usunięte."), ui::Buttons::Ok, ui::Icon::Information,
               ui::Answer::Ok},
              ui::Answer::Ok);
    kliknij(w, "cmdUsun");
    EXPECT_EQ(wiersze(w), u8("Łódzki KS|O'Higgins|Wisła").split(u'|'));
    EXPECT_EQ(diary.count(QStringLiteral("Kluby")), 3);
    EXPECT_EQ(diary.count(QStringLiteral("Mecze")), 5);
}

TEST_F(SlownikiTest, FilterWithWildcardsApostrophesAndTabChange) {
    frmSlowniki w;
    filtruj(w, u8("W?sła"));
    EXPECT_EQ(wiersze(w), QStringList{u8("Wisła")});
    filtruj(w, u8("o'h"));
    EXPECT_EQ(wiersze(w), QStringList{u8("O'Higgins")});

    // Renaming under a filter: the refill keeps the filter.
    wybierz(w, u8("O'Higgins"));
    {
        Script s;
        s.input(u8("Kluby - modyfikacja"), u8("Podaj nową nazwę klubu (maksymalnie 21 znaków)"),
                u8("O'Higgins Rancagua"));
        zapis(s, u8("O'Higgins Rancagua"));
        zapisano(s);
        kliknij(w, "cmdPopraw");
    }
    EXPECT_EQ(wiersze(w), QStringList{u8("O'Higgins Rancagua")});
    EXPECT_EQ(wybrany(w), u8("O'Higgins Rancagua"));

    filtruj(w, u8("   "));
    EXPECT_EQ(kontrolka<QLineEdit>(w, "txtFiltr")->text(), QString());
    EXPECT_EQ(wiersze(w).size(), 4);

    filtruj(w, u8("KS"));
    pokazKarte(w, Gracze);
    EXPECT_EQ(kontrolka<QLineEdit>(w, "txtFiltr")->text(), QString());
    EXPECT_EQ(wiersze(w).size(), 5);
    filtruj(w, u8("KowalskiKowal"));
    EXPECT_EQ(wiersze(w), QStringList{u8("Jan Kowalski Kowal")});
    filtruj(w, u8("Kowalski Kowal"));
    EXPECT_EQ(wiersze(w), QStringList());
    filtruj(w, u8("O'Neil"));
    EXPECT_EQ(wiersze(w), QStringList{u8("Sean O'Neil")});
}

TEST_F(SlownikiTest, KeyboardOnFilterAndList) {
    frmSlowniki w;
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* filtr = kontrolka<QLineEdit>(w, "txtFiltr");
    filtr->setText(u8("Legia"));
    filtr->setFocus();
    EXPECT_EQ(filtr->selectedText(), u8("Legia"));
    QTest::keyClick(filtr, Qt::Key_Return);
    EXPECT_TRUE(kontrolka<QPushButton>(w, "cmdFiltruj")->hasFocus());
    EXPECT_EQ(wiersze(w).size(), 4);  // Enter only moves on
    QTest::keyClick(kontrolka<QPushButton>(w, "cmdFiltruj"), Qt::Key_Return);
    EXPECT_EQ(wiersze(w), QStringList{u8("Legia")});

    wybierz(w, u8("Legia"));
    Script s;
    const ui::Input zmiana{u8("Kluby - modyfikacja"),
                           u8("Podaj nową nazwę klubu (maksymalnie 21 znaków)"), u8("Legia")};
    s.input(zmiana, std::nullopt);
    s.input(zmiana, std::nullopt);
    QTest::keyClick(lista(w), Qt::Key_Return);
    const QRect wiersz = lista(w)->visualItemRect(lista(w)->item(0));
    QTest::mouseDClick(lista(w)->viewport(), Qt::LeftButton, {}, wiersz.center());
}

TEST_F(SlownikiTest, PlayersAreEditedInPlayerEditor) {
    frmSlowniki w;
    pokazKarte(w, Gracze);
    const auto pole = [](QDialog* d, const char* nazwa) { return kontrolka<QLineEdit>(*d, nazwa); };
    Script s;
    s.modal(QStringLiteral("frmGracz"), [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), u8("Gracze - dopisanie"));
        pole(d, "txtPrzydomek")->setText(u8("Zorro"));
        kliknij(*d, "cmdOK");
    });
    s.message(u8("Pytanie"), u8("Czy dane są poprawne?"), ui::Answer::Yes);
    zapisano(s);
    s.message(u8("Pytanie"), u8("Czy dopisać kolejnego zawodnika?"), ui::Answer::No);
    kliknij(w, "cmdDodaj");
    EXPECT_TRUE(wiersze(w).contains(u8("Zorro")));

    wybierz(w, u8("Adam Nowak"));
    s.modal(QStringLiteral("frmGracz"), [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), u8("Gracze - modyfikacja"));
        EXPECT_EQ(pole(d, "txtImie")->text(), u8("Adam"));
        EXPECT_EQ(pole(d, "txtNazwisko")->text(), u8("Nowak"));
        pole(d, "txtPrzydomek")->setText(u8("Nowy"));
        kliknij(*d, "cmdOK");
    });
    s.message(u8("Pytanie"), u8("Czy dane są poprawne?"), ui::Answer::Yes);
    zapisano(s);
    kliknij(w, "cmdPopraw");
    EXPECT_EQ(Mirvola::dblIdMeczu, 2.0);
    EXPECT_TRUE(wiersze(w).contains(u8("Adam Nowak Nowy")));
    EXPECT_EQ(diary.count(QStringLiteral("Gracze")), 6);
}

// Renders every tab; with MIRVOLA_SCREENSHOTS set, the images are written there.
TEST_F(SlownikiTest, EveryTabShowsTheSharedControls) {
    frmSlowniki w;
    w.show();
    const QString katalog = qEnvironmentVariable("MIRVOLA_SCREENSHOTS");
    for (int k = Kluby; k <= RodzajeGoli; ++k) {
        pokazKarte(w, static_cast<Karta>(k));
        QApplication::processEvents();
        EXPECT_TRUE(lista(w)->isVisible()) << k;
        EXPECT_TRUE(kontrolka<QPushButton>(w, "cmdUsun")->isVisible()) << k;
        const QImage obraz = w.grab().toImage();
        ASSERT_FALSE(obraz.isNull());
        if (!katalog.isEmpty()) {
            obraz.save(QDir(katalog).filePath(QStringLiteral("frmSlowniki_%1.png").arg(k)));
        }
    }
}

}  // namespace
