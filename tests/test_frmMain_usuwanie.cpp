// The main window: deleting matches and the whole-file maintenance commands.

#include "frmMainTesty.h"

#include "data/Mirvola.h"
#include "data/engine/Error.h"

#include <QApplication>
#include <QFileInfo>

using namespace frmmain_testy;
using testing_support::Diary;
using ui::Answer;
using ui::Buttons;
using ui::Icon;

namespace {

const QString kPytanie = QStringLiteral("Pytanie");
const QString kInfo = QStringLiteral("Info");
const QString kUsuniete = QStringLiteral("Dane zostały usunięte.");
const QString kZajeta = QStringLiteral("Baza jest używana przez inny proces !!!");
const QString kDefragmentacja = QStringLiteral("Czy przeprowadzić defragmentację bazy danych?");
const QString kDefragmentacjaOk = QStringLiteral("Defragmentacja zakończyła się pomyślnie.");

ui::Message pytanie(const QString& tekst, Answer domyslna) {
    return {kPytanie, tekst, Buttons::YesNo, Icon::Question, domyslna};
}

const ui::Message kZajetaPytanie{QStringLiteral("Komunikat"), kZajeta, Buttons::RetryCancel,
                                 Icon::None, Answer::Retry};

QString kopia(const Diary& d) {
    return d.dir() + QStringLiteral("/KopiaMirvola.mdb");
}

QStringList liczby(const Diary& d) {
    QStringList wynik;
    for (const char* tabela :
         {"Mecze", "Bramki", "Gracze", "Kluby", "Rozgrywki", "Sezony", "Jak"}) {
        wynik << QString::number(d.count(QLatin1String(tabela)));
    }
    return wynik;
}

// A diary with a thousand long comments, so that deleting them leaves much free space.
void dopiszDuzo(const Diary& d) {
    dopiszMecze(d, 1000, 100);
    d.exec(
        QStringLiteral("UPDATE Mecze SET Komentarz = replace(hex(zeroblob(1000)), '0', 'k') WHERE "
                       "Id_meczu >= 100"));
}

}  // namespace

TEST(frmMainUsun, SelectedMatchGoesWithItsGoalsAfterTheExactQuestion) {
    Diary d;
    d.fillSample();
    d.exec(
        QStringLiteral("INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, "
                       "Wyn2, Id_rozgrywki) VALUES (6, 1, '2002-05-05', 'D', 3, 2, 1, 1);"
                       "INSERT INTO Bramki VALUES (6, 1, -1, 1, 5, 1), (6, 2, -1, 1, 9, 1),"
                       "(6, 3, 0, 3, 80, 2);"));
    frmMain okno;
    okno.show();
    QTreeWidget* l = lista(okno);
    const QString tekst =
        QStringLiteral("Czy na pewno usunąć mecz Mirvola Wendrow - Łódzki KS 2:1 z 5 maja 2002?");
    const auto zaznacz = [&](const QString& id) {
        l->setCurrentItem(l->findItems(id, Qt::MatchExactly, 0).value(0));
    };

    {
        testing_support::Script s;
        s.message(pytanie(tekst, Answer::No), Answer::No);
        zaznacz(QStringLiteral("6"));
        akcja(okno, "sitmZaznaczony")->trigger();
    }
    EXPECT_EQ(d.count(QStringLiteral("Mecze")), 5 + 1);

    {
        // The Delete key and the toolbar button ask the same question.
        testing_support::Script s;
        s.message(pytanie(tekst, Answer::No), Answer::No);
        s.message(pytanie(tekst, Answer::No), Answer::Yes);
        s.message(ui::Message{kInfo, kUsuniete, Buttons::Ok, Icon::Information, Answer::Ok},
                  Answer::Ok);
        zaznacz(QStringLiteral("6"));
        l->setFocus();
        QTest::keyClick(l, Qt::Key_Delete);
        akcja(okno, "tlbMain_4")->trigger();
    }
    EXPECT_EQ(d.value(QStringLiteral("SELECT count(*) FROM Mecze WHERE Id_meczu = 6")).toInt(), 0);
    EXPECT_EQ(d.value(QStringLiteral("SELECT count(*) FROM Bramki WHERE Id_meczu = 6")).toInt(), 0);
    EXPECT_EQ(d.count(QStringLiteral("Bramki")), 8);
    EXPECT_EQ(d.count(QStringLiteral("Kluby")), 4);
    EXPECT_EQ(kolumna(okno, 0), qs({"5", "4", "2", "1"}));
    EXPECT_EQ(kolumna(okno, 1).first(), QStringLiteral("   4."));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(frmMainUsun, RefillKeepsTheHeaderSort) {
    Diary d;
    d.fillSample();
    frmMain okno;
    okno.show();
    kliknijNaglowek(okno, 4);
    lista(okno)->setCurrentItem(lista(okno)->topLevelItem(0));  // Legia - Mirvola Wendrow
    testing_support::Script s;
    s.message(kPytanie,
              QStringLiteral("Czy na pewno usunąć mecz Legia - Mirvola Wendrow : z 20 "
                             "kwietnia 2003?"),
              Answer::Yes);
    s.message(kInfo, kUsuniete);
    akcja(okno, "sitmZaznaczony")->trigger();
    EXPECT_EQ(kolumna(okno, 4), qs({"Mirvola Wendrow - Legia", "Mirvola Wendrow - O'Higgins",
                                    "Wisła - Mirvola Wendrow"}));
}

TEST(frmMainUsun, AllMatchesLeaveTheDictionariesAndACompactedFile) {
    Diary d;
    d.fillSample();
    dopiszDuzo(d);
    frmMain okno;
    okno.show();
    const auto przed = QFileInfo(d.path()).size();
    const ui::Message wszystkie = pytanie(
        QStringLiteral("Czy na pewno usunąć wszystkie mecze i strzelone bramki?"), Answer::No);
    {
        testing_support::Script s;
        s.message(wszystkie, Answer::No);
        akcja(okno, "sitmWszystkie")->trigger();
    }
    EXPECT_EQ(d.count(QStringLiteral("Mecze")), 1005);
    {
        testing_support::Script s;
        s.message(wszystkie, Answer::Yes);
        s.message(ui::Message{kInfo, kUsuniete, Buttons::Ok, Icon::Information, Answer::Ok},
                  Answer::Ok);
        akcja(okno, "tlbMain_5")->trigger();
    }
    EXPECT_EQ(liczby(d), qs({"0", "0", "5", "4", "3", "2", "3"}));
    EXPECT_LT(QFileInfo(d.path()).size(), przed / 4);
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_FALSE(lista(okno)->isVisible());
    EXPECT_FALSE(akcja(okno, "sitmZaznaczony")->isEnabled());
    EXPECT_FALSE(akcja(okno, "itmOdswiez")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(frmMainUsun, ALeftOverCopyIsNeverMovedOverTheDiary) {
    Diary d;
    d.fillSample();
    const QByteArray obca("resztka po awarii");
    {
        QFile plik(kopia(d));
        ASSERT_TRUE(plik.open(QIODevice::WriteOnly));
        plik.write(obca);
    }
    frmMain okno;

    // Deleting all matches compacts silently: the deletion stands, the copy stays as it was.
    {
        testing_support::Script s;
        s.message(kPytanie,
                  QStringLiteral("Czy na pewno usunąć wszystkie mecze i strzelone bramki?"),
                  Answer::Yes);
        s.message(kInfo, kUsuniete);
        akcja(okno, "sitmWszystkie")->trigger();
    }
    EXPECT_EQ(liczby(d), qs({"0", "0", "5", "4", "3", "2", "3"}));
    EXPECT_EQ(zawartosc(kopia(d)), obca);

    // Compaction reports it.
    const QByteArray baza = zawartosc(d.path());
    Sesja s;
    QStringList bledy;
    s.przechwyc = [&](const ui::Message& m) -> std::optional<Answer> {
        if (!m.text.startsWith(QStringLiteral("Wystąpił błąd numer "))) {
            return std::nullopt;
        }
        bledy << m.text;
        EXPECT_EQ(m.title, QStringLiteral("Komunikat"));
        EXPECT_EQ(m.icon, Icon::Exclamation);
        EXPECT_EQ(m.buttons, Buttons::Ok);
        return Answer::Ok;
    };
    s.message(pytanie(kDefragmentacja, Answer::Yes), Answer::Yes);
    akcja(okno, "itmDefragmentacja")->trigger();
    ASSERT_EQ(bledy.size(), 1);
    EXPECT_TRUE(bledy[0].startsWith(
        QStringLiteral("Wystąpił błąd numer %1\n").arg(engine::err::DestinationExists)))
        << bledy[0].toStdString();
    EXPECT_EQ(zawartosc(d.path()), baza);
    EXPECT_EQ(zawartosc(kopia(d)), obca);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(frmMainKonserwacja, CompactionAndRepairKeepEveryRow) {
    Diary d;
    d.fillSample();
    dopiszDuzo(d);
    d.exec(QStringLiteral("DELETE FROM Mecze WHERE Id_meczu >= 600"));
    const QStringList przed = liczby(d);
    const auto rozmiar = QFileInfo(d.path()).size();
    frmMain okno;
    {
        testing_support::Script s;
        s.message(pytanie(kDefragmentacja, Answer::Yes), Answer::No);
        s.message(pytanie(QStringLiteral("Czy naprawić bazę danych?"), Answer::Yes), Answer::No);
        akcja(okno, "itmDefragmentacja")->trigger();
        akcja(okno, "itmNaprawa")->trigger();
    }
    EXPECT_EQ(QFileInfo(d.path()).size(), rozmiar);
    {
        testing_support::Script s;
        s.message(pytanie(kDefragmentacja, Answer::Yes), Answer::Yes);
        s.message(ui::Message{kInfo, kDefragmentacjaOk, Buttons::Ok, Icon::Information, Answer::Ok},
                  Answer::Ok);
        s.message(pytanie(QStringLiteral("Czy naprawić bazę danych?"), Answer::Yes), Answer::Yes);
        s.message(ui::Message{kInfo, QStringLiteral("Baza danych została naprawiona."), Buttons::Ok,
                              Icon::Information, Answer::Ok},
                  Answer::Ok);
        akcja(okno, "itmDefragmentacja")->trigger();
        akcja(okno, "itmNaprawa")->trigger();
    }
    EXPECT_EQ(liczby(d), przed);
    EXPECT_LT(QFileInfo(d.path()).size(), rozmiar);
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_EQ(d.value(QStringLiteral("SELECT Komentarz FROM Mecze WHERE Id_meczu = 3")).toString(),
              QStringLiteral("Sparing\r\nw deszczu"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(frmMainKonserwacja, FileHeldByAnotherProcessRetryThenCancel) {
    Diary d;
    d.fillSample();
    frmMain okno;
    const QByteArray przed = zawartosc(d.path());

    auto inny = std::make_unique<InnyProces>(d.path());
    if (!inny->trzyma()) {
        GTEST_SKIP() << "no sqlite3 shell to hold the file";
    }
    {
        // Cancel: the diary stays as it was, no copy.
        testing_support::Script s;
        s.message(pytanie(kDefragmentacja, Answer::Yes), Answer::Yes);
        s.message(kZajetaPytanie, Answer::Retry);
        s.message(kZajetaPytanie, Answer::Cancel);
        akcja(okno, "itmDefragmentacja")->trigger();
    }
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_EQ(zawartosc(d.path()), przed);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    {
        // Retry after the other process let go: the compaction completes.
        Sesja s;
        s.poTekscie = kZajeta;
        s.poOdpowiedzi = [&] { inny->zwolnij(); };
        s.message(pytanie(kDefragmentacja, Answer::Yes), Answer::Yes);
        s.message(kZajetaPytanie, Answer::Retry);
        s.message(kInfo, kDefragmentacjaOk);
        akcja(okno, "itmDefragmentacja")->trigger();
    }
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_EQ(liczby(d), qs({"5", "8", "5", "4", "3", "2", "3"}));

    // A delete refused while the file is held is reported; nothing is lost and the list stays.
    inny = std::make_unique<InnyProces>(d.path());
    ASSERT_TRUE(inny->trzyma());
    {
        Sesja s;
        QStringList bledy;
        s.przechwyc = [&](const ui::Message& m) -> std::optional<Answer> {
            if (m.title != QStringLiteral("Błąd")) {
                return std::nullopt;
            }
            bledy << m.text;
            return Answer::Ok;
        };
        s.message(kPytanie,
                  QStringLiteral("Czy na pewno usunąć mecz Legia - Mirvola Wendrow : z "
                                 "20 kwietnia 2003?"),
                  Answer::Yes);
        akcja(okno, "sitmZaznaczony")->trigger();
        ASSERT_EQ(bledy.size(), 1);
        EXPECT_TRUE(bledy[0].startsWith(QStringLiteral("Wystąpił błąd numer ")))
            << bledy[0].toStdString();
    }
    inny->zwolnij();
    EXPECT_EQ(d.count(QStringLiteral("Mecze")), 5);
    EXPECT_EQ(lista(okno)->topLevelItemCount(), 4);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(frmMainKonserwacja, DeleteEverythingEmptiesEveryTable) {
    Diary d;
    d.fillSample();
    frmMain okno;
    okno.show();
    const ui::Message wszystko = pytanie(
        QStringLiteral("Czy na pewno usunąć wszystkie mecze, strzelone bramki,\na także wszystkie "
                       "dane ze słowników?"),
        Answer::No);
    {
        testing_support::Script s;
        s.message(wszystko, Answer::No);
        akcja(okno, "tlbMain_12")->trigger();
    }
    EXPECT_EQ(liczby(d), qs({"5", "8", "5", "4", "3", "2", "3"}));
    {
        testing_support::Script s;
        s.message(wszystko, Answer::Yes);
        s.message(kInfo, kUsuniete);
        akcja(okno, "itmUsunWszystko")->trigger();
    }
    EXPECT_EQ(liczby(d), qs({"0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_FALSE(lista(okno)->isVisible());
    EXPECT_FALSE(akcja(okno, "tlbMain_4")->isEnabled());
    EXPECT_TRUE(akcja(okno, "tlbMain_12")->isEnabled());
}
