// Crashes: a process runs one operation on a diary twenty times the demo and is killed with
// SIGKILL just before a seeded random one of the operation's I/O calls (writes, syncs,
// truncations, openings and deletions of files, the file layer's steps) or right after its
// last one. The next start finds all the rows of
// before or all the rows of after, and nothing is left that a later operation would trip over.
// MIRVOLA_CRASH_MOMENTS sets the moments per operation (the long run takes 50).

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/FileOps.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/Operations.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

constexpr int kScale = 20;
constexpr int kDefaultMoments = 3;

int moments() {
    const int n = qEnvironmentVariableIntValue("MIRVOLA_CRASH_MOMENTS");
    return n > 0 ? n : kDefaultMoments;
}

std::uint64_t splitmix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

const Originals& originals() {
    static const Originals o(kScale);
    return o;
}

struct Finished {
    bool killed = false;  // by SIGKILL
    int exitCode = -1;
    QString output;
};

// The runner in a process of its own.
Finished runner(const QString& operation, const QString& dir, int killBefore) {
    const QByteArray program = qgetenv("MIRVOLA_RUNNER");
    const QByteArray op = operation.toUtf8();
    const QByteArray folder = QFile::encodeName(dir);
    const QByteArray kill = QByteArray::number(killBefore);
    int out[2];
    if (program.isEmpty() || ::pipe(out) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        char* const argv[] = {
            const_cast<char*>(program.constData()), const_cast<char*>(op.constData()),
            const_cast<char*>(folder.constData()), const_cast<char*>(kill.constData()), nullptr};
        ::execv(program.constData(), argv);
        ::_exit(127);
    }
    ::close(out[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, n);
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Finished f;
    f.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    f.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    f.output = QString::fromUtf8(text);
    return f;
}

int callsOf(const QString& output) {
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(u"calls "_s)) {
            return line.mid(6).toInt();
        }
    }
    return 0;
}

QString fresh(const Operation& operation, const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString path = dir + u"/Mirvola.mdb"_s;
    QFile::copy(operation.damaged && operation.name != u"naprawa"_s ? originals().damaged
                                                                    : originals().sound,
                path);
    return path;
}

class Crashes : public ::testing::TestWithParam<QString> {
  protected:
    void SetUp() override {
        setOperationClock();
        ASSERT_TRUE(work.isValid());
        ASSERT_FALSE(qEnvironmentVariable("MIRVOLA_RUNNER").isEmpty());
        operation = findOperation(GetParam());
        ASSERT_NE(operation, nullptr);
    }
    void TearDown() override {
        ui::setClock({});
        Mirvola::UstawKatalogProgramu(QString());
    }

    // The next start of the program on `dir`, and a compaction after it: both must work
    // without an error, whatever the crash left.
    void startAndCompact(const QString& dir, const QString& seed) {
        Mirvola::UstawKatalogProgramu(dir);
        User user;
        {
            frmMain window;
            EXPECT_FALSE(window.koniecProgramu()) << seed.toStdString();
            window.findChild<QAction*>(u"itmDefragmentacja"_s)->trigger();
        }
        EXPECT_TRUE(user.shown.errors.isEmpty())
            << seed.toStdString() << ": " << user.shown.all.join(u" / "_s).toStdString();
        EXPECT_TRUE(user.shown.successes.contains(u"Defragmentacja zakończyła się pomyślnie."_s))
            << seed.toStdString() << ": " << user.shown.all.join(u" / "_s).toStdString();
        for (const QString& name : filesIn(dir)) {
            EXPECT_TRUE(name == u"Mirvola.mdb"_s || name.startsWith(u"Mirvola.mdb.uszkodzona"_s))
                << seed.toStdString() << ": left behind " << name.toStdString();
        }
    }

    QTemporaryDir work;
    const Operation* operation = nullptr;
};

TEST_P(Crashes, NextStartFindsTheRowsOfBeforeOrAfter) {
    const QString reference = work.path() + u"/wzor"_s;
    fresh(*operation, reference);
    const Finished clean = runner(operation->name, reference, 0);
    ASSERT_EQ(clean.exitCode, 0) << clean.output.toStdString();
    ASSERT_FALSE(clean.output.contains(u"\nerror "_s)) << clean.output.toStdString();
    const int calls = callsOf(clean.output);
    ASSERT_GT(calls, 0) << clean.output.toStdString();
    const QStringList after = dumpDiary(reference + u"/Mirvola.mdb"_s);

    int before = 0;
    int afterCount = 0;
    int lost = 0;
    for (int moment = 0; moment < moments(); ++moment) {
        const std::uint64_t seed =
            splitmix(qHash(operation->name) * 1000003ULL + static_cast<std::uint64_t>(moment));
        // One past the last call is the moment right after the operation.
        const int kill = 1 + static_cast<int>(seed % static_cast<std::uint64_t>(calls + 1));
        const QString trace = u"%1, seed %2: killed before call %3 of %4"_s.arg(operation->name)
                                  .arg(seed)
                                  .arg(kill)
                                  .arg(calls);
        const QString dir = work.path() + u"/proba"_s;
        const QString path = fresh(*operation, dir);
        const Finished crashed = runner(operation->name, dir, kill);
        ASSERT_TRUE(crashed.killed) << trace.toStdString() << "\n" << crashed.output.toStdString();

        const engine::Examination found = engine::examineDiary(path);
        if (operation->damaged && fileBytes(path) == originals().damagedBytes) {
            ++before;
        } else {
            ASSERT_EQ(found.condition, engine::Condition::Sound)
                << trace.toStdString() << ": " << engine::describeExamination(found).toStdString();
            const QStringList rows = dumpDiary(path);
            if (rows == after) {
                ++afterCount;
            } else if (!operation->damaged && rows == originals().soundRows) {
                ++before;
            } else {
                ++lost;
                ADD_FAILURE() << trace.toStdString() << ": rows lost or changed";
                continue;
            }
        }
        startAndCompact(dir, trace);
    }
    std::printf(
        "%s: %d crashes, %d found the rows of before, %d of after, %d lost or changed "
        "a row\n",
        qPrintable(operation->name), moments(), before, afterCount, lost);
}

std::string testName(const ::testing::TestParamInfo<QString>& info) {
    return operationTestName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Operations, Crashes, ::testing::ValuesIn(operationNames()), testName);

}  // namespace
