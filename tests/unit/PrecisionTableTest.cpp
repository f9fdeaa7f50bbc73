// The texts of the precision table: the column formats, the carried packed
// azimuth, the known points' zeros, names of every kind and the empty fields
// of a figure that cannot be computed.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "adjustment/PointPrecision.h"
#include "results/PrecisionTable.h"

namespace kestrane {
namespace {

// The double nearest `seconds` / 3600 whose product with 3600 is `seconds`
// exactly, so that a tie in whole seconds really is a tie.
double degreesOfSeconds(double seconds) {
    const double near = seconds / 3600;
    for (int step = 0; step <= 16; ++step) {
        for (const double toward : {1e9, -1e9}) {
            double d = near;
            for (int i = 0; i < step; ++i) d = std::nextafter(d, toward);
            if (d * 3600 == seconds) return d;
        }
    }
    ADD_FAILURE() << "no double gives " << seconds << " seconds exactly";
    return near;
}

TEST(PrecisionTable, AzimuthIsPackedWithWholeSecondsCarried) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0.0000"},
        {10 * 3600 + 30 * 60, "10.3000"},
        {10 * 3600 + 20 * 60 + 59.5, "10.2100"},   // 59.5" rounds to the even 60 and carries
        {10 * 3600 + 20 * 60 + 58.5, "10.2058"},   // a tie goes to the even second
        {10 * 3600 + 20 * 60 + 59.4, "10.2059"},
        {45 * 3600 + 59 * 60 + 59.5, "46.0000"},   // carried through minutes into degrees
        {0.5, "0.0000"},
        {1.5, "0.0002"},
        {179 * 3600 + 59 * 60 + 59.6, "0.0000"},   // 180 degrees is the axis of 0
        {179 * 3600 + 59 * 60 + 59.4, "179.5959"},
        {90 * 3600 + 5 * 60 + 7, "90.0507"},
    };
    for (const auto& c : cases) EXPECT_EQ(packedAxisAzimuthText(degreesOfSeconds(c.seconds)), c.text) << c.seconds;
}

AdjustmentState tableState(std::vector<std::string> names, std::vector<double> x, std::vector<double> y) {
    AdjustmentState s;
    s.resultRowCount = static_cast<std::int16_t>(names.size() - 1);
    s.pointNames = std::move(names);
    s.pointX = std::move(x);
    s.pointY = std::move(y);
    return s;
}

TEST(PrecisionTable, RowsHoldTheColumnsOfTheResultsTable) {
    ASSERT_EQ(precisionTableHeader(),
              (std::vector<std::string>{"点名", "X", "Y", "1/px", "1/py", "mx", "my", "mp", "E", "F", "φ"}));
    const AdjustmentState s = tableState({"A", "\"引号\",逗号", "<&>'", "A"}, {3562726.265, 1.0625, -0.0004, 3562726.2655},
                                         {-429.61, 2.0, 1234.5675, -0.0625});
    std::vector<PointPrecision> rows(4);
    rows[0].known = rows[3].known = true;
    rows[1] = pointErrors(1.5f, 0.03125, 72.93485, 0.0);  // mx = 1.5 sqrt(1/32), my = 1.5 sqrt(72.93485)
    // Written field by field: ties in every column.
    rows[2] = {.weightReciprocalX = 0.015625, .weightReciprocalY = 2.00005, .errorX = 0.125f, .errorY = 0.375f,
               .positionError = 1.005f, .semiMajor = 0.625, .semiMinor = 0.0,
               .majorAzimuth = degreesOfSeconds(12 * 3600 + 34 * 60 + 59.5)};
    const auto texts = precisionTableRows(s, rows);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], (std::vector<std::string>{"A", "3562726.265", "-429.610", "0.0000", "0.0000", "0.00", "0.00",
                                                  "0.00", "0.00", "0.00", "0.0000"}));
    EXPECT_EQ(texts[1], (std::vector<std::string>{"\"引号\",逗号", "1.062", "2.000", "0.0312", "72.9348", "0.27", "12.81",
                                                  "12.81", "12.81", "0.27", "90.0000"}));
    EXPECT_EQ(texts[2], (std::vector<std::string>{"<&>'", "0.000", "1234.568", "0.0156", "2.0000", "0.12", "0.38", "1.00",
                                                  "0.62", "0.00", "12.3500"}));
    EXPECT_EQ(texts[3][1], "3562726.266");  // the closure point's own adjusted values, not A's
    EXPECT_EQ(texts[3][2], "-0.062");
    for (const auto& row : texts) EXPECT_EQ(row.size(), static_cast<std::size_t>(kPrecisionColumnCount));
}

// A weight reciprocal negative through rounding: its figure and every one
// that depends on it stay empty; the others are written.
TEST(PrecisionTable, FiguresThatCannotBeComputedAreEmpty) {
    const AdjustmentState s = tableState({"A", "P1", "P2", "P3", "Z"}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4});
    std::vector<PointPrecision> rows(5);
    rows[0].known = rows[4].known = true;
    rows[1] = pointErrors(2.0f, -1e-13, 4.0, 0.0);
    rows[2] = pointErrors(2.0f, 4.0, std::nan(""), 0.0);
    rows[3] = pointErrors(2.0f, 1.0, 1.0, 1.5);  // |1/pxy| beyond both: no ellipse
    const auto texts = precisionTableRows(s, rows);
    EXPECT_EQ(texts[1], (std::vector<std::string>{"P1", "1.000", "1.000", "", "4.0000", "", "4.00", "", "", "", ""}));
    EXPECT_EQ(texts[2], (std::vector<std::string>{"P2", "2.000", "2.000", "4.0000", "", "4.00", "", "", "", "", ""}));
    EXPECT_EQ(texts[3], (std::vector<std::string>{"P3", "3.000", "3.000", "1.0000", "1.0000", "2.00", "2.00", "2.83", "",
                                                  "", ""}));
    EXPECT_TRUE(precisionTableRows(s, {}).empty());
}

}  // namespace
}  // namespace kestrane
