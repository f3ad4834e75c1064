#include "forms/Aplikacja.h"

#include "data/MiejsceDziennika.h"
#include "data/Mirvola.h"
#include "data/engine/Error.h"
#include "data/engine/Workspace.h"
#include "forms/Dialogs.h"
#include "forms/JedenProgram.h"
#include "forms/Toolkit.h"
#include "forms/frmMain.h"

#include <QIcon>

#include <new>
#include <optional>

namespace {

// The numbers the old runtime gave the same conditions: out of memory, and an internal error.
constexpr int kBrakPamieci = 7;
constexpr int kBladWewnetrzny = 51;

engine::Error jakoBlad(const std::exception_ptr& wyjatek) {
    try {
        std::rethrow_exception(wyjatek);
    } catch (const engine::Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return engine::Error(kBrakPamieci, QStringLiteral("Brak pamięci."));
    } catch (const std::exception& e) {
        return engine::Error(kBladWewnetrzny, QStringLiteral("Błąd wewnętrzny programu: ") +
                                                  QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return engine::Error(kBladWewnetrzny, QStringLiteral("Błąd wewnętrzny programu."));
    }
}

// Nothing half-written stays in the diary: what the interrupted command began is undone.
void zabezpieczDziennik() noexcept {
    try {
        if (engine::Workspace::inTransaction()) {
            engine::Workspace::rollback();
        }
    } catch (...) {
        // Closing the connection below undoes the transaction all the same.
    }
    Mirvola::ZamknijBazeCicho();
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace

namespace ui {

void obsluzWyjatek(const std::exception_ptr& wyjatek) noexcept {
    zabezpieczDziennik();
    try {
        const engine::Error blad = jakoBlad(wyjatek);
        messageBox(QApplication::activeWindow(), tytul::kBlad, tekstBledu(blad), Buttons::Ok,
                   Icon::Critical);
    } catch (...) {
        // Nothing more can be told; the diary is safe already.
    }
}

}  // namespace ui

Aplikacja::Aplikacja(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Mirvola"));
    setOrganizationName(QStringLiteral("Mirvola"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/mirvola.svg")));
}

bool Aplikacja::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ui::obsluzWyjatek(std::current_exception());
        return false;
    }
}

int Aplikacja::uruchom() {
    try {
        ui::installToolkit();
        // Without a diary yet, the one the first start will make is claimed.
        JedenProgram jedenProgram(dziennik::DomyslnaBaza());
        if (!jedenProgram.zajmij()) {
            return 1;
        }
        std::optional<frmMain> okno(std::in_place);
        if (okno->koniecProgramu()) {
            return 1;
        }
        jedenProgram.pokazujPrzy(&*okno);
        okno->show();
        return exec();
    } catch (...) {
        ui::obsluzWyjatek(std::current_exception());
        return 1;
    }
}
