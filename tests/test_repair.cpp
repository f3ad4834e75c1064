// What a repair keeps besides the rows (tables, columns, indexes and version it does not know),
// what it refuses (a newer diary), what it reports and when (also after the program ended before
// showing it), and the one check of a whole diary that the start, `check`, repair and backups
// share.

#include "data/Backup.h"
#include "data/DemoDiary.h"
#include "data/Mirvola.h"
#include "data/engine/DiaryCheck.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "forms/frmMain.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Operations.h"
#include "support/Script.h"
#include "support/Tool.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace err = engine::err;
using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// Plain SQLite statements, with the foreign keys off (the way another tool writes).
void execOn(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

QString one(const QString& path, const QString& sql) {
    return rowsOf(path, sql).at(0).at(0);
}

// The description of the engine error that `f` raises.
QString refusalOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return e.description();
    }
    ADD_FAILURE() << "no engine error";
    return QString();
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

class RepairTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        demo::createDiary(path);
    }
    QTemporaryDir dir;
    const QString path = dir.path() + u"/Mirvola.mdb"_s;
};

// A table, a column and an index of the user's own, the version and the application id stay
// through a repair; the report names the user's table with the program's.
TEST_F(RepairTest, KeepsTablesColumnsIndexesAndVersionItDoesNotKnow) {
    execOn(path,
           u"CREATE TABLE Notatki (Id INTEGER PRIMARY KEY, Tekst TEXT, Waga REAL);"
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
           "INSERT INTO Notatki (Tekst, Waga) SELECT 'notatka ' || i, i / 4.0 FROM n;"
           "CREATE INDEX Notatki_Tekst ON Notatki (Tekst);"
           "ALTER TABLE Mecze ADD COLUMN Widzowie INTEGER DEFAULT 0;"
           "UPDATE Mecze SET Widzowie = 1000 + Id_meczu * 7 WHERE Id_meczu % 3 > 0;"_s);
    const auto notes = rowsOf(path, u"SELECT * FROM Notatki ORDER BY Id"_s);
    const auto crowds = rowsOf(path, u"SELECT Id_meczu, Widzowie FROM Mecze ORDER BY 1"_s);
    damageMatches(path);

    const engine::RepairReport report = engine::repairDatabase(path);
    ASSERT_TRUE(report.rebuilt);
    EXPECT_EQ(engine::checkDatabase(path), u"ok"_s);
    EXPECT_EQ(rowsOf(path, u"SELECT * FROM Notatki ORDER BY Id"_s), notes);
    EXPECT_EQ(one(path, u"SELECT count(*) FROM sqlite_master WHERE name = 'Notatki_Tekst'"_s),
              u"1"_s);
    EXPECT_EQ(one(path, u"PRAGMA user_version"_s), u"1"_s);
    EXPECT_EQ(one(path, u"PRAGMA application_id"_s), u"1297499202"_s);
    // Every match read back has its own attendance.
    int checked = 0;
    for (const QStringList& row :
         rowsOf(path, u"SELECT Id_meczu, Widzowie FROM Mecze ORDER BY 1"_s)) {
        EXPECT_EQ(row, crowds.at(row[0].toInt() - 1));
        ++checked;
    }
    EXPECT_GT(checked, 200);
    EXPECT_TRUE(report.dropped.isEmpty()) << report.dropped.join(u", "_s).toStdString();
    EXPECT_TRUE(engine::describeRepair(report).contains(u"\nNotatki: było 40, odzyskano 40\n"_s))
        << engine::describeRepair(report).toStdString();
}

// The version as the file has it, also an older one; and the last ids given stay given.
TEST_F(RepairTest, KeepsAnOlderVersionAndTheLastIdsGiven) {
    execOn(path, u"PRAGMA user_version = 0; DELETE FROM Gracze WHERE Id_gracza > 140"_s);
    damageMatches(path);
    ASSERT_TRUE(engine::repairDatabase(path).rebuilt);
    EXPECT_EQ(one(path, u"PRAGMA user_version"_s), u"0"_s);
    EXPECT_EQ(one(path, u"SELECT seq FROM sqlite_sequence WHERE name = 'Gracze'"_s), u"150"_s);
}

// A diary of a newer version is never repaired nor downgraded, also when it is damaged: the
// start, the repair, `check`, backup and restore all say so in the start's words, and nothing
// changes.
TEST_F(RepairTest, ANewerDiaryIsRefusedEverywhereInTheStartsWords) {
    const QString backupDir = dir.path() + u"/kopie"_s;
    const QString sound = backup::createBackup(path, backupDir, QDate(2010, 1, 1));
    execOn(path, u"PRAGMA user_version = 2"_s);
    damageMatches(path);
    const QByteArray bytes = fileBytes(path);
    const engine::Examination found = engine::examineDiary(path);
    ASSERT_EQ(found.condition, engine::Condition::Newer);
    const QString words = engine::describeExamination(found);
    EXPECT_TRUE(words.contains(u"nowsza wersja programu Mirvola"_s)) << words.toStdString();

    EXPECT_EQ(refusalOf([&] { engine::repairDatabase(path); }), words);
    EXPECT_EQ(engine::checkDatabase(path), words);
    EXPECT_EQ(refusalOf([&] { backup::createBackup(path, backupDir, QDate(2010, 1, 2)); }), words);
    const ToolRun check = tool({u"check"_s, path});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, words + u'\n');
    EXPECT_EQ(fileBytes(path), bytes);
    EXPECT_EQ(filesIn(dir.path()), qs({"Mirvola.mdb"}));

    // A newer backup is not restored over a sound diary.
    QFile::copy(path, backupDir + u"/nowsza.mdb"_s);
    execOn(backupDir + u"/nowsza.mdb"_s, u"PRAGMA user_version = 2"_s);
    QFile::remove(path);
    QFile::copy(sound, path);
    const QByteArray diary = fileBytes(path);
    const QString newerWords =
        engine::describeExamination(engine::examineDiary(backupDir + u"/nowsza.mdb"_s));
    EXPECT_EQ(refusalOf([&] { backup::restoreBackup(backupDir + u"/nowsza.mdb"_s, path); }),
              newerWords);
    EXPECT_EQ(fileBytes(path), diary);
}

// A table or a column of the diary missing, or a goal whose match is not there: the start and
// `check` say the same, backup refuses naming the file, and a repair puts back what is missing
// and says what it did.
TEST_F(RepairTest, AnIncompleteDiaryIsFoundAndRepairedAlike) {
    const struct {
        const char* name;
        QString change;
        QString reason;
        QString reported;
    } cases[] = {
        {"no table", u"DROP TABLE Jak"_s, u"brak tabeli Jak"_s, u"Dodano brakujące: tabela Jak."_s},
        {"no column", u"ALTER TABLE Mecze DROP COLUMN Komentarz"_s,
         u"brak kolumny Komentarz w tabeli Mecze"_s,
         u"Dodano brakujące: kolumna Komentarz w tabeli Mecze."_s},
        {"goal of a missing match",
         u"INSERT INTO Bramki (Id_meczu, Nr_pozycji, Czy_Mirvola) VALUES (9999, 1, 0)"_s,
         u"wiersze tabeli Bramki odwołujące się do nieistniejących wierszy tabeli Mecze: 1"_s,
         u"1 odwołujących się do utraconych wierszy tabeli Mecze przeniesiono do tabeli "
         "Odlaczone_Bramki"_s},
    };
    const QString fresh = dir.path() + u"/demo.mdb"_s;
    QFile::copy(path, fresh);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path);
        QFile::copy(fresh, path);
        execOn(path, c.change);
        const engine::Examination found = engine::examineDiary(path);
        EXPECT_EQ(found.condition, engine::Condition::Damaged);
        const QString words = engine::describeExamination(found);
        EXPECT_EQ(words,
                  u"Plik %1 jest uszkodzony: nie przeszedł sprawdzenia spójności (%2)."_s.arg(
                      native(path), c.reason));
        EXPECT_EQ(engine::checkDatabase(path), words);
        EXPECT_EQ(tool({u"check"_s, path}).out, words + u'\n');
        EXPECT_TRUE(errorText([&] {
                        backup::createBackup(path, dir.path() + u"/kopie"_s, QDate(2010, 1, 1));
                    }).contains(native(path)));

        const engine::RepairReport report = engine::repairDatabase(path);
        ASSERT_TRUE(report.rebuilt);
        EXPECT_TRUE(engine::describeRepair(report).contains(c.reported))
            << engine::describeRepair(report).toStdString();
        EXPECT_EQ(engine::checkDatabase(path), u"ok"_s);
        QFile::remove(report.damagedCopy);
        engine::takeRepairReport(path);
    }
}

// Pages freed by deleted rows still hold them. A repair never brings them back: not when a
// table's root is lost and its leaves are sought among all pages, nor when the list of free
// pages is damaged itself.
TEST_F(RepairTest, RowsDeletedLongAgoStayDeleted) {
    // A dropped table of the matches' shape leaves whole pages of rows on the free list (where
    // SQLite does not overwrite what it frees, as other builds of it do not).
    execOn(path,
           u"PRAGMA secure_delete = OFF;"
           "CREATE TABLE Kopia (Id_meczu INTEGER PRIMARY KEY AUTOINCREMENT, Id_sezonu INTEGER, "
           "Data DATE, Gdzie CHAR(1), Id_klubu INTEGER, Wyn1 INTEGER, Wyn2 INTEGER, "
           "Id_rozgrywki INTEGER, Komentarz TEXT);"
           "INSERT INTO Kopia SELECT * FROM Mecze WHERE Id_meczu <= 150;"
           "PRAGMA foreign_keys = ON; DELETE FROM Mecze WHERE Id_meczu <= 150;"
           "DROP TABLE Kopia"_s);
    const QStringList kept = dumpDiary(path);
    const QByteArray sound = fileBytes(path);
    const int trunk = sound.mid(32, 4).toHex().toInt(nullptr, 16);
    ASSERT_GT(trunk, 0) << "no free pages";
    const int root =
        one(path, u"SELECT rootpage FROM sqlite_master WHERE name = 'Mecze'"_s).toInt();
    for (const int page : {root, trunk}) {
        SCOPED_TRACE(page == root ? "root of Mecze zeroed" : "free list zeroed");
        QFile::remove(path);
        QFile::remove(path + u".uszkodzona"_s);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(sound);
        file.seek(qint64(page - 1) * 4096);
        file.write(QByteArray(4096, '\0'));
        file.close();
        const engine::RepairReport report = engine::repairDatabase(path);
        ASSERT_TRUE(report.rebuilt);
        EXPECT_EQ(dumpDiary(path), kept);
        EXPECT_FALSE(report.lostRows()) << engine::describeRepair(report).toStdString();
        engine::takeRepairReport(path);
    }
}

// The program ends after the repaired file took the diary's place but before the report was
// shown: the next start shows it, once. A repair that never took the diary's place leaves no
// report and no second name, and the diary as it was.
TEST_F(RepairTest, TheReportOutlivesTheProgramAndOnlyARealRepairHasOne) {
    damageMatches(path);
    const QByteArray damaged = fileBytes(path);
    engine::setFileStepHook([](engine::FileStep step, const QString&) {
        return step == engine::FileStep::Rename ? EIO : 0;
    });
    EXPECT_EQ(errorOf([&] { engine::repairDatabase(path); }), err::DiskError);
    engine::setFileStepHook({});
    EXPECT_EQ(fileBytes(path), damaged);
    EXPECT_EQ(filesIn(dir.path()), qs({"Mirvola.mdb"}));

    const QString text = engine::describeRepair(engine::repairDatabase(path));
    EXPECT_EQ(filesIn(dir.path()),
              qs({"Mirvola.mdb", "Mirvola.mdb.raport-naprawy", "Mirvola.mdb.uszkodzona"}));
    Mirvola::UstawKatalogProgramu(dir.path());
    {
        Script s;
        s.message(notice(text + u"\n\nNaprawa odbyła się, zanim program zakończył poprzednio "
                                "pracę; ten raport nie został wtedy pokazany."_s),
                  ui::Answer::Ok);
        frmMain window;
        EXPECT_FALSE(window.koniecProgramu());
    }
    EXPECT_EQ(filesIn(dir.path()), qs({"Mirvola.mdb", "Mirvola.mdb.uszkodzona"}));
    {
        Script s;  // nothing more to say
        frmMain window;
        EXPECT_FALSE(window.koniecProgramu());
    }
    // A report left by a repair whose file never took the diary's place is not believed.
    QFile stale(path + u".raport-naprawy"_s);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("1 1\nBaza danych została naprawiona.");
    stale.close();
    EXPECT_EQ(engine::takeRepairReport(path), QString());
    EXPECT_FALSE(QFile::exists(path + u".raport-naprawy"_s));
    Mirvola::UstawKatalogProgramu(QString());
}

}  // namespace
