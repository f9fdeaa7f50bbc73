// The a-priori model as files and the command line give it, what it changes
// in a computation (the report's weighting line, nothing in the classic
// default), the input warnings, and the JSON form of the quality check.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "NetworkFixture.h"
#include "adjustment/QualityCheck.h"
#include "files/ObservationFile.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "results/QualityReport.h"
#include "results/Report.h"
#include "results/TextReport.h"

using namespace kestrane;
using namespace kestrane::testing;

namespace {

const std::string kFile =
    "triangles = 3\ntolerance = 10\nA = { X = 3588567.302, Y = 477466.850 }\n"
    "T0 = 311.58067\nQa = 225.20538\nnames = [\"A\", \"P1\", \"P2\", \"O\", \"A\"]\n"
    "angles = [[37.13068, 31.38534, 111.07578], [31.20592, 30.35011, 118.04002],\n"
    "  [22.26566, 26.45031, 130.48061]]\n"
    "sides = [727.925, 1294.025, 839.151, 1455.355, 858.075, 1443.075]\n";

TEST(AprioriSettings, FileKeysAreReadCheckedAndWrittenBack) {
    struct Row {
        std::string keys;
        std::optional<AprioriSettings> expected;  // nullopt: refused
        std::string named;                        // in the refusal: the key
    };
    const SideErrorModel three{3, std::nullopt}, twoPlusTwo{2, 2.0};
    const std::vector<Row> rows = {
        {"angle_sd = 2.5\n", AprioriSettings{std::nullopt, 2.5, std::nullopt}, ""},
        {"side_sd = 3\nweighting = \"rigorous\"\n", AprioriSettings{Weighting::Rigorous, std::nullopt, three}, ""},
        {"side_sd = { mm = 2, ppm = 2 }\nweighting = \"classic\"\n", AprioriSettings{Weighting::Classic, std::nullopt, twoPlusTwo}, ""},
        {"side_sd = { mm = 0, ppm = 3 }\n", AprioriSettings{std::nullopt, std::nullopt, SideErrorModel{0, 3.0}}, ""},
        {"angle_sd = 0\n", std::nullopt, "angle_sd"},
        {"angle_sd = \"2\"\n", std::nullopt, "angle_sd"},
        {"side_sd = -1\n", std::nullopt, "side_sd"},
        {"side_sd = { mm = 2 }\n", std::nullopt, "side_sd"},
        {"side_sd = { mm = 0, ppm = 0 }\n", std::nullopt, "side_sd"},
        {"side_sd = { mm = 2, ppm = 2, k = 1 }\n", std::nullopt, "side_sd.k"},
        {"weighting = \"Rigorous\"\n", std::nullopt, "weighting"},
        {"weighting = 1\n", std::nullopt, "weighting"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        // Anywhere in a file, complete or not: after every key, and alone.
        for (const std::string& text : {kFile + row.keys, row.keys + "triangles = 3\n"}) {
            const ObservationReading reading = parseObservations(text, "net.kestrane.toml");
            if (!row.expected) {
                ASSERT_FALSE(reading.values);
                EXPECT_NE(reading.message.find("net.kestrane.toml"), std::string::npos);
                EXPECT_NE(reading.message.find("键 " + row.named), std::string::npos) << reading.message;
                EXPECT_NE(reading.message.find(" 行"), std::string::npos) << reading.message;
                continue;
            }
            ASSERT_TRUE(reading.values) << reading.message;
            EXPECT_EQ(reading.values->settings, *row.expected);
            // Written after the last key, read back the same.
            std::string error;
            const std::optional<std::string> written = observationText(*reading.values, error);
            ASSERT_TRUE(written);
            const ObservationReading again = parseObservations(*written, "again.kestrane.toml");
            ASSERT_TRUE(again.values) << again.message << *written;
            EXPECT_EQ(*again.values, *reading.values);
            EXPECT_EQ(written->rfind("sides ="), text.find("sides =") == std::string::npos ? std::string::npos
                                                                                            : written->rfind("sides ="));
        }
    }
}

TEST(AprioriSettings, CommandLineValues) {
    EXPECT_EQ(parseSideError("3"), (SideErrorModel{3, std::nullopt}));
    EXPECT_EQ(parseSideError("2+2ppm"), (SideErrorModel{2, 2.0}));
    EXPECT_EQ(parseSideError("0+1.5ppm"), (SideErrorModel{0, 1.5}));
    for (const char* bad : {"", "0", "-2", "2+", "2+2", "2+2pm", "+2ppm", "2+-1ppm", "0+0ppm", "x"}) {
        EXPECT_FALSE(parseSideError(bad)) << bad;
    }
    EXPECT_EQ(parseAngleError("2.5"), 2.5);
    for (const char* bad : {"0", "-1", "", "2s", "inf"}) EXPECT_FALSE(parseAngleError(bad)) << bad;
    const std::pair<const char*, QualityForm> forms[] = {
        {"a.JSON", QualityForm::Json}, {"a.txt", QualityForm::Text}, {"-", QualityForm::Text},
        {"a.csv", QualityForm::None}};
    for (const auto& [path, form] : forms) EXPECT_EQ(qualityFormOf(path), form) << path;
}

// The classic default prints no weighting line; the rigorous weighting adds
// one right under the title, naming the errors as given or their defaults.
TEST(AprioriSettings, RigorousReportNamesItsModel) {
    const auto network = fixture::regularNetwork(6, KnownPointCase::AOnly);
    struct Row {
        AprioriSettings settings;
        std::string line;  // "" for none
    };
    const std::vector<Row> rows = {
        {{}, ""},
        {{Weighting::Classic, 2.0, SideErrorModel{3, std::nullopt}}, ""},
        {{Weighting::Rigorous, std::nullopt, std::nullopt}, "定权: 严密 (测角中误差 σβ = 10″, 测边中误差 σs = 3.43 毫米)"},
        {{Weighting::Rigorous, 2.5, SideErrorModel{2, 2.0}}, "定权: 严密 (测角中误差 σβ = 2.5″, 测边中误差 σs = 2 毫米 + 2 ppm)"},
        {{Weighting::Rigorous, 1.0, SideErrorModel{1.5, std::nullopt}}, "定权: 严密 (测角中误差 σβ = 1″, 测边中误差 σs = 1.5 毫米)"},
    };
    std::string classic;
    for (const Row& row : rows) {
        const AdjustmentState state = fixture::completedState(network, row.settings);
        ASSERT_TRUE(state.complete);
        TextReportPrinter printer;
        printReport(state, printer);
        const std::string& text = printer.text();
        const std::string second = text.substr(text.find('\n') + 1, text.find('\n', text.find('\n') + 1) - text.find('\n') - 1);
        if (row.line.empty()) {
            if (classic.empty()) classic = text;
            EXPECT_EQ(text, classic);  // the classic weighting ignores the errors given
            EXPECT_EQ(second, "");
        } else {
            EXPECT_EQ(second, std::string(27, ' ') + row.line);
        }
    }
}

TEST(QualityCheck, InputWarningsAndTheJsonForm) {
    // A mistyped angle (75 minutes), a name given twice, the closure point
    // repeating A (no warning), and T0 with 60 seconds.
    auto answers = fixture::answersFor(fixture::regularNetwork(6, KnownPointCase::AOnly));
    answers[14] = "359.0060";  // T0
    answers[22] = "P1";        // the second chain point named like the first
    answers[34] = "31.75188";  // a(1)
    const RunRecord run = runComputation(answers);
    ASSERT_EQ(run.result.outcome, RunOutcome::Completed);
    const QualityCheck q = checkQuality(run.state);
    ASSERT_FALSE(q.error);
    std::vector<std::pair<std::string, int>> warned;
    for (const InputWarning& w : q.inputWarnings) warned.emplace_back(w.what, w.index);
    EXPECT_EQ(warned, (std::vector<std::pair<std::string, int>>{{"angle", 1}, {"T0", 0}, {"name", 2}}));
    EXPECT_TRUE(q.conditions[0].flag);  // T1 closes about 3240" out
    EXPECT_GT(q.flagCount(), 0);
    EXPECT_NE(qualityVerdict(q).find("检核未通过"), std::string::npos);

    std::ostringstream json;
    writeQualityJson(q, json);
    const nlohmann::json j = nlohmann::json::parse(json.str());
    const std::pair<const char*, nlohmann::json> values[] = {
        {"/model/angle_sd", 10.0},         {"/model/weighting", "classic"}, {"/input_warnings/0/what", "angle"},
        {"/conditions/6/name", "S1.1"},    {"/conditions/18/name", "H"},    {"/observations/0/name", "a(1)"},
        {"/observations/29/name", "s(12)"}, {"/adjustment/dof", 19}};
    for (const auto& [at, value] : values) EXPECT_EQ(j.at(nlohmann::json::json_pointer(at)), value) << at;
    const std::pair<const char*, std::size_t> sizes[] = {
        {"/model/side_sd_mm", 12}, {"/conditions", 19}, {"/observations", 30}, {"/points", 8}};
    for (const auto& [at, size] : sizes) EXPECT_EQ(j.at(nlohmann::json::json_pointer(at)).size(), size) << at;
    EXPECT_EQ(j["adjustment"]["statistic"].get<double>(), q.adjustment.statistic);  // full precision
    EXPECT_EQ(j["largest_w"], q.observations[*q.largestW].name);
    EXPECT_TRUE(j["sides"][0]["T"].is_number_integer());
    double sumR = 0;
    for (const auto& o : j["observations"]) sumR += o["r"].get<double>();
    EXPECT_NEAR(sumR, 19, 1e-9);
}

}  // namespace
