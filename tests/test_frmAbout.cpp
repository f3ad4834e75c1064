#include "forms/frmAbout.h"

#include "support/Script.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using testing_support::Script;

namespace {

QString labelText(const QDialog& w, const char* name) {
    const auto* label = w.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
}

// Runs `body` with the PATH pointing at `dir` only, then restores it.
template <class F>
void withPath(const QString& dir, F&& body) {
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir));
    body();
    qputenv("PATH", saved);
}

}  // namespace

TEST(frmAbout, ShowsTitleVersionAndTexts) {
    frmAbout w;
    EXPECT_EQ(w.objectName(), QStringLiteral("frmAbout"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("O programie Mirvola"));
    EXPECT_EQ(labelText(w, "lblTitle"), QStringLiteral("Mirvola"));
    EXPECT_EQ(labelText(w, "lblVersion"), QStringLiteral("Wersja 1.0.1"));
    const QString opis = labelText(w, "lblDescription");
    EXPECT_TRUE(opis.startsWith(QStringLiteral(
        "Program przeznaczony dla fanatyków najwspanialszego klubu piłkarskiego na świecie - "
        "Mirvoli Wendrow!!! Jeżeli program Ci się spodobał, możesz wpłacić kilka złotych na "
        "akcje Ultras prowadzone przez kibiców Mirvoli Wendrow. Więcej informacji uzyskasz pod "
        "adresem ")));
    EXPECT_TRUE(labelText(w, "lblDisclaimer").contains(QLatin1Char('@')));
    EXPECT_FALSE(w.findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());
}

TEST(frmAbout, OkIsDefaultAndClosesOnEnterAndEsc) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        frmAbout w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        auto* ok = w.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        QTest::keyClick(&w, key);
        EXPECT_FALSE(w.isVisible());
    }
}

TEST(frmAbout, SystemInformationUnavailableWithoutATool) {
    QTemporaryDir empty;
    withPath(empty.path(), [] {
        frmAbout w;
        Script s;
        s.message({QStringLiteral("Mirvola"),
                   QStringLiteral("System Information Is Unavailable At This Time"),
                   ui::Buttons::Ok, ui::Icon::None, ui::Answer::Ok},
                  ui::Answer::Ok);
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    });
}

TEST(frmAbout, StartsTheFirstSystemInformationToolOnThePath) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString tool = dir.filePath(QStringLiteral("hardinfo"));
    QFile script(tool);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\n/usr/bin/touch '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(frmAbout::ZnajdzSysInfo(frmAbout::narzedziaSysInfo(), {dir.path()}), tool);
    withPath(dir.path(), [] {
        frmAbout w;
        Script s;  // no message expected
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
}
