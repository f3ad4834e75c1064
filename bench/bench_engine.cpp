// Cost of the engine stand-in on the program's heaviest everyday query, the match list:
//   (a) translating its text, on first sight and from the cache;
//   (b) opening a recordset on it and reading every column of every row;
//   (c) the same query written by hand in SQLite's SQL, run through the bare C API.
// After the runs the ratio (b)/(c) is printed: what the engine adds to SQLite's own work.

#include "data/DemoDiary.h"
#include "data/engine/Database.h"
#include "data/engine/Recordset.h"
#include "data/engine/SqlFunctions.h"
#include "data/engine/SqlTranslator.h"

#include "Checks.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kScale = 20;

// The main window's list query with the filter "= True".
const QString kListQuery = QStringLiteral(
    "SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, IIf(Mecze.Gdzie = 'W', Kluby.Druzyna & ' - "
    "Mirvola Wendrow' ,'Mirvola Wendrow - ' & Kluby.Druzyna) AS Para, Mecze.Wyn1 & ':' & "
    "Mecze.Wyn2 AS Wynik, Rozgrywki.Nazwa, Rozgrywki.Oficjalny, Mecze.Komentarz FROM Rozgrywki "
    "RIGHT JOIN (Kluby LEFT JOIN (Mecze LEFT JOIN Sezony ON Mecze.Id_sezonu = Sezony.Id_sezonu) "
    "ON Kluby.Id_klubu = Mecze.Id_klubu) ON Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki WHERE "
    "Rozgrywki.Oficjalny = True ORDER BY Sezony.Sezon DESC, Mecze.Data DESC");

// The same rows written for SQLite directly.
const char kHandWritten[] =
    "SELECT Mecze.Id_meczu, Sezony.Sezon, Mecze.Data, CASE WHEN Mecze.Gdzie = 'W' THEN "
    "coalesce(Kluby.Druzyna, '') || ' - Mirvola Wendrow' ELSE 'Mirvola Wendrow - ' || "
    "coalesce(Kluby.Druzyna, '') END AS Para, coalesce(Mecze.Wyn1, '') || ':' || "
    "coalesce(Mecze.Wyn2, '') AS Wynik, Rozgrywki.Nazwa, Rozgrywki.Oficjalny, Mecze.Komentarz "
    "FROM Mecze JOIN Kluby ON Kluby.Id_klubu = Mecze.Id_klubu JOIN Rozgrywki ON "
    "Rozgrywki.Id_rozgrywki = Mecze.Id_rozgrywki LEFT JOIN Sezony ON Mecze.Id_sezonu = "
    "Sezony.Id_sezonu WHERE Rozgrywki.Oficjalny = -1 ORDER BY Sezony.Sezon DESC, Mecze.Data "
    "DESC";

// The large diary, built once for all benchmarks.
class LargeDiary {
  public:
    LargeDiary() : m_path(m_dir.path() + QStringLiteral("/Mirvola.mdb")) {
        demo::createDiary(m_path, kScale);
    }
    const QString& path() const { return m_path; }

  private:
    QTemporaryDir m_dir;
    QString m_path;
};

const LargeDiary& diary() {
    static const LargeDiary instance;
    return instance;
}

void translateCold(benchmark::State& state) {
    // Each text is new to the cache: the alias of one column changes from run to run.
    static long serial = 0;  // unique over repetitions as well
    for (auto _ : state) {
        QString text = kListQuery;
        text.replace(QStringLiteral("AS Wynik"),
                     QStringLiteral("AS Wynik") + QString::number(serial++, 36));
        benchmark::DoNotOptimize(engine::SqlTranslator::translate(text));
    }
}
BENCHMARK(translateCold)->Name("a_translate_cold")->Iterations(3000)->Unit(benchmark::kMicrosecond);

void translateCached(benchmark::State& state) {
    engine::SqlTranslator::translate(kListQuery);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine::SqlTranslator::translate(kListQuery));
    }
}
BENCHMARK(translateCached)->Name("a_translate_cached")->Unit(benchmark::kMicrosecond);

void engineList(benchmark::State& state) {
    const auto db = engine::Database::open(diary().path());
    qint64 rows = 0;
    for (auto _ : state) {
        const auto rs = db->openRecordset(kListQuery);
        const int fields = rs->fieldCount();
        for (; !rs->eof(); rs->moveNext()) {
            for (int i = 0; i < fields; ++i) {
                benchmark::DoNotOptimize(rs->value(i));
            }
        }
        rows = rs->recordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(engineList)->Name("b_engine_recordset")->Unit(benchmark::kMillisecond);

// Runs `sql` through the bare C API, reading every column, and returns the row count. A query
// SQLite refuses stops the run: zero rows would be timed as a success.
qint64 readAllBare(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "stopped: SQLite refuses a query: %s\n%s\n", sqlite3_errmsg(db), sql);
        std::exit(1);
    }
    const int columns = sqlite3_column_count(stmt);
    qint64 rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_INTEGER:
                    benchmark::DoNotOptimize(sqlite3_column_int64(stmt, i));
                    break;
                case SQLITE_FLOAT:
                    benchmark::DoNotOptimize(sqlite3_column_double(stmt, i));
                    break;
                case SQLITE_TEXT:
                    benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
                    benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, i));
                    break;
                default:
                    break;
            }
        }
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows;
}

void bareList(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(diary().path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    qint64 rows = 0;
    for (auto _ : state) {
        rows = readAllBare(db, kHandWritten);
    }
    sqlite3_close(db);
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(bareList)->Name("c_bare_sqlite")->Unit(benchmark::kMillisecond);

// The translator's text through the bare C API: splits (b)-(c) into what the translated SQL
// costs SQLite (the & function, the Polish collation) and what the recordset adds.
void translatedBare(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(diary().path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    engine::registerSqlFunctions(db);
    const QByteArray sql = engine::SqlTranslator::translate(kListQuery).toUtf8();
    qint64 rows = 0;
    for (auto _ : state) {
        rows = readAllBare(db, sql.constData());
    }
    sqlite3_close(db);
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(translatedBare)->Name("c_translated_bare")->Unit(benchmark::kMillisecond);

// ---- before timing: the three ways must read the same rows

// A value as text, alike for the engine's QVariant and a bare column: yes/no as -1/0, dates as
// yyyy-MM-dd.
QString cellText(const QVariant& v) {
    if (v.isNull()) {
        return QStringLiteral("<Null>");
    }
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    }
    if (v.typeId() == QMetaType::QDate) {
        return v.toDate().toString(Qt::ISODate);
    }
    return v.toString();
}

std::vector<QStringList> engineRows(const QString& sql) {
    const auto db = engine::Database::open(diary().path());
    const auto rs = db->openRecordset(sql);
    std::vector<QStringList> rows;
    for (; !rs->eof(); rs->moveNext()) {
        QStringList row;
        for (int i = 0; i < rs->fieldCount(); ++i) {
            row << cellText(rs->value(i));
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<QStringList> bareRows(const char* sql, bool withFunctions) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(diary().path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (withFunctions) {
        engine::registerSqlFunctions(db);
    }
    sqlite3_stmt* stmt = nullptr;
    std::vector<QStringList> rows;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "stopped: SQLite refuses a query: %s\n%s\n", sqlite3_errmsg(db), sql);
        std::exit(1);
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            QVariant v;
            switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_INTEGER:
                    v = qlonglong(sqlite3_column_int64(stmt, i));
                    break;
                case SQLITE_FLOAT:
                    v = sqlite3_column_double(stmt, i);
                    break;
                case SQLITE_TEXT:
                    v = QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
                    break;
                default:
                    break;
            }
            row << cellText(v);
        }
        rows.push_back(row);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// The hand-written twin and the translated text must give the engine's rows, in its order; a
// twin that reads other rows would make the ratio meaningless.
bool sameRowsEverywhere() {
    const std::vector<QStringList> engine = engineRows(kListQuery);
    const QByteArray translated = engine::SqlTranslator::translate(kListQuery).toUtf8();
    const std::pair<const char*, std::vector<QStringList>> others[] = {
        {"hand-written", bareRows(kHandWritten, false)},
        {"translated", bareRows(translated.constData(), true)}};
    bool same = !engine.empty();
    if (!same) {
        std::fprintf(stderr, "stopped: the engine read no rows\n");
    }
    for (const auto& [name, rows] : others) {
        if (rows != engine) {
            size_t i = 0;
            while (i < rows.size() && i < engine.size() && rows[i] == engine[i]) {
                ++i;
            }
            std::fprintf(
                stderr,
                "stopped: the %s query differs from the engine's at row %zu of %zu: [%s] / [%s]\n",
                name, i + 1, engine.size(),
                qPrintable(i < rows.size() ? rows[i].join(u'|') : QString()),
                qPrintable(i < engine.size() ? engine[i].join(u'|') : QString()));
            same = false;
        }
    }
    return same;
}

// Prints the console report and keeps each benchmark's time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median counts; otherwise the single run.
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                m_times[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), true};
            } else if (run.run_type == Run::RT_Iteration && !m_times[name].median) {
                m_times[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), false};
            }
        }
    }
    // CPU time is the fairer measure on a busy machine; wall-clock time is shown beside it.
    void printRatio() const {
        const auto b = m_times.find("b_engine_recordset");
        const auto c = m_times.find("c_bare_sqlite");
        if (b == m_times.end() || c == m_times.end() || c->second.cpu <= 0) {
            return;
        }
        std::printf(
            "ratio (b)/(c) engine/bare SQLite: %.2f by CPU time (%.2f ms / %.2f ms), "
            "%.2f by wall-clock time (%.2f ms / %.2f ms)\n",
            b->second.cpu / c->second.cpu, b->second.cpu, c->second.cpu,
            b->second.real / c->second.real, b->second.real, c->second.real);
        const auto t = m_times.find("c_translated_bare");
        if (t != m_times.end() && t->second.cpu > 0) {
            std::printf("  of which translated SQL in SQLite %.2f, recordset %.2f (by CPU time)\n",
                        t->second.cpu / c->second.cpu, b->second.cpu / t->second.cpu);
        }
    }

  private:
    struct Times {
        double real = 0;  // in the benchmark's unit (ms for b and c)
        double cpu = 0;
        bool median = false;
    };
    std::map<std::string, Times> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!sameRowsEverywhere() || !benchChecks::runAll()) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio();
    benchmark::Shutdown();
    return 0;
}
