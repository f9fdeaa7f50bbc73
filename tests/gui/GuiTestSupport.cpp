#include "GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace kestrane::test {

std::filesystem::path goldenDir() { return KESTRANE_GOLDEN_DIR; }

std::filesystem::path examplePath(const std::string& name) {
    return std::filesystem::path(KESTRANE_EXAMPLES_DIR) / (name + ".kestrane.toml");
}

QString exampleFile(const std::string& name) { return QString::fromStdString(examplePath(name).string()); }

std::map<std::string, std::string> fieldTexts(const QWidget& window) {
    std::map<std::string, std::string> texts;
    for (QLineEdit* field : window.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        texts[field->objectName().toStdString()] = field->text().toStdString();
    return texts;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::filesystem::path scratchFolder() { return kestrane::testing::processFolder(); }

std::filesystem::path scratchFile(const std::string& suffix) {
    const auto dir = scratchFolder();
    std::filesystem::create_directories(dir);
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    const auto path = dir / (name + "-" + suffix);
    std::filesystem::remove(path);
    return path;
}

std::vector<TranscriptEvent> readTranscript(const std::filesystem::path& path) {
    std::vector<TranscriptEvent> events;
    for (const std::string& line : splitLines(readFile(path))) {
        if (line.empty()) continue;
        const auto j = nlohmann::json::parse(line);
        TranscriptEvent e;
        e.event = j.at("event").get<std::string>();
        if (e.event == "ask") {
            e.prompt = j.at("prompt").get<std::string>();
            e.title = j.at("title").get<std::string>();
            if (!j.at("answer").is_null()) e.answer = j.at("answer").get<std::string>();
        } else {
            e.value = j.at("value").get<std::string>();
            if (j.contains("name")) e.name = j.at("name").get<std::string>();
        }
        events.push_back(std::move(e));
    }
    return events;
}

DialogDriver::DialogDriver(std::function<void(QWidget*)> handler) : handler_(std::move(handler)) {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

DialogDriver::~DialogDriver() { timer_.stop(); }

void DialogDriver::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property("kestraneTestSeen").toBool()) return;
    modal->setProperty("kestraneTestSeen", true);
    handler_(modal);
}

std::vector<std::string> closingDialogs(const std::function<void()>& action, int* dialogs) {
    std::vector<std::string> messages;
    int opened = 0;
    {
        DialogDriver driver([&](QWidget* dialog) {
            ++opened;
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) messages.push_back(box->text().toStdString());
            dialog->close();
        });
        action();
    }
    if (dialogs) *dialogs = opened;
    return messages;
}

void ScriptedDialogs::handle(QWidget* dialog) {
    if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
        prompts.push_back(input->labelText().toStdString());
        std::optional<std::string> a;
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
        answer(input, a);
    } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        messages.push_back(box->text().toStdString());
        if (giveUp && box->objectName() == "giveUp") {
            press(box, *giveUp);
        } else if (box->button(QMessageBox::Yes)) {
            const bool y = yes.empty() || yes.front();
            if (!yes.empty()) yes.pop_front();
            press(box, y ? QMessageBox::Yes : QMessageBox::No);
        } else {
            press(box, QMessageBox::Ok);
        }
    } else if (auto* files = qobject_cast<QFileDialog*>(dialog); files && !file.empty()) {
        choose(files, file);
    } else {
        dialog->close();
    }
}

DialogDriver answeringPrompts(std::deque<std::optional<std::string>> answers,
                              std::function<bool(int, QInputDialog*)> onPrompt) {
    return DialogDriver([answers = std::move(answers), onPrompt = std::move(onPrompt), prompts = 0](
                            QWidget* dialog) mutable {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        if (!input) {
            ADD_FAILURE() << "unexpected dialog " << dialog->metaObject()->className();
            dialog->close();
        } else if (!onPrompt || !onPrompt(++prompts, input)) {
            answer(input, answers.empty() ? std::nullopt : answers.front());
            if (!answers.empty()) answers.pop_front();
        }
    });
}

std::deque<std::optional<std::string>> goldenAnswers(const std::string& name) {
    std::deque<std::optional<std::string>> answers;
    for (const std::string& line : splitLines(readFile(goldenDir() / (name + ".answers.txt")))) answers.push_back(line);
    return answers;
}

ScriptedDialogs answering(ScriptedDialogs script, const std::function<void()>& action) {
    DialogDriver driver([&](QWidget* dialog) { script.handle(dialog); });
    action();
    return script;
}

ScriptedDialogs clickWith(QWidget& window, const char* button, ScriptedDialogs script) {
    return answering(std::move(script), [&] { window.findChild<QPushButton*>(button)->click(); });
}

void choose(QFileDialog* dialog, const std::filesystem::path& file) {
    dialog->selectFile(QString::fromStdString(file.string()));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

void answer(QInputDialog* dialog, const std::optional<std::string>& text) {
    if (text) {
        dialog->setTextValue(QString::fromStdString(*text));
        dialog->accept();
    } else {
        dialog->reject();
    }
}

void press(QMessageBox* box, QMessageBox::StandardButton button) {
    if (QAbstractButton* b = box->button(button)) {
        b->click();
    } else {
        box->reject();
    }
}

std::string capture(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    const int rc = pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

}  // namespace kestrane::test
