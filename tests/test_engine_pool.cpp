// Connections stay open between commands, idle. What makes that safe: an idle connection holds
// no lock, never stands in the way of a whole-file operation, and is never used on a file that
// is no longer the one at its path, nor with a write permission the file no longer has.
#include "data/engine/Connection.h"
#include "data/engine/Database.h"
#include "data/engine/Error.h"
#include "data/engine/FileOps.h"
#include "data/engine/Recordset.h"
#include "data/engine/Workspace.h"
#include "support/Diary.h"
#include "support/EngineError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testing_support;
using engine::Database;
namespace err = engine::err;

namespace {

const QString kClubs = u"SELECT Druzyna FROM Kluby ORDER BY Id_klubu"_s;

QStringList clubs(const QString& path) {
    QStringList names;
    for (const auto rs = Database::open(path)->openRecordset(kClubs); !rs->eof(); rs->moveNext()) {
        names << rs->value(0).toString();
    }
    return names;
}

void addClub(const QString& path, const QString& name) {
    Database::open(path)->execute(u"INSERT INTO Kluby (Druzyna) VALUES ('"_s + name + u"')"_s);
}

// Whether a connection of plain SQLite gets the whole file at once, as another process would.
bool takenExclusively(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const bool taken = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return taken;
}

// Files of this process open at `path`.
int openFiles(const QString& path) {
    int count = 0;
    for (const QFileInfo& fd :
         QDir(u"/proc/self/fd"_s).entryInfoList(QDir::AllEntries | QDir::System)) {
        count += fd.symLinkTarget() == path ? 1 : 0;
    }
    return count;
}

TEST(ConnectionPool, IdleConnectionsAreKeptHoldNoLockAndCanAllBeClosed) {
    SampleDiary diary;
    {
        const auto viewer = Database::open(diary.path());
        EXPECT_EQ(clubs(diary.path()).size(), 4);
    }
    EXPECT_EQ(openFiles(diary.path()), 2) << "the viewer's connection and the shared one wait";
    addClub(diary.path(), u"Górnik"_s);
    {
        const auto table = Database::open(diary.path())->openRecordset(u"Kluby"_s);
        table->addNew();
        table->setValue(1, u"Ruch"_s);
        table->update();
    }
    EXPECT_TRUE(takenExclusively(diary.path()));
    // A workspace transaction holds the file until it ends, and leaves nothing behind.
    engine::Workspace::beginTrans();
    addClub(diary.path(), u"Polonia"_s);
    EXPECT_FALSE(takenExclusively(diary.path()));
    engine::Workspace::rollback();
    EXPECT_TRUE(takenExclusively(diary.path()));
    EXPECT_EQ(clubs(diary.path()).size(), 6);
    engine::Connection::closeAllIdle();
    EXPECT_EQ(openFiles(diary.path()), 0);
}

TEST(ConnectionPool, WholeFileOperationsAreNotHeldUpAndLeaveNoStaleConnection) {
    SampleDiary diary;
    const QString copy = diary.dir() + u"/KopiaMirvola.mdb"_s;
    clubs(diary.path());
    addClub(diary.path(), u"Górnik"_s);
    {
        const auto held = Database::open(diary.path());  // a connection in use still counts
        EXPECT_EQ(errorOf([&] { engine::compactDatabase(diary.path(), copy); }), err::FileInUse);
    }
    engine::compactDatabase(diary.path(), copy);
    engine::replaceFileAtomically(copy, diary.path());
    EXPECT_EQ(openFiles(diary.path() + u" (deleted)"_s), 0) << "the old diary's space is freed";
    // Reads and writes reach the compacted file, the one now at the path.
    EXPECT_EQ(clubs(diary.path()).size(), 5);
    addClub(diary.path(), u"Ruch"_s);
    EXPECT_EQ(diary.column(kClubs).last(), u"Ruch"_s);
    engine::repairDatabase(diary.path());
    EXPECT_EQ(clubs(diary.path()).size(), 6);
}

TEST(ConnectionPool, AFileReplacedByAnotherProgramIsOpenedAfresh) {
    SampleDiary diary;
    addClub(diary.path(), u"Górnik"_s);
    // Another diary put in place in one rename, as another program's compaction does it.
    const QString other = diary.path() + u".nowy"_s;
    engine::createDatabase(other);
    rowsOf(other, u"INSERT INTO Kluby (Druzyna) VALUES ('Nowy klub')"_s);
    ASSERT_EQ(
        ::rename(QFile::encodeName(other).constData(), QFile::encodeName(diary.path()).constData()),
        0);
    EXPECT_EQ(clubs(diary.path()), QStringList{u"Nowy klub"_s});
    // A write lands in the new file, not in the unlinked old one.
    addClub(diary.path(), u"Ruch"_s);
    EXPECT_EQ(diary.column(kClubs), (QStringList{u"Nowy klub"_s, u"Ruch"_s}));
}

TEST(ConnectionPool, AMissingOrDamagedFileIsReportedAsOnOpening) {
    SampleDiary diary;
    clubs(diary.path());
    ASSERT_TRUE(QFile::remove(diary.path()));
    EXPECT_EQ(errorOf([&] { clubs(diary.path()); }), err::FileNotFound);

    // Overwritten in place (the same file) by a database of another program, with the tables
    // of a diary but not its mark.
    SampleDiary second;
    clubs(second.path());
    const QString foreign = second.dir() + u"/obcy.db"_s;
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(foreign).constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE Kluby (Id_klubu INTEGER, Druzyna TEXT);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20) "
                 "INSERT INTO Kluby SELECT 1, 'obcy' FROM n",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile file(second.path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(fileBytes(foreign));
    file.close();
    EXPECT_EQ(errorOf([&] { clubs(second.path()); }), err::NotADatabase);
}

// Run by an unprivileged user, for whom a read-only file refuses writes (root may write it);
// root runs this test again as such a user.
TEST(ConnectionPool, AFileMadeReadOnlyRefusesWritesAsOnOpening) {
    if (::geteuid() != 0) {
        SampleDiary diary;
        addClub(diary.path(), u"Górnik"_s);
        ASSERT_EQ(::chmod(QFile::encodeName(diary.path()).constData(), 0444), 0);
        EXPECT_EQ(errorOf([&] { addClub(diary.path(), u"Ruch"_s); }), err::ReadOnly);
        EXPECT_EQ(clubs(diary.path()).size(), 5) << "and can still be read";
        ASSERT_EQ(::chmod(QFile::encodeName(diary.path()).constData(), 0644), 0);
        addClub(diary.path(), u"Ruch"_s);
        EXPECT_EQ(clubs(diary.path()).size(), 6) << "writable again, it takes writes again";
        return;
    }
    const QString setpriv = QStandardPaths::findExecutable(u"setpriv"_s);
    if (setpriv.isEmpty()) {
        GTEST_SKIP() << "running as root, and no setpriv to run as an unprivileged user";
    }
    const QStringList unprivileged{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s};
    // The one precondition that may be missing: a folder on the way to this binary closed to
    // other users. Anything else the unprivileged run trips over is a failure.
    QProcess probe;
    probe.start(setpriv, unprivileged + QStringList{u"test"_s, u"-x"_s,
                                                    QCoreApplication::applicationFilePath()});
    ASSERT_TRUE(probe.waitForFinished(60000));
    if (probe.exitCode() != 0) {
        GTEST_SKIP() << "the unprivileged user cannot reach this test binary";
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
        setpriv,
        unprivileged +
            QStringList{
                QCoreApplication::applicationFilePath(),
                u"--gtest_filter=ConnectionPool.AFileMadeReadOnlyRefusesWritesAsOnOpening"_s});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(u"[  PASSED  ] 1 test"_s)) << output.toStdString();
}

}  // namespace
