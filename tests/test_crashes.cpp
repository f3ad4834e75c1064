// Crashes: a process runs one operation on a diary twenty times the demo and is killed with
// SIGKILL just before a seeded random one of the operation's I/O calls (writes, syncs,
// truncations, openings and deletions of files, the file layer's steps) or right after its
// last one. The next start finds all the rows of before or all the rows of after, and nothing
// is left that a later operation would trip over.
// MIRVOLA_CRASH_MOMENTS sets the moments per operation (the long run takes 50).

#include "data/Mirvola.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/Operations.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

int moments() {
    const int n = qEnvironmentVariableIntValue("MIRVOLA_CRASH_MOMENTS");
    return n > 0 ? n : 3;
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

    int counts[3] = {};  // by Held: before, after, neither
    for (int moment = 0; moment < moments(); ++moment) {
        const std::uint64_t seed =
            splitmix(qHash(operation.name) * 1000003ULL + static_cast<std::uint64_t>(moment));
        // One past the last call is the moment right after the operation.
        const int kill = 1 + static_cast<int>(seed % static_cast<std::uint64_t>(calls + 1));
        const std::string trace = u"%1, seed %2: killed before call %3 of %4"_s.arg(operation.name)
                                      .arg(seed)
                                      .arg(kill)
                                      .arg(calls)
                                      .toStdString();
        const QString dir = work.path() + u"/proba"_s;
        const QString path = startingDiary(operation, originals(), dir);
        const RunnerExit crashed = runRunner({operation.name, dir, QString::number(kill)});
        ASSERT_TRUE(crashed.killed) << trace << "\n" << crashed.output.toStdString();

        QString problem;
        const Held held = heldRows(operation, originals(), path, after, problem);
        ++counts[static_cast<int>(held)];
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
        qPrintable(operation.name), moments(), counts[0], counts[1], counts[2]);
}

INSTANTIATE_TEST_SUITE_P(Operations, Crashes, ::testing::ValuesIn(operations()),
                         [](const auto& info) { return info.param.name.toStdString(); });

}  // namespace
