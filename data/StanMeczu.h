#pragma once

#include <QString>
#include <QStringList>

// What the diary holds of one match: its row of Mecze and its rows of Bramki. The match editor
// keeps it from the moment it loaded the match and compares it with the diary's before it
// writes, so that a change made meanwhile by another program (another copy of this one, or a
// tool on the same file) is never overwritten unseen.
namespace Mirvola {

struct StanMeczu {
    bool istnieje = false;  // false: the match is no longer in the diary
    QStringList mecz;       // every column of the row, as text (Null distinct from empty)
    QStringList bramki;     // one text per goal, in the order of Nr_pozycji

    bool operator==(const StanMeczu&) const = default;
};

// Reads the match `strIdMeczu` and its goals through the shared recordset (inside the
// workspace transaction when one is open, so that the check and the write see the same file).
StanMeczu OdczytajStanMeczu(const QString& strIdMeczu);

}  // namespace Mirvola
