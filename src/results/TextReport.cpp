#include "results/TextReport.h"

#include "results/TextWidth.h"

namespace kestrane {

std::vector<std::string> layoutReportLine(const std::vector<ReportItem>& items) {
    std::vector<std::string> lines(1);
    int width = 0;
    for (const ReportItem& item : items) {
        if (item.tab > 0) {
            const int column = item.tab;
            if (width >= column) {
                lines.emplace_back();
                width = 0;
            }
            lines.back().append(static_cast<std::size_t>(column - 1 - width), ' ');
            width = column - 1;
        }
        lines.back() += item.text;
        width += displayWidth(item.text);
    }
    return lines;
}

void TextReportPrinter::printLine(const std::vector<ReportItem>& items) {
    for (const std::string& line : layoutReportLine(items)) {
        text_ += line;
        text_ += '\n';
    }
}

}  // namespace kestrane
