// Lists and tables written as spreadsheet files, read back by a CSV reader of the tests' own.

#include "data/CsvExport.h"
#include "forms/ListExport.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmMain.h"
#include "forms/frmRekordy.h"
#include "forms/frmSlowniki.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"
#include "support/CsvReader.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Script.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QListWidget>
#include <QSettings>
#include <QTabWidget>

#include <algorithm>
#include <csignal>

#include <sys/resource.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QString kTrudnyKomentarz = u"Gol; \"stadiony świata\"\r\nŻółć i łódź"_s;
const QString kKomentarzMeczu2 = u"UPDATE Mecze SET Komentarz = '%1' WHERE Id_meczu = 2"_s;

// What a list shows, as the export must give it: visible columns, rows in their order.
std::vector<QStringList> pokazane(const QTreeWidget* lista) {
    std::vector<QStringList> wiersze(lista->topLevelItemCount() + 1);
    for (int k = 0; k < lista->columnCount(); ++k) {
        if (!lista->isColumnHidden(k) && lista->columnWidth(k) > 0) {
            wiersze[0] << lista->headerItem()->text(k);
            for (int r = 0; r < lista->topLevelItemCount(); ++r) {
                wiersze[r + 1] << ui::komorkaCsv(lista->topLevelItem(r)->text(k));
            }
        }
    }
    return wiersze;
}

// The file's cells without the invisible mark that keeps a score or a formula-like text from
// being converted by a spreadsheet: what a spreadsheet shows.
std::vector<QStringList> czytaj(const QString& plik) {
    auto wiersze = readCsv(fileBytes(plik));
    for (QStringList& wiersz : wiersze) {
        for (QString& komorka : wiersz) {
            if (komorka.startsWith(csv::kTextMark)) {
                komorka.remove(0, 1);
            }
        }
    }
    return wiersze;
}

QAction* menuListy(const QObject& lista) {
    return child<QAction>(lista, "itmEksportujCsv");
}

// Exports through `akcja` into `plik`, checking the name (and, when given, the folder) the save
// dialog proposes, and reads the file back.
std::vector<QStringList> eksportuj(QAction* akcja, const QString& plik, const QString& propozycja,
                                   const QString& katalog = {}) {
    Script s;
    s.file(u"Eksportuj do CSV"_s, plik, [&](const ui::FileRequest& r) {
        EXPECT_EQ(r.mode, ui::FileMode::Save);
        EXPECT_EQ(r.suggestedName, propozycja);
        EXPECT_TRUE(katalog.isEmpty() || r.directory == katalog) << r.directory.toStdString();
    });
    akcja->trigger();
    s.verify();
    // A name without an extension is saved with ".csv".
    const auto wiersze = czytaj(QFileInfo(plik).suffix().isEmpty() ? plik + u".csv"_s : plik);
    EXPECT_GT(wiersze.size(), 1u) << "nothing but a header to compare";
    return wiersze;
}

}  // namespace

TEST(CsvDialect, FieldsAreQuotedOnlyWhenTheyMustBeAndPaddedNumbersBecomeNumbers) {
    const csv::Table tabela{{u"Nr"_s, u"Komentarz"_s},
                            {qs({"1", "zwykły tekst"}),
                             {u"2"_s, kTrudnyKomentarz},
                             qs({"3", ""}),
                             qs({"4", "  spacje na brzegach  "})}};
    const QByteArray bajty = csv::encode(tabela);
    EXPECT_TRUE(bajty.startsWith("\xEF\xBB\xBFNr;Komentarz\r\n1;zwykły tekst\r\n"));
    EXPECT_TRUE(bajty.contains("2;\"Gol; \"\"stadiony świata\"\"\r\nŻółć i łódź\"\r\n"));
    auto oczekiwane = tabela.rows;
    oczekiwane.insert(oczekiwane.begin(), tabela.header);
    EXPECT_EQ(readCsv(bajty), oczekiwane);

    QStringList komorki;
    for (const QString& tekst : qs({"   7.", "  42", "63%", "2:1", "2002/03", " Kowal "})) {
        komorki << ui::komorkaCsv(tekst);
    }
    EXPECT_EQ(komorki, qs({"7", "42", "63%", "2:1", "2002/03", " Kowal "}));
}

TEST(CsvFile, AFailedWriteLeavesTheEarlierFileIntact) {
    Diary d;
    const QString plik = d.dir() + u"/mecze.csv"_s;
    csv::writeFile(plik, "stary\r\n");
    // A disk that fills up: a file size limit makes the write fail half-way in the same way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit przed{};
    getrlimit(RLIMIT_FSIZE, &przed);
    const rlimit limit{4, przed.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QString blad = errorText([&] { csv::writeFile(plik, QByteArray(10000, 'x')); });
    setrlimit(RLIMIT_FSIZE, &przed);
    EXPECT_TRUE(blad.contains(u"plik przekroczył największy dozwolony rozmiar"_s))
        << blad.toStdString();
    EXPECT_EQ(fileBytes(plik), QByteArray("stary\r\n"));
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb", "mecze.csv"}));
}

TEST(CsvFile, TheToolWritesEveryTableAndKeepsExistingFiles) {
    SampleDiary d;
    d.exec(kKomentarzMeczu2.arg(kTrudnyKomentarz));
    const QString katalog = d.dir() + u"/eksport/nowy"_s;
    const auto odczytaj = [&](const QString& tabela) {
        return czytaj(katalog + u'/' + tabela + u".csv"_s);
    };
    ToolRun wynik = tool({u"export"_s, d.path(), katalog});
    EXPECT_EQ(wynik.status, 0) << wynik.err.toStdString();
    EXPECT_EQ(QDir(katalog).entryList(QDir::Files, QDir::Name),
              qs({"Bramki.csv", "Gracze.csv", "Jak.csv", "Kluby.csv", "Mecze.csv", "Rozgrywki.csv",
                  "Sezony.csv"}));
    const auto mecze = odczytaj(u"Mecze"_s);
    ASSERT_EQ(mecze.size(), 6u);
    EXPECT_EQ(mecze[0], qs({"Id_meczu", "Id_sezonu", "Data", "Gdzie", "Id_klubu", "Wyn1", "Wyn2",
                            "Id_rozgrywki", "Komentarz"}));
    EXPECT_EQ(mecze[2], qs({"2", "1", "2002-05-05", "W", "2", "1", "2", "1"}) << kTrudnyKomentarz);
    EXPECT_EQ(odczytaj(u"Gracze"_s)[3], qs({"3", "", "", "Ronaldinho"}));  // Null is an empty cell

    // Existing files are kept unless --force; nothing is written when one of them exists.
    QFile::remove(katalog + u"/Kluby.csv"_s);
    csv::writeFile(katalog + u"/Mecze.csv"_s, "moje\r\n");
    wynik = tool({u"export"_s, d.path(), katalog});
    EXPECT_EQ(wynik.status, 1);
    EXPECT_TRUE(wynik.err.contains(u"3204"_s));
    EXPECT_EQ(fileBytes(katalog + u"/Mecze.csv"_s), QByteArray("moje\r\n"));
    EXPECT_FALSE(QFile::exists(katalog + u"/Kluby.csv"_s));
    EXPECT_EQ(tool({u"export"_s, d.path(), katalog, u"--force"_s}).status, 0);
    EXPECT_EQ(odczytaj(u"Mecze"_s), mecze);
    EXPECT_TRUE(QFile::exists(katalog + u"/Kluby.csv"_s));
}

TEST(CsvExportMain, TheMatchListIsExportedAsShownAndAFailureIsReported) {
    SampleDiary d;
    d.exec(kKomentarzMeczu2.arg(kTrudnyKomentarz));
    const FixedClock zegar(QDate(2026, 12, 7));
    frmMain okno;
    QTreeWidget* lista = child<QTreeWidget>(okno, "lstMecze");
    QAction* eksport = child<QAction>(okno, "itmEksportuj");
    child<QAction>(okno, "itmTylkoOficjalne")->trigger();  // every match
    clickHeader(lista, 4);                                 // sorted by the pairing
    const auto oczekiwane = pokazane(lista);
    ASSERT_EQ(oczekiwane.size(), 6u);
    const auto zapisane = eksportuj(eksport, d.dir() + u"/lista.csv"_s, u"mecze-2026-12-07.csv"_s);
    EXPECT_EQ(zapisane, oczekiwane);
    EXPECT_TRUE(std::ranges::any_of(zapisane, [](const QStringList& w) {
        return w.last() == kTrudnyKomentarz;
    })) << "the comment did not survive the round trip";

    // The same through the list's context menu; the folder is remembered for the next time.
    EXPECT_EQ(QSettings().value(u"eksport/katalog"_s).toString(), d.dir());
    EXPECT_EQ(
        eksportuj(menuListy(*lista), d.dir() + u"/drugi.csv"_s, u"mecze-2026-12-07.csv"_s, d.dir()),
        oczekiwane);

    // Cancelling writes nothing; a failed write is reported.
    const QString zly = d.dir() + u"/brak/lista.csv"_s;
    Script s;
    s.file(u"Eksportuj do CSV"_s, std::nullopt);
    s.file(u"Eksportuj do CSV"_s, zly);
    s.message({u"Błąd"_s,
               u"Nie udało się zapisać pliku CSV.\nNie można zapisać pliku '%1': katalog nie "
               "istnieje."_s.arg(zly),
               ui::Buttons::Ok, ui::Icon::Critical, ui::Answer::Ok},
              ui::Answer::Ok);
    eksport->trigger();
    eksport->trigger();
    s.verify();
    EXPECT_EQ(QDir(d.dir()).entryList({u"*.csv"_s}).size(), 2);
}

TEST(CsvExportStatistics, EveryStatisticsListIsExportedAsShown) {
    SampleDiary d;
    const FixedClock zegar(QDate(2026, 12, 7));
    const auto plik = [&](const char* nazwa) { return d.dir() + u'/' + QLatin1String(nazwa); };

    frmStatystykiMecze mecze;
    const auto bilans = eksportuj(menuListy(*child<QGroupBox>(mecze, "fraBilansWyj")),
                                  plik("bilans.csv"), u"bilans-2026-12-07.csv"_s);
    ASSERT_EQ(bilans.size(), 5u);
    EXPECT_EQ(bilans[0], qs({"Bilans", "Zwycięstwa", "Zwycięstwa %", "Remisy", "Remisy %",
                             "Porażki", "Porażki %", "Razem", "Razem %"}));
    const char* panele[] = {"fraBilans", "fraBilansDom", "fraBilansWyj", "fraBilansNeu"};
    for (int p = 0; p < 4; ++p) {
        QStringList oczekiwany{child<QGroupBox>(mecze, panele[p])->title()};
        for (int r = 0; r < 4; ++r) {
            oczekiwany << labelText(mecze, u"lblLiczba_%1_%2"_s.arg(p).arg(r))
                       << labelText(mecze, u"lblProcent_%1_%2"_s.arg(p).arg(r));
        }
        EXPECT_EQ(bilans[p + 1], oczekiwany);
    }

    frmStatystykiPilkarze pilkarze;
    frmBramkiPilkarza pilkarz(nullptr, 1, u"(1, 2, 3)"_s, u"('D', 'W', 'N')"_s, QString());
    frmRekordy rekordy;
    QTreeWidget* kluby = child<QTreeWidget>(mecze, "lstKluby");
    clickHeader(kluby, 3);
    const std::pair<QTreeWidget*, const char*> listy[] = {
        {kluby, "statystyki-mecze"},
        {child<QTreeWidget>(pilkarze, "lstGracze"), "statystyki-pilkarze"},
        {child<QTreeWidget>(pilkarz, "lstBramki"), "bramki-pilkarza"},
        {child<QTreeWidget>(rekordy, "lstRekordy"), "rekordy"}};
    for (const auto& [lista, nazwa] : listy) {
        SCOPED_TRACE(nazwa);
        EXPECT_EQ(
            eksportuj(menuListy(*lista), plik(nazwa), QLatin1String(nazwa) + u"-2026-12-07.csv"_s),
            pokazane(lista));
    }
}

TEST(CsvExportDictionaries, EachOfTheFiveListsIsExportedUnderItsTabsName) {
    SampleDiary d;
    const FixedClock zegar(QDate(2026, 12, 7));
    frmSlowniki slowniki;
    auto* karty = child<QTabWidget>(slowniki, "tstSlowniki");
    QListWidget* dane = child<QListWidget>(slowniki, "lstDane");
    QAction* eksport = menuListy(*dane);
    ASSERT_NE(eksport, nullptr);
    EXPECT_EQ(eksport->text(), u"&Eksportuj do CSV..."_s);
    EXPECT_EQ(dane->contextMenuPolicy(), Qt::ActionsContextMenu);
    const char* nazwy[] = {"kluby", "gracze", "rozgrywki", "sezony", "rodzaje-goli"};
    for (int karta = 0; karta < 5; ++karta) {
        SCOPED_TRACE(nazwy[karta]);
        karty->setCurrentIndex(karta);
        std::vector<QStringList> oczekiwane{{karty->tabText(karta)}};
        for (const QString& tekst : texts(dane)) {
            oczekiwane.push_back({tekst});
        }
        ASSERT_GT(oczekiwane.size(), 2u);
        EXPECT_EQ(eksportuj(eksport, d.dir() + u'/' + QLatin1String(nazwy[karta]) + u".csv"_s,
                            QLatin1String(nazwy[karta]) + u"-2026-12-07.csv"_s),
                  oczekiwane);
    }
    // A name typed without the extension gets it.
    eksportuj(eksport, d.dir() + u"/bez-rozszerzenia"_s, u"rodzaje-goli-2026-12-07.csv"_s);
    EXPECT_TRUE(QFile::exists(d.dir() + u"/bez-rozszerzenia.csv"_s));
    EXPECT_FALSE(QFile::exists(d.dir() + u"/bez-rozszerzenia"_s));

    // Every context menu's item has the menu item's access key.
    frmStatystykiMecze mecze;
    EXPECT_EQ(menuListy(*child<QGroupBox>(mecze, "fraBilans"))->text(), u"&Eksportuj do CSV..."_s);
    EXPECT_EQ(menuListy(*child<QTreeWidget>(mecze, "lstKluby"))->text(), u"&Eksportuj do CSV..."_s);
}
