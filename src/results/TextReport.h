// The text form of the printed report, and the character grid that places
// its tab columns (shared with every paged printer).
#pragma once

#include <string>
#include <vector>

#include "state/ReportPrinter.h"

namespace kestrane {

// The grid lines one printed line occupies: items placed at their tab
// columns (a wide character two cells), blanks between, no separator, no
// trailing blanks beyond the items' own.
std::vector<std::string> layoutReportLine(const std::vector<ReportItem>& items);

// The text form of the printed report: every printed line as one line of
// text ended by "\n". Fonts and print positions do not show in it.
class TextReportPrinter : public ReportPrinter {
public:
    void setCurrentX(int) override {}
    void setCurrentY(int) override {}
    void setFontSize(double) override {}
    void setFontName(const std::string&) override {}
    void printLine(const std::vector<ReportItem>& items) override;
    void endDoc() override { finished_ = true; }

    const std::string& text() const { return text_; }
    bool finished() const { return finished_; }

private:
    std::string text_;
    bool finished_ = false;
};

}  // namespace kestrane
