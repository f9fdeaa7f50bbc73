// The quality check written out: as JSON for other programs, and as report
// lines (text file, printer, PDF) for the surveyor.
#pragma once

#include <iosfwd>
#include <string>

#include "state/QualityFigures.h"
#include "state/ReportPrinter.h"

namespace kestrane {

// The JSON form, written to the stream as it goes (no document tree):
// numbers with full double precision, null for a figure that cannot be
// computed.
void writeQualityJson(const QualityCheck& check, std::ostream& out);

// The verdict: "检核通过", or the number of flags with the advice to remove
// one suspect at a time, the largest |w| named first.
std::string qualityVerdict(const QualityCheck& check);

// The global test in one line, with what a failed test means.
std::string globalTestLine(const QualityCheck& check);

// The lines of the printed check, at tab columns like the report's.
void printQualityReport(const QualityCheck& check, ReportPrinter& printer);

// The same as UTF-8 text, one line per printed line.
std::string qualityText(const QualityCheck& check);

// Figures as the tables show them: d decimals, "—" when not computed.
std::string qualityFigure(double value, int decimals);

}  // namespace kestrane
