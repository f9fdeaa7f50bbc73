// The precision table and the network picture of example computations: the
// table's rows, sorting, marked point and copy; the picture's exports and the
// console's plot; zooming and panning of the picture window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QXmlStreamReader>

#include <algorithm>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "adjustment/PointPrecision.h"
#include "driver/ComputationDriver.h"
#include "frontends/qt/NetworkPicture.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/PrecisionTableWindow.h"
#include "results/PrecisionTable.h"

namespace kestrane {
namespace {

using namespace kestrane::test;

// A golden computation run through the stages; a name may be replaced.
AdjustmentState goldenState(const std::string& name, const std::string& from = "", const std::string& to = "") {
    std::vector<std::string> answers = splitLines(readFile(goldenDir() / (name + ".answers.txt")));
    if (!from.empty()) std::replace(answers.begin(), answers.end(), from, to);
    fixture::ScriptedPrompt prompt(answers);
    WindowFields window;
    Services io{prompt, window};
    AdjustmentState s;
    EXPECT_EQ(Command1_Click(s, io).outcome, RunOutcome::Completed) << name;
    return s;
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
    const AdjustmentState s = goldenState("aonly-n9");
    PrecisionTableWindow window(s);
    QTableView* table = window.table();
    const int rows = table->model()->rowCount();

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
    const AdjustmentState s = goldenState("awithb-n5", "P1", "\"引号\",<&>");
    PrecisionTableWindow window(s);
    QTableView* table = window.table();
    table->selectAll();
    const QStringList lines = window.selectionText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), s.resultRowCount + 1);
    for (int r = 0; r < lines.size(); ++r) {
        QStringList fields = lines[r].split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 11);
        if (fields[0].startsWith(QLatin1Char('"'))) {
            EXPECT_EQ(fields[0], "\"\"\"引号\"\",<&>\"");  // quoted, quotes doubled
            fields[0] = QStringLiteral("\"引号\",<&>");
        }
        EXPECT_EQ(fields, window.rowTexts(r));
    }

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
    const AdjustmentState s = goldenState("aonly-n6-exact", "P1", odd);
    NetworkPictureWindow window(s);
    EXPECT_EQ(window.objectName(), "networkPictureWindow");

    const auto svg = scratchFile("picture.svg");
    QString error;
    ASSERT_TRUE(window.exportTo(QString::fromStdString(svg.string()), &error)) << error.toStdString();
    QFile file(QString::fromStdString(svg.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text")) {
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
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

// The SVG holds every point name as text, Latin, with digits, Chinese or
// mixed; a name drawn in two faces is two text elements one after the other.
// Every font-family ends in Chinese faces and a generic family, so that a
// reader without the writing machine's fonts still shows the names.
TEST(NetworkPicture, SvgHoldsEveryNameAsText) {
    const std::vector<std::pair<std::string, std::string>> renamed = {
        {"P1", "Bridge"}, {"P2", "Summit087"}, {"P3", "Chapel"}, {"P4", "南山"}, {"P5", "北Gate9"}, {"O", "中心O"}};
    std::vector<std::string> answers = splitLines(readFile(goldenDir() / "aonly-n6-exact.answers.txt"));
    for (const auto& [from, to] : renamed) std::replace(answers.begin(), answers.end(), from, to);
    fixture::ScriptedPrompt prompt(answers);
    WindowFields fields;
    Services io{prompt, fields};
    AdjustmentState s;
    ASSERT_EQ(Command1_Click(s, io).outcome, RunOutcome::Completed);

    const auto svg = scratchFile("names.svg");
    QString error;
    ASSERT_TRUE(writeNetworkPicture(NetworkPicture(s, computePointPrecision(s)), QString::fromStdString(svg.string()),
                                    &error))
        << error.toStdString();
    QFile file(QString::fromStdString(svg.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString runs;  // every text element's text, one after the other
    QStringList families;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text")) {
            families << xml.attributes().value(QLatin1String("font-family")).toString();
            runs += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const auto& [from, name] : renamed) {
        EXPECT_TRUE(runs.contains(QString::fromStdString(name))) << name << " in " << runs.toStdString();
    }
    ASSERT_FALSE(families.isEmpty());
    for (const QString& family : families) {
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

}  // namespace
}  // namespace kestrane
