#include "data/DemoDiary.h"
#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "support/Diary.h"
#include "support/EngineError.h"
#include "support/OtherProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace err = engine::err;
using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

// Every row of every table, as text.
QStringList dump(const QString& path) {
    QStringList lines;
    for (const char* table : {"Sezony", "Kluby", "Rozgrywki", "Jak", "Gracze", "Mecze", "Bramki"}) {
        const QString name = QLatin1String(table);
        for (const QStringList& row :
             rowsOf(path, u"SELECT * FROM "_s + name + u" ORDER BY rowid"_s)) {
            lines << name + u'|' + row.join(u'|');
        }
    }
    return lines;
}

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

TEST_F(FilesTest, CompactionKeepsEveryRow) {
    const QStringList rows = dump(path);
    engine::Database::open(path)->execute(u"DELETE FROM Mecze WHERE Id_meczu < 100"_s);
    const QStringList remaining = dump(path);
    ASSERT_LT(remaining.size(), rows.size());

    engine::compactDatabase(path, copy);
    EXPECT_EQ(dump(copy), remaining);
    EXPECT_EQ(engine::checkDatabase(copy), u"ok"_s);
    EXPECT_LT(QFileInfo(copy).size(), QFileInfo(path).size());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
        << "no temporary file is left behind";

    engine::replaceFileAtomically(copy, path);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(dump(path), remaining);
    engine::Database::open(path)->openRecordset(u"Mecze"_s);
}

TEST_F(FilesTest, NothingIsOverwritten) {
    QFile existing(copy);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("stara kopia");
    existing.close();
    EXPECT_EQ(errorOf([&] { engine::compactDatabase(path, copy); }), err::DestinationExists);
    EXPECT_EQ(errorOf([&] { engine::createDatabase(copy); }), err::DestinationExists);
    EXPECT_EQ(errorOf([&] { demo::createDiary(copy); }), err::DestinationExists);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("stara kopia"));
}

// Another process holds the file: a writer's exclusive lock, or a reader's open transaction.
TEST_F(FilesTest, AFileHeldByAnotherProcessIsLeftUntouched) {
    const QByteArray before = fileBytes(path);
    for (const char* hold : {"BEGIN EXCLUSIVE;", "BEGIN; SELECT count(*) FROM Mecze;"}) {
        SCOPED_TRACE(hold);
        OtherProcess other(path, hold);
        if (!other.holds()) {
            GTEST_SKIP() << "no sqlite3 shell to hold the file";
        }
        EXPECT_EQ(errorOf([&] { engine::compactDatabase(path, copy); }), err::FileInUse);
        EXPECT_EQ(errorOf([&] { engine::repairDatabase(path); }), err::FileInUse);
        EXPECT_FALSE(QFileInfo::exists(copy));
    }
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A connection of this process counts as well.
    {
        const auto db = engine::Database::open(path);
        EXPECT_EQ(errorOf([&] { engine::compactDatabase(path, copy); }), err::FileInUse);
    }
    engine::compactDatabase(path, copy);
    EXPECT_EQ(dump(copy), dump(path));
}

TEST_F(FilesTest, RepairOfASoundFileKeepsEveryRow) {
    const QStringList rows = dump(path);
    engine::repairDatabase(path);
    EXPECT_EQ(dump(path), rows);
    EXPECT_EQ(engine::checkDatabase(path), u"ok"_s);
}

// Pages of a copy are overwritten; the repair either recovers a sound file with part of the
// rows or reports that it cannot, and never crashes.
TEST_F(FilesTest, RepairOfADamagedFileRecoversWhatItCan) {
    const int total = static_cast<int>(dump(path).size());
    const qint64 pages = QFileInfo(path).size() / 4096;
    ASSERT_GT(pages, 12);
    const std::vector<std::pair<qint64, qint64>> damages{
        {2, 3}, {pages / 2, pages / 2 + 2}, {pages - 3, pages}, {3, pages / 3}};
    int repaired = 0;
    for (const auto& [from, to] : damages) {
        SCOPED_TRACE(u"pages %1..%2"_s.arg(from).arg(to).toStdString());
        const QString damaged = dir.path() + u"/Uszkodzona.mdb"_s;
        QFile::remove(damaged);
        ASSERT_TRUE(QFile::copy(path, damaged));
        {
            QFile file(damaged);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            for (qint64 page = from; page < to; ++page) {
                file.seek(page * 4096);
                file.write(QByteArray(4096, static_cast<char>(0x5A + page)));
            }
        }
        EXPECT_NE(engine::checkDatabase(damaged), u"ok"_s);
        try {
            engine::repairDatabase(damaged);
            ++repaired;
            EXPECT_EQ(engine::checkDatabase(damaged), u"ok"_s);
            EXPECT_TRUE(QFileInfo::exists(damaged + u".uszkodzona"_s))
                << "the damaged file is kept";
            const int left = static_cast<int>(dump(damaged).size());
            EXPECT_GT(left, 0);
            EXPECT_LE(left, total) << "an index page lost loses no row";
            std::printf("pages %lld..%lld: %d of %d rows recovered\n", static_cast<long long>(from),
                        static_cast<long long>(to), left, total);
            engine::Database::open(damaged)->openRecordset(u"Bramki"_s);
        } catch (const engine::Error& e) {
            EXPECT_EQ(e.number(), err::Corrupt) << e.what();
        }
    }
    EXPECT_GT(repaired, 0) << "at least the damage of a few pages is repaired";
}

}  // namespace
