#include "forms/Dialogs.h"
#include "forms/Toolkit.h"

#include "support/Script.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testing_support::Script;

// Every window test answers its boxes through the seam; these check that the script cannot
// pass a test silently.
TEST(Seam, UnexpectedBoxFailsTheTest) {
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        Script s;  // expects nothing
        EXPECT_EQ(ui::messageBox(nullptr, u"Pytanie"_s, u"Czy dodać?"_s, ui::Buttons::YesNo,
                                 ui::Icon::Question),
                  ui::Answer::No);
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("unexpected message box"),
              std::string::npos);
}

TEST(Seam, UnusedExpectationFailsTheTest) {
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        Script s;
        s.message(u"Info"_s, u"Dane zostały zapisane."_s);
    }
    EXPECT_EQ(failures.size(), 1);
}

TEST(Seam, ClockCanBeFixed) {
    const QDateTime fixed(QDate(2003, 5, 4), QTime(12, 0));
    ui::setClock([fixed] { return fixed; });
    EXPECT_EQ(ui::today(), QDate(2003, 5, 4));
    ui::setClock({});
    EXPECT_EQ(ui::today(), QDate::currentDate());
}

// The buttons' texts of a real box (no handler installed) of the given kind.
QStringList realButtonTexts(ui::Buttons buttons) {
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) {
            texts << button->text().remove(u'&');
        }
        box->reject();
    });
    ui::messageBox(nullptr, u"Pytanie"_s, u"?"_s, buttons, ui::Icon::Question);
    texts.sort();
    return texts;
}

TEST(Seam, RealBoxesSpeakPolish) {
    EXPECT_EQ(realButtonTexts(ui::Buttons::YesNo), (QStringList{u"Nie"_s, u"Tak"_s}));
    EXPECT_EQ(realButtonTexts(ui::Buttons::OkCancel), (QStringList{u"Anuluj"_s, u"OK"_s}));
    const QStringList retry = realButtonTexts(ui::Buttons::RetryCancel);
    ASSERT_EQ(retry.size(), 2);
    EXPECT_EQ(retry[0], u"Anuluj"_s);
    EXPECT_TRUE(retry[1].startsWith(u"Ponów"_s)) << retry[1].toStdString();
}

// A tiny window of the seam's own: one command that asks, prompts and opens a modal window,
// answered in order by a script as every real window's tests are.
class Okienko : public QDialog {
  public:
    QString polecenie() {
        if (ui::messageBox(this, u"Pytanie"_s, u"Czy dodać?"_s, ui::Buttons::YesNo,
                           ui::Icon::Question, ui::Answer::No) != ui::Answer::Yes) {
            return u"nie"_s;
        }
        const auto nazwa = ui::inputBox(this, u"Podaj nazwę"_s, u"Kluby - dopisanie"_s, u"x"_s);
        const auto plik = ui::fileDialog(
            this, {ui::FileMode::Save, u"Zapisz"_s, u"/tmp"_s, u"a.csv"_s, u"CSV (*.csv)"_s});
        if (!plik) {
            return u"bez pliku"_s;
        }
        QDialog dziecko(this);
        dziecko.setObjectName(u"Dziecko"_s);
        return nazwa.value_or(u"anulowano"_s) + u'/' + QString::number(ui::showModal(&dziecko));
    }
};

TEST(Seam, ScriptAnswersATinyWindow) {
    Okienko w;
    Script s;
    s.message(
        {u"Pytanie"_s, u"Czy dodać?"_s, ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::No},
        ui::Answer::Yes);
    s.input({u"Kluby - dopisanie"_s, u"Podaj nazwę"_s, u"x"_s}, u"Legia"_s);
    s.file(u"Zapisz"_s, u"/tmp/b.csv"_s, [](const ui::FileRequest& r) {
        EXPECT_EQ(r.mode, ui::FileMode::Save);
        EXPECT_EQ(r.suggestedName, u"a.csv"_s);
    });
    s.modal(u"Dziecko"_s, [](QDialog* d) { d->accept(); });
    EXPECT_EQ(w.polecenie(), u"Legia/1"_s);
    s.message(u"Pytanie"_s, u"Czy dodać?"_s, ui::Answer::No);
    EXPECT_EQ(w.polecenie(), u"nie"_s);
    s.message(u"Pytanie"_s, u"Czy dodać?"_s, ui::Answer::Yes);
    s.input(u"Kluby - dopisanie"_s, u"Podaj nazwę"_s, u"Legia"_s);
    s.file(u"Zapisz"_s, std::nullopt);
    EXPECT_EQ(w.polecenie(), u"bez pliku"_s);
}

TEST(Toolkit, MatchCountsTakeThePolishFormOfTheNoun) {
    EXPECT_EQ(ui::liczbaMeczow(0), u"0 meczów"_s);
    EXPECT_EQ(ui::liczbaMeczow(1), u"1 mecz"_s);
    EXPECT_EQ(ui::liczbaMeczow(4), u"4 mecze"_s);
    EXPECT_EQ(ui::liczbaMeczow(5), u"5 meczów"_s);
    EXPECT_EQ(ui::liczbaMeczow(12), u"12 meczów"_s);
    EXPECT_EQ(ui::liczbaMeczow(22), u"22 mecze"_s);
    EXPECT_EQ(ui::liczbaMeczow(114), u"114 meczów"_s);
    EXPECT_EQ(ui::liczbaMeczow(1002), u"1002 mecze"_s);
}

TEST(Toolkit, PolishDatesAndErrorText) {
    EXPECT_EQ(ui::dataSlownie(QDate(2002, 5, 5)), u"5 maja 2002"_s);
    EXPECT_EQ(ui::dataSlownie(QDate(1999, 9, 30)), u"30 września 1999"_s);
    EXPECT_EQ(ui::dzienTygodnia(QDate(2002, 5, 5)), u"niedziela"_s);
    EXPECT_EQ(ui::dzienTygodnia(QDate(2002, 5, 8)), u"środa"_s);
    const engine::Error e(3022, u"Powtórzona wartość."_s);
    EXPECT_EQ(ui::tekstBledu(e), u"Wystąpił błąd numer 3022\nPowtórzona wartość."_s);
    EXPECT_EQ(ui::tekstBledu(e, true),
              u"Wystąpił błąd numer 3022\nPowtórzona wartość.\n\n"
              "Dane nie zostały zapisane."_s);
}
