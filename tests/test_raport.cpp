#include "forms/frmRaport.h"

#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/RaportSezonu.h"
#include "forms/frmMain.h"
#include "forms/frmMecze.h"
#include "forms/frmStatystykiMecze.h"
#include "forms/frmStatystykiPilkarze.h"
#include "report/RaportPdf.h"
#include "support/Diary.h"
#include "support/Script.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTextEdit>

#include <gtest/gtest.h>

// Texts in the failure messages.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << text.toStdString();
}

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QDate kDzien(2026, 12, 7);

// A demo diary (10 seasons, 300 matches) as the program's diary.
struct DemoDiary : Diary {
    DemoDiary() {
        QFile::remove(path());
        demo::createDiary(path(), 1);
    }
};

// The PDF's words in the order they were drawn (one page, or all with 0).
QString pdfText(const QString& pdf, int strona = 0) {
    QStringList args{u"-raw"_s, u"-enc"_s, u"UTF-8"_s};
    if (strona > 0) {
        args << u"-f"_s << QString::number(strona) << u"-l"_s << QString::number(strona);
    }
    const ToolRun r = runProgram(u"pdftotext"_s, args << pdf << u"-"_s);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

// Rows wrap and lines break where the page ends; the characters stay.
QString squeezed(QString tekst) {
    return tekst.remove(QRegularExpression(u"\\s"_s));
}

int pageCount(const QString& pdf) {
    const ToolRun r = runProgram(u"pdfinfo"_s, {pdf});
    const QRegularExpressionMatch m = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(r.out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Each of `wiersze` found in `tekst` after the one before it; the first missing one reported.
QString missingInOrder(const QString& tekst, const QStringList& wiersze) {
    const QString t = squeezed(tekst);
    qsizetype od = 0;
    for (const QString& w : wiersze) {
        const qsizetype i = t.indexOf(squeezed(w), od);
        if (i < 0) {
            return w;
        }
        od = i + squeezed(w).size();
    }
    return QString();
}

// Every page of `pdf` with the heading at its top and "strona N z M" as its last line, read
// from top to bottom; the pages' words without white space.
std::vector<QString> checkedPages(const QString& pdf, const QString& sezony) {
    const int stron = pageCount(pdf);
    std::vector<QString> strony;
    for (int s = 1; s <= stron; ++s) {
        const QString tekst = pdfText(pdf, s);
        EXPECT_TRUE(tekst.contains(u"Mirvola Wendrow – raport "_s + sezony)) << s;
        EXPECT_TRUE(
            tekst.contains(u"Wydrukowano 7 grudnia 2026 strona %1 z %2"_s.arg(s).arg(stron)))
            << s;
        strony.push_back(squeezed(tekst));
        const ToolRun uklad = runProgram(
            u"pdftotext"_s,
            {u"-layout"_s, u"-f"_s, QString::number(s), u"-l"_s, QString::number(s), pdf, u"-"_s});
        const QStringList linie = uklad.out.trimmed().split(u'\n');
        EXPECT_TRUE(linie.front().contains(u"Mirvola Wendrow – raport"_s)) << linie.front();
        EXPECT_TRUE(linie.back().contains(u"strona %1 z %2"_s.arg(s).arg(stron))) << linie.back();
    }
    return strony;
}

QString writeReport(const Diary& d, const raport::Wybor& wybor, const QString& nazwa) {
    const QString pdf = d.dir() + u'/' + nazwa;
    raport::ZapiszPdf(raport::Zbierz(d.path(), wybor), pdf, false, kDzien);
    return pdf;
}

void checkOnly(QListWidget* lista, const QStringList& nazwy) {
    for (int i = 0; i < lista->count(); ++i) {
        lista->item(i)->setCheckState(nazwy.contains(lista->item(i)->text()) ? Qt::Checked
                                                                             : Qt::Unchecked);
    }
}

// A panel's row as the report prints it, from the window's labels.
QString panelRow(const QWidget& w, const QString& nazwa, int panel) {
    QString row = nazwa;
    for (int r = 0; r < 4; ++r) {
        row += u' ' + labelText(w, u"lblLiczba_%1_%2"_s.arg(panel).arg(r)) + u" ("_s +
               labelText(w, u"lblProcent_%1_%2"_s.arg(panel).arg(r)) + u')';
    }
    return row;
}

const QStringList kPanele{u"Bilans"_s, u"Bilans w domu"_s, u"Bilans na wyjeździe"_s,
                          u"Bilans na ter. neutral."_s};

}  // namespace

// For several filters the summary shows the match statistics' panels and the scorers the
// player statistics' table, in its order.
TEST(Raport, SummaryAndScorersAreTheStatisticsWindowsFigures) {
    DemoDiary d;
    struct Przypadek {
        QStringList rozgrywki;  // empty: as the windows open (the official ones)
        bool wyjazdy;
    };
    const std::vector<Przypadek> przypadki = {
        {{}, true},
        {{u"Liga"_s, u"Puchar Polski"_s, u"Puchar UEFA"_s, u"Sparing"_s}, true},
        {{u"Sparing"_s}, true},
        {{u"Puchar Polski"_s}, false},
    };
    int nr = 0;
    for (const Przypadek& p : przypadki) {
        SCOPED_TRACE(p.rozgrywki.join(u',').toStdString());
        frmStatystykiMecze mecze;
        frmStatystykiPilkarze pilkarze;
        for (QWidget* w : std::initializer_list<QWidget*>{&mecze, &pilkarze}) {
            if (!p.rozgrywki.isEmpty()) {
                checkOnly(child<QListWidget>(*w, "lstRozgr"), p.rozgrywki);
            }
            child<QCheckBox>(*w, "chkOpcja_1")->setChecked(p.wyjazdy);
        }
        raport::Wybor wybor;
        wybor.filtr = {mecze.strRozgrywki, mecze.strGdzie};
        ASSERT_EQ(pilkarze.strRozgrywki, mecze.strRozgrywki);
        wybor.sekcje = {true, false, true, false, false};
        const QString tekst = pdfText(writeReport(d, wybor, u"r%1.pdf"_s.arg(++nr)));

        QStringList oczekiwane;
        if (p.wyjazdy) {
            for (int panel = 0; panel < 4; ++panel) {
                oczekiwane << panelRow(mecze, kPanele[panel], panel);
            }
        } else {
            // Over home and neutral matches only: their panels, and a total of the two.
            std::array<int, 3> liczby{};
            for (int r = 0; r < 3; ++r) {
                liczby[static_cast<size_t>(r)] =
                    labelText(mecze, u"lblLiczba_1_%1"_s.arg(r)).toInt() +
                    labelText(mecze, u"lblLiczba_3_%1"_s.arg(r)).toInt();
            }
            const std::array<int, 4> procenty = bilans::Procenty(liczby);
            oczekiwane << u"Bilans %1 (%2%) %3 (%4%) %5 (%6%) %7 (100%)"_s.arg(liczby[0])
                              .arg(procenty[0])
                              .arg(liczby[1])
                              .arg(procenty[1])
                              .arg(liczby[2])
                              .arg(procenty[2])
                              .arg(liczby[0] + liczby[1] + liczby[2])
                       << panelRow(mecze, kPanele[1], 1) << panelRow(mecze, kPanele[3], 3);
            EXPECT_FALSE(tekst.contains(kPanele[2]));
        }
        const QTreeWidget* gracze = child<QTreeWidget>(pilkarze, "lstGracze");
        ASSERT_GT(gracze->topLevelItemCount(), 0);
        for (int i = 0; i < gracze->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = gracze->topLevelItem(i);
            oczekiwane << u"%1. %2 %3"_s.arg(i + 1).arg(item->text(1), item->text(2).trimmed());
        }
        EXPECT_EQ(missingInOrder(tekst, oczekiwane), QString());
        EXPECT_FALSE(tekst.contains(u"2. Mecze"_s));
        EXPECT_TRUE(tekst.contains(u"2. Strzelcy"_s));
    }
}

namespace {

// "1 września 2008" as a date.
QDate fromWords(const QString& tekst) {
    static const QStringList miesiace =
        qs({"stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca", "lipca", "sierpnia",
            "września", "października", "listopada", "grudnia"});
    const QStringList czesci = tekst.split(u' ');
    return QDate(czesci[2].toInt(), static_cast<int>(miesiace.indexOf(czesci[1])) + 1,
                 czesci[0].toInt());
}

// The home club's scorers as the viewer's grid lists them ("Jan Nowak 12'  (karny)"), a
// scorer once with his minutes.
QString scorersOf(const QTableWidget* siatka) {
    QStringList kto;
    QList<QStringList> kiedy;
    static const QRegularExpression linia(u"^(.*) (\\d*)'  \\((.*)\\)$"_s);
    for (int i = 0; i < siatka->rowCount(); ++i) {
        const QRegularExpressionMatch m = linia.match(siatka->item(i, 0)->text());
        EXPECT_TRUE(m.hasMatch()) << siatka->item(i, 0)->text();
        if (!kto.contains(m.captured(1))) {
            kto << m.captured(1);
            kiedy << QStringList();
        }
        kiedy[kto.indexOf(m.captured(1))] << m.captured(2) + u"' ("_s + m.captured(3) + u')';
    }
    QStringList czesci;
    for (qsizetype i = 0; i < kto.size(); ++i) {
        czesci << kto[i] + u' ' + kiedy[i].join(u", "_s);
    }
    return czesci.join(u"; "_s);
}

// What the viewer shows of its current match as the report's row, with the comment.
QString viewerRow(const QDialog& v, QString* sezon) {
    // "Liga, sezon 2008/09, 1 września 2008 (poniedziałek)"
    const QStringList naglowek = labelText(v, "lblNaglowek").split(u", "_s);
    *sezon = naglowek[1].mid(6);
    const QString gosp = labelText(v, "lblGosp");
    const int strona = gosp == Mirvola::kKlubMirvola ? 0 : 1;
    return fromWords(naglowek[2].section(u" ("_s, 0, 0)).toString(u"yyyy-MM-dd"_s) + gosp +
           u" - "_s + labelText(v, "lblGosc") + labelText(v, "lblWynik").replace(u" - "_s, u":"_s) +
           naglowek[0] + scorersOf(child<QTableWidget>(v, u"fgrdStrzelcy_%1"_s.arg(strona))) +
           child<QPlainTextEdit>(v, "txtKomentarz")->toPlainText();
}

}  // namespace

// The matches of two seasons in the official competitions: every one the viewer steps through
// is a row with its pairing, score, competition, the home club's scorers and the comment.
TEST(Raport, MatchRowsAreTheViewersMatchesWithScorersAndComments) {
    DemoDiary d;
    raport::Wybor wybor =
        raport::WyborWiersza(d.path(), {u"2007/08"_s, u"2009/10"_s}, true, nullptr);
    wybor.sekcje = {false, true, false, false, false};
    wybor.komentarze = true;
    const QString tekst = squeezed(pdfText(writeReport(d, wybor, u"mecze.pdf"_s)));

    Mirvola::dblIdMeczu =
        d.value(u"SELECT Min(Id_meczu) FROM Mecze WHERE Id_rozgrywki <> 4"_s).toDouble();
    FiltrMeczow oficjalne;
    oficjalne.blnTylkoOficjalne = true;
    frmMecze v(nullptr, true, oficjalne);
    child<QPushButton>(v, "cmdZmiana_0")->click();
    QPushButton* nastepny = child<QPushButton>(v, "cmdZmiana_2");
    std::map<QString, int> wSezonie;
    int zKomentarzem = 0;
    for (bool dalej = true; dalej; dalej = nastepny->isEnabled(), nastepny->click()) {
        QString sezon;
        const QString wiersz = viewerRow(v, &sezon);
        if (sezon != u"2007/08"_s && sezon != u"2009/10"_s) {
            EXPECT_FALSE(tekst.contains(squeezed(wiersz).left(30))) << wiersz;
            continue;
        }
        ++wSezonie[sezon];
        zKomentarzem += child<QPlainTextEdit>(v, "txtKomentarz")->toPlainText().isEmpty() ? 0 : 1;
        EXPECT_TRUE(tekst.contains(squeezed(wiersz))) << wiersz;
    }
    EXPECT_GT(zKomentarzem, 0);
    ASSERT_EQ(wSezonie.size(), 2u);
    for (const auto& [sezon, n] : wSezonie) {
        EXPECT_TRUE(tekst.contains(squeezed(u"Sezon %1 – %2 mecz"_s.arg(sezon).arg(n)))) << sezon;
    }
    // Only the first section chosen: numbered 1.
    EXPECT_TRUE(tekst.startsWith(u"1.Mecze"_s));
}

// A long season with long names and comments: every page carries the heading and "strona N z
// M", the matches' header comes again on every page of the table, and no row is split between
// two pages. The fonts travel inside the file.
TEST(Raport, PagesCarryHeadingAndFooterAndNoRowIsSplit) {
    Diary d;
    const QString klub = u"Klub Sportowy Źdźbło Chrząszczyżewoszyce Żółć"_s;
    const QString gracz = u"Grzegorz Brzęczyszczykiewicz-Chrząszczewski"_s;
    d.exec(
        u"INSERT INTO Sezony VALUES (1, '2001/02'); INSERT INTO Kluby VALUES (1, '%1');"
        "INSERT INTO Rozgrywki VALUES (1, 'Liga', -1);"
        "INSERT INTO Gracze VALUES (1, 'Łukasz', 'Wójcik', 'Ślimak'), (2, '%2', 'Żyła', NULL);"
        "INSERT INTO Jak VALUES (1, 'z gry', 0), (2, 'karny', 0);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
        "INSERT INTO Mecze SELECT i, 1, date('2001-08-01', '+' || (i * 3) || ' days'), "
        "CASE i % 3 WHEN 0 THEN 'W' ELSE 'D' END, 1, i % 4, 3, 1, CASE WHEN i % 4 = 0 THEN "
        "'Mecz ' || i || ': ' || replace(hex(zeroblob(40)), '00', 'Zażółć gęślą jaźń. ') "
        "END FROM n;"
        "INSERT INTO Bramki SELECT Id_meczu, 1, -1, 1 + Id_meczu % 2, 10 + Id_meczu % 70, "
        "1 + Id_meczu % 2 FROM Mecze WHERE Wyn1 > 0 AND Gdzie = 'D';"
        "INSERT INTO Bramki SELECT Id_meczu, 2, -1, 2, 88, 2 FROM Mecze "
        "WHERE Wyn1 > 1 AND Gdzie = 'D';"_s.arg(klub, gracz));
    raport::Wybor wybor = raport::WyborWiersza(d.path(), {}, false, nullptr);
    wybor.komentarze = true;
    const QString pdf = writeReport(d, wybor, u"długi.pdf"_s);
    const int stron = pageCount(pdf);
    ASSERT_GE(stron, 4);

    const std::vector<QString> strony = checkedPages(pdf, u"wszystkie sezony"_s);
    EXPECT_TRUE(strony.front().contains(
        squeezed(u"Rozgrywki: wszystkie rozgrywki. Miejsca: wszystkie miejsca."_s)));

    const auto rows =
        d.rows(u"SELECT Id_meczu, Data, Gdzie, Wyn1, Wyn2, Komentarz FROM Mecze ORDER BY Data"_s);
    int naStronie = 0;
    int poprzednia = 0;
    for (const QStringList& r : rows) {
        const QString para =
            r[2] == u"W"_s ? klub + u" - Mirvola Wendrow"_s : u"Mirvola Wendrow - "_s + klub;
        const int wyn1 = r[3].toInt();
        QString strzelcy;
        if (r[2] == u"D"_s && wyn1 > 0) {
            const int id = r[0].toInt();
            const QString pierwszy = id % 2 == 0 ? u"Łukasz Wójcik Ślimak"_s : gracz + u" Żyła"_s;
            const QString bramka =
                u"%1' (%2)"_s.arg(10 + id % 70).arg(id % 2 == 0 ? u"z gry"_s : u"karny"_s);
            strzelcy = id % 2 == 1 && wyn1 > 1 ? pierwszy + u' ' + bramka + u", 88' (karny)"_s
                                               : pierwszy + u' ' + bramka;
            if (id % 2 == 0 && wyn1 > 1) {
                strzelcy += u"; "_s + gracz + u" Żyła 88' (karny)"_s;
            }
        }
        const QString wiersz = squeezed(r[1] + para + u"%1:%2Liga"_s.arg(wyn1).arg(r[4]) +
                                        strzelcy + (r[5] == u"NULL"_s ? QString() : r[5]));
        const auto strona = std::find_if(strony.begin(), strony.end(),
                                         [&](const QString& s) { return s.contains(wiersz); });
        ASSERT_NE(strona, strony.end()) << r.join(u'|') << " is split or missing";
        const int nr = static_cast<int>(strona - strony.begin());
        naStronie = nr == poprzednia ? naStronie + 1 : 1;
        if (nr != poprzednia) {
            // A page the table runs onto starts with its header.
            EXPECT_TRUE(strony[static_cast<size_t>(nr)].contains(
                squeezed(u"Data Mecz Wynik Rozgrywki Strzelcy Mirvoli"_s + r[1])))
                << nr + 1;
        }
        poprzednia = nr;
    }

    // A comment longer than a page continues on the next ones, every word of it kept.
    QString dlugi;
    for (int i = 1; i <= 400; ++i) {
        dlugi += u"Zdanie %1 o meczu, w którym działo się wiele. "_s.arg(i);
    }
    d.exec(u"UPDATE Mecze SET Komentarz = '%1' WHERE Id_meczu = 30"_s.arg(dlugi));
    QString wszystko;
    for (const QString& s :
         checkedPages(writeReport(d, wybor, u"komentarz.pdf"_s), u"wszystkie sezony"_s)) {
        wszystko += s;
    }
    wszystko.remove(QRegularExpression(u"Mirvola[^\\n]{0,300}?strona\\d+z\\d+"_s));
    wszystko.remove(squeezed(u"Data Mecz Wynik Rozgrywki Strzelcy Mirvoli"_s));
    EXPECT_TRUE(wszystko.contains(squeezed(dlugi))) << "the long comment is cut";

    const ToolRun fonty = runProgram(u"pdffonts"_s, {pdf});
    const QStringList linie = fonty.out.split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(linie.isEmpty());
    for (const QString& l : linie) {
        EXPECT_TRUE(l.contains(QRegularExpression(u"Identity-H\\s+yes"_s))) << l;
    }
}

// The command line: the same report as the program's, A4 on a metric system, an existing file
// kept without --force, no temporary file left behind, an unknown season refused.
TEST(Raport, ToolWritesTheSameReportAndRefusesToOverwrite) {
    DemoDiary d;
    const QString pdf = d.dir() + u"/sezon.pdf"_s;
    ToolRun r = tool({u"report"_s, d.path(), pdf, u"--sezon"_s, u"2008/09"_s, u"--oficjalne"_s});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.trimmed().toInt(), pageCount(pdf));
    const QString tekst = pdfText(pdf);
    EXPECT_TRUE(tekst.startsWith(u"1. Podsumowanie"_s));
    EXPECT_TRUE(
        tekst.contains(u"Mirvola Wendrow – raport sezon 2008/09\nRozgrywki: Liga, "
                       "Puchar Polski, Puchar UEFA. Miejsca: wszystkie miejsca."_s));
    const ToolRun info = runProgram(u"pdfinfo"_s, {pdf});
    EXPECT_TRUE(info.out.contains(u"(A4)"_s)) << info.out;

    raport::Wybor wybor = raport::WyborWiersza(d.path(), {u"2008/09"_s}, true, nullptr);
    raport::ZapiszPdf(raport::Zbierz(d.path(), wybor), d.dir() + u"/okno.pdf"_s, false,
                      QDate::currentDate());
    EXPECT_EQ(pdfText(d.dir() + u"/okno.pdf"_s), tekst);

    const QByteArray przed = fileBytes(pdf);
    r = tool({u"report"_s, d.path(), pdf});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(u"mirvola-db: Plik %1 już istnieje.\n"_s.arg(pdf))) << r.err;
    EXPECT_EQ(fileBytes(pdf), przed);

    r = tool({u"report"_s, d.path(), pdf, u"--force"_s});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(pageCount(pdf), 10);
    EXPECT_TRUE(pdfText(pdf).contains(u"raport wszystkie sezony"_s));
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb", "okno.pdf", "sezon.pdf"}));

    r = tool({u"report"_s, d.path(), d.dir() + u"/brak.pdf"_s, u"--sezon"_s, u"1999/00"_s});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(u"mirvola-db: w dzienniku nie ma sezonu 1999/00\n"_s)) << r.err;
    r = tool({u"report"_s, d.path(), d.dir() + u"/nie/ma/folderu.pdf"_s});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(u"Nie można utworzyć pliku tymczasowego"_s)) << r.err;
    r = tool({u"report"_s, d.path(), d.dir() + u"/brak.pdf"_s, u"--lato"_s});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(filesIn(d.dir()), qs({"Mirvola.mdb", "okno.pdf", "sezon.pdf"}));

    EXPECT_EQ(raport::RozmiarStrony(QLocale(QLocale::English, QLocale::UnitedStates)).id(),
              QPageSize::Letter);
    EXPECT_EQ(raport::RozmiarStrony(QLocale(QLocale::Polish, QLocale::Poland)).id(), QPageSize::A4);
}

// The window from the statistics menu: the newest season of the official competitions at
// first, a preview of the same pages as the saved PDF and the printed ones, all seasons at a
// tick.
TEST(Raport, WindowPreviewsSavesAndPrintsTheChosenReport) {
    DemoDiary d;
    FixedClock zegar(kDzien);
    frmMain glowne;
    const QMenu* menu = child<QMenu>(glowne, "mnuStatystyki");
    const QList<QAction*> polecenia = menu->actions();
    ASSERT_GE(polecenia.size(), 2);
    EXPECT_EQ(polecenia.back()->objectName(), u"itmRaport"_s);
    EXPECT_EQ(polecenia.back()->text(), u"Ra&port..."_s);
    EXPECT_EQ(polecenia[polecenia.size() - 2]->objectName(), u"itmWykresySezonow"_s);

    const QString zapisany = d.dir() + u"/Raport.pdf"_s;
    const QString wydrukowany = d.dir() + u"/wydruk.pdf"_s;
    Script s;
    s.modal(u"frmRaport"_s, [&](QDialog* okno) {
        auto* w = qobject_cast<frmRaport*>(okno);
        ASSERT_NE(w, nullptr);
        w->resize(1200, 800);
        EXPECT_EQ(w->windowTitle(), u"Raport"_s);
        EXPECT_EQ(w->raport().opis.sezony, u"sezon 2009/10"_s);
        EXPECT_EQ(w->raport().opis.rozgrywki, u"Liga, Puchar Polski, Puchar UEFA"_s);
        const auto* podglad = child<QPrintPreviewWidget>(*w, "pvwRaport");
        const int stron = podglad->pageCount();
        EXPECT_GE(stron, 2);
        screenshot(*w, u"report-window"_s);

        s.file(u"Zapisz jako PDF"_s, zapisany, [](const ui::FileRequest& r) {
            EXPECT_EQ(r.suggestedName, u"Raport-2026-12-07.pdf"_s);
            EXPECT_EQ(r.filter, u"Pliki PDF (*.pdf)"_s);
        });
        s.message(u"Info"_s, u"Raport został zapisany w pliku %1."_s.arg(zapisany));
        child<QPushButton>(*w, "cmdPdf")->click();
        EXPECT_EQ(pageCount(zapisany), stron);
        const QString tekst = pdfText(zapisany);
        EXPECT_TRUE(tekst.contains(u"Wydrukowano 7 grudnia 2026 strona %1 z %1"_s.arg(stron)));
        EXPECT_TRUE(tekst.contains(u"Sezon 2009/10 –"_s));

        // Cancelled: nothing printed; accepted: the same pages on the printer.
        s.modal(u"dlgDrukuj"_s, [](QDialog* p) { p->reject(); });
        child<QPushButton>(*w, "cmdDrukuj")->click();
        s.modal(u"dlgDrukuj"_s, [&](QDialog* p) {
            QPrinter* drukarka = qobject_cast<QPrintDialog*>(p)->printer();
            drukarka->setOutputFormat(QPrinter::PdfFormat);
            drukarka->setOutputFileName(wydrukowany);
            p->done(QDialog::Accepted);
        });
        child<QPushButton>(*w, "cmdDrukuj")->click();
        EXPECT_EQ(pdfText(wydrukowany), tekst);

        child<QCheckBox>(*w, "chkWszystkieSezony")->setChecked(true);
        EXPECT_EQ(w->raport().opis.sezony, u"wszystkie sezony"_s);
        EXPECT_GT(podglad->pageCount(), stron);
        child<QCheckBox>(*w, "chkSekcja_1")->setChecked(false);
        EXPECT_TRUE(w->raport().mecze.empty());
        EXPECT_FALSE(child<QCheckBox>(*w, "chkKomentarze")->isEnabled());
        w->reject();
    });
    polecenia.back()->trigger();
    s.verify();
}

// The choices in words for the heading of every page, and the seasons' match counts in Polish.
TEST(Raport, HeadingNamesTheChoiceInWords) {
    DemoDiary d;
    const auto opis = [&](const QString& rozgrywki, const QString& gdzie, const QString& sezony) {
        raport::Wybor w;
        w.filtr = {rozgrywki, gdzie, sezony};
        w.sekcje = {false, false, false, false, false};
        const raport::Opis o = raport::Zbierz(d.path(), w).opis;
        return QStringList{o.sezony, o.rozgrywki, o.miejsca}.join(u'|');
    };
    EXPECT_EQ(opis(u"(1, 2, 3, 4)"_s, u"('D', 'W', 'N')"_s, QString()),
              u"wszystkie sezony|wszystkie rozgrywki|wszystkie miejsca"_s);
    EXPECT_EQ(opis(u"(4, 1)"_s, u"('D', 'N')"_s, u"(10)"_s),
              u"sezon 2009/10|Liga, Sparing|w domu, na terenie neutralnym"_s);
    EXPECT_EQ(opis(u"(0)"_s, u"('A')"_s, u"(2, 1)"_s), u"sezony 2000/01, 2001/02|żadne|żadne"_s);
    EXPECT_EQ(opis(u"(2)"_s, u"('W')"_s, u"(1, 3, 5, 7, 9)"_s),
              u"5 sezonów od 2000/01 do 2008/09|Puchar Polski|na wyjeździe"_s);

    // 1 mecz, 2-4 mecze, 5-21 meczów, 22 mecze: some of 2009/10's matches moved to 2010/11.
    d.exec(u"INSERT INTO Sezony VALUES (11, '2010/11')"_s);
    const std::vector<std::pair<int, QString>> liczby = {
        {1, u"1 mecz"_s}, {3, u"3 mecze"_s}, {12, u"12 meczów"_s}, {22, u"22 mecze"_s}};
    for (const auto& [n, tekst] : liczby) {
        d.exec(
            u"UPDATE Mecze SET Id_sezonu = 10 WHERE Id_sezonu = 11;"
            "UPDATE Mecze SET Id_sezonu = 11 WHERE Id_meczu IN (SELECT Id_meczu FROM Mecze "
            "WHERE Id_sezonu = 10 ORDER BY Id_meczu LIMIT %1)"_s.arg(n));
        raport::Wybor w = raport::WyborWiersza(d.path(), {u"2010/11"_s}, false, nullptr);
        w.sekcje = {false, true, false, false, false};
        EXPECT_TRUE(pdfText(writeReport(d, w, u"%1.pdf"_s.arg(n)))
                        .contains(u"Sezon 2010/11 – "_s + tekst + u'\n'))
            << tekst;
    }
}
