// What a file from elsewhere costs to look at and to bring over:
//   (f) the search of a diary's schema for objects the program does not create (a restore, a
//       merge), on the demo diary at 100 times its size, and the check of a backup with it;
//   (g) the conversion of an old diary of 30,000 matches whose user added a column to Mecze and
//       a table of 10,000 notes, beside the conversion of the same diary without them (e).

#include "data/Backup.h"
#include "data/DemoDiary.h"
#include "data/JetImport.h"
#include "data/JetReader.h"
#include "data/engine/Connection.h"
#include "data/engine/SchemaGuard.h"
#include "support/JetWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kScale = 100;
constexpr int kNotes = 10000;

class Files {
  public:
    Files() {
        demo::createDiary(diary(), kScale);
        std::vector<jetfile::Table> tables = jetfile::oldDiaryTables(diary());
        jetfile::addUserAdditions(tables, kNotes);
        jetfile::writeJetFile(old(), tables, {jetfile::Version::Jet4});
    }
    QString diary() const { return m_dir.filePath(QStringLiteral("Mirvola.mdb")); }
    QString old() const { return m_dir.filePath(QStringLiteral("Dodatki.mdb")); }
    QString target() const { return m_dir.filePath(QStringLiteral("Nowy.mdb")); }

  private:
    QTemporaryDir m_dir;
};

const Files& files() {
    static const Files instance;
    return instance;
}

void foreignObjects(benchmark::State& state) {
    const auto connection =
        engine::Connection::open(files().diary(), engine::Connection::Mode::ReadOnly);
    std::size_t found = 1;
    for (auto _ : state) {
        found = engine::objectsProgramDoesNotCreate(*connection).size();
    }
    if (found != 0) {
        state.SkipWithError("the demo diary holds objects the program does not create");
    }
}
BENCHMARK(foreignObjects)->Name("f_schema_objects_not_created")->Unit(benchmark::kMicrosecond);

// The whole check of a backup before a restore: integrity, the tables, the schema's objects.
void checkBackup(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(backup::checkBackup(files().diary()));
    }
}
BENCHMARK(checkBackup)->Name("f_check_backup")->Unit(benchmark::kMillisecond);

void importWithAdditions(benchmark::State& state) {
    const Files& f = files();
    std::size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(f.target());
        state.ResumeTiming();
        added = jet::importToNewFile(jet::readOldDiary(f.old()), f.target()).added.size();
    }
    if (added != 2) {
        state.SkipWithError("the user's column and table did not come over");
    }
    state.counters["notes"] = kNotes;
}
BENCHMARK(importWithAdditions)
    ->Name("g_import_old_diary_with_users_data")
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
