// The printer the report is written to, and the character grid that places
// its tab columns.
#pragma once

#include <string>
#include <vector>

namespace kestrane {

// One item of a report line: the text, placed at tab column `tab` (column 1
// is the left edge), or right after the previous item when tab is 0.
struct ReportItem {
    int tab = 0;
    std::string text;
};

class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;
    // Print position from the top-left corner of the printable area, twips.
    virtual void setCurrentX(int twips) = 0;
    virtual void setCurrentY(int twips) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setFontName(const std::string& name) = 0;
    // One printed line; a tab column the line has already passed moves the
    // item to that column of a new line.
    virtual void printLine(const std::vector<ReportItem>& items) = 0;
    // Ends the document and sends it out.
    virtual void endDoc() = 0;
};

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
