// Lists and tables written as spreadsheet files, read back by a CSV reader of the tests' own.

#include "data/CsvExport.h"
#include "forms/ListExport.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmMain.h"
#include "forms/frmRekordy.h"
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
#include <QGroupBox>
#include <QSettings>

#include <csignal>

#include <sys/resource.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QString kTrudnyKomentarz = u"Gol; \"stadiony świata\"\r\nŻółć i łódź"_s;

// What a list shows, as the export must give it: visible columns, rows in their order.
std::vector<QStringList> pokazane(const QTreeWidget* lista) {
    std::vector<QStringList> wiersze;
    QStringList naglowek;
    std::vector<int> kolumny;
    for (int k = 0; k < lista->columnCount(); ++k) {
        if (!lista->isColumnHidden(k) && lista->columnWidth(k) > 0) {
            kolumny.push_back(k);
            naglowek << lista->headerItem()->text(k);
        }
    }
    wiersze.push_back(naglowek);
    for (int r = 0; r < lista->topLevelItemCount(); ++r) {
        QStringList komorki;
        for (const int k : kolumny) {
            komorki << ui::komorkaCsv(lista->topLevelItem(r)->text(k));
        }
        wiersze.push_back(komorki);
    }
    return wiersze;
}

std::vector<QStringList> odczytaj(const QString& sciezka) {
    return readCsv(fileBytes(sciezka));
}

// Answers the export's save dialog with `sciezka`, checking the proposed name.
void zapiszJako(Script& s, const QString& sciezka, const QString& propozycja) {
    s.file(u"Eksportuj do CSV"_s, sciezka, [propozycja](const ui::FileRequest& r) {
        EXPECT_EQ(r.mode, ui::FileMode::Save);
        EXPECT_EQ(r.suggestedName, propozycja);
    });
}

QAction* eksportListy(const QWidget& lista) {
    return lista.findChild<QAction*>(u"itmEksportujCsv"_s);
}

}  // namespace

TEST(CsvDialect, FieldsAreQuotedOnlyWhenTheyMustBeAndSurviveARoundTrip) {
    const csv::Table tabela{{u"Nr"_s, u"Komentarz"_s},
                            {{u"1"_s, u"zwykły tekst"_s},
                             {u"2"_s, kTrudnyKomentarz},
                             {u"3"_s, u""_s},
                             {u"4"_s, u"  spacje na brzegach  "_s}}};
    const QByteArray bajty = csv::encode(tabela);
    EXPECT_TRUE(bajty.startsWith("\xEF\xBB\xBFNr;Komentarz\r\n1;zwykły tekst\r\n"));
    EXPECT_TRUE(bajty.contains("2;\"Gol; \"\"stadiony świata\"\"\r\nŻółć i łódź\"\r\n"));
    const auto odczytane = readCsv(bajty);
    ASSERT_EQ(odczytane.size(), 5u);
    EXPECT_EQ(odczytane[0], tabela.header);
    for (size_t i = 0; i < tabela.rows.size(); ++i) {
        EXPECT_EQ(odczytane[i + 1], tabela.rows[i]);
    }
}

TEST(CsvDialect, PaddedNumbersBecomePlainNumbersAndOtherTextStays) {
    EXPECT_EQ(ui::komorkaCsv(u"   7."_s), u"7"_s);
    EXPECT_EQ(ui::komorkaCsv(u" 1024."_s), u"1024"_s);
    EXPECT_EQ(ui::komorkaCsv(u"  42"_s), u"42"_s);
    EXPECT_EQ(ui::komorkaCsv(u"63%"_s), u"63%"_s);
    EXPECT_EQ(ui::komorkaCsv(u"2:1"_s), u"2:1"_s);
    EXPECT_EQ(ui::komorkaCsv(u"2002/03"_s), u"2002/03"_s);
    EXPECT_EQ(ui::komorkaCsv(u" Kowal "_s), u" Kowal "_s);
}

TEST(CsvFile, AFailedWriteLeavesTheEarlierFileIntact) {
    Diary d;
    const QString plik = d.dir() + u"/mecze.csv"_s;
    csv::writeFile(plik, "stary\r\n");
    // A disk that fills up: a file size limit makes the write fail half-way in the same way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit przed{};
    getrlimit(RLIMIT_FSIZE, &przed);
    rlimit limit = przed;
    limit.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QString blad = errorText([&] { csv::writeFile(plik, QByteArray(10000, 'x')); });
    setrlimit(RLIMIT_FSIZE, &przed);
    EXPECT_TRUE(blad.contains(u"plik przekroczył największy dozwolony rozmiar"_s))
        << blad.toStdString();
    EXPECT_EQ(fileBytes(plik), QByteArray("stary\r\n"));
    QStringList pliki = QDir(d.dir()).entryList(QDir::Files | QDir::Hidden);
    pliki.sort();
    EXPECT_EQ(pliki, (QStringList{u"Mirvola.mdb"_s, u"mecze.csv"_s}));

    EXPECT_TRUE(errorText([&] {
                    csv::writeFile(d.dir() + u"/brak/mecze.csv"_s, "x");
                }).contains(u"katalog nie istnieje"_s));
    csv::writeFile(plik, "nowy\r\n");
    EXPECT_EQ(fileBytes(plik), QByteArray("nowy\r\n"));
}

TEST(CsvFile, TheToolWritesEveryTableAndKeepsExistingFiles) {
    SampleDiary d;
    d.exec(u"UPDATE Mecze SET Komentarz = '%1' WHERE Id_meczu = 2"_s.arg(
        QString(kTrudnyKomentarz).replace(u'\'', u"''"_s)));
    const QString katalog = d.dir() + u"/eksport/nowy"_s;
    ToolRun wynik = tool({u"export"_s, d.path(), katalog});
    EXPECT_EQ(wynik.status, 0) << wynik.err.toStdString();
    EXPECT_EQ(QDir(katalog).entryList(QDir::Files, QDir::Name),
              (QStringList{u"Bramki.csv"_s, u"Gracze.csv"_s, u"Jak.csv"_s, u"Kluby.csv"_s,
                           u"Mecze.csv"_s, u"Rozgrywki.csv"_s, u"Sezony.csv"_s}));
    const auto mecze = odczytaj(katalog + u"/Mecze.csv"_s);
    ASSERT_EQ(mecze.size(), 6u);
    EXPECT_EQ(mecze[0],
              (QStringList{u"Id_meczu"_s, u"Id_sezonu"_s, u"Data"_s, u"Gdzie"_s, u"Id_klubu"_s,
                           u"Wyn1"_s, u"Wyn2"_s, u"Id_rozgrywki"_s, u"Komentarz"_s}));
    EXPECT_EQ(mecze[2], (QStringList{u"2"_s, u"1"_s, u"2002-05-05"_s, u"W"_s, u"2"_s, u"1"_s,
                                     u"2"_s, u"1"_s, kTrudnyKomentarz}));
    EXPECT_EQ(mecze[5][5], u""_s);  // a Null score is an empty cell
    EXPECT_EQ(odczytaj(katalog + u"/Rozgrywki.csv"_s)[3],
              (QStringList{u"3"_s, u"Sparing"_s, u"0"_s}));
    EXPECT_EQ(odczytaj(katalog + u"/Gracze.csv"_s)[3],
              (QStringList{u"3"_s, u""_s, u""_s, u"Ronaldinho"_s}));

    // Existing files are kept unless --force; nothing is written when one of them exists.
    QFile::remove(katalog + u"/Kluby.csv"_s);
    csv::writeFile(katalog + u"/Mecze.csv"_s, "moje\r\n");
    wynik = tool({u"export"_s, d.path(), katalog});
    EXPECT_EQ(wynik.status, 1);
    EXPECT_TRUE(wynik.err.contains(u"3204"_s));
    EXPECT_EQ(fileBytes(katalog + u"/Mecze.csv"_s), QByteArray("moje\r\n"));
    EXPECT_FALSE(QFile::exists(katalog + u"/Kluby.csv"_s));
    EXPECT_EQ(tool({u"export"_s, d.path(), katalog, u"--force"_s}).status, 0);
    EXPECT_EQ(odczytaj(katalog + u"/Mecze.csv"_s).size(), 6u);
    EXPECT_TRUE(QFile::exists(katalog + u"/Kluby.csv"_s));
}

TEST(CsvExportMain, TheMatchListIsExportedAsShownFilteredAndSorted) {
    SampleDiary d;
    d.exec(u"UPDATE Mecze SET Komentarz = '%1' WHERE Id_meczu = 2"_s.arg(
        QString(kTrudnyKomentarz).replace(u'\'', u"''"_s)));
    const FixedClock zegar(QDate(2026, 12, 7));
    frmMain okno;
    QTreeWidget* lista = child<QTreeWidget>(okno, "lstMecze");
    child<QAction>(okno, "itmTylkoOficjalne")->trigger();  // every match
    clickHeader(lista, 4);                                 // sorted by the pairing
    const auto oczekiwane = pokazane(lista);
    ASSERT_EQ(oczekiwane.size(), 6u);
    EXPECT_EQ(oczekiwane[0], (QStringList{u"Nr meczu"_s, u"Sezon"_s, u"Data meczu"_s, u"Mecz"_s,
                                          u"Wynik"_s, u"Rozgrywki"_s, u"Komentarz"_s}));

    const QString plik = d.dir() + u"/lista.csv"_s;
    Script s;
    zapiszJako(s, plik, u"mecze-2026-12-07.csv"_s);
    child<QAction>(okno, "itmEksportuj")->trigger();
    s.verify();
    const auto zapisane = odczytaj(plik);
    EXPECT_EQ(zapisane, oczekiwane);
    const auto zKomentarzem =
        std::find_if(zapisane.begin(), zapisane.end(),
                     [](const QStringList& w) { return w.last() == kTrudnyKomentarz; });
    EXPECT_NE(zKomentarzem, zapisane.end()) << "the comment did not survive the round trip";

    // The same through the list's context menu; the folder is remembered for the next time.
    EXPECT_EQ(QSettings().value(u"eksport/katalog"_s).toString(), d.dir());
    const QString drugi = d.dir() + u"/drugi.csv"_s;
    s.file(u"Eksportuj do CSV"_s, drugi,
           [&](const ui::FileRequest& r) { EXPECT_EQ(r.directory, d.dir()); });
    eksportListy(*lista)->trigger();
    s.verify();
    EXPECT_EQ(odczytaj(drugi), oczekiwane);

    // Cancelling writes nothing.
    s.file(u"Eksportuj do CSV"_s, std::nullopt);
    child<QAction>(okno, "itmEksportuj")->trigger();
    EXPECT_EQ(QDir(d.dir()).entryList({u"*.csv"_s}).size(), 2);
}

TEST(CsvExportMain, AFailedExportIsReportedAndTheEarlierFileStays) {
    SampleDiary d;
    frmMain okno;
    const QString plik = d.dir() + u"/brak/lista.csv"_s;
    Script s;
    s.file(u"Eksportuj do CSV"_s, plik);
    s.message({u"Błąd"_s,
               u"Nie udało się zapisać pliku CSV.\nNie można zapisać pliku '%1': katalog nie "
               "istnieje."_s.arg(plik),
               ui::Buttons::Ok, ui::Icon::Critical, ui::Answer::Ok},
              ui::Answer::Ok);
    child<QAction>(okno, "itmEksportuj")->trigger();
}

TEST(CsvExportStatistics, OpponentsBalancesAndScorersAreExportedAsShown) {
    SampleDiary d;
    const FixedClock zegar(QDate(2026, 12, 7));
    {
        frmStatystykiMecze okno;
        QTreeWidget* lista = child<QTreeWidget>(okno, "lstKluby");
        clickHeader(lista, 3);
        const QString plik = d.dir() + u"/kluby.csv"_s;
        Script s;
        zapiszJako(s, plik, u"statystyki-mecze-2026-12-07.csv"_s);
        eksportListy(*lista)->trigger();
        s.verify();
        EXPECT_EQ(odczytaj(plik), pokazane(lista));

        const QString bilans = d.dir() + u"/bilans.csv"_s;
        zapiszJako(s, bilans, u"bilans-2026-12-07.csv"_s);
        eksportListy(*child<QGroupBox>(okno, "fraBilansWyj"))->trigger();
        s.verify();
        const auto wiersze = odczytaj(bilans);
        ASSERT_EQ(wiersze.size(), 5u);
        EXPECT_EQ(wiersze[0], (QStringList{u"Bilans"_s, u"Zwycięstwa"_s, u"Zwycięstwa %"_s,
                                           u"Remisy"_s, u"Remisy %"_s, u"Porażki"_s, u"Porażki %"_s,
                                           u"Razem"_s, u"Razem %"_s}));
        for (int p = 0; p < 4; ++p) {
            const char* panele[] = {"fraBilans", "fraBilansDom", "fraBilansWyj", "fraBilansNeu"};
            QStringList oczekiwany{child<QGroupBox>(okno, panele[p])->title()};
            for (int r = 0; r < 4; ++r) {
                oczekiwany << labelText(okno, u"lblLiczba_%1_%2"_s.arg(p).arg(r))
                           << labelText(okno, u"lblProcent_%1_%2"_s.arg(p).arg(r));
            }
            EXPECT_EQ(wiersze[static_cast<size_t>(p) + 1], oczekiwany);
        }
    }
    {
        frmStatystykiPilkarze okno;
        QTreeWidget* lista = child<QTreeWidget>(okno, "lstGracze");
        const QString plik = d.dir() + u"/gracze.csv"_s;
        Script s;
        zapiszJako(s, plik, u"statystyki-pilkarze-2026-12-07.csv"_s);
        eksportListy(*lista)->trigger();
        s.verify();
        const auto wiersze = odczytaj(plik);
        EXPECT_EQ(wiersze, pokazane(lista));
        EXPECT_EQ(wiersze[0], (QStringList{u"Piłkarz"_s, u"Gole"_s}));
    }
}

TEST(CsvExportStatistics, OnePlayersGoalsAreExportedAsShown) {
    SampleDiary d;
    frmBramkiPilkarza okno(nullptr, 1, u"(1, 2, 3)"_s, u"('D', 'W', 'N')"_s, QString());
    QTreeWidget* lista = child<QTreeWidget>(okno, "lstBramki");
    const QString plik = d.dir() + u"/bramki.csv"_s;
    Script s;
    s.file(u"Eksportuj do CSV"_s, plik);
    eksportListy(*lista)->trigger();
    s.verify();
    const auto wiersze = odczytaj(plik);
    EXPECT_EQ(wiersze, pokazane(lista));
    ASSERT_EQ(wiersze.size(), 3u);
    EXPECT_EQ(wiersze[1][1], u"2001-08-05"_s);
}

TEST(CsvExportStatistics, TheRecordsAreExportedAsShown) {
    SampleDiary d;
    const FixedClock zegar(QDate(2026, 12, 7));
    frmRekordy okno;
    QTreeWidget* lista = child<QTreeWidget>(okno, "lstRekordy");
    const QString plik = d.dir() + u"/rekordy.csv"_s;
    Script s;
    zapiszJako(s, plik, u"rekordy-2026-12-07.csv"_s);
    eksportListy(*lista)->trigger();
    s.verify();
    const auto wiersze = odczytaj(plik);
    EXPECT_EQ(wiersze, pokazane(lista));
    ASSERT_GT(wiersze.size(), 8u);
    EXPECT_EQ(wiersze[1][0], u"Najwyższe zwycięstwo"_s);
}
