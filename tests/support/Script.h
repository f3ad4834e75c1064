#pragma once

#include "forms/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

class QDialog;

namespace testing_support {

// A scripted user session: every message box, input box and modal window that the program
// shows must be the next one the script expects; each is answered from the script. A box the
// script did not expect, or an expectation left unused when the script ends, fails the test.
//
//   Script s;
//   s.message("Pytanie", "Czy dane są poprawne?", ui::Answer::Yes);
//   s.input("Kluby - dopisanie", "Podaj nowy klub (maksymalnie 21 znaków)", "Legia");
//   s.modal("frmGracz", [](QDialog* d) { ...drive the window...; d->close(); });
class Script : public ui::Handler {
  public:
    Script();
    ~Script() override;

    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    // Expects a message box with this title and exact text and answers it.
    Script& message(const QString& title, const QString& text, ui::Answer answer = ui::Answer::Ok);
    // Also checks buttons, icon and default button.
    Script& message(const ui::Message& expected, ui::Answer answer);
    // Expects an input box with this title and prompt; nullopt answers Cancel.
    Script& input(const QString& title, const QString& prompt, std::optional<QString> answer);
    // Same, and checks the default text offered.
    Script& input(const ui::Input& expected, std::optional<QString> answer);
    // Expects a file dialog with this title and answers it with a path (nullopt: Cancel);
    // `check`, when given, inspects the request (mode, folder, proposed name, filter).
    Script& file(const QString& title, std::optional<QString> answer,
                 std::function<void(const ui::FileRequest&)> check = {});
    // Expects a modal window whose objectName is `objectName`; `drive` works it (it may close it)
    // and the window's result code is returned to the opener.
    Script& modal(const QString& objectName, std::function<void(QDialog*)> drive = {});

    // Asked first for every message box; a value answers the box without using a step.
    std::function<std::optional<ui::Answer>(const ui::Message&)> intercept;
    // From now on error messages ("Błąd") are answered Ok and kept in errors(), not expected.
    Script& collectErrors();
    const QStringList& errors() const { return m_errors; }

    // Fails the test when expectations are left; called by the destructor too.
    void verify();
    bool done() const { return m_steps.empty(); }

    ui::Answer message(QWidget* parent, const ui::Message& message) override;
    std::optional<QString> input(QWidget* parent, const ui::Input& input) override;
    std::optional<QString> file(QWidget* parent, const ui::FileRequest& request) override;
    int modal(QDialog* dialog) override;

  private:
    struct Step;
    std::deque<Step> m_steps;
    QStringList m_errors;
    bool m_collectErrors = false;
    bool m_verified = false;
};

// The program's clock stopped at noon of `day` for the lifetime of the object.
class FixedClock {
  public:
    explicit FixedClock(const QDate& day) {
        ui::setClock([day] { return QDateTime(day, QTime(12, 0)); });
    }
    ~FixedClock() { ui::setClock({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

// The program's standard boxes: a question ("Pytanie", Yes/No), a notice ("Komunikat",
// exclamation mark) and an information ("Info").
ui::Message question(const QString& text, ui::Answer defaultButton = ui::Answer::Yes);
ui::Message notice(const QString& text);
ui::Message info(const QString& text);

}  // namespace testing_support
