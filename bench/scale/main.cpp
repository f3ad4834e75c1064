// mirvola_scale: the scale benchmark (see Scale.h). Prints one Markdown table.
//
//   mirvola_scale [--scales 1,20,100] [--diaries DIR] [--timeout SECONDS]
//                 [--session-timeout SECONDS] [--only TEXT]
//
// --diaries keeps the demo diaries in DIR (one folder per scale) and reuses them on the next
// run; without it they are built afresh in a temporary folder. --only measures the rows whose
// name contains TEXT. A measurement that runs longer than the timeout is stopped and shown as
// "> N s"; the session through every window has a timeout of its own.

#include "Scale.h"

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/DiaryCheck.h"
#include "forms/Toolkit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

namespace {

using scale::Measurement;

constexpr int kColdStarts = 5;
constexpr int kQuickChecks = 3;

struct Options {
    std::vector<int> scales{1, 20, 100};
    QString diaries;
    int timeoutS = 120;
    int sessionTimeoutS = 480;
    QString only;
};

// One child's result: the program's way and the twin; nothing when the child was stopped.
struct Result {
    std::optional<Measurement> program;
    std::optional<Measurement> twin;
    bool timedOut = false;
};

void print(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

Measurement parseMeasurement(const QByteArray& line) {
    const QList<QByteArray> parts = line.trimmed().split(' ');
    return {parts.value(1).toDouble(), parts.value(2).toInt(), parts.value(3).toLongLong()};
}

// Runs this program as a child with `arguments` and returns its output lines, or nothing when
// it did not finish within the timeout (it is then killed). A child that fails (a query
// refused, a twin returning other rows) stops the whole run: its figures would mislead.
std::optional<QList<QByteArray>> runChild(const QStringList& arguments, int timeoutS) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(timeoutS * 1000)) {
        child.kill();
        child.waitForFinished();
        return std::nullopt;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "\nstopped: the measurement %s failed (exit %d)\n",
                     qPrintable(arguments.join(u' ')), child.exitCode());
        std::exit(1);
    }
    return child.readAllStandardOutput().split('\n');
}

Result runItem(const QString& kind, size_t index, const QString& dir, int timeoutS) {
    const auto lines =
        runChild({QStringLiteral("--child"), kind, QString::number(index), dir}, timeoutS);
    Result result;
    if (!lines) {
        result.timedOut = true;
        return result;
    }
    for (const QByteArray& line : *lines) {
        if (line.startsWith("P ")) {
            result.program = parseMeasurement(line);
        } else if (line.startsWith("T ")) {
            result.twin = parseMeasurement(line);
        }
    }
    return result;
}

struct ColdStart {
    double wallMs = 0;  // from starting the program to its filled main window
    double cpuMs = 0;   // the program's CPU time until then
    qint64 peakKb = 0;
};

std::optional<ColdStart> coldStart(const QString& dir, int timeoutS) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), QStringLiteral("start"), dir});
    QByteArray output;
    while (!output.contains('\n') && timer.elapsed() < timeoutS * 1000) {
        if (!child.waitForReadyRead(timeoutS * 1000)) {
            break;
        }
        output += child.readAllStandardOutput();
    }
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!child.waitForFinished(timeoutS * 1000)) {
        child.kill();
        child.waitForFinished();
    }
    if (!output.startsWith("ready")) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = output.trimmed().split(' ');
    return ColdStart{ms, fields.value(3).toDouble(), fields.value(2).toLongLong()};
}

double quickCheckMs(const QString& dir) {
    std::vector<double> times;
    for (int i = 0; i < kQuickChecks; ++i) {
        const double start = scale::threadCpuMs();
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(scale::diaryPath(dir)).constData(), &db,
                        SQLITE_OPEN_READONLY, nullptr);
        sqlite3_exec(db, "PRAGMA quick_check", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        times.push_back(scale::threadCpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The start's check of a whole diary, as the program runs it before it shows the list.
double examineMs(const QString& dir) {
    std::vector<double> times;
    for (int i = 0; i < kQuickChecks; ++i) {
        const double start = scale::threadCpuMs();
        if (engine::examineDiary(scale::diaryPath(dir)).condition != engine::Condition::Sound) {
            return -1;
        }
        times.push_back(scale::threadCpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// ---- formatting

QString ms(double value) {
    if (value < 0.01) {
        return QString::number(value, 'f', 4);
    }
    if (value < 1) {
        return QString::number(value, 'f', 3);
    }
    if (value < 10) {
        return QString::number(value, 'f', 2);
    }
    if (value < 100) {
        return QString::number(value, 'f', 1);
    }
    return QString::number(std::lround(value));
}

QString cell(const Result& r, bool twin, int timeoutS) {
    const auto& m = twin ? r.twin : r.program;
    if (m) {
        return ms(m->ms);
    }
    return r.timedOut && !twin ? QStringLiteral("> %1 s").arg(timeoutS) : QString();
}

QString growth(const std::vector<Result>& results) {
    QStringList steps;
    for (size_t i = 1; i < results.size(); ++i) {
        const auto& a = results[i - 1].program;
        const auto& b = results[i].program;
        steps << (a && b && a->ms > 0 ? QStringLiteral("×%1").arg(b->ms / a->ms, 0, 'f', 1)
                                      : QStringLiteral("–"));
    }
    return steps.join(QStringLiteral(" / "));
}

QString ratio(const Result& r) {
    if (!r.program || !r.twin || r.twin->ms <= 0) {
        return QString();
    }
    return QString::number(r.program->ms / r.twin->ms, 'f', 2);
}

QString rowsNote(const Result& r) {
    if (!r.program) {
        return QString();
    }
    QString note = QString::number(r.program->rows);
    if (r.twin && r.twin->rows != r.program->rows) {
        note += QStringLiteral(" (hand-written: %1!)").arg(r.twin->rows);
    }
    return note;
}

// ---- the parent

QString diaryDir(const QString& root, int scaleFactor) {
    return root + QStringLiteral("/x") + QString::number(scaleFactor);
}

void buildDiaries(const Options& o, const QString& root) {
    for (const int s : o.scales) {
        const QString dir = diaryDir(root, s);
        QDir().mkpath(dir);
        if (QFileInfo::exists(scale::diaryPath(dir))) {
            continue;
        }
        QElapsedTimer timer;
        timer.start();
        demo::createDiary(scale::diaryPath(dir), s);
        print(QStringLiteral("built the %1× diary in %2 s\n")
                  .arg(s)
                  .arg(static_cast<double>(timer.elapsed()) / 1000, 0, 'f', 1));
    }
}

QString header(const Options& o) {
    QStringList program;
    QStringList twin;
    for (const int s : o.scales) {
        program << QStringLiteral("%1× ms").arg(s);
        twin << QStringLiteral("hand %1×").arg(s);
    }
    const QString last = QString::number(o.scales.back());
    QString line = QStringLiteral("| What | ") + program.join(QStringLiteral(" | ")) +
                   QStringLiteral(" | ") + twin.join(QStringLiteral(" | ")) +
                   QStringLiteral(" | ratio %1× | growth | rows %1× |\n").arg(last);
    line += QStringLiteral("|---") +
            QStringLiteral("|--:").repeated(static_cast<int>(o.scales.size()) * 2 + 1) +
            QStringLiteral("|---|--:|\n");
    return line;
}

void runItems(const Options& o, const QString& root, const QString& kind,
              const std::vector<scale::Item>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (!o.only.isEmpty() && !items[i].name.contains(o.only)) {
            continue;
        }
        std::vector<Result> results;
        for (const int s : o.scales) {
            results.push_back(runItem(kind, i, diaryDir(root, s), o.timeoutS));
        }
        QStringList program;
        QStringList twin;
        for (const Result& r : results) {
            program << cell(r, false, o.timeoutS);
            twin << cell(r, true, o.timeoutS);
        }
        print(QStringLiteral("| ") + items[i].name + QStringLiteral(" | ") +
              program.join(QStringLiteral(" | ")) + QStringLiteral(" | ") +
              twin.join(QStringLiteral(" | ")) + QStringLiteral(" | ") + ratio(results.back()) +
              QStringLiteral(" | ") + growth(results) + QStringLiteral(" | ") +
              rowsNote(results.back()) + QStringLiteral(" |\n"));
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void runWholeProgram(const Options& o, const QString& root) {
    const auto blanks = [&](int n) { return QStringLiteral(" |").repeated(n); };
    const int columns = static_cast<int>(o.scales.size());
    QStringList startCpu;
    QStringList startWall;
    QStringList startRss;
    QStringList sessions;
    QStringList checks;
    QStringList examinations;
    for (const int s : o.scales) {
        const QString dir = diaryDir(root, s);
        std::vector<double> cpu;
        std::vector<double> wall;
        qint64 rss = 0;
        for (int i = 0; i < kColdStarts; ++i) {
            if (const auto run = coldStart(dir, o.timeoutS)) {
                cpu.push_back(run->cpuMs);
                wall.push_back(run->wallMs);
                rss = std::max(rss, run->peakKb);
            }
        }
        startCpu << (cpu.empty() ? QStringLiteral("–") : ms(median(cpu)));
        startWall << (wall.empty() ? QStringLiteral("–") : ms(median(wall)));
        startRss << QString::number(static_cast<double>(rss) / 1024, 'f', 1);
        const auto session = runChild({QStringLiteral("--child"), QStringLiteral("session"), dir},
                                      o.sessionTimeoutS);
        sessions << (session
                         ? QString::number(session->value(0).trimmed().toDouble() / 1024, 'f', 1)
                         : QStringLiteral("> %1 s").arg(o.sessionTimeoutS));
        checks << ms(quickCheckMs(dir));
        const double examined = examineMs(dir);
        examinations << (examined < 0 ? QStringLiteral("not sound") : ms(examined));
    }
    const auto row = [&](const QString& name, const QStringList& values) {
        print(QStringLiteral("| ") + name + QStringLiteral(" | ") +
              values.join(QStringLiteral(" | ")) + blanks(columns) + blanks(3) +
              QStringLiteral("\n"));
    };
    row(QStringLiteral("cold start to the filled main window (process CPU)"), startCpu);
    row(QStringLiteral("cold start to the filled main window, wall clock"), startWall);
    row(QStringLiteral("peak RSS after the cold start, MB"), startRss);
    row(QStringLiteral("peak RSS of a session through every window, MB"), sessions);
    row(QStringLiteral("PRAGMA quick_check (bare, opening included)"), checks);
    row(QStringLiteral("the start's diary check (version, tables, integrity, references)"),
        examinations);
}

Options parse(const QStringList& args) {
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& value = args[i + 1];
        if (args[i] == QStringLiteral("--scales")) {
            o.scales.clear();
            for (const QString& s : value.split(u',')) {
                o.scales.push_back(s.toInt());
            }
        } else if (args[i] == QStringLiteral("--diaries")) {
            o.diaries = value;
        } else if (args[i] == QStringLiteral("--timeout")) {
            o.timeoutS = value.toInt();
        } else if (args[i] == QStringLiteral("--session-timeout")) {
            o.sessionTimeoutS = value.toInt();
        } else if (args[i] == QStringLiteral("--only")) {
            o.only = value;
        }
    }
    return o;
}

int parent(const QStringList& args) {
    const Options o = parse(args);
    QTemporaryDir temporary;
    const QString root = o.diaries.isEmpty() ? temporary.path() : o.diaries;
    buildDiaries(o, root);
    print(
        QStringLiteral("\nMedian CPU times in ms of the working thread (offscreen windows); "
                       "\"hand\" is the same rows written for SQLite through the bare C API; "
                       "growth is from each size to the next (20×/1× and 100×/20×: the rows "
                       "grow ×20 and ×5).\n\n"));
    print(header(o));
    runItems(o, root, QStringLiteral("q"), scale::queryItems());
    runItems(o, root, QStringLiteral("w"), scale::windowItems());
    if (o.only.isEmpty()) {
        runWholeProgram(o, root);
    }
    return 0;
}

// ---- a child

// The platform plugin's remarks on the offscreen windows would drown the table; real failures
// are reported by the measurements themselves.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

int child(const QStringList& args) {
    const QString& what = args.value(2);
    if (what == QStringLiteral("start")) {
        return scale::coldStartChild(args.value(3));
    }
    if (what == QStringLiteral("session")) {
        return scale::sessionChild(args.value(3));
    }
    const std::vector<scale::Item> items =
        what == QStringLiteral("q") ? scale::queryItems() : scale::windowItems();
    const scale::Item& item = items.at(args.value(3).toULongLong());
    Mirvola::UstawKatalogProgramu(args.value(4));
    const scale::Context context = scale::lookUp(args.value(4));
    const auto report = [](char tag, const Measurement& m) {
        std::printf("%c %.6f %d %lld\n", tag, m.ms, m.runs, static_cast<long long>(m.rows));
        std::fflush(stdout);
    };
    scale::beginCapture();
    const Measurement program = item.program(context);
    const std::vector<QStringList> programRows = scale::endCapture();
    report('P', program);
    if (!item.twin) {
        return 0;
    }
    scale::beginCapture();
    const Measurement twin = item.twin(context);
    const std::vector<QStringList> twinRows = scale::endCapture();
    report('T', twin);
    // A twin is only worth timing when it returns what the program reads.
    if (twin.rows != program.rows) {
        std::fprintf(stderr, "%s: the program read %lld rows, the hand-written twin %lld\n",
                     qPrintable(item.name), static_cast<long long>(program.rows),
                     static_cast<long long>(twin.rows));
        return 3;
    }
    if (!programRows.empty() && !twinRows.empty() && programRows != twinRows) {
        size_t i = 0;
        while (i < programRows.size() && i < twinRows.size() && programRows[i] == twinRows[i]) {
            ++i;
        }
        std::fprintf(stderr, "%s: row %zu differs: program [%s], hand-written [%s]\n",
                     qPrintable(item.name), i + 1,
                     qPrintable(programRows.size() > i ? programRows[i].join(u'|') : QString()),
                     qPrintable(twinRows.size() > i ? twinRows[i].join(u'|') : QString()));
        return 3;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool isChild = argc > 1 && qstrcmp(argv[1], "--child") == 0;
    if (isChild) {
        qInstallMessageHandler(quietQt);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirvola"));
    ui::installToolkit();
    if (!isChild) {
        return parent(QCoreApplication::arguments());
    }
    try {
        return child(QCoreApplication::arguments());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 3;
    }
}
