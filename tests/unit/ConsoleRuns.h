// Console runs for the unit tests: the answers typed on standard input, and
// what the run wrote on its streams and into its files, read back.
#pragma once

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "frontends/console/ConsoleFrontEnd.h"

namespace kestrane::testing {

struct ConsoleRun {
    int status = 0;
    std::string out, err, transcript, report;
    bool reportWritten = false;
};

// One run with the options, `input` typed on standard input.
inline ConsoleRun runWith(const ConsoleOptions& options, const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = runConsole(options, in, out, err);
    return {status, out.str(), err.str(), "", "", false};
}

// A run that also writes a transcript and a text report into `folder`
// (emptied first), both read back.
inline ConsoleRun runIn(const std::string& folder, const std::string& input, ConsoleOptions options = {}) {
    const auto dir = freshFolder(folder);
    options.transcriptPath = (dir / "t.jsonl").string();
    options.reportPath = (dir / "r.txt").string();
    ConsoleRun run = runWith(options, input);
    run.transcript = readFile(options.transcriptPath);
    run.report = readFile(options.reportPath);
    run.reportWritten = std::filesystem::exists(options.reportPath);
    return run;
}

// The answers as typed, each ended by a line end; a cancelled one is empty.
inline std::string typedLines(const std::vector<std::optional<std::string>>& answers) {
    std::string text;
    for (const auto& a : answers) text += a.value_or("") + "\n";
    return text;
}

inline std::string typedLines(const std::vector<std::string>& answers) {
    return typedLines(std::vector<std::optional<std::string>>(answers.begin(), answers.end()));
}

}  // namespace kestrane::testing
