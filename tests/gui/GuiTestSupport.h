// Shared helpers of the window tests: the example computations, and a driver
// that answers the real modal dialogs as they open.
#pragma once

#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace kestrane::test {

using kestrane::testing::readFile;
std::filesystem::path goldenDir();
std::vector<std::string> splitLines(const std::string& text);

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

// Types the answer and confirms, or cancels for nullopt.
void answer(QInputDialog* dialog, const std::optional<std::string>& text);
void press(QMessageBox* box, QMessageBox::StandardButton button);

// Runs a command line and returns its standard output; status receives the
// exit status.
std::string capture(const std::string& command, int* status = nullptr);

}  // namespace kestrane::test
