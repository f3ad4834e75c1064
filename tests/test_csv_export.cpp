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
#include <tuple>

#include <sys/resource.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QString kTrudnyKomentarz = u"Gol; \"stadiony świata\"\r\nŻółć i łódź"_s;
const QString kKomentarzMeczu2 = u"UPDATE Mecze SET Komentarz = '%1' WHERE Id_meczu = 2"_s;

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

// Each character that needs quotes, alone in a field, against the exact bytes; the characters
// that do not need them leave the field as it is.
TEST(CsvDialect, EachCharacterThatNeedsQuotesQuotesTheFieldAlone) {
    const std::pair<QString, QByteArray> przypadki[] = {
        // A field with a digit carries the mark that keeps a spreadsheet from converting it.
        {u"1;Gol"_s,
         "\"\xE2\x81\xA0"
         "1;Gol\""},
        {u";"_s, "\";\""},
        {u"a\"b"_s, "\"a\"\"b\""},
        {u"\""_s, "\"\"\"\""},
        {u"a\rb"_s, "\"a\rb\""},
        {u"a\nb"_s, "\"a\nb\""},
        {u"a,b"_s, "a,b"},
        {u" a 'b' "_s, " a 'b' "},
        {u"a\tb"_s, "a\tb"},
        {u"Łódź"_s,
         "\xC5\x81\xC3\xB3"
         "d\xC5\xBA"},
        {QString(), ""},
    };
    for (const auto& [pole, zapis] : przypadki) {
        SCOPED_TRACE(pole.toStdString());
        const QByteArray bajty = csv::encode({{u"Nr"_s, u"Pole"_s}, {{u"1"_s, pole}}});
        EXPECT_EQ(bajty, QByteArray("\xEF\xBB\xBFNr;Pole\r\n1;") + zapis + "\r\n");
    }
    // A field with ';' of its own and no other special character: two fields, not three.
    EXPECT_EQ(csv::encode({{u"Nr"_s, u"Komentarz"_s}, {qs({"1", "Gol; Wisła"})}}),
              QByteArray("\xEF\xBB\xBFNr;Komentarz\r\n1;\"Gol; Wis\xC5\x82\x61\"\r\n"));
    // The header is quoted by the same rule.
    EXPECT_EQ(csv::encode({{u"a;b"_s}, {}}), QByteArray("\xEF\xBB\xBF\"a;b\"\r\n"));
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
    // The visible columns in the order shown, the padded numbers as numbers, the scores and
    // comments as shown (a score without goals is ":").
    const QByteArray plik =
        "\xEF\xBB\xBFNr meczu;Sezon;Data meczu;Mecz;Wynik;Rozgrywki;Komentarz\r\n"
        "5;2002/03;2003-04-20;Legia - Mirvola Wendrow;:;Liga;\r\n"
        "1;2001/02;2001-08-05;Mirvola Wendrow - Legia;2:1;Liga;Pierwszy mecz\r\n"
        "3;2002/03;2002-09-01;Mirvola Wendrow - \xC5\x81\xC3\xB3"
        "dzki KS;0:0;Sparing;"
        "\"Sparing\r\nw deszczu\"\r\n"
        "4;2002/03;2003-03-15;Mirvola Wendrow - O'Higgins;3:3;Puchar;\r\n"
        "2;2001/02;2002-05-05;Wis\xC5\x82"
        "a - Mirvola Wendrow;1:2;Liga;"
        "\"Gol; \"\"stadiony \xC5\x9Bwiata\"\"\r\n\xC5\xBB\xC3\xB3\xC5\x82\xC4\x87 i "
        "\xC5\x82\xC3\xB3"
        "d\xC5\xBA\"\r\n";
    const auto oczekiwane = readCsv(plik);
    ASSERT_EQ(oczekiwane.size(), 6u);
    const auto zapisane = eksportuj(eksport, d.dir() + u"/lista.csv"_s, u"mecze-2026-12-07.csv"_s);
    // The invisible marks aside (their place is the spreadsheet round trip's concern), the
    // exact bytes.
    EXPECT_EQ(fileBytes(d.dir() + u"/lista.csv"_s).replace("\xE2\x81\xA0", ""), plik);
    EXPECT_EQ(zapisane.back().last(), kTrudnyKomentarz) << "the comment did not survive";

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
    // What each list shows, its hidden id column left out and its padded numbers as numbers.
    const QString m1 = u"2001-08-05;Mirvola Wendrow - Legia;2:1;Liga"_s;
    const QString m2 = u"2002-05-05;Wisła - Mirvola Wendrow;1:2;Liga"_s;
    const QString m3 = u"2002-09-01;Mirvola Wendrow - Łódzki KS;0:0;Sparing"_s;
    const QString m4 = u"2003-03-15;Mirvola Wendrow - O'Higgins;3:3;Puchar"_s;
    const std::tuple<QTreeWidget*, const char*, QStringList> listy[] = {
        {kluby,
         "statystyki-mecze",
         {u"Przeciwnik;Mecze;Z;R;P;Br +;Br -"_s, u"Legia;2;1;0;0;2;1"_s, u"O'Higgins;1;0;1;0;3;3"_s,
          u"Wisła;1;1;0;0;2;1"_s}},
        {child<QTreeWidget>(pilkarze, "lstGracze"),
         "statystyki-pilkarze",
         {u"Piłkarz;Gole"_s, u"Jan Kowalski Kowal;2"_s, u"Adam Nowak;1"_s, u"Sean O'Neil;1"_s}},
        {child<QTreeWidget>(pilkarz, "lstBramki"),
         "bramki-pilkarza",
         {u"Sezon;Data meczu;Mecz;Bramka dla;Wynik;Minuta;Jak;Rozgrywki"_s,
          u"2001/02;2001-08-05;Mirvola Wendrow - Legia;Mirvola Wendrow;2:1;10;z gry;Liga"_s,
          u"2001/02;2002-05-05;Wisła - Mirvola Wendrow;Mirvola Wendrow;1:2;20;z gry;Liga"_s}},
        {child<QTreeWidget>(rekordy, "lstRekordy"),
         "rekordy",
         {u"Rekord;Wartość;Szczegóły;Data meczu;Mecz;Wynik;Rozgrywki"_s,
          u"Najwyższe zwycięstwo;+1;;"_s + m1, u";;;"_s + m2, u"Najwyższa porażka;brak;;;;;"_s,
          u"Najwięcej bramek w meczu;6;;"_s + m4,
          u"Najdłuższa seria zwycięstw;2;początek serii;"_s + m1, u";;koniec serii;"_s + m2,
          u"Najdłuższa seria bez porażki;4;początek serii;"_s + m1, u";;koniec serii;"_s + m4,
          u"Najdłuższa seria bez zwycięstwa;2;początek serii;"_s + m3, u";;koniec serii;"_s + m4,
          u"Najwięcej meczów z jednym rywalem;2;Legia;;;;"_s,
          u"Najwięcej bramek zawodnika w meczu;1;Adam Nowak;"_s + m1,
          u";;Jan Kowalski Kowal;"_s + m1, u";;Jan Kowalski Kowal;"_s + m2,
          u";;Sean O'Neil;"_s + m4}}};
    for (const auto& [lista, nazwa, linie] : listy) {
        SCOPED_TRACE(nazwa);
        const QByteArray oczekiwany = "\xEF\xBB\xBF" + linie.join(u"\r\n"_s).toUtf8() + "\r\n";
        EXPECT_EQ(
            eksportuj(menuListy(*lista), plik(nazwa), QLatin1String(nazwa) + u"-2026-12-07.csv"_s),
            readCsv(oczekiwany));
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
