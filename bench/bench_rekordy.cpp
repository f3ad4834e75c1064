// Records and season sums over a diary of 30,000 matches: reading the diary (two queries for
// the records, one for the seasons) and the computation in memory.

#include "data/DemoDiary.h"
#include "data/Rekordy.h"
#include "data/SezonyStatystyki.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
