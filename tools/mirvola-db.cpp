// mirvola-db: the diary file from the command line, through the program's own engine.

#include "data/Backup.h"
#include "data/CsvExport.h"
#include "data/DemoDiary.h"
#include "data/Dolaczenie.h"
#include "data/JetImport.h"
#include "data/JetReader.h"
#include "data/MiejsceDziennika.h"
#include "data/PathCheck.h"
#include "data/RaportSezonu.h"
#include "data/Rekordy.h"
#include "data/SezonyStatystyki.h"
#include "data/Wersja.h"
#include "data/engine/Database.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "data/engine/Recordset.h"
#include "report/RaportPdf.h"

#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QStringList>
#include <QVariant>

#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

// One command (or a continuation of its description) a line.
const char kUsageText[] =
    "użycie: mirvola-db POLECENIE PLIK [ARGUMENT]\n"
    "  create PLIK        nowy, pusty dziennik (nigdy nie nadpisuje pliku)\n"
    "  demo PLIK [SKALA]  dziennik przykładowy, SKALA razy większy od zwykłego (nigdy nie\n"
    "                     nadpisuje pliku)\n"
    "  query PLIK SQL     wiersze zapytania SELECT w dialekcie SQL programu, rozdzielone\n"
    "                     tabulatorami\n"
    "  exec PLIK SQL      wykonuje zapytanie zmieniające dane i podaje liczbę zmienionych\n"
    "                     wierszy\n"
    "  check PLIK         sprawdza dziennik: wypisuje \"ok\" (kod 0) albo znalezione błędy\n"
    "                     (kod 1)\n"
    "  records PLIK       rekordy ze wszystkich meczów: nazwa, wartość i mecze, rozdzielone\n"
    "                     tabulatorami\n"
    "  seasons PLIK       w każdym sezonie: mecze, zwycięstwa, remisy, porażki, bramki zdobyte\n"
    "                     i stracone\n"
    "  export PLIK KATALOG [--force]\n"
    "                     każda tabela jako KATALOG/<Tabela>.csv (CSV arkusza kalkulacyjnego:\n"
    "                     UTF-8, ';'); istniejące pliki zostają, chyba że podano --force\n"
    "  backup PLIK KATALOG\n"
    "                     sprawdzona kopia dziennika z datą w KATALOGU; wypisuje jej ścieżkę\n"
    "  import STARY NOWY  przenosi dziennik STARY dawnej wersji programu (plik Jet 3 lub Jet 4)\n"
    "                     do nowego dziennika NOWY (nigdy nie nadpisuje pliku) i podaje liczbę\n"
    "                     wierszy każdej tabeli\n"
    "  repair PLIK        sprawdza dziennik tak jak start programu i naprawia uszkodzony,\n"
    "                     podając liczbę wierszy każdej tabeli przed naprawą i po niej (kod 0),\n"
    "                     albo mówi, czemu nie może (kod 1)\n"
    "  merge PLIK INNY [--dry-run]\n"
    "                     dołącza do dziennika PLIK dziennik (lub plik dawnej wersji) INNY tak\n"
    "                     jak polecenie menu: wypisuje plan zmian; z --dry-run tylko plan\n"
    "  report PLIK OUT.pdf [--sezon RRRR/RR ...] [--oficjalne] [--komentarze] [--force]\n"
    "                     raport w PDF ze wszystkimi sekcjami: wskazane sezony (bez --sezon\n"
    "                     wszystkie), tylko rozgrywki oficjalne z --oficjalne, komentarze\n"
    "                     z --komentarze; istniejący plik zostaje bez --force; wypisuje\n"
    "                     liczbę stron\n"
    "  --help             ten opis\n";

// Wrong arguments found after the command was chosen.
struct UsageError {
    QString message;
};

void write(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

// The engine's advice is written for the program's windows; here the user repeats the command.
QString forCommandLine(QString text) {
    return text.replace(QStringLiteral("uruchom program ponownie"),
                        QStringLiteral("wydaj polecenie ponownie"));
}

// Keeps one value on one line and in one column.
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'\\':
                out += QStringLiteral("\\\\");
                break;
            case u'\t':
                out += QStringLiteral("\\t");
                break;
            case u'\r':
                out += QStringLiteral("\\r");
                break;
            case u'\n':
                out += QStringLiteral("\\n");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString formatted(const QVariant& value) {
    if (value.isNull()) {
        return QStringLiteral("NULL");
    }
    switch (value.typeId()) {
        case QMetaType::LongLong:
            return QString::number(value.toLongLong());
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QMetaType::QDate:
            return value.toDate().toString(Qt::ISODate);
        case QMetaType::QByteArray:
            return QStringLiteral("0x") + QString::fromLatin1(value.toByteArray().toHex());
        default:
            return escaped(value.toString());
    }
}

int create(const QStringList& args) {
    pathcheck::requireFolderFor(args[0]);
    engine::createDatabase(args[0]);
    return 0;
}

int demoDiary(const QStringList& args) {
    pathcheck::requireFolderFor(args[0]);
    int scale = 1;
    if (args.size() > 1) {
        bool ok = false;
        scale = args[1].toInt(&ok);
        if (!ok || scale < 1 || scale > 1000) {
            throw UsageError{QStringLiteral("SKALA musi być liczbą całkowitą od 1 do 1000")};
        }
    }
    demo::createDiary(args[0], scale);
    return 0;
}

int query(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    const auto db = engine::Database::open(args[0]);
    const auto rs = db->openRecordset(args[1]);
    QString out;
    QStringList header;
    for (int i = 0; i < rs->fieldCount(); ++i) {
        header << escaped(rs->fieldName(i));
    }
    out += header.join(u'\t') + u'\n';
    for (; !rs->eof(); rs->moveNext()) {
        for (int i = 0; i < rs->fieldCount(); ++i) {
            if (i > 0) {
                out += u'\t';
            }
            out += formatted(rs->value(i));
        }
        out += u'\n';
    }
    write(stdout, out);
    return 0;
}

int exec(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    const auto db = engine::Database::open(args[0]);
    db->execute(args[1]);
    write(stdout, QString::number(db->recordsAffected()) + u'\n');
    return 0;
}

int check(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    const QString result = engine::checkDatabase(args[0]);
    write(stdout, result + u'\n');
    return result == QStringLiteral("ok") ? 0 : kFailure;
}

int records(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    QString out;
    for (const rekordy::Rekord& rekord : rekordy::Rekordy(args[0], wybor::Filtr{})) {
        out += rekordy::LiniaRekordu(rekord) + u'\n';
    }
    write(stdout, out);
    return 0;
}

int seasons(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    QString out = QStringLiteral("Sezon\tMecze\tZ\tR\tP\tBr+\tBr-\n");
    for (const sezony::Sezon& s : sezony::Sezony(args[0], wybor::Filtr{})) {
        QStringList line{escaped(s.sezon)};
        for (const int n : {s.mecze, s.zwyciestwa, s.remisy, s.porazki, s.strzelone, s.stracone}) {
            line << QString::number(n);
        }
        out += line.join(u'\t') + u'\n';
    }
    write(stdout, out);
    return 0;
}

int exportCsv(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    const bool force = args.size() > 2;
    if (force && args[2] != QStringLiteral("--force")) {
        throw UsageError{QStringLiteral("nieznana opcja ") + args[2]};
    }
    for (const QString& path : csv::exportDiary(args[0], args[1], force)) {
        write(stdout, path + u'\n');
    }
    return 0;
}

int backupDiary(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    write(stdout, backup::createBackup(args[0], args[1], QDate::currentDate()) + u'\n');
    return 0;
}

int importOld(const QStringList& args) {
    // The new file's folder is checked by the import itself, which names the failure.
    pathcheck::requireReadableFile(args[0]);
    const jet::OldDiary diary = jet::readOldDiary(args[0]);
    const jet::ImportResult result = jet::importToNewFile(diary, args[1]);
    QString out = jet::formatName(diary.format) + u'\n';
    for (const auto& [table, rows] : result.rows) {
        out += table + u'\t' + QString::number(rows) + u'\n';
    }
    if (const QString added = jet::additionsReport(result); !added.isEmpty()) {
        out += u'\n' + added + u'\n';
    }
    write(stdout, out);
    if (result.droppedGoals > 0) {
        write(stderr, QStringLiteral("mirvola-db: pominięto bramki meczów, których nie ma w "
                                     "tabeli Mecze: %1\n")
                          .arg(result.droppedGoals));
    }
    return 0;
}

// What the program's start-up does with the diary, with the repair already agreed to.
int repair(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    const engine::Examination found = engine::examineDiary(args[0]);
    switch (found.condition) {
        case engine::Condition::Sound:
            write(stdout, QStringLiteral("ok\n"));
            return 0;
        case engine::Condition::Damaged: {
            write(stdout, engine::describeExamination(found) + u'\n');
            const engine::RepairReport report = engine::repairDatabase(args[0]);
            write(stdout, engine::describeRepair(report) + u'\n');
            engine::takeRepairReport(args[0]);  // shown now
            return 0;
        }
        default:
            write(stderr, QStringLiteral("mirvola-db: ") +
                              forCommandLine(engine::describeExamination(found)) + u'\n');
            return kFailure;
    }
}

int merge(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    pathcheck::requireReadableFile(args[1]);
    const bool dryRun = args.size() > 2;
    if (dryRun && args[2] != QStringLiteral("--dry-run")) {
        throw UsageError{QStringLiteral("nieznana opcja ") + args[2]};
    }
    if (dryRun) {
        write(stdout, dolaczenie::przygotuj(args[0], args[1]).linie().join(u'\n') + u'\n');
        return 0;
    }
    const dolaczenie::Wynik wynik = dolaczenie::dolacz(args[0], args[1]);
    write(stdout, wynik.plan.linie().join(u'\n') + u'\n');
    write(stdout, wynik.zachowany.isEmpty()
                      ? QStringLiteral("Nic do dodania: dziennik nie został zmieniony.\n")
                      : QStringLiteral("Dziennik sprzed dołączenia zachowano w pliku %1\n")
                            .arg(wynik.zachowany));
    return 0;
}

int report(const QStringList& args) {
    pathcheck::requireReadableFile(args[0]);
    QStringList sezony;
    bool oficjalne = false;
    bool komentarze = false;
    bool force = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--sezon") && i + 1 < args.size()) {
            sezony << args[++i];
        } else if (args[i] == QStringLiteral("--oficjalne")) {
            oficjalne = true;
        } else if (args[i] == QStringLiteral("--komentarze")) {
            komentarze = true;
        } else if (args[i] == QStringLiteral("--force")) {
            force = true;
        } else {
            throw UsageError{QStringLiteral("nieznana opcja ") + args[i]};
        }
    }
    QString nieznany;
    raport::Wybor wybor = raport::WyborWiersza(args[0], sezony, oficjalne, &nieznany);
    if (!nieznany.isEmpty()) {
        write(stderr, QStringLiteral("mirvola-db: w dzienniku nie ma sezonu ") + nieznany + u'\n');
        return kFailure;
    }
    wybor.komentarze = komentarze;
    try {
        const int stron =
            raport::ZapiszPdf(raport::Zbierz(args[0], wybor), args[1], force, QDate::currentDate());
        write(stdout, QString::number(stron) + u'\n');
    } catch (const raport::BladZapisu& e) {
        write(stderr, QStringLiteral("mirvola-db: ") + e.komunikat() + u'\n');
        return kFailure;
    }
    return 0;
}

// The report's pages are drawn with Qt Gui's fonts and PDF writer, on the offscreen platform:
// no display is needed, and the other commands keep a plain core application.
std::unique_ptr<QCoreApplication> application(int& argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

struct Command {
    int minArguments;
    int maxArguments;
    std::function<int(const QStringList&)> run;
};

int usage(FILE* stream = stderr) {
    std::fputs(kUsageText, stream);
    write(stream, QStringLiteral("Domyślny dziennik: %1\n").arg(dziennik::DomyslnaBaza()));
    return stream == stderr ? kUsage : 0;
}

QString oneLine(QString text) {
    return text.replace(u'\n', u' ').replace(u'\r', u' ');
}

}  // namespace

int main(int argc, char** argv) {
    if (wersja::WypiszNaZadanie(argc, argv, "mirvola-db")) {
        return 0;
    }
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    // One command a line, so that adding one touches one line.
    // clang-format off
    const std::map<QString, Command> commands{
        {QStringLiteral("create"), {1, 1, create}},
        {QStringLiteral("demo"), {1, 2, demoDiary}},
        {QStringLiteral("query"), {2, 2, query}},
        {QStringLiteral("exec"), {2, 2, exec}},
        {QStringLiteral("check"), {1, 1, check}},
        {QStringLiteral("records"), {1, 1, records}},
        {QStringLiteral("seasons"), {1, 1, seasons}},
        {QStringLiteral("export"), {2, 3, exportCsv}},
        {QStringLiteral("import"), {2, 2, importOld}},
        {QStringLiteral("backup"), {2, 2, backupDiary}},
        {QStringLiteral("repair"), {1, 1, repair}},
        {QStringLiteral("merge"), {2, 3, merge}},
        {QStringLiteral("report"), {2, 100, report}},
    };
    // clang-format on
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        return usage();
    }
    if (args.front() == QStringLiteral("--help") || args.front() == QStringLiteral("-h")) {
        return usage(stdout);
    }
    const QString name = args.takeFirst();
    const auto command = commands.find(name);
    if (command == commands.end()) {
        write(stderr, QStringLiteral("mirvola-db: nieznane polecenie \u201e%1\u201d\n").arg(name));
        return usage();
    }
    if (args.size() < command->second.minArguments || args.size() > command->second.maxArguments) {
        write(stderr, QStringLiteral("mirvola-db: zła liczba argumentów polecenia %1\n").arg(name));
        return usage();
    }
    try {
        return command->second.run(args);
    } catch (const UsageError& e) {
        write(stderr, QStringLiteral("mirvola-db: ") + e.message + u'\n');
        return usage();
    } catch (const engine::Error& e) {
        write(stderr, QStringLiteral("mirvola-db: błąd %1: %2\n")
                          .arg(e.number())
                          .arg(oneLine(forCommandLine(e.description()))));
    } catch (const std::exception& e) {
        write(stderr,
              QStringLiteral("mirvola-db: ") + oneLine(QString::fromLocal8Bit(e.what())) + u'\n');
    } catch (...) {
        write(stderr, QStringLiteral("mirvola-db: nieznany błąd\n"));
    }
    return kFailure;
}
