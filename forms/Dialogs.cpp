#include "forms/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <array>
#include <utility>

namespace ui {
namespace {

Handler* g_handler = nullptr;
std::function<QDateTime()> g_clock;

QMessageBox::StandardButton standardButton(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return QMessageBox::Ok;
        case Answer::Cancel:
            return QMessageBox::Cancel;
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
        case Answer::Retry:
            return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons standardButtons(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon messageIcon(Icon icon) {
    switch (icon) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

Answer firstButton(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::Yes;
        case Buttons::RetryCancel:
            return Answer::Retry;
    }
    return Answer::Ok;
}

// The answer a box gives when it is closed without a button (Esc or the close box).
Answer escapeAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::OkCancel:
        case Buttons::RetryCancel:
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

// Qt's own Polish translation names the standard buttons; where it is not installed the
// buttons would read in English, so they get their Polish names here.
QString polishName(const QString& buttonText) {
    static const std::array<std::pair<const char*, const char*>, 5> names = {{
        {"OK", "OK"},
        {"Cancel", "Anuluj"},
        {"Yes", "&Tak"},
        {"No", "&Nie"},
        {"Retry", "&Ponów próbę"},
    }};
    QString bare = buttonText;
    bare.remove(u'&');
    for (const auto& [english, polish] : names) {
        if (bare == QLatin1String(english)) {
            return QString::fromUtf8(polish);
        }
    }
    return buttonText;
}

Answer showMessage(QWidget* parent, const Message& m) {
    QMessageBox box(messageIcon(m.icon), m.title, m.text, standardButtons(m.buttons), parent);
    box.setDefaultButton(standardButton(m.defaultButton));
    box.setEscapeButton(standardButton(escapeAnswer(m.buttons)));
    for (QAbstractButton* button : box.buttons()) {
        button->setText(polishName(button->text()));
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Retry:
            return Answer::Retry;
        default:
            return escapeAnswer(m.buttons);
    }
}

std::optional<QString> showInput(QWidget* parent, const Input& in) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(in.title);
    dialog.setLabelText(in.prompt);
    dialog.setTextValue(in.defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(polishName(dialog.okButtonText()));
    dialog.setCancelButtonText(polishName(dialog.cancelButtonText()));
    dialog.adjustSize();
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = dialog.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

std::optional<QString> showFileDialog(QWidget* parent, const FileRequest& request) {
    QString chosen;
    switch (request.mode) {
        case FileMode::Open:
            chosen = QFileDialog::getOpenFileName(parent, request.title, request.directory,
                                                  request.filter);
            break;
        case FileMode::Save:
            chosen = QFileDialog::getSaveFileName(
                parent, request.title, QDir(request.directory).filePath(request.suggestedName),
                request.filter);
            break;
        case FileMode::Directory:
            chosen = QFileDialog::getExistingDirectory(parent, request.title, request.directory);
            break;
    }
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

}  // namespace

Answer messageBox(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                  Icon icon, std::optional<Answer> defaultButton) {
    const Message m{title, text, buttons, icon, defaultButton.value_or(firstButton(buttons))};
    return g_handler ? g_handler->message(parent, m) : showMessage(parent, m);
}

std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                const QString& defaultText) {
    const Input in{title, prompt, defaultText};
    return g_handler ? g_handler->input(parent, in) : showInput(parent, in);
}

std::optional<QString> fileDialog(QWidget* parent, const FileRequest& request) {
    return g_handler ? g_handler->file(parent, request) : showFileDialog(parent, request);
}

int showModal(QDialog* dialog) {
    if (g_handler) {
        return g_handler->modal(dialog);
    }
    const int result = dialog->exec();
    // Some window managers leave no window active when a modal window closes right after one
    // of its pop-ups (the date picker's calendar); the opener takes the keyboard back itself.
    if (QWidget* opener = dialog->parentWidget()) {
        opener->window()->activateWindow();
    }
    return result;
}

QDateTime now() {
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

QDate today() {
    return now().date();
}

void setHandler(Handler* handler) {
    g_handler = handler;
}

void setClock(std::function<QDateTime()> clock) {
    g_clock = std::move(clock);
}

}  // namespace ui
