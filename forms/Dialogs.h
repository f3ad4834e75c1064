#pragma once

#include <QDateTime>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

// The one seam for every modal interaction of the program and for the clock. The program shows
// real dialogs; a test installs a Handler that answers them from a script (tests/support).
namespace ui {

enum class Buttons { Ok, OkCancel, YesNo, RetryCancel, YesNoCancel };
enum class Icon { None, Information, Question, Exclamation, Critical };
enum class Answer { Ok, Cancel, Yes, No, Retry };

// The titles the program's message boxes share.
namespace tytul {
inline const QString kPytanie = QStringLiteral("Pytanie");
inline const QString kInfo = QStringLiteral("Info");
inline const QString kKomunikat = QStringLiteral("Komunikat");
inline const QString kBlad = QStringLiteral("Błąd");
}  // namespace tytul

struct Message {
    QString title;
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Answer defaultButton = Answer::Ok;
};

struct Input {
    QString title;
    QString prompt;
    QString defaultText;
};

enum class FileMode { Open, Save, Directory };

// A file or folder to choose: a file to open, a name to save under, or a folder.
struct FileRequest {
    FileMode mode = FileMode::Open;
    QString title;
    QString directory;      // where the dialog starts
    QString suggestedName;  // Save: the proposed file name
    QString filter;         // e.g. "Pliki CSV (*.csv)"; empty: every file
};

// Message box. Without an explicit default the first button (OK, Yes or Retry) is the default.
Answer messageBox(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                  Icon icon, std::optional<Answer> defaultButton = std::nullopt);

// Input box: the text typed, or nothing for Cancel. The box is centred on the screen.
std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                const QString& defaultText = QString());

// File dialog: the chosen path, or nothing for Cancel. A save dialog asks itself before it
// overwrites an existing file, and a name chosen without an extension gets the filter's
// ("mecze" is "mecze.csv" under "Pliki CSV (*.csv)").
std::optional<QString> fileDialog(QWidget* parent, const FileRequest& request);

// Shows a window modally and returns its result code when it has closed.
int showModal(QDialog* dialog);

// Today's date and time; tests may set a fixed clock.
QDateTime now();
QDate today();

class Handler {
  public:
    virtual ~Handler() = default;
    virtual Answer message(QWidget* parent, const Message& message) = 0;
    virtual std::optional<QString> input(QWidget* parent, const Input& input) = 0;
    virtual std::optional<QString> file(QWidget* parent, const FileRequest& request) = 0;
    virtual int modal(QDialog* dialog) = 0;
};

// Installs a handler (nullptr: real dialogs again). The handler is not owned.
void setHandler(Handler* handler);
void setClock(std::function<QDateTime()> clock);  // empty function: the system clock

}  // namespace ui
