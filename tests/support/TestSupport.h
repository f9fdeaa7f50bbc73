// Scripted answers for whole computations in tests (the networks they
// answer for come from NetworkFixture.h).
#pragma once

#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "driver/ComputationDriver.h"
#include "state/AdjustmentState.h"
#include "state/Services.h"

namespace kestrane::testing {

// The whole content of a file ("" when it cannot be read).
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The folder of this test process's own (ctest runs tests side by side):
// <temp>/kestrane-<pid>, removed when the process ends with every test
// passed, kept for a look otherwise.
inline std::filesystem::path processFolder() {
    static const struct Folder {
        int pid = ::getpid();
        std::filesystem::path path = std::filesystem::temp_directory_path() / ("kestrane-" + std::to_string(pid));
        ~Folder() {
            std::error_code ignored;
            if (::getpid() == pid && ::testing::UnitTest::GetInstance()->Passed()) {
                std::filesystem::remove_all(path, ignored);
            }
        }
    } folder;
    return folder.path;
}

// An empty folder of this test process's own: <process folder>/<name>,
// emptied if it was there.
inline std::filesystem::path freshFolder(const std::string& name) {
    const auto dir = processFolder() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Answers the prompts from a list; an exhausted list is a cancelled prompt.
class ScriptedPrompt : public PromptService {
public:
    struct Ask {
        std::string prompt;
        std::string title;
        std::optional<std::string> answer;
        // The texts of the fields watched, as they stood while the prompt was open.
        std::vector<std::string> watched;
    };

    explicit ScriptedPrompt(std::vector<std::optional<std::string>> answers, const WindowFields* window = nullptr,
                            std::vector<std::string> watch = {})
        : answers_(answers.begin(), answers.end()), window_(window), watch_(std::move(watch)) {}
    explicit ScriptedPrompt(const std::vector<std::string>& answers)
        : answers_(answers.begin(), answers.end()), window_(nullptr) {}

    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override {
        Ask a{prompt, title, std::nullopt, {}};
        if (window_) for (const auto& name : watch_) a.watched.push_back(window_->text(name));
        if (!answers_.empty()) {
            a.answer = answers_.front();
            answers_.pop_front();
        }
        asks.push_back(a);
        return a.answer;
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool confirmAbandon() override {
        ++abandonQuestions;
        return abandon || answers_.empty();  // a finished script always abandons
    }

    std::vector<Ask> asks;
    std::vector<std::string> messages;
    int abandonQuestions = 0;
    bool abandon = true;

private:
    std::deque<std::optional<std::string>> answers_;
    const WindowFields* window_;
    std::vector<std::string> watch_;
};

// One computation with the given answers.
struct RunRecord {
    AdjustmentState state;
    WindowFields window;
    RunResult result;
    std::vector<ScriptedPrompt::Ask> asks;
    std::vector<std::string> messages;
};

inline RunRecord runComputation(const std::vector<std::optional<std::string>>& answers, std::vector<std::string> watch = {}) {
    RunRecord run;
    ScriptedPrompt prompt(answers, &run.window, std::move(watch));
    Services io{prompt, run.window};
    run.result = Command1_Click(run.state, io);
    run.asks = prompt.asks;
    run.messages = prompt.messages;
    return run;
}

// Decimal degrees -> packed d.mmss text as a surveyor types it: whole
// seconds with 4 decimals, tenths of a second with 5.
inline std::string packedText(double degrees, int decimals = 5) {
    const long long perSecond = decimals >= 5 ? 10 : 1;
    const bool negative = degrees < 0;
    long long total = std::llround(std::fabs(degrees) * 3600 * perSecond);
    const long long d = total / (3600 * perSecond);
    total %= 3600 * perSecond;
    const long long m = total / (60 * perSecond);
    total %= 60 * perSecond;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld%02lld", negative ? "-" : "", d, m, total / perSecond);
    return perSecond == 10 ? buffer + std::to_string(total % 10) : std::string(buffer);
}

// Packed d.mmss text -> decimal degrees, read by its digits: degrees, two
// digits of minutes, three of tenths of seconds.
inline double packedDegrees(const std::string& packed) {
    const double value = std::stod(packed);
    const long long digits = std::llround(std::fabs(value) * 1e5);
    const long long d = digits / 100000, mm = (digits / 1000) % 100, tenths = digits % 1000;
    return (value < 0 ? -1 : 1) *
           (static_cast<double>(d) + static_cast<double>(mm) / 60 + static_cast<double>(tenths) / 36000);
}

// The example computations of tests/data/golden (answers, transcript and
// report), and an example's name as a test name.
inline constexpr const char* kGoldenExamples[] = {"aonly-n3", "aonly-n6-exact", "aonly-n9", "awithb-n5", "awithc-n4"};
inline std::string exampleTestName(const ::testing::TestParamInfo<const char*>& info) {
    std::string id = info.param;
    for (char& c : id) {
        if (c == '-') c = '_';
    }
    return id;
}

}  // namespace kestrane::testing
