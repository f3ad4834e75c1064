#include "forms/Aplikacja.h"
#include "forms/Toolkit.h"

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    // The program's own application object: an exception that reaches the event loop is
    // reported as the program reports it.
    Aplikacja app(argc, argv);
    // Remembered folders and the like go to a test location, never into the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    ui::installToolkit();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
