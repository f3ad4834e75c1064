#include "forms/Dialogs.h"

#include "forms/Toolkit.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>

#include <algorithm>
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
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
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
        case Buttons::YesNoCancel:
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
        case Buttons::YesNoCancel:
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

// A date written out ("6 kwietnia 2010") is kept on one line when the text wraps.
QString unbreakableDates(const QString& text) {
    static const QRegularExpression date(
        QStringLiteral("\\b(\\d{1,2}) (stycznia|lutego|marca|kwietnia|maja|czerwca|lipca|sierpnia|"
                       "września|października|listopada|grudnia) (\\d{4})\\b"));
    QString result = text;
    result.replace(date, QStringLiteral("\\1\u00a0\\2\u00a0\\3"));
    return result;
}

// A file's name or path: a word with a dot between letters ("Mirvola.mdb") or one that starts a
// path ("/home/...", "~/...").
const QRegularExpression& fileNamePattern() {
    static const QRegularExpression pattern(QStringLiteral(R"((?<!\S)(?:[/~]\S*|\S*\w\.\w\S*))"));
    return pattern;
}

// File names and paths are never broken across lines (not at "przed-" / "przywroceniem", not
// after a slash): an invisible word joiner follows each of their signs.
QString unbreakableNames(const QString& text) {
    QString result;
    qsizetype done = 0;
    for (auto it = fileNamePattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        result += text.mid(done, m.capturedStart() - done);
        const QString name = m.captured();
        for (qsizetype i = 0; i < name.size(); ++i) {
            result += name[i];
            if (i + 1 < name.size() && !name[i].isLetterOrNumber()) {
                result += QChar(0x2060);
            }
        }
        done = m.capturedEnd();
    }
    return result + text.mid(done);
}

// The widest file name of the text: the box is at least as wide, so that none overflows.
int widestName(const QString& text, const QFontMetrics& metrics) {
    int widest = 0;
    for (auto it = fileNamePattern().globalMatch(text); it.hasNext();) {
        widest = std::max(widest, metrics.horizontalAdvance(it.next().captured()));
    }
    return widest;
}

// Room for the title in the window's title bar, beside the icon and the frame's buttons.
int titleWidth(const QWidget* box, const QString& title) {
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    return metrics.horizontalAdvance(title) +
           5 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
}

// Centred on the window of `parent` when that is on the screen, otherwise on the screen
// (a box shown while the program starts has no window to stand over yet), and never beyond
// the screen's edges.
void centre(QWidget* box, const QWidget* parent) {
    const QWidget* over = parent && parent->window()->isVisible() ? parent->window() : nullptr;
    const QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame = box->frameGeometry();
    frame.moveCenter(over ? over->frameGeometry().center() : screen->availableGeometry().center());
    box->move(naEkranie(frame, over).topLeft());
}

// The box takes its final size while it is being shown; only then can it be placed.
class MessageBox : public QMessageBox {
  public:
    MessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
               QMessageBox::StandardButtons buttons, QWidget* parent)
        : QMessageBox(icon, title, unbreakableNames(unbreakableDates(text)), buttons, parent),
          m_parent(parent) {
        // User texts (names, comments) are shown as typed, never read as markup.
        setTextFormat(Qt::PlainText);
        if (auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            const int most = screen ? screen->availableGeometry().width() * 9 / 10 : 800;
            label->setMinimumWidth(std::min(most, widestName(text, label->fontMetrics())));
        }
        if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
            grid->addItem(new QSpacerItem(titleWidth(this, title), 0, QSizePolicy::Minimum,
                                          QSizePolicy::Minimum),
                          grid->rowCount(), 0, 1, grid->columnCount());
        }
    }

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        centre(this, m_parent);
    }

  private:
    QWidget* m_parent;
};

// An input box stands in the middle of the screen, whatever window asks.
class InputBox : public QInputDialog {
  public:
    using QInputDialog::QInputDialog;

  protected:
    void showEvent(QShowEvent* event) override {
        QInputDialog::showEvent(event);
        centre(this, nullptr);
    }
};

Answer showMessage(QWidget* parent, const Message& m) {
    MessageBox box(messageIcon(m.icon), m.title, m.text, standardButtons(m.buttons), parent);
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
    InputBox dialog(parent);
    dialog.setWindowTitle(in.title);
    dialog.setLabelText(unbreakableDates(in.prompt));
    dialog.setTextValue(in.defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(polishName(dialog.okButtonText()));
    dialog.setCancelButtonText(polishName(dialog.cancelButtonText()));
    // The prompt names players as typed; it is never read as markup.
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
    }
    dialog.setMinimumWidth(titleWidth(&dialog, in.title));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

// "csv" of "Pliki CSV (*.csv)": the first extension the filter names.
QString extensionOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\*\.(\w+))"));
    return pattern.match(filter).captured(1);
}

// A name typed without an extension gets the filter's.
QString withExtension(const QString& path, const QString& filter) {
    const QString extension = extensionOf(filter);
    if (extension.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    return path + u'.' + extension;
}

std::optional<QString> showFileDialog(QWidget* parent, const FileRequest& request) {
    QString chosen;
    switch (request.mode) {
        case FileMode::Open:
            chosen = QFileDialog::getOpenFileName(parent, request.title, request.directory,
                                                  request.filter);
            break;
        case FileMode::Save: {
            // The dialog adds the extension itself, so that it asks before overwriting the
            // file that will really be written.
            QFileDialog dialog(parent, request.title,
                               QDir(request.directory).filePath(request.suggestedName),
                               request.filter);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setDefaultSuffix(extensionOf(request.filter));
            dialog.selectFile(QDir(request.directory).filePath(request.suggestedName));
            if (dialog.exec() == QDialog::Accepted) {
                chosen = dialog.selectedFiles().value(0);
            }
            break;
        }
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
    std::optional<QString> chosen =
        g_handler ? g_handler->file(parent, request) : showFileDialog(parent, request);
    if (chosen && request.mode == FileMode::Save) {
        chosen = withExtension(*chosen, request.filter);
    }
    return chosen;
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
