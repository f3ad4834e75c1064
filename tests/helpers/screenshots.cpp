// The pictures of the manual: every window of the program on a demo diary, rendered offscreen
// (or on whatever display QT_QPA_PLATFORM names) into the folder given. scripts/screenshots.sh
// runs it, so that the manual always shows the windows as they are.

#include "data/DemoDiary.h"
#include "data/MiejsceDziennika.h"
#include "data/Mirvola.h"
#include "forms/PierwszyStart.h"
#include "forms/Toolkit.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmGracz.h"
#include "forms/frmMain.h"
#include "support/Script.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString g_katalog;
int g_bledy = 0;

void zapisz(QWidget& okno, const QString& nazwa) {
    QCoreApplication::processEvents();
    const QString plik = g_katalog + u'/' + nazwa + u".png"_s;
    if (!okno.grab().save(plik)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(plik));
        ++g_bledy;
        return;
    }
    std::printf("%s\n", qPrintable(plik));
}

void pokazIZapisz(QWidget& okno, const QString& nazwa) {
    okno.show();
    QTest::qWaitForWindowExposed(&okno);
    zapisz(okno, nazwa);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Mirvola"_s);
    QApplication::setOrganizationName(u"Mirvola"_s);
    QStandardPaths::setTestModeEnabled(true);
    ui::installToolkit();
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots FOLDER\n");
        return 2;
    }
    g_katalog = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_katalog);

    const QTemporaryDir tmp;
    Mirvola::UstawKatalogProgramu(tmp.path());
    dziennik::UstawKatalogDanych(tmp.path() + u"/dane"_s);
    demo::createDiary(tmp.path() + u"/Mirvola.mdb"_s, 1);
    const testing_support::FixedClock zegar(QDate(2026, 5, 16));

    frmMain okno;
    pokazIZapisz(okno, u"frmMain"_s);
    auto* lista = okno.findChild<QTreeWidget*>(u"lstMecze"_s);
    lista->setCurrentItem(lista->topLevelItem(0));

    testing_support::Script s;
    for (const auto& [polecenie, nazwa] : std::initializer_list<std::pair<const char*, QString>>{
             {"itmPopraw", u"frmMecz"_s},
             {"itmOpis", u"frmMecze"_s},
             {"itmSlowniki", u"frmSlowniki"_s},
             {"itmStatystykiMecze", u"frmStatystykiMecze"_s},
             {"itmStatystykiPilkarze", u"frmStatystykiPilkarze"_s},
             {"itmRekordy", u"frmRekordy"_s},
             {"itmWykresySezonow", u"frmWykresySezonow"_s},
             {"itmOProgramie", u"frmAbout"_s},
             {"itmRaport", u"frmRaport"_s},
         }) {
        s.modal(nazwa, [nazwa](QDialog* w) {
            QTest::qWaitForWindowExposed(w);
            zapisz(*w, nazwa);
            w->done(QDialog::Rejected);
        });
        okno.findChild<QAction*>(QString::fromLatin1(polecenie))->trigger();
    }
    // The polite answer to the exit question of a closing editor, should one come.
    s.intercept = [](const ui::Message&) { return std::optional(ui::Answer::Yes); };

    frmGracz gracz(false, &okno);
    pokazIZapisz(gracz, u"frmGracz"_s);
    frmBramkiPilkarza bramki(&okno, 1, u"(1, 2, 3, 4, 5, 6)"_s, u"('D', 'W', 'N')"_s, QString());
    pokazIZapisz(bramki, u"frmBramkiPilkarza"_s);
    frmPierwszyStart start(&okno, u"/home/kibic/.local/share/Mirvola/Mirvola.mdb"_s);
    pokazIZapisz(start, u"frmPierwszyStart"_s);
    return g_bledy == 0 ? 0 : 1;
}
