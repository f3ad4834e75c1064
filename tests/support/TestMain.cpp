#include "data/MiejsceDziennika.h"
#include "forms/Aplikacja.h"
#include "forms/Toolkit.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    // No test finds or leaves a diary in a user's data folder: each binary has an empty one.
    const QTemporaryDir daneUzytkownika;
    dziennik::UstawKatalogDanych(daneUzytkownika.path() + u"/Mirvola"_s);
    ui::installToolkit();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
