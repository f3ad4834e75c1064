// The Polish manual: the menu item, F1 in every window and what the document holds.

#include "frmMainTesty.h"

#include "forms/PierwszyStart.h"
#include "forms/Podrecznik.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmGracz.h"

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>

using namespace Qt::StringLiterals;
using namespace frmmain_testy;

namespace {

// F1 pressed in the first control of the active window that takes the focus, as a user does.
void f1(QWidget* okno) {
    // What the window manager does for a window shown; the offscreen platform does not.
    QApplication::setActiveWindow(okno);
    QWidget* cel = okno;
    for (QWidget* w : okno->findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(okno)) {
            cel = w;
            break;
        }
    }
    cel->setFocus();
    QTest::keyClick(cel, Qt::Key_F1);
}

QString tekstPodrecznika() {
    QFile plik(u":/podrecznik/podrecznik.html"_s);
    EXPECT_TRUE(plik.open(QIODevice::ReadOnly));
    return QString::fromUtf8(plik.readAll());
}

// The manual is open over `okno`, at the chapter `rozdzial`, scrolled to it; then closed.
void otwartyNa(QWidget* okno, const QString& rozdzial) {
    Podrecznik::frmPodrecznik* p = Podrecznik::OtwartyPodrecznik();
    ASSERT_NE(p, nullptr) << rozdzial.toStdString();
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->rozdzial(), rozdzial);
    EXPECT_EQ(p->przegladarka()->source().fragment(), rozdzial);
    EXPECT_TRUE(p->rozdzialy().contains(rozdzial)) << rozdzial.toStdString();
    // Owned by the window, so that a modal window does not block it.
    EXPECT_EQ(p->parentWidget(), okno->window());
    EXPECT_GT(p->przegladarka()->verticalScrollBar()->value(), 0) << rozdzial.toStdString();
    p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Podrecznik::OtwartyPodrecznik(), nullptr);
}

}  // namespace

TEST(Podrecznik, F1InEachWindowOpensTheManualAtThatWindowsChapter) {
    SampleDiary d;
    frmMain okno;
    okno.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&okno));
    lista(okno)->setCurrentItem(lista(okno)->topLevelItem(0));
    Script s;
    for (const auto& [polecenie, nazwa] : std::initializer_list<std::pair<const char*, QString>>{
             {"itmOpis", u"frmMecze"_s},
             {"itmDodaj", u"frmMecz"_s},
             {"itmSlowniki", u"frmSlowniki"_s},
             {"itmStatystykiMecze", u"frmStatystykiMecze"_s},
             {"itmStatystykiPilkarze", u"frmStatystykiPilkarze"_s},
             {"itmRekordy", u"frmRekordy"_s},
             {"itmWykresySezonow", u"frmWykresySezonow"_s},
             {"itmOProgramie", u"frmAbout"_s},
             {"itmRaport", u"frmRaport"_s},
         }) {
        s.modal(nazwa, [&nazwa](QDialog* w) {
            f1(w);
            otwartyNa(w, nazwa);
            w->done(QDialog::Rejected);
        });
        akcja(okno, polecenie)->trigger();
        s.verify();
    }

    frmGracz gracz(false, &okno);
    gracz.show();
    f1(&gracz);
    otwartyNa(&gracz, u"frmGracz"_s);
    frmBramkiPilkarza bramki(&okno, 1, u"(1, 2)"_s, u"('D', 'W', 'N')"_s, QString());
    bramki.show();
    f1(&bramki);
    otwartyNa(&bramki, u"frmBramkiPilkarza"_s);
    frmPierwszyStart start(&okno, d.path());
    start.show();
    f1(&start);
    otwartyNa(&start, u"frmPierwszyStart"_s);
    // A message box has the chapter on messages.
    QMessageBox komunikat(QMessageBox::Warning, u"Komunikat"_s, u"Brak pliku Mirvola.mdb !!!"_s,
                          QMessageBox::Ok, &okno);
    komunikat.show();
    f1(&komunikat);
    otwartyNa(&komunikat, u"komunikaty"_s);

    // In the main window the key is the menu item's shortcut.
    f1(&okno);
    Podrecznik::frmPodrecznik* p = Podrecznik::OtwartyPodrecznik();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->rozdzial(), u"frmMain"_s);
    // F1 again, in the manual itself, changes nothing; the main window's menu item reuses it.
    QTest::keyClick(p->przegladarka(), Qt::Key_F1);
    EXPECT_EQ(Podrecznik::OtwartyPodrecznik(), p);
    akcja(okno, "itmPodrecznik")->trigger();
    EXPECT_EQ(Podrecznik::OtwartyPodrecznik(), p);
    p->close();
}

TEST(Podrecznik, TheHelpMenuFollowsTheOptionsMenu) {
    SampleDiary d;
    frmMain okno;
    QStringList menu;
    for (QAction* a : okno.menuBar()->actions()) {
        menu << (a->menu() ? a->menu()->objectName() : QString());
    }
    ASSERT_TRUE(menu.contains(u"mnuOpcje"_s));
    EXPECT_EQ(menu.value(menu.indexOf(u"mnuOpcje"_s) + 1), u"mnuPomoc"_s);
    QMenu* pomoc = child<QMenu>(okno, "mnuPomoc");
    EXPECT_EQ(pomoc->title(), u"Pomo&c"_s);
    QAction* podrecznik = akcja(okno, "itmPodrecznik");
    EXPECT_EQ(pomoc->actions(), QList<QAction*>{podrecznik});
    EXPECT_EQ(podrecznik->text(), u"&Podręcznik"_s);
    EXPECT_EQ(podrecznik->shortcut(), QKeySequence(Qt::Key_F1));
}

// Every window has its chapter, every picture is there, and the messages a user meets are
// explained.
TEST(Podrecznik, ChaptersPicturesAndMessages) {
    Podrecznik::frmPodrecznik p(nullptr);
    p.show();
    screenshot(p, u"frmPodrecznik"_s);
    p.PokazRozdzial(u"frmMecz"_s);
    screenshot(p, u"frmPodrecznik_frmMecz"_s);
    const QStringList rozdzialy = p.rozdzialy();
    for (const char* okno :
         {"frmMain", "frmMecz", "frmPoprawaGola", "frmSlowniki", "frmGracz", "frmMecze",
          "frmStatystykiMecze", "frmStatystykiPilkarze", "frmBramkiPilkarza", "frmRekordy",
          "frmWykresySezonow", "frmAbout", "frmPierwszyStart", "frmRaport", "komunikaty"}) {
        EXPECT_TRUE(rozdzialy.contains(QString::fromUtf8(okno))) << okno;
    }
    const QString html = tekstPodrecznika();
    const QRegularExpression obraz(u"<img[^>]*src=\"([^\"]+)\""_s);
    int obrazy = 0;
    for (auto it = obraz.globalMatch(html); it.hasNext(); ++obrazy) {
        const QString plik = u":/podrecznik/"_s + it.next().captured(1);
        EXPECT_FALSE(QImage(plik).isNull()) << plik.toStdString();
    }
    EXPECT_GE(obrazy, 8);
    const QString tekst = p.przegladarka()->toPlainText();
    for (const char* komunikat :
         {"Brak pliku Mirvola.mdb !!!", "Czy dane są poprawne?", "Jesteś pewien ?",
          "Wystąpił błąd numer", "Dane zostały zapisane.", "Dane zostały usunięte."}) {
        EXPECT_TRUE(tekst.contains(QString::fromUtf8(komunikat))) << komunikat;
    }
}
