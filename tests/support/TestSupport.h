// Scripted answers for whole computations in tests, and a generator of
// answers for a network measured without error.
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
    if (perSecond == 10) {
        std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld%02lld%lld", negative ? "-" : "", d, m, total / 10, total % 10);
    } else {
        std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld%02lld", negative ? "-" : "", d, m, total);
    }
    return buffer;
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

enum class Known { AOnly, AWithB, AWithC };

// A central polygon of n triangles with its centre at (cx, cy): outer point k
// at distance radius[k] and direction (azimuth from the centre) direction[k]
// in decimal degrees, A being outer point 0. Produces the answers of one
// complete computation, every value accepted at once.
struct NetworkAnswers {
    int n = 6;
    Known known = Known::AOnly;
    double cx = 50, cy = 86.60254037844386;
    std::vector<double> radius;     // 0..n-1
    std::vector<double> direction;  // 0..n-1, increasing clockwise
    std::string tolerance = "10";

    double outerX(int k) const { return cx + radius[k % n] * std::cos(direction[k % n] * M_PI / 180); }
    double outerY(int k) const { return cy + radius[k % n] * std::sin(direction[k % n] * M_PI / 180); }

    std::vector<std::optional<std::string>> answers(int angleDecimals = 5) const {
        std::vector<std::optional<std::string>> a;
        auto confirmed = [&a](const std::string& value) {
            a.push_back(value);
            a.push_back(std::string());
        };
        auto num = [](double v, int decimals) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
            return std::string(buffer);
        };
        a.push_back(std::to_string(n));
        a.push_back(tolerance);
        confirmed(num(outerX(0), 4));
        confirmed(num(outerY(0), 4));
        const double xb = known == Known::AWithB ? outerX(n - 1) : 0, yb = known == Known::AWithB ? outerY(n - 1) : 0;
        confirmed(num(xb, 4));
        confirmed(num(yb, 4));
        if (known != Known::AWithB) {
            confirmed(num(known == Known::AWithC ? cx : 0, 4));
            confirmed(num(known == Known::AWithC ? cy : 0, 4));
        }
        if (known == Known::AOnly) {
            const double az = std::fmod(std::atan2(outerY(1) - outerY(0), outerX(1) - outerX(0)) * 180 / M_PI + 360, 360);
            confirmed(packedText(az, angleDecimals));
            confirmed("0");
        }
        const int rows = known == Known::AOnly ? n + 1 : n;
        for (int j = 0; j <= rows; ++j) confirmed("P" + std::to_string(j));
        auto dist = [](double x1, double y1, double x2, double y2) { return std::hypot(x2 - x1, y2 - y1); };
        for (int i = 1; i <= n; ++i) {
            const double r0 = radius[(i - 1) % n], r1 = radius[i % n];
            const double outer = dist(outerX(i - 1), outerY(i - 1), outerX(i), outerY(i));
            auto angleOpposite = [](double opposite, double p, double q) {
                return std::acos((p * p + q * q - opposite * opposite) / (2 * p * q)) * 180 / M_PI;
            };
            confirmed(packedText(angleOpposite(r1, r0, outer), angleDecimals));  // a(i) at outer i-1
            confirmed(packedText(angleOpposite(r0, r1, outer), angleDecimals));  // b(i) at outer i
            confirmed(packedText(angleOpposite(outer, r0, r1), angleDecimals));  // c(i) at the centre
        }
        for (int k = 1; k <= 2 * n; ++k) {
            if (k == 1 && known == Known::AWithC) continue;
            if (k == 2 * n && known == Known::AWithB) continue;
            double length;
            if (k % 2 == 1) length = radius[((k - 1) / 2) % n];
            else length = dist(outerX(k / 2 - 1), outerY(k / 2 - 1), outerX(k / 2), outerY(k / 2));
            confirmed(num(length, 4));
        }
        for (int k = 0; k < 2 * n + rows; ++k) a.push_back(std::string());  // pauses
        return a;
    }

    // A regular polygon of n equal triangles.
    static NetworkAnswers regular(int n, Known known, double r = 100) {
        NetworkAnswers net;
        net.n = n;
        net.known = known;
        for (int k = 0; k < n; ++k) {
            net.radius.push_back(r);
            net.direction.push_back(240 + 360.0 * k / n);
        }
        return net;
    }
};

}  // namespace kestrane::testing
