#include "support/Diary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

void install(const QString& prefix) {
    QProcess cmake;
    cmake.start(env("MIRVOLA_CMAKE"), {QStringLiteral("--install"), env("MIRVOLA_BUILD_DIR"),
                                       QStringLiteral("--prefix"), prefix});
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
    const QString diary = root.filePath(QStringLiteral("share/mirvola/Mirvola.mdb"));
    EXPECT_TRUE(QFileInfo(root.filePath(QStringLiteral("share/mirvola/mirvola"))).isExecutable());
    EXPECT_TRUE(
        QFileInfo(root.filePath(QStringLiteral("share/mirvola/mirvola-db"))).isExecutable());
    EXPECT_TRUE(QFile::exists(
        root.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/mirvola.svg"))));
    ASSERT_TRUE(QFile::exists(diary));
    EXPECT_EQ(sql(diary, QStringLiteral("SELECT count(*) FROM Mecze")), QStringLiteral("0"));

    const QString launcher = root.filePath(QStringLiteral("bin/mirvola"));
    ASSERT_TRUE(QFileInfo(launcher).isExecutable());
    QFile launcherFile(launcher);
    ASSERT_TRUE(launcherFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(launcherFile.readAll().contains(
        root.filePath(QStringLiteral("share/mirvola/mirvola")).toUtf8()));

    QFile desktop(root.filePath(QStringLiteral("share/applications/mirvola.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    EXPECT_TRUE(entry.contains("Exec=" + launcher.toUtf8()));
    EXPECT_TRUE(entry.contains("Icon=mirvola"));

    // A second install over a diary with data keeps the data.
    sql(diary, QStringLiteral("INSERT INTO Kluby (Druzyna) VALUES ('Legia')"));
    install(prefix.path());
    EXPECT_EQ(sql(diary, QStringLiteral("SELECT Druzyna FROM Kluby")), QStringLiteral("Legia"));
}
