#include "support/Tool.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace testing_support {

ToolRun runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString() << " did not end";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program.toStdString() << " crashed";
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

ToolRun tool(const QStringList& arguments) {
    const QString program = qEnvironmentVariable("MIRVOLA_DB_TOOL");
    EXPECT_FALSE(program.isEmpty()) << "MIRVOLA_DB_TOOL names no program";
    return runProgram(program, arguments);
}

}  // namespace testing_support
