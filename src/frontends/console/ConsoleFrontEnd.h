// The console front end: prompts on standard output, answers from standard
// input one line each, every field change echoed, a transcript and the text
// report on request.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "results/Report.h"
#include "state/AdjustmentState.h"

namespace kestrane {

// Exit statuses of a console run.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitFault = 2;
inline constexpr int kExitAbandoned = 3;
inline constexpr int kExitUsage = 64;

struct ConsoleOptions {
    std::string transcriptPath;  // empty: none
    std::string reportPath;      // empty: none; "-": standard output
    std::string pdfPath;         // empty: none
};

// Runs one computation on the streams and returns the exit status.
int runConsole(const ConsoleOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const PdfWriter& pdfWriter = {});

}  // namespace kestrane
