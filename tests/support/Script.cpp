#include "support/Script.h"

#include <QDialog>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace testing_support {

struct Script::Step {
    enum class Kind { Message, Input, Modal, File } kind = Kind::Message;
    ui::Message message;
    bool checkMessageDetails = false;
    ui::Input input;
    bool checkDefaultText = false;
    ui::Answer answer = ui::Answer::Ok;
    std::optional<QString> inputAnswer;
    QString objectName;
    std::function<void(QDialog*)> drive;
    QString fileTitle;
    std::function<void(const ui::FileRequest&)> checkFile;
};

namespace {

// Names for failure messages, in the order of the enums.
const char* name(ui::Buttons b) {
    static const char* const names[] = {"Ok", "OkCancel", "YesNo", "RetryCancel", "YesNoCancel"};
    return names[static_cast<int>(b)];
}
const char* name(ui::Answer a) {
    static const char* const names[] = {"Ok", "Cancel", "Yes", "No", "Retry"};
    return names[static_cast<int>(a)];
}

}  // namespace

Script::Script() {
    ui::setHandler(this);
}

Script::~Script() {
    ui::setHandler(nullptr);
    if (!m_verified) {
        verify();
    }
}

Script& Script::message(const QString& title, const QString& text, ui::Answer answer) {
    message(ui::Message{title, text}, answer);
    m_steps.back().checkMessageDetails = false;
    return *this;
}

Script& Script::message(const ui::Message& expected, ui::Answer answer) {
    Step s;
    s.message = expected;
    s.checkMessageDetails = true;
    s.answer = answer;
    m_steps.push_back(std::move(s));
    return *this;
}

Script& Script::input(const QString& title, const QString& prompt, std::optional<QString> answer) {
    input(ui::Input{title, prompt, QString()}, std::move(answer));
    m_steps.back().checkDefaultText = false;
    return *this;
}

Script& Script::input(const ui::Input& expected, std::optional<QString> answer) {
    Step s;
    s.kind = Step::Kind::Input;
    s.input = expected;
    s.checkDefaultText = true;
    s.inputAnswer = std::move(answer);
    m_steps.push_back(std::move(s));
    return *this;
}

Script& Script::file(const QString& title, std::optional<QString> answer,
                     std::function<void(const ui::FileRequest&)> check) {
    Step s;
    s.kind = Step::Kind::File;
    s.fileTitle = title;
    s.inputAnswer = std::move(answer);
    s.checkFile = std::move(check);
    m_steps.push_back(std::move(s));
    return *this;
}

Script& Script::modal(const QString& objectName, std::function<void(QDialog*)> drive) {
    Step s;
    s.kind = Step::Kind::Modal;
    s.objectName = objectName;
    s.drive = std::move(drive);
    m_steps.push_back(std::move(s));
    return *this;
}

void Script::verify() {
    m_verified = true;
    const char* const kinds[] = {"message box", "input box", "modal window", "file dialog"};
    for (const Step& s : m_steps) {
        const QString what =
            s.kind == Step::Kind::Message ? s.message.title + u" | "_s + s.message.text
            : s.kind == Step::Kind::Input ? s.input.title + u" | "_s + s.input.prompt
            : s.kind == Step::Kind::File  ? s.fileTitle
                                          : s.objectName;
        ADD_FAILURE() << "expected " << kinds[static_cast<int>(s.kind)]
                      << " never shown: " << what.toStdString();
    }
    m_steps.clear();
}

Script& Script::collectErrors() {
    m_collectErrors = true;
    return *this;
}

ui::Answer Script::message(QWidget*, const ui::Message& m) {
    if (intercept) {
        if (const auto answer = intercept(m)) {
            return *answer;
        }
    }
    if (m_collectErrors && m.title == u"Błąd"_s) {
        EXPECT_EQ(static_cast<int>(m.icon), static_cast<int>(ui::Icon::Critical));
        m_errors << m.text;
        return ui::Answer::Ok;
    }
    if (m_steps.empty() || m_steps.front().kind != Step::Kind::Message) {
        ADD_FAILURE() << "unexpected message box: " << m.title.toStdString() << " | "
                      << m.text.toStdString();
        return m.buttons == ui::Buttons::YesNo ? ui::Answer::No : ui::Answer::Cancel;
    }
    Step s = std::move(m_steps.front());
    m_steps.pop_front();
    EXPECT_EQ(s.message.title.toStdString(), m.title.toStdString());
    EXPECT_EQ(s.message.text.toStdString(), m.text.toStdString());
    if (s.checkMessageDetails) {
        EXPECT_STREQ(name(s.message.buttons), name(m.buttons)) << m.text.toStdString();
        EXPECT_EQ(static_cast<int>(s.message.icon), static_cast<int>(m.icon))
            << m.text.toStdString();
        EXPECT_STREQ(name(s.message.defaultButton), name(m.defaultButton)) << m.text.toStdString();
    }
    return s.answer;
}

std::optional<QString> Script::input(QWidget*, const ui::Input& in) {
    if (m_steps.empty() || m_steps.front().kind != Step::Kind::Input) {
        ADD_FAILURE() << "unexpected input box: " << in.title.toStdString() << " | "
                      << in.prompt.toStdString();
        return std::nullopt;
    }
    Step s = std::move(m_steps.front());
    m_steps.pop_front();
    EXPECT_EQ(s.input.title.toStdString(), in.title.toStdString());
    EXPECT_EQ(s.input.prompt.toStdString(), in.prompt.toStdString());
    if (s.checkDefaultText) {
        EXPECT_EQ(s.input.defaultText.toStdString(), in.defaultText.toStdString());
    }
    return s.inputAnswer;
}

std::optional<QString> Script::file(QWidget*, const ui::FileRequest& request) {
    if (m_steps.empty() || m_steps.front().kind != Step::Kind::File) {
        ADD_FAILURE() << "unexpected file dialog: " << request.title.toStdString();
        return std::nullopt;
    }
    Step s = std::move(m_steps.front());
    m_steps.pop_front();
    EXPECT_EQ(s.fileTitle.toStdString(), request.title.toStdString());
    if (s.checkFile) {
        s.checkFile(request);
    }
    return s.inputAnswer;
}

int Script::modal(QDialog* dialog) {
    if (m_steps.empty() || m_steps.front().kind != Step::Kind::Modal) {
        ADD_FAILURE() << "unexpected modal window: " << dialog->objectName().toStdString();
        return QDialog::Rejected;
    }
    Step s = std::move(m_steps.front());
    m_steps.pop_front();
    EXPECT_EQ(s.objectName.toStdString(), dialog->objectName().toStdString());
    dialog->setModal(true);
    dialog->show();
    if (!s.drive) {
        dialog->close();
    } else {
        s.drive(dialog);
        // A driver that leaves the window open ends it without its closing logic.
        if (dialog->isVisible()) {
            dialog->done(QDialog::Rejected);
        }
    }
    return dialog->result();
}

ui::Message question(const QString& text, ui::Answer defaultButton) {
    return {u"Pytanie"_s, text, ui::Buttons::YesNo, ui::Icon::Question, defaultButton};
}

ui::Message notice(const QString& text) {
    return {u"Komunikat"_s, text, ui::Buttons::Ok, ui::Icon::Exclamation, ui::Answer::Ok};
}

ui::Message info(const QString& text) {
    return {u"Info"_s, text, ui::Buttons::Ok, ui::Icon::Information, ui::Answer::Ok};
}

}  // namespace testing_support
