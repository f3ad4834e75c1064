// Runs one operation of the program (tests/support/Operations.h) on the diary in a folder, as
// its own process: for crash runs, which kill it at a chosen I/O call, and for runs under
// another user's rights.
//
//   operation_runner OPERATION FOLDER [KILL_BEFORE_CALL]
//
//   operation_runner program FOLDER [hold]
//
// The second form is a start of the program on the diary in FOLDER, as far as its claim on the
// diary: prints "claimed 1" or "claimed 0" and the boxes shown; with "hold" it keeps the diary
// claimed until its standard input ends (or it is killed).
//
// KILL_BEFORE_CALL counts the calls of tests/support/Faults.h; one past the last call kills the
// process right after the operation. Prints "calls N" (the I/O calls the operation made),
// "publishing N ..." (the calls among them that publish a change of the diary) and one line per
// box shown: "success TEXT", "error TEXT" or "shown TITLE | TEXT", line feeds as "\n".

#include "data/Mirvola.h"
#include "forms/JedenProgram.h"
#include "forms/Toolkit.h"
#include "support/Faults.h"
#include "support/Operations.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

using namespace testing_support;
using namespace Qt::StringLiterals;

namespace {

int startProgram(const QStringList& args) {
    Mirvola::UstawKatalogProgramu(args[2]);
    User user;
    JedenProgram claim(Mirvola::SciezkaBazy());
    const bool claimed = claim.zajmij();
    std::printf("claimed %d\n", claimed ? 1 : 0);
    for (QString text : user.shown.all) {
        std::printf("shown %s\n", text.replace(u'\n', u"\\n"_s).toUtf8().constData());
    }
    std::fflush(stdout);
    if (claimed && args.value(3) == u"hold"_s) {
        while (std::getchar() != EOF) {
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::installToolkit();
    const QStringList args = QApplication::arguments();
    if (args.size() >= 3 && args[1] == u"program"_s) {
        return startProgram(args);
    }
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
    std::vector<int> publishing;
    {
        Faults faults;
        faults.killBeforeCall(kill);
        User user;
        operation->run(user, [&] { faults.arm(); });
        shown = user.shown;
        calls = faults.counts().total();
        publishing = faults.publishingCalls();
    }
    // One past the last call: the crash comes right after the operation, before the process
    // could end on its own.
    if (kill == calls + 1) {
        std::raise(SIGKILL);
    }
    std::printf("calls %d\n", calls);
    std::printf("publishing");
    for (const int call : publishing) {
        std::printf(" %d", call);
    }
    std::printf("\n");
    for (const auto& [kind, texts] :
         {std::pair{"shown", shown.all}, {"success", shown.successes}, {"error", shown.errors}}) {
        for (QString text : texts) {
            std::printf("%s %s\n", kind, text.replace(u'\n', u"\\n"_s).toUtf8().constData());
        }
    }
    return 0;
}
