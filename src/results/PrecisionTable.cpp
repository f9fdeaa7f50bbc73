#include "results/PrecisionTable.h"

#include <cmath>

#include "state/NumberFormat.h"

namespace kestrane {

namespace {

// round(x, d), then the pattern with d decimals.
std::string figure(double x, int decimals) { return formatFixed(roundHalfEven(x, decimals), decimals); }

std::string twoDigits(long v) { return (v < 10 ? "0" : "") + integerText(v); }

}  // namespace

const std::vector<std::string>& precisionTableHeader() {
    static const std::vector<std::string> header{"点名", "X", "Y", "1/px", "1/py", "mx", "my", "mp", "E", "F", "φ"};
    return header;
}

std::string packedAxisAzimuthText(double degrees) {
    long seconds = std::lround(roundHalfEven(degrees * 3600, 0));
    seconds %= 180L * 3600;
    if (seconds < 0) seconds += 180L * 3600;
    return integerText(seconds / 3600) + "." + twoDigits(seconds % 3600 / 60) + twoDigits(seconds % 60);
}

std::vector<std::vector<std::string>> precisionTableRows(const AdjustmentState& s,
                                                         const std::vector<PointPrecision>& precision) {
    std::vector<std::vector<std::string>> rows;
    if (precision.empty() || precision.size() != static_cast<std::size_t>(s.resultRowCount) + 1) return rows;
    rows.reserve(precision.size());
    for (std::size_t i = 0; i < precision.size(); ++i) {
        const PointPrecision& p = precision[i];
        std::vector<std::string> row{s.pointNames[i], figure(s.pointX[i], 3), figure(s.pointY[i], 3)};
        if (p.known) {
            row.insert(row.end(), {"0.0000", "0.0000", "0.00", "0.00", "0.00", "0.00", "0.00", "0.0000"});
        } else {
            auto when = [](bool computable, const std::string& text) { return computable ? text : std::string(); };
            row.push_back(when(p.xComputable, figure(p.weightReciprocalX, 4)));
            row.push_back(when(p.yComputable, figure(p.weightReciprocalY, 4)));
            row.push_back(when(p.xComputable, figure(p.errorX, 2)));
            row.push_back(when(p.yComputable, figure(p.errorY, 2)));
            row.push_back(when(p.positionComputable(), figure(p.positionError, 2)));
            row.push_back(when(p.ellipseComputable, figure(p.semiMajor, 2)));
            row.push_back(when(p.ellipseComputable, figure(p.semiMinor, 2)));
            row.push_back(when(p.ellipseComputable, packedAxisAzimuthText(p.majorAzimuth)));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace kestrane
