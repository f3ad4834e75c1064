// The heavy windows through their forms, offscreen: opening (load, show and the first layout)
// and the refills a user starts with one click.

#include "Scale.h"

#include "data/Mirvola.h"
#include "forms/Dialogs.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmMain.h"
#include "forms/frmMecz.h"
#include "forms/frmMecze.h"
#include "forms/frmSlowniki.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace scale {
namespace {

// The standard filters of the statistics windows as they open.
const QString kMiejsca = QStringLiteral("('D', 'W', 'N')");
const QString kWarunek = QStringLiteral(" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True");

// A message box during a measurement means that something failed: it is reported and answered
// so that nothing waits for a user.
class Answers : public ui::Handler {
  public:
    ui::Answer message(QWidget*, const ui::Message& m) override {
        std::fprintf(stderr, "message box \"%s\": %s\n", qPrintable(m.title), qPrintable(m.text));
        return m.buttons == ui::Buttons::YesNo ? ui::Answer::No : ui::Answer::Ok;
    }
    std::optional<QString> input(QWidget*, const ui::Input&) override { return std::nullopt; }
    std::optional<QString> file(QWidget*, const ui::FileRequest&) override { return std::nullopt; }
    int modal(QDialog*) override { return 0; }
};

void installAnswers() {
    static Answers answers;
    ui::setHandler(&answers);
}

// Shows a window and lets it lay itself out and paint, as the user sees it open.
void showAndSettle(QWidget& window) {
    window.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

template <class T>
T* find(const QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (!child) {
        std::fprintf(stderr, "no control %s\n", name);
        std::abort();
    }
    return child;
}

qint64 treeRows(const QObject& window, const char* name) {
    return find<QTreeWidget>(window, name)->topLevelItemCount();
}

// ---- items

Measurement openMain(const Context&) {
    return measure([] {
        frmMain okno;
        showAndSettle(okno);
        return treeRows(okno, "lstMecze");
    });
}

// Each click of a filter item refills the list; four clicks go round official -> all ->
// unofficial -> all -> official, and one click is measured at a time.
Measurement refillMain(const Context&) {
    frmMain okno;
    showAndSettle(okno);
    QAction* oficjalne = find<QAction>(okno, "itmTylkoOficjalne");
    QAction* nieoficjalne = find<QAction>(okno, "itmTylkoNieoficjalne");
    int krok = 0;
    return measure([&] {
        QAction* klik = (krok % 4 == 0 || krok % 4 == 3) ? oficjalne : nieoficjalne;
        ++krok;
        klik->trigger();
        QCoreApplication::processEvents();
        return treeRows(okno, "lstMecze");
    });
}

// A click on the pairing's header sorts the list by it, the next one the other way round.
Measurement sortMain(const Context&) {
    frmMain okno;
    showAndSettle(okno);
    QTreeWidget* lista = find<QTreeWidget>(okno, "lstMecze");
    constexpr int kMecz = 4;
    return measure([&] {
        lista->header()->sectionClicked(kMecz);
        QCoreApplication::processEvents();
        return qint64(lista->topLevelItemCount());
    });
}

Measurement openViewerFromMain(const Context& c) {
    return measure([&] {
        Mirvola::dblIdMeczu = static_cast<double>(c.middleMatch);
        const FiltrMeczow filtr{true, false, {}, {}};
        frmMecze okno(nullptr, true, filtr);
        showAndSettle(okno);
        return qint64(find<QPushButton>(okno, "cmdZmiana_1")->isEnabled());
    });
}

Measurement stepViewer(const Context& c) {
    Mirvola::dblIdMeczu = static_cast<double>(c.middleMatch);
    frmMecze okno(nullptr, true, FiltrMeczow{true, false, {}, {}});
    showAndSettle(okno);
    QPushButton* nastepny = find<QPushButton>(okno, "cmdZmiana_2");
    QPushButton* poprzedni = find<QPushButton>(okno, "cmdZmiana_1");
    int krok = 0;
    return measure([&] {
        (krok++ % 2 == 0 ? nastepny : poprzedni)->click();
        QCoreApplication::processEvents();
        return qint64(1);
    });
}

Measurement openViewerFromStatistics(const Context& c) {
    return measure([&] {
        Mirvola::dblIdMeczu = static_cast<double>(c.busyClub);
        frmMecze okno(nullptr, false, FiltrMeczow{false, false, c.officialIn, kMiejsca});
        showAndSettle(okno);
        return qint64(1);
    });
}

Measurement openMatchStatistics(const Context&) {
    return measure([] {
        frmStatystykiMecze okno;
        showAndSettle(okno);
        return treeRows(okno, "lstKluby");
    });
}

// A venue check box: the table is refilled (the balances stay).
Measurement refilterMatchStatisticsVenue(const Context&) {
    frmStatystykiMecze okno;
    showAndSettle(okno);
    QCheckBox* wyjazd = find<QCheckBox>(okno, "chkOpcja_1");
    return measure([&] {
        wyjazd->click();
        QCoreApplication::processEvents();
        return treeRows(okno, "lstKluby");
    });
}

// The first competition of a statistics window's checklist, switched off and on in turn; each
// click refills the window's table (named by list).
template <class Window>
Measurement toggleFirstCompetition(const char* list) {
    Window okno;
    showAndSettle(okno);
    QListWidgetItem* pierwsza = find<QListWidget>(okno, "lstRozgr")->item(0);
    return measure([&] {
        pierwsza->setCheckState(pierwsza->checkState() == Qt::Checked ? Qt::Unchecked
                                                                      : Qt::Checked);
        QCoreApplication::processEvents();
        return treeRows(okno, list);
    });
}

// A competition: the table and the four balances.
Measurement refilterMatchStatisticsCompetition(const Context&) {
    return toggleFirstCompetition<frmStatystykiMecze>("lstKluby");
}

Measurement openPlayerStatistics(const Context&) {
    return measure([] {
        frmStatystykiPilkarze okno;
        showAndSettle(okno);
        return treeRows(okno, "lstGracze");
    });
}

// Goal options clicked in turn: own goals too, against the home club too, then back.
Measurement refilterPlayerStatistics(const Context&) {
    frmStatystykiPilkarze okno;
    showAndSettle(okno);
    const std::array<QCheckBox*, 2> opcje = {find<QCheckBox>(okno, "chkOpcja_4"),
                                             find<QCheckBox>(okno, "chkOpcja_6")};
    int krok = 0;
    return measure([&] {
        opcje[static_cast<size_t>((krok++ / 2) % 2)]->click();
        QCoreApplication::processEvents();
        return treeRows(okno, "lstGracze");
    });
}

Measurement refilterPlayerStatisticsCompetition(const Context&) {
    return toggleFirstCompetition<frmStatystykiPilkarze>("lstGracze");
}

Measurement openPlayersGoals(const Context& c) {
    return measure([&] {
        frmBramkiPilkarza okno(nullptr, static_cast<double>(c.topScorer), c.officialIn, kMiejsca,
                               kWarunek);
        showAndSettle(okno);
        return treeRows(okno, "lstBramki");
    });
}

Measurement openEditorToAdd(const Context&) {
    return measure([] {
        Mirvola::blnPoprawa = Mirvola::False;
        frmMecz okno;
        showAndSettle(okno);
        return qint64(find<QListWidget>(okno, "lstGracze_0")->count());
    });
}

Measurement openEditorToModify(const Context& c) {
    return measure([&] {
        Mirvola::blnPoprawa = Mirvola::True;
        Mirvola::dblIdMeczu = static_cast<double>(c.middleMatch);
        frmMecz okno;
        showAndSettle(okno);
        return qint64(find<QListWidget>(okno, "lstGracze_0")->count());
    });
}

Measurement openDictionaries(const Context&) {
    return measure([] {
        Mirvola::blnPoprawa = Mirvola::False;
        frmSlowniki okno;
        showAndSettle(okno);
        return qint64(find<QListWidget>(okno, "lstDane")->count());
    });
}

// The players' tab and back to the clubs: two fills, the larger one of players.
Measurement switchDictionaries(const Context&) {
    Mirvola::blnPoprawa = Mirvola::False;
    frmSlowniki okno;
    showAndSettle(okno);
    QTabWidget* zakladki = find<QTabWidget>(okno, "tstSlowniki");
    return measure([&] {
        zakladki->setCurrentIndex(1);
        QCoreApplication::processEvents();
        const qint64 gracze = find<QListWidget>(okno, "lstDane")->count();
        zakladki->setCurrentIndex(0);
        QCoreApplication::processEvents();
        return gracze;
    });
}

Item window(const char* name, Measurement (*program)(const Context&)) {
    return {QString::fromUtf8(name),
            [program](const Context& c) {
                installAnswers();
                Mirvola::UstawKatalogProgramu(c.dir);
                return program(c);
            },
            {}};
}

}  // namespace

std::vector<Item> windowItems() {
    return {
        window("main window: open (load and fill)", openMain),
        window("main window: refill on a filter click", refillMain),
        window("main window: sort by a header click", sortMain),
        window("viewer: open from the main list", openViewerFromMain),
        window("viewer: one step", stepViewer),
        window("viewer: open from the match stats", openViewerFromStatistics),
        window("match stats: open", openMatchStatistics),
        window("match stats: refilter, a venue", refilterMatchStatisticsVenue),
        window("match stats: refilter, a competition", refilterMatchStatisticsCompetition),
        window("player stats: open", openPlayerStatistics),
        window("player stats: refilter, a goal option", refilterPlayerStatistics),
        window("player stats: refilter, a competition", refilterPlayerStatisticsCompetition),
        window("player's goals: open (top scorer)", openPlayersGoals),
        window("editor: open to add", openEditorToAdd),
        window("editor: open to modify", openEditorToModify),
        window("dictionaries: open", openDictionaries),
        window("dictionaries: players' tab and back", switchDictionaries),
    };
}

int coldStartChild(const QString& dir) {
    installAnswers();
    Mirvola::UstawKatalogProgramu(dir);
    frmMain okno;
    if (okno.koniecProgramu()) {
        return 1;
    }
    showAndSettle(okno);
    std::printf("ready %lld %lld %.3f\n", static_cast<long long>(treeRows(okno, "lstMecze")),
                static_cast<long long>(peakResidentKb()), processCpuMs());
    std::fflush(stdout);
    return 0;
}

// A user's session: the main window, and over it in turn every heavy window, the nested ones
// over their openers, as a user opens them one after the other.
int sessionChild(const QString& dir) {
    installAnswers();
    Mirvola::UstawKatalogProgramu(dir);
    const Context c = lookUp(dir);
    frmMain glowne;
    showAndSettle(glowne);
    {
        Mirvola::dblIdMeczu = static_cast<double>(c.middleMatch);
        frmMecze opis(&glowne, true, FiltrMeczow{true, false, {}, {}});
        showAndSettle(opis);
    }
    {
        frmStatystykiMecze statystyki(&glowne);
        showAndSettle(statystyki);
        Mirvola::dblIdMeczu = static_cast<double>(c.busyClub);
        frmMecze opis(&statystyki, false, FiltrMeczow{false, false, c.officialIn, kMiejsca});
        showAndSettle(opis);
    }
    {
        frmStatystykiPilkarze statystyki(&glowne);
        showAndSettle(statystyki);
        frmBramkiPilkarza bramki(&statystyki, static_cast<double>(c.topScorer), c.officialIn,
                                 kMiejsca, kWarunek);
        showAndSettle(bramki);
    }
    {
        Mirvola::blnPoprawa = Mirvola::True;
        Mirvola::dblIdMeczu = static_cast<double>(c.middleMatch);
        frmMecz edytor(&glowne);
        showAndSettle(edytor);
        Mirvola::blnPoprawa = Mirvola::False;
        frmSlowniki slowniki(&edytor);
        showAndSettle(slowniki);
        find<QTabWidget>(slowniki, "tstSlowniki")->setCurrentIndex(1);
        QCoreApplication::processEvents();
    }
    std::printf("%lld\n", static_cast<long long>(peakResidentKb()));
    std::fflush(stdout);
    return 0;
}

}  // namespace scale
