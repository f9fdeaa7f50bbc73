// The console front end: exit statuses, end of input, faults of the
// computation, and the transcript's JSON.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ConsoleRuns.h"
#include "NetworkFixture.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "prompting/PromptTexts.h"

using namespace kestrane;
using namespace kestrane::testing;

namespace {

std::string lastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace

TEST(Console, EndOfInputAtAValuePromptAbandons) {
    const ConsoleRun run = runIn("console-run", "3\n10\n100\n\n");
    EXPECT_EQ(run.status, kExitAbandoned);
    EXPECT_FALSE(run.reportWritten);
    EXPECT_NE(run.err.find(texts::kAbandoned), std::string::npos);
    EXPECT_NE(run.transcript.find(R"({"event":"ask","prompt":"输入已知点 A 的横座标 :","title":"","answer":null})"),
              std::string::npos);
}

TEST(Console, EndOfInputAtConfirmationsAndPausesContinues) {
    // Every answer but the trailing pauses, and no newline after the last one.
    auto answers = fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AOnly));
    answers.resize(answers.size() - 10);  // 6 side pauses and 4 result pauses
    std::string input = typedLines(answers);
    input.pop_back();   // the last confirmation has no line end
    input.pop_back();
    input += "\r\n";    // a CR before the line end is not part of the answer
    const ConsoleRun run = runIn("console-run", input);
    EXPECT_EQ(run.status, kExitCompleted) << run.err;
    EXPECT_TRUE(run.reportWritten);
    EXPECT_EQ(lastLine(run.transcript), R"({"event":"text","name":"Text27","value":" 0.000"})");
}

TEST(Console, HugeCoordinatesOverflow) {
    // B known 1e300 m from A: the distance overflows.
    const ConsoleRun run = runIn("console-run", "3\n10\n1e300\n\n1e300\n\n-1e300\n\n-1e300\n\n");
    EXPECT_EQ(run.status, kExitFault);
    EXPECT_NE(run.err.find("overflow"), std::string::npos);
    EXPECT_EQ(run.transcript.find("Text31"), std::string::npos);
    EXPECT_EQ(run.out.find("inf"), std::string::npos);
}

TEST(Console, HugeAnglesOverflowTheMisclosure) {
    auto answers = fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AOnly));
    // The first angle of the first triangle comes right after the names.
    const auto last = std::find_if(answers.begin(), answers.end(),
                                   [](const auto& a) { return a && a->starts_with("P4"); });
    last[2] = "1e300";
    const ConsoleRun run = runIn("console-run", typedLines(answers));
    EXPECT_EQ(run.status, kExitFault);
    EXPECT_NE(run.err.find("overflow"), std::string::npos);
    EXPECT_EQ(run.transcript.find("Text13\",\"value\":\" "), std::string::npos);
}

TEST(Console, TranscriptEscapesControlCharactersAndBadBytes) {
    const ConsoleRun run = runIn("console-run", "3\n10\n1\n\n2\n\n0\n\n0\n\n0\n\n0\n\n1\n\n0\n\nA\x01\"\\\xff\n");
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
    const std::string answers = typedLines(fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AWithC)));
    ConsoleOptions options;
    options.reportPath = "-";
    const ConsoleRun run = runWith(options, answers);
    EXPECT_EQ(run.status, kExitCompleted);
    EXPECT_NE(run.out.find("                           --- Kestrane ---\n"), std::string::npos);
    ConsoleOptions pdf;
    pdf.pdfPath = "/nonexistent/x.pdf";
    EXPECT_EQ(runWith(pdf, answers).status, kExitCannotCreate);  // no PDF writer given
}

// Observation files and output files on the console: the order of the
// checks before the first prompt, the statuses, what is written when.

TEST(ConsoleFiles, RefusedOrUnwritableFilesStopBeforeTheFirstPrompt) {
    const auto dir = freshFolder("console-files");
    const auto report = dir / "r.txt";
    std::ofstream(report) << "older report";
    const auto bad = dir / "bad.kestrane.toml";
    std::ofstream(bad) << "triangles = 3\ntolerence = 10\n";

    ConsoleOptions options;
    options.inputPath = bad.string();
    options.reportPath = report.string();
    options.transcriptPath = (dir / "t.jsonl").string();
    const std::string answers = typedLines(fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AOnly)));
    const ConsoleRun refused = runWith(options, answers);
    EXPECT_EQ(refused.status, kExitDataError);
    EXPECT_NE(refused.err.find(bad.string() + "” 第 2 行，键 tolerence"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");  // no prompt
    EXPECT_EQ(readFile(report), "older report");
    EXPECT_FALSE(std::filesystem::exists(options.transcriptPath));

    // A good file but an output in a folder that does not exist.
    std::ofstream(bad) << "triangles = 3\n";
    options.csvPath = (dir / "no-such-folder" / "r.csv").string();
    const ConsoleRun unwritable = runWith(options, answers);
    EXPECT_EQ(unwritable.status, kExitCannotCreate);
    EXPECT_NE(unwritable.err.find("no-such-folder"), std::string::npos);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(readFile(report), "older report");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // no temporary file left
    std::filesystem::remove_all(dir);
}

TEST(ConsoleFiles, AbandonedRunSavesWhatWasAcceptedAndWritesNoResults) {
    const auto dir = freshFolder("console-save");
    ConsoleOptions options;
    options.saveInputPath = (dir / "s.kestrane.toml").string();
    options.reportPath = (dir / "r.txt").string();
    options.csvPath = (dir / "r.csv").string();
    // n, tolerance, Xa confirmed, Xb rejected once, then input ends.
    EXPECT_EQ(runWith(options, "3\n10\n100\n\n200\n\n5\n0\n").status, kExitAbandoned);
    EXPECT_FALSE(std::filesystem::exists(options.reportPath));
    EXPECT_FALSE(std::filesystem::exists(options.csvPath));
    const ObservationReading saved = readObservationFile(options.saveInputPath);
    ASSERT_TRUE(saved.values) << saved.message;
    EXPECT_EQ(typedAnswers(*saved.values), (std::vector<std::string>{"3", "10", "100", "", "200", ""}));
    std::filesystem::remove_all(dir);
}

TEST(ConsoleFiles, ResultsTableQuotesOnlyWhatNeedsIt) {
    const auto dir = freshFolder("console-csv");
    auto answers = fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AOnly));
    for (auto& a : answers) {
        if (a == "P1") a = "Hill, \"north\"";
        if (a == "P2") a = "南堡";
    }
    ConsoleOptions options;
    options.csvPath = (dir / "r.csv").string();
    const ConsoleRun run = runWith(options, typedLines(answers));
    ASSERT_EQ(run.status, kExitCompleted) << run.err;
    const std::string csv = readFile(options.csvPath);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF点名,X,Y,1/px,1/py,mx,my,mp,E,F,φ\r\n", 0), 0u);
    EXPECT_NE(csv.find("\r\n\"Hill, \"\"north\"\"\",150.000,86.603,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\n南堡,0.000,173.205,"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);  // header, A, 3 points, A again
    std::filesystem::remove_all(dir);
}

// No output may destroy the observation file or another output, however the
// paths are spelt; --save-input may complete the observation file in place,
// and an output through a symlink replaces the link's target.
namespace {

// The options of a command line's file arguments.
ConsoleOptions optionsOf(const std::vector<std::string>& args) {
    ConsoleOptions o;
    const std::map<std::string, std::string*> fields = {
        {"--input", &o.inputPath}, {"--save-input", &o.saveInputPath}, {"--transcript", &o.transcriptPath},
        {"--report", &o.reportPath}, {"--pdf", &o.pdfPath},           {"--csv", &o.csvPath},
        {"--plot", &o.plotPath}};
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) *fields.at(args[i]) = args[i + 1];
    return o;
}

// The names and contents of the files of a folder, links as "-> target".
std::map<std::string, std::string> folderContents(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = std::filesystem::relative(entry.path(), dir).string();
        if (entry.is_symlink()) files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        else if (entry.is_regular_file()) files[name] = readFile(entry.path());
        else files[name] = "(folder)";
    }
    return files;
}

}  // namespace

TEST(ConsoleFiles, OutputsNeverDestroyTheInputOrEachOther) {
    const auto dir = freshFolder("console-identity");
    const std::filesystem::path example = std::filesystem::path(KESTRANE_EXAMPLES_DIR) / "aonly-n3.kestrane.toml";
    const std::string observations = readFile(example);
    const std::string input = "net.kestrane.toml";
    // The first values of the example: --save-input completes them.
    const std::string partial = observations.substr(0, observations.find("names"));
    const ObservationReading full = readObservationFile(example.string());
    ASSERT_TRUE(full.values) << full.message;
    const ObservationReading first = parseObservations(partial, input);
    ASSERT_TRUE(first.values) << first.message;
    const std::vector<std::string> answers = typedAnswers(*full.values);
    const std::string rest = typedLines(std::vector<std::string>(
        answers.begin() + static_cast<long>(typedAnswers(*first.values).size()), answers.end()));

    // What a case makes in the folder before the run, besides the input.
    enum class Made { Symlink, HardLink, File };
    struct Making {
        Made kind;
        std::string name, target;  // the link's target, or the file's text
    };
    struct Case {
        const char* what;
        std::vector<std::string> args;  // after --input net.kestrane.toml
        int status;
        std::vector<Making> made;
        bool partialInput;
    };
    const std::string absoluteInput = (dir / input).string();
    const Making subfolder{Made::File, "sub/keep", "x"};
    const std::vector<Case> cases = {
        {"the input itself", {"--report", input}, kExitUsage, {}, false},
        {"another spelling", {"--csv", "./" + input}, kExitUsage, {}, false},
        {"absolute against relative", {"--transcript", absoluteInput}, kExitUsage, {}, false},
        {"through ..", {"--pdf", "sub/../" + input}, kExitUsage, {subfolder}, false},
        {"a symlink to the input", {"--report", "link.txt"}, kExitUsage, {{Made::Symlink, "link.txt", input}}, false},
        {"a hard link to the input", {"--csv", "hard.csv"}, kExitUsage, {{Made::HardLink, "hard.csv", input}}, false},
        {"a symlinked folder", {"--plot", "up/" + input}, kExitUsage, {{Made::Symlink, "up", "."}}, false},
        {"two outputs on one file", {"--report", "out.txt", "--csv", "out.txt"}, kExitUsage, {}, false},
        {"two outputs on one new file, spelt apart", {"--report", "new.txt", "--transcript", "sub/../new.txt"},
         kExitUsage, {subfolder}, false},
        {"an output and the target of its dangling link", {"--csv", "later.csv", "--report", "dangling"}, kExitUsage,
         {{Made::Symlink, "dangling", "later.csv"}}, false},
        {"--save-input and another output", {"--save-input", "s.toml", "--report", "s.toml"}, kExitUsage, {}, false},
        {"--pdf on standard output", {"--pdf", "-"}, kExitUsage, {}, false},
        {"two outputs on standard output", {"--report", "-", "--transcript", "-"}, kExitUsage, {}, false},
        {"/dev/null twice", {"--report", "/dev/null", "--csv", "/dev/null", "--transcript", "/dev/null"},
         kExitCompleted, {}, false},
        {"--save-input completes the input", {"--save-input", "./" + input}, kExitCompleted, {}, true},
        {"an output through a symlink writes its target", {"--report", "link.txt", "--csv", "dangling"},
         kExitCompleted,
         {{Made::File, "old.txt", "older"}, subfolder, {Made::Symlink, "link.txt", "old.txt"},
          {Made::Symlink, "dangling", "sub/new.csv"}},
         false},
    };
    const auto home = std::filesystem::current_path();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        std::ofstream(input, std::ios::binary) << (c.partialInput ? partial : observations);
        for (const Making& m : c.made) {
            const std::filesystem::path name(m.name);
            if (name.has_parent_path()) std::filesystem::create_directories(name.parent_path());
            switch (m.kind) {
            case Made::Symlink: std::filesystem::create_symlink(m.target, name); break;
            case Made::HardLink: std::filesystem::create_hard_link(m.target, name); break;
            case Made::File: std::ofstream(name, std::ios::binary) << m.target; break;
            }
        }
        const auto before = folderContents(dir);

        std::vector<std::string> args = {"--input", input};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ConsoleRun run = runWith(optionsOf(args), c.partialInput ? rest : "");
        std::filesystem::current_path(home);
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.status == kExitUsage) {
            EXPECT_EQ(folderContents(dir), before);  // the input byte for byte, nothing created
            EXPECT_EQ(run.out, "");                  // no prompt
            EXPECT_NE(run.err.find(c.args[0]), std::string::npos) << run.err;
        } else if (c.partialInput) {
            const ObservationReading completed = readObservationFile((dir / input).string());
            ASSERT_TRUE(completed.values) << completed.message;
            EXPECT_EQ(typedAnswers(*completed.values), answers);
        } else {
            EXPECT_EQ(readFile(dir / input), observations);
        }
    }
    // The last case: the links stay, their targets hold the results.
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling"));
    EXPECT_NE(readFile(dir / "old.txt").find("--- Kestrane ---"), std::string::npos);
    EXPECT_EQ(readFile(dir / "sub" / "new.csv").rfind("\xEF\xBB\xBF点名,", 0), 0u);
    std::filesystem::remove_all(dir);
}

TEST(ConsoleFiles, StandardOutputTakesAnOutputAfterEveryPromptAndEcho) {
    const auto dir = freshFolder("console-stdout");
    const std::string answers = typedLines(fixture::answersFor(fixture::regularNetwork(3, KnownPointCase::AOnly)));
    for (const char* option : {"--transcript", "--csv", "--save-input", "--report"}) {
        SCOPED_TRACE(option);
        // The same run once into a file, once on standard output.
        const std::string file = (dir / "output").string();
        const ConsoleRun toFile = runWith(optionsOf({option, file}), answers);
        const ConsoleRun toStdout = runWith(optionsOf({option, "-"}), answers);
        ASSERT_EQ(toFile.status, kExitCompleted) << toFile.err;
        ASSERT_EQ(toStdout.status, kExitCompleted) << toStdout.err;
        const std::string written = readFile(file);
        ASSERT_GT(written.size(), 100u);
        EXPECT_EQ(toStdout.out, toFile.out + written);
    }
    std::filesystem::remove_all(dir);
}
