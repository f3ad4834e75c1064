#include "data/Bilans.h"

namespace bilans {
namespace {

struct Zapytanie {
    const char* glowa;
    const char* ogon;
};

// Per panel (all, home, away, neutral) the wins, draws and defeats queries.
const std::array<std::array<Zapytanie, kWierszy>, kPaneli> kZapytaniaBilansu = {{
    {{{"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 > Wyn2) AND (Gdzie In ('D','N')) OR ((Wyn1 < "
       "Wyn2) AND (Gdzie = 'W'))) AND ",
       ")))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((((Wyn1 < Wyn2) AND (Gdzie In ('D','N'))) OR ((Wyn1 > "
       "Wyn2) AND (Gdzie = 'W'))) AND ",
       "))"}}},
    {{{"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'D') AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'D') AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'D') AND ", "))"}}},
    {{{"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'W') AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'W') AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'W') AND ", "))"}}},
    {{{"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 > Wyn2) AND (Gdzie = 'N') AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 = Wyn2) AND (Gdzie = 'N') AND ", "))"},
      {"SELECT Id_klubu FROM Mecze WHERE ((Wyn1 < Wyn2) AND (Gdzie = 'N') AND ", "))"}}},
}};

// Whole per cent of czesc in calosc, a half going to the even neighbour (12.5 -> 12).
int ProcentDoParzystej(int czesc, int calosc) {
    const int iloraz = czesc * 100 / calosc;
    const int reszta2 = czesc * 100 % calosc * 2;
    if (reszta2 > calosc || (reszta2 == calosc && iloraz % 2 == 1)) {
        return iloraz + 1;
    }
    return iloraz;
}

}  // namespace

QString ZapytanieBilansu(int panel, int wiersz, const QString& strRozgrywki,
                         const QString& dodatkowy) {
    const Zapytanie& z = kZapytaniaBilansu[static_cast<size_t>(panel)][static_cast<size_t>(wiersz)];
    return QString::fromUtf8(z.glowa) + QStringLiteral("(Id_rozgrywki In ") + strRozgrywki +
           dodatkowy + QString::fromUtf8(z.ogon);
}

std::array<int, 4> Procenty(const std::array<int, 3>& liczby) {
    const int razem = liczby[0] + liczby[1] + liczby[2];
    if (razem == 0) {
        return {0, 0, 0, 0};
    }
    const int pW = ProcentDoParzystej(liczby[0], razem);
    const int pD = ProcentDoParzystej(liczby[1], razem);
    return {pW, pD, 100 - pW - pD, 100};
}

Panel LiczPanel(const Licznik& policz, int panel, const QString& strRozgrywki,
                const QString& dodatkowy) {
    Panel p;
    for (int r = 0; r < kWierszy; ++r) {
        p.liczby[static_cast<size_t>(r)] =
            policz(ZapytanieBilansu(panel, r, strRozgrywki, dodatkowy));
    }
    p.procenty = Procenty(p.liczby);
    return p;
}

}  // namespace bilans
