// The match editor: opening in both modes, pickers, score handling, goal rows, closing, the
// refresh after the dictionaries change, and saving (what is written, duplicates, the next
// match, failed writes that must leave the diary as it was).
#include "forms/frmMecz.h"

#include "data/Mirvola.h"
#include "forms/Toolkit.h"
#include "support/Diary.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTextCharFormat>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

using Wiersze = std::vector<QStringList>;

QComboBox* dane(const QWidget& w, int i) {
    return child<QComboBox>(w, u"cboDane_%1"_s.arg(i));
}
QComboBox* wyn(const QWidget& w, int i) {
    return child<QComboBox>(w, u"cboWyn_%1"_s.arg(i));
}
QListWidget* gracze(const QWidget& w, int i) {
    return child<QListWidget>(w, u"lstGracze_%1"_s.arg(i));
}
QDateEdit* data(const QWidget& w) {
    return child<QDateEdit>(w, "DTPDataMeczu");
}
// Host, score and guest as the labels show them.
QString para(const QWidget& w) {
    return labelText(w, "lblGosp") + u" | "_s + labelText(w, "lblWynik") + u" | "_s +
           labelText(w, "lblGosc");
}
QStringList minuty(const frmMecz& w, int strona) {
    return column(w.fgrdStrzelcy(strona), 1);
}

// The scorer controls of a side are all enabled or all disabled.
std::optional<bool> stronaWlaczona(const QWidget& w, int i) {
    const bool lista = gracze(w, i)->isEnabled();
    if (dane(w, i + 3)->isEnabled() != lista ||
        child<QLineEdit>(w, u"txtFiltr_%1"_s.arg(i))->isEnabled() != lista ||
        child<QPushButton>(w, u"cmdFiltruj_%1"_s.arg(i))->isEnabled() != lista) {
        return std::nullopt;
    }
    return lista;
}

void pokazAktywne(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

QPlainTextEdit* komentarz(const QWidget& w) {
    return child<QPlainTextEdit>(w, "txtKomentarz");
}
void kliknij(const QWidget& w, const QString& nazwa) {
    child<QPushButton>(w, nazwa)->click();
}
void wybierz(const QWidget& w, const QString& nazwa, const QString& tekst) {
    auto* c = child<QComboBox>(w, nazwa);
    c->setCurrentIndex(c->findText(tekst));
    EXPECT_EQ(c->currentText(), tekst);
}
void filtruj(frmMecz& w, int strona, const QString& tekst) {
    child<QLineEdit>(w, u"txtFiltr_%1"_s.arg(strona))->setText(tekst);
    kliknij(w, u"cmdFiltruj_%1"_s.arg(strona));
}

// Picks the player on row `gracz` of a side with Enter and answers the minute questions.
void dodajBramke(Script& s, frmMecz& w, int strona, int gracz, const QStringList& odpowiedzi) {
    QListWidget* lista = gracze(w, strona);
    lista->setCurrentRow(gracz);
    const QString pytanie = u"W której minucie "_s + lista->currentItem()->text() +
                            u" strzelił bramkę ("_s + dane(w, strona + 3)->currentText() + u")?"_s;
    for (const QString& odpowiedz : odpowiedzi) {
        s.input({u"Pytanie"_s, pytanie, QString()}, odpowiedz);
    }
    QTest::keyClick(lista, Qt::Key_Return);
    EXPECT_TRUE(s.done());
}

// Picks the only player of a side the filter leaves and gives the minute.
void dodajStrzelca(Script& s, frmMecz& w, int strona, const QString& filtr, const QString& minuta) {
    filtruj(w, strona, filtr);
    ASSERT_EQ(gracze(w, strona)->count(), 1) << filtr.toStdString();
    dodajBramke(s, w, strona, 0, {minuta});
}

class frmMeczTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::setClock([] { return QDateTime(QDate(2003, 5, 10), QTime(12, 0)); });
    }
    void TearDown() override { ui::setClock({}); }

    std::unique_ptr<frmMecz> otworz(std::optional<double> idMeczu = std::nullopt) {
        Mirvola::blnPoprawa = idMeczu ? Mirvola::True : Mirvola::False;
        Mirvola::dblIdMeczu = idMeczu.value_or(0);
        return std::make_unique<frmMecz>();
    }

    SampleDiary baza;
};

}  // namespace

TEST_F(frmMeczTest, AddModeWithEmptyDictionariesListsTheMissingChoices) {
    Diary pusta;
    auto w = otworz();
    EXPECT_EQ(w->windowTitle(), u"Mecze - dopisanie"_s);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dane(*w, i)->currentIndex(), -1);
    }
    // Today, and no later date can be chosen.
    EXPECT_EQ(data(*w)->date(), QDate(2003, 5, 10));
    EXPECT_EQ(data(*w)->maximumDate(), QDate(2003, 5, 10));

    Script s;
    s.message(notice(u"Należy podać brakujące dane:\n\n- Sezon\n- Przeciwnik\n- Rozgrywki"_s),
              ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
}

TEST_F(frmMeczTest, AddModeStartsAtZeroAndTheScoreEnablesASide) {
    auto w = otworz();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dane(*w, i)->currentText(), qs({"2002/03", "Legia", "Liga", "karny"})[i]);
    }
    EXPECT_TRUE(child<QRadioButton>(*w, "optWybor_0")->isChecked());
    EXPECT_EQ(para(*w), u"Mirvola Wendrow | 0 - 0 | Legia"_s);
    EXPECT_EQ(texts(gracze(*w, 0)),
              qs({"Jan Kowalski Kowal", "Adam Nowak", "Sean O'Neil", "Ronaldinho", "Piotr Żuk"}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(w->fgrdStrzelcy(i)->isHidden());
        EXPECT_EQ(stronaWlaczona(*w, i), false);
    }

    wyn(*w, 1)->setCurrentIndex(2);
    EXPECT_EQ(stronaWlaczona(*w, 1), true);
    EXPECT_EQ(stronaWlaczona(*w, 0), false);
    EXPECT_EQ(labelText(*w, "lblWynik"), u"0 - 2"_s);

    child<QRadioButton>(*w, "optWybor_1")->click();
    EXPECT_EQ(para(*w), u"Legia | 0 - 2 | Mirvola Wendrow"_s);
    dane(*w, 1)->setCurrentIndex(3);
    EXPECT_EQ(labelText(*w, "lblGosp"), u"Wisła"_s);

    // A season sets the year of the date and keeps day and month.
    dane(*w, 0)->setCurrentIndex(0);
    EXPECT_EQ(data(*w)->date(), QDate(2001, 5, 10));

    Script s;
    s.message(u"Info"_s,
              u"Aby dodać strzelca bramki należy dwukrotnie kliknąć\nna żądanego zawodnika."_s);
    kliknij(*w, u"cmdHelp"_s);
}

TEST_F(frmMeczTest, StoredMatchesSplitTheirGoalsBetweenTheGrids) {
    {
        // Away: the home club's goals are the guest's.
        auto w = otworz(2);
        EXPECT_EQ(w->windowTitle(), u"Mecze - modyfikacja"_s);
        EXPECT_TRUE(child<QRadioButton>(*w, "optWybor_1")->isChecked());
        EXPECT_EQ(para(*w), u"Wisła | 1 - 2 | Mirvola Wendrow"_s);
        EXPECT_EQ(dane(*w, 0)->currentText(), u"2001/02"_s);
        EXPECT_EQ(data(*w)->date(), QDate(2002, 5, 5));
        EXPECT_EQ(cells(w->fgrdStrzelcy(0)),
                  (Wiersze{{u"Ronaldinho"_s, u"7"_s, u"z gry"_s, u"3"_s, u"1"_s}}));
        EXPECT_EQ(cells(w->fgrdStrzelcy(1)),
                  (Wiersze{{u"Jan Kowalski"_s, u"20"_s, u"z gry"_s, u"1"_s, u"1"_s},
                           {u"Piotr Żuk"_s, u"88"_s, u"samobójczy"_s, u"4"_s, u"3"_s}}));
        EXPECT_EQ(w->fgrdStrzelcy(1)->currentRow(), 1);
        EXPECT_EQ(stronaWlaczona(*w, 0), false);
        EXPECT_EQ(stronaWlaczona(*w, 1), false);
    }
    {
        // At home 3:3 with one goal row a side: both sides stay open for scorers.
        auto w = otworz(4);
        EXPECT_EQ(labelText(*w, "lblGosc"), u"O'Higgins"_s);
        EXPECT_EQ(dane(*w, 2)->currentText(), u"Puchar"_s);
        EXPECT_EQ(minuty(*w, 0), QStringList{u"1"_s});
        EXPECT_EQ(minuty(*w, 1), QStringList{u"45"_s});
        EXPECT_EQ(stronaWlaczona(*w, 0), true);
        EXPECT_EQ(stronaWlaczona(*w, 1), true);
        EXPECT_EQ(komentarz(*w)->toPlainText(), QString());
    }
    {
        // Neutral 0:0 with a two-line comment.
        auto w = otworz(3);
        EXPECT_TRUE(child<QRadioButton>(*w, "optWybor_2")->isChecked());
        EXPECT_TRUE(w->fgrdStrzelcy(0)->isHidden());
        EXPECT_TRUE(w->fgrdStrzelcy(1)->isHidden());
        EXPECT_EQ(komentarz(*w)->toPlainText(), u"Sparing\nw deszczu"_s);
    }
}

TEST_F(frmMeczTest, GoalRowsAreAskedForSortedAndCloseTheSide) {
    auto w = otworz();
    Script s;
    wyn(*w, 0)->setCurrentIndex(3);

    // Not numbers or outside 1..120: asked again without a message.
    dodajBramke(s, *w, 0, 0, {u"0"_s, u"121"_s, u"abc"_s, u"80"_s});
    dodajBramke(s, *w, 0, 1, {u"15"_s});
    dodajBramke(s, *w, 0, 2, {u""_s});  // an empty answer adds nothing
    EXPECT_EQ(stronaWlaczona(*w, 0), true);
    dodajBramke(s, *w, 0, 2, {u"30"_s});
    EXPECT_EQ(minuty(*w, 0), (QStringList{u"15"_s, u"30"_s, u"80"_s}));
    EXPECT_EQ(cells(w->fgrdStrzelcy(0)).at(1),
              (QStringList{u"Sean O'Neil"_s, u"30"_s, u"karny"_s, u"5"_s, u"2"_s}));
    EXPECT_EQ(w->fgrdStrzelcy(0)->currentRow(), 2);
    EXPECT_EQ(stronaWlaczona(*w, 0), false);

    wyn(*w, 0)->setCurrentIndex(4);
    EXPECT_EQ(stronaWlaczona(*w, 0), true);
    const int szeroka = w->fgrdStrzelcy(0)->columnWidth(0);
    dodajBramke(s, *w, 0, 3, {u"120"_s});
    EXPECT_EQ(w->fgrdStrzelcy(0)->columnWidth(0), ui::twips(2465, w->fgrdStrzelcy(0)));
    EXPECT_LT(w->fgrdStrzelcy(0)->columnWidth(0), szeroka);
    w->fgrdStrzelcy(0)->setCurrentCell(0, 0);
    s.message(u"Pytanie"_s,
              u"Czy na pewno usunąć bramkę, którą strzelił Adam Nowak w 15 minucie?"_s,
              ui::Answer::Yes);
    QTest::keyClick(w->fgrdStrzelcy(0), Qt::Key_Delete);
    EXPECT_EQ(w->fgrdStrzelcy(0)->columnWidth(0), szeroka);
    EXPECT_EQ(minuty(*w, 0), (QStringList{u"30"_s, u"80"_s, u"120"_s}));

    // 1 is accepted; a half rounds to the even neighbour.
    wyn(*w, 1)->setCurrentIndex(3);
    EXPECT_TRUE(w->fgrdStrzelcy(1)->isHidden());
    dodajBramke(s, *w, 1, 0, {u"1"_s});
    EXPECT_FALSE(w->fgrdStrzelcy(1)->isHidden());
    dodajBramke(s, *w, 1, 0, {u"2,5"_s});
    dodajBramke(s, *w, 1, 0, {u"3.5"_s});
    EXPECT_EQ(minuty(*w, 1), (QStringList{u"1"_s, u"2"_s, u"4"_s}));

    // Lowering a score below its goal rows falls back to the number of rows.
    s.message(notice(u"Liczba bramek będzie mniejsza od liczby wpisanych strzelców !!!\n"
                     "Należy usunąć szczegółowe dane dotyczące strzelonych goli."_s),
              ui::Answer::Ok);
    wyn(*w, 1)->setCurrentIndex(1);
    EXPECT_EQ(wyn(*w, 1)->currentText(), u"3"_s);
    EXPECT_EQ(labelText(*w, "lblWynik"), u"4 - 3"_s);
    EXPECT_EQ(stronaWlaczona(*w, 1), false);
}

TEST_F(frmMeczTest, NoKindOfGoalNoScorer) {
    baza.exec(u"DELETE FROM Jak"_s);
    auto w = otworz();
    wyn(*w, 0)->setCurrentIndex(1);
    Script s;
    s.message(u"Komunikat"_s, u"Brak zdefinowanych sposobów strzelenia bramki !!!"_s);
    QTest::keyClick(gracze(*w, 0), Qt::Key_Return);
    EXPECT_EQ(w->fgrdStrzelcy(0)->rowCount(), 0);
}

TEST_F(frmMeczTest, DeletingGoalRowsAndThePopUpMenu) {
    auto w = otworz(1);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTableWidget* g0 = w->fgrdStrzelcy(0);
    QTableWidget* g1 = w->fgrdStrzelcy(1);
    auto* menu = child<QMenu>(*w, "mnuOperacje");
    ASSERT_NE(menu, nullptr);

    // The header opens no menu; it selects the first goal row.
    QTest::mousePress(g1->horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(20, 5));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(g1->currentRow(), 0);

    QTest::mousePress(g0->viewport(), Qt::RightButton, {},
                      g0->visualItemRect(g0->item(0, 0)).center());
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(w->intSiatka, 0);
    EXPECT_EQ(g0->currentRow(), 0);
    menu->hide();

    Script s;
    const QString pytanie =
        u"Czy na pewno usunąć bramkę, którą strzelił Jan Kowalski w 10 minucie?"_s;
    s.message(question(pytanie), ui::Answer::No);
    child<QAction>(*w, "itmUsun")->trigger();
    EXPECT_EQ(g0->rowCount(), 2);

    s.message(u"Pytanie"_s, pytanie, ui::Answer::Yes);
    child<QAction>(*w, "itmUsun")->trigger();
    EXPECT_EQ(minuty(*w, 0), QStringList{u"50"_s});
    EXPECT_EQ(stronaWlaczona(*w, 0), true);

    // Delete on the guest grid removes its only row and hides it.
    g1->setFocus();
    g1->setCurrentCell(0, 0);
    s.message(u"Pytanie"_s,
              u"Czy na pewno usunąć bramkę, którą strzelił Ronaldinho w 30 minucie?"_s,
              ui::Answer::Yes);
    QTest::keyClick(g1, Qt::Key_Delete);
    EXPECT_EQ(g1->rowCount(), 0);
    EXPECT_TRUE(g1->isHidden());
    EXPECT_EQ(stronaWlaczona(*w, 1), true);

    // Choosing 0 for a side without goal rows hides its grid and closes it.
    wyn(*w, 1)->setCurrentIndex(0);
    EXPECT_EQ(stronaWlaczona(*w, 1), false);
    s.verify();
    w->hide();
}

TEST_F(frmMeczTest, FilterKeepsOrderAndAcceptsApostrophesAndPolishLetters) {
    auto w = otworz();
    wyn(*w, 0)->setCurrentIndex(1);
    const QStringList wszyscy = texts(gracze(*w, 0));
    const std::pair<QString, QStringList> przypadki[] = {
        {u"ow"_s, qs({"Jan Kowalski Kowal", "Adam Nowak"})},
        {u"KowalskiKowal"_s, qs({"Jan Kowalski Kowal"})},
        {u"Kowalski Kowal"_s, {}},
        {u"O'Neil"_s, qs({"Sean O'Neil"})},
        {u"ŻU"_s, qs({"Piotr Żuk"})},
        {u"N?wak"_s, qs({"Adam Nowak"})},  // the filter's wildcards keep their meaning
        {u"[N"_s, {}},                     // an unclosed bracket is only a character
        {u"Kowal[*"_s, {}},
        {QString(), wszyscy},
    };
    for (const auto& [filtr, lista] : przypadki) {
        filtruj(*w, 0, filtr);
        EXPECT_EQ(texts(gracze(*w, 0)), lista) << filtr.toStdString();
    }

    // Leaving the filter box trims it.
    auto* filtr = child<QLineEdit>(*w, "txtFiltr_0");
    filtr->setText(u"  Nowak "_s);
    QFocusEvent wyjscie(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(filtr, &wyjscie);
    EXPECT_EQ(filtr->text(), u"Nowak"_s);
}

TEST_F(frmMeczTest, ClosingAsksUnlessTheAnswerIsNo) {
    {
        auto w = otworz();
        w->show();
        Script s;
        s.message(question(u"Czy przerwać dodawanie danych?"_s), ui::Answer::No);
        w->close();
        EXPECT_TRUE(w->isVisible());
        s.message(u"Pytanie"_s, u"Czy przerwać dodawanie danych?"_s, ui::Answer::Yes);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible());
    }
    {
        auto w = otworz(1);
        w->show();
        Script s;
        s.message(u"Pytanie"_s, u"Czy przerwać edycję danych?"_s, ui::Answer::No);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(minuty(*w, 0), (QStringList{u"10"_s, u"50"_s}));
        s.message(u"Pytanie"_s, u"Czy przerwać edycję danych?"_s, ui::Answer::Yes);
        w->close();
        EXPECT_FALSE(w->isVisible());
    }
}

TEST_F(frmMeczTest, RefreshFollowsChangedDictionaries) {
    auto w = otworz(1);
    {
        // The dictionaries change while their window is open over the editor.
        Script s;
        s.modal(u"frmSlowniki"_s, [this](QDialog*) {
            baza.exec(
                u"UPDATE Gracze SET Nazwisko = 'Kowalczyk' WHERE Id_gracza = 1;"
                "DELETE FROM Jak WHERE Id_jak = 2; DELETE FROM Kluby WHERE Id_klubu = 1;"
                "INSERT INTO Sezony (Sezon) VALUES ('2000/01')"_s);
        });
        // The goal of a kind that is gone goes with it.
        s.message(info(u"Usunięto bramki: Adam Nowak 50'."_s), ui::Answer::Ok);
        QTest::mouseClick(child<QPushButton>(*w, "cmdSlowniki"), Qt::LeftButton);
    }

    EXPECT_EQ(cells(w->fgrdStrzelcy(0)),
              (Wiersze{{u"Jan Kowalczyk Kowal"_s, u"10"_s, u"z gry"_s, u"1"_s, u"1"_s}}));
    EXPECT_TRUE(gracze(*w, 0)->isEnabled());  // 2 goals, 1 goal row
    EXPECT_EQ(minuty(*w, 1), QStringList{u"30"_s});
    EXPECT_EQ(dane(*w, 1)->currentText(), u"Łódzki KS"_s);
    EXPECT_EQ(labelText(*w, "lblGosc"), u"Łódzki KS"_s);
    EXPECT_EQ(dane(*w, 0)->currentText(), u"2001/02"_s);
    EXPECT_EQ(dane(*w, 3)->count(), 2);
    EXPECT_EQ(data(*w)->date(), QDate(2001, 8, 5));
    // The next season chosen moves the year again.
    wybierz(*w, u"cboDane_0"_s, u"2002/03"_s);
    EXPECT_EQ(data(*w)->date(), QDate(2002, 8, 5));
}

TEST_F(frmMeczTest, RefreshKeepsGoalsOfPlayersTheFilterHidesAndNamesTheRowsThatWent) {
    for (const QString& filtr : {u"Nowak"_s, u"nikt taki"_s}) {
        auto w = otworz(4);  // host goal row: Sean O'Neil; guest: Ronaldinho
        filtruj(*w, 0, filtr);
        // Typed on the guest side but never applied: no filter there.
        child<QLineEdit>(*w, "txtFiltr_1")->setText(u"nikt taki"_s);
        w->OdswiezPoSlownikach(w->Zapamietaj());
        EXPECT_EQ(cells(w->fgrdStrzelcy(0)),
                  (Wiersze{{u"Sean O'Neil"_s, u"1"_s, u"z gry"_s, u"5"_s, u"1"_s}}))
            << filtr.toStdString();
        EXPECT_EQ(minuty(*w, 1), QStringList{u"45"_s});
        EXPECT_EQ(texts(gracze(*w, 0)), filtr == u"Nowak"_s ? qs({"Adam Nowak"}) : QStringList());
        EXPECT_EQ(gracze(*w, 1)->count(), 5);
    }

    // Rows whose player or kind of goal was deleted go, and the user is told which.
    auto w = otworz(1);
    Script s;
    s.modal(u"frmSlowniki"_s, [this](QDialog*) {
        baza.exec(u"DELETE FROM Gracze WHERE Id_gracza = 3; DELETE FROM Jak WHERE Id_jak = 2"_s);
    });
    s.message(info(u"Usunięto bramki: Adam Nowak 50', Ronaldinho 30'."_s), ui::Answer::Ok);
    kliknij(*w, u"cmdSlowniki"_s);
    EXPECT_EQ(minuty(*w, 0), QStringList{u"10"_s});
    EXPECT_EQ(w->fgrdStrzelcy(1)->rowCount(), 0);
    EXPECT_TRUE(w->fgrdStrzelcy(1)->isHidden());
}

TEST_F(frmMeczTest, ScorerGridsAreOneTabStopAndTheArrowsMoveInside) {
    auto w = otworz(1);
    pokazAktywne(*w);
    QTableWidget* g = w->fgrdStrzelcy(0);
    g->setFocus();
    g->setCurrentCell(0, 0);
    QTest::keyClick(g, Qt::Key_Down);
    EXPECT_EQ(g->currentRow(), 1);
    EXPECT_TRUE(g->hasFocus());
    QStringList przystanki;
    for (int i = 0; i < 12 && przystanki.size() < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        przystanki << QApplication::focusWidget()->objectName();
    }
    // Side 0 has all its goal rows, so its scorer controls are off and Tab passes them.
    EXPECT_EQ(przystanki.first(), u"fgrdStrzelcy_1"_s);
    EXPECT_TRUE(przystanki.contains(u"fgrdStrzelcy_1"_s));
    EXPECT_TRUE(przystanki.contains(u"txtKomentarz"_s));
    EXPECT_TRUE(przystanki.contains(u"cmdOK"_s));
    EXPECT_EQ(przystanki.count(u"fgrdStrzelcy_1"_s), 1);
    w->hide();
}

TEST_F(frmMeczTest, FilterAppliedByItsAccessKeyIsTrimmed) {
    auto w = otworz();
    pokazAktywne(*w);
    wyn(*w, 0)->setCurrentIndex(1);
    wyn(*w, 1)->setCurrentIndex(1);
    for (const auto& [strona, klawisz] : {std::pair{0, Qt::Key_F}, std::pair{1, Qt::Key_L}}) {
        auto* filtr = child<QLineEdit>(*w, u"txtFiltr_%1"_s.arg(strona));
        filtr->setFocus();
        QTest::keyClicks(filtr, u" Nowak "_s);
        QTest::keyClick(filtr, klawisz, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return gracze(*w, strona)->count() == 1; }, 2000));
        EXPECT_EQ(texts(gracze(*w, strona)), qs({"Adam Nowak"}));
        EXPECT_EQ(filtr->text(), u"Nowak"_s);
    }
    w->hide();
}

TEST_F(frmMeczTest, TabIntoTheVenueLandsOnTheChosenOption) {
    auto w = otworz(2);  // away
    pokazAktywne(*w);
    auto* wyjazd = child<QRadioButton>(*w, "optWybor_1");
    ASSERT_TRUE(wyjazd->isChecked());
    dane(*w, 2)->setFocus();
    QTest::keyClick(dane(*w, 2), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), wyjazd);
    QTest::keyClick(wyjazd, Qt::Key_Space);
    EXPECT_TRUE(wyjazd->isChecked());
    EXPECT_EQ(para(*w), u"Wisła | 1 - 2 | Mirvola Wendrow"_s);
    QTest::keyClick(wyjazd, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), wyn(*w, 0));
    // Another venue chosen with the arrows is the one Tab comes back to.
    child<QRadioButton>(*w, "optWybor_2")->click();
    QTest::keyClick(wyn(*w, 0), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), child<QRadioButton>(*w, "optWybor_2"));
    w->hide();
}

TEST_F(frmMeczTest, KindOfGoalColumnHoldsEveryKindWhole) {
    // The width a cell needs for its text, as the style lays it out.
    const auto miesci = [](const QTableWidget* g, int wiersz) {
        const QTableWidgetItem* item = g->item(wiersz, 2);
        const int margines = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        return g->visualItemRect(item).width() - margines >=
               g->fontMetrics().horizontalAdvance(item->text());
    };
    auto w = otworz(2);  // guest grid: Piotr Żuk, 88, samobójczy
    w->show();
    EXPECT_EQ(w->fgrdStrzelcy(1)->item(1, 2)->text(), u"samobójczy"_s);
    EXPECT_TRUE(miesci(w->fgrdStrzelcy(1), 1));
    // A longer kind added in the dictionaries widens the column.
    Script s;
    s.modal(u"frmSlowniki"_s, [this](QDialog*) {
        baza.exec(u"UPDATE Jak SET Jak = 'WWWWWWWWWW' WHERE Id_jak = 3"_s);
    });
    kliknij(*w, u"cmdSlowniki"_s);
    EXPECT_EQ(w->fgrdStrzelcy(1)->item(1, 2)->text(), u"WWWWWWWWWW"_s);
    EXPECT_TRUE(miesci(w->fgrdStrzelcy(1), 1));
    EXPECT_FALSE(w->fgrdStrzelcy(1)->horizontalScrollBar()->isVisible());
    w->hide();
}

TEST_F(frmMeczTest, ScorePopupShowsAboutTwentyItemsOnTheScreen) {
    auto w = otworz();
    pokazAktywne(*w);
    QComboBox* wynik = wyn(*w, 0);
    wynik->showPopup();
    const QWidget* lista = wynik->view()->window();
    ASSERT_TRUE(lista->isVisible());
    const int wiersz = wynik->view()->sizeHintForRow(0);
    EXPECT_LE(wynik->view()->height(), 21 * wiersz + 2 * wynik->view()->frameWidth());
    EXPECT_GE(wynik->view()->height(), 15 * wiersz);
    EXPECT_TRUE(lista->screen()->availableGeometry().contains(lista->frameGeometry()));
    wynik->hidePopup();
    w->hide();
}

TEST_F(frmMeczTest, DatePickerTakesDigitsInTheClickedFieldAndGreysFutureDays) {
    auto w = otworz(2);  // 2002-05-05
    pokazAktywne(*w);
    QDateEdit* d = data(*w);
    auto* pole = d->findChild<QLineEdit*>();
    ASSERT_NE(pole, nullptr);
    // A point of the box over the character at `pozycja` of "yyyy-MM-dd".
    const auto punkt = [&](int pozycja) {
        for (int x = 0; x < pole->width(); ++x) {
            if (pole->cursorPositionAt(QPoint(x, pole->height() / 2)) == pozycja) {
                return QPoint(x + 1, pole->height() / 2);
            }
        }
        ADD_FAILURE() << "no point for position " << pozycja;
        return QPoint();
    };
    QTest::mouseClick(pole, Qt::LeftButton, {}, punkt(6));
    QTest::keyClicks(d, u"03"_s);
    EXPECT_EQ(d->date(), QDate(2002, 3, 5));
    QTest::mouseClick(pole, Qt::LeftButton, {}, punkt(9));
    QTest::keyClicks(d, u"21"_s);
    EXPECT_EQ(d->date(), QDate(2002, 3, 21));
    // Left and Right go from field to field.
    QTest::keyClick(d, Qt::Key_Left);
    QTest::keyClicks(d, u"11"_s);
    EXPECT_EQ(d->date(), QDate(2002, 11, 21));

    // Days after today cannot be picked, and look it.
    QCalendarWidget* kalendarz = d->calendarWidget();
    const QColor szary = kalendarz->palette().color(QPalette::Disabled, QPalette::Text);
    kalendarz->setCurrentPage(2003, 5);
    EXPECT_EQ(kalendarz->dateTextFormat(QDate(2003, 5, 11)).foreground().color(), szary);
    EXPECT_EQ(kalendarz->dateTextFormat(QDate(2003, 6, 1)).foreground().color(), szary);
    EXPECT_NE(kalendarz->dateTextFormat(QDate(2003, 5, 10)).foreground().color(), szary);
    w->hide();
}

// ---- saving

namespace {

const ui::Message kPoprawne = question(u"Czy dane są poprawne?"_s);

// Confirms the data with "&OK" and expects the save to fail with the standard message, the
// window staying open.
void zapiszZBledem(Script& s, frmMecz& w) {
    s.collectErrors();
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    kliknij(w, u"cmdOK"_s);
    ASSERT_EQ(s.errors().size(), 1);
    const QString tekst = s.errors().front();
    EXPECT_TRUE(tekst.startsWith(u"Wystąpił błąd numer "_s) &&
                tekst.endsWith(u"\n\nDane nie zostały zapisane."_s))
        << tekst.toStdString();
    EXPECT_TRUE(w.isVisible());
}

class frmMeczZapis : public frmMeczTest {
  protected:
    std::unique_ptr<frmMecz> otworz(std::optional<double> idMeczu = std::nullopt) {
        auto w = frmMeczTest::otworz(idMeczu);
        w->show();
        return w;
    }

    // Wisła in the cup on 2003-04-01, `wyn1`:`wyn2`.
    void wpiszMecz(frmMecz& w, const QString& wyn1, const QString& wyn2) {
        wybierz(w, u"cboDane_1"_s, u"Wisła"_s);
        wybierz(w, u"cboDane_2"_s, u"Puchar"_s);
        data(w)->setDate(QDate(2003, 4, 1));
        wybierz(w, u"cboWyn_0"_s, wyn1);
        wybierz(w, u"cboWyn_1"_s, wyn2);
    }

    Wiersze mecz(int id) const {
        return baza.rows(
            u"SELECT Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki, "
            "Komentarz FROM Mecze WHERE Id_meczu = %1"_s.arg(id));
    }
    Wiersze bramki(int id) const {
        return baza.rows(
            u"SELECT Nr_pozycji, Minuta, Czy_Mirvola, Id_gracza, Id_jak FROM Bramki "
            "WHERE Id_meczu = %1 ORDER BY Nr_pozycji"_s.arg(id));
    }
};

}  // namespace

TEST_F(frmMeczZapis, HomeAndAwayMatchesStoreHostGoalsFirst) {
    const struct {
        QString opcja, gdzie, host, guest, komentarz;
    } przypadki[] = {{u"optWybor_0"_s, u"D"_s, u"-1"_s, u"0"_s, u"NULL"_s},
                     {u"optWybor_1"_s, u"W"_s, u"0"_s, u"-1"_s, u"Dwie\r\nlinie"_s}};
    int id = 6;
    for (const auto& p : przypadki) {
        auto w = otworz();
        Script s;
        // 2:1 with host scorers in the minutes 50 and 10 and a guest scorer in the minute 30.
        wpiszMecz(*w, u"2"_s, u"1"_s);
        child<QRadioButton>(*w, p.opcja)->click();
        dodajStrzelca(s, *w, 0, u"Nowak"_s, u"50"_s);
        dodajStrzelca(s, *w, 0, u"O'Neil"_s, u"10"_s);
        dodajStrzelca(s, *w, 1, u"Ronaldinho"_s, u"30"_s);
        if (p.gdzie == u"W"_s) {
            komentarz(*w)->setPlainText(u"Dwie\nlinie"_s);
        }
        s.message(kPoprawne, ui::Answer::Yes);
        s.message(question(u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s),
                  ui::Answer::No);
        kliknij(*w, u"cmdOK"_s);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->result(), QDialog::Accepted);

        EXPECT_EQ(mecz(id), (Wiersze{{u"2"_s, u"2003-04-01"_s, p.gdzie, u"2"_s, u"2"_s, u"1"_s,
                                      u"2"_s, p.komentarz}}));
        EXPECT_EQ(bramki(id), (Wiersze{{u"1"_s, u"10"_s, p.host, u"5"_s, u"2"_s},
                                       {u"2"_s, u"50"_s, p.host, u"2"_s, u"2"_s},
                                       {u"3"_s, u"30"_s, p.guest, u"3"_s, u"2"_s}}));
        ++id;
    }
}

TEST_F(frmMeczZapis, NextMatchKeepsSeasonCompetitionDateAndRefusesTheSameMatch) {
    auto w = otworz();
    Script s;
    wpiszMecz(*w, u"3"_s, u"0"_s);
    dodajStrzelca(s, *w, 0, u"Żuk"_s, u"77"_s);  // 3 goals, one scorer known
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    s.message(u"Pytanie"_s, u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s,
              ui::Answer::Yes);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_EQ(bramki(6), (Wiersze{{u"1"_s, u"77"_s, u"-1"_s, u"4"_s, u"2"_s}}));

    ASSERT_TRUE(w->isVisible());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dane(*w, i)->currentText(), qs({"2002/03", "Legia", "Puchar"})[i]);
    }
    EXPECT_EQ(data(*w)->date(), QDate(2003, 4, 1));
    EXPECT_EQ(para(*w), u"Mirvola Wendrow | 0 - 0 | Legia"_s);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(w->fgrdStrzelcy(i)->rowCount(), 0);
        EXPECT_TRUE(w->fgrdStrzelcy(i)->isHidden());
        EXPECT_FALSE(gracze(*w, i)->isEnabled());
    }

    // The same match again, only the comment differs.
    wpiszMecz(*w, u"3"_s, u"0"_s);
    komentarz(*w)->setPlainText(u"inny"_s);
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    s.message(notice(u"Taki mecz jest już zapisany w bazie !!!"_s), ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_EQ(baza.count(u"Mecze"_s), 6);
    EXPECT_TRUE(w->isVisible());

    // No to the confirmation writes nothing.
    wybierz(*w, u"cboWyn_1"_s, u"1"_s);
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::No);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_EQ(baza.count(u"Mecze"_s), 6);
    s.verify();
    w->hide();
}

TEST_F(frmMeczZapis, GoalWhoseKindWasDeletedIsMarkedAndNotSavedUntilCorrected) {
    baza.exec(u"DELETE FROM Jak WHERE Id_jak = 2"_s);  // Adam Nowak's penalty in match 1
    const auto przed = bramki(1);
    auto w = otworz(1);
    QTableWidget* g = w->fgrdStrzelcy(0);
    EXPECT_EQ(cells(g).at(1),
              (QStringList{u"Adam Nowak"_s, u"50"_s, QString(), u"2"_s, QString()}));
    const auto oznaczony = [g](int r) {
        return g->item(r, 2)->background().style() != Qt::NoBrush &&
               !g->item(r, 0)->toolTip().isEmpty();
    };
    EXPECT_TRUE(oznaczony(1));
    EXPECT_FALSE(oznaczony(0));

    Script s;
    s.message(notice(u"Brak rodzaju gola dla bramki, którą strzelił Adam Nowak w 50 minucie !!!\n"
                     "Należy go wybrać, poprawiając bramkę."_s),
              ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(bramki(1), przed);

    // The kind chosen in the correction dialog ends the mark, and the match saves.
    g->setCurrentCell(1, 0);
    s.modal(u"frmPoprawaGola"_s, [](QDialog* d) {
        auto* jak = child<QComboBox>(*d, "cboJak");
        EXPECT_EQ(jak->currentIndex(), -1);
        jak->setCurrentIndex(jak->findText(u"z gry"_s));
        child<QPushButton>(*d, "cmdOK")->click();
    });
    QTest::keyClick(g, Qt::Key_Return);
    EXPECT_FALSE(oznaczony(1));
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(info(u"Dane zostały zapisane."_s), ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_EQ(bramki(1), (Wiersze{{u"1"_s, u"10"_s, u"-1"_s, u"1"_s, u"1"_s},
                                  {u"2"_s, u"50"_s, u"-1"_s, u"2"_s, u"1"_s},
                                  {u"3"_s, u"30"_s, u"0"_s, u"3"_s, u"1"_s}}));
}

TEST_F(frmMeczZapis, ModifyModeNeverReportsADuplicate) {
    auto w = otworz(4);
    // Make match 4 equal to match 1.
    wybierz(*w, u"cboDane_0"_s, u"2001/02"_s);
    wybierz(*w, u"cboDane_1"_s, u"Legia"_s);
    wybierz(*w, u"cboDane_2"_s, u"Liga"_s);
    data(*w)->setDate(QDate(2001, 8, 5));
    wybierz(*w, u"cboWyn_0"_s, u"2"_s);
    wybierz(*w, u"cboWyn_1"_s, u"1"_s);
    komentarz(*w)->setPlainText(u"Pierwszy mecz"_s);
    Script s;
    s.message(kPoprawne, ui::Answer::Yes);
    s.message(info(u"Dane zostały zapisane."_s), ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mecz(4), mecz(1));
    EXPECT_EQ(bramki(4), (Wiersze{{u"1"_s, u"1"_s, u"-1"_s, u"5"_s, u"1"_s},
                                  {u"2"_s, u"45"_s, u"0"_s, u"3"_s, u"2"_s}}));
    EXPECT_EQ(baza.count(u"Mecze"_s), 5);
}

TEST_F(frmMeczZapis, FailedWriteOfAModifiedMatchKeepsItAsItWas) {
    const auto meczPrzed = mecz(1);
    const auto bramkiPrzed = bramki(1);
    baza.exec(
        u"CREATE TRIGGER blokada BEFORE INSERT ON Bramki "
        "BEGIN SELECT RAISE(ABORT, 'zablokowane'); END"_s);

    auto w = otworz(1);
    wybierz(*w, u"cboWyn_1"_s, u"2"_s);
    komentarz(*w)->setPlainText(u"zmieniony"_s);
    Script s;
    zapiszZBledem(s, *w);
    EXPECT_EQ(mecz(1), meczPrzed);
    EXPECT_EQ(bramki(1), bramkiPrzed);

    // The window kept everything: once the obstacle is gone the same data saves.
    baza.exec(u"DROP TRIGGER blokada"_s);
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    s.message(u"Info"_s, u"Dane zostały zapisane."_s, ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mecz(1).at(0).at(5), u"2"_s);
    EXPECT_EQ(mecz(1).at(0).at(7), u"zmieniony"_s);
    EXPECT_EQ(bramki(1), bramkiPrzed);
}

TEST_F(frmMeczZapis, FailedDuplicateQueryIsReportedAndWritesNothing) {
    auto w = otworz();
    baza.exec(u"ALTER TABLE Mecze RENAME TO MeczeStare"_s);
    Script s;
    zapiszZBledem(s, *w);
    EXPECT_EQ(baza.count(u"MeczeStare"_s), 5);
    s.verify();
    w->hide();
}
