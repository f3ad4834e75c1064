// The main window: deleting matches and the whole-file maintenance commands.

#include "frmMainTesty.h"

#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "support/EngineError.h"
#include "support/OtherProcess.h"

#include <QApplication>
#include <QFileInfo>

#include <functional>

using namespace Qt::StringLiterals;

using namespace frmmain_testy;
using ui::Answer;

namespace {

const ui::Message kUsuniete = info(u"Dane zostały usunięte."_s);
const QString kZajeta = u"Baza jest używana przez inny proces !!!"_s;
const ui::Message kDefragmentacja = question(u"Czy przeprowadzić defragmentację bazy danych?"_s);
const ui::Message kDefragmentacjaOk = info(u"Defragmentacja zakończyła się pomyślnie."_s);
const ui::Message kWszystkieMecze =
    question(u"Czy na pewno usunąć wszystkie mecze i strzelone bramki?"_s, Answer::No);
const ui::Message kUsunMecz5 = question(
    u"Czy na pewno usunąć mecz Legia - Mirvola Wendrow : z 20 kwietnia 2003?"_s, Answer::No);
const ui::Message kZajetaPytanie{u"Komunikat"_s, kZajeta, ui::Buttons::RetryCancel, ui::Icon::None,
                                 Answer::Retry};

// Triggers the command `polecenie`: the boxes it shows must be `pudla`, answered in order, and
// the busy cursor is gone afterwards.
void wykonaj(const frmMain& okno, const char* polecenie,
             std::initializer_list<std::pair<ui::Message, Answer>> pudla,
             std::function<std::optional<Answer>(const ui::Message&)> intercept = {}) {
    Script s;
    s.intercept = std::move(intercept);
    for (const auto& [pudlo, odpowiedz] : pudla) {
        s.message(pudlo, odpowiedz);
    }
    akcja(okno, polecenie)->trigger();
    s.verify();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

QString kopia(const Diary& d) {
    return d.dir() + u"/KopiaMirvola.mdb"_s;
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
        u"UPDATE Mecze SET Komentarz = replace(hex(zeroblob(1000)), '0', 'k') WHERE "
        "Id_meczu >= 100"_s);
}

}  // namespace

TEST(frmMainUsun, SelectedMatchGoesWithItsGoalsAfterTheExactQuestionKeepingTheSort) {
    SampleDiary d;
    d.exec(
        u"INSERT INTO Mecze (Id_meczu, Id_sezonu, Data, Gdzie, Id_klubu, Wyn1, "
        "Wyn2, Id_rozgrywki) VALUES (6, 1, '2002-05-05', 'D', 3, 2, 1, 1);"
        "INSERT INTO Bramki VALUES (6, 1, -1, 1, 5, 1), (6, 2, -1, 1, 9, 1),"
        "(6, 3, 0, 3, 80, 2);"_s);
    frmMain okno;
    okno.show();
    QTreeWidget* l = lista(okno);
    const ui::Message pytanie = question(
        u"Czy na pewno usunąć mecz Mirvola Wendrow - Łódzki KS 2:1 z 5 maja 2002?"_s, Answer::No);
    l->setCurrentItem(l->findItems(u"6"_s, Qt::MatchExactly, 0).value(0));
    wykonaj(okno, "sitmZaznaczony", {{pytanie, Answer::No}});
    EXPECT_EQ(d.count(u"Mecze"_s), 5 + 1);
    {
        // The Delete key and the toolbar button ask the same question.
        Script s;
        s.message(pytanie, Answer::No);
        s.message(pytanie, Answer::Yes);
        s.message(kUsuniete, Answer::Ok);
        l->setFocus();
        QTest::keyClick(l, Qt::Key_Delete);
        akcja(okno, "tlbMain_4")->trigger();
    }
    EXPECT_EQ(d.column(u"SELECT DISTINCT Id_meczu FROM Bramki"_s), qs({"1", "2", "4"}));
    EXPECT_EQ(d.count(u"Kluby"_s), 4);
    EXPECT_EQ(kolumna(okno, 0), qs({"5", "4", "2", "1"}));
    EXPECT_EQ(kolumna(okno, 1).first(), u"   4."_s);

    // A refill after a deletion keeps the header sort.
    clickHeader(l, 4);
    l->setCurrentItem(l->topLevelItem(0));  // Legia - Mirvola Wendrow
    wykonaj(okno, "sitmZaznaczony", {{kUsunMecz5, Answer::Yes}, {kUsuniete, Answer::Ok}});
    EXPECT_EQ(kolumna(okno, 4), qs({"Mirvola Wendrow - Legia", "Mirvola Wendrow - O'Higgins",
                                    "Wisła - Mirvola Wendrow"}));
}

TEST(frmMainUsun, AllMatchesLeaveTheDictionariesAndACompactedFileEverythingEmptiesThem) {
    SampleDiary d;
    dopiszDuzo(d);
    frmMain okno;
    okno.show();
    const auto przed = QFileInfo(d.path()).size();
    wykonaj(okno, "sitmWszystkie", {{kWszystkieMecze, Answer::No}});
    EXPECT_EQ(d.count(u"Mecze"_s), 1005);
    wykonaj(okno, "tlbMain_5", {{kWszystkieMecze, Answer::Yes}, {kUsuniete, Answer::Ok}});
    EXPECT_EQ(liczby(d), qs({"0", "0", "5", "4", "3", "2", "3"}));
    EXPECT_LT(QFileInfo(d.path()).size(), przed / 4);
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_FALSE(lista(okno)->isVisible());

    // Deleting everything empties the dictionaries too, and the list with them.
    dopiszMecze(d, 3);
    akcja(okno, "itmTylkoOficjalne")->trigger();
    ASSERT_EQ(lista(okno)->topLevelItemCount(), 3);
    const ui::Message wszystko = question(
        u"Czy na pewno usunąć wszystkie mecze, strzelone bramki,\na także wszystkie "
        "dane ze słowników?"_s,
        Answer::No);
    wykonaj(okno, "tlbMain_12", {{wszystko, Answer::No}});
    EXPECT_EQ(liczby(d), qs({"3", "0", "5", "4", "3", "2", "3"}));
    wykonaj(okno, "itmUsunWszystko", {{wszystko, Answer::Yes}, {kUsuniete, Answer::Ok}});
    EXPECT_EQ(liczby(d), qs({"0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_FALSE(lista(okno)->isVisible());
}

TEST(frmMainUsun, ALeftOverCopyIsNeverMovedOverTheDiary) {
    SampleDiary d;
    const QByteArray obca("resztka po awarii");
    {
        QFile plik(kopia(d));
        ASSERT_TRUE(plik.open(QIODevice::WriteOnly));
        plik.write(obca);
    }
    frmMain okno;
    // Deleting all matches compacts silently: the deletion stands, the copy stays as it was.
    wykonaj(okno, "sitmWszystkie", {{kWszystkieMecze, Answer::Yes}, {kUsuniete, Answer::Ok}});
    EXPECT_EQ(liczby(d), qs({"0", "0", "5", "4", "3", "2", "3"}));
    EXPECT_EQ(fileBytes(kopia(d)), obca);

    // Compaction reports it, as the engine words it.
    const QByteArray baza = fileBytes(d.path());
    const QString blad = errorText([&] { engine::compactDatabase(d.path(), kopia(d)); });
    EXPECT_TRUE(blad.startsWith(u"Wystąpił błąd numer %1\n"_s.arg(engine::err::DestinationExists)));
    wykonaj(okno, "itmDefragmentacja",
            {{kDefragmentacja, Answer::Yes}, {notice(blad), Answer::Ok}});
    EXPECT_EQ(fileBytes(d.path()), baza);
    EXPECT_EQ(fileBytes(kopia(d)), obca);
}

TEST(frmMainKonserwacja, CompactionAndRepairKeepEveryRow) {
    SampleDiary d;
    dopiszDuzo(d);
    d.exec(u"DELETE FROM Mecze WHERE Id_meczu >= 600"_s);
    const QStringList przed = liczby(d);
    const QByteArray baza = fileBytes(d.path());
    frmMain okno;
    const ui::Message naprawa = question(u"Czy naprawić bazę danych?"_s);
    wykonaj(okno, "itmDefragmentacja", {{kDefragmentacja, Answer::No}});
    wykonaj(okno, "itmNaprawa", {{naprawa, Answer::No}});
    EXPECT_EQ(fileBytes(d.path()), baza);
    wykonaj(okno, "itmDefragmentacja",
            {{kDefragmentacja, Answer::Yes}, {kDefragmentacjaOk, Answer::Ok}});
    wykonaj(okno, "itmNaprawa",
            {{naprawa, Answer::Yes}, {info(u"Baza danych została naprawiona."_s), Answer::Ok}});
    EXPECT_EQ(liczby(d), przed);
    EXPECT_LT(QFileInfo(d.path()).size(), baza.size());
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_EQ(d.value(u"SELECT Komentarz FROM Mecze WHERE Id_meczu = 3"_s).toString(),
              u"Sparing\r\nw deszczu"_s);
}

TEST(frmMainKonserwacja, FileHeldByAnotherProcessRetryThenCancel) {
    SampleDiary d;
    frmMain okno;
    const QByteArray przed = fileBytes(d.path());
    auto inny = std::make_unique<OtherProcess>(d.path());
    REQUIRE_HOLD(*inny);
    // The other process lets go when the user is asked.
    const auto zwolnij = [&](const ui::Message& m) -> std::optional<Answer> {
        if (m.text == kZajeta) {
            inny->release();
        }
        return std::nullopt;
    };
    // Cancel: the diary stays as it was, no copy.
    wykonaj(okno, "itmDefragmentacja",
            {{kDefragmentacja, Answer::Yes},
             {kZajetaPytanie, Answer::Retry},
             {kZajetaPytanie, Answer::Cancel}});
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_EQ(fileBytes(d.path()), przed);
    // Retry after the other process let go: the compaction completes.
    wykonaj(okno, "itmDefragmentacja",
            {{kDefragmentacja, Answer::Yes},
             {kZajetaPytanie, Answer::Retry},
             {kDefragmentacjaOk, Answer::Ok}},
            zwolnij);
    EXPECT_FALSE(QFile::exists(kopia(d)));
    EXPECT_EQ(liczby(d), qs({"5", "8", "5", "4", "3", "2", "3"}));

    // A delete while the file is held asks the same question: Cancel deletes nothing and the
    // list stays; Retry after the other process let go deletes.
    inny = std::make_unique<OtherProcess>(d.path());
    ASSERT_TRUE(inny->holds());
    wykonaj(okno, "sitmZaznaczony", {{kUsunMecz5, Answer::Yes}, {kZajetaPytanie, Answer::Cancel}});
    EXPECT_EQ(lista(okno)->topLevelItemCount(), 4);
    wykonaj(okno, "sitmZaznaczony",
            {{kUsunMecz5, Answer::Yes}, {kZajetaPytanie, Answer::Retry}, {kUsuniete, Answer::Ok}},
            zwolnij);
    EXPECT_EQ(d.count(u"Mecze"_s), 4);
    EXPECT_EQ(lista(okno)->topLevelItemCount(), 3);
}
