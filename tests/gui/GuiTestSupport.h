// Shared helpers of the window tests: the example computations, and a driver
// that answers the real modal dialogs as they open.
#pragma once

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace kestrane::test {

using kestrane::testing::readFile;
std::filesystem::path goldenDir();
std::vector<std::string> splitLines(const std::string& text);

// A shipped example, examples/<name>.kestrane.toml; exampleFile gives its
// path as the window opens it.
std::filesystem::path examplePath(const std::string& name);
QString exampleFile(const std::string& name);

// The text of every field of a window (its line edits), by name.
std::map<std::string, std::string> fieldTexts(const QWidget& window);

// A file of this test process's own scratch folder, named after the running
// test and the given suffix, so that tests run side by side never share one.
std::filesystem::path scratchFile(const std::string& suffix);
std::filesystem::path scratchFolder();

// One line of a console transcript.
struct TranscriptEvent {
    std::string event;  // text, caption, ask, message
    std::string name, value, prompt, title;
    std::optional<std::string> answer;
};
std::vector<TranscriptEvent> readTranscript(const std::filesystem::path& path);

// Calls the handler once for every modal dialog that opens while it lives;
// the handler must close the dialog.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(QWidget*)> handler);
    ~DialogDriver();

private:
    void poll();
    std::function<void(QWidget*)> handler_;
    QTimer timer_;
};

// Runs the action while closing every modal dialog that opens; returns the
// texts of the message boxes among them, and counts all of them in dialogs.
std::vector<std::string> closingDialogs(const std::function<void()>& action, int* dialogs = nullptr);

// Chooses the file in a file dialog and accepts it.
void choose(QFileDialog* dialog, const std::filesystem::path& file);

// Answers the window's dialogs as a user would: each prompt from `answers`
// in order (nullopt cancels, as does the list run out); each question with a
// Yes button from `yes` (yes when it runs out), the give-up question by
// `giveUp` when given; any other message box with OK; a file dialog with
// `file`. The prompts' and message boxes' texts are kept.
struct ScriptedDialogs {
    std::deque<std::optional<std::string>> answers{};
    std::deque<bool> yes{};
    std::optional<QMessageBox::StandardButton> giveUp{};
    std::filesystem::path file{};
    std::vector<std::string> prompts{}, messages{};
    void handle(QWidget* dialog);
};

// Answers each prompt from `answers` in order, cancelling once they run out;
// `onPrompt`, when given, sees each prompt first (numbered from 1) and
// answers it itself by returning true. Any other dialog fails the test and
// is closed.
DialogDriver answeringPrompts(std::deque<std::optional<std::string>> answers,
                              std::function<bool(int, QInputDialog*)> onPrompt = {});

// The answers of a golden computation, one a line.
std::deque<std::optional<std::string>> goldenAnswers(const std::string& name);

// Runs the action, or clicks the window's button, while `script` answers the
// dialogs it opens; returns the script as the action left it.
ScriptedDialogs answering(ScriptedDialogs script, const std::function<void()>& action);
ScriptedDialogs clickWith(QWidget& window, const char* button, ScriptedDialogs script = {});

// Types the answer and confirms, or cancels for nullopt.
void answer(QInputDialog* dialog, const std::optional<std::string>& text);
void press(QMessageBox* box, QMessageBox::StandardButton button);

// Runs a command line and returns its standard output; status receives the
// exit status.
std::string capture(const std::string& command, int* status = nullptr);

}  // namespace kestrane::test
