// The console front end: exit statuses, end of input, faults of the
// computation, and the transcript's JSON.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
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
    // One folder per test process: ctest runs the tests side by side.
    const auto dir = std::filesystem::temp_directory_path() / ("kestrane-console-test-" + std::to_string(::getpid()));
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
    run.transcript = readFile(options.transcriptPath);
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
    EXPECT_EQ(runConsole(pdf, again, out, err), kExitCannotCreate);  // no PDF writer given
}

// Observation files and output files on the console: the order of the
// checks before the first prompt, the statuses, what is written when.
namespace {


}  // namespace

TEST(ConsoleFiles, RefusedOrUnwritableFilesStopBeforeTheFirstPrompt) {
    const auto dir = std::filesystem::temp_directory_path() / ("kestrane-console-files-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto report = dir / "r.txt";
    std::ofstream(report) << "older report";
    const auto bad = dir / "bad.kestrane.toml";
    std::ofstream(bad) << "triangles = 3\ntolerence = 10\n";

    ConsoleOptions options;
    options.inputPath = bad.string();
    options.reportPath = report.string();
    options.transcriptPath = (dir / "t.jsonl").string();
    std::istringstream in(joinAnswers(NetworkAnswers::regular(3, Known::AOnly).answers()));
    std::ostringstream out, err;
    EXPECT_EQ(runConsole(options, in, out, err), kExitDataError);
    EXPECT_NE(err.str().find(bad.string() + "” 第 2 行，键 tolerence"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");  // no prompt
    EXPECT_EQ(readFile(report), "older report");
    EXPECT_FALSE(std::filesystem::exists(options.transcriptPath));

    // A good file but an output in a folder that does not exist.
    std::ofstream(bad) << "triangles = 3\n";
    options.csvPath = (dir / "no-such-folder" / "r.csv").string();
    std::ostringstream out2, err2;
    EXPECT_EQ(runConsole(options, in, out2, err2), kExitCannotCreate);
    EXPECT_NE(err2.str().find("no-such-folder"), std::string::npos);
    EXPECT_EQ(out2.str(), "");
    EXPECT_EQ(readFile(report), "older report");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // no temporary file left
    std::filesystem::remove_all(dir);
}

TEST(ConsoleFiles, AbandonedRunSavesWhatWasAcceptedAndWritesNoResults) {
    const auto dir = std::filesystem::temp_directory_path() / ("kestrane-console-save-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ConsoleOptions options;
    options.saveInputPath = (dir / "s.kestrane.toml").string();
    options.reportPath = (dir / "r.txt").string();
    options.csvPath = (dir / "r.csv").string();
    // n, tolerance, Xa confirmed, Xb rejected once, then input ends.
    std::istringstream in("3\n10\n100\n\n200\n\n5\n0\n");
    std::ostringstream out, err;
    EXPECT_EQ(runConsole(options, in, out, err), kExitAbandoned);
    EXPECT_FALSE(std::filesystem::exists(options.reportPath));
    EXPECT_FALSE(std::filesystem::exists(options.csvPath));
    const ObservationReading saved = readObservationFile(options.saveInputPath);
    ASSERT_TRUE(saved.values) << saved.message;
    EXPECT_EQ(typedAnswers(*saved.values), (std::vector<std::string>{"3", "10", "100", "", "200", ""}));
    std::filesystem::remove_all(dir);
}

TEST(ConsoleFiles, ResultsTableQuotesOnlyWhatNeedsIt) {
    const auto dir = std::filesystem::temp_directory_path() / ("kestrane-console-csv-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto answers = NetworkAnswers::regular(3, Known::AOnly).answers();
    for (auto& a : answers) {
        if (a == "P1") a = "Hill, \"north\"";
        if (a == "P2") a = "南堡";
    }
    ConsoleOptions options;
    options.csvPath = (dir / "r.csv").string();
    std::istringstream in(joinAnswers(answers));
    std::ostringstream out, err;
    ASSERT_EQ(runConsole(options, in, out, err), kExitCompleted) << err.str();
    const std::string csv = readFile(options.csvPath);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF点名,X,Y,1/px,1/py,mx,my,mp,E,F,φ\r\n", 0), 0u);
    EXPECT_NE(csv.find("\r\n\"Hill, \"\"north\"\"\",150.000,86.603,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\n南堡,0.000,173.205,"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);  // header, A, 3 points, A again
    std::filesystem::remove_all(dir);
}
