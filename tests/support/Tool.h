#pragma once

#include <QString>
#include <QStringList>

namespace testing_support {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs `program` and waits for it to end; a program that crashes or hangs fails the test.
ToolRun runProgram(const QString& program, const QStringList& arguments);

// Runs the build's mirvola-db (named by the environment variable MIRVOLA_DB_TOOL).
ToolRun tool(const QStringList& arguments);

}  // namespace testing_support
