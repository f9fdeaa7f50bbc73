// The console front end: exit statuses, end of input, faults of the
// computation, and the transcript's JSON.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "prompting/PromptTexts.h"

using namespace kestrane;
using namespace kestrane::testing;

namespace {

struct ConsoleRun {
    int status;
    std::string out, err, transcript, report;
    bool reportWritten;
};

ConsoleRun runText(const std::string& input) {
    const auto dir = std::filesystem::temp_directory_path() / "kestrane-console-test";
    std::filesystem::create_directories(dir);
    ConsoleOptions options;
    options.transcriptPath = (dir / "t.jsonl").string();
    options.reportPath = (dir / "r.txt").string();
    std::filesystem::remove(options.reportPath);
    std::istringstream in(input);
    std::ostringstream out, err;
    ConsoleRun run;
    run.status = runConsole(options, in, out, err);
    run.out = out.str();
    run.err = err.str();
    std::ifstream t(options.transcriptPath, std::ios::binary);
    std::ostringstream ts;
    ts << t.rdbuf();
    run.transcript = ts.str();
    run.reportWritten = std::filesystem::exists(options.reportPath);
    return run;
}

std::string joinAnswers(const std::vector<std::optional<std::string>>& answers) {
    std::string text;
    for (const auto& a : answers) text += a.value_or("") + "\n";
    return text;
}

std::string lastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace

TEST(Console, EndOfInputAtAValuePromptAbandons) {
    const ConsoleRun run = runText("3\n10\n100\n\n");
    EXPECT_EQ(run.status, kExitAbandoned);
    EXPECT_FALSE(run.reportWritten);
    EXPECT_NE(run.err.find(texts::kAbandoned), std::string::npos);
    EXPECT_NE(run.transcript.find(R"({"event":"ask","prompt":"输入已知点 A 的横座标 :","title":"","answer":null})"),
              std::string::npos);
}

TEST(Console, EndOfInputAtConfirmationsAndPausesContinues) {
    // Every answer but the trailing pauses, and no newline after the last one.
    auto answers = NetworkAnswers::regular(3, Known::AOnly).answers();
    answers.resize(answers.size() - 10);  // 6 side pauses and 4 result pauses
    std::string input = joinAnswers(answers);
    input.pop_back();   // the last confirmation has no line end
    input.pop_back();
    input += "\r\n";    // a CR before the line end is not part of the answer
    const ConsoleRun run = runText(input);
    EXPECT_EQ(run.status, kExitCompleted) << run.err;
    EXPECT_TRUE(run.reportWritten);
    EXPECT_EQ(lastLine(run.transcript), R"({"event":"text","name":"Text27","value":" 0.000"})");
}

TEST(Console, ZeroSidesAreADivisionByZero) {
    // All sides 0: the side weight is 0 and the side conditions vanish, so the
    // normal matrix has a zero pivot.
    auto answers = NetworkAnswers::regular(3, Known::AOnly).answers();
    for (std::size_t i = answers.size() - 10 - 12; i < answers.size() - 10; i += 2) answers[i] = "0";
    const ConsoleRun run = runText(joinAnswers(answers));
    EXPECT_EQ(run.status, kExitFault);
    EXPECT_FALSE(run.reportWritten);
    EXPECT_NE(run.err.find("division by zero"), std::string::npos);
    EXPECT_NE(lastLine(run.transcript).find(R"("event":"message")"), std::string::npos);
    EXPECT_EQ(run.transcript.find("Text18"), std::string::npos);  // nothing half-computed shown
}

TEST(Console, HugeCoordinatesOverflow) {
    // B known 1e300 m from A: the distance overflows.
    const ConsoleRun run = runText("3\n10\n1e300\n\n1e300\n\n-1e300\n\n-1e300\n\n");
    EXPECT_EQ(run.status, kExitFault);
    EXPECT_NE(run.err.find("overflow"), std::string::npos);
    EXPECT_EQ(run.transcript.find("Text31"), std::string::npos);
    EXPECT_EQ(run.out.find("inf"), std::string::npos);
}

TEST(Console, HugeAnglesOverflowTheMisclosure) {
    auto answers = NetworkAnswers::regular(3, Known::AOnly).answers();
    // The first angle of the first triangle comes right after the names.
    for (std::size_t i = 0; i < answers.size(); ++i) {
        if (answers[i] && answers[i]->rfind("P4", 0) == 0) {
            answers[i + 2] = "1e300";
            break;
        }
    }
    const ConsoleRun run = runText(joinAnswers(answers));
    EXPECT_EQ(run.status, kExitFault);
    EXPECT_NE(run.err.find("overflow"), std::string::npos);
    EXPECT_EQ(run.transcript.find("Text13\",\"value\":\" "), std::string::npos);
}

TEST(Console, TranscriptEscapesControlCharactersAndBadBytes) {
    const ConsoleRun run = runText("3\n10\n1\n\n2\n\n0\n\n0\n\n0\n\n0\n\n1\n\n0\n\nA\x01\"\\\xff\n");
    EXPECT_EQ(run.status, kExitAbandoned);
    EXPECT_NE(run.transcript.find(R"("answer":"A\u0001\"\\)"), std::string::npos);
    // Every line is valid JSON text on its own line.
    std::istringstream lines(run.transcript);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_EQ(line.front(), '{');
        EXPECT_EQ(line.back(), '}');
    }
    EXPECT_GT(count, 20);
}

TEST(Console, ReportToStandardOutput) {
    std::istringstream in(joinAnswers(NetworkAnswers::regular(3, Known::AWithC).answers()));
    std::ostringstream out, err;
    ConsoleOptions options;
    options.reportPath = "-";
    EXPECT_EQ(runConsole(options, in, out, err), kExitCompleted);
    EXPECT_NE(out.str().find("                           --- Kestrane ---\n"), std::string::npos);
    ConsoleOptions pdf;
    pdf.pdfPath = "/nonexistent/x.pdf";
    std::istringstream again(joinAnswers(NetworkAnswers::regular(3, Known::AWithC).answers()));
    EXPECT_NE(runConsole(pdf, again, out, err), kExitCompleted);  // no PDF writer given
}
