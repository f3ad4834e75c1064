#include "forms/Dialogs.h"
#include "forms/Toolkit.h"

#include "support/Script.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using testing_support::Script;

namespace {

// A tiny window that uses every kind of box the seam offers, as the real windows do.
class Okienko : public QDialog {
  public:
    explicit Okienko(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("Okienko"));
    }

    QString zapytaj() {
        if (ui::messageBox(this, QStringLiteral("Pytanie"), QStringLiteral("Czy dodać?"),
                           ui::Buttons::YesNo, ui::Icon::Question,
                           ui::Answer::No) != ui::Answer::Yes) {
            return QStringLiteral("nie");
        }
        const auto nazwa = ui::inputBox(this, QStringLiteral("Podaj nazwę"),
                                        QStringLiteral("Kluby - dopisanie"), QStringLiteral("x"));
        if (!nazwa) {
            return QStringLiteral("anulowano");
        }
        Okienko dziecko(this);
        dziecko.setObjectName(QStringLiteral("Dziecko"));
        const int wynik = ui::showModal(&dziecko);
        return *nazwa + QLatin1Char('/') + QString::number(wynik);
    }
};

}  // namespace

TEST(Seam, ScriptAnswersEveryBoxInOrder) {
    Okienko w;
    {
        Script s;
        s.message({QStringLiteral("Pytanie"), QStringLiteral("Czy dodać?"), ui::Buttons::YesNo,
                   ui::Icon::Question, ui::Answer::No},
                  ui::Answer::Yes);
        s.input({QStringLiteral("Kluby - dopisanie"), QStringLiteral("Podaj nazwę"),
                 QStringLiteral("x")},
                QStringLiteral("Legia"));
        s.modal(QStringLiteral("Dziecko"), [](QDialog* d) { d->accept(); });
        EXPECT_EQ(w.zapytaj(), QStringLiteral("Legia/1"));
        EXPECT_TRUE(s.done());
    }
    {
        Script s;
        s.message(QStringLiteral("Pytanie"), QStringLiteral("Czy dodać?"), ui::Answer::Yes);
        s.input(QStringLiteral("Kluby - dopisanie"), QStringLiteral("Podaj nazwę"), std::nullopt);
        EXPECT_EQ(w.zapytaj(), QStringLiteral("anulowano"));
    }
}

TEST(Seam, UnexpectedBoxFailsTheTest) {
    Okienko w;
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        Script s;  // expects nothing
        EXPECT_EQ(w.zapytaj(), QStringLiteral("nie"));
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
        s.message(QStringLiteral("Info"), QStringLiteral("Dane zostały zapisane."));
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
    const ui::Answer a = ui::messageBox(nullptr, QStringLiteral("Pytanie"), QStringLiteral("?"),
                                        ui::Buttons::YesNo, ui::Icon::Question);
    EXPECT_EQ(a, ui::Answer::No);
    EXPECT_EQ(yes, QStringLiteral("Tak"));
    EXPECT_EQ(no, QStringLiteral("Nie"));
}

TEST(Toolkit, PolishDatesAndErrorText) {
    EXPECT_EQ(ui::dataSlownie(QDate(2002, 5, 5)), QStringLiteral("5 maja 2002"));
    EXPECT_EQ(ui::dataSlownie(QDate(1999, 9, 30)), QStringLiteral("30 września 1999"));
    EXPECT_EQ(ui::dzienTygodnia(QDate(2002, 5, 5)), QStringLiteral("niedziela"));
    EXPECT_EQ(ui::dzienTygodnia(QDate(2002, 5, 8)), QStringLiteral("środa"));
    const engine::Error e(3022, QStringLiteral("Powtórzona wartość."));
    EXPECT_EQ(ui::tekstBledu(e), QStringLiteral("Wystąpił błąd numer 3022\nPowtórzona wartość."));
    EXPECT_EQ(ui::tekstBledu(e, true),
              QStringLiteral("Wystąpił błąd numer 3022\nPowtórzona wartość.\n\n"
                             "Dane nie zostały zapisane."));
}
