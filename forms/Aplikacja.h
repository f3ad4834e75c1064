#pragma once

#include <QApplication>

#include <exception>

// The program's application object. No exception ever leaves an event handler into the event
// loop, where it would end the program on the spot with whatever the diary was in the middle
// of: it is shown to the user as an error of the program, after the diary has been left safe.
class Aplikacja : public QApplication {
  public:
    Aplikacja(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The program from its start to its end: the diary used by one program at a time, the main
    // window, the event loop. Returns the process's exit code.
    int uruchom();
};

namespace ui {

// Leaves the diary safe after an exception that nobody handled (an open transaction rolled
// back, the shared recordset and connection closed, the busy cursor gone) and tells the user
// "Wystąpił błąd numer ..." with what went wrong.
void obsluzWyjatek(const std::exception_ptr& wyjatek) noexcept;

}  // namespace ui
