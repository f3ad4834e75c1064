// Converting a large old diary: the demo diary at 100 times its size (30,000 matches and their
// goals, 15,000 players) written by the tests' Jet writer as a Jet 3 and as a Jet 4 file, then
//   (d) read through libmdb alone, and
//   (e) read and written into a new diary, checks and publishing included.

#include "data/DemoDiary.h"
#include "data/JetImport.h"
#include "data/JetReader.h"
#include "support/JetWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kImportScale = 100;

jetfile::Version versionOf(const benchmark::State& state) {
    return state.range(0) == 3 ? jetfile::Version::Jet3 : jetfile::Version::Jet4;
}

// The two old files, written once for all runs.
class OldDiaries {
  public:
    OldDiaries() {
        const QString demo = m_dir.filePath(QStringLiteral("Demo.mdb"));
        demo::createDiary(demo, kImportScale);
        const std::vector<jetfile::Table> tables = jetfile::oldDiaryTables(demo);
        for (const jetfile::Version version : {jetfile::Version::Jet3, jetfile::Version::Jet4}) {
            jetfile::writeJetFile(path(version), tables, {version});
        }
        QFile::remove(demo);
    }
    QString path(jetfile::Version version) const {
        return m_dir.filePath(version == jetfile::Version::Jet3 ? QStringLiteral("Jet3.mdb")
                                                                : QStringLiteral("Jet4.mdb"));
    }
    QString target() const { return m_dir.filePath(QStringLiteral("Nowy.mdb")); }

  private:
    QTemporaryDir m_dir;
};

const OldDiaries& oldDiaries() {
    static const OldDiaries files;
    return files;
}

void readOldDiary(benchmark::State& state) {
    const QString path = oldDiaries().path(versionOf(state));
    qint64 rows = 0;
    for (auto _ : state) {
        rows = jet::readOldDiary(path).rowCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(readOldDiary)
    ->Name("d_read_old_diary")
    ->Arg(3)
    ->Arg(4)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void importOldDiary(benchmark::State& state) {
    const OldDiaries& files = oldDiaries();
    const QString path = files.path(versionOf(state));
    qint64 matches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(files.target());
        state.ResumeTiming();
        const jet::OldDiary diary = jet::readOldDiary(path);
        jet::importToNewFile(diary, files.target());
        matches = static_cast<qint64>(diary.table(QStringLiteral("Mecze")).rows.size());
    }
    state.counters["matches"] = static_cast<double>(matches);
}
BENCHMARK(importOldDiary)
    ->Name("e_import_old_diary")
    ->Arg(3)
    ->Arg(4)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
