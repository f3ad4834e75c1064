// Merging one diary into another, both the demo diary at 100 times its size (30,000 matches and
// their goals) with half the matches in common: the other diary's odd matches are a year and a
// month later, so the merge skips 15,000 matches and adds about as many with their goals.
//   (h) the plan alone: both files read and compared, nothing written;
//   (i) the whole merge: plan, the merged copy written in one transaction and checked, the diary
//       kept beside it and replaced.

#include "data/DemoDiary.h"
#include "data/Dolaczenie.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kMergeScale = 100;

class MergedDiaries {
  public:
    MergedDiaries() {
        demo::createDiary(original(), kMergeScale);
        QFile::copy(original(), other());
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(other()).constData(), &db);
        sqlite3_exec(db,
                     "UPDATE Mecze SET Data = date(Data, '+1 year', '+1 month') WHERE Id_meczu % "
                     "2 = 1",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    QString original() const { return m_dir.filePath(QStringLiteral("Wzor.mdb")); }
    QString other() const { return m_dir.filePath(QStringLiteral("Inny.mdb")); }
    QString diary() const { return m_dir.filePath(QStringLiteral("Mirvola.mdb")); }

    // A fresh diary to merge into, without the copies earlier merges kept.
    void reset() const {
        QFile::remove(diary());
        QFile::remove(dolaczenie::keptName(diary(), 1));
        QFile::copy(original(), diary());
    }

  private:
    QTemporaryDir m_dir;
};

const MergedDiaries& diaries() {
    static const MergedDiaries files;
    return files;
}

void mergePlan(benchmark::State& state) {
    const MergedDiaries& files = diaries();
    files.reset();
    dolaczenie::Plan plan;
    for (auto _ : state) {
        plan = dolaczenie::przygotuj(files.diary(), files.other());
    }
    state.counters["added"] = static_cast<double>(plan.meczeDoDodania);
    state.counters["skipped"] = static_cast<double>(plan.meczePominiete);
    state.counters["conflicts"] = static_cast<double>(plan.konflikty.size());
}
BENCHMARK(mergePlan)->Name("h_merge_plan")->Iterations(3)->Unit(benchmark::kMillisecond);

void mergeDiaries(benchmark::State& state) {
    const MergedDiaries& files = diaries();
    qint64 added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        files.reset();
        state.ResumeTiming();
        added = dolaczenie::dolacz(files.diary(), files.other()).plan.meczeDoDodania;
    }
    state.counters["added"] = static_cast<double>(added);
}
BENCHMARK(mergeDiaries)->Name("i_merge")->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
