// The season report over demo diaries of growing size: gathering each section from the diary,
// drawing the pages, and the whole `mirvola-db report` command as a user runs it (wall clock
// and processor time), with the number of pages. Prints one Markdown table.
//
//   mirvola_report_bench [--scales 1,20,100] [--diaries DIR] [--tool PATH]

#include "data/DemoDiary.h"
#include "data/RaportSezonu.h"
#include "report/RaportPdf.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <functional>

namespace {

double seconds(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

double childCpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString option(const QStringList& args, const QString& name, const QString& fallback) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// Every section alone, then all together: the cost of each section's queries.
QString sections(const QString& diary, const raport::Wybor& all) {
    QStringList cells;
    for (int k = 0; k < raport::kSekcji; ++k) {
        raport::Wybor one = all;
        one.sekcje = {false, false, false, false, false};
        one.sekcje[static_cast<size_t>(k)] = true;
        cells << QString::number(seconds([&] { raport::Zbierz(diary, one); }), 'f', 2);
    }
    return cells.join(QStringLiteral(" | "));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTemporaryDir temporary;
    const QString dir = option(args, QStringLiteral("--diaries"), temporary.path());
    const QString tool =
        option(args, QStringLiteral("--tool"),
               QCoreApplication::applicationDirPath() + QStringLiteral("/../mirvola-db"));
    std::puts(
        "| scale | matches | summary s | matches s | scorers s | records s | chart s | "
        "gather all s | draw s | pages | `mirvola-db report` wall s | cpu s |");
    std::puts("|---|---|---|---|---|---|---|---|---|---|---|---|");
    for (const QString& s :
         option(args, QStringLiteral("--scales"), QStringLiteral("1,20,100")).split(u',')) {
        const int scale = s.toInt();
        const QString diary = dir + QStringLiteral("/demo-%1.mdb").arg(scale);
        if (!QFile::exists(diary)) {
            demo::createDiary(diary, scale);
        }
        QString missing;
        const raport::Wybor wybor = raport::WyborWiersza(diary, {}, false, &missing);
        const QString bySection = sections(diary, wybor);
        raport::Raport r;
        const double gather = seconds([&] { r = raport::Zbierz(diary, wybor); });
        const QString pdf = dir + QStringLiteral("/report-%1.pdf").arg(scale);
        int pages = 0;
        const double draw =
            seconds([&] { pages = raport::ZapiszPdf(r, pdf, true, QDate::currentDate()); });

        const QString toolPdf = dir + QStringLiteral("/tool-%1.pdf").arg(scale);
        QFile::remove(toolPdf);
        const double cpuBefore = childCpu();
        QProcess process;
        const double wall = seconds([&] {
            process.start(tool, {QStringLiteral("report"), diary, toolPdf});
            process.waitForFinished(-1);
        });
        const double cpu = childCpu() - cpuBefore;
        std::printf("| %d× | %d | %s | %.2f | %.2f | %d | %.2f | %.2f |\n", scale,
                    demo::sizeFor(scale).matches, qPrintable(bySection), gather, draw, pages, wall,
                    cpu);
        if (process.exitCode() != 0 ||
            QString::fromUtf8(process.readAllStandardOutput()).trimmed().toInt() != pages) {
            std::fprintf(stderr, "mirvola-db report failed at scale %d\n", scale);
            return 1;
        }
    }
    return 0;
}
