#include "data/DemoDiary.h"
#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/Operations.h"
#include "support/OtherProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace err = engine::err;
using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        demo::createDiary(path);
    }
    QTemporaryDir dir;
    const QString path = dir.path() + u"/Mirvola.mdb"_s;
    const QString copy = dir.path() + u"/KopiaMirvola.mdb"_s;
};

// The compacted copy holds every row; no whole-file operation overwrites an existing file.
TEST_F(FilesTest, CompactionKeepsEveryRowAndOverwritesNothing) {
    engine::Database::open(path)->execute(u"DELETE FROM Mecze WHERE Id_meczu < 100"_s);
    const QStringList remaining = dumpDiary(path);

    engine::compactDatabase(path, copy);
    EXPECT_EQ(dumpDiary(copy), remaining);
    EXPECT_EQ(engine::checkDatabase(copy), u"ok"_s);
    EXPECT_EQ(filesIn(dir.path()), qs({"KopiaMirvola.mdb", "Mirvola.mdb"}));

    const QByteArray compacted = fileBytes(copy);
    EXPECT_EQ(errorOf([&] { engine::compactDatabase(path, copy); }), err::DestinationExists);
    EXPECT_EQ(errorOf([&] { engine::createDatabase(copy); }), err::DestinationExists);
    EXPECT_EQ(fileBytes(copy), compacted);
}

// Another process holds the file: a writer's exclusive lock, or a reader's open transaction.
TEST_F(FilesTest, AFileHeldByAnotherProcessIsLeftUntouched) {
    const QByteArray before = fileBytes(path);
    for (const char* hold : {"BEGIN EXCLUSIVE;", "BEGIN; SELECT count(*) FROM Mecze;"}) {
        SCOPED_TRACE(hold);
        OtherProcess other(path, hold);
        REQUIRE_HOLD(other);
        EXPECT_EQ(errorOf([&] { engine::compactDatabase(path, copy); }), err::FileInUse);
        EXPECT_EQ(errorOf([&] { engine::repairDatabase(path); }), err::FileInUse);
    }
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(filesIn(dir.path()), qs({"Mirvola.mdb"}));
    engine::compactDatabase(path, copy);
    EXPECT_EQ(dumpDiary(copy), dumpDiary(path));
}

// Pages of a copy are overwritten; the repair either recovers a sound file with part of the
// rows or reports that it cannot, and never crashes.
// The tests that need another process's hold skip only without the shell: a hold the shell
// cannot take (here: the file is held already) is told apart and makes them fail.
TEST_F(FilesTest, AnotherProcessThatCannotHoldTheFileIsNoMissingShell) {
    OtherProcess first(path);
    REQUIRE_HOLD(first);
    OtherProcess second(path);
    EXPECT_FALSE(second.shellMissing());
    EXPECT_FALSE(second.holds());
    EXPECT_NE(second.failure().find("locked"), std::string::npos) << second.failure();
}

TEST_F(FilesTest, RepairOfADamagedFileRecoversWhatItCan) {
    const QStringList before = dumpDiary(path);
    const int total = static_cast<int>(before.size());
    const qint64 pages = QFileInfo(path).size() / 4096;
    ASSERT_GT(pages, 12);
    const QString damaged = dir.path() + u"/Uszkodzona.mdb"_s;
    int repaired = 0;
    for (const auto& [from, to] : std::vector<std::pair<qint64, qint64>>{
             {2, 3}, {pages / 2, pages / 2 + 2}, {pages - 3, pages}, {3, pages / 3}}) {
        SCOPED_TRACE(u"pages %1..%2"_s.arg(from).arg(to).toStdString());
        QFile::remove(damaged);
        ASSERT_TRUE(QFile::copy(path, damaged));
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        for (qint64 page = from; page < to; ++page) {
            file.seek(page * 4096);
            file.write(QByteArray(4096, static_cast<char>(0x5A + page)));
        }
        file.close();
        EXPECT_NE(engine::checkDatabase(damaged), u"ok"_s);
        try {
            engine::repairDatabase(damaged);
            ++repaired;
            EXPECT_EQ(engine::checkDatabase(damaged), u"ok"_s);
            EXPECT_TRUE(QFileInfo::exists(damaged + u".uszkodzona"_s));
            const QStringList rows = dumpDiary(damaged);
            const int left = static_cast<int>(rows.size());
            EXPECT_TRUE(left > 0 && left <= total) << left;
            // What the repair keeps it keeps as it was: no value moves to another column.
            for (const QString& row : rows) {
                EXPECT_TRUE(before.contains(row)) << "changed by the repair: " << row.toStdString();
            }
            engine::Database::open(damaged)->openRecordset(u"Bramki"_s);
        } catch (const engine::Error& e) {
            EXPECT_EQ(e.number(), err::Corrupt) << e.what();
        }
    }
    EXPECT_GT(repaired, 0) << "at least the damage of a few pages is repaired";
}

// A diary shared with a group keeps exactly that through compaction and repair, and its owner
// and group too. (Every command of the main window that rebuilds the diary does it through these
// two; a write-protected diary is not compacted: the diary file tests.)
TEST_F(FilesTest, RebuiltFilesKeepModeOwnerAndGroup) {
    // Another user's file, where this process may give files away.
    const uid_t uid = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t gid = ::geteuid() == 0 ? 65534 : ::getegid();
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), uid, gid), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const ino_t before = statOf(path).st_ino;
    const QStringList rows = dumpDiary(path);
    const auto kept = [&] {
        EXPECT_EQ(statOf(path).st_mode & 07777, 0640u);
        EXPECT_EQ(statOf(path).st_uid, uid);
        EXPECT_EQ(statOf(path).st_gid, gid);
    };
    engine::compactInPlace(path);
    EXPECT_NE(statOf(path).st_ino, before);
    EXPECT_EQ(dumpDiary(path), rows);
    kept();
    damageMatches(path);
    ASSERT_TRUE(engine::repairDatabase(path).rebuilt);
    kept();
}

// What a crash leaves beside the diary (build files of its copies, a journal that is no longer
// hot) goes with the next whole-file operation; other files stay.
TEST_F(FilesTest, LeftoversOfACrashGoWithTheNextCompaction) {
    const QStringList leftovers = {u".Mirvola.mdb.Ab12Cd"_s, u".Mirvola.mdb.Ab12Cd-journal"_s,
                                   u"Mirvola.mdb-journal"_s};
    for (const QString& name : leftovers + QStringList{u".Mirvola.mdb.notatki.txt"_s}) {
        QFile file(dir.path() + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QStringList rows = dumpDiary(path);
    engine::compactInPlace(path);
    EXPECT_EQ(filesIn(dir.path()), qs({".Mirvola.mdb.notatki.txt", "Mirvola.mdb"}));
    EXPECT_EQ(dumpDiary(path), rows);
}

// A sound file keeps every row and is not rewritten. A damaged one is, and the repair says how
// many rows each table had and has: the counts are the file's own, read independently here.
TEST_F(FilesTest, RepairReportsRowsBeforeAndAfter) {
    const QStringList rows = dumpDiary(path);
    const ino_t inode = statOf(path).st_ino;
    EXPECT_FALSE(engine::repairDatabase(path).rebuilt);
    EXPECT_EQ(dumpDiary(path), rows);
    EXPECT_EQ(statOf(path).st_ino, inode);

    const auto counts = [](const QString& file) {
        std::map<QString, qint64> n;
        for (const QString& table :
             qs({"Sezony", "Kluby", "Rozgrywki", "Jak", "Gracze", "Mecze", "Bramki"})) {
            n[table] = rowsOf(file, u"SELECT count(*) FROM "_s + table).at(0).at(0).toLongLong();
        }
        return n;
    };
    const auto before = counts(path);
    damageMatches(path);
    const QByteArray damaged = fileBytes(path);
    const engine::RepairReport report = engine::repairDatabase(path);
    const auto after = counts(path);

    ASSERT_TRUE(report.rebuilt);
    EXPECT_TRUE(report.lostRows());
    EXPECT_EQ(fileBytes(report.damagedCopy), damaged);
    for (const engine::TableRows& rows : report.tables) {
        SCOPED_TRACE(rows.table.toStdString());
        EXPECT_EQ(rows.before, before.at(rows.table));
        EXPECT_EQ(rows.after, after.at(rows.table));
    }
    // The lost matches' goals go to a table of their own.
    EXPECT_LT(after.at(u"Bramki"_s), before.at(u"Bramki"_s));
    EXPECT_EQ(rowsOf(path, u"SELECT count(*) FROM Odlaczone_Bramki"_s).at(0).at(0).toLongLong(),
              before.at(u"Bramki"_s) - after.at(u"Bramki"_s));

    // The first table's line, the start and the end: the diary file tests' repair at start.
    const QString text = engine::describeRepair(report);
    EXPECT_TRUE(text.contains(
        u"\nBramki: było %1, odzyskano %2, %3 odwołujących się do utraconych wierszy tabeli "
        "Mecze przeniesiono do tabeli Odlaczone_Bramki\n"_s.arg(before.at(u"Bramki"_s))
            .arg(after.at(u"Bramki"_s))
            .arg(before.at(u"Bramki"_s) - after.at(u"Bramki"_s))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"\nGracze: było 150, odzyskano 150\n"_s)) << text.toStdString();

    // A second damage keeps the first damaged file.
    damageMatches(path);
    EXPECT_EQ(engine::repairDatabase(path).damagedCopy, path + u".uszkodzona2"_s);
    EXPECT_EQ(fileBytes(path + u".uszkodzona"_s), damaged);
}

// A file cut short is read as far as it goes: the dictionaries at its beginning survive.
TEST_F(FilesTest, RepairOfATruncatedFileKeepsWhatItHolds) {
    ASSERT_TRUE(QFile::resize(path, QFileInfo(path).size() / 2));
    EXPECT_TRUE(engine::repairDatabase(path).rebuilt);
    EXPECT_EQ(engine::checkDatabase(path), u"ok"_s);
    EXPECT_EQ(rowsOf(path, u"SELECT count(*) FROM Gracze"_s).at(0).at(0), u"150"_s);
}

// The user reads the engine's descriptions: SQLite's English stays in what().
TEST_F(FilesTest, EngineDescriptionsArePolish) {
    damageMatches(path);
    try {
        engine::Database::open(path)->openRecordset(u"SELECT * FROM Mecze"_s);
        FAIL() << "the damaged page was read";
    } catch (const engine::Error& e) {
        EXPECT_EQ(e.number(), err::Corrupt);
        EXPECT_EQ(e.description(), u"Plik bazy danych jest uszkodzony."_s);
        EXPECT_NE(std::string(e.what()).find("malformed"), std::string::npos) << e.what();
    }
    // Refusals of SQLite's own, worded for the user; they change nothing, so one diary serves.
    const QString sound = dir.path() + u"/Zdrowa.mdb"_s;
    demo::createDiary(sound);
    const auto db = engine::Database::open(sound);
    for (const auto& [sql, reason] :
         {std::pair{"INSERT INTO Bramki (Id_meczu) VALUES (1)", "wymagane pole jest puste."},
          {"INSERT INTO Bramki (Id_meczu, Nr_pozycji) VALUES (99999, 1)",
           "rekord odwołuje się do rekordu, którego nie ma w innej "
           "tabeli."}}) {
        EXPECT_EQ(errorText([&] { db->execute(QString::fromUtf8(sql)); }).section(u'\n', 1, -1),
                  u"Zmiany nie zostały wprowadzone: "_s + QString::fromUtf8(reason));
    }
}

}  // namespace
