// Saving a match from the editor: what is written, duplicates, the next match and failed
// writes that must leave the diary as it was.
#include "forms/frmMecz.h"

#include "data/Mirvola.h"
#include "support/Diary.h"
#include "support/Script.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using testing_support::Diary;
using testing_support::Script;

namespace {

template <class T>
T* el(const QWidget& w, const QString& nazwa) {
    auto* c = w.findChild<T*>(nazwa);
    EXPECT_NE(c, nullptr) << nazwa.toStdString();
    return c;
}
void wybierz(const QWidget& w, const QString& nazwa, const QString& tekst) {
    auto* c = el<QComboBox>(w, nazwa);
    c->setCurrentIndex(c->findText(tekst));
    EXPECT_EQ(c->currentText(), tekst);
}
void kliknij(const QWidget& w, const QString& nazwa) {
    el<QPushButton>(w, nazwa)->click();
}

// Picks a player of a side by name (through the side's filter) and gives the minute.
void dodajBramke(Script& s, frmMecz& w, int strona, const QString& filtr, const QString& minuta) {
    el<QLineEdit>(w, u"txtFiltr_%1"_s.arg(strona))->setText(filtr);
    kliknij(w, u"cmdFiltruj_%1"_s.arg(strona));
    auto* lista = el<QListWidget>(w, u"lstGracze_%1"_s.arg(strona));
    ASSERT_EQ(lista->count(), 1) << filtr.toStdString();
    s.input(u"Pytanie"_s,
            u"W której minucie "_s + lista->item(0)->text() + u" strzelił bramkę ("_s +
                el<QComboBox>(w, u"cboDane_%1"_s.arg(strona + 3))->currentText() + u")?"_s,
            minuta);
    QTest::keyClick(lista, Qt::Key_Return);
}

// Keeps the error boxes aside, whose texts come from the engine, and scripts the rest.
class SkryptZBledami : public Script {
  public:
    using Script::message;
    ui::Answer message(QWidget* parent, const ui::Message& m) override {
        if (m.title != u"Błąd"_s) {
            return Script::message(parent, m);
        }
        EXPECT_EQ(m.icon, ui::Icon::Critical);
        bledy.push_back(m.text);
        return ui::Answer::Ok;
    }
    std::vector<QString> bledy;
};

bool bladZapisu(const QString& tekst) {
    return tekst.startsWith(u"Wystąpił błąd numer "_s) &&
           tekst.endsWith(u"\n\nDane nie zostały zapisane."_s);
}

class frmMeczZapis : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::setClock([] { return QDateTime(QDate(2003, 5, 10), QTime(12, 0)); });
        baza.fillSample();
    }
    void TearDown() override { ui::setClock({}); }

    std::unique_ptr<frmMecz> otworz(std::optional<double> idMeczu = std::nullopt) {
        Mirvola::blnPoprawa = idMeczu ? Mirvola::True : Mirvola::False;
        Mirvola::dblIdMeczu = idMeczu.value_or(0);
        auto w = std::make_unique<frmMecz>();
        w->show();
        return w;
    }

    // Wisła in the cup on 2003-04-01, 2:1 with host scorers in the minutes 50 and 10 and a
    // guest scorer in the minute 30.
    void wpiszMecz(Script& s, frmMecz& w, const QString& opcja) {
        wybierz(w, u"cboDane_1"_s, u"Wisła"_s);
        wybierz(w, u"cboDane_2"_s, u"Puchar"_s);
        el<QDateEdit>(w, u"DTPDataMeczu"_s)->setDate(QDate(2003, 4, 1));
        el<QRadioButton>(w, opcja)->click();
        wybierz(w, u"cboWyn_0"_s, u"2"_s);
        wybierz(w, u"cboWyn_1"_s, u"1"_s);
        dodajBramke(s, w, 0, u"Nowak"_s, u"50"_s);
        dodajBramke(s, w, 0, u"O'Neil"_s, u"10"_s);
        dodajBramke(s, w, 1, u"Ronaldinho"_s, u"30"_s);
    }

    std::vector<QStringList> mecz(int id) const {
        return baza.rows(
            u"SELECT Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, Id_rozgrywki, "
            "Komentarz FROM Mecze WHERE Id_meczu = %1"_s.arg(id));
    }
    std::vector<QStringList> bramki(int id) const {
        return baza.rows(
            u"SELECT Nr_pozycji, Minuta, Czy_Mirvola, Id_gracza, Id_jak FROM Bramki "
            "WHERE Id_meczu = %1 ORDER BY Nr_pozycji"_s.arg(id));
    }

    Diary baza;
};

}  // namespace

TEST_F(frmMeczZapis, HomeAndAwayMatchesStoreHostGoalsFirst) {
    const struct {
        QString opcja, gdzie, host, guest;
    } przypadki[] = {{u"optWybor_0"_s, u"D"_s, u"-1"_s, u"0"_s},
                     {u"optWybor_1"_s, u"W"_s, u"0"_s, u"-1"_s}};
    int id = 6;
    for (const auto& p : przypadki) {
        auto w = otworz();
        Script s;
        wpiszMecz(s, *w, p.opcja);
        if (p.gdzie == u"W"_s) {
            el<QPlainTextEdit>(*w, u"txtKomentarz"_s)->setPlainText(u"Dwie\nlinie"_s);
        }
        s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
        s.message({u"Pytanie"_s, u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s,
                   ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::Yes},
                  ui::Answer::No);
        kliknij(*w, u"cmdOK"_s);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(w->result(), QDialog::Accepted);

        const QString komentarz = p.gdzie == u"W"_s ? u"Dwie\r\nlinie"_s : u"NULL"_s;
        EXPECT_EQ(mecz(id), (std::vector<QStringList>{{u"2"_s, u"2003-04-01"_s, p.gdzie, u"2"_s,
                                                       u"2"_s, u"1"_s, u"2"_s, komentarz}}));
        EXPECT_EQ(bramki(id),
                  (std::vector<QStringList>{{u"1"_s, u"10"_s, p.host, u"5"_s, u"2"_s},
                                            {u"2"_s, u"50"_s, p.host, u"2"_s, u"2"_s},
                                            {u"3"_s, u"30"_s, p.guest, u"3"_s, u"2"_s}}));
        ++id;
    }
}

TEST_F(frmMeczZapis, NextMatchKeepsSeasonCompetitionDateAndRefusesTheSameMatch) {
    auto w = otworz();
    Script s;
    wybierz(*w, u"cboDane_1"_s, u"Wisła"_s);
    wybierz(*w, u"cboDane_2"_s, u"Puchar"_s);
    el<QDateEdit>(*w, u"DTPDataMeczu"_s)->setDate(QDate(2003, 4, 1));
    wybierz(*w, u"cboWyn_0"_s, u"3"_s);
    dodajBramke(s, *w, 0, u"Żuk"_s, u"77"_s);  // 3 goals, one scorer known
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    s.message(u"Pytanie"_s, u"Dane zostały zapisane.\n\nCzy dopisać kolejny mecz?"_s,
              ui::Answer::Yes);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_EQ(bramki(6), (std::vector<QStringList>{{u"1"_s, u"77"_s, u"-1"_s, u"4"_s, u"2"_s}}));

    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(el<QComboBox>(*w, u"cboDane_0"_s)->currentText(), u"2002/03"_s);
    EXPECT_EQ(el<QComboBox>(*w, u"cboDane_1"_s)->currentText(), u"Legia"_s);
    EXPECT_EQ(el<QComboBox>(*w, u"cboDane_2"_s)->currentText(), u"Puchar"_s);
    EXPECT_EQ(el<QDateEdit>(*w, u"DTPDataMeczu"_s)->date(), QDate(2003, 4, 1));
    EXPECT_EQ(el<QLabel>(*w, u"lblWynik"_s)->text(), u"0 - 0"_s);
    EXPECT_EQ(el<QLabel>(*w, u"lblGosc"_s)->text(), u"Legia"_s);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(w->fgrdStrzelcy(i)->rowCount(), 0);
        EXPECT_TRUE(w->fgrdStrzelcy(i)->isHidden());
        EXPECT_FALSE(el<QListWidget>(*w, u"lstGracze_%1"_s.arg(i))->isEnabled());
    }

    // The same match again, only the comment differs.
    wybierz(*w, u"cboDane_1"_s, u"Wisła"_s);
    wybierz(*w, u"cboWyn_0"_s, u"3"_s);
    el<QPlainTextEdit>(*w, u"txtKomentarz"_s)->setPlainText(u"inny"_s);
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    s.message({u"Komunikat"_s, u"Taki mecz jest już zapisany w bazie !!!"_s, ui::Buttons::Ok,
               ui::Icon::Exclamation, ui::Answer::Ok},
              ui::Answer::Ok);
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

TEST_F(frmMeczZapis, ModifyModeNeverReportsADuplicate) {
    auto w = otworz(4);
    // Make match 4 equal to match 1.
    wybierz(*w, u"cboDane_0"_s, u"2001/02"_s);
    wybierz(*w, u"cboDane_1"_s, u"Legia"_s);
    wybierz(*w, u"cboDane_2"_s, u"Liga"_s);
    el<QDateEdit>(*w, u"DTPDataMeczu"_s)->setDate(QDate(2001, 8, 5));
    wybierz(*w, u"cboWyn_0"_s, u"2"_s);
    wybierz(*w, u"cboWyn_1"_s, u"1"_s);
    el<QPlainTextEdit>(*w, u"txtKomentarz"_s)->setPlainText(u"Pierwszy mecz"_s);
    Script s;
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    s.message({u"Info"_s, u"Dane zostały zapisane."_s, ui::Buttons::Ok, ui::Icon::Information,
               ui::Answer::Ok},
              ui::Answer::Ok);
    kliknij(*w, u"cmdOK"_s);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(mecz(4), mecz(1));
    EXPECT_EQ(bramki(4), (std::vector<QStringList>{{u"1"_s, u"1"_s, u"-1"_s, u"5"_s, u"1"_s},
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
    el<QPlainTextEdit>(*w, u"txtKomentarz"_s)->setPlainText(u"zmieniony"_s);
    SkryptZBledami s;
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    kliknij(*w, u"cmdOK"_s);
    ASSERT_EQ(s.bledy.size(), 1u);
    EXPECT_TRUE(bladZapisu(s.bledy.front())) << s.bledy.front().toStdString();
    EXPECT_TRUE(w->isVisible());
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
    SkryptZBledami s;
    s.message(u"Pytanie"_s, u"Czy dane są poprawne?"_s, ui::Answer::Yes);
    kliknij(*w, u"cmdOK"_s);
    ASSERT_EQ(s.bledy.size(), 1u);
    EXPECT_TRUE(bladZapisu(s.bledy.front())) << s.bledy.front().toStdString();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(baza.count(u"MeczeStare"_s), 5);
    s.verify();
    w->hide();
}
