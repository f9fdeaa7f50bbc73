// The console front end: prompts on standard output, answers from standard
// input one line each, every field change echoed, a transcript and the text
// report on request.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "results/DocumentWriters.h"
#include "state/AdjustmentState.h"
#include "state/AprioriModel.h"

namespace kestrane {

// Exit statuses of a console run.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitFault = 2;
inline constexpr int kExitAbandoned = 3;
inline constexpr int kExitUsage = 64;
inline constexpr int kExitDataError = 65;    // an input file that cannot be read or is refused
inline constexpr int kExitCannotCreate = 73; // an output file that cannot be written

// The files of a console run; an empty path asks for nothing.
struct ConsoleOptions {
    std::string inputPath;       // observation file answering the first prompts
    std::string saveInputPath;   // observation file of every accepted value, however the run ends
    std::string transcriptPath;
    std::string reportPath;      // "-": standard output (also for the transcript, --save-input and the CSV)
    std::string pdfPath;
    std::string csvPath;         // results table
    std::string plotPath;        // picture of the network, .svg or .pdf
    std::string qualityPath;     // the quality check: .json, or .txt / "-" as text
    // Settings given on the command line; each replaces the file's.
    AprioriSettings settings;
};

// A --side-sd value: "MM" or "MM+PPMppm" (e.g. "2+2ppm"); nullopt when it
// is not one or breaks the rules of a side error.
std::optional<SideErrorModel> parseSideError(const std::string& text);
// A --angle-sd value: seconds of arc, > 0.
std::optional<double> parseAngleError(const std::string& text);
// Whether a --quality path names a form: ".json" (any case) for JSON,
// ".txt" or "-" for the text report.
enum class QualityForm { Json, Text, None };
QualityForm qualityFormOf(const std::string& path);
// What is wrong with the files of a command line, or "" when nothing is: an
// output (any but --save-input) that names the input file, two outputs that
// name one file (FileIdentity.h), "-" (standard output) for an output that
// cannot be written there or for more than one output.
std::string commandLineFileFault(const ConsoleOptions& options);

// Runs one computation on the streams and returns the exit status. Before
// the first prompt, in this order: the command line's files
// (commandLineFileFault: kExitUsage, with the message on err), the input
// file, every output path. Every output is written atomically when the run
// ends; an output "-" goes to `out` after every prompt and echo.
int runConsole(const ConsoleOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const PdfWriter& pdfWriter = {}, const PlotWriter& plotWriter = {});

}  // namespace kestrane
