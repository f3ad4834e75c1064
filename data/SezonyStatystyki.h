#pragma once

#include "data/WybraneMecze.h"

#include <QString>

#include <vector>

// How the seasons went: per season the matches attended, the results and the goals, over the
// matches of a filter.
namespace sezony {

// The label of the matches whose season row is missing; they stand after every season.
inline const QString kBezSezonu = QStringLiteral("bez sezonu");

struct Sezon {
    QString sezon;
    int mecze = 0;  // every match, also one without a score
    int zwyciestwa = 0;
    int remisy = 0;
    int porazki = 0;
    int strzelone = 0;
    int stracone = 0;
};

// Seasons with at least one of `mecze`, in the order of their names (oldest first).
std::vector<Sezon> LiczSezony(const std::vector<wybor::Mecz>& mecze);

// Reads the diary `sciezka` (one query) and sums up the seasons of the matches passing
// `filtr`. Engine errors go to the caller.
std::vector<Sezon> Sezony(const QString& sciezka, const wybor::Filtr& filtr);

}  // namespace sezony
