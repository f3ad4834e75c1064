#pragma once

#include "data/WybraneMecze.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// The supporter's records over the matches of a filter: the biggest win and defeat, the match
// with most goals, the longest runs, the most frequent opponent and the best scorer's match.
namespace rekordy {

enum class Rodzaj {
    NajwyzszeZwyciestwo,
    NajwyzszaPorazka,
    NajwiecejBramek,
    SeriaZwyciestw,
    SeriaBezPorazki,
    SeriaBezZwyciestwa,
    NajczestszyRywal,
    NajlepszyStrzelec,
};
inline constexpr int kRekordow = 8;

bool jestSeria(Rodzaj rodzaj);

// One line of a record: a match (with its scorer for the best scorer's record), the first or
// the last match of a run, or a club (the most frequent opponent, without a match).
struct Pozycja {
    std::optional<wybor::Mecz> mecz;
    QString kto;  // the club or the player
    qint64 idKlubu = 0;
};

struct Rekord {
    Rodzaj rodzaj = Rodzaj::NajwyzszeZwyciestwo;
    QString nazwa;
    std::optional<int> wartosc;  // none: no match qualifies
    // Ties in chronological order (clubs in Polish order); for a run its first and its last
    // match, or its only one.
    std::vector<Pozycja> pozycje;
    // Every match behind the record in chronological order: the tied matches, or the whole
    // run; empty for the most frequent opponent, whose matches are those against the club.
    std::vector<qint64> mecze;

    // "+6" for a win, "-5" for a defeat, the plain number otherwise; "brak" without a value.
    QString tekstWartosci() const;
};

// The goals one player scored for the home club in one match (own goals not counted).
struct BramkiZawodnika {
    qint64 idMeczu = 0;
    QString zawodnik;
    int bramek = 0;
};

// The eight records, in their fixed order, over `mecze` (in chronological order) and the
// goals of the players in those matches.
std::vector<Rekord> LiczRekordy(const std::vector<wybor::Mecz>& mecze,
                                const std::vector<BramkiZawodnika>& bramki);

// Reads the goals of every player for the home club in every match of the diary `sciezka`.
std::vector<BramkiZawodnika> WczytajBramki(const QString& sciezka);

// Reads the diary `sciezka` (two queries) and computes the records of the matches passing
// `filtr`. Engine errors go to the caller.
std::vector<Rekord> Rekordy(const QString& sciezka, const wybor::Filtr& filtr);

// What a line of a record names: the club or player, or for a run "cała seria",
// "początek serii" or "koniec serii".
QString OpisPozycji(const Rekord& rekord, size_t i);

// The record as one line of text: name, TAB, value, TAB and the comma-separated Id_meczu of
// its matches (every match of a run, in order; club names for the most frequent opponent,
// "Zawodnik@Id_meczu" for the best scorer); only the name, TAB and "brak" when no match
// qualifies. No line end.
QString LiniaRekordu(const Rekord& rekord);

}  // namespace rekordy
