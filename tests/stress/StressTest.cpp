// Stress: thousands of random central polygons surveyed with noise, typed in
// by a scripted surveyor (with typos rejected at the confirmation and
// answers that are no number), adjusted, and checked against what a
// surveyor relies on:
// - every condition holds for the adjusted angles and sides: triangle sums
//   of 180 degrees, the sine-rule side conditions, the horizon of 360;
// - the traverse closes on the known point it ends at (A, B or the centre);
// - the corrections are small against the noise put in: in the weighted
//   norm of the adjustment, [vv] + [pvv] never exceeds the same sum over
//   the true errors of the typed values (so neither does mb), no angle
//   correction exceeds 2.5 times the largest angle error, and the adjusted
//   sides and points stay within what that noise can do through the chain
//   of triangles;
// - the window shows what was typed and what was computed, and the report
//   prints the same numbers as the fields (result rows, precision figures,
//   horizon misclosure).
//
// KESTRANE_STRESS_NETWORKS sets the number of networks of each test (default
// 800); KESTRANE_STRESS_SEED changes the random sequence. A failure names
// the seed and network that reproduce it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "NetworkFixture.h"
#include "driver/ComputationDriver.h"
#include "prompting/PromptTexts.h"
#include "results/Report.h"
#include "results/TextReport.h"

using namespace kestrane;

namespace {

constexpr double kAngleNoise = 3;      // largest angle error, seconds (before the 0.1" of typing)
constexpr double kSideNoise = 0.003;   // largest side error, metres

// ---------------------------------------------------------------------------
// A random network of the test generator (every kind, errors within the
// noise) with what the checks read of it.

using kestrane::testing::packedDegrees;
using fixture::azimuth;
using fixture::distance;
using fixture::Point;

struct Network : fixture::NetworkInput {
    int rows() const { return known == KnownPointCase::AOnly ? n + 1 : n; }
    Point a() const { return outer[0]; }
    // The known point the traverse ends at.
    Point closure() const {
        switch (known) {
        case KnownPointCase::AWithB: return outer.back();
        case KnownPointCase::AWithC: return centre;
        default: return outer[0];
        }
    }
    // The true position of result row i (1..rows()).
    Point row(int i) const {
        const int lastOuter = known == KnownPointCase::AWithB ? n - 2 : n - 1;
        if (i <= lastOuter) return outer[static_cast<std::size_t>(i)];
        if (i == lastOuter + 1) return centre;
        return closure();
    }
    // The side the known points give: not typed.
    int knownSide() const { return known == KnownPointCase::AWithB ? 2 * n : known == KnownPointCase::AWithC ? 1 : 0; }
    bool sideTyped(int k) const { return k != knownSide(); }
    double typedAngle(int j) const { return packedDegrees(angles[static_cast<std::size_t>(j)]); }
    double typedSide(int k) const { return std::stod(sides[static_cast<std::size_t>(k)]); }
};

Network makeNetwork(KnownPointCase known, std::mt19937_64& rng) {
    const int n = std::uniform_int_distribution<int>(3, 60)(rng);
    Network net{fixture::randomNetwork(n, known, rng, {kAngleNoise, kSideNoise * 1000, true, true})};
    net.tolerance = std::vector<std::string>{"1", "2.5", "5", "10", "20"}[rng() % 5];
    // Names: A, the chain, the closure point (A's name again when the
    // traverse returns to A); now and then Chinese.
    const bool chinese = std::uniform_real_distribution<double>(0, 1)(rng) < 0.3;
    for (int i = 0; i <= net.rows(); ++i) net.names.push_back((chinese ? "点" : "P") + std::to_string(i));
    if (known == KnownPointCase::AOnly) net.names.back() = net.names[0];
    return net;
}

// ---------------------------------------------------------------------------
// The scripted surveyor.

bool isConfirmation(const std::string& prompt) { return prompt.find("确认") != std::string::npos; }

// Answers every prompt of one computation from the network. A value is now
// and then first typed wrong and rejected at its confirmation (0, " 0 ",
// -0 or 0.0) before the right one is typed; a number is now and then first
// answered with text that is no number.
class Surveyor : public PromptService {
public:
    Surveyor(const Network& net, std::mt19937_64& rng) : rng_(rng) {
        using namespace texts;
        const int n = net.n;
        answers_ = {{kTriangleCount, std::to_string(n)}, {kTolerance, net.tolerance}, {kXaValue, net.Xa},
                    {kYaValue, net.Ya}, {kXbValue, net.Xb}, {kYbValue, net.Yb}, {kXcValue, net.Xc}, {kYcValue, net.Yc},
                    {kT0Value, net.T0}, {kQaValue, net.Qa}, {kStartName, net.names[0]}};
        for (int j = 1; j < net.rows(); ++j) {
            answers_[kChainNameBefore + std::to_string(j) + kChainNameAfter] = net.names[static_cast<std::size_t>(j)];
        }
        answers_[kClosureName] = net.names[static_cast<std::size_t>(net.rows())];
        for (int i = 1; i <= n; ++i) {
            const std::string number = std::to_string(i);
            answers_[kTriangleBefore + number + kDistanceAngleAfter] = net.angles[static_cast<std::size_t>(3 * i - 2)];
            answers_[kTriangleBefore + number + kForwardAngleAfter] = net.angles[static_cast<std::size_t>(3 * i - 1)];
            answers_[kTriangleBefore + number + kCentralAngleAfter] = net.angles[static_cast<std::size_t>(3 * i)];
        }
        answers_[kFirstSide] = net.sides[1];
        for (int k = 2; k < 2 * n; ++k) {
            answers_[kMiddleSideBefore + std::to_string(k) + kMiddleSideAfter] = net.sides[static_cast<std::size_t>(k)];
        }
        answers_[kLastSideBefore + std::to_string(2 * n) + kMiddleSideAfter] = net.sides[static_cast<std::size_t>(2 * n)];
        reentry_ = {kXReentry,       kYReentry,         kT0Reentry,           kQaReentry,          kNameReentry,
                    kClosureReentry, kDistanceAngleReentry, kForwardAngleReentry, kCentralAngleReentry, kSideReentry};
    }

    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override {
        if (prompt == texts::kSideMisclosurePause || prompt == texts::kResultPause) {
            if (prompt == texts::kResultPause) ++resultPauses_;
            return pick<std::optional<std::string>>({std::string(), std::nullopt, std::string("ok")});
        }
        if (isConfirmation(prompt)) {
            if (rejectionsLeft_ > 0) {
                --rejectionsLeft_;
                ++rejections_;
                return pick<std::optional<std::string>>({"0", " 0 ", "-0", "0.0"});
            }
            return pick<std::optional<std::string>>({std::string(), std::nullopt, "1", "0.5", "y"});
        }
        if (reentry_.count(prompt)) return rejectionsLeft_ > 0 ? wrong() : current_;

        const auto it = answers_.find(prompt);
        if (it == answers_.end()) {
            ADD_FAILURE() << "unexpected prompt: " << prompt << " [" << title << "]";
            return std::nullopt;
        }
        const bool numeric = prompt.find("点名") == std::string::npos;
        if (numeric && prompt != lastRefused_ && chance(0.02)) {
            // Refused with a message and asked again.
            lastRefused_ = prompt;
            ++refusals_;
            return pick<std::string>({"", "abc", "1..2", "e5"});
        }
        lastRefused_.clear();
        current_ = it->second;
        numericCurrent_ = numeric;
        const bool confirmed = prompt != texts::kTriangleCount && prompt != texts::kTolerance;
        rejectionsLeft_ = confirmed && chance(0.08) ? 1 + static_cast<int>(rng_() % 2) : 0;
        return rejectionsLeft_ > 0 ? wrong() : current_;
    }

    void showMessage(const std::string& text) override { messages_.push_back(text); }
    bool confirmAbandon() override { return true; }

    int refusals() const { return refusals_; }
    int rejections() const { return rejections_; }
    int resultPauses() const { return resultPauses_; }
    const std::vector<std::string>& messages() const { return messages_; }

private:
    template <typename T>
    T pick(std::initializer_list<T> choices) {
        return *(choices.begin() + static_cast<std::ptrdiff_t>(rng_() % choices.size()));
    }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    // A typo: a value that differs from the right one.
    std::string wrong() { return numericCurrent_ ? current_ + "7" : current_ + "x"; }

    std::mt19937_64& rng_;
    std::map<std::string, std::string> answers_;
    std::set<std::string> reentry_;
    std::string current_;
    bool numericCurrent_ = false;
    int rejectionsLeft_ = 0;
    std::string lastRefused_;
    int refusals_ = 0, rejections_ = 0, resultPauses_ = 0;
    std::vector<std::string> messages_;
};

// The last text of every field, and the result rows as each was shown.
class FieldLog : public FieldObserver {
public:
    void textChanged(const std::string& name, const std::string& value) override {
        text[name] = value;
        if (name == "Text27") rows.push_back({text["Text25"], text["Text26"], value});
    }
    void captionChanged(const std::string&, const std::string&) override {}

    struct Row {
        std::string name, x, y;
    };
    std::map<std::string, std::string> text;
    std::vector<Row> rows;
};

// ---------------------------------------------------------------------------
// Reading numbers back from field texts and the report.

// The number in a field text: a leading blank, the number, a unit.
double fieldNumber(const std::string& text) {
    std::istringstream in(text);
    double v = NAN;
    in >> v;
    return v;
}

// The number after the first `label` in the report text (after `from`).
double reportNumber(const std::string& report, const std::string& label, std::size_t from = 0) {
    const std::size_t at = report.find(label, from);
    if (at == std::string::npos) return NAN;
    return fieldNumber(report.substr(at + label.size(), 40));
}

// The coordinate rows of the report, A first.
std::vector<Point> reportRows(const std::string& report) {
    const std::size_t begin = report.find("平差结果 :");
    const std::size_t end = report.find("精度评定 :");
    std::vector<Point> rows;
    if (begin == std::string::npos || end == std::string::npos) return rows;
    const std::string part = report.substr(begin, end - begin);
    static const std::regex row(R"(x= (-?[0-9]+\.[0-9]{3})\s*y= (-?[0-9]+\.[0-9]{3}))");
    for (auto it = std::sregex_iterator(part.begin(), part.end(), row); it != std::sregex_iterator(); ++it) {
        rows.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    }
    return rows;
}

// ---------------------------------------------------------------------------
// One network, end to end.

constexpr double kFd = 3.1415926535 / 180;  // the degree-to-radian factor of the conditions

std::string describe(const Network& net, unsigned long long seed, int index) {
    return "network " + std::to_string(index) + " of seed " + std::to_string(seed) + ": " +
           fixture::caseName(net.known) + ", n = " + std::to_string(net.n);
}

// The rejected typos and the refused answers of all networks.
struct Tally {
    int rejections = 0, refusals = 0;
};

void checkNetwork(AdjustmentState& s, WindowFields& window, FieldLog& log, const Network& net, std::mt19937_64& rng,
                  const std::string& where, Tally& tally) {
    SCOPED_TRACE(where);
    Surveyor surveyor(net, rng);
    log.rows.clear();
    log.text.clear();
    Services io{surveyor, window};
    const RunResult result = Command1_Click(s, io);
    ASSERT_EQ(result.outcome, RunOutcome::Completed) << (surveyor.messages().empty() ? "" : surveyor.messages().back());
    ASSERT_TRUE(s.complete);
    tally.rejections += surveyor.rejections();
    tally.refusals += surveyor.refusals();

    const int n = net.n;
    const int t = 3 * n + 1;
    auto at = [](int k) { return static_cast<std::size_t>(k); };

    // Only the answers that were no number drew a message.
    ASSERT_EQ(surveyor.messages().size(), static_cast<std::size_t>(surveyor.refusals()));
    for (const std::string& m : surveyor.messages()) EXPECT_EQ(m, texts::kTypeMismatch);

    // The stored input is what was typed last, not a rejected typo.
    EXPECT_EQ(s.triangleCount, n);
    EXPECT_EQ(s.knownPointCase(), net.known);
    EXPECT_EQ(s.Xa, std::stod(net.Xa));
    EXPECT_EQ(s.Ya, std::stod(net.Ya));
    for (int j = 1; j <= 3 * n; ++j) {
        ASSERT_EQ(s.enteredAngles[at(j)], std::stod(net.angles[at(j)])) << "angle " << j;
    }
    for (int k = 1; k <= 2 * n; ++k) {
        if (net.sideTyped(k)) {
            ASSERT_EQ(s.enteredSides[at(k)], net.typedSide(k)) << "side " << k;
        }
    }
    for (int i = 0; i <= net.rows(); ++i) ASSERT_EQ(s.pointNames[at(i)], net.names[at(i)]);

    // Every condition holds for the adjusted observations. The triangle and
    // horizon conditions are linear: rounding only. The side conditions are
    // linearised: what remains is of the second order in the corrections
    // (a few micrometres for corrections of seconds and centimetres).
    const auto& angle = s.angleDegrees;
    const auto& side = s.sideLengths;
    // The misclosures the corrections answer are stored in single precision,
    // so a linear condition holds to the rounding of its misclosure.
    auto rounding = [&](int condition) { return std::fabs(s.misclosures[at(condition)]) * 0x1p-23 + 1e-8; };
    double horizon = 0;
    for (int i = 1; i <= n; ++i) {
        const double a = angle[at(3 * i - 2)], b = angle[at(3 * i - 1)], c = angle[at(3 * i)];
        EXPECT_NEAR((a + b + c - 180) * 3600, 0, rounding(i)) << "triangle " << i;
        const double next = i == n ? side[1] : side[at(2 * i + 1)];
        EXPECT_NEAR(std::sin(a * kFd) * side[at(2 * i - 1)] - std::sin(b * kFd) * next, 0, 5e-5) << "sine rule 1, triangle " << i;
        EXPECT_NEAR(std::sin(c * kFd) * next - std::sin(a * kFd) * side[at(2 * i)], 0, 5e-5) << "sine rule 2, triangle " << i;
        horizon += c;
    }
    EXPECT_NEAR((horizon - 360) * 3600, 0, rounding(t)) << "horizon";

    // The known side (A to B or to the centre) keeps the length the known
    // coordinates give it.
    if (net.knownSide() != 0) {
        EXPECT_NEAR(side[at(net.knownSide())], distance(net.a(), net.closure()), 1e-6);
    }

    // The traverse closes on its known point.
    const int m = net.rows();
    ASSERT_EQ(s.resultRowCount, m);
    // What is left is the second-order remainder of the side conditions
    // carried along the traverse: a few hundredths of a millimetre.
    EXPECT_NEAR(s.pointX[at(m)], net.closure().x, 2e-4) << "closure X";
    EXPECT_NEAR(s.pointY[at(m)], net.closure().y, 2e-4) << "closure Y";

    // Corrections against the true errors of the typed values. The
    // adjustment projects the errors onto the conditions in the metric of
    // the weights, so the weighted sum of squared corrections cannot exceed
    // that of the errors (up to the second-order terms of the side
    // conditions).
    const double q = s.sideWeightReciprocal;
    double errorSum = 0;
    for (int j = 1; j <= 3 * n; ++j) {
        const double e = (net.typedAngle(j) - net.trueAngles[at(j)]) * 3600;
        errorSum += e * e;
    }
    for (int k = 1; k <= 2 * n; ++k) {
        if (!net.sideTyped(k)) continue;
        const double e = net.typedSide(k) - net.trueSides[at(k)];
        errorSum += e * e / q;
    }
    const double correctionSum = s.angleSquareSum + s.sideSquareSum;
    EXPECT_LE(correctionSum, errorSum * (1 + 1e-6) + 1e-9) << "[vv] + [pvv] beyond the errors put in";
    // Each angle correction follows from that sum; in practice none
    // exceeds about one and a half times the largest angle error (2.5 times
    // leaves room).
    for (int j = 1; j <= 3 * n; ++j) {
        const double v = std::fabs(angle[at(j)] - net.typedAngle(j)) * 3600;
        EXPECT_LE(v, std::sqrt(errorSum) + 1e-6) << "correction of angle " << j;
        EXPECT_LE(v, 2.5 * kAngleNoise) << "correction of angle " << j;
    }
    // The sides weigh little against the angles (their weight reciprocal is
    // in square millimetres per square second while their corrections are in
    // metres), so they take the shape the angles give them: an angle error
    // of 3 seconds moves a side by its length times about 1.5e-5 times the
    // cotangents of the triangle, and the chain of triangles adds these up.
    // Adjusted sides stay within 1e-3 of their true lengths (4e-4 is the
    // largest seen), adjusted points within 1.5 metres of their true
    // positions (0.75 the largest, at the far side of 60 triangles).
    for (int k = 1; k <= 2 * n; ++k) {
        EXPECT_LE(std::fabs(side[at(k)] - net.trueSides[at(k)]), 1e-3 * net.trueSides[at(k)]) << "side " << k;
    }
    for (int i = 1; i <= m; ++i) {
        const Point p = net.row(i);
        EXPECT_LT(std::hypot(s.pointX[at(i)] - p.x, s.pointY[at(i)] - p.y), 1.5) << "point " << i << " far from its true position";
    }

    // mb from the corrections, and within the errors put in.
    EXPECT_LE(s.unitWeightError(), std::sqrt(errorSum / t) * (1 + 1e-5) + 1e-6);

    // The window: what was typed last, and what was computed.
    EXPECT_EQ(log.text["Text30"], " 中心多边形共有" + std::to_string(n) + "个三角形");
    EXPECT_EQ(log.text["Text1"], " " + net.Xa);
    EXPECT_EQ(log.text["Text2"], " " + net.Ya);
    if (net.known == KnownPointCase::AOnly) {
        EXPECT_EQ(log.text["Text7"], " " + net.T0);
        EXPECT_EQ(log.text["Text8"], " " + net.Qa);
    } else {
        // The known side and its azimuth, against the directions of the true network.
        const Point far = net.closure();
        EXPECT_NEAR(fieldNumber(log.text["Text31"]), distance(net.a(), far), 0.5e-4 + 1e-9);
        // B's azimuth is shown packed, C's in decimal degrees.
        const double trueAzimuth = azimuth(net.a(), far);
        const double azimuthShown = net.known == KnownPointCase::AWithB ? packedDegrees(log.text["Text28"])
                                                                         : fieldNumber(log.text["Text28"]);
        double difference = std::fabs(azimuthShown - trueAzimuth);
        difference = std::fmin(difference, 360 - difference);
        // Half the shown step (0.1 second packed), plus what the program's
        // degree-to-radian constant, 2.9e-11 relative off pi/180, moves an
        // azimuth of up to 360 degrees: 3.7e-5 second.
        EXPECT_LT(difference * 3600, 0.05 + 4e-5) << log.text["Text28"];
    }
    ASSERT_EQ(surveyor.resultPauses(), m);
    ASSERT_EQ(log.rows.size(), static_cast<std::size_t>(m));

    TextReportPrinter printer;
    printReport(s, printer);
    const std::string& report = printer.text();
    const std::vector<Point> rows = reportRows(report);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(m) + 1) << report;
    for (int i = 1; i <= m; ++i) {
        const FieldLog::Row& shownRow = log.rows[at(i - 1)];
        EXPECT_EQ(shownRow.name, " " + net.names[at(i)]);
        EXPECT_EQ(fieldNumber(shownRow.x), rows[at(i)].x) << "row " << i;
        EXPECT_EQ(fieldNumber(shownRow.y), rows[at(i)].y) << "row " << i;
        EXPECT_NEAR(rows[at(i)].x, s.pointX[at(i)], 0.0005 + 1e-9);
        EXPECT_NEAR(rows[at(i)].y, s.pointY[at(i)], 0.0005 + 1e-9);
    }
    // The last row shown stays in the fields.
    EXPECT_EQ(fieldNumber(log.text["Text26"]), rows[at(m)].x);
    EXPECT_EQ(fieldNumber(log.text["Text27"]), rows[at(m)].y);

    const std::size_t precision = report.find("精度评定 :");
    for (const auto& [field, label] : std::map<std::string, std::string>{
             {"Text18", "mb="}, {"Text19", "ms="}, {"Text20", "1/px="}, {"Text21", "1/py="},
             {"Text22", "mx="}, {"Text23", "my="}, {"Text24", "md="}}) {
        EXPECT_EQ(fieldNumber(log.text[field]), reportNumber(report, label, precision)) << field << " " << label;
    }
    EXPECT_NEAR(fieldNumber(log.text["Text18"]), s.unitWeightError(), 0.005 + 1e-6);
    EXPECT_NEAR(fieldNumber(log.text["Text20"]), s.weightReciprocalX, 0.00005 + 1e-9);
    EXPECT_GT(s.weightReciprocalX, 0);
    EXPECT_GT(s.weightReciprocalY, 0);
    // The horizon misclosure: the field and the last misclosure line of the report.
    EXPECT_EQ(fieldNumber(log.text["Text15"]),
              reportNumber(report, "w( " + std::to_string(t) + " )=", report.find("第一组边角条件闭合差")));
}

// A whole number from the environment, or `otherwise`.
unsigned long long fromEnvironment(const char* name, unsigned long long otherwise) {
    const char* text = std::getenv(name);
    return text ? std::strtoull(text, nullptr, 10) : otherwise;
}

struct StressCase {
    const char* name;
    std::optional<KnownPointCase> known;  // none: every network draws its case
};

void PrintTo(const StressCase& c, std::ostream* os) { *os << c.name; }

class RandomNetworks : public ::testing::TestWithParam<StressCase> {};

TEST_P(RandomNetworks, AdjustConsistently) {
    const StressCase c = GetParam();
    const unsigned long long base = fromEnvironment("KESTRANE_STRESS_SEED", 20240611ULL);
    const unsigned long long seed = base + static_cast<unsigned long long>(c.known ? static_cast<int>(*c.known) + 1 : 0) * 1000003ULL;
    std::mt19937_64 rng(seed);
    // One window and one state for all computations, as a user clicks the
    // start button again and again.
    AdjustmentState state;
    WindowFields window;
    FieldLog log;
    window.setObserver(&log);
    const int count = std::max(1, static_cast<int>(fromEnvironment("KESTRANE_STRESS_NETWORKS", 800)));
    Tally tally;
    for (int index = 0; index < count; ++index) {
        const KnownPointCase known = c.known ? *c.known : fixture::kKnownCases[rng() % 3];
        const Network net = makeNetwork(known, rng);
        checkNetwork(state, window, log, net, rng, describe(net, seed, index), tally);
        if (HasFailure()) break;  // one network's failures are enough to read
    }
    // The surveyor did reject values and type text that is no number.
    if (count >= 50) {
        EXPECT_GT(tally.rejections, 0);
        EXPECT_GT(tally.refusals, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RandomNetworks,
                         ::testing::Values(StressCase{"AOnly", KnownPointCase::AOnly},
                                           StressCase{"AWithB", KnownPointCase::AWithB},
                                           StressCase{"AWithC", KnownPointCase::AWithC},
                                           StressCase{"Mixed", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
