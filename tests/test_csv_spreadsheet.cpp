// Every CSV export opened by a real spreadsheet program (LibreOffice Calc, Polish locale, ';' and
// UTF-8) and read back cell by cell: scores stay scores, dates dates, counts numbers, and a text
// that looks like a formula stays the text the window shows.

#include "data/CsvExport.h"
#include "forms/ListExport.h"
#include "forms/frmBramkiPilkarza.h"
#include "forms/frmMain.h"
#include "forms/frmRekordy.h"
#include "forms/frmSlowniki.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"
#include "support/Diary.h"
#include "support/Script.h"
#include "support/Spreadsheet.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabWidget>

#include <map>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

using Tabela = std::vector<QStringList>;

// Texts a spreadsheet would run or convert, put where the windows show them.
const char* const kWrogieTeksty = R"SQL(
UPDATE Mecze SET Komentarz = '=1+1' WHERE Id_meczu = 1;
UPDATE Mecze SET Komentarz = '=HYPERLINK("http://example.invalid";"klik")' WHERE Id_meczu = 2;
UPDATE Mecze SET Komentarz = '+48 600 100 200' WHERE Id_meczu = 4;
UPDATE Mecze SET Komentarz = '@SUM(A1)' WHERE Id_meczu = 5;
UPDATE Mecze SET Wyn1 = 1, Wyn2 = 1 WHERE Id_meczu = 5;
UPDATE Kluby SET Druzyna = '=2*3' WHERE Id_klubu = 3;
UPDATE Kluby SET Druzyna = '-Wisła' WHERE Id_klubu = 2;
UPDATE Gracze SET Przydomek = '@Żuk' WHERE Id_gracza = 4;
UPDATE Gracze SET Nazwisko = char(9) || '=1' WHERE Id_gracza = 5;
UPDATE Jak SET Jak = 'PRAWDA' WHERE Id_jak = 2;
UPDATE Rozgrywki SET Nazwa = '12 maja 2005' WHERE Id_rozgrywki = 3;
)SQL";

// What a list shows: visible columns, rows in their order.
Tabela pokazane(const QTreeWidget* lista) {
    Tabela wiersze(static_cast<size_t>(lista->topLevelItemCount()) + 1);
    for (int k = 0; k < lista->columnCount(); ++k) {
        if (!lista->isColumnHidden(k) && lista->columnWidth(k) > 0) {
            wiersze[0] << lista->headerItem()->text(k);
            for (int r = 0; r < lista->topLevelItemCount(); ++r) {
                wiersze[static_cast<size_t>(r) + 1] << lista->topLevelItem(r)->text(k);
            }
        }
    }
    return wiersze;
}

Tabela pokazane(const QListWidget* lista, const QString& naglowek) {
    Tabela wiersze{{naglowek}};
    for (const QString& tekst : texts(lista)) {
        wiersze.push_back({tekst});
    }
    return wiersze;
}

// Exports through the context menu of `widok` into `plik`.
void eksportuj(const QWidget& widok, const QString& plik) {
    Script s;
    s.file(u"Eksportuj do CSV"_s, plik);
    child<QAction>(widok, "itmEksportujCsv")->trigger();
    s.verify();
}

// Why the cell does not read as `pokazany` (empty when it does). Whole numbers (the padding that
// lines them up on screen aside) and decimals must be numbers, dates dates, a percentage a
// number where the spreadsheet detects them, and every other text the very same text.
QString roznica(QString pokazany, const SheetCell& c, bool specjalne) {
    static const QRegularExpression liczba(uR"(^\s*(-?\d+)\.?\s*$)"_s);
    static const QRegularExpression dziesietna(uR"(^-?\d+,\d+$)"_s);
    static const QRegularExpression procent(uR"(^(-?\d+(,\d+)?)%$)"_s);
    static const QRegularExpression data(uR"(^\d{4}-\d\d-\d\d$)"_s);
    const auto opis = [&] { return c.kind + u' ' + c.text; };
    if (pokazany.isEmpty()) {
        return c.kind == u"e"_s ? QString() : opis();
    }
    if (const auto m = liczba.match(pokazany); m.hasMatch()) {
        return c.kind == u"n"_s && c.text.toDouble() == m.captured(1).toDouble() ? QString()
                                                                                 : opis();
    }
    if (dziesietna.match(pokazany).hasMatch()) {
        return c.kind == u"n"_s && c.text.toDouble() == pokazany.replace(u',', u'.').toDouble()
                   ? QString()
                   : opis();
    }
    if (data.match(pokazany).hasMatch()) {
        return c.kind == u"d"_s && c.text.startsWith(pokazany + u'T') ? QString() : opis();
    }
    if (const auto m = procent.match(pokazany); m.hasMatch() && specjalne) {
        const double wartosc = m.captured(1).replace(u',', u'.').toDouble() / 100;
        return c.kind == u"n"_s && qAbs(c.text.toDouble() - wartosc) < 1e-9 ? QString() : opis();
    }
    // The invisible mark that keeps a text from being converted is all that may differ.
    QString tekst = c.text;
    if (tekst.startsWith(csv::kTextMark)) {
        tekst.remove(0, 1);
    }
    pokazany.replace(u"\r\n"_s, u"\n"_s);
    return c.kind == u"s"_s && tekst == pokazany ? QString() : opis();
}

void porownaj(const QString& plik, const Tabela& oczekiwana, const Sheet& arkusz, bool specjalne) {
    SCOPED_TRACE(plik.toStdString() + (specjalne ? " (special numbers)" : " (plain numbers)"));
    ASSERT_EQ(arkusz.size(), oczekiwana.size());
    for (size_t r = 0; r < arkusz.size(); ++r) {
        // An empty last cell gives the row no cell at all.
        ASSERT_LE(arkusz[r].size(), static_cast<size_t>(oczekiwana[r].size())) << "row " << r;
        for (qsizetype k = 0; k < oczekiwana[r].size(); ++k) {
            const SheetCell pusta{u"e"_s, QString()};
            const SheetCell& c = static_cast<size_t>(k) < arkusz[r].size()
                                     ? arkusz[r][static_cast<size_t>(k)]
                                     : pusta;
            EXPECT_EQ(roznica(oczekiwana[r][k], c, specjalne), QString())
                << "row " << r << ", column " << k << ": " << oczekiwana[r][k].toStdString();
        }
    }
}

}  // namespace

TEST(CsvInSpreadsheet, EveryExportReadsBackAsTheWindowShowsIt) {
    if (const auto brak = spreadsheetMissing()) {
        GTEST_SKIP() << brak->toStdString();
    }
    SampleDiary d;
    d.exec(QString::fromUtf8(kWrogieTeksty));
    const FixedClock zegar(QDate(2026, 12, 7));
    const QString katalog = d.dir() + u"/eksport"_s;
    QDir().mkpath(katalog);
    std::map<QString, Tabela> eksporty;
    const auto zapisz = [&](const QWidget& widok, const QString& nazwa, Tabela pokazana) {
        eksportuj(widok, katalog + u'/' + nazwa);
        eksporty[nazwa] = std::move(pokazana);
    };

    frmMain glowne;
    QTreeWidget* mecze = child<QTreeWidget>(glowne, "lstMecze");
    child<QAction>(glowne, "itmTylkoOficjalne")->trigger();  // every match
    zapisz(*mecze, u"mecze.csv"_s, pokazane(mecze));
    frmRekordy rekordy;
    QTreeWidget* lstRekordy = child<QTreeWidget>(rekordy, "lstRekordy");
    zapisz(*lstRekordy, u"rekordy.csv"_s, pokazane(lstRekordy));
    frmStatystykiPilkarze pilkarze;
    QTreeWidget* gracze = child<QTreeWidget>(pilkarze, "lstGracze");
    zapisz(*gracze, u"pilkarze.csv"_s, pokazane(gracze));
    frmBramkiPilkarza pilkarz(nullptr, 1, u"(1, 2, 3)"_s, u"('D', 'W', 'N')"_s, QString());
    QTreeWidget* bramki = child<QTreeWidget>(pilkarz, "lstBramki");
    zapisz(*bramki, u"bramki.csv"_s, pokazane(bramki));
    frmStatystykiMecze statystyki;
    QTreeWidget* kluby = child<QTreeWidget>(statystyki, "lstKluby");
    zapisz(*kluby, u"kluby-statystyki.csv"_s, pokazane(kluby));
    Tabela bilans{{u"Bilans"_s, u"Zwycięstwa"_s, u"Zwycięstwa %"_s, u"Remisy"_s, u"Remisy %"_s,
                   u"Porażki"_s, u"Porażki %"_s, u"Razem"_s, u"Razem %"_s}};
    const char* panele[] = {"fraBilans", "fraBilansDom", "fraBilansWyj", "fraBilansNeu"};
    for (int p = 0; p < 4; ++p) {
        QStringList wiersz{child<QGroupBox>(statystyki, panele[p])->title()};
        for (int r = 0; r < 4; ++r) {
            wiersz << labelText(statystyki, u"lblLiczba_%1_%2"_s.arg(p).arg(r))
                   << labelText(statystyki, u"lblProcent_%1_%2"_s.arg(p).arg(r));
        }
        bilans.push_back(wiersz);
    }
    zapisz(*child<QGroupBox>(statystyki, "fraBilans"), u"bilans.csv"_s, bilans);
    frmSlowniki slowniki;
    auto* karty = child<QTabWidget>(slowniki, "tstSlowniki");
    QListWidget* dane = child<QListWidget>(slowniki, "lstDane");
    for (int karta = 0; karta < karty->count(); ++karta) {
        karty->setCurrentIndex(karta);
        zapisz(*dane, u"slownik-%1.csv"_s.arg(karta), pokazane(dane, karty->tabText(karta)));
    }
    // The tool's export of the stored tables.
    const ToolRun wynik = tool({u"export"_s, d.path(), katalog + u"/tabele"_s});
    ASSERT_EQ(wynik.status, 0) << wynik.err.toStdString();
    for (const QString& tabela : {u"Mecze"_s, u"Kluby"_s, u"Gracze"_s, u"Jak"_s, u"Rozgrywki"_s}) {
        const auto naglowek = d.rows(u"SELECT name FROM pragma_table_info('%1')"_s.arg(tabela));
        Tabela wiersze{{}};
        for (const QStringList& n : naglowek) {
            wiersze[0] << n[0];
        }
        for (QStringList wiersz : d.rows(u"SELECT * FROM %1 ORDER BY rowid"_s.arg(tabela))) {
            wiersz.replaceInStrings(QRegularExpression(u"^NULL$"_s), QString());
            wiersze.push_back(wiersz);
        }
        eksporty[u"tabele/"_s + tabela + u".csv"_s] = wiersze;
    }

    QStringList pliki;
    for (const auto& [nazwa, tabela] : eksporty) {
        pliki << katalog + u'/' + nazwa;
    }
    for (const bool specjalne : {true, false}) {
        const std::map<QString, Sheet> arkusze = openInSpreadsheet(pliki, specjalne);
        for (const auto& [nazwa, tabela] : eksporty) {
            const auto arkusz = arkusze.find(QFileInfo(nazwa).fileName());
            ASSERT_NE(arkusz, arkusze.end()) << nazwa.toStdString();
            porownaj(nazwa, tabela, arkusz->second, specjalne);
        }
        // The cases of the reported faults, named.
        const Sheet& lista = arkusze.at(u"mecze.csv"_s);
        const auto komorka = [&](const QString& tekst) {
            for (const auto& wiersz : lista) {
                for (const SheetCell& c : wiersz) {
                    if (c.text.endsWith(tekst)) {
                        return c.kind;
                    }
                }
            }
            return u"brak"_s;
        };
        EXPECT_EQ(komorka(u"1:1"_s), u"s"_s) << "a score read as a time of day";
        EXPECT_EQ(komorka(u"=1+1"_s), u"s"_s) << "a comment read as a formula";
        EXPECT_EQ(komorka(u"\"klik\")"_s), u"s"_s) << "a comment read as a formula";
    }
}
