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
#include <QDir>
#include <QFile>
#include <QSettings>

#include <sqlite3.h>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

const QStringList kTabele{u"Sezony"_s, u"Kluby"_s, u"Rozgrywki"_s, u"Jak"_s,
                          u"Gracze"_s, u"Mecze"_s, u"Bramki"_s};
const QDate kDzien(2026, 12, 7);

// A database file of another program.
QString obcyPlik(const Diary& d) {
    const QString sciezka = d.dir() + u"/obcy.mdb"_s;
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(sciezka).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE Notatki (Tekst TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return sciezka;
}

// Every table of both files holds the same rows.
void takieSameWiersze(const QString& a, const QString& b) {
    for (const QString& tabela : kTabele) {
        const QString sql = u"SELECT * FROM %1 ORDER BY rowid"_s.arg(tabela);
        EXPECT_EQ(rowsOf(a, sql), rowsOf(b, sql)) << tabela.toStdString();
    }
}

// A sound diary of its own beside the program's, with one match less.
QString innyDziennik(const Diary& d) {
    const QString sciezka = d.dir() + u"/kopie/Mirvola-2026-01-01.mdb"_s;
    QDir().mkpath(d.dir() + u"/kopie"_s);
    QFile::copy(d.path(), sciezka);
    rowsOf(sciezka, u"DELETE FROM Mecze WHERE Id_meczu = 5"_s);
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
    takieSameWiersze(pierwsza, d.path());
    EXPECT_EQ(static_cast<int>(statOf(pierwsza).st_mode & 0777), 0600)
        << "a private diary keeps a private copy";
    EXPECT_EQ(backup::createBackup(d.path(), katalog, kDzien),
              katalog + u"/Mirvola-2026-12-07-2.mdb"_s);
    EXPECT_EQ(backup::createBackup(d.path(), katalog, kDzien),
              katalog + u"/Mirvola-2026-12-07-3.mdb"_s);
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_EQ(filesIn(katalog).size(), 3) << "nothing but the copies is left in the folder";
}

TEST(Backup, TheToolWritesTheSameCopyAndPrintsItsPath) {
    SampleDiary d;
    const QString katalog = d.dir() + u"/z narzędzia"_s;
    const ToolRun wynik = tool({u"backup"_s, d.path(), katalog});
    EXPECT_EQ(wynik.status, 0) << wynik.err.toStdString();
    const QString kopia = wynik.out.trimmed();
    EXPECT_EQ(kopia, katalog + u"/"_s + backup::backupName(QDate::currentDate(), 1));
    takieSameWiersze(kopia, d.path());
}

TEST(Backup, OnlyASoundDiaryOfThisProgramIsTakenForABackup) {
    SampleDiary d;
    const QString obcy = obcyPlik(d);
    const QString obrazek = d.dir() + u"/obrazek.mdb"_s;
    {
        QFile f(obrazek);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(600, 'x'));
    }
    const QString bezTabeli = d.dir() + u"/bez-tabeli.mdb"_s;
    QFile::copy(d.path(), bezTabeli);
    rowsOf(bezTabeli, u"DROP TABLE Jak"_s);

    const auto opis = [](const QString& sciezka) {
        return errorText([&] { backup::checkBackup(sciezka); });
    };
    EXPECT_TRUE(
        opis(obcy).endsWith(u"nie jest kopią dziennika programu Mirvola: to nie jest plik "
                            "dziennika."_s))
        << opis(obcy).toStdString();
    EXPECT_TRUE(opis(obrazek).contains(u"nie jest kopią dziennika programu Mirvola"_s));
    EXPECT_TRUE(opis(bezTabeli).endsWith(u"brak tabeli Jak."_s)) << opis(bezTabeli).toStdString();
    EXPECT_EQ(backup::checkBackup(d.path()).matches, 5);

    const QByteArray przed = fileHash(d.path());
    EXPECT_EQ(errorOf([&] { backup::restoreBackup(bezTabeli, d.path()); }),
              engine::err::NotADatabase);
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_FALSE(QFile::exists(backup::keptName(d.path(), 1)));
}

TEST(BackupWindow, ABackupAsksForAFolderRemembersItAndSaysWhereTheCopyIs) {
    SampleDiary d;
    const FixedClock zegar(kDzien);
    frmMain okno;
    const QString katalog = d.dir() + u"/kopie"_s;
    Script s;
    s.file(u"Kopia zapasowa"_s, katalog,
           [](const ui::FileRequest& r) { EXPECT_EQ(r.mode, ui::FileMode::Directory); });
    s.message(
        {u"Info"_s,
         u"Kopia zapasowa dziennika została zapisana w pliku\n%1/Mirvola-2026-12-07.mdb"_s.arg(
             katalog),
         ui::Buttons::Ok, ui::Icon::Information, ui::Answer::Ok},
        ui::Answer::Ok);
    child<QAction>(okno, "itmKopiaZapasowa")->trigger();
    s.verify();
    takieSameWiersze(katalog + u"/Mirvola-2026-12-07.mdb"_s, d.path());

    // The next time the dialog starts in the folder chosen before; cancelling writes nothing.
    s.file(u"Kopia zapasowa"_s, std::nullopt,
           [&](const ui::FileRequest& r) { EXPECT_EQ(r.directory, katalog); });
    child<QAction>(okno, "itmKopiaZapasowa")->trigger();
    EXPECT_EQ(QDir(katalog).entryList(QDir::Files).size(), 1);
}

TEST(BackupWindow, ARestoreKeepsTheCurrentDiaryAndRefillsTheList) {
    SampleDiary d;
    const QString kopia = innyDziennik(d);
    const QString obecny = d.dir() + u"/obecny.mdb"_s;
    QFile::copy(d.path(), obecny);
    frmMain okno;
    child<QAction>(okno, "itmTylkoOficjalne")->trigger();  // every match
    EXPECT_EQ(child<QTreeWidget>(okno, "lstMecze")->topLevelItemCount(), 5);
    Script s;
    s.file(u"Przywróć z kopii"_s, kopia,
           [](const ui::FileRequest& r) { EXPECT_EQ(r.mode, ui::FileMode::Open); });
    s.message({u"Pytanie"_s,
               u"Czy zastąpić dziennik kopią z pliku\n%1\n(4 mecze)?\n\nObecny dziennik zostanie "
               "zachowany obok jako Mirvola.mdb.przed-przywroceniem."_s.arg(kopia),
               ui::Buttons::YesNo, ui::Icon::Question, ui::Answer::No},
              ui::Answer::Yes);
    s.message(u"Info"_s,
              u"Dziennik został przywrócony z kopii.\nPoprzedni dziennik zachowano w pliku\n"
              "%1.przed-przywroceniem"_s.arg(d.path()));
    child<QAction>(okno, "itmPrzywrocZKopii")->trigger();
    s.verify();
    takieSameWiersze(d.path(), kopia);
    takieSameWiersze(d.path() + u".przed-przywroceniem"_s, obecny);
    EXPECT_EQ(child<QTreeWidget>(okno, "lstMecze")->topLevelItemCount(), 4);

    // A second restore keeps the diary under the next free name; No changes nothing.
    s.file(u"Przywróć z kopii"_s, obecny);
    s.message(u"Pytanie"_s,
              u"Czy zastąpić dziennik kopią z pliku\n%1\n(5 meczów)?\n\nObecny dziennik zostanie "
              "zachowany obok jako Mirvola.mdb.przed-przywroceniem2."_s.arg(obecny),
              ui::Answer::No);
    child<QAction>(okno, "itmPrzywrocZKopii")->trigger();
    s.verify();
    EXPECT_FALSE(QFile::exists(d.path() + u".przed-przywroceniem2"_s));
    takieSameWiersze(d.path(), kopia);
}

TEST(BackupWindow, ARestoreFromAForeignOrHeldFileChangesNothing) {
    SampleDiary d;
    const QString kopia = innyDziennik(d);
    const QString obcy = obcyPlik(d);
    const QByteArray przed = fileHash(d.path());
    frmMain okno;
    Script s;
    s.file(u"Przywróć z kopii"_s, obcy);
    s.message({u"Komunikat"_s,
               u"Plik '%1' nie jest kopią dziennika programu Mirvola: to nie jest plik "
               "dziennika.\nDziennik nie został zmieniony."_s.arg(obcy),
               ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok},
              ui::Answer::Ok);
    child<QAction>(okno, "itmPrzywrocZKopii")->trigger();
    s.verify();

    OtherProcess inny(d.path());
    if (!inny.holds()) {
        GTEST_SKIP() << "the sqlite3 shell is needed to hold the diary from another process";
    }
    s.file(u"Przywróć z kopii"_s, kopia);
    s.message(u"Pytanie"_s,
              u"Czy zastąpić dziennik kopią z pliku\n%1\n(4 mecze)?\n\nObecny dziennik zostanie "
              "zachowany obok jako Mirvola.mdb.przed-przywroceniem."_s.arg(kopia),
              ui::Answer::Yes);
    s.message(u"Komunikat"_s, u"Baza jest używana przez inny proces !!!"_s, ui::Answer::Cancel);
    child<QAction>(okno, "itmPrzywrocZKopii")->trigger();
    s.verify();
    inny.release();
    EXPECT_EQ(fileHash(d.path()), przed);
    EXPECT_FALSE(QFile::exists(d.path() + u".przed-przywroceniem"_s));
}
