#pragma once

#include "data/CsvExport.h"

#include <QString>

#include <functional>

class QTreeWidget;
class QWidget;

// "Eksportuj do CSV...": every list of the program can be written to a spreadsheet file just as
// it is shown.
namespace ui {

// The list as shown: the captions of its visible columns and every row in its current order
// (filters and sorting as they stand). Padding that lines numbers up on screen is dropped, so
// that a spreadsheet reads them as numbers ("   7." is 7, "  42" is 42).
csv::Table tabelaListy(const QTreeWidget* lista);

// A cell's text as a spreadsheet should get it: a padded whole number (with the running number's
// dot) becomes the plain number; every other text stays as it is.
QString komorkaCsv(const QString& tekst);

// Gives the list a context menu with "Eksportuj do CSV..." that exports it (EksportujDoCsv).
// `nazwa` starts the proposed file name ("mecze" proposes mecze-2026-12-07.csv).
void dodajEksportCsv(QTreeWidget* lista, const QString& nazwa);

// The same for any widget whose table and file name are known only when the user asks.
void dodajEksportCsv(QWidget* widok, std::function<csv::Table()> tabela,
                     std::function<QString()> nazwa);

// Asks where to save (a save dialog proposing "<nazwa>-RRRR-MM-DD.csv" in the folder used last)
// and writes the table there; a failed write leaves an earlier file intact and is reported in a
// message box. False when nothing was written (cancelled or failed).
bool EksportujDoCsv(QWidget* okno, const csv::Table& tabela, const QString& nazwa);

}  // namespace ui
