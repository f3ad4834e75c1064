#include "forms/Toolkit.h"
#include "forms/frmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirvola"));
    QApplication::setOrganizationName(QStringLiteral("Mirvola"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/mirvola.svg")));
    ui::installToolkit();

    frmMain okno;
    if (okno.koniecProgramu()) {
        return 1;
    }
    okno.show();
    return QApplication::exec();
}
