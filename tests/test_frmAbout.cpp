#include "forms/frmAbout.h"

#include "support/Script.h"
#include "support/Widgets.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace testing_support;

namespace {

// Runs `body` with the PATH pointing at `dir` only, then restores it.
template <class F>
void withPath(const QString& dir, F&& body) {
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir));
    body();
    qputenv("PATH", saved);
}

}  // namespace

TEST(frmAbout, ShowsVersionAndIconAndClosesOnEnterAndEsc) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        frmAbout w;
        EXPECT_EQ(labelText(w, "lblVersion"), u"Wersja 1.0.1"_s);
        EXPECT_FALSE(child<QLabel>(w, "picIcon")->pixmap().isNull());
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::keyClick(&w, key);
        EXPECT_FALSE(w.isVisible());
    }
}

TEST(frmAbout, SystemInformationUnavailableWithoutATool) {
    QTemporaryDir empty;
    withPath(empty.path(), [] {
        frmAbout w;
        Script s;
        s.message({u"Mirvola"_s, u"System Information Is Unavailable At This Time"_s,
                   ui::Buttons::Ok, ui::Icon::None, ui::Answer::Ok},
                  ui::Answer::Ok);
        QTest::mouseClick(child<QPushButton>(w, "cmdSysInfo"), Qt::LeftButton);
    });
}

TEST(frmAbout, StartsTheFirstSystemInformationToolOnThePath) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(u"started"_s);
    const QString tool = dir.filePath(u"hardinfo"_s);
    QFile script(tool);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(u"#!/bin/sh\n/usr/bin/touch '%1'\n"_s.arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(frmAbout::ZnajdzSysInfo(frmAbout::narzedziaSysInfo(), {dir.path()}), tool);
    withPath(dir.path(), [] {
        frmAbout w;
        Script s;  // no message expected
        QTest::mouseClick(child<QPushButton>(w, "cmdSysInfo"), Qt::LeftButton);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
}
