// The precision table and the network picture of example computations: the
// table's rows, sorting, marked point and copy; the picture's exports and the
// console's plot; zooming and panning of the picture window; the ellipses'
// scale bar at a round length, names left out on screen where they would
// overlap (never in an export), and the table's chosen row ringed and centred.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QTableView>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <random>
#include <regex>
#include <sstream>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "adjustment/PointPrecision.h"
#include "angles/Angles.h"
#include "files/ResultsTable.h"
#include "driver/ComputationDriver.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPicture.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/PrecisionTableWindow.h"
#include "results/PrecisionTable.h"

namespace kestrane {
namespace {

using namespace kestrane::test;

using Renamed = std::vector<std::pair<std::string, std::string>>;

// A golden computation run through the stages; point names may be replaced.
AdjustmentState goldenState(const std::string& name, const Renamed& renamed = {}) {
    std::vector<std::string> answers = splitLines(readFile(goldenDir() / (name + ".answers.txt")));
    for (const auto& [from, to] : renamed) {
        EXPECT_GT(std::ranges::count(answers, from), 0) << name << " names no point " << from;
        std::replace(answers.begin(), answers.end(), from, to);
    }
    const testing::RunRecord run = testing::runComputation({answers.begin(), answers.end()});
    EXPECT_EQ(run.result.outcome, RunOutcome::Completed) << name;
    return run.state;
}

// What an SVG file holds, which must be well-formed XML: its text elements
// (texts and font families), its description, and its lines and polygons in
// its pixels (transforms applied) with the stroke and fill of the group each
// stands in. A polygon is written as a path of straight segments back to its
// start.
struct SvgShape {
    QString kind, stroke, fill;
    std::vector<QPointF> points;
    QPointF centroid() const {
        QPointF sum;
        for (const QPointF& p : points) sum += p;
        return sum / static_cast<double>(points.size());
    }
};
struct Svg {
    QStringList texts, families;
    QString description;
    std::vector<SvgShape> shapes;
};

Svg readSvg(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::vector<QXmlStreamAttributes> groups;
    Svg svg;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("g")) groups.pop_back();
        if (token != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("g")) groups.push_back(xml.attributes());
        if (xml.name() == QLatin1String("desc")) svg.description = xml.readElementText();
        if (xml.name() == QLatin1String("text")) {
            svg.families << xml.attributes().value(QLatin1String("font-family")).toString();
            svg.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
        const bool path = xml.name() == QLatin1String("path");
        if (!path && xml.name() != QLatin1String("polyline")) continue;
        QStringList corners = xml.attributes().value(path ? "d" : "points").toString().split(' ', Qt::SkipEmptyParts);
        if (path) {
            // Straight segments only (a glyph has curves), the start repeated at the end.
            const bool straight = std::all_of(corners.begin(), corners.end(), [&](const QString& c) {
                return c.startsWith(&c == &corners.front() ? 'M' : 'L');
            });
            if (!straight || corners.size() < 3 || corners.front().mid(1) != corners.back().mid(1)) continue;
            corners.removeLast();
            for (QString& c : corners) c.remove(0, 1);
        }
        SvgShape shape{path ? "polygon" : "polyline", {}, {}, {}};
        double m[6] = {1, 0, 0, 1, 0, 0};
        if (!groups.empty()) {
            shape.stroke = groups.back().value("stroke").toString();
            shape.fill = groups.back().value("fill").toString();
            const QString transform = groups.back().value("transform").toString();
            if (transform.startsWith("matrix(")) {
                const QStringList v = transform.mid(7).chopped(1).split(',');
                for (int i = 0; i < 6 && i < v.size(); ++i) m[i] = v[i].toDouble();
            }
        }
        for (const QString& pair : corners) {
            const QStringList xy = pair.split(',');
            const double x = xy[0].toDouble(), y = xy[1].toDouble();
            shape.points.emplace_back(m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]);
        }
        svg.shapes.push_back(shape);
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return svg;
}

// The picture written as SVG to a scratch file with the given suffix.
std::filesystem::path writtenSvg(const NetworkPicture& picture, const std::string& suffix) {
    const auto svg = scratchFile(suffix);
    QString error;
    EXPECT_TRUE(writeNetworkPicture(picture, QString::fromStdString(svg.string()), &error))
        << suffix << ": " << error.toStdString();
    return svg;
}

// The texts of the report line that starts with `label` after the "=".
std::string reportFigure(const std::string& name, const std::string& label) {
    for (const std::string& line : splitLines(readFile(goldenDir() / (name + ".report.txt")))) {
        const auto at = line.find(label);
        if (at != std::string::npos) {
            std::string value = line.substr(at + label.size());
            value = value.substr(value.find_first_not_of(' '));
            return value.substr(0, value.find('('));
        }
    }
    return "";
}

TEST(PrecisionTableWindow, ShowsEveryResultRowWithTheWeakestPointAsReported) {
    const AdjustmentState s = goldenState("aonly-n3");
    PrecisionTableWindow window(s);
    EXPECT_EQ(window.objectName(), "precisionTableWindow");
    QTableView* table = window.table();
    ASSERT_EQ(table->model()->rowCount(), s.resultRowCount + 1);
    ASSERT_EQ(table->model()->columnCount(), 11);

    const auto expected = precisionTableRows(s, computePointPrecision(s));
    for (int r = 0; r <= s.resultRowCount; ++r) {
        QStringList texts;
        for (const std::string& t : expected[static_cast<std::size_t>(r)]) texts << QString::fromStdString(t);
        EXPECT_EQ(window.rowTexts(r), texts) << r;
    }
    // The weakest point (outer point 2) shows the report's own figures.
    const QStringList weakest = window.rowTexts(2);
    EXPECT_EQ(weakest[3].toStdString(), reportFigure("aonly-n3", "1/px="));
    EXPECT_EQ(weakest[4].toStdString(), reportFigure("aonly-n3", "1/py="));
    EXPECT_DOUBLE_EQ(weakest[5].toDouble(), std::stod(reportFigure("aonly-n3", "mx=")));
    EXPECT_DOUBLE_EQ(weakest[7].toDouble(), std::stod(reportFigure("aonly-n3", "md=")));
    // A and A again are known.
    EXPECT_EQ(window.rowTexts(0).mid(3), QStringList({"0.0000", "0.0000", "0.00", "0.00", "0.00", "0.00", "0.00", "0.0000"}));
    EXPECT_EQ(window.rowTexts(s.resultRowCount).mid(3), window.rowTexts(0).mid(3));
}

TEST(PrecisionTableWindow, SortsNumericallyAndMarksTheLargestPositionError) {
    // The widest name is neither the longest nor the first: the name column
    // is as wide as it, as drawn.
    const AdjustmentState s = goldenState("aonly-n9", {{"Valley1", "WMWMWMW"}, {"Summit", "iiiiiiiiiiiiiiil"}});
    PrecisionTableWindow window(s);
    QTableView* table = window.table();
    const int rows = table->model()->rowCount();
    window.show();
    QApplication::processEvents();
    for (int r = 0; r < rows; ++r) {
        EXPECT_GE(table->columnWidth(0), table->fontMetrics().horizontalAdvance(window.rowTexts(r)[0])) << r;
    }

    // The marked row is the one with the largest mp.
    double largest = -1;
    int largestRow = -1;
    for (int r = 0; r < rows; ++r) {
        const double mp = window.rowTexts(r)[7].toDouble();
        if (mp > largest) largest = mp, largestRow = r;
    }
    EXPECT_EQ(window.markedRow(), largestRow);
    EXPECT_TRUE(table->model()->index(largestRow, 0).data(Qt::FontRole).value<QFont>().bold());

    for (const int column : {1, 2, 3, 7, 10}) {
        table->sortByColumn(column, Qt::DescendingOrder);
        for (int r = 1; r < rows; ++r) {
            EXPECT_GE(window.rowTexts(r - 1)[column].toDouble(), window.rowTexts(r)[column].toDouble())
                << "column " << column << " row " << r;
        }
    }
    table->sortByColumn(7, Qt::DescendingOrder);
    EXPECT_EQ(window.rowTexts(0)[7].toDouble(), largest);
}

TEST(PrecisionTableWindow, CopiesTheSelectionAsTabSeparatedLines) {
    const AdjustmentState s = goldenState("awithb-n5", {{"OLDFARM", "\"引号\",<&>"}});
    PrecisionTableWindow window(s);
    QTableView* table = window.table();
    table->selectAll();
    const QStringList lines = window.selectionText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), s.resultRowCount + 1);
    int quoted = 0;
    for (int r = 0; r < lines.size(); ++r) {
        QStringList fields = lines[r].split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 11);
        if (fields[0].startsWith(QLatin1Char('"'))) {
            EXPECT_EQ(fields[0], "\"\"\"引号\"\",<&>\"");  // quoted, quotes doubled
            fields[0] = QStringLiteral("\"引号\",<&>");
            ++quoted;
        }
        EXPECT_EQ(fields, window.rowTexts(r));
    }
    EXPECT_EQ(quoted, 1);  // the renamed point, and only it

    // A block of cells: the same rectangle; Ctrl+C puts it on the clipboard.
    table->clearSelection();
    table->selectionModel()->select(QItemSelection(table->model()->index(1, 3), table->model()->index(2, 5)),
                                    QItemSelectionModel::Select);
    const QString block = window.selectionText();
    EXPECT_EQ(block, window.rowTexts(1).mid(3, 3).join('\t') + "\n" + window.rowTexts(2).mid(3, 3).join('\t') + "\n");
    window.copySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), block);
}

TEST(PrecisionTableWindow, PrintsToAPdfPrinter) {
    PrecisionTableWindow window(goldenState("awithc-n4"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const auto pdf = scratchFile("table.pdf");
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    window.printTo(printer);
    const std::string text = capture("pdftotext -layout '" + pdf.string() + "' -");
    // The text layer gives every character printed, digits and Chinese.
    for (const QString& expected : QStringList{"点位精度表", "点名", "1/px", "TOWER11", "NorthPeak6", "Valley54",
                                               "mp = 7.44 毫米"} + window.rowTexts(2)) {
        EXPECT_NE(text.find(expected.toStdString()), std::string::npos) << expected.toStdString() << "\n" << text;
    }
}

// Every export of the picture; the SVG must be well-formed XML with the
// names as entered.
TEST(NetworkPicture, ExportsSvgPdfAndPng) {
    const std::string odd = "<&>\"名'";
    const AdjustmentState s = goldenState("aonly-n6-exact", {{"P1", odd}});
    NetworkPictureWindow window(s);
    EXPECT_EQ(window.objectName(), "networkPictureWindow");

    const auto svg = scratchFile("picture.svg");
    QString error;
    ASSERT_TRUE(window.exportTo(QString::fromStdString(svg.string()), &error)) << error.toStdString();
    const QStringList texts = readSvg(svg).texts;
    // A run of text in another face is a text element of its own.
    EXPECT_TRUE(texts.join(QString()).contains(QString::fromStdString(odd))) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("北")));

    const auto pdf = scratchFile("picture.pdf");
    ASSERT_TRUE(window.exportTo(QString::fromStdString(pdf.string()), &error)) << error.toStdString();
    EXPECT_NE(capture("pdfinfo '" + pdf.string() + "'").find("Pages:           1\n"), std::string::npos);
    const std::string pdfText = capture("pdftotext '" + pdf.string() + "' -");
    for (const std::string& expected : {odd, std::string("北"), std::string("比例尺")}) {
        EXPECT_NE(pdfText.find(expected), std::string::npos) << expected << "\n" << pdfText;
    }

    const auto png = scratchFile("picture.png");
    ASSERT_TRUE(window.exportTo(QString::fromStdString(png.string()), &error)) << error.toStdString();
    const QImage image(QString::fromStdString(png.string()));
    ASSERT_FALSE(image.isNull());
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) dark += qGray(image.pixel(x, y)) < 128;
    }
    EXPECT_GT(dark, 500);

    EXPECT_FALSE(window.exportTo(QString::fromStdString(scratchFile("picture.gif").string()), &error));
}

// The exported picture against the results table: every point where its
// coordinates put it (at one scale and place for all), every ellipse with
// the table's E, F and azimuth at the enlargement the picture states, within
// a pixel.
TEST(NetworkPicture, SvgGeometryAgreesWithTheResultsTable) {
    for (const char* name : {"aonly-n9", "awithb-n5", "awithc-n4"}) {
        SCOPED_TRACE(name);
        const AdjustmentState s = goldenState(name);
        const std::vector<PointPrecision> precision = computePointPrecision(s);
        const Svg drawn = readSvg(writtenSvg(NetworkPicture(s, precision), std::string(name) + ".svg"));
        const std::vector<SvgShape>& shapes = drawn.shapes;
        std::smatch factorText;
        const std::string caption = drawn.description.toStdString();
        EXPECT_TRUE(std::regex_search(caption, factorText, std::regex("放大 ([0-9.]+) 倍"))) << caption;
        if (factorText.empty()) continue;
        const double factor = std::stod(factorText[1]);

        struct Row {
            std::string name;
            double x, y;
            bool known;
            double major, minor, azimuth;
        };
        std::vector<Row> rows;
        for (const std::string& line : splitLines(resultsTableText(s, precision))) {
            if (line.find("点名") != std::string::npos) continue;
            std::vector<std::string> f;
            std::stringstream fields(line.substr(0, line.find('\r')));
            for (std::string v; std::getline(fields, v, ',');) f.push_back(v);
            EXPECT_EQ(f.size(), 11u) << line;
            if (f.size() != 11u) continue;
            rows.push_back({f[0], std::stod(f[1]), std::stod(f[2]), f[3] == "0.0000" && f[8] == "0.00", std::stod(f[8]),
                            std::stod(f[9]), DmsToDegrees(std::stod(f[10]))});
        }
        const int r = s.resultRowCount;
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(r) + 1);
        if (rows.size() != static_cast<std::size_t>(r) + 1) continue;
        const bool aOnly = s.knownPointCase() == KnownPointCase::AOnly;
        const int centre = s.knownPointCase() == KnownPointCase::AWithB ? s.triangleCount - 1 : s.triangleCount;

        // The outer polygon: A, the outer points in order, A.
        std::vector<int> ring{0};
        for (int i = 1; i <= (aOnly ? r - 1 : r); ++i) {
            if (i != centre) ring.push_back(i);
        }
        ring.push_back(0);
        const auto drawnRing = std::find_if(shapes.begin(), shapes.end(), [&](const SvgShape& shape) {
            return shape.kind == "polyline" && shape.stroke == "#282828";
        });
        EXPECT_TRUE(drawnRing != shapes.end() && drawnRing->points.size() == ring.size());
        if (drawnRing == shapes.end() || drawnRing->points.size() != ring.size()) continue;
        // Northing up, easting right: px = ox + k Y, py = oy - k X, fitted.
        double mx = 0, my = 0, mX = 0, mY = 0;
        for (std::size_t j = 0; j < ring.size(); ++j) {
            mx += drawnRing->points[j].x(), my += drawnRing->points[j].y();
            mX += rows[ring[j]].x, mY += rows[ring[j]].y;
        }
        const double count = static_cast<double>(ring.size());
        mx /= count, my /= count, mX /= count, mY /= count;
        double num = 0, den = 0;
        for (std::size_t j = 0; j < ring.size(); ++j) {
            const Row& row = rows[ring[j]];
            num += (row.y - mY) * (drawnRing->points[j].x() - mx) - (row.x - mX) * (drawnRing->points[j].y() - my);
            den += (row.y - mY) * (row.y - mY) + (row.x - mX) * (row.x - mX);
        }
        const double k = num / den;
        auto pixel = [&](const Row& row) { return QPointF(mx + k * (row.y - mY), my - k * (row.x - mX)); };
        for (std::size_t j = 0; j < ring.size(); ++j) {
            EXPECT_LT(QLineF(drawnRing->points[j], pixel(rows[ring[j]])).length(), 1.0) << rows[ring[j]].name;
        }

        for (int i = 0; i <= (aOnly ? r - 1 : r); ++i) {
            const Row& row = rows[i];
            const QPointF at = pixel(row);
            auto near = [&](const SvgShape& shape) { return QLineF(shape.centroid(), at).length() < 1.0; };
            if (row.known) {
                // A black triangle on the point.
                EXPECT_TRUE(std::any_of(shapes.begin(), shapes.end(), [&](const SvgShape& shape) {
                    return shape.kind == "polygon" && shape.points.size() == 3 && shape.fill == "#000000" && near(shape);
                })) << row.name;
                continue;
            }
            const auto ellipse = std::find_if(shapes.begin(), shapes.end(), [&](const SvgShape& shape) {
                return shape.kind == "polygon" && shape.stroke == "#c81e1e" && shape.points.size() >= 12 && near(shape);
            });
            EXPECT_NE(ellipse, shapes.end()) << row.name;
            if (ellipse == shapes.end()) continue;
            // Second moments of the outline, sampled evenly round it:
            // (a^2 e e' + b^2 e2 e2') / 2 with e along the major axis.
            const QPointF c = ellipse->centroid();
            double sxx = 0, syy = 0, sxy = 0;
            for (const QPointF& p : ellipse->points) {
                sxx += (p.x() - c.x()) * (p.x() - c.x());
                syy += (p.y() - c.y()) * (p.y() - c.y());
                sxy += (p.x() - c.x()) * (p.y() - c.y());
            }
            const double npts = static_cast<double>(ellipse->points.size());
            sxx /= npts, syy /= npts, sxy /= npts;
            const double half = (sxx + syy) / 2, root = std::hypot((sxx - syy) / 2, sxy);
            const double a = std::sqrt(2 * (half + root)), b = std::sqrt(2 * std::max(0.0, half - root));
            const double scale = factor / 1000 * k;  // pixels per millimetre of the ellipse
            EXPECT_NEAR(a, row.major * scale, 1.0) << row.name;
            EXPECT_NEAR(b, row.minor * scale, 1.0) << row.name;
            // Azimuth clockwise from north: on the picture (sin, -cos).
            const double drawn = std::atan2(2 * sxy, sxx - syy) / 2;  // from the picture's x axis
            const double expected = (row.azimuth - 90) * M_PI / 180;
            EXPECT_LT((a - b) * std::fabs(std::sin(drawn - expected)), 1.0) << row.name << " azimuth " << row.azimuth;
        }
    }
}

// The SVG holds every point name as text, Latin, with digits, Chinese or
// mixed; a name drawn in two faces is two text elements one after the other.
// Every font-family ends in Chinese faces and a generic family, so that a
// reader without the writing machine's fonts still shows the names.
TEST(NetworkPicture, SvgHoldsEveryNameAsText) {
    const Renamed renamed = {
        {"P1", "Bridge"}, {"P2", "Summit087"}, {"P3", "Chapel"}, {"P4", "南山"}, {"P5", "北Gate9"}, {"O", "中心O"}};
    const AdjustmentState s = goldenState("aonly-n6-exact", renamed);
    ASSERT_TRUE(s.complete);
    const Svg drawn = readSvg(writtenSvg(NetworkPicture(s, computePointPrecision(s)), "names.svg"));
    const QString runs = drawn.texts.join(QString());  // every text element's text, one after the other
    for (const auto& [from, name] : renamed) {
        EXPECT_TRUE(runs.contains(QString::fromStdString(name))) << name << " in " << runs.toStdString();
    }
    ASSERT_FALSE(drawn.families.isEmpty());
    for (const QString& family : drawn.families) {
        EXPECT_TRUE(family.endsWith(QStringLiteral("'Noto Sans CJK SC', 'Source Han Sans SC', 'WenQuanYi Micro Hei', "
                                                   "'Microsoft YaHei', 'PingFang SC', 'SimHei', sans-serif")))
            << family.toStdString();
    }
}

// The console's plot: SVG or PDF by the extension, nothing else.
TEST(NetworkPicture, PlotsForTheConsole) {
    const AdjustmentState s = goldenState("awithb-n5");
    const std::vector<PointPrecision> precision = computePointPrecision(s);
    QString error;
    for (const char* suffix : {"plot.svg", "plot.pdf"}) {
        const auto path = scratchFile(suffix);
        EXPECT_TRUE(writeNetworkPlot(s, precision, QString::fromStdString(path.string()), &error)) << suffix;
        EXPECT_GT(std::filesystem::file_size(path), 1000u) << suffix;
    }
    const auto png = scratchFile("plot.png");
    EXPECT_FALSE(writeNetworkPlot(s, precision, QString::fromStdString(png.string()), &error));
    EXPECT_FALSE(std::filesystem::exists(png));
    EXPECT_FALSE(writeNetworkPlot(AdjustmentState{}, {}, QString::fromStdString(scratchFile("none.svg").string()), &error));
}

// Zooming keeps the ground point under the cursor; dragging moves the
// drawing with the mouse; fitting shows everything again.
TEST(NetworkPicture, ZoomsAboutTheCursorAndPans) {
    NetworkPictureWindow window(goldenState("aonly-n9"));
    window.resize(800, 600);
    window.show();
    NetworkCanvas* canvas = window.canvas();
    const PictureView fitted = canvas->view();
    const QPointF middle = QRectF(canvas->rect()).center();
    auto groundAt = [&](const QPointF& p) {
        const PictureView& v = canvas->view();
        return QPointF(v.centreX - (p.y() - middle.y()) / v.pixelsPerMetre, v.centreY + (p.x() - middle.x()) / v.pixelsPerMetre);
    };
    const QPointF cursor(middle.x() + 120, middle.y() - 80);
    const QPointF before = groundAt(cursor);
    canvas->zoomAt(cursor, 2.0);
    EXPECT_DOUBLE_EQ(canvas->view().pixelsPerMetre, 2 * fitted.pixelsPerMetre);
    EXPECT_NEAR(groundAt(cursor).x(), before.x(), 1e-6);
    EXPECT_NEAR(groundAt(cursor).y(), before.y(), 1e-6);

    const QPointF ground = groundAt(middle);
    canvas->panBy(QPointF(30, -20));
    EXPECT_NEAR(groundAt(middle + QPointF(30, -20)).x(), ground.x(), 1e-6);
    EXPECT_NEAR(groundAt(middle + QPointF(30, -20)).y(), ground.y(), 1e-6);

    window.fitToWindow();
    EXPECT_DOUBLE_EQ(canvas->view().pixelsPerMetre, fitted.pixelsPerMetre);
    EXPECT_FALSE(canvas->grab().isNull());
}

TEST(PictureLinks, EllipseBarIsTheShortestRoundLengthOfFortyPixels) {
    const struct {
        double pixelsPerMillimetre, millimetres;
        const char* caption;
    } cases[] = {
        {40, 1, "椭圆 1 毫米"},         {39.99, 2, "椭圆 2 毫米"},     {20, 2, "椭圆 2 毫米"},
        {19.99, 5, "椭圆 5 毫米"},      {8, 5, "椭圆 5 毫米"},         {7.99, 10, "椭圆 10 毫米"},
        {4, 10, "椭圆 10 毫米"},        {0.5, 100, "椭圆 100 毫米"},   {0.0399, 2000, "椭圆 2 米"},
        {400, 0.1, "椭圆 0.1 毫米"},    {3000, 0.02, "椭圆 0.02 毫米"}, {1.3, 50, "椭圆 50 毫米"},
    };
    for (const auto& c : cases) {
        const double length = ellipseBarMillimetres(c.pixelsPerMillimetre);
        EXPECT_NEAR(length, c.millimetres, c.millimetres * 1e-12) << c.pixelsPerMillimetre;
        EXPECT_GE(length * c.pixelsPerMillimetre, 40.0) << c.pixelsPerMillimetre;
        EXPECT_EQ(ellipseBarCaption(length).toStdString(), c.caption);
    }

    // The exported picture states the bar of its own ellipse scale.
    const AdjustmentState s = fixture::completedState(fixture::randomNetwork(9, KnownPointCase::AOnly, 9));
    const NetworkPicture picture(s, computePointPrecision(s));
    const QRectF target(0, 0, 1600, 1200);
    const double pixelsPerMillimetre = picture.ellipseFactor() / 1000 * picture.fitView(target).pixelsPerMetre;
    const double unit = 1200.0 / 700;  // a window pixel on the export
    const QString caption = ellipseBarCaption(ellipseBarMillimetres(pixelsPerMillimetre, 40 * unit));
    const QString runs = readSvg(writtenSvg(picture, "bar.svg")).texts.join(QString());
    EXPECT_TRUE(runs.contains(caption)) << caption.toStdString() << " in " << runs.toStdString();
}

TEST(PictureLinks, CrowdedNamesAreLeftOutOnScreenOnly) {
    // Rectangles at random, placed one after another: none kept overlaps
    // another or a fixed one, and each left out overlaps one of them.
    std::mt19937_64 random(16);
    const struct {
        int count;
        double side, cell;
    } draws[] = {{300, 40, 60}, {6553, 12, 48}, {2000, 3, 1}, {500, 150, 20}};
    for (const auto& d : draws) {
        std::uniform_real_distribution<double> where(0, 900), size(1, d.side);
        std::vector<QRectF> candidates, fixed;
        for (int i = 0; i < d.count; ++i) candidates.emplace_back(where(random), where(random), size(random), size(random));
        for (int i = 0; i < d.count / 10; ++i) fixed.emplace_back(where(random), where(random), 6, 6);
        const std::vector<bool> kept = placeClear(candidates, fixed, d.cell);
        int count = 0;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            bool blocked = false;
            for (const QRectF& f : fixed) blocked = blocked || f.intersects(candidates[i]);
            for (std::size_t j = 0; j < i; ++j) blocked = blocked || (kept[j] && candidates[j].intersects(candidates[i]));
            EXPECT_EQ(kept[i], !blocked) << d.count << " rectangle " << i;
            count += kept[i];
        }
        EXPECT_GT(count, 0);
        EXPECT_LT(count, d.count);
    }

    // A polygon of 150 triangles: crowded in a window, every name exported.
    const AdjustmentState s = fixture::completedState(fixture::regularNetwork(150, KnownPointCase::AOnly));
    const NetworkPicture picture(s, computePointPrecision(s));
    const QRectF window(0, 0, 880, 620);
    PictureView fitted = picture.fitView(window);
    fitted.leaveOutCrowdedNames = true;
    // Eight times closer on outer point 40, its neighbour ringed.
    const PictureView zoomed{picture.pointX(40), picture.pointY(40), fitted.pixelsPerMetre * 8, true, 41};
    auto inWindow = [&](const PictureView& view, int i) {
        const double px = window.center().x() + (picture.pointY(i) - view.centreY) * view.pixelsPerMetre;
        const double py = window.center().y() - (picture.pointX(i) - view.centreX) * view.pixelsPerMetre;
        return window.contains(QPointF(px, py));
    };
    auto named = [&](const PictureView& view) {
        std::vector<bool> shown(static_cast<std::size_t>(picture.pointCount()), false);
        const auto names = picture.placedNames(window, view);
        for (std::size_t a = 0; a < names.size(); ++a) {
            shown[static_cast<std::size_t>(names[a].point)] = true;
            EXPECT_GT(names[a].rect.width(), 0.0);
            for (std::size_t b = 0; b < a && view.leaveOutCrowdedNames; ++b) {
                EXPECT_FALSE(names[a].rect.intersects(names[b].rect))
                    << picture.pointName(names[a].point).toStdString() << " over "
                    << picture.pointName(names[b].point).toStdString();
            }
        }
        return shown;
    };
    const std::vector<bool> atFit = named(fitted), atZoom = named(zoomed);
    int visible = 0, shownAtFit = 0, closeBy = 0, closeByAtFit = 0, closeByAtZoom = 0;
    for (int i = 0; i < picture.pointCount(); ++i) {
        visible += inWindow(fitted, i);
        shownAtFit += atFit[static_cast<std::size_t>(i)];
        if (!inWindow(zoomed, i)) continue;
        ++closeBy;
        closeByAtFit += atFit[static_cast<std::size_t>(i)];
        closeByAtZoom += atZoom[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(visible, picture.pointCount());
    EXPECT_GT(shownAtFit, 0);
    EXPECT_LT(shownAtFit, visible) << "nothing left out where the names crowd";
    EXPECT_GT(closeByAtZoom, closeByAtFit) << "zooming in shows no more names";
    EXPECT_EQ(closeByAtZoom, closeBy);
    EXPECT_TRUE(atZoom[41]) << "the ringed point keeps its name";
    const QStringList texts = readSvg(writtenSvg(picture, "crowded.svg")).texts;
    for (int i = 0; i < picture.pointCount(); ++i) {
        EXPECT_TRUE(texts.contains(picture.pointName(i))) << picture.pointName(i).toStdString();
    }
}

TEST(PictureLinks, ChosenRowIsRingedAndCentredInThePicture) {
    const struct {
        const char* file;
        int sortColumn;  // -1: the report's order
        Qt::SortOrder order;
        int viewRow;
    } cases[] = {
        {"aonly-n9", -1, Qt::AscendingOrder, 4},  {"aonly-n9", 7, Qt::DescendingOrder, 0},
        {"aonly-n9", -1, Qt::AscendingOrder, 9},  // A closing the chain
        {"aonly-n9", 0, Qt::DescendingOrder, 2},  {"awithb-n5", 7, Qt::AscendingOrder, 5},
        {"awithc-n4", -1, Qt::AscendingOrder, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " row " + std::to_string(c.viewRow));
        [&] {  // a failed assertion ends this case only
            Form1 form;
            form.show();
            ASSERT_TRUE(form.openObservationFile(exampleFile(c.file)));
            ASSERT_TRUE(form.state().complete);
            form.showPrecisionTable();
            form.showNetworkPicture();
            auto* table = form.findChild<PrecisionTableWindow*>();
            auto* picture = form.findChild<NetworkPictureWindow*>();
            ASSERT_TRUE(table && picture);
            picture->resize(900, 700);
            NetworkCanvas* canvas = picture->canvas();
            EXPECT_EQ(canvas->highlighted(), -1);

            table->table()->sortByColumn(c.sortColumn, c.order);
            table->table()->selectRow(c.viewRow);
            const QString name = table->rowTexts(c.viewRow)[0];
            const int point = canvas->highlighted();
            ASSERT_GE(point, 0);
            EXPECT_EQ(picture->picture().pointName(point), name);
            EXPECT_EQ(canvas->view().centreX, picture->picture().pointX(point));
            EXPECT_EQ(canvas->view().centreY, picture->picture().pointY(point));
            // The ring about the middle of the window.
            const QImage shot = canvas->grab().toImage();
            const QPoint middle = QRectF(canvas->rect()).center().toPoint();
            int ringed = 0;
            for (const QPoint& off : {QPoint(11, 0), QPoint(-11, 0), QPoint(0, 11), QPoint(0, -11)}) {
                const QColor colour = shot.pixelColor(middle + off);
                ringed += colour.blue() > 150 && colour.red() < 100;
            }
            EXPECT_GE(ringed, 3);
        }();
    }
}

}  // namespace
}  // namespace kestrane
