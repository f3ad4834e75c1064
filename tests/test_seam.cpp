#include "forms/Dialogs.h"
#include "forms/Toolkit.h"

#include "support/Script.h"

#include <QApplication>
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

TEST(Seam, RealBoxesSpeakPolish) {
    // Without a handler the real dialog is shown; close it from the event loop and look at
    // the standard buttons' texts on the way.
    QString yes;
    QString no;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        yes = box->button(QMessageBox::Yes)->text().remove(QLatin1Char('&'));
        no = box->button(QMessageBox::No)->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::No)->click();
    });
    const ui::Answer a =
        ui::messageBox(nullptr, u"Pytanie"_s, u"?"_s, ui::Buttons::YesNo, ui::Icon::Question);
    EXPECT_EQ(a, ui::Answer::No);
    EXPECT_EQ(yes, u"Tak"_s);
    EXPECT_EQ(no, u"Nie"_s);
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
