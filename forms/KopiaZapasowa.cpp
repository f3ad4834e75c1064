#include "forms/KopiaZapasowa.h"

#include "data/Backup.h"
#include "data/MiejsceDziennika.h"
#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "forms/Dialogs.h"
#include "forms/Toolkit.h"
#include "forms/frmMain.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace KopiaZapasowa {
namespace {

using ui::Answer;
using ui::Buttons;
using ui::Icon;

const QString kKluczKatalogu = QStringLiteral("kopia/katalog");
const QString kTytulKopii = QStringLiteral("Kopia zapasowa");
const QString kTytulPrzywracania = QStringLiteral("Przywróć z kopii");

// The name the current diary would be kept under now: the first free one.
QString nazwaZachowanego() {
    const QString plik = engine::realFile(Mirvola::SciezkaBazy());
    return QFileInfo(engine::firstFreeName([&](int n) { return backup::keptName(plik, n); }))
        .fileName();
}

QString natywna(const QString& sciezka) {
    return QDir::toNativeSeparators(sciezka);
}

// Runs a step; another process holding the diary gets the program's Retry/Cancel question, any
// other failure its message. Nothing when the step did not complete.
template <class F>
auto Wykonaj(QWidget* okno, const QString& bladPoczatek, F&& krok)
    -> std::optional<decltype(krok())> {
    std::optional<decltype(krok())> wynik;
    ui::wykonajPonawiajac(
        okno,
        [&] {
            const ui::Hourglass klepsydra;
            wynik = krok();
        },
        [&](const engine::Error& e) {
            ui::messageBox(okno, ui::tytul::kBlad, bladPoczatek + e.description(), Buttons::Ok,
                           Icon::Critical);
        });
    return wynik;
}

}  // namespace

void Utworz(frmMain* okno) {
    const std::optional<QString> katalog =
        ui::fileDialog(okno, {ui::FileMode::Directory, kTytulKopii,
                              ui::zapamietanyKatalog(kKluczKatalogu), QString(), QString()});
    if (!katalog) {
        return;
    }
    ui::zapamietajKatalog(kKluczKatalogu, *katalog);
    const auto kopia = Wykonaj(
        okno, QStringLiteral("Nie udało się wykonać kopii zapasowej.\n"),
        [&] { return backup::createBackup(Mirvola::SciezkaBazy(), *katalog, ui::today()); });
    if (kopia) {
        ui::messageBox(okno, ui::tytul::kInfo,
                       QStringLiteral("Kopia zapasowa dziennika została zapisana w pliku\n%1")
                           .arg(natywna(*kopia)),
                       Buttons::Ok, Icon::Information);
    }
}

namespace {

std::optional<QString> wybierzKopie(QWidget* okno) {
    return ui::fileDialog(
        okno, {ui::FileMode::Open, kTytulPrzywracania, ui::zapamietanyKatalog(kKluczKatalogu),
               QString(), QStringLiteral("Dzienniki Mirvola (*.mdb);;Wszystkie pliki (*)")});
}

// What the backup holds; nothing when it is no sound diary (the user has been told, and that
// `coZostalo`).
std::optional<backup::BackupInfo> sprawdzKopie(QWidget* okno, const QString& plik,
                                               const QString& coZostalo) {
    try {
        const ui::Hourglass klepsydra;
        return backup::checkBackup(plik);
    } catch (const engine::Error& e) {
        ui::messageBox(okno, ui::tytul::kKomunikat, e.description() + u'\n' + coZostalo,
                       Buttons::Ok, Icon::Exclamation);
        return std::nullopt;
    }
}

}  // namespace

bool PrzywrocDoNowego(QWidget* okno, const QString& cel) {
    const std::optional<QString> plik = wybierzKopie(okno);
    if (!plik) {
        return false;
    }
    const auto kopia = sprawdzKopie(okno, *plik, QStringLiteral("Dziennik nie został utworzony."));
    if (!kopia) {
        return false;
    }
    const QString pytanie =
        QStringLiteral(
            "Czy przywrócić dziennik z kopii z pliku\n%1\n(%2)?\n\nDziennik zostanie "
            "zapisany w pliku\n%3")
            .arg(natywna(*plik), ui::liczbaMeczow(kopia->matches), natywna(cel));
    if (ui::messageBox(okno, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question,
                       Answer::Yes) != Answer::Yes) {
        return false;
    }
    const auto zrobione =
        Wykonaj(okno, QStringLiteral("Nie udało się przywrócić dziennika z kopii.\n"), [&] {
            dziennik::KatalogNowejBazy katalog(cel);
            backup::restoreToNewFile(*plik, cel);
            katalog.keep();
            return true;
        });
    if (!zrobione) {
        return false;
    }
    ui::messageBox(
        okno, ui::tytul::kInfo,
        QStringLiteral("Dziennik został przywrócony z kopii do pliku\n%1").arg(natywna(cel)),
        Buttons::Ok, Icon::Information);
    return true;
}

void Przywroc(frmMain* okno) {
    const std::optional<QString> plik = wybierzKopie(okno);
    if (!plik) {
        return;
    }
    try {
        backup::refuseDiaryItself(*plik, Mirvola::SciezkaBazy());
    } catch (const engine::Error& e) {
        ui::messageBox(okno, ui::tytul::kKomunikat,
                       e.description() + QStringLiteral("\nDziennik nie został zmieniony."),
                       Buttons::Ok, Icon::Exclamation);
        return;
    }
    const auto sprawdzona =
        sprawdzKopie(okno, *plik, QStringLiteral("Dziennik nie został zmieniony."));
    if (!sprawdzona) {
        return;
    }
    const backup::BackupInfo kopia = *sprawdzona;
    const QString pytanie =
        QStringLiteral(
            "Czy zastąpić dziennik kopią z pliku\n%1\n(%2)?\n\nObecny dziennik "
            "zostanie zachowany obok jako %3.")
            .arg(natywna(*plik), ui::liczbaMeczow(kopia.matches), nazwaZachowanego());
    if (ui::messageBox(okno, ui::tytul::kPytanie, pytanie, Buttons::YesNo, Icon::Question,
                       Answer::No) != Answer::Yes) {
        return;
    }
    const auto zachowany =
        Wykonaj(okno, QStringLiteral("Nie udało się przywrócić dziennika z kopii.\n"),
                [&] { return backup::restoreBackup(*plik, Mirvola::SciezkaBazy()); });
    if (!zachowany) {
        return;
    }
    ui::messageBox(okno, ui::tytul::kInfo,
                   QStringLiteral("Dziennik został przywrócony z kopii.\nPoprzedni dziennik "
                                  "zachowano w pliku\n%1")
                       .arg(natywna(*zachowany)),
                   Buttons::Ok, Icon::Information);
    ui::polecenie(okno, [okno] { okno->WypelnijListe(); });
}

}  // namespace KopiaZapasowa
