#include "forms/DolaczenieMeczow.h"

#include "data/Dolaczenie.h"
#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmMain.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace DolaczenieMeczow {
namespace {

using ui::Answer;
using ui::Buttons;
using ui::Icon;

const QString kTytul = QStringLiteral("Dołącz mecze z innego dziennika");
const QString kKluczKatalogu = QStringLiteral("dolaczenie/katalog");

// A message box shows at most this many conflicts and differences; mirvola-db lists them all.
constexpr qsizetype kPokazaneLinie = 8;

QString natywna(const QString& sciezka) {
    return QDir::toNativeSeparators(sciezka);
}

// The name the diary would be kept under now: the first free one.
QString nazwaZachowanego() {
    const QString plik = engine::realFile(Mirvola::SciezkaBazy());
    return QFileInfo(engine::firstFreeName([&](int n) { return dolaczenie::keptName(plik, n); }))
        .fileName();
}

// The plan's lines, with long lists cut for a message box and set apart by a blank line.
QString opisPlanu(const dolaczenie::Plan& plan) {
    QStringList linie;
    qsizetype wLiscie = 0;
    qsizetype pominiete = 0;
    for (const QString& linia : plan.linie()) {
        if (!linia.startsWith(QStringLiteral("- "))) {
            if (pominiete > 0) {
                linie << QStringLiteral("- ... i jeszcze %1").arg(pominiete);
            }
            if (linia.endsWith(u':')) {  // a list's heading
                linie << QString();
            }
            wLiscie = pominiete = 0;
            linie << linia;
        } else if (++wLiscie <= kPokazaneLinie) {
            linie << linia;
        } else {
            ++pominiete;
        }
    }
    if (pominiete > 0) {
        linie << QStringLiteral("- ... i jeszcze %1").arg(pominiete);
    }
    return linie.join(u'\n');
}

std::optional<dolaczenie::Plan> przygotuj(frmMain* okno, const QString& plik) {
    try {
        const ui::Hourglass klepsydra;
        return dolaczenie::przygotuj(Mirvola::SciezkaBazy(), plik);
    } catch (const engine::Error& e) {
        ui::messageBox(okno, ui::tytul::kKomunikat,
                       e.description() + QStringLiteral("\nDziennik nie został zmieniony."),
                       Buttons::Ok, Icon::Exclamation);
        return std::nullopt;
    }
}

bool czyDolaczyc(frmMain* okno, const dolaczenie::Plan& plan) {
    const QString pytanie =
        QStringLiteral(
            "Dołączenie meczów z pliku\n%1\n(%2):\n\n%3\n\nCzy dołączyć? Obecny "
            "dziennik zostanie zachowany obok jako %4.")
            .arg(natywna(plan.plik), plan.rodzaj, opisPlanu(plan), nazwaZachowanego());
    return ui::messageBox(okno, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question,
                          Answer::No) == Answer::Yes;
}

}  // namespace

void Dolacz(frmMain* okno) {
    const std::optional<QString> plik =
        ui::fileDialog(okno, {ui::FileMode::Open, kTytul, ui::zapamietanyKatalog(kKluczKatalogu),
                              QString(), QStringLiteral("Dzienniki (*.mdb);;Wszystkie pliki (*)")});
    if (!plik) {
        return;
    }
    ui::zapamietajKatalog(kKluczKatalogu, QFileInfo(*plik).absolutePath());
    const std::optional<dolaczenie::Plan> plan = przygotuj(okno, *plik);
    if (!plan) {
        return;
    }
    if (plan->pusty()) {
        ui::messageBox(okno, ui::tytul::kInfo,
                       QStringLiteral("W pliku\n%1\nnie ma nic, czego brakuje w dzienniku.\n\n%2"
                                      "\n\nDziennik nie został zmieniony.")
                           .arg(natywna(plan->plik), opisPlanu(*plan)),
                       Buttons::Ok, Icon::Information);
        return;
    }
    if (!czyDolaczyc(okno, *plan)) {
        return;
    }
    std::optional<dolaczenie::Wynik> wynik;
    ui::wykonajPonawiajac(
        okno,
        [&] {
            const ui::Hourglass klepsydra;
            wynik = dolaczenie::dolacz(Mirvola::SciezkaBazy(), *plik);
        },
        [&](const engine::Error& e) {
            ui::messageBox(okno, ui::tytul::kBlad,
                           QStringLiteral("Nie udało się dołączyć meczów.\n") + e.description(),
                           Buttons::Ok, Icon::Critical);
        });
    if (!wynik) {
        return;
    }
    ui::messageBox(okno, ui::tytul::kInfo, dolaczenie::podsumowanie(*wynik), Buttons::Ok,
                   Icon::Information);
    ui::polecenie(okno, [okno] { okno->WypelnijListe(); });
}

}  // namespace DolaczenieMeczow
