// Runs one operation of the program (tests/support/Operations.h) on the diary in a folder, as
// its own process: for crash runs, which kill it at a chosen I/O call, and for runs under
// another user's rights.
//
//   operation_runner OPERATION FOLDER [KILL_BEFORE_CALL]
//
// KILL_BEFORE_CALL counts the calls of tests/support/Faults.h; one past the last call kills the
// process right after the operation. Prints "calls N" (the I/O calls the operation made) and one
// line per box shown: "success TEXT", "error TEXT" or "shown TITLE | TEXT", line feeds as "\n".

#include "data/Mirvola.h"
#include "forms/Toolkit.h"
#include "support/Faults.h"
#include "support/Operations.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

using namespace testing_support;
using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::installToolkit();
    const QStringList args = QApplication::arguments();
    const Operation* operation = args.size() < 3 ? nullptr : findOperation(args[1]);
    if (operation == nullptr) {
        std::fprintf(stderr, "usage: operation_runner OPERATION FOLDER [KILL_BEFORE_CALL]\n");
        return 2;
    }
    Mirvola::UstawKatalogProgramu(args[2]);
    setOperationClock();
    const int kill = args.value(3).toInt();
    Shown shown;
    int calls = 0;
    {
        Faults faults;
        faults.killBeforeCall(kill);
        User user;
        operation->run(user, [&] { faults.arm(); });
        shown = user.shown;
        calls = faults.counts().total();
    }
    // One past the last call: the crash comes right after the operation, before the process
    // could end on its own.
    if (kill == calls + 1) {
        std::raise(SIGKILL);
    }
    std::printf("calls %d\n", calls);
    for (const auto& [kind, texts] :
         {std::pair{"shown", shown.all}, {"success", shown.successes}, {"error", shown.errors}}) {
        for (QString text : texts) {
            std::printf("%s %s\n", kind, text.replace(u'\n', u"\\n"_s).toUtf8().constData());
        }
    }
    return 0;
}
