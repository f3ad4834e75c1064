#pragma once

class frmMain;

// Backups from the options menu: "Kopia zapasowa..." writes a dated, checked copy of the diary
// into a folder of the user's choice (remembered between runs); "Przywróć z kopii..." puts such
// a copy in the diary's place, keeping the current diary beside it.
namespace KopiaZapasowa {

void Utworz(frmMain* okno);
void Przywroc(frmMain* okno);

}  // namespace KopiaZapasowa
