#pragma once

// Helpers shared by the main window's test binaries.

#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/Script.h"
#include "support/Widgets.h"

#include <QAction>

#include <gtest/gtest.h>

namespace frmmain_testy {

using namespace testing_support;

inline QTreeWidget* lista(const frmMain& okno) {
    return okno.findChild<QTreeWidget*>(QStringLiteral("lstMecze"));
}

inline QAction* akcja(const frmMain& okno, const char* nazwa) {
    return child<QAction>(okno, nazwa);
}

// The texts of one column, top row first.
inline QStringList kolumna(const frmMain& okno, int k) {
    return column(lista(okno), k);
}

// `n` official league matches of one season and club, one day apart from 1900-01-01 on, with
// ids 1..n (higher id = later date), added to whatever the diary holds.
inline void dopiszMecze(const Diary& dziennik, int n, int pierwszeId = 1) {
    dziennik.exec(
        QStringLiteral(
            "INSERT OR IGNORE INTO Sezony (Id_sezonu, Sezon) VALUES (1, '2001/02');"
            "INSERT OR IGNORE INTO Kluby (Id_klubu, Druzyna) VALUES (1, 'Legia');"
            "INSERT OR IGNORE INTO Rozgrywki (Id_rozgrywki, Nazwa, Oficjalny) "
            "VALUES (1, 'Liga', -1);"
            "WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, Wyn2, "
            "Id_rozgrywki, Komentarz) SELECT i, 1, date('1900-01-01', '+' || i || "
            "' days'), 'D', 1, i % 5, 1, 1, 'Komentarz ' || i FROM n;")
            .arg(pierwszeId)
            .arg(pierwszeId + n - 1));
}

}  // namespace frmmain_testy
