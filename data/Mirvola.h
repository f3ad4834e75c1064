#pragma once

#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/Recordset.h"

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <memory>

// The program's shared module: the few variables every window shares and the three procedures
// through which the windows reach the diary. No connection lives between user actions: each
// command opens the file, does its work and closes it again. Engine errors (engine::Error) go
// unchanged to the caller.
namespace Mirvola {

inline constexpr qint16 True = -1;
inline constexpr qint16 False = 0;

// The home club: a constant of the program, never a row of a table.
inline const QString kKlubMirvola = QStringLiteral("Mirvola Wendrow");

extern std::unique_ptr<engine::Database> dbBaza;
extern std::unique_ptr<engine::Recordset> rsDane;
extern QString strSciezka;
extern QString strSQL;
extern double dblIdMeczu;
extern qint16 blnPoprawa;

// Opens the diary and the shared recordset rsDane on `sql` (a query or a bare table name).
void OtworzBaze(const QString& sql);
// Closes rsDane and dbBaza and empties both; without an open base it is err::ObjectNotSet.
void ZamknijBaze();
// Runs one action query in a connection of its own, with the busy cursor meanwhile.
void WykonajSQL(const QString& sql);

// The program's directory (no trailing separator).
QString KatalogProgramu();
// The diary in use: "Mirvola.mdb" in the program's directory when it is there (a portable copy,
// the per-user install), else the one in the user's data folder when that is there, else the
// program's directory again, where the start-up then finds none. Everything that works on the
// diary keeps its companion files beside whichever file this is.
QString SciezkaBazy();
QString SciezkaKopiiBazy();  // "KopiaMirvola.mdb" beside SciezkaBazy()
// Closes rsDane and dbBaza when either is open, without raising an error: for the way out of a
// command that an engine error ended, whose own error is the one to report.
void ZamknijBazeCicho() noexcept;

// The shared base for one command: opens it (OtworzBaze) when given an SQL text, and closes
// whatever is still open when the command leaves the scope, also through an error, so that no
// connection outlives a user action.
class StrazBazy {
  public:
    StrazBazy() = default;
    explicit StrazBazy(const QString& sql);
    ~StrazBazy() { ZamknijBazeCicho(); }
    StrazBazy(const StrazBazy&) = delete;
    StrazBazy& operator=(const StrazBazy&) = delete;
};

// Tests point the program's directory elsewhere; nothing else changes it.
void UstawKatalogProgramu(const QString& katalog);

// The GUI installs this so that WykonajSQL can show the busy cursor without the core library
// knowing about widgets. `busy` true sets it, false restores it.
// Returns the hook installed before.
using BusyCursorHook = void (*)(bool busy);
BusyCursorHook UstawKursorZajetosci(BusyCursorHook hook);

// A date as "7 grudnia 2026" (day without a leading zero, the month's Polish name in the
// genitive, four-digit year); an empty text for an invalid date.
QString DataSlownie(const QDate& data);

// Puts a text into SQL between apostrophes, each apostrophe inside doubled.
QString TekstSQL(const QString& tekst);
// Doubles each apostrophe of a text that is placed between apostrophes by the caller
// (filter texts inside LIKE '*...*').
QString PodwojApostrofy(const QString& tekst);

}  // namespace Mirvola
