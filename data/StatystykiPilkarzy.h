#pragma once

#include "data/engine/Recordset.h"

#include <QString>

#include <vector>

// The players' goal table: goals counted per player under the chosen competitions, venues,
// kinds of goal and side. Shared by the player statistics window and the printed report.
namespace pilkarze {

// The conditions of the window's opening state: regular goals for the home club.
inline const QString kWarunekDomyslny =
    QStringLiteral(" AND Jak.CzySam = False AND Bramki.Czy_Mirvola = True");

// The table's query: In-lists of competitions and venues and the further conditions on the
// goals (each beginning with " AND "). Most goals first, then by surname.
QString Zapytanie(const QString& rozgrywki, const QString& gdzie, const QString& warunek);

struct Strzelec {
    QString id;  // Id_gracza as text
    QString zawodnik;
    qlonglong bramki = 0;
};

// The rows of the query's recordset from its current row on, in its order.
std::vector<Strzelec> CzytajStrzelcow(engine::Recordset& rs);

}  // namespace pilkarze
