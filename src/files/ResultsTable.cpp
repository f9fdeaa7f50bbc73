#include "files/ResultsTable.h"

namespace kestrane {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csvText(const std::vector<std::vector<std::string>>& rows) {
    std::string text = "\xEF\xBB\xBF";
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) text += (i ? "," : "") + csvField(row[i]);
        text += "\r\n";
    }
    return text;
}

}  // namespace kestrane

#include "state/NumberFormat.h"

namespace kestrane {

std::vector<std::vector<std::string>> resultsTableRows(const AdjustmentState& s) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back(std::begin(kResultsHeader), std::end(kResultsHeader));
    for (int i = 0; i <= s.resultRowCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::vector<std::string> row(std::size(kResultsHeader));
        row[0] = s.pointNames[at];
        row[1] = formatFixed(roundHalfEven(s.pointX[at], 3), 3);
        row[2] = formatFixed(roundHalfEven(s.pointY[at], 3), 3);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace kestrane
