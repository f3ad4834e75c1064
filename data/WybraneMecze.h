#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <vector>

// The matches a question is asked about: those of the chosen competitions and venues, read in
// one query and put in chronological order. Records and season charts are computed from them.
namespace wybor {

// The user's choices as the statistics windows write them, SQL In-lists such as "(1, 4)" and
// "('D', 'N')"; an empty text sets no condition, so a default Filtr takes every match.
struct Filtr {
    QString strRozgrywki;
    QString strGdzie;
    // The seasons' Id_sezonu as an In-list, e.g. "(3, 4)"; empty: every season, also a match
    // whose season row is missing. (Its initializer lets the windows leave it out.)
    QString strSezony{};
};

enum class Rezultat { BezWyniku, Zwyciestwo, Remis, Porazka };

struct Mecz {
    qint64 idMeczu = 0;
    QDate data;                    // null when the match has no date
    std::optional<QString> sezon;  // none when the season row is missing
    QString gdzie;
    qint64 idKlubu = 0;
    std::optional<QString> druzyna;  // none when the club row is missing
    std::optional<int> wyn1;
    std::optional<int> wyn2;
    // As the main list shows them: pairing, score ("2:1", ":" without a score), competition.
    QString para;
    QString wynik;
    QString rozgrywki;
    QString komentarz;  // empty when there is none

    bool maWynik() const { return wyn1 && wyn2; }
    // Wyn2 is the home club's when it played away, Wyn1 otherwise. Only with a score.
    int bramkiMirvoli() const;
    int bramkiRywala() const;
    Rezultat rezultat() const;
};

// Dated matches by date, then those without a date; Id_meczu breaks ties in both.
bool wczesniejszy(const Mecz& a, const Mecz& b);

// The conditions of `filtr` on the table Mecze, e.g. "Mecze.Gdzie In ('D', 'N')".
QStringList Warunki(const Filtr& filtr);

// The matches of the diary `sciezka` that pass `filtr`, in chronological order; a match whose
// season, club or competition row is missing is still taken. Engine errors go to the caller.
std::vector<Mecz> WczytajMecze(const QString& sciezka, const Filtr& filtr);

// `tekst` against `inny` in Polish alphabetical order, as the lists sort names.
bool mniejszyPolsko(const QString& tekst, const QString& inny);

}  // namespace wybor
