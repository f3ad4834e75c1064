// The goal correction dialog over the match editor's grids.
#include "forms/frmPoprawaGola.h"

#include "data/Mirvola.h"
#include "forms/Toolkit.h"
#include "forms/frmMecz.h"
#include "support/Diary.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

class frmPoprawaGolaTest : public ::testing::Test {
  protected:
    // Match 1: host rows Jan Kowalski 10' and Adam Nowak 50', guest row Ronaldinho 30'.
    void SetUp() override {
        Mirvola::blnPoprawa = Mirvola::True;
        Mirvola::dblIdMeczu = 1;
        w = std::make_unique<frmMecz>();
        w->move(100, 60);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }

    QStringList wiersze(int strona) const {
        QStringList wynik;
        for (const QStringList& r : cells(w->fgrdStrzelcy(strona))) {
            wynik << r.join(u'|');
        }
        return wynik;
    }
    // Opens the correction of a row with Enter on its grid; `drive` works the dialog.
    void popraw(int strona, int r, std::function<void(QDialog*)> drive) {
        QTableWidget* g = w->fgrdStrzelcy(strona);
        g->setCurrentCell(r, 0);
        s.modal(u"frmPoprawaGola"_s, std::move(drive));
        QTest::keyClick(g, Qt::Key_Return);
        EXPECT_TRUE(s.done());
    }
    static QLineEdit* pole(QDialog* d, const char* nazwa) { return child<QLineEdit>(*d, nazwa); }
    static QListWidget* lista(QDialog* d) { return child<QListWidget>(*d, "lstGraczePopr"); }
    static void ok(QDialog* d) { child<QPushButton>(*d, "cmdOK")->click(); }

    FixedClock zegar{QDate(2003, 5, 10)};
    SampleDiary baza;
    std::unique_ptr<frmMecz> w;
    Script s;
};

}  // namespace

TEST_F(frmPoprawaGolaTest, LiesOverItsGridOnTheScreenAndTheCloseBoxChangesNothing) {
    screenshot(*w, u"frmMecz"_s);
    const QRect ekran = w->screen()->availableGeometry();
    const QSize rozmiar = w->frameGeometry().size();
    // Where it usually is, and in the screen's corner where the dialog must be moved back on it.
    const QPoint miejsca[] = {QPoint(100, 60), QPoint(ekran.right() - rozmiar.width() + 1,
                                                      ekran.bottom() - rozmiar.height() + 1)};
    for (const QPoint& miejsce : miejsca) {
        w->move(miejsce);
        const bool zwykle = &miejsce == miejsca;
        for (int strona = 0; strona < 2; ++strona) {
            SCOPED_TRACE(strona);
            const QStringList przed = wiersze(strona);
            popraw(strona, 0, [&](QDialog* d) {
                // Over the half of the editor with the grid, below its top by the old distance
                // where the screen leaves room, and never off the screen.
                const QRect edytor = w->frameGeometry();
                const QRect okno = d->frameGeometry();
                if (zwykle) {
                    EXPECT_EQ(okno.top(), edytor.top() + ui::twips(3700, d));
                    if (strona == 0) {
                        EXPECT_EQ(okno.left(), edytor.left() + ui::twips(1000, d));
                    }
                    screenshot(*d, u"frmPoprawaGola"_s);
                }
                EXPECT_LE(okno.right(), edytor.right());
                EXPECT_LE(okno.bottom(), edytor.bottom());
                EXPECT_TRUE(ekran.contains(okno));
                EXPECT_EQ(okno.center().x() > edytor.center().x(), strona == 1);
                pole(d, "medtMinuta")->setText(u"99"_s);
                d->close();
            });
            EXPECT_EQ(wiersze(strona), przed);
        }
    }
}

TEST_F(frmPoprawaGolaTest, CorrectionsResortTheGridAndKeepOrChangeTheScorer) {
    popraw(0, 0, [](QDialog* d) {
        // The row reads "Jan Kowalski"; the list names him with his nickname.
        EXPECT_EQ(lista(d)->currentItem()->text(), u"Jan Kowalski Kowal"_s);
        EXPECT_EQ(child<QComboBox>(*d, "cboJak")->currentText(), u"z gry"_s);
        EXPECT_EQ(pole(d, "medtMinuta")->text(), u"10"_s);
        pole(d, "medtMinuta")->setText(u"85"_s);
        child<QComboBox>(*d, "cboJak")->setCurrentIndex(0);
        ok(d);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(wiersze(0), qs({"Adam Nowak|50|karny|2|2", "Jan Kowalski Kowal|85|karny|1|2"}));
    EXPECT_EQ(w->fgrdStrzelcy(0)->currentRow(), 1);

    // Without a chosen player the row keeps its scorer.
    popraw(0, 0, [](QDialog* d) {
        pole(d, "txtFiltrPopr")->setText(u"nikt taki"_s);
        child<QPushButton>(*d, "cmdFiltrujPopr")->click();
        EXPECT_EQ(lista(d)->count(), 0);
        pole(d, "medtMinuta")->setText(u"5"_s);
        ok(d);
    });
    EXPECT_EQ(wiersze(0), qs({"Adam Nowak|5|karny|2|2", "Jan Kowalski Kowal|85|karny|1|2"}));

    // O'Neil is found through the filter, applied by its access key and trimmed, and written
    // with his own id.
    popraw(0, 0, [](QDialog* d) {
        QApplication::setActiveWindow(d);
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        QLineEdit* filtr = pole(d, "txtFiltrPopr");
        filtr->setFocus();
        QTest::keyClicks(filtr, u"O'Neil  "_s);
        QTest::keyClick(filtr, Qt::Key_F, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return lista(d)->count() == 1; }, 2000));
        EXPECT_EQ(filtr->text(), u"O'Neil"_s);
        EXPECT_EQ(lista(d)->currentItem()->text(), u"Sean O'Neil"_s);
        ok(d);
    });
    EXPECT_EQ(wiersze(0), qs({"Sean O'Neil|5|karny|5|2", "Jan Kowalski Kowal|85|karny|1|2"}));
}

TEST_F(frmPoprawaGolaTest, MinuteOutsideOneToHundredTwentyKeepsTheDialogOpen) {
    popraw(1, 0, [&](QDialog* d) {
        QLineEdit* minuta = pole(d, "medtMinuta");
        const QString zakres = u"Bramka może paść między 1 a 120 minutą!!!"_s;
        for (const QString& zla : {u"0"_s, u"121"_s}) {
            minuta->setText(zla);
            s.message(
                {u"Komunikat"_s, zakres, ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok},
                ui::Answer::Ok);
            ok(d);
            EXPECT_TRUE(d->isVisible()) << zla.toStdString();
        }
        minuta->clear();
        s.message(u"Komunikat"_s, u"Należy podać minutę, w której padła bramka!!!"_s);
        ok(d);
        EXPECT_TRUE(d->isVisible());

        // Leaving the box checks it too; "007" is written as 7.
        const auto opusc = [&](const QString& tekst) {
            minuta->setText(tekst);
            QFocusEvent wyjscie(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(minuta, &wyjscie);
        };
        s.message(u"Komunikat"_s, zakres);
        opusc(u"121"_s);
        EXPECT_TRUE(s.done());
        opusc(u"007"_s);
        EXPECT_EQ(minuta->text(), u"7"_s);

        minuta->setText(u"120"_s);
        ok(d);
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(wiersze(1), qs({"Ronaldinho|120|z gry|3|1"}));
}
