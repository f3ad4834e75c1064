// Every operation that changes the diary, with an I/O fault at every point where one can
// strike: the n-th write, sync, truncation, opening, deletion or file step fails, or the disk
// is full
// from the n-th write on, for every n until the operation completes without a fault.
// Afterwards the diary holds exactly its rows before or exactly its rows after the operation,
// passes the integrity check, and the user was told of the fault and never of a success that
// did not happen.

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/FileOps.h"
#include "support/Diary.h"
#include "support/Faults.h"
#include "support/Operations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace testing_support;
using Kind = Faults::Kind;

namespace {

constexpr Kind kKinds[] = {Kind::Write,  Kind::Sync,     Kind::Truncate, Kind::Open,
                           Kind::Delete, Kind::FileStep, Kind::Full};

const Originals& originals() {
    static const Originals o(1);
    return o;
}

struct Outcome {
    Shown shown;
    bool fired = false;
    QString failedFile;
    Faults::Counts counts;
};

// One run of the operation on a fresh copy of the demo diary in `dir`.
Outcome runOnce(const Operation& operation, const QString& dir, Kind kind, int n) {
    const QString path = dir + u"/Mirvola.mdb"_s;
    QFile::remove(path);
    QFile::copy(operation.damaged && operation.name != u"naprawa"_s ? originals().damaged
                                                                    : originals().sound,
                path);
    Mirvola::UstawKatalogProgramu(dir);
    Outcome run;
    {
        Faults faults(kind, n);
        User user;
        operation.run(user, [&] { faults.arm(); });
        run.shown = user.shown;
        run.fired = faults.fired();
        run.failedFile = QFileInfo(faults.failedFile()).fileName();
        run.counts = faults.counts();
    }
    return run;
}

enum class State { Before, After, Neither };

struct Verdict {
    State state = State::Neither;
    QString problem;  // empty when the run is sound
};

QStringList strayFiles(const QString& dir, State state) {
    QStringList stray;
    for (const QString& name :
         QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const bool kept = state == State::After && name.startsWith(u"Mirvola.mdb.uszkodzona"_s);
        if (name != u"Mirvola.mdb"_s && !kept) {
            stray << name;
        }
    }
    return stray;
}

// What the diary holds after a run, looked at as the next start of the program does.
Verdict judge(const Operation& operation, const QString& dir, const QStringList& after,
              const Outcome& run) {
    const QString path = dir + u"/Mirvola.mdb"_s;
    Verdict v;
    const engine::Examination found = engine::examineDiary(path);
    if (operation.damaged && fileBytes(path) == originals().damagedBytes) {
        v.state = State::Before;
    } else if (found.condition != engine::Condition::Sound) {
        v.problem = u"the next start finds: "_s + engine::describeExamination(found);
        return v;
    } else if (engine::checkDatabase(path) != u"ok"_s) {
        v.problem = u"the integrity check fails"_s;
        return v;
    } else {
        const QStringList rows = dumpDiary(path);
        v.state = rows == after                                         ? State::After
                  : !operation.damaged && rows == originals().soundRows ? State::Before
                                                                        : State::Neither;
        if (v.state == State::Neither) {
            v.problem = u"rows lost or changed"_s;
            return v;
        }
    }
    const bool changes = operation.damaged || after != originals().soundRows;
    if (v.state == State::Before && changes && !run.shown.successes.isEmpty()) {
        v.problem = u"success reported, nothing changed: "_s + run.shown.successes.join(u" / "_s);
    } else if (run.fired && run.shown.errors.isEmpty() &&
               !(operation.silentCompaction && v.state == State::After)) {
        v.problem = u"a fault fired and no error was shown"_s;
    } else if (!run.fired && (v.state != State::After || !run.shown.errors.isEmpty() ||
                              run.shown.successes.isEmpty())) {
        v.problem = u"without a fault: "_s + run.shown.all.join(u" / "_s);
    } else if (const QStringList stray = strayFiles(dir, v.state); !stray.isEmpty()) {
        v.problem = u"files left behind: "_s + stray.join(u", "_s);
    }
    return v;
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
};

Totals& totals() {
    static Totals t;
    return t;
}

class IoFaults : public ::testing::TestWithParam<QString> {
  protected:
    void SetUp() override {
        setOperationClock();
        ASSERT_TRUE(work.isValid());
        operation = findOperation(GetParam());
        ASSERT_NE(operation, nullptr);
    }
    void TearDown() override { ui::setClock({}); }

    QTemporaryDir work;
    const Operation* operation = nullptr;
};

TEST_P(IoFaults, DiaryHoldsItsRowsBeforeOrAfterAndTheUserIsTold) {
    // Without a fault: the rows after, and how many calls of each kind there are to fail.
    const QString reference = work.path() + u"/wzor"_s;
    ASSERT_TRUE(QDir().mkpath(reference));
    const Outcome clean = runOnce(*operation, reference, Kind::None, 0);
    ASSERT_TRUE(clean.shown.errors.isEmpty()) << clean.shown.all.join(u" / "_s).toStdString();
    ASSERT_FALSE(clean.shown.successes.isEmpty()) << clean.shown.all.join(u" / "_s).toStdString();
    const QStringList after = dumpDiary(reference + u"/Mirvola.mdb"_s);

    int runs = 0;
    int fired = 0;
    for (const Kind kind : kKinds) {
        // One more than the calls counted: that run must complete without a fault.
        for (int n = 1; n <= clean.counts.of(kind) + 1; ++n) {
            const QString dir = work.path() + u"/%1-%2"_s.arg(Faults::name(kind)).arg(n);
            ASSERT_TRUE(QDir().mkpath(dir));
            const Outcome run = runOnce(*operation, dir, kind, n);
            const Verdict v = judge(*operation, dir, after, run);
            ++runs;
            fired += run.fired ? 1 : 0;
            if (!v.problem.isEmpty()) {
                ADD_FAILURE() << Faults::name(kind).toStdString() << " #" << n << " ("
                              << run.failedFile.toStdString() << "): " << v.problem.toStdString()
                              << "\n  shown: " << run.shown.all.join(u" / "_s).toStdString();
                ++(v.state == State::Neither ? totals().lost : totals().faulty);
            }
            QDir(dir).removeRecursively();
        }
    }
    totals().runs += runs;
    totals().fired += fired;
    std::printf(
        "%s: %d runs, %d faults fired (calls: %d writes, %d syncs, %d truncations, %d "
        "opens, %d deletions, %d file steps)\n",
        qPrintable(operation->name), runs, fired, clean.counts.writes, clean.counts.syncs,
        clean.counts.truncates, clean.counts.opens, clean.counts.deletes, clean.counts.fileSteps);
}

std::string testName(const ::testing::TestParamInfo<QString>& info) {
    return operationTestName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Operations, IoFaults, ::testing::ValuesIn(operationNames()), testName);

}  // namespace
