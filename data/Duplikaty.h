#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

#include <limits>

// When two entries of the diary are the same entry: the one definition shared by the windows
// that refuse a duplicate and by the merging of another diary into this one. The windows send
// the queries built here; the merge compares keys in memory, which are equal exactly when the
// query would find the row (tests hold the two against each other on real files).
namespace duplikaty {

// ---- names of the dictionaries (clubs, competitions, seasons, kinds of goal)

// Two names are one name when the unique index of the dictionary refuses the second: the
// Polish case-insensitive comparison of the engine ("Łódź" = "ŁÓDŹ", "e" <> "é"). Blanks around
// a name do not count, as the dictionaries window trims what is typed; a missing (Null) or
// empty name is a name of its own.
QString kluczNazwy(const QVariant& nazwa);

// ---- players

// The player editor's fields: trimmed texts, empty where nothing was typed.
struct Gracz {
    QString imie;
    QString nazwisko;
    QString przydomek;
};

// The fields the editor would hold for a stored row (Null and blanks give an empty field).
Gracz polaGracza(const QVariant& imie, const QVariant& nazwisko, const QVariant& przydomek);

// The player editor's duplicate query: each field equal under the engine's text comparison, an
// empty field only to a Null column.
QString zapytanieGracza(const Gracz& gracz);

// Equal for two players exactly when the editor would say "Taki zawodnik już istnieje !!!".
QString kluczGracza(const Gracz& gracz);

// ---- matches

// A reference to no row at all, as a match or a goal may hold one: no row has this id.
inline constexpr qint64 kBrak = std::numeric_limits<qint64>::min();

// What the match editor compares before it adds a match. Ids are those of the diary; a score
// that is not there is kBrak as well.
struct Mecz {
    qint64 idSezonu = 0;
    QDate data;
    QString gdzie;
    qint64 idKlubu = 0;
    qint64 wyn1 = 0;
    qint64 wyn2 = 0;
    qint64 idRozgrywki = 0;
};

// The match editor's duplicate query.
QString zapytanieMeczu(const Mecz& mecz);

// Equal for two matches exactly when the editor would say "Taki mecz jest już zapisany w bazie
// !!!" for the second.
QString kluczMeczu(const Mecz& mecz);

// The day of a stored `Data` value (ISO text, or a date); an invalid date when it has none.
QDate dzienMeczu(const QVariant& data);

}  // namespace duplikaty
