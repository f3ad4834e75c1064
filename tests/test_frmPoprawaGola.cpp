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
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

QStringList wiersz(const frmMecz& w, int strona, int r) {
    return cells(w.fgrdStrzelcy(strona)).at(static_cast<size_t>(r));
}

class frmPoprawaGolaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::setClock([] { return QDateTime(QDate(2003, 5, 10), QTime(12, 0)); });
    }
    void TearDown() override { ui::setClock({}); }

    // Match 1: host rows Jan Kowalski 10' and Adam Nowak 50', guest row Ronaldinho 30'.
    std::unique_ptr<frmMecz> otworz(int idMeczu = 1) {
        Mirvola::blnPoprawa = Mirvola::True;
        Mirvola::dblIdMeczu = idMeczu;
        auto w = std::make_unique<frmMecz>();
        w->move(100, 60);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }

    // Opens the correction of a row with Enter on its grid; `drive` works the dialog.
    void popraw(Script& s, frmMecz& w, int strona, int r, std::function<void(QDialog*)> drive) {
        QTableWidget* g = w.fgrdStrzelcy(strona);
        g->setCurrentCell(r, 0);
        s.modal(u"frmPoprawaGola"_s, std::move(drive));
        QTest::keyClick(g, Qt::Key_Return);
        EXPECT_TRUE(s.done());
    }

    SampleDiary baza;
};

}  // namespace

TEST_F(frmPoprawaGolaTest, LiesOverTheGridItCorrectsAndTheCloseBoxChangesNothing) {
    auto w = otworz();
    screenshot(*w, u"frmMecz"_s);
    Script s;
    for (int strona = 0; strona < 2; ++strona) {
        const QStringList przed = wiersz(*w, strona, 0);
        popraw(s, *w, strona, 0, [&](QDialog* d) {
            // Over the half of the editor with the grid, below its top by the old distance.
            const QRect edytor = w->frameGeometry();
            const QRect okno = d->frameGeometry();
            EXPECT_EQ(okno.top(), edytor.top() + ui::twips(3700, d));
            if (strona == 0) {
                EXPECT_EQ(okno.left(), edytor.left() + ui::twips(1000, d));
            } else {
                EXPECT_GT(okno.center().x(), edytor.center().x());
            }
            screenshot(*d, u"frmPoprawaGola"_s);
            child<QLineEdit>(*d, u"medtMinuta"_s)->setText(u"99"_s);
            d->close();
        });
        EXPECT_EQ(w->intSiatka, strona);
        EXPECT_EQ(wiersz(*w, strona, 0), przed);
    }
    w->hide();
}

TEST_F(frmPoprawaGolaTest, ANewMinuteResortsTheGridAndTheStoredScorerIsPreselected) {
    auto w = otworz();
    Script s;
    popraw(s, *w, 0, 0, [](QDialog* d) {
        // The row reads "Jan Kowalski"; the list names him with his nickname.
        EXPECT_EQ(child<QListWidget>(*d, u"lstGraczePopr"_s)->currentItem()->text(),
                  u"Jan Kowalski Kowal"_s);
        EXPECT_EQ(child<QComboBox>(*d, u"cboJak"_s)->currentText(), u"z gry"_s);
        auto* minuta = child<QLineEdit>(*d, u"medtMinuta"_s);
        EXPECT_EQ(minuta->text(), u"10"_s);
        minuta->setText(u"85"_s);
        child<QComboBox>(*d, u"cboJak"_s)->setCurrentIndex(0);
        child<QPushButton>(*d, u"cmdOK"_s)->click();
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(wiersz(*w, 0, 0),
              (QStringList{u"Adam Nowak"_s, u"50"_s, u"karny"_s, u"2"_s, u"2"_s}));
    EXPECT_EQ(wiersz(*w, 0, 1),
              (QStringList{u"Jan Kowalski Kowal"_s, u"85"_s, u"karny"_s, u"1"_s, u"2"_s}));
    EXPECT_EQ(w->fgrdStrzelcy(0)->currentRow(), 1);
    w->hide();
}

TEST_F(frmPoprawaGolaTest, MinuteOutsideOneToHundredTwentyKeepsTheDialogOpen) {
    auto w = otworz();
    Script s;
    popraw(s, *w, 1, 0, [&](QDialog* d) {
        auto* minuta = child<QLineEdit>(*d, u"medtMinuta"_s);
        auto* ok = child<QPushButton>(*d, u"cmdOK"_s);
        const QString zakres = u"Bramka może paść między 1 a 120 minutą!!!"_s;
        for (const QString& zla : {u"0"_s, u"121"_s, u"000"_s}) {
            minuta->setText(zla);
            s.message(
                {u"Komunikat"_s, zakres, ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok},
                ui::Answer::Ok);
            ok->click();
            EXPECT_TRUE(d->isVisible()) << zla.toStdString();
        }
        minuta->clear();
        s.message(u"Komunikat"_s, u"Należy podać minutę, w której padła bramka!!!"_s);
        ok->click();
        EXPECT_TRUE(d->isVisible());

        // Leaving the box checks it too; "007" is written as 7.
        const auto opusc = [&] {
            QFocusEvent wyjscie(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(minuta, &wyjscie);
        };
        minuta->setText(u"121"_s);
        s.message(u"Komunikat"_s, zakres);
        opusc();
        EXPECT_TRUE(s.done());
        minuta->setText(u"007"_s);
        opusc();
        EXPECT_EQ(minuta->text(), u"7"_s);

        minuta->setText(u"120"_s);
        ok->click();
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(wiersz(*w, 1, 0).at(1), u"120"_s);
    w->hide();
}

TEST_F(frmPoprawaGolaTest, WithoutAChosenPlayerTheRowKeepsItsScorer) {
    auto w = otworz();
    Script s;
    popraw(s, *w, 0, 1, [](QDialog* d) {
        child<QLineEdit>(*d, u"txtFiltrPopr"_s)->setText(u"nikt taki"_s);
        child<QPushButton>(*d, u"cmdFiltrujPopr"_s)->click();
        EXPECT_EQ(child<QListWidget>(*d, u"lstGraczePopr"_s)->count(), 0);
        child<QLineEdit>(*d, u"medtMinuta"_s)->setText(u"5"_s);
        child<QPushButton>(*d, u"cmdOK"_s)->click();
    });
    EXPECT_EQ(wiersz(*w, 0, 0), (QStringList{u"Adam Nowak"_s, u"5"_s, u"karny"_s, u"2"_s, u"2"_s}));

    // O'Neil is found through the filter and written with his own id.
    popraw(s, *w, 0, 0, [](QDialog* d) {
        child<QLineEdit>(*d, u"txtFiltrPopr"_s)->setText(u"O'Neil"_s);
        child<QPushButton>(*d, u"cmdFiltrujPopr"_s)->click();
        EXPECT_EQ(child<QListWidget>(*d, u"lstGraczePopr"_s)->currentItem()->text(),
                  u"Sean O'Neil"_s);
        child<QPushButton>(*d, u"cmdOK"_s)->click();
    });
    EXPECT_EQ(wiersz(*w, 0, 0),
              (QStringList{u"Sean O'Neil"_s, u"5"_s, u"karny"_s, u"5"_s, u"2"_s}));
    w->hide();
}

TEST_F(frmPoprawaGolaTest, StaysOverTheEditorAndOnTheScreen) {
    auto w = otworz();
    const QRect ekran = w->screen()->availableGeometry();
    const QSize rozmiar = w->frameGeometry().size();
    Script s;
    for (const QPoint& miejsce :
         {QPoint(ekran.left(), ekran.top()),
          QPoint(ekran.right() - rozmiar.width() + 1, ekran.bottom() - rozmiar.height() + 1)}) {
        w->move(miejsce);
        for (int strona = 0; strona < 2; ++strona) {
            popraw(s, *w, strona, 0, [&](QDialog* d) {
                const QRect okno = d->frameGeometry();
                const QRect edytor = w->frameGeometry();
                EXPECT_LE(okno.right(), edytor.right()) << strona;
                EXPECT_LE(okno.bottom(), edytor.bottom()) << strona;
                EXPECT_TRUE(ekran.contains(okno)) << strona;
                EXPECT_EQ(okno.center().x() > edytor.center().x(), strona == 1);
            });
        }
    }
    w->hide();
}

TEST_F(frmPoprawaGolaTest, FilterAppliedByItsAccessKeyIsTrimmed) {
    auto w = otworz();
    Script s;
    popraw(s, *w, 0, 0, [](QDialog* d) {
        QApplication::setActiveWindow(d);
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        auto* filtr = child<QLineEdit>(*d, u"txtFiltrPopr"_s);
        auto* lista = child<QListWidget>(*d, u"lstGraczePopr"_s);
        filtr->setFocus();
        QTest::keyClicks(filtr, u"Nowak  "_s);
        QTest::keyClick(filtr, Qt::Key_F, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return lista->count() == 1; }, 2000));
        EXPECT_EQ(filtr->text(), u"Nowak"_s);
        d->close();
    });
    w->hide();
}
