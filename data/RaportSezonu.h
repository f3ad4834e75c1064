#pragma once

#include "data/Bilans.h"
#include "data/Rekordy.h"
#include "data/SezonyStatystyki.h"
#include "data/StatystykiPilkarzy.h"
#include "data/WybraneMecze.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The season on paper: what the printed report says, gathered from the diary by the same code
// as the statistics windows, the match description, the records and the season charts.
// Drawing it on pages is the business of report/.
namespace raport {

enum Sekcja { kPodsumowanie, kMecze, kStrzelcy, kRekordy, kWykres, kSekcji };

// The sections' headings, in their order.
QString TytulSekcji(Sekcja sekcja);

// What the user asks for.
struct Wybor {
    // The competitions, venues and seasons as SQL In-lists: "(1, 4)", "('D', 'N')" and
    // "(3, 4)". An empty season list means every season.
    wybor::Filtr filtr;
    std::array<bool, kSekcji> sekcje{true, true, true, true, true};
    bool komentarze = false;
};

// The choices in words, for the heading of every page.
struct Opis {
    QString sezony;               // "sezon 2024/25", "sezony 2023/24, 2024/25", "wszystkie sezony"
    QString rozgrywki;            // "Liga, Puchar Polski", "wszystkie rozgrywki", "żadne"
    QString miejsca;              // "w domu, na wyjeździe", "wszystkie miejsca", "żadne"
    QStringList wszystkieSezony;  // every chosen season by name, for the summary
};

struct PanelBilansu {
    QString nazwa;  // "Bilans", "Bilans w domu", ...
    bilans::Panel panel;
};

struct Podsumowanie {
    int mecze = 0;  // every match attended, also one without a score
    std::vector<PanelBilansu> panele;
    int strzelone = 0;
    int stracone = 0;
};

struct MeczRaportu {
    wybor::Mecz mecz;
    QString strzelcy;  // the home club's scorers in one line
};

struct SezonMeczow {
    QString sezon;
    std::vector<MeczRaportu> mecze;  // in chronological order
};

struct Raport {
    Wybor wybor;
    Opis opis;
    Podsumowanie podsumowanie;
    std::vector<SezonMeczow> mecze;
    std::vector<pilkarze::Strzelec> strzelcy;
    std::vector<rekordy::Rekord> rekordy;
    std::vector<sezony::Sezon> sezony;
    // The season chart is drawn only over several seasons.
    bool wykres() const { return wybor.sekcje[kWykres] && sezony.size() > 1; }
};

// Reads the diary `sciezka` and gathers the chosen sections. Engine errors go to the caller.
Raport Zbierz(const QString& sciezka, const Wybor& wybor);

// The choices of the command line: the seasons named (every season when none), the official
// competitions only or all of them, every venue and every section. A season the diary does not
// know is an engine::Error-free refusal: its name comes back in `nieznany`.
Wybor WyborWiersza(const QString& sciezka, const QStringList& sezony, bool tylkoOficjalne,
                   QString* nieznany);

}  // namespace raport
