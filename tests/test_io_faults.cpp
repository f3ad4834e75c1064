// Every operation that changes the diary, with an I/O fault at every point where one can
// strike: the n-th write, sync, truncation, opening, deletion or file step fails, or the disk
// is full from the n-th write on, for every n until the operation completes without a fault.
// Afterwards the diary holds exactly its rows before or exactly its rows after the operation,
// passes the integrity check, and the user was told of the fault and never of a success that
// did not happen.

#include "data/Mirvola.h"
#include "support/Diary.h"
#include "support/Faults.h"
#include "support/Operations.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;
using namespace testing_support;
using Kind = Faults::Kind;

namespace {

const Originals& originals() {
    static const Originals o(1);
    return o;
}

struct Outcome {
    Shown shown;
    bool fired = false;
    Faults::Counts counts;
};

// One run of the operation on a fresh copy of its starting diary in `dir`.
Outcome runOnce(const Operation& operation, const QString& dir, Kind kind, int n) {
    startingDiary(operation, originals(), dir);
    Mirvola::UstawKatalogProgramu(dir);
    Faults faults(kind, n);
    User user;
    operation.run(user, [&] { faults.arm(); });
    return {user.shown, faults.fired(), faults.counts()};
}

// What is wrong with a run, as the next start of the program sees the diary; empty when sound.
QString problemOf(const Operation& operation, const QString& dir, const QStringList& after,
                  const Outcome& run, Held& held) {
    QString problem;
    held = heldRows(operation, originals(), dir + u"/Mirvola.mdb"_s, after, problem);
    const bool changes = operation.damaged || after != originals().soundRows;
    if (held == Held::Neither) {
        return problem;
    }
    if (held == Held::Before && changes && !run.shown.successes.isEmpty()) {
        return u"success reported, nothing changed"_s;
    }
    if (run.fired && run.shown.errors.isEmpty() &&
        !(operation.silentCompaction && held == Held::After)) {
        return u"a fault fired and no error was shown"_s;
    }
    if (!run.fired &&
        (held != Held::After || !run.shown.errors.isEmpty() || run.shown.successes.isEmpty())) {
        return u"wrong outcome without a fault"_s;
    }
    if (const QStringList stray = strayFiles(dir, held == Held::After); !stray.isEmpty()) {
        return u"files left behind: "_s + stray.join(u", "_s);
    }
    return {};
}

struct Totals {
    int runs = 0;
    int fired = 0;
    int lost = 0;
    int faulty = 0;
    ~Totals() {
        std::printf(
            "I/O faults: %d runs, %d with a fault fired, %d lost or changed a row, %d other "
            "faults\n",
            runs, fired, lost, faulty);
    }
} totals;

// The kinds of call an operation never makes, and why. Every other kind must be met, and each of
// its calls must have failed once, so that a kind that stops being met cannot pass unseen.
std::vector<Kind> neverMet(const QString& operation) {
    // A commit deletes its journal and whole-file work writes new files: nothing is cut short.
    std::vector<Kind> kinds{Kind::Truncate};
    const QStringList wholeFile{u"defragmentacja"_s,       u"naprawa"_s,
                                u"naprawa_przy_starcie"_s, u"naprawa_z_notatkami"_s,
                                u"przywrocenie_kopii"_s,   u"dolaczenie_meczow"_s};
    const QStringList withFileSteps =
        wholeFile + QStringList{u"usuniecie_meczow"_s, u"usuniecie_wszystkiego"_s};
    if (wholeFile.contains(operation)) {
        // The new file has neither journal nor SQLite syncs; it is flushed by a file step.
        kinds.push_back(Kind::Sync);
    }
    if (operation.startsWith(u"naprawa"_s) || operation == u"przywrocenie_kopii"_s ||
        operation == u"dolaczenie_meczow"_s) {
        // The new diary replaces the old one by a rename; no journal is ever deleted.
        kinds.push_back(Kind::Delete);
    }
    if (!withFileSteps.contains(operation)) {
        // A plain transaction: SQLite's own calls only.
        kinds.push_back(Kind::FileStep);
    }
    return kinds;
}

class IoFaults : public ::testing::TestWithParam<Operation> {
  protected:
    void SetUp() override { setOperationClock(); }
    void TearDown() override { ui::setClock({}); }
    QTemporaryDir work;
};

TEST_P(IoFaults, DiaryHoldsItsRowsBeforeOrAfterAndTheUserIsTold) {
    const Operation& operation = GetParam();
    ASSERT_TRUE(work.isValid());
    // Without a fault: the rows after, and how many calls of each kind there are to fail.
    const QString reference = work.path() + u"/wzor"_s;
    const Outcome clean = runOnce(operation, reference, Kind::None, 0);
    ASSERT_TRUE(clean.shown.errors.isEmpty() && !clean.shown.successes.isEmpty())
        << clean.shown.all.join(u" / "_s).toStdString();
    const QStringList after = dumpDiary(reference + u"/Mirvola.mdb"_s);

    int runs = 0;
    int fired = 0;
    const std::vector<Kind> unmet = neverMet(operation.name);
    for (const Kind kind : {Kind::Write, Kind::Sync, Kind::Truncate, Kind::Open, Kind::Delete,
                            Kind::FileStep, Kind::Full}) {
        const int calls = clean.counts.of(kind);
        if (std::ranges::find(unmet, kind) != unmet.end()) {
            EXPECT_EQ(calls, 0) << Faults::name(kind).toStdString()
                                << ": the operation now meets this kind; take it off its list";
            continue;
        }
        EXPECT_GT(calls, 0) << Faults::name(kind).toStdString()
                            << ": no call of this kind, so no fault of it was tried";
        int firedOfKind = 0;
        // One more than the calls counted: that run must complete without a fault.
        for (int n = 1; n <= calls + 1; ++n) {
            const QString dir = work.path() + u"/%1-%2"_s.arg(Faults::name(kind)).arg(n);
            const Outcome run = runOnce(operation, dir, kind, n);
            Held held = Held::Neither;
            const QString problem = problemOf(operation, dir, after, run, held);
            ++runs;
            fired += run.fired ? 1 : 0;
            firedOfKind += run.fired && n <= calls ? 1 : 0;
            EXPECT_FALSE(run.fired && n > calls)
                << Faults::name(kind).toStdString() << ": a fault past the counted calls";
            if (!problem.isEmpty()) {
                ADD_FAILURE() << Faults::name(kind).toStdString() << " #" << n << ": "
                              << problem.toStdString()
                              << "\n  shown: " << run.shown.all.join(u" / "_s).toStdString();
                ++(held == Held::Neither ? totals.lost : totals.faulty);
            }
            QDir(dir).removeRecursively();
        }
        EXPECT_EQ(firedOfKind, calls)
            << Faults::name(kind).toStdString() << ": not every counted call failed when chosen";
    }
    totals.runs += runs;
    totals.fired += fired;
    std::printf(
        "%s: %d runs, %d faults fired (calls: %d writes, %d syncs, %d truncations, %d "
        "opens, %d deletions, %d file steps)\n",
        qPrintable(operation.name), runs, fired, clean.counts.writes, clean.counts.syncs,
        clean.counts.truncates, clean.counts.opens, clean.counts.deletes, clean.counts.fileSteps);
}

INSTANTIATE_TEST_SUITE_P(Operations, IoFaults, ::testing::ValuesIn(operations()),
                         [](const auto& info) { return info.param.name.toStdString(); });

}  // namespace
