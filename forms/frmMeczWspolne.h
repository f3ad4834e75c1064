#pragma once

// Internal to the match editor's units: what its pickers, scorers grids and save share.

#include "data/Mirvola.h"
#include "data/engine/Error.h"

#include <QHash>
#include <QString>
#include <QTableWidget>

#include <vector>

namespace mecz {

inline constexpr int kSzerokoscZawodnika = 2700;
inline constexpr int kWaskiZawodnik = 2465;  // leaves room for the scroll bar from 4 goal rows on
inline constexpr int kSzerokoscMinuty = 700;
inline constexpr int kSzerokoscJak = 1120;
inline constexpr int kWysokoscWiersza = 270;
inline constexpr int kWidoczneWiersze = 3;

inline QString tekstId(double id) {
    return QString::number(id, 'f', 0);
}

// The id at a list position; a position without an id is the old engine's "subscript out of
// range", so a save that meets it rolls back like any other failed write.
inline qlonglong idNaPozycji(const std::vector<double>& ids, int pozycja) {
    if (pozycja < 0 || static_cast<size_t>(pozycja) >= ids.size()) {
        throw engine::Error(9, QStringLiteral("Indeks poza zakresem"));
    }
    return static_cast<qlonglong>(ids[static_cast<size_t>(pozycja)]);
}

// A hidden id cell as a column value; an empty cell (a goal whose kind of goal no longer
// exists) is stored as Null.
inline QVariant idKomorki(const QTableWidgetItem* item) {
    const QString tekst = item ? item->text() : QString();
    if (tekst.isEmpty()) {
        return QVariant();
    }
    return static_cast<qlonglong>(tekst.toDouble());
}

inline QString komorka(const QTableWidget* g, int wiersz, int kolumna) {
    const QTableWidgetItem* item = g->item(wiersz, kolumna);
    return item ? item->text() : QString();
}

// The key under which an id cell is looked up in a dictionary read from the database.
inline QString klucz(const QString& id) {
    return tekstId(id.toDouble());
}

// Id (as text) and name of every row of a two-column query.
inline QHash<QString, QString> slownik(const QString& sql) {
    Mirvola::StrazBazy baza;
    Mirvola::OtworzBaze(sql);
    QHash<QString, QString> wpisy;
    for (engine::Recordset& rs = *Mirvola::rsDane; !rs.eof(); rs.moveNext()) {
        wpisy.insert(tekstId(rs.value(0).toDouble()), rs.value(1).toString());
    }
    return wpisy;
}

}  // namespace mecz
