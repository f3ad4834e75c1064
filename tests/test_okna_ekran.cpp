// Every window of the program on a 1024 x 768 screen: it opens inside the screen, whole, and its
// lists show their columns or scroll to them.

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "forms/frmAbout.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmGracz.h"
#include "forms/frmMain.h"
#include "forms/frmMecz.h"
#include "forms/frmMecze.h"
#include "forms/frmRekordy.h"
#include "forms/frmSlowniki.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"
#include "forms/frmWykresySezonow.h"
#include "support/Diary.h"
#include "support/Widgets.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

constexpr int kSzerokosc = 1024;
constexpr int kWysokosc = 768;
// What a window manager takes of the screen's height: the window's title bar and a panel.
constexpr int kRamka = 64;

// The offscreen platform gets a screen of 1024 x 768 before the test's application starts.
const bool kEkran = [] {
    const QString plik = QDir::tempPath() + u"/mirvola-ekran-%1.json"_s.arg(::getpid());
    QFile json(plik);
    if (json.open(QIODevice::WriteOnly)) {
        json.write(R"({"screens": [{"name": "ekran", "x": 0, "y": 0, "width": 1024,
                       "height": 768, "logicalDpi": 96, "dpr": 1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + plik.toLocal8Bit());
    return true;
}();

struct DemoDiary : Diary {
    DemoDiary() {
        QFile::remove(path());
        demo::createDiary(path(), 5);
    }
};

// A visible control that the window cuts off.
QString uciety(const QWidget& okno) {
    const QRect wnetrze = okno.rect();
    for (const QWidget* w : okno.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow() || qobject_cast<const QScrollBar*>(w)) {
            continue;
        }
        // Children of a scrolled area may lie beyond its viewport: they are scrolled to.
        const QWidget* rodzic = w->parentWidget();
        if (rodzic && rodzic != &okno && rodzic->objectName() == u"qt_scrollarea_viewport"_s) {
            continue;
        }
        const QRect ramka(w->mapTo(&okno, QPoint(0, 0)), w->size());
        if (!wnetrze.contains(ramka) && !w->objectName().isEmpty()) {
            return w->objectName();
        }
    }
    return {};
}

// Checks a shown window and writes its picture for the eye.
void sprawdz(QWidget& okno, const QString& nazwa) {
    SCOPED_TRACE(nazwa.toStdString());
    okno.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&okno));
    QTest::qWait(20);
    const QRect ekran = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(ekran.size(), QSize(kSzerokosc, kWysokosc));
    const QRect ramka = okno.frameGeometry();
    EXPECT_LE(ramka.width(), kSzerokosc) << nazwa.toStdString();
    EXPECT_LE(ramka.height(), kWysokosc - kRamka) << nazwa.toStdString();
    EXPECT_TRUE(ekran.contains(ramka))
        << ramka.x() << "," << ramka.y() << " " << ramka.width() << "x" << ramka.height();
    EXPECT_LE(okno.minimumSizeHint().width(), kSzerokosc);
    EXPECT_LE(okno.minimumWidth(), kSzerokosc);
    EXPECT_EQ(uciety(okno), QString());
    screenshot(okno, u"1024-"_s + nazwa);
}

// A list that is not wider than the screen shows all its columns without a scroll bar; a wider
// one scrolls to them.
void sprawdzKolumny(const QTreeWidget* lista) {
    SCOPED_TRACE(lista->objectName().toStdString());
    const int kolumny = lista->header()->length();
    const int miejsce = lista->viewport()->width();
    if (kolumny + 2 * lista->frameWidth() + 40 <= kSzerokosc) {
        EXPECT_GE(miejsce, kolumny) << "the window is narrower than its columns";
    } else {
        EXPECT_NE(lista->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_GT(lista->horizontalScrollBar()->maximum(), 0);
    }
}

}  // namespace

TEST(OknaNaEkranie1024, EveryWindowOpensInsideTheScreenWhole) {
    ASSERT_TRUE(kEkran);
    DemoDiary d;
    // A scorer with more goals than his list shows without a scroll bar.
    d.exec(
        u"UPDATE Bramki SET Id_gracza = 61 WHERE rowid IN (SELECT rowid FROM Bramki WHERE "
        "Czy_Mirvola <> 0 LIMIT 30)"_s);
    frmMain glowne;
    sprawdz(glowne, u"glowne"_s);
    sprawdzKolumny(child<QTreeWidget>(glowne, "lstMecze"));

    Mirvola::blnPoprawa = Mirvola::False;
    frmMecz edytor;
    sprawdz(edytor, u"mecz"_s);
    frmSlowniki slowniki;
    sprawdz(slowniki, u"slowniki"_s);
    frmGracz gracz(false);
    sprawdz(gracz, u"gracz"_s);
    frmMecze opis(nullptr, true, FiltrMeczow{});
    sprawdz(opis, u"opis"_s);
    frmStatystykiMecze mecze;
    sprawdz(mecze, u"statystyki-mecze"_s);
    sprawdzKolumny(child<QTreeWidget>(mecze, "lstKluby"));
    frmStatystykiPilkarze pilkarze;
    sprawdz(pilkarze, u"statystyki-pilkarze"_s);
    sprawdzKolumny(child<QTreeWidget>(pilkarze, "lstGracze"));
    frmBramkiPilkarza bramki(nullptr, 61, u"(1, 2, 3, 4, 5, 6)"_s, u"('D', 'W', 'N')"_s, QString());
    sprawdz(bramki, u"bramki-pilkarza"_s);
    sprawdzKolumny(child<QTreeWidget>(bramki, "lstBramki"));
    frmRekordy rekordy;
    sprawdz(rekordy, u"rekordy"_s);
    sprawdzKolumny(child<QTreeWidget>(rekordy, "lstRekordy"));
    frmWykresySezonow wykresy;
    sprawdz(wykresy, u"wykresy"_s);
    frmAbout about;
    sprawdz(about, u"o-programie"_s);
}
