#include "files/ResultsTable.h"

#include "results/PrecisionTable.h"

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

std::string resultsTableText(const AdjustmentState& state, const std::vector<PointPrecision>& precision) {
    std::vector<std::vector<std::string>> rows{precisionTableHeader()};
    for (auto& row : precisionTableRows(state, precision)) rows.push_back(std::move(row));
    return csvText(rows);
}

}  // namespace kestrane

