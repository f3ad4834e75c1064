#include "forms/Dialogs.h"
#include "forms/Toolkit.h"

#include "support/Script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testing_support::Script;

// Every window test answers its boxes through the seam; the script cannot pass a test silently.
TEST(Seam, UnexpectedBoxOrUnusedExpectationFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            Script s;
            EXPECT_EQ(ui::messageBox(nullptr, u"Pytanie"_s, u"Czy dodać?"_s, ui::Buttons::YesNo,
                                     ui::Icon::Question),
                      ui::Answer::No);
        },
        "unexpected message box");
    EXPECT_NONFATAL_FAILURE(Script().message(u"Info"_s, u"Dane zostały zapisane."_s), "");
}

// What a real box showed: where, its text, how the text is read and its buttons' texts.
struct RealBox {
    QRect frame;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QStringList buttons;
};

namespace {

// Waits for a real modal box of type T, hands it to `inspect` and closes it, even when an
// assertion in `inspect` gave up half-way. A box that does not come within `patience` fails the
// test, and whatever modal window stands instead is closed: a missing box never leaves the test
// waiting forever. Stops when the returned timer goes.
template <class T>
std::unique_ptr<QTimer> whenShown(std::function<void(T*)> inspect, int patience = 5000) {
    auto timer = std::make_unique<QTimer>();
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), clock, inspect, patience] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<T*>(modal)) {
            t->stop();
            inspect(box);
            box->reject();
        } else if (clock.elapsed() > patience) {
            t->stop();
            ADD_FAILURE() << "the box was not shown";
            if (auto* other = qobject_cast<QDialog*>(modal)) {
                other->reject();
            }
        }
    });
    timer->start(10);
    return timer;
}

}  // namespace

TEST(Seam, AMissingRealBoxFailsTheTestInsteadOfWaiting) {
    EXPECT_NONFATAL_FAILURE(
        {
            // An input box stands where a message box was awaited.
            const auto timer = whenShown<QMessageBox>([](QMessageBox*) {}, 200);
            EXPECT_EQ(ui::inputBox(nullptr, u"?"_s, u"Pytanie"_s), std::nullopt);
        },
        "the box was not shown");
}

// Shows a real box (no handler installed) over `parent` and records it.
RealBox realBox(QWidget* parent, const QString& title, const QString& text,
                ui::Buttons buttons = ui::Buttons::YesNo) {
    RealBox seen;
    const auto timer = whenShown<QMessageBox>([&](QMessageBox* box) {
        seen.frame = box->frameGeometry();
        const auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
        ASSERT_NE(label, nullptr);
        seen.text = label->text();
        seen.format = label->textFormat();
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons << button->text().remove(u'&');
        }
        seen.buttons.sort();
    });
    ui::messageBox(parent, title, text, buttons, ui::Icon::Question);
    return seen;
}

// Room the window's own title bar needs beside the title: the icon and three buttons at least.
int titleBarNeeds(const QString& title) {
    return QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) +
           4 * QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

TEST(Seam, RealBoxesSpeakPolishFitTheirTitleKeepDatesWholeAndShowTextAsTyped) {
    const QString title = u"Koniec programu Mirvola"_s;
    const RealBox yesNo = realBox(nullptr, title, u"Jesteś pewien ?"_s);
    EXPECT_GE(yesNo.frame.width(), titleBarNeeds(title));
    EXPECT_EQ(yesNo.buttons, (QStringList{u"Nie"_s, u"Tak"_s}));
    const QStringList retry =
        realBox(nullptr, u"Komunikat"_s, u"?"_s, ui::Buttons::RetryCancel).buttons;
    EXPECT_TRUE(retry.size() == 2 && retry[0] == u"Anuluj"_s && retry[1].startsWith(u"Ponów"_s))
        << retry.join(u',').toStdString();

    const RealBox question =
        realBox(nullptr, u"Pytanie"_s,
                u"Czy na pewno usunąć mecz Mirvola Wendrow - Łódzki KS 2:1 z 6 kwietnia 2010?"_s);
    EXPECT_EQ(question.text,
              u"Czy na pewno usunąć mecz Mirvola Wendrow - Łódzki KS 2:1 z 6\u00a0kwietnia"
              "\u00a02010?"_s);
    const RealBox markup = realBox(nullptr, u"Pytanie"_s, u"Czy usunąć <b>Legia</b>?"_s);
    EXPECT_EQ(markup.format, Qt::PlainText);
    EXPECT_EQ(markup.text, u"Czy usunąć <b>Legia</b>?"_s);
}

TEST(Seam, RealBoxesStandCentredOverTheirWindowOrTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto near = [](QPoint a, QPoint b) { return (a - b).manhattanLength() <= 2; };
    QWidget window;
    window.setGeometry(screen.left() + 40, screen.top() + 30, 500, 380);
    // Not yet shown, as the main window when the diary is missing at start-up.
    EXPECT_TRUE(
        near(realBox(&window, u"Komunikat"_s, u"Brak pliku Mirvola.mdb !!!"_s).frame.center(),
             screen.center()));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const RealBox over = realBox(&window, u"Pytanie"_s, u"Czy dane są poprawne?"_s);
    EXPECT_TRUE(near(over.frame.center(), window.frameGeometry().center()))
        << over.frame.center().x() << "," << over.frame.center().y();
    // A window at the screen's corner still leaves the whole box on the screen.
    window.move(screen.topLeft());
    EXPECT_TRUE(screen.contains(realBox(&window, u"Pytanie"_s, QString(60, u'x')).frame));
}

TEST(Seam, RealInputBoxFitsItsTitleAndShowsThePromptAsTyped) {
    const QString title = u"Rodzaje goli - modyfikacja"_s;
    QRect frame;
    Qt::TextFormat format = Qt::AutoText;
    const auto timer = whenShown<QInputDialog>([&](QInputDialog* box) {
        frame = box->frameGeometry();
        const auto* label = box->findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        format = label->textFormat();
    });
    EXPECT_EQ(ui::inputBox(nullptr, u"W której minucie <b>Jan</b> strzelił bramkę?"_s, title),
              std::nullopt);
    EXPECT_GE(frame.width(), titleBarNeeds(title));
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_LE((frame.center() - QGuiApplication::primaryScreen()->availableGeometry().center())
                  .manhattanLength(),
              2);
}

TEST(Toolkit, PolishNumbersDatesAndErrorText) {
    // Match counts take the Polish form of the noun.
    for (const auto& [count, text] :
         {std::pair{1, u"1 mecz"_s}, std::pair{12, u"12 meczów"_s}, std::pair{22, u"22 mecze"_s},
          std::pair{114, u"114 meczów"_s}}) {
        EXPECT_EQ(ui::liczbaMeczow(count), text);
    }
    EXPECT_EQ(ui::dataSlownie(QDate(1999, 9, 30)), u"30 września 1999"_s);
    EXPECT_EQ(ui::dzienTygodnia(QDate(2002, 5, 5)), u"niedziela"_s);
    const engine::Error e(3022, u"Powtórzona wartość."_s);
    EXPECT_EQ(ui::tekstBledu(e), u"Wystąpił błąd numer 3022\nPowtórzona wartość."_s);
    EXPECT_EQ(ui::tekstBledu(e, true),
              u"Wystąpił błąd numer 3022\nPowtórzona wartość.\n\nDane nie zostały zapisane."_s);
}

// Layout tests of the windows measure their columns with these two; here they are checked
// against pixels counted by hand, at the 96 dpi of the test screen.
TEST(Toolkit, TwipsAndColumnWidthsInPixels) {
    QWidget w;
    ASSERT_EQ(w.screen()->logicalDotsPerInch(), 96.0);
    EXPECT_EQ(ui::twips(15, &w), 1);
    EXPECT_EQ(ui::twips(1500, &w), 100);
    EXPECT_EQ(ui::twips(1820, &w), 121);  // 121.33
    EXPECT_EQ(ui::twips(2050, &w), 137);  // 136.67
    EXPECT_EQ(ui::twips(765, &w), 51);

    // Digits no wider than the old font's 6 pixels: the twips as they are.
    QFont font = w.font();
    font.setPixelSize(5);
    w.setFont(font);
    ASSERT_LE(w.fontMetrics().horizontalAdvance(u"0123456789"_s), 60);
    EXPECT_EQ(ui::szerokoscKolumny(1820, &w), 121);
    EXPECT_EQ(ui::szerokoscKolumny(765, &w), 51);

    // Wider digits widen the column alike: ten digits of T pixels give T/60 times the width of
    // the whole pixels (121 and 51). Some pixel sizes of the font give such T.
    struct Wider {
        int digits;
        int of1820;
        int of765;
    };
    const Wider wider[] = {{66, 133, 56},   {72, 145, 61},   {78, 157, 66},   {84, 169, 71},
                           {90, 182, 77},   {96, 194, 82},   {102, 206, 87},  {108, 218, 92},
                           {114, 230, 97},  {120, 242, 102}, {126, 254, 107}, {132, 266, 112},
                           {138, 278, 117}, {144, 290, 122}, {150, 303, 128}};
    int checked = 0;
    for (int size = 6; size <= 40; ++size) {
        font.setPixelSize(size);
        w.setFont(font);
        const int digits = w.fontMetrics().horizontalAdvance(u"0123456789"_s);
        for (const Wider& x : wider) {
            if (digits == x.digits) {
                SCOPED_TRACE(size);
                EXPECT_EQ(ui::szerokoscKolumny(1820, &w), x.of1820);
                EXPECT_EQ(ui::szerokoscKolumny(765, &w), x.of765);
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, 1) << "no pixel size of the font has digits of a width in the table";
}

// The restore question names the file kept beside the diary; however the text wraps, the name
// stays on one line, and so does a long path.
TEST(Seam, RealBoxesNeverBreakAFileName) {
    const QString kept = u"Mirvola.mdb.przed-przywroceniem"_s;
    const QString path = u"/home/kibic/Dokumenty/Kopie-zapasowe-dziennika/Mirvola-2026-12-07.mdb"_s;
    const QString question =
        u"Czy zastąpić dziennik kopią z pliku\n%1\n(12 meczów)?\n\nObecny dziennik zostanie "
        "zachowany obok jako %2."_s.arg(path, kept);
    QStringList lines;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
        ASSERT_NE(label, nullptr);
        shown = label->text();
        // The label's lines as its width wraps them.
        for (const QString& paragraph : shown.split(u'\n')) {
            QTextLayout layout(paragraph, label->font());
            QTextOption option;
            option.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(label->contentsRect().width());
                lines << paragraph.mid(line.textStart(), line.textLength());
            }
            layout.endLayout();
        }
        box->reject();
    });
    ui::messageBox(nullptr, u"Pytanie"_s, question, ui::Buttons::YesNo, ui::Icon::Question);
    // Invisible joiners aside, the text is the question.
    EXPECT_EQ(QString(shown).remove(QChar(0x2060)), question);
    ASSERT_GT(lines.size(), 5) << "the question does not wrap: nothing is tested";
    for (const QString& name : {kept, path}) {
        EXPECT_TRUE(
            std::ranges::any_of(lines,
                                [&](const QString& line) {
                                    return QString(line).remove(QChar(0x2060)).contains(name);
                                }))
            << name.toStdString()
            << " broken: " << lines.join(u'|').remove(QChar(0x2060)).toStdString();
    }
}
