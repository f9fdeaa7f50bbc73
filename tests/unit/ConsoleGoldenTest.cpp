// End-to-end: each example computation's answers through the console front
// end reproduce its transcript and text report byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "frontends/console/ConsoleFrontEnd.h"

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class GoldenComputation : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenComputation, ReproducesTranscriptAndReport) {
    const std::filesystem::path dir = KESTRANE_GOLDEN_DIR;
    const std::string name = GetParam();
    const auto tmp = std::filesystem::temp_directory_path() / ("kestrane-golden-" + name);
    std::filesystem::create_directories(tmp);

    kestrane::ConsoleOptions options;
    options.transcriptPath = (tmp / "transcript.jsonl").string();
    options.reportPath = (tmp / "report.txt").string();
    std::istringstream answers(readFile(dir / (name + ".answers.txt")));
    std::ostringstream out, err;

    ASSERT_EQ(kestrane::runConsole(options, answers, out, err), kestrane::kExitCompleted) << err.str();
    EXPECT_EQ(readFile(options.transcriptPath), readFile(dir / (name + ".transcript.jsonl")));
    EXPECT_EQ(readFile(options.reportPath), readFile(dir / (name + ".report.txt")));
    EXPECT_EQ(err.str(), "");
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenComputation,
                         ::testing::Values("aonly-n3", "aonly-n6-exact", "aonly-n9", "awithb-n5", "awithc-n4"),
                         [](const auto& info) {
                             std::string id = info.param;
                             for (char& c : id) if (c == '-') c = '_';
                             return id;
                         });

}  // namespace
