#pragma once

#include <QString>

class QWidget;
class frmMain;

// Backups from the options menu: "Kopia zapasowa..." writes a dated, checked copy of the diary
// into a folder of the user's choice (remembered between runs); "Przywróć z kopii..." puts such
// a copy in the diary's place, keeping the current diary beside it.
namespace KopiaZapasowa {

void Utworz(frmMain* okno);
void Przywroc(frmMain* okno);

// The first start: picks a backup, checks it and asks, then puts a copy of it at `cel` (making
// its folder when missing). False when nothing was made.
bool PrzywrocDoNowego(QWidget* okno, const QString& cel);

}  // namespace KopiaZapasowa
