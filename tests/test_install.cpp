#include "support/Diary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

void install(const QString& prefix) {
    QProcess cmake;
    cmake.start(env("MIRVOLA_CMAKE"),
                {u"--install"_s, env("MIRVOLA_BUILD_DIR"), u"--prefix"_s, prefix});
    ASSERT_TRUE(cmake.waitForFinished(120000));
    ASSERT_EQ(cmake.exitCode(), 0) << cmake.readAllStandardError().toStdString()
                                   << cmake.readAllStandardOutput().toStdString();
}

// Runs one statement with plain SQLite on the installed diary; returns the first value.
QString sql(const QString& path, const QString& statement) {
    const auto rows = testing_support::rowsOf(path, statement);
    return rows.empty() ? QString() : rows.front().value(0);
}

}  // namespace

TEST(Install, PutsTheProgramIntoItsOwnFolderAndKeepsAnExistingDiary) {
    if (env("MIRVOLA_BUILD_DIR").isEmpty()) {
        GTEST_SKIP() << "not run from the build tree";
    }
    QTemporaryDir prefix;
    install(prefix.path());

    const QDir root(prefix.path());
    const QString diary = root.filePath(u"share/mirvola/Mirvola.mdb"_s);
    EXPECT_TRUE(QFileInfo(root.filePath(u"share/mirvola/mirvola"_s)).isExecutable());
    EXPECT_TRUE(QFileInfo(root.filePath(u"share/mirvola/mirvola-db"_s)).isExecutable());
    EXPECT_TRUE(QFile::exists(root.filePath(u"share/icons/hicolor/scalable/apps/mirvola.svg"_s)));
    ASSERT_TRUE(QFile::exists(diary));
    EXPECT_EQ(sql(diary, u"SELECT count(*) FROM Mecze"_s), u"0"_s);

    const QString launcher = root.filePath(u"bin/mirvola"_s);
    ASSERT_TRUE(QFileInfo(launcher).isExecutable());
    QFile launcherFile(launcher);
    ASSERT_TRUE(launcherFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        launcherFile.readAll().contains(root.filePath(u"share/mirvola/mirvola"_s).toUtf8()));

    QFile desktop(root.filePath(u"share/applications/mirvola.desktop"_s));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    EXPECT_TRUE(entry.contains("Exec=" + launcher.toUtf8()));
    EXPECT_TRUE(entry.contains("Icon=mirvola"));

    // A second install over a diary with data keeps the data.
    sql(diary, u"INSERT INTO Kluby (Druzyna) VALUES ('Legia')"_s);
    install(prefix.path());
    EXPECT_EQ(sql(diary, u"SELECT Druzyna FROM Kluby"_s), u"Legia"_s);
}
