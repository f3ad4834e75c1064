// Crashes: a process runs one operation on a diary twenty times the demo and is killed with
// SIGKILL just before one of the operation's I/O calls (writes, syncs, truncations, openings and
// deletions of files, the file layer's steps) or right after its last one: just before and just
// after the call that publishes the change, at a seeded moment before and one after it, and at
// further seeded moments in a longer run. The next start finds all the rows of before or all the
// rows of after, and nothing is left that a later operation would trip over.
// MIRVOLA_CRASH_MOMENTS sets the moments per operation (4 at least; the long run takes 50).

#include "data/Mirvola.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/Operations.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// Seeded moments beyond those chosen by the operation's steps (the long run asks for 50).
int extraMoments() {
    const int n = qEnvironmentVariableIntValue("MIRVOLA_CRASH_MOMENTS");
    return n > 4 ? n - 4 : 0;
}

std::uint64_t splitmix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

const Originals& originals() {
    static const Originals o(20);
    return o;
}

class Crashes : public ::testing::TestWithParam<Operation> {
  protected:
    void SetUp() override { setOperationClock(); }
    void TearDown() override {
        ui::setClock({});
        Mirvola::UstawKatalogProgramu(QString());
    }
    QTemporaryDir work;
};

TEST_P(Crashes, NextStartFindsTheRowsOfBeforeOrAfter) {
    const Operation& operation = GetParam();
    ASSERT_TRUE(work.isValid());
    const QString reference = work.path() + u"/wzor"_s;
    startingDiary(operation, originals(), reference);
    const RunnerExit clean = runRunner({operation.name, reference});
    const int calls = clean.calls();
    ASSERT_TRUE(clean.exitCode == 0 && !clean.output.contains(u"\nerror "_s) && calls > 0)
        << clean.output.toStdString() << clean.errors.toStdString();
    const QStringList after = dumpDiary(reference + u"/Mirvola.mdb"_s);

    // The call that publishes the change (a commit deleting the journal, a rename onto the
    // diary's name) splits the run: a kill just before it must leave the rows of before, one
    // just after it those of after. Besides those two, a seeded moment before it and one after
    // it, and seeded moments anywhere for a longer run.
    const std::vector<int> publishing = clean.publishingCalls();
    ASSERT_FALSE(publishing.empty()) << "no call publishes the change";
    const int publish = publishing.front();
    const auto seeded = [&](int moment, int from, int to) {
        const std::uint64_t seed =
            splitmix(qHash(operation.name) * 1000003ULL + static_cast<std::uint64_t>(moment));
        return from +
               static_cast<int>(seed % static_cast<std::uint64_t>(std::max(1, to - from + 1)));
    };
    struct Moment {
        int kill;  // before this call; one past the last call is right after the operation
        const char* when;
        std::optional<Held> expected;
    };
    std::vector<Moment> chosen{{seeded(0, 1, publish), "before the publish", {}},
                               {publish, "just before the publish", Held::Before},
                               {publish + 1, "just after the publish", Held::After},
                               {seeded(1, publish + 1, calls + 1), "after the publish", {}}};
    for (int moment = 0; moment < extraMoments(); ++moment) {
        chosen.push_back({seeded(moment + 2, 1, calls + 1), "seeded", {}});
    }

    int counts[3] = {};  // by Held: before, after, neither
    for (const Moment& m : chosen) {
        const int kill = m.kill;
        const std::string trace = u"%1: killed %2, before call %3 of %4 (publishing: call %5)"_s
                                      .arg(operation.name, QLatin1String(m.when))
                                      .arg(kill)
                                      .arg(calls)
                                      .arg(publish)
                                      .toStdString();
        const QString dir = work.path() + u"/proba"_s;
        const QString path = startingDiary(operation, originals(), dir);
        const RunnerExit crashed = runRunner({operation.name, dir, QString::number(kill)});
        ASSERT_TRUE(crashed.killed) << trace << "\n" << crashed.output.toStdString();

        QString problem;
        const Held held = heldRows(operation, originals(), path, after, problem);
        ++counts[static_cast<int>(held)];
        // A change that leaves the rows as they were (a compaction) has no side to tell.
        const bool changes = operation.damaged || after != originals().soundRows;
        if (m.expected && changes) {
            EXPECT_EQ(held, *m.expected) << trace << ": " << problem.toStdString();
        }
        if (held == Held::Neither) {
            ADD_FAILURE() << trace << ": " << problem.toStdString();
            continue;
        }
        // The next start and a compaction after it work without an error, whatever the crash
        // left.
        Mirvola::UstawKatalogProgramu(dir);
        User user;
        {
            frmMain window;
            EXPECT_FALSE(window.koniecProgramu()) << trace;
            window.findChild<QAction*>(u"itmDefragmentacja"_s)->trigger();
        }
        EXPECT_TRUE(user.shown.errors.isEmpty() &&
                    user.shown.successes.contains(u"Defragmentacja zakończyła się pomyślnie."_s))
            << trace << ": " << user.shown.all.join(u" / "_s).toStdString();
        EXPECT_EQ(strayFiles(dir, true), QStringList()) << trace;
        EXPECT_FALSE(QFile::exists(dir + u"/Mirvola.mdb.raport-naprawy"_s))
            << trace << ": the start did not show the repair's report";
    }
    std::printf(
        "%s: %d crashes, %d found the rows of before, %d of after, %d lost or changed "
        "a row\n",
        qPrintable(operation.name), static_cast<int>(chosen.size()), counts[0], counts[1],
        counts[2]);
}

INSTANTIATE_TEST_SUITE_P(Operations, Crashes, ::testing::ValuesIn(operations()),
                         [](const auto& info) { return info.param.name.toStdString(); });

}  // namespace
