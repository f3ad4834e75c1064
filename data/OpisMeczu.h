#pragma once

#include "data/engine/Recordset.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// The goals of a match as the match description shows them. Shared by the viewer and the
// printed report.
namespace opis {

// The goals query without its condition and order: scorer's display name (Strzelec), minute
// and kind of every goal, kept also when the scorer or the kind row is missing.
extern const QString kZapytanieBramek;

// The goals of one match in their numbered order, as the viewer reads them.
QString ZapytanieBramekMeczu(const QString& idMeczu);

struct Bramka {
    qint64 idMeczu = 0;
    bool dlaMirvoli = false;
    QString strzelec;  // a missing value is an empty text
    QString minuta;
    QString jak;
};

// The current row of a goals query.
Bramka CzytajBramke(const engine::Recordset& rs);

// One line of a scorers grid: "Jan Kowalski 12'  (karny)".
QString LiniaBramki(const Bramka& b);

// The goals of one side in one line, a scorer once with all his minutes in the order of his
// first goal: "Jan Kowalski 12' (z gry), 80' (karny); Piotr Nowak 45' (głową)".
QString StrzelcyJednymWierszem(const std::vector<Bramka>& bramki);

}  // namespace opis
