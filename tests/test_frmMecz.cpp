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
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextCharFormat>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using namespace testing_support;
using ui::Answer;

namespace {

const ui::Message kPoprawne = question(u"Czy dane są poprawne?"_s);
const ui::Message kZapisane = info(u"Dane zostały zapisane."_s);
const ui::Message kKolejny = question(u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s);

QStringList zlacz(const std::vector<QStringList>& wiersze) {
    QStringList wynik;
    for (const QStringList& w : wiersze) {
        wynik << w.join(u'|');
    }
    return wynik;
}

class frmMeczTest : public ::testing::Test {
  protected:
    template <class T>
    T* nr(const char* nazwa, int i) const {
        return child<T>(*w, QString::fromLatin1(nazwa) + QString::number(i));
    }
    QComboBox* dane(int i) const { return nr<QComboBox>("cboDane_", i); }
    QComboBox* wyn(int i) const { return nr<QComboBox>("cboWyn_", i); }
    QListWidget* gracze(int i) const { return nr<QListWidget>("lstGracze_", i); }
    QRadioButton* opcja(int i) const { return nr<QRadioButton>("optWybor_", i); }
    QTableWidget* siatka(int i) const { return w->fgrdStrzelcy(i); }
    QDateEdit* data() const { return child<QDateEdit>(*w, "DTPDataMeczu"); }
    QPlainTextEdit* komentarz() const { return child<QPlainTextEdit>(*w, "txtKomentarz"); }
    void kliknij(const char* nazwa) const { child<QPushButton>(*w, nazwa)->click(); }
    // Host, score and guest as the labels show them.
    QString para() const {
        return labelText(*w, "lblGosp") + u" | "_s + labelText(*w, "lblWynik") + u" | "_s +
               labelText(*w, "lblGosc");
    }
    QStringList minuty(int strona) const { return column(siatka(strona), 1); }
    QStringList wiersze(int strona) const { return zlacz(cells(siatka(strona))); }

    // Per side '+' when all its scorer controls are enabled, '-' when all are disabled, '?' when
    // they disagree.
    QString strony() const {
        QString wynik;
        for (int i = 0; i < 2; ++i) {
            const bool lista = gracze(i)->isEnabled();
            const bool zgodne = dane(i + 3)->isEnabled() == lista &&
                                nr<QLineEdit>("txtFiltr_", i)->isEnabled() == lista &&
                                nr<QPushButton>("cmdFiltruj_", i)->isEnabled() == lista;
            wynik += !zgodne ? u'?' : lista ? u'+' : u'-';
        }
        return wynik;
    }

    static void wybierz(QComboBox* c, const QString& tekst) {
        c->setCurrentIndex(c->findText(tekst));
        EXPECT_EQ(c->currentText(), tekst);
    }
    void filtruj(int strona, const QString& tekst) const {
        nr<QLineEdit>("txtFiltr_", strona)->setText(tekst);
        nr<QPushButton>("cmdFiltruj_", strona)->click();
    }
    void pokazAktywne() const {
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }

    // Picks the player on row `gracz` of a side with Enter and answers the minute questions.
    void dodajBramke(Script& s, int strona, int gracz, const QStringList& odpowiedzi) const {
        QListWidget* lista = gracze(strona);
        lista->setCurrentRow(gracz);
        const QString pytanie = u"W której minucie "_s + lista->currentItem()->text() +
                                u" strzelił bramkę ("_s + dane(strona + 3)->currentText() + u")?"_s;
        for (const QString& odpowiedz : odpowiedzi) {
            s.input({u"Pytanie"_s, pytanie, QString()}, odpowiedz);
        }
        QTest::keyClick(lista, Qt::Key_Return);
        EXPECT_TRUE(s.done());
    }
    // Picks the only player of a side the filter leaves and gives the minute.
    void dodajStrzelca(Script& s, int strona, const QString& filtr, const QString& minuta) const {
        filtruj(strona, filtr);
        ASSERT_EQ(gracze(strona)->count(), 1) << filtr.toStdString();
        dodajBramke(s, strona, 0, {minuta});
    }

    void otworz(std::optional<double> idMeczu = std::nullopt, bool pokaz = false) {
        Mirvola::blnPoprawa = idMeczu ? Mirvola::True : Mirvola::False;
        Mirvola::dblIdMeczu = idMeczu.value_or(0);
        w.reset();
        w = std::make_unique<frmMecz>();
        if (pokaz) {
            w->show();
        }
    }

    FixedClock zegar{QDate(2003, 5, 10)};
    SampleDiary baza;
    std::unique_ptr<frmMecz> w;
};

}  // namespace

TEST_F(frmMeczTest, AddModeWithEmptyDictionariesListsTheMissingChoices) {
    Diary pusta;
    pusta.exec(u"INSERT INTO Gracze (Imie, Nazwisko) VALUES ('Jan', 'Lis')"_s);
    otworz();
    EXPECT_EQ(w->windowTitle(), u"Mecze - dopisanie"_s);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(dane(i)->currentIndex(), -1);
    }
    // Today, and no later date can be chosen.
    EXPECT_EQ(data()->date(), QDate(2003, 5, 10));
    EXPECT_EQ(data()->maximumDate(), QDate(2003, 5, 10));
    Script s;
    // No kind of goal, no scorer.
    wyn(0)->setCurrentIndex(1);
    s.message(u"Komunikat"_s, u"Brak zdefinowanych sposobów strzelenia bramki !!!"_s);
    QTest::keyClick(gracze(0), Qt::Key_Return);
    EXPECT_EQ(siatka(0)->rowCount(), 0);
    s.message(notice(u"Należy podać brakujące dane:\n\n- Sezon\n- Przeciwnik\n- Rozgrywki"_s),
              Answer::Ok);
    kliknij("cmdOK");
}

TEST_F(frmMeczTest, AddModeStartsAtZeroAndTheScoreEnablesASide) {
    otworz();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dane(i)->currentText(), qs({"2002/03", "Legia", "Liga", "karny"})[i]);
    }
    EXPECT_TRUE(opcja(0)->isChecked());
    EXPECT_EQ(para(), u"Mirvola Wendrow | 0 - 0 | Legia"_s);
    EXPECT_EQ(texts(gracze(0)),
              qs({"Jan Kowalski Kowal", "Adam Nowak", "Sean O'Neil", "Ronaldinho", "Piotr Żuk"}));
    EXPECT_TRUE(siatka(0)->isHidden() && siatka(1)->isHidden());
    EXPECT_EQ(strony(), u"--"_s);

    wyn(1)->setCurrentIndex(2);
    EXPECT_EQ(strony(), u"-+"_s);
    opcja(1)->click();
    EXPECT_EQ(para(), u"Legia | 0 - 2 | Mirvola Wendrow"_s);
    dane(1)->setCurrentIndex(3);
    EXPECT_EQ(labelText(*w, "lblGosp"), u"Wisła"_s);
    // A season sets the year of the date and keeps day and month.
    dane(0)->setCurrentIndex(0);
    EXPECT_EQ(data()->date(), QDate(2001, 5, 10));

    Script s;
    s.message(u"Info"_s,
              u"Aby dodać strzelca bramki należy dwukrotnie kliknąć\nna żądanego zawodnika."_s);
    kliknij("cmdHelp");
}

TEST_F(frmMeczTest, StoredMatchesSplitTheirGoalsBetweenTheGrids) {
    // Away: the home club's goals are the guest's.
    otworz(2);
    EXPECT_EQ(w->windowTitle(), u"Mecze - modyfikacja"_s);
    EXPECT_TRUE(opcja(1)->isChecked());
    EXPECT_EQ(para(), u"Wisła | 1 - 2 | Mirvola Wendrow"_s);
    EXPECT_EQ(dane(0)->currentText(), u"2001/02"_s);
    EXPECT_EQ(data()->date(), QDate(2002, 5, 5));
    EXPECT_EQ(wiersze(0), qs({"Ronaldinho|7|z gry|3|1"}));
    EXPECT_EQ(wiersze(1), qs({"Jan Kowalski|20|z gry|1|1", "Piotr Żuk|88|samobójczy|4|3"}));
    EXPECT_EQ(siatka(1)->currentRow(), 1);
    EXPECT_EQ(strony(), u"--"_s);

    // At home 3:3 with one goal row a side: both sides stay open for scorers.
    otworz(4);
    EXPECT_EQ(labelText(*w, "lblGosc"), u"O'Higgins"_s);
    EXPECT_EQ(dane(2)->currentText(), u"Puchar"_s);
    EXPECT_EQ(minuty(0), qs({"1"}));
    EXPECT_EQ(minuty(1), qs({"45"}));
    EXPECT_EQ(strony(), u"++"_s);
    EXPECT_EQ(komentarz()->toPlainText(), QString());

    otworz(3);  // neutral
    EXPECT_TRUE(opcja(2)->isChecked());
}

TEST_F(frmMeczTest, GoalRowsAreAskedForSortedAndCloseTheSide) {
    otworz();
    Script s;
    wyn(0)->setCurrentIndex(3);
    // Not numbers or outside 1..120: asked again without a message.
    dodajBramke(s, 0, 0, qs({"0", "121", "abc", "80"}));
    dodajBramke(s, 0, 1, qs({"15"}));
    dodajBramke(s, 0, 2, qs({""}));  // an empty answer adds nothing
    dodajBramke(s, 0, 2, qs({"30"}));
    EXPECT_EQ(wiersze(0), qs({"Adam Nowak|15|karny|2|2", "Sean O'Neil|30|karny|5|2",
                              "Jan Kowalski Kowal|80|karny|1|2"}));
    EXPECT_EQ(siatka(0)->currentRow(), 2);
    EXPECT_EQ(strony(), u"--"_s);

    // From the fourth goal row on the name column narrows; below it widens again.
    wyn(0)->setCurrentIndex(4);
    EXPECT_EQ(strony(), u"+-"_s);
    const int szeroka = siatka(0)->columnWidth(0);
    dodajBramke(s, 0, 3, qs({"120"}));
    EXPECT_EQ(siatka(0)->columnWidth(0), ui::twips(2465, siatka(0)));
    siatka(0)->setCurrentCell(0, 0);
    s.message(question(u"Czy na pewno usunąć bramkę, którą strzelił Adam Nowak w 15 minucie?"_s),
              Answer::Yes);
    QTest::keyClick(siatka(0), Qt::Key_Delete);
    EXPECT_EQ(siatka(0)->columnWidth(0), szeroka);
    EXPECT_EQ(minuty(0), qs({"30", "80", "120"}));

    // 1 is accepted; a half rounds to the even neighbour.
    wyn(1)->setCurrentIndex(3);
    dodajBramke(s, 1, 0, qs({"1"}));
    EXPECT_FALSE(siatka(1)->isHidden());
    dodajBramke(s, 1, 0, qs({"2,5"}));
    dodajBramke(s, 1, 0, qs({"3.5"}));
    EXPECT_EQ(minuty(1), qs({"1", "2", "4"}));

    // Lowering a score below its goal rows falls back to the number of rows.
    s.message(notice(u"Liczba bramek będzie mniejsza od liczby wpisanych strzelców !!!\n"
                     "Należy usunąć szczegółowe dane dotyczące strzelonych goli."_s),
              Answer::Ok);
    wyn(1)->setCurrentIndex(1);
    EXPECT_EQ(wyn(1)->currentText(), u"3"_s);
    EXPECT_EQ(labelText(*w, "lblWynik"), u"4 - 3"_s);
    EXPECT_EQ(strony(), u"+-"_s);
}

TEST_F(frmMeczTest, DeletingGoalRowsAndThePopUpMenu) {
    otworz(1);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTableWidget* g0 = siatka(0);
    QTableWidget* g1 = siatka(1);
    auto* menu = child<QMenu>(*w, "mnuOperacje");
    ASSERT_NE(menu, nullptr);

    // The header opens no menu; it selects the first goal row.
    QTest::mousePress(g1->horizontalHeader()->viewport(), Qt::RightButton, {}, QPoint(20, 5));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(g1->currentRow(), 0);
    QTest::mousePress(g0->viewport(), Qt::RightButton, {},
                      g0->visualItemRect(g0->item(0, 0)).center());
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    Script s;
    const auto pytanie = [](const char* kto) {
        return question(u"Czy na pewno usunąć bramkę, którą strzelił "_s + QString::fromUtf8(kto) +
                        u" minucie?"_s);
    };
    s.message(pytanie("Jan Kowalski w 10"), Answer::No);
    child<QAction>(*w, "itmUsun")->trigger();
    EXPECT_EQ(g0->rowCount(), 2);
    s.message(pytanie("Jan Kowalski w 10"), Answer::Yes);
    child<QAction>(*w, "itmUsun")->trigger();
    EXPECT_EQ(minuty(0), qs({"50"}));
    EXPECT_EQ(strony(), u"+-"_s);

    // Delete on the guest grid removes its only row and hides it.
    g1->setFocus();
    g1->setCurrentCell(0, 0);
    s.message(pytanie("Ronaldinho w 30"), Answer::Yes);
    QTest::keyClick(g1, Qt::Key_Delete);
    EXPECT_EQ(g1->rowCount(), 0);
    EXPECT_TRUE(g1->isHidden());
    EXPECT_EQ(strony(), u"++"_s);
    // Choosing 0 for a side without goal rows closes it.
    wyn(1)->setCurrentIndex(0);
    EXPECT_EQ(strony(), u"+-"_s);
}

TEST_F(frmMeczTest, FilterKeepsOrderAcceptsApostrophesAndPolishLettersAndIsTrimmed) {
    otworz();
    pokazAktywne();
    wyn(0)->setCurrentIndex(1);
    wyn(1)->setCurrentIndex(1);
    const QStringList wszyscy = texts(gracze(0));
    const std::pair<QString, QStringList> przypadki[] = {
        {u"ow"_s, qs({"Jan Kowalski Kowal", "Adam Nowak"})},
        {u"KowalskiKowal"_s, qs({"Jan Kowalski Kowal"})},  // the names run together
        {u"ŻU"_s, qs({"Piotr Żuk"})},
        {u"N?wak"_s, qs({"Adam Nowak"})},  // the filter's wildcards keep their meaning
        {u"[N"_s, {}},                     // an unclosed bracket is only a character
        {QString(), wszyscy},
    };
    for (const auto& [filtr, lista] : przypadki) {
        filtruj(0, filtr);
        EXPECT_EQ(texts(gracze(0)), lista) << filtr.toStdString();
    }

    // Leaving the filter box trims it, and so does applying it by its access key.
    auto* filtr = child<QLineEdit>(*w, "txtFiltr_0");
    filtr->setText(u"  Nowak "_s);
    QFocusEvent wyjscie(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(filtr, &wyjscie);
    EXPECT_EQ(filtr->text(), u"Nowak"_s);
    for (const auto& [strona, klawisz] : {std::pair{0, Qt::Key_F}, std::pair{1, Qt::Key_L}}) {
        filtr = nr<QLineEdit>("txtFiltr_", strona);
        filtr->clear();
        filtr->setFocus();
        QTest::keyClicks(filtr, u" Nowak "_s);
        QTest::keyClick(filtr, klawisz, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return gracze(strona)->count() == 1; }, 2000));
        EXPECT_EQ(texts(gracze(strona)), qs({"Adam Nowak"}));
        EXPECT_EQ(filtr->text(), u"Nowak"_s);
    }
}

TEST_F(frmMeczTest, ClosingAsksUnlessTheAnswerIsNo) {
    const std::pair<std::optional<double>, QString> tryby[] = {
        {std::nullopt, u"Czy przerwać dodawanie danych?"_s}, {1, u"Czy przerwać edycję danych?"_s}};
    for (const auto& [id, pytanie] : tryby) {
        otworz(id);
        w->show();
        // The close box and Escape, each in both modes.
        const auto zamknij = [&](bool escape) {
            escape ? QTest::keyClick(w.get(), Qt::Key_Escape) : void(w->close());
        };
        Script s;
        s.message(question(pytanie), Answer::No);
        zamknij(!id);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(minuty(0), id ? qs({"10", "50"}) : QStringList());
        s.message(question(pytanie), Answer::Yes);
        zamknij(id.has_value());
        EXPECT_FALSE(w->isVisible());
    }
}

TEST_F(frmMeczTest, RefreshFollowsChangedDictionaries) {
    // Goals of players a filter hides stay; a filter typed but never applied is no filter.
    for (const QString& filtr : {u"Nowak"_s, u"nikt taki"_s}) {
        otworz(4);  // host goal row: Sean O'Neil; guest: Ronaldinho
        filtruj(0, filtr);
        child<QLineEdit>(*w, "txtFiltr_1")->setText(u"nikt taki"_s);
        w->OdswiezPoSlownikach(w->Zapamietaj());
        EXPECT_EQ(wiersze(0), qs({"Sean O'Neil|1|z gry|5|1"})) << filtr.toStdString();
        EXPECT_EQ(minuty(1), qs({"45"}));
        EXPECT_EQ(texts(gracze(0)), filtr == u"Nowak"_s ? qs({"Adam Nowak"}) : QStringList());
        EXPECT_EQ(gracze(1)->count(), 5);
    }

    otworz(1, true);
    {
        // The dictionaries window changes the diary while it is open over the editor. Goals
        // whose player or kind is gone go with them, and the user is told which.
        Script s;
        s.modal(u"frmSlowniki"_s, [this](QDialog*) {
            baza.exec(
                u"UPDATE Gracze SET Nazwisko = 'Kowalczyk' WHERE Id_gracza = 1;"
                "DELETE FROM Gracze WHERE Id_gracza = 3; DELETE FROM Jak WHERE Id_jak = 2;"
                "UPDATE Jak SET Jak = 'WWWWWWWWWW' WHERE Id_jak = 1;"
                "DELETE FROM Kluby WHERE Id_klubu = 1; INSERT INTO Sezony (Sezon) VALUES "
                "('2000/01')"_s);
        });
        s.message(info(u"Usunięto bramki: Adam Nowak 50', Ronaldinho 30'."_s), Answer::Ok);
        kliknij("cmdSlowniki");
    }
    EXPECT_EQ(wiersze(0), qs({"Jan Kowalczyk Kowal|10|WWWWWWWWWW|1|1"}));
    // The kind's column widens to hold the longer kind whole, as the style lays the cell out.
    const QTableWidget* g = siatka(0);
    const int margines = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    EXPECT_GE(g->visualItemRect(g->item(0, 2)).width() - margines,
              g->fontMetrics().horizontalAdvance(u"WWWWWWWWWW"_s));
    EXPECT_EQ(siatka(1)->rowCount(), 0);
    EXPECT_TRUE(siatka(1)->isHidden());
    // 2:1 with one host goal row left and no guest one: both lists take scorers again.
    EXPECT_TRUE(gracze(0)->isEnabled() && gracze(1)->isEnabled());
    EXPECT_EQ(labelText(*w, "lblGosc"), u"Łódzki KS"_s);
    EXPECT_EQ(dane(0)->currentText(), u"2001/02"_s);
    EXPECT_EQ(dane(3)->count(), 2);
    EXPECT_EQ(data()->date(), QDate(2001, 8, 5));
}

TEST_F(frmMeczTest, TabStopsAtEachScorerGridOnceAndAtTheChosenVenue) {
    otworz(1);
    pokazAktywne();
    QTableWidget* g = siatka(0);
    g->setFocus();
    g->setCurrentCell(0, 0);
    QTest::keyClick(g, Qt::Key_Down);
    EXPECT_EQ(g->currentRow(), 1);
    EXPECT_TRUE(g->hasFocus());
    QStringList przystanki;
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        przystanki << QApplication::focusWidget()->objectName();
    }
    // Side 0 has all its goal rows, so its scorer controls are off and Tab passes them.
    EXPECT_EQ(przystanki.first(), u"fgrdStrzelcy_1"_s);
    EXPECT_EQ(przystanki.count(u"fgrdStrzelcy_1"_s), 1);
    EXPECT_TRUE(przystanki.contains(u"txtKomentarz"_s) && przystanki.contains(u"cmdOK"_s));

    // Tab into the venue lands on the chosen option.
    otworz(2);  // away
    pokazAktywne();
    ASSERT_TRUE(opcja(1)->isChecked());
    dane(2)->setFocus();
    QTest::keyClick(dane(2), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), opcja(1));
    QTest::keyClick(opcja(1), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), wyn(0));
    // Another venue chosen with the arrows is the one Tab comes back to.
    opcja(2)->click();
    QTest::keyClick(wyn(0), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), opcja(2));
}

TEST_F(frmMeczTest, DateTakesDigitsInTheClickedFieldAndGreysFutureDays) {
    otworz(2);  // 2002-05-05
    pokazAktywne();
    // The date takes digits in the clicked field, and future days are greyed.
    QDateEdit* d = data();
    auto* pole = d->findChild<QLineEdit*>();
    ASSERT_NE(pole, nullptr);
    // Clicks the box over the character at `pozycja` of "yyyy-MM-dd" and types `cyfry`.
    const auto wpisz = [&](int pozycja, const QString& cyfry) {
        for (int x = 0; x < pole->width(); ++x) {
            if (pole->cursorPositionAt(QPoint(x, pole->height() / 2)) == pozycja) {
                QTest::mouseClick(pole, Qt::LeftButton, {}, QPoint(x + 1, pole->height() / 2));
                return QTest::keyClicks(d, cyfry);
            }
        }
        ADD_FAILURE() << "no point for position " << pozycja;
    };
    wpisz(9, u"21"_s);
    EXPECT_EQ(d->date(), QDate(2002, 5, 21));
    // Left and Right go from field to field.
    QTest::keyClick(d, Qt::Key_Left);
    QTest::keyClicks(d, u"11"_s);
    EXPECT_EQ(d->date(), QDate(2002, 11, 21));

    // Days after today cannot be picked, and look it.
    QCalendarWidget* kalendarz = d->calendarWidget();
    const QColor szary = kalendarz->palette().color(QPalette::Disabled, QPalette::Text);
    kalendarz->setCurrentPage(2003, 5);
    const auto kolor = [&](int m, int dz) {
        return kalendarz->dateTextFormat(QDate(2003, m, dz)).foreground().color();
    };
    EXPECT_EQ(kolor(5, 11), szary);
    EXPECT_NE(kolor(5, 10), szary);
}

// ---- saving

namespace {

class frmMeczZapis : public frmMeczTest {
  protected:
    void otworz(std::optional<double> idMeczu = std::nullopt) {
        frmMeczTest::otworz(idMeczu, true);
    }

    // Wisła in the cup on 2003-04-01, `wyn1`:`wyn2`.
    void wpiszMecz(const QString& wyn1, const QString& wyn2) const {
        wybierz(dane(1), u"Wisła"_s);
        wybierz(dane(2), u"Puchar"_s);
        data()->setDate(QDate(2003, 4, 1));
        wybierz(wyn(0), wyn1);
        wybierz(wyn(1), wyn2);
    }

    QStringList mecz(int id) const {
        return zlacz(
            baza.rows(u"SELECT Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki, "
                      "Komentarz FROM Mecze WHERE Id_meczu = %1"_s.arg(id)));
    }
    QStringList bramki(int id) const {
        return zlacz(
            baza.rows(u"SELECT Nr_pozycji, Minuta, Czy_Mirvola, Id_gracza, Id_jak FROM Bramki "
                      "WHERE Id_meczu = %1 ORDER BY Nr_pozycji"_s.arg(id)));
    }

    // Confirms the data with "&OK" and expects the save to fail with the standard message, the
    // window staying open.
    void zapiszZBledem(Script& s) const {
        s.collectErrors();
        s.message(kPoprawne, Answer::Yes);
        kliknij("cmdOK");
        ASSERT_EQ(s.errors().size(), 1);
        const QString tekst = s.errors().front();
        EXPECT_TRUE(tekst.startsWith(u"Wystąpił błąd numer "_s) &&
                    tekst.endsWith(u"\n\nDane nie zostały zapisane."_s))
            << tekst.toStdString();
        EXPECT_TRUE(w->isVisible());
    }
};

}  // namespace

TEST_F(frmMeczZapis, NewMatchesStoreHostGoalsFirstAndTheNextMatchKeepsItsChoices) {
    otworz();
    Script s;
    // Away 3:1 with a two-line comment: the home club's goals come first (at home the editor's
    // saves below store Mirvola's first); the next match wanted.
    wpiszMecz(u"3"_s, u"1"_s);
    opcja(1)->click();
    dodajStrzelca(s, 0, u"Nowak"_s, u"50"_s);
    dodajStrzelca(s, 0, u"O'Neil"_s, u"10"_s);
    dodajStrzelca(s, 1, u"Ronaldinho"_s, u"30"_s);
    komentarz()->setPlainText(u"Dwie\nlinie"_s);
    s.message(kPoprawne, Answer::Yes);
    s.message(kKolejny, Answer::Yes);
    kliknij("cmdOK");
    EXPECT_EQ(mecz(6), qs({"2|2003-04-01|W|2|3|1|2|Dwie\r\nlinie"}));
    EXPECT_EQ(bramki(6), qs({"1|10|0|5|2", "2|50|0|2|2", "3|30|-1|3|2"}));

    // The next match keeps season, competition, venue and date, and starts at 0:0 without
    // scorers or comment.
    ASSERT_TRUE(w->isVisible());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dane(i)->currentText(), qs({"2002/03", "Legia", "Puchar"})[i]);
    }
    EXPECT_EQ(data()->date(), QDate(2003, 4, 1));
    EXPECT_EQ(para(), u"Legia | 0 - 0 | Mirvola Wendrow"_s);
    EXPECT_EQ(siatka(0)->rowCount() + siatka(1)->rowCount(), 0);
    EXPECT_EQ(strony(), u"--"_s);
    EXPECT_EQ(komentarz()->toPlainText(), QString());

    // The same match again, only the comment differs, is refused; No to the confirmation
    // writes nothing; No to the next match closes the window.
    wpiszMecz(u"3"_s, u"1"_s);
    komentarz()->setPlainText(u"inny"_s);
    s.message(kPoprawne, Answer::Yes);
    s.message(notice(u"Taki mecz jest już zapisany w bazie !!!"_s), Answer::Ok);
    kliknij("cmdOK");
    EXPECT_TRUE(w->isVisible());
    wybierz(wyn(1), u"2"_s);
    s.message(kPoprawne, Answer::No);
    kliknij("cmdOK");
    EXPECT_EQ(baza.count(u"Mecze"_s), 6);
    s.message(kPoprawne, Answer::Yes);
    s.message(kKolejny, Answer::No);
    kliknij("cmdOK");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(mecz(7), qs({"2|2003-04-01|W|2|3|2|2|inny"}));
}

TEST_F(frmMeczZapis, GoalWhoseKindWasDeletedIsMarkedAndNotSavedUntilCorrected) {
    baza.exec(u"DELETE FROM Jak WHERE Id_jak = 2"_s);  // Adam Nowak's penalty in match 1
    const QStringList przed = bramki(1);
    otworz(1);
    QTableWidget* g = siatka(0);
    EXPECT_EQ(wiersze(0).at(1), u"Adam Nowak|50||2|"_s);
    const auto oznaczony = [g](int r) {
        return g->item(r, 2)->background().style() != Qt::NoBrush &&
               !g->item(r, 0)->toolTip().isEmpty();
    };
    EXPECT_TRUE(oznaczony(1));
    EXPECT_FALSE(oznaczony(0));

    Script s;
    s.message(notice(u"Brak rodzaju gola dla bramki, którą strzelił Adam Nowak w 50 minucie !!!\n"
                     "Należy go wybrać, poprawiając bramkę."_s),
              Answer::Ok);
    kliknij("cmdOK");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(bramki(1), przed);

    // The kind chosen in the correction dialog ends the mark, and the match saves.
    g->setCurrentCell(1, 0);
    s.modal(u"frmPoprawaGola"_s, [](QDialog* d) {
        auto* jak = child<QComboBox>(*d, "cboJak");
        EXPECT_EQ(jak->currentIndex(), -1);
        wybierz(jak, u"z gry"_s);
        child<QPushButton>(*d, "cmdOK")->click();
    });
    QTest::keyClick(g, Qt::Key_Return);
    EXPECT_FALSE(oznaczony(1));
    s.message(kPoprawne, Answer::Yes);
    s.message(kZapisane, Answer::Ok);
    kliknij("cmdOK");
    EXPECT_EQ(bramki(1), qs({"1|10|-1|1|1", "2|50|-1|2|1", "3|30|0|3|1"}));
}

// On neutral ground the home club is named first, as at home: its goals are the host's.
TEST_F(frmMeczZapis, OnNeutralGroundTheHostGoalsCountForTheHomeClub) {
    otworz();
    Script s;
    wpiszMecz(u"1"_s, u"1"_s);
    opcja(2)->click();
    dodajStrzelca(s, 0, u"Nowak"_s, u"50"_s);
    dodajStrzelca(s, 1, u"Ronaldinho"_s, u"30"_s);
    s.message(kPoprawne, Answer::Yes);
    s.message(kKolejny, Answer::No);
    kliknij("cmdOK");
    EXPECT_EQ(mecz(6), qs({"2|2003-04-01|N|2|1|1|2|NULL"}));
    EXPECT_EQ(bramki(6), qs({"1|50|-1|2|2", "2|30|0|3|2"}));
}

// A stored match is a duplicate only when all seven values agree: each one changed alone makes
// a new match, which is saved.
TEST_F(frmMeczZapis, EveryValueOfAMatchTakesPartInTheDuplicateTest) {
    // Wisła, away in the cup on 2003-04-01, stored 3:1 (the home club lost).
    baza.exec(
        u"INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, "
        "Id_rozgrywki) VALUES (10, 2, '2003-04-01', 'W', 2, 3, 1, 2)"_s);
    struct Zmiana {
        const char* co;
        std::function<void()> wpisz;
        const char* zapisany;  // season|date|venue|club|Wyn1|Wyn2|competition
    };
    const Zmiana zmiany[] = {
        {"nothing", [] {}, nullptr},
        {"season",
         [&] {
             wybierz(dane(0), u"2001/02"_s);  // a season sets the year: the date again
             data()->setDate(QDate(2003, 4, 1));
         },
         "1|2003-04-01|W|2|3|1|2"},
        {"date", [&] { data()->setDate(QDate(2003, 4, 2)); }, "2|2003-04-02|W|2|3|1|2"},
        {"club", [&] { wybierz(dane(1), u"Legia"_s); }, "2|2003-04-01|W|1|3|1|2"},
        {"competition", [&] { wybierz(dane(2), u"Liga"_s); }, "2|2003-04-01|W|2|3|1|1"},
        {"venue at home", [&] { opcja(0)->click(); }, "2|2003-04-01|D|2|3|1|2"},
        {"venue neutral", [&] { opcja(2)->click(); }, "2|2003-04-01|N|2|3|1|2"},
        {"host score", [&] { wybierz(wyn(0), u"2"_s); }, "2|2003-04-01|W|2|2|1|2"},
        {"guest score", [&] { wybierz(wyn(1), u"2"_s); }, "2|2003-04-01|W|2|3|2|2"},
    };
    for (const Zmiana& z : zmiany) {
        SCOPED_TRACE(z.co);
        otworz();
        wpiszMecz(u"3"_s, u"1"_s);
        opcja(1)->click();
        z.wpisz();
        Script s;
        s.message(kPoprawne, Answer::Yes);
        if (z.zapisany) {
            s.message(kKolejny, Answer::No);
        } else {
            s.message(notice(u"Taki mecz jest już zapisany w bazie !!!"_s), Answer::Ok);
        }
        kliknij("cmdOK");
        s.verify();
        const auto ostatni = baza.rows(
            u"SELECT Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki FROM Mecze "
            "ORDER BY Id_meczu DESC LIMIT 1"_s);
        EXPECT_EQ(ostatni.front().join(u'|'),
                  QString::fromLatin1(z.zapisany ? z.zapisany : "2|2003-04-01|W|2|3|1|2"));
    }
    EXPECT_EQ(baza.count(u"Mecze"_s), 5 + 1 + 8);
}

TEST_F(frmMeczZapis, ModifyModeNeverReportsADuplicate) {
    otworz(4);
    // Make match 4 equal to match 1.
    wybierz(dane(0), u"2001/02"_s);
    wybierz(dane(1), u"Legia"_s);
    wybierz(dane(2), u"Liga"_s);
    wybierz(wyn(0), u"2"_s);
    wybierz(wyn(1), u"1"_s);
    data()->setDate(QDate(2001, 8, 5));
    komentarz()->setPlainText(u"Pierwszy mecz"_s);
    Script s;
    s.message(kPoprawne, Answer::Yes);
    s.message(kZapisane, Answer::Ok);
    kliknij("cmdOK");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mecz(4), mecz(1));
    EXPECT_EQ(bramki(4), qs({"1|1|-1|5|1", "2|45|0|3|2"}));
    EXPECT_EQ(baza.count(u"Mecze"_s), 5);
}

TEST_F(frmMeczZapis, FailedWritesKeepTheDiaryAsItWas) {
    const QStringList meczPrzed = mecz(1), bramkiPrzed = bramki(1);
    otworz(1);
    wybierz(wyn(1), u"2"_s);
    komentarz()->setPlainText(u"zmieniony"_s);
    // The goals' insert fails after the match row and the old goals were written (triggers
    // never run in the program's connections, so a renamed column is the obstacle).
    baza.exec(u"ALTER TABLE Bramki RENAME COLUMN Minuta TO Minuta_blokada"_s);
    Script s;
    zapiszZBledem(s);
    baza.exec(u"ALTER TABLE Bramki RENAME COLUMN Minuta_blokada TO Minuta"_s);
    EXPECT_EQ(mecz(1), meczPrzed);
    EXPECT_EQ(bramki(1), bramkiPrzed);

    // The window kept everything: once the obstacle is gone the same data saves.
    s.message(kPoprawne, Answer::Yes);
    s.message(kZapisane, Answer::Ok);
    kliknij("cmdOK");
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mecz(1), qs({"1|2001-08-05|D|1|2|2|1|zmieniony"}));
    EXPECT_EQ(bramki(1), bramkiPrzed);

    // A failed query for duplicates writes nothing either.
    otworz();
    baza.exec(u"ALTER TABLE Mecze RENAME TO MeczeStare"_s);
    Script s2;
    zapiszZBledem(s2);
    EXPECT_EQ(baza.count(u"MeczeStare"_s), 5);
}
