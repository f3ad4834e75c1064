// Damage at every page of a demo diary: each page zeroed, each filled with noise, and the file
// cut at every page boundary. The repair must recover exactly the rows that lie intact on the
// pages (every row of an undamaged page, and nothing else; goals of a lost match in a table of
// their own), as an independent page scanner of the
// sound file counts them, and must leave the damaged file byte for byte as it was.
// MIRVOLA_REPAIR_SWEEP=all damages every page (the long run); by default every fourth page and
// every root and interior page of a table.

#include "data/DemoDiary.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "support/Diary.h"
#include "support/PageScanner.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

enum class Damage { Zeroed, Noise, Cut };

const char* nameOf(Damage d) {
    return d == Damage::Zeroed ? "zeroed" : d == Damage::Noise ? "noise" : "cut";
}

QByteArray noise(int page, int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    std::uint64_t x = 0x9E3779B97F4A7C15ULL * static_cast<std::uint64_t>(page + 1);
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        bytes[i] = static_cast<char>(x >> 24);
    }
    return bytes;
}

struct Totals {
    int cases = 0;
    qint64 intact = 0;
    qint64 recovered = 0;
    int unchanged = 0;
};

class RepairSweep : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        sound = new QTemporaryDir;
        demo::createDiary(soundPath());
        scanner = new PageScanner(soundPath());
        for (const QString& table :
             qs({"Sezony", "Kluby", "Rozgrywki", "Jak", "Gracze", "Mecze", "Bramki"})) {
            for (const QStringList& row :
                 rowsOf(soundPath(), u"SELECT rowid, * FROM "_s + table + u" ORDER BY rowid"_s)) {
                (*rows)[table][row[0].toLongLong()] = row;
            }
        }
    }
    static void TearDownTestSuite() {
        delete scanner;
        delete sound;
    }
    static QString soundPath() { return sound->path() + u"/demo.mdb"_s; }

    // The rows of the damaged diary that a repair must bring back: those intact on the pages.
    // A goal whose match is not among them cannot stay with the goals: it goes to a table of
    // its own.
    static std::map<QString, std::set<qint64>> expected(const std::set<int>& damaged, int kept) {
        auto intact = scanner->intactRows(damaged, kept);
        std::set<qint64>& goals = intact[u"Bramki"_s];
        std::set<qint64>& aside = intact[kAside];
        for (auto it = goals.begin(); it != goals.end();) {
            const qint64 match = (*rows)[u"Bramki"_s][*it].at(1).toLongLong();
            if (intact[u"Mecze"_s].count(match)) {
                ++it;
            } else {
                aside.insert(*it);
                it = goals.erase(it);
            }
        }
        return intact;
    }

    // The goals set aside, as the rows of the sound file they were (without their row ids).
    static void checkSetAside(const QString& path, const std::set<qint64>& ids) {
        QStringList want;
        for (const qint64 id : ids) {
            want << (*rows)[u"Bramki"_s][id].mid(1).join(u'|');
        }
        QStringList got;
        const bool exists =
            !rowsOf(path, u"SELECT 1 FROM sqlite_master WHERE name = '"_s + kAside + u"'"_s)
                 .empty();
        if (exists) {
            for (const QStringList& row : rowsOf(path, u"SELECT * FROM "_s + kAside)) {
                got << row.join(u'|');
            }
        }
        want.sort();
        got.sort();
        EXPECT_EQ(got, want) << "goals of lost matches";
    }

    static inline const QString kAside = u"Odlaczone_Bramki"_s;

    void runCase(Damage damage, int page, Totals& totals);

    static inline QTemporaryDir* sound = nullptr;
    static inline PageScanner* scanner = nullptr;
    static inline auto* rows = new std::map<QString, std::map<qint64, QStringList>>;
    QTemporaryDir work;
};

void RepairSweep::runCase(Damage damage, int page, Totals& totals) {
    const std::string trace = std::string(nameOf(damage)) + " page " + std::to_string(page);
    SCOPED_TRACE(trace);
    const QString dir = work.path() + u"/case"_s;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString path = dir + u"/Mirvola.mdb"_s;
    ASSERT_TRUE(QFile::copy(soundPath(), path));
    const int size = scanner->pageSize();
    std::set<int> damaged;
    int kept = scanner->pageCount();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        if (damage == Damage::Cut) {
            kept = page - 1;  // cut where the page begins
            ASSERT_TRUE(file.resize(qint64(kept) * size));
        } else {
            damaged.insert(page);
            file.seek(qint64(page - 1) * size);
            file.write(damage == Damage::Zeroed ? QByteArray(size, '\0') : noise(page, size));
        }
    }
    const QByteArray before = fileHash(path);
    const auto want = expected(damaged, kept);
    qint64 intact = 0;
    for (const auto& [table, ids] : want) {
        intact += static_cast<qint64>(ids.size());
    }

    QString damagedFile = path;
    engine::RepairReport report;
    try {
        report = engine::repairDatabase(path);
        if (report.rebuilt) {
            damagedFile = report.damagedCopy;
        }
    } catch (const engine::Error& e) {
        // Only a file with nothing left to read may be refused.
        EXPECT_EQ(intact, 0) << e.what();
        EXPECT_EQ(e.number(), engine::err::Corrupt) << e.what();
        EXPECT_EQ(fileHash(path), before);
        ++totals.cases;
        totals.unchanged += fileHash(path) == before ? 1 : 0;
        return;
    }
    const bool unchanged = fileHash(damagedFile) == before;
    EXPECT_TRUE(unchanged) << "the damaged file was written";
    EXPECT_EQ(engine::checkDatabase(path), u"ok"_s);

    qint64 recovered = 0;
    for (const auto& [table, ids] : want) {
        SCOPED_TRACE(table.toStdString());
        if (table == kAside) {
            checkSetAside(path, ids);
            recovered += static_cast<qint64>(ids.size());  // counted when equal
            continue;
        }
        std::set<qint64> got;
        for (const QStringList& row :
             rowsOf(path, u"SELECT rowid, * FROM "_s + table + u" ORDER BY rowid"_s)) {
            const qint64 id = row[0].toLongLong();
            got.insert(id);
            EXPECT_EQ(row, (*rows)[table][id]) << "a row came back changed";
        }
        recovered += static_cast<qint64>(got.size());
        EXPECT_EQ(got, ids) << "recovered " << got.size() << ", intact " << ids.size();
        if (report.rebuilt) {
            for (const engine::TableRows& counts : report.tables) {
                if (counts.table == table) {
                    EXPECT_EQ(counts.after, static_cast<qint64>(ids.size()));
                    EXPECT_TRUE(counts.before < 0 || counts.before >= counts.after);
                }
            }
        }
    }
    ++totals.cases;
    totals.intact += intact;
    totals.recovered += recovered;
    totals.unchanged += unchanged ? 1 : 0;
}

TEST_F(RepairSweep, EveryIntactRowIsRecoveredAndTheDamagedFileIsNotWritten) {
    const bool all = qEnvironmentVariable("MIRVOLA_REPAIR_SWEEP") == u"all"_s;
    const int pages = scanner->pageCount();
    ASSERT_GT(pages, 20);
    std::set<int> chosen;
    for (int page = 1; page <= pages; ++page) {
        if (all || page % 4 == 1 || scanner->upperPages().count(page) || page == pages) {
            chosen.insert(page);
        }
    }
    std::printf("%-8s %6s %12s %15s %10s\n", "damage", "cases", "rows intact", "rows recovered",
                "unchanged");
    for (const Damage damage : {Damage::Zeroed, Damage::Noise, Damage::Cut}) {
        Totals totals;
        for (const int page : chosen) {
            runCase(damage, page, totals);
        }
        std::printf("%-8s %6d %12lld %15lld %10d\n", nameOf(damage), totals.cases,
                    static_cast<long long>(totals.intact), static_cast<long long>(totals.recovered),
                    totals.unchanged);
        EXPECT_EQ(totals.recovered, totals.intact);
        EXPECT_EQ(totals.unchanged, totals.cases);
    }
}

}  // namespace
