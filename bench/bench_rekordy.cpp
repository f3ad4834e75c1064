// Records and season sums over a diary of 30,000 matches: reading the diary (two queries for
// the records, one for the seasons) and the computation in memory.

#include "data/DemoDiary.h"
#include "data/Rekordy.h"
#include "data/SezonyStatystyki.h"

#include "Checks.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kScale = 100;  // 300 matches a scale

class SeasonsDiary {
  public:
    SeasonsDiary() : m_path(m_dir.path() + QStringLiteral("/Mirvola.mdb")) {
        demo::createDiary(m_path, kScale);
    }
    const QString& path() const { return m_path; }

  private:
    QTemporaryDir m_dir;
    QString m_path;
};

const SeasonsDiary& diary() {
    static const SeasonsDiary instance;
    return instance;
}

// ---- before timing: what the records and the season sums report must fit the matches read

// The first value of a plain SQLite query on the diary.
qint64 plainValue(const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(diary().path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        value = sqlite3_column_int64(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return value;
}

std::string checkSeasons() {
    const qint64 matches = plainValue("SELECT count(*) FROM Mecze");
    const qint64 scored =
        plainValue("SELECT count(*) FROM Mecze WHERE Wyn1 IS NOT NULL AND Wyn2 IS NOT NULL");
    const qint64 goals =
        plainValue("SELECT sum(CASE WHEN Gdzie = 'W' THEN Wyn2 ELSE Wyn1 END) FROM Mecze");
    if (matches != demo::sizeFor(kScale).matches) {
        return "the diary holds " + std::to_string(matches) + " matches";
    }
    qint64 counted = 0;
    qint64 results = 0;
    qint64 strzelone = 0;
    for (const sezony::Sezon& s : sezony::Sezony(diary().path(), {})) {
        counted += s.mecze;
        results += s.zwyciestwa + s.remisy + s.porazki;
        strzelone += s.strzelone;
    }
    if (counted != matches || results != scored || strzelone != goals) {
        return "the seasons sum up " + std::to_string(counted) + " matches, " +
               std::to_string(results) + " results and " + std::to_string(strzelone) +
               " goals scored; the diary holds " + std::to_string(matches) + ", " +
               std::to_string(scored) + " and " + std::to_string(goals);
    }
    return {};
}

std::string checkRecords() {
    const qint64 matches = plainValue("SELECT count(*) FROM Mecze");
    const std::vector<rekordy::Rekord> all = rekordy::Rekordy(diary().path(), {});
    if (all.size() != static_cast<size_t>(rekordy::kRekordow)) {
        return std::to_string(all.size()) + " records";
    }
    for (const rekordy::Rekord& r : all) {
        const std::string name = r.nazwa.toStdString();
        if (!r.wartosc) {
            return name + ": no value over " + std::to_string(matches) + " matches";
        }
        if (rekordy::jestSeria(r.rodzaj) &&
            (static_cast<qint64>(r.mecze.size()) != *r.wartosc || *r.wartosc > matches)) {
            return name + ": a run of " + std::to_string(*r.wartosc) + " with " +
                   std::to_string(r.mecze.size()) + " matches behind it";
        }
        if (r.rodzaj != rekordy::Rodzaj::NajczestszyRywal && r.mecze.empty()) {
            return name + ": no match behind it";
        }
    }
    // Every competition and venue named in the filter: the same records as without one.
    const wybor::Filtr every{QStringLiteral("(1, 2, 3, 4)"), QStringLiteral("('D', 'W', 'N')")};
    const std::vector<rekordy::Rekord> filtered = rekordy::Rekordy(diary().path(), every);
    for (size_t i = 0; i < all.size(); ++i) {
        if (rekordy::LiniaRekordu(all[i]) != rekordy::LiniaRekordu(filtered[i])) {
            return all[i].nazwa.toStdString() + ": other with a filter naming everything";
        }
    }
    return {};
}

[[maybe_unused]] const bool registered =
    benchChecks::add("season sums", checkSeasons) && benchChecks::add("records", checkRecords);

void records(benchmark::State& state) {
    const QString& path = diary().path();
    for (auto _ : state) {
        benchmark::DoNotOptimize(rekordy::Rekordy(path, {}));
    }
    state.counters["matches"] = demo::sizeFor(kScale).matches;
}
BENCHMARK(records)->Name("d_records_all_matches")->Unit(benchmark::kMillisecond);

// The windows' filter: every competition and venue named in In-lists.
void recordsFiltered(benchmark::State& state) {
    const QString& path = diary().path();
    const wybor::Filtr filtr{QStringLiteral("(1, 2, 3, 4)"), QStringLiteral("('D', 'W', 'N')")};
    for (auto _ : state) {
        benchmark::DoNotOptimize(rekordy::Rekordy(path, filtr));
    }
}
BENCHMARK(recordsFiltered)->Name("d_records_filtered")->Unit(benchmark::kMillisecond);

void seasons(benchmark::State& state) {
    const QString& path = diary().path();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sezony::Sezony(path, {}));
    }
}
BENCHMARK(seasons)->Name("d_seasons_all_matches")->Unit(benchmark::kMillisecond);

// What the computation costs without the reading.
void computeOnly(benchmark::State& state) {
    const std::vector<wybor::Mecz> mecze = wybor::WczytajMecze(diary().path(), {});
    for (auto _ : state) {
        benchmark::DoNotOptimize(rekordy::LiczRekordy(mecze, {}));
        benchmark::DoNotOptimize(sezony::LiczSezony(mecze));
    }
}
BENCHMARK(computeOnly)->Name("d_compute_in_memory")->Unit(benchmark::kMillisecond);

}  // namespace
