// The printer the report is written to: print position, font, lines of
// items at tab columns, end of document.
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

}  // namespace kestrane
