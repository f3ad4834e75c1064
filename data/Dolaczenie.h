#pragma once

#include <QString>
#include <QStringList>

#include <array>

// Merging another diary into the current one: another diary of this program, or the old
// program's Jet file. First a plan says what would happen; only dolacz() changes the diary.
//
// An entry of the other file is the diary's entry when the program itself would refuse it as a
// duplicate (Duplikaty.h): a club, competition, season or kind of goal by its name, a player by
// his three names, a match by season, day, venue, opponent, score and competition. Everything
// else is added under new ids, its references pointing at the matched or added entries; a
// reference of the other file to a row missing there stays a reference to nothing. A match that
// is there with other goals, or another match against the same club on the same day, is a
// conflict: never overwritten, only listed. Where a matched competition or kind of goal has
// another flag, the diary's flag stays and the difference is listed.
namespace dolaczenie {

// One dictionary in a plan.
struct Slownik {
    QString nazwa;  // "Kluby", "Gracze", "Rozgrywki", "Sezony", "Rodzaje goli"
    qint64 doDodania = 0;
    qint64 wDzienniku = 0;  // matched by name
    QStringList dodawane;   // the names of the entries to add, as shown in the lists
};

struct Plan {
    QString plik;    // the other file
    QString rodzaj;  // what kind of file it is, in the user's words
    std::array<Slownik, 5> slowniki;
    qint64 meczeDoDodania = 0;
    qint64 bramkiDoDodania = 0;
    qint64 meczePominiete = 0;  // already in the diary with the same goals
    QStringList konflikty;      // one line per conflicting match
    QStringList roznice;        // one line per differing flag
    qint64 pusteOdwolania = 0;  // references to rows the other file does not have
    // Triggers, views and other schema code of the other file, which stay there: only rows
    // come over.
    QStringList obceObiekty;

    // Nothing would be added.
    bool pusty() const;
    // The plan in the user's words: one line per kind of change, then the differing flags and
    // the conflicts, each under a heading line, and the other file's schema code left behind.
    QStringList linie() const;
};

// What merging `inny` into the diary `dziennik` would do; both files are only read. A file that
// is neither kind of diary, or cannot be read, is an engine::Error naming it.
Plan przygotuj(const QString& dziennik, const QString& inny);

struct Wynik {
    Plan plan;          // what was done
    QString zachowany;  // where the diary as it was is kept; empty when nothing was added
};

// Merges `inny` into the diary. The merged diary is built and checked beside the real file in
// one transaction and replaces it in one rename; the diary as it was stays beside it as
// keptName(). Any failure leaves the diary as it was (and no kept copy); another process holding
// the diary is err::FileInUse, a diary the user may not write err::ReadOnly. With nothing to add
// the diary is not touched.
Wynik dolacz(const QString& dziennik, const QString& inny);

// "<diary>.przed-dolaczeniem", then "<diary>.przed-dolaczeniem2", ...
QString keptName(const QString& diaryPath, int n);

// The final message: what was added, and where the diary as it was is kept.
QString podsumowanie(const Wynik& wynik);

}  // namespace dolaczenie
