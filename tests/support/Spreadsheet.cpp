#include "support/Spreadsheet.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace testing_support {
namespace {

// The system's Python, where Debian installs openpyxl (a Python of the user's own may come
// first in PATH).
QString python() {
    return QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
}

QString soffice() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

QString cellsScript() {
    return qEnvironmentVariable("MIRVOLA_SOURCE_DIR") +
           QStringLiteral("/tests/support/xlsx_cells.py");
}

// Runs a program to its end; output on stdout, or a failed test with its stderr.
QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(180000);
    const QByteArray out = process.readAllStandardOutput();
    EXPECT_TRUE(finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
    return out;
}

Sheet sheetOf(const QJsonArray& rows) {
    Sheet sheet;
    for (const QJsonValue& row : rows) {
        std::vector<SheetCell> cells;
        for (const QJsonValue& c : row.toArray()) {
            cells.push_back({c.toArray().at(0).toString(), c.toArray().at(1).toString()});
        }
        sheet.push_back(std::move(cells));
    }
    return sheet;
}

}  // namespace

std::optional<QString> spreadsheetMissing() {
    if (soffice().isEmpty()) {
        return QStringLiteral(
            "LibreOffice (soffice, Debian libreoffice-calc-nogui) is not "
            "installed; scripts/setup-debian.sh installs it");
    }
    QProcess probe;
    probe.start(python(), {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
    if (python().isEmpty() || !probe.waitForFinished(60000) || probe.exitCode() != 0) {
        return QStringLiteral(
            "/usr/bin/python3 with openpyxl (Debian python3-openpyxl) is not "
            "installed; scripts/setup-debian.sh installs it");
    }
    return std::nullopt;
}

std::map<QString, Sheet> openInSpreadsheet(const QStringList& csvFiles, bool detectSpecialNumbers) {
    const QTemporaryDir work;
    // Field separator ';', text delimiter '"', UTF-8, from line 1, Polish, quoted fields not
    // forced to text, special numbers as asked, formulas evaluated.
    const QString filter =
        QStringLiteral(
            "Text - txt - csv (StarCalc):59,34,76,1,,1045,false,%1,false,false,false,"
            "false,true")
            .arg(detectSpecialNumbers ? QStringLiteral("true") : QStringLiteral("false"));
    QStringList arguments{
        QStringLiteral("-env:UserInstallation=") +
            QUrl::fromLocalFile(work.filePath(QStringLiteral("profil"))).toString(),
        QStringLiteral("--headless"),
        QStringLiteral("--infilter=") + filter,
        QStringLiteral("--convert-to"),
        QStringLiteral("xlsx"),
        QStringLiteral("--outdir"),
        work.filePath(QStringLiteral("xlsx"))};
    arguments << csvFiles;
    run(soffice(), arguments);
    const QJsonObject book =
        QJsonDocument::fromJson(
            run(python(), {cellsScript(), work.filePath(QStringLiteral("xlsx"))}))
            .object();
    std::map<QString, Sheet> sheets;
    for (const QString& csv : csvFiles) {
        const QString xlsx = QFileInfo(csv).completeBaseName() + QStringLiteral(".xlsx");
        EXPECT_TRUE(book.contains(xlsx)) << csv.toStdString() << " was not converted";
        sheets[QFileInfo(csv).fileName()] = sheetOf(book.value(xlsx).toArray());
    }
    return sheets;
}

}  // namespace testing_support
