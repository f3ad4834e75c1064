// Backups: dated, checked copies of the diary, and putting one back in its place.

#include "data/Backup.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/OtherProcess.h"
#include "support/Script.h"
#include "support/Tool.h"
#include "support/Widgets.h"

#include <QAction>
#include <QFile>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QDate kDzien(2026, 12, 7);

// A database file of another program (SQLite takes an empty file for an empty database).
QString obcyPlik(const Diary& d) {
    const QString sciezka = d.dir() + u"/obcy.mdb"_s;
    EXPECT_TRUE(QFile(sciezka).open(QIODevice::WriteOnly));
    rowsOf(sciezka, u"CREATE TABLE Notatki (Tekst TEXT)"_s);
    return sciezka;
}

}  // namespace

TEST(Backup, ACopyIsDatedCheckedNumberedAndLeavesTheDiaryAlone) {
    SampleDiary d;
    ::chmod(QFile::encodeName(d.path()).constData(), 0600);
    const QByteArray przed = fileHash(d.path());
    const QString katalog = d.dir() + u"/kopie/nowe"_s;
    const QString pierwsza = backup::createBackup(d.path(), katalog, kDzien);
    EXPECT_EQ(pierwsza, katalog + u"/Mirvola-2026-12-07.mdb"_s);
    EXPECT_EQ(dumpDiary(pierwsza), dumpDiary(d.path()));
    EXPECT_EQ(static_cast<int>(statOf(pierwsza).st_mode & 0777), 0600)
        << "a private diary keeps a private copy";
    EXPECT_EQ(backup::createBackup(d.path(), katalog, kDzien),
              katalog + u"/Mirvola-2026-12-07-2.mdb"_s);
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_EQ(filesIn(katalog).size(), 2) << "nothing but the copies is left in the folder";

    // The tool writes the same copy and prints its path.
    const QString zNarzedzia = d.dir() + u"/z narzędzia"_s;
    const ToolRun wynik = tool({u"backup"_s, d.path(), zNarzedzia});
    EXPECT_EQ(wynik.status, 0) << wynik.err.toStdString();
    EXPECT_EQ(wynik.out.trimmed(), zNarzedzia + u'/' + backup::backupName(QDate::currentDate(), 1));
    EXPECT_EQ(dumpDiary(wynik.out.trimmed()), dumpDiary(d.path()));
}

TEST(Backup, OnlyASoundDiaryOfThisProgramIsTakenForABackup) {
    SampleDiary d;
    const QString obcy = obcyPlik(d);
    QFile obrazek(d.dir() + u"/obrazek.mdb"_s);
    ASSERT_TRUE(obrazek.open(QIODevice::WriteOnly) &&
                obrazek.write("\x89PNG\r\n\x1a\n obrazek") > 0);
    obrazek.close();
    const QString bezTabeli = d.dir() + u"/bez-tabeli.mdb"_s;
    QFile::copy(d.path(), bezTabeli);
    rowsOf(bezTabeli, u"DROP TABLE Jak"_s);

    const auto opis = [](const QString& sciezka) {
        return errorText([&] { backup::checkBackup(sciezka); });
    };
    EXPECT_TRUE(opis(obcy).endsWith(
        u"nie jest kopią dziennika programu Mirvola: to nie jest plik dziennika."_s));
    EXPECT_TRUE(opis(obrazek.fileName()).contains(u"nie jest kopią dziennika programu Mirvola"_s));
    EXPECT_TRUE(opis(bezTabeli).endsWith(u"brak tabeli Jak."_s));
    EXPECT_EQ(backup::checkBackup(d.path()).matches, 5);

    const QByteArray przed = fileHash(d.path());
    EXPECT_EQ(errorOf([&] { backup::restoreBackup(bezTabeli, d.path()); }),
              engine::err::NotADatabase);
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_FALSE(QFile::exists(backup::keptName(d.path(), 1)));
}

// One session: a backup, a restore refused for a foreign file, a restore, and a restore while
// another process holds the diary.
TEST(BackupWindow, BackupAndRestoreFromTheMenu) {
    SampleDiary d;
    const FixedClock zegar(kDzien);
    frmMain okno;
    QAction* kopiaZapasowa = child<QAction>(okno, "itmKopiaZapasowa");
    QAction* przywroc = child<QAction>(okno, "itmPrzywrocZKopii");
    QTreeWidget* mecze = child<QTreeWidget>(okno, "lstMecze");
    child<QAction>(okno, "itmTylkoOficjalne")->trigger();  // every match
    EXPECT_EQ(mecze->topLevelItemCount(), 5);
    const QString katalog = d.dir() + u"/kopie"_s;
    const QString kopia = katalog + u"/Mirvola-2026-12-07.mdb"_s;
    const QString zachowany = d.path() + u".przed-przywroceniem"_s;
    const auto pytanie = [&](const QString& plik, const char* ile, const char* numer) {
        return u"Czy zastąpić dziennik kopią z pliku\n%1\n(%2)?\n\nObecny dziennik zostanie "
               "zachowany obok jako Mirvola.mdb.przed-przywroceniem%3."_s.arg(
                   plik, QString::fromUtf8(ile), QLatin1String(numer));
    };
    Script s;
    s.file(u"Kopia zapasowa"_s, katalog,
           [](const ui::FileRequest& r) { EXPECT_EQ(r.mode, ui::FileMode::Directory); });
    s.message({u"Info"_s, u"Kopia zapasowa dziennika została zapisana w pliku\n"_s + kopia,
               ui::Buttons::Ok, ui::Icon::Information, ui::Answer::Ok},
              ui::Answer::Ok);
    // The next time the dialog starts in the folder chosen before; cancelling writes nothing.
    s.file(u"Kopia zapasowa"_s, std::nullopt,
           [&](const ui::FileRequest& r) { EXPECT_EQ(r.directory, katalog); });
    kopiaZapasowa->trigger();
    kopiaZapasowa->trigger();
    s.verify();
    EXPECT_EQ(filesIn(katalog), qs({"Mirvola-2026-12-07.mdb"}));
    EXPECT_EQ(dumpDiary(kopia), dumpDiary(d.path()));

    const QString obcy = obcyPlik(d);
    const QStringList obecny = dumpDiary(d.path());
    const QByteArray przed = fileHash(d.path());
    s.file(u"Przywróć z kopii"_s, obcy);
    s.message({u"Komunikat"_s,
               u"Plik '%1' nie jest kopią dziennika programu Mirvola: to nie jest plik "
               "dziennika.\nDziennik nie został zmieniony."_s.arg(obcy),
               ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok},
              ui::Answer::Ok);
    przywroc->trigger();
    s.verify();
    EXPECT_EQ(fileHash(d.path()), przed);

    // The diary itself, by its name or through a link, is no backup: said so, nothing asked.
    const QString lacze = d.dir() + u"/lacze.mdb"_s;
    ASSERT_TRUE(QFile::link(d.path(), lacze));
    for (const QString& siebie : {d.path(), lacze}) {
        s.file(u"Przywróć z kopii"_s, siebie);
        s.message({u"Komunikat"_s,
                   u"Plik '%1' to sam dziennik, a nie jego kopia zapasowa.\nDziennik nie został "
                   "zmieniony."_s.arg(siebie),
                   ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok},
                  ui::Answer::Ok);
        przywroc->trigger();
        s.verify();
    }
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_EQ(
        errorText([&] { backup::restoreBackup(lacze, d.path()); }),
        u"Wystąpił błąd numer 3219\nPlik '%1' to sam dziennik, a nie jego kopia zapasowa."_s.arg(
            lacze));
    EXPECT_EQ(fileHash(d.path()), przed);
    QFile::remove(lacze);

    // The restore keeps the current diary beside it and refills the list.
    rowsOf(kopia, u"DELETE FROM Mecze WHERE Id_meczu = 5"_s);
    s.file(u"Przywróć z kopii"_s, kopia,
           [](const ui::FileRequest& r) { EXPECT_EQ(r.mode, ui::FileMode::Open); });
    s.message({u"Pytanie"_s, pytanie(kopia, "4 mecze", ""), ui::Buttons::YesNo, ui::Icon::Question,
               ui::Answer::No},
              ui::Answer::Yes);
    s.message(u"Info"_s,
              u"Dziennik został przywrócony z kopii.\nPoprzedni dziennik zachowano "
              "w pliku\n"_s +
                  zachowany);
    przywroc->trigger();
    s.verify();
    EXPECT_EQ(dumpDiary(d.path()), dumpDiary(kopia));
    EXPECT_EQ(dumpDiary(zachowany), obecny);
    EXPECT_EQ(mecze->topLevelItemCount(), 4);

    OtherProcess inny(d.path());
    REQUIRE_HOLD(inny);
    // A second restore would keep the diary under the next free name.
    const QByteArray przywrocony = fileHash(d.path());
    s.file(u"Przywróć z kopii"_s, zachowany);
    s.message(u"Pytanie"_s, pytanie(zachowany, "5 meczów", "2"), ui::Answer::Yes);
    s.message(u"Komunikat"_s, u"Baza jest używana przez inny proces !!!"_s, ui::Answer::Cancel);
    przywroc->trigger();
    s.verify();
    inny.release();
    EXPECT_EQ(fileHash(d.path()), przywrocony);
    EXPECT_FALSE(QFile::exists(d.path() + u".przed-przywroceniem2"_s));
}
