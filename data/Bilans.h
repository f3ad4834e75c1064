#pragma once

#include <QString>

#include <array>
#include <functional>

// The balance of results: wins, draws and defeats over all matches, at home, away and on
// neutral ground, with their percentages. Shared by the match statistics window and the
// printed report, so that both show the same figures.
namespace bilans {

inline constexpr int kPaneli = 4;   // 0 all, 1 at home, 2 away, 3 on neutral ground
inline constexpr int kWierszy = 3;  // 0 wins, 1 draws, 2 defeats

// The query counting one row of one panel: its head, "(Id_rozgrywki In " + `strRozgrywki`,
// `dodatkowy` (further conditions each beginning with " AND "; empty for the window) and its
// tail.
QString ZapytanieBilansu(int panel, int wiersz, const QString& strRozgrywki,
                         const QString& dodatkowy = QString());

// Whole per cent of wins, draws, defeats and the total of `liczby` (wins, draws, defeats):
// wins and draws rounded with a half to the even neighbour, defeats the rest to 100; all four
// 0 when there is no match.
std::array<int, 4> Procenty(const std::array<int, 3>& liczby);

struct Panel {
    std::array<int, 3> liczby{};  // wins, draws, defeats
    std::array<int, 4> procenty{};
    int razem() const { return liczby[0] + liczby[1] + liczby[2]; }
};

// Counts the rows of a query. The window runs it through the shared recordset, the report on a
// connection of its own.
using Licznik = std::function<int(const QString& sql)>;

// One panel: its three queries run by `policz`, and the percentages.
Panel LiczPanel(const Licznik& policz, int panel, const QString& strRozgrywki,
                const QString& dodatkowy = QString());

}  // namespace bilans
