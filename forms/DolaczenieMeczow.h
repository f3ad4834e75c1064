#pragma once

class frmMain;

// "Dołącz mecze z innego dziennika..." of the options menu: picks another diary or an old
// program's file, shows what merging it would do, and merges it only after "Tak"; the diary as
// it was stays beside it.
namespace DolaczenieMeczow {

void Dolacz(frmMain* okno);

}  // namespace DolaczenieMeczow
