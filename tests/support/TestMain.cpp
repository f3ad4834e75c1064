#include "forms/Toolkit.h"

#include <QApplication>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Mirvola"_s);
    ui::installToolkit();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
