// What the package is made of, checked on the build's files: the version's one source, the
// desktop entry and the metainfo as the validators see them, the man pages, --version and
// --help. The package itself is built and installed by tests/package/check-deb.sh.

#include "support/Tool.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace testing_support;

namespace {

QString env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

QString text(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// The version written in project() of CMakeLists.txt, the only place it is written.
QString projectVersion() {
    const QRegularExpression project(u"project\\(Mirvola VERSION ([0-9.]+)"_s);
    return project.match(text(env("MIRVOLA_SOURCE_DIR") + u"/CMakeLists.txt"_s)).captured(1);
}

QString packageFile(const QString& name) {
    return env("MIRVOLA_BUILD_DIR") + u"/package/"_s + name;
}

const QString kId = u"pl.ultras_mirvola.Mirvola"_s;

class Paczka : public ::testing::Test {
  protected:
    void SetUp() override {
        if (env("MIRVOLA_BUILD_DIR").isEmpty()) {
            GTEST_SKIP() << "not run from the build tree";
        }
        version = projectVersion();
        ASSERT_FALSE(version.isEmpty());
    }
    QString version;
};

}  // namespace

TEST_F(Paczka, BothProgramsAndEveryFileTellTheProjectsVersion) {
    const ToolRun program = runProgram(env("MIRVOLA_APP"), {u"--version"_s});
    EXPECT_EQ(program.status, 0);
    EXPECT_EQ(program.out, u"mirvola "_s + version + u'\n');
    const ToolRun db = tool({u"--version"_s});
    EXPECT_EQ(db.status, 0);
    EXPECT_EQ(db.out, u"mirvola-db "_s + version + u'\n');

    EXPECT_TRUE(text(packageFile(kId + u".metainfo.xml"_s))
                    .contains(u"<release version=\""_s + version + u'"'));
    for (const char* page : {"mirvola.1", "mirvola-db.1"}) {
        EXPECT_TRUE(
            text(packageFile(QString::fromLatin1(page))).contains(u"\"Mirvola "_s + version + u'"'))
            << page;
    }
}

TEST_F(Paczka, TheDesktopEntryAndTheMetainfoValidate) {
    const QString desktop = packageFile(kId + u".desktop"_s);
    const QString entry = text(desktop);
    EXPECT_TRUE(entry.contains(u"\nExec=mirvola\n"_s));
    EXPECT_TRUE(entry.contains(u"\nIcon=mirvola\n"_s));
    const QString metainfo = text(packageFile(kId + u".metainfo.xml"_s));
    EXPECT_TRUE(metainfo.contains(u"<launchable type=\"desktop-id\">"_s + kId + u".desktop<"_s));
    EXPECT_TRUE(metainfo.contains(u"<summary xml:lang=\"pl\">"_s));
    EXPECT_TRUE(metainfo.contains(u"<p xml:lang=\"pl\">"_s));
    EXPECT_GE(metainfo.count(u"<screenshot"_s), 3 + 1);  // the list's tag and three pictures

    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    const QString appstream = QStandardPaths::findExecutable(u"appstreamcli"_s);
    if (validator.isEmpty() || appstream.isEmpty()) {
        GTEST_SKIP() << "desktop-file-validate or appstreamcli is not installed";
    }
    const ToolRun d = runProgram(validator, {desktop});
    EXPECT_EQ(d.status, 0) << d.out.toStdString() << d.err.toStdString();
    EXPECT_FALSE(d.out.contains(u"error"_s)) << d.out.toStdString();
    const ToolRun a = runProgram(
        appstream, {u"validate"_s, u"--no-net"_s, packageFile(kId + u".metainfo.xml"_s)});
    EXPECT_EQ(a.status, 0) << a.out.toStdString() << a.err.toStdString();
}

TEST_F(Paczka, HelpNamesTheDefaultDiary) {
    const ToolRun help = tool({u"--help"_s});
    EXPECT_EQ(help.status, 0);
    const QRegularExpression linia(u"\nDomyślny dziennik: ([^\n]+)\n"_s);
    const QString domyslny = linia.match(help.out).captured(1);
    // The tool's own folder (the build tree, not shared) holds or would get the diary.
    EXPECT_EQ(domyslny, QFileInfo(env("MIRVOLA_DB_TOOL")).absolutePath() + u"/Mirvola.mdb"_s);
    // Wrong arguments still print the usage as an error.
    EXPECT_EQ(tool({u"--nieznana"_s}).status, 2);
}
