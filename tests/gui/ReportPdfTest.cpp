// The printed report as a PDF file, through the same printing path as the
// print command and `--pdf`: every line and item of the text form, on as
// many pages as needed, each item at its tab column, nothing off the page.
#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "frontends/qt/PainterReportPrinter.h"
#include "frontends/qt/PdfText.h"
#include "frontends/qt/QtFrontEnd.h"
#include "results/Report.h"
#include "results/TextWidth.h"

namespace {

using namespace kestrane::test;

constexpr double kOrigin = 50.0;  // 1000 twips in points

// The golden computation's report written by the console through the writer.
std::filesystem::path pdfOf(const std::string& name, const kestrane::PdfWriter& writer = kestrane::pdfWriter(),
                            const std::string& suffix = ".pdf") {
    const auto pdf = scratchFile(name + suffix);
    kestrane::ConsoleOptions options;
    options.pdfPath = pdf.string();
    std::istringstream answers(readFile(goldenDir() / (name + ".answers.txt")));
    std::ostringstream out, err;
    EXPECT_EQ(kestrane::runConsole(options, answers, out, err, writer), kestrane::kExitCompleted) << err.str();
    return pdf;
}

// An A4 page without margins at 1440 dots per inch, as the report is printed.
void setReportPage(QPdfWriter& writer) {
    writer.setResolution(1440);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
}

// What the layout of the page legitimately changes, taken out of both texts:
// - every blank (U+0020): the text form fills up to each tab column with
//   blanks, the page places each piece at its column instead, and pdftotext
//   rebuilds blanks from the gaps with its own character widths (it also sees
//   a gap where a condensed item meets the next one, and none for a narrow
//   blank);
// - empty lines and page breaks: pdftotext turns vertical gaps into empty
//   lines of its own and ends each page with a form feed.
// Everything else stays, so a glyph that extracts as another character (a
// radical for an ideograph, a tab for a blank) is a difference.
std::vector<std::string> inkLines(const QString& text) {
    std::vector<std::string> lines;
    for (QString line : text.split(QRegularExpression("[\n\f]"))) {
        line.remove(' ');
        if (!line.isEmpty()) lines.push_back(line.toStdString());
    }
    return lines;
}

// The text of the PDF file against the golden report, line by line; reports
// the first line that differs, rather than both whole texts.
void expectTheReportText(const std::filesystem::path& pdf, const std::string& name) {
    int status = -1;
    const QString text = QString::fromStdString(capture("pdftotext -layout '" + pdf.string() + "' -", &status));
    ASSERT_EQ(status, 0) << "pdftotext (poppler-utils) must be installed";
    const auto actual = inkLines(text);
    const auto expected = inkLines(QString::fromStdString(readFile(goldenDir() / (name + ".report.txt"))));
    EXPECT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << "line " << i << ": \"" << actual[i] << "\" instead of \"" << expected[i] << "\"";
            return;
        }
    }
}

int pageCount(const std::filesystem::path& pdf) {
    const std::string info = capture("pdfinfo '" + pdf.string() + "'");
    const auto match = QRegularExpression("Pages:\\s+(\\d+)").match(QString::fromStdString(info));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

class ReportPdf : public ::testing::TestWithParam<const char*> {};

TEST_P(ReportPdf, HoldsEveryLineOfTheReport) {
    const std::string name = GetParam();
    const auto pdf = pdfOf(name);
    expectTheReportText(pdf, name);

    // A page holds a little over sixty lines of the report.
    const int lines = static_cast<int>(splitLines(readFile(goldenDir() / (name + ".report.txt"))).size());
    const int pages = pageCount(pdf);
    EXPECT_GE(pages, 1 + (lines - 1) / 80);
    EXPECT_LE(pages, 1 + lines / 50);
}

// The pages rendered as pixels (grey, 100 dots per inch), one image a page.
std::vector<std::string> renderedPages(const std::filesystem::path& pdf) {
    const std::string prefix = pdf.string() + "-page";
    int status = -1;
    capture("pdftoppm -r 100 -gray '" + pdf.string() + "' '" + prefix + "'", &status);
    EXPECT_EQ(status, 0) << "pdftoppm (poppler-utils) must be installed";
    std::vector<std::string> pages;
    for (int page = 1;; ++page) {
        // pdftoppm numbers the pages with as many digits as the last one has.
        std::filesystem::path image;
        for (const char* format : {"%d", "%02d", "%03d"}) {
            char number[8];
            std::snprintf(number, sizeof number, format, page);
            if (std::filesystem::exists(prefix + "-" + number + ".pgm")) image = prefix + "-" + number + ".pgm";
        }
        if (image.empty()) return pages;
        pages.push_back(readFile(image));
    }
}

// The text layer is rewritten after Qt has written the document; the pages
// must look exactly as Qt drew them.
TEST_P(ReportPdf, TheTextRewriteLeavesThePagesAsDrawn) {
    const std::string name = GetParam();
    const auto repairedPdf = scratchFile(name + "-repaired.pdf");
    kestrane::DrawnText drawn;
    // Qt's own document of the computation's report, without the rewrite.
    const kestrane::PdfWriter qtOnly = [&](const kestrane::AdjustmentState& state, const std::string& path,
                                           std::ostream&) {
        QPdfWriter writer(QString::fromStdString(path));
        setReportPage(writer);
        QPainter painter(&writer);
        kestrane::PainterReportPrinter printer(painter, writer);
        kestrane::printReport(state, printer);
        printer.endDoc();
        drawn = printer.drawn();
        return true;
    };
    const auto drawnPdf = pdfOf(name, qtOnly, "-qt.pdf");
    ASSERT_FALSE(HasFailure());

    std::filesystem::copy_file(drawnPdf, repairedPdf);
    QString error;
    ASSERT_TRUE(kestrane::repairPdfText(QString::fromStdString(repairedPdf.string()), drawn, &error))
        << error.toStdString();
    // The report draws 方, 角, 长 and blanks, whose glyphs Qt names by a
    // radical or a tab: the document must have been rewritten.
    ASSERT_NE(readFile(repairedPdf), readFile(drawnPdf));

    const auto before = renderedPages(drawnPdf);
    const auto after = renderedPages(repairedPdf);
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t page = 0; page < before.size(); ++page) {
        EXPECT_TRUE(after[page] == before[page]) << "page " << page + 1 << " looks different after the rewrite";
    }
    expectTheReportText(repairedPdf, name);
}

// The print dialog's "print to file": a QPrinter writing a PDF file, as
// the window's print command hands it to the report.
TEST_P(ReportPdf, PrintingToAFileGivesTheSameText) {
    const kestrane::PdfWriter toPrinter = [](const kestrane::AdjustmentState& state, const std::string& path,
                                             std::ostream& err) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(path));
        QString error;
        if (kestrane::paintReport(state, printer, &error) > 0) return true;
        err << error.toStdString();
        return false;
    };
    expectTheReportText(pdfOf(GetParam(), toPrinter, "-printer.pdf"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Examples, ReportPdf,
                         ::testing::ValuesIn(kestrane::testing::kGoldenExamples), kestrane::testing::exampleTestName);

struct Word {
    int page;
    double xMin, yMin, xMax, yMax;
    QString text;
};

struct Page {
    double width, height;
};

QString unescape(QString s) {
    return s.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
}

void readBoxes(const std::filesystem::path& pdf, std::vector<Page>& pages, std::vector<Word>& words) {
    const QString html = QString::fromStdString(capture("pdftotext -bbox '" + pdf.string() + "' -"));
    const QRegularExpression item(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">|"
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            pages.push_back({m.captured(1).toDouble(), m.captured(2).toDouble()});
        } else {
            words.push_back({static_cast<int>(pages.size()) - 1, m.captured(3).toDouble(), m.captured(4).toDouble(),
                             m.captured(5).toDouble(), m.captured(6).toDouble(), unescape(m.captured(7))});
        }
    }
}

// The grid cell at which a text line's first non-blank character stands.
int firstCell(const std::string& line) {
    return kestrane::displayWidth(line.substr(0, line.find_first_not_of(' ')));
}

// Words grouped into printed lines by page and top, each in reading order.
std::vector<std::vector<Word>> printedLines(const std::vector<Word>& words) {
    std::map<std::pair<int, long>, std::vector<Word>> byLine;
    for (const Word& w : words) byLine[{w.page, std::lround(w.yMin * 100)}].push_back(w);
    std::vector<std::vector<Word>> printed;
    for (auto& [key, line] : byLine) {
        std::sort(line.begin(), line.end(), [](const Word& a, const Word& b) { return a.xMin < b.xMin; });
        printed.push_back(line);
    }
    return printed;
}

std::vector<std::string> nonBlankLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& line : splitLines(text)) {
        if (line.find_first_not_of(' ') != std::string::npos) lines.push_back(line);
    }
    return lines;
}

// Every page starts at the top print position; nothing crosses an edge or
// the bottom margin.
void expectOnThePages(const std::vector<Page>& pages, const std::vector<Word>& words) {
    std::vector<double> pageTop(pages.size(), 1e9);
    for (const Word& w : words) {
        pageTop[w.page] = std::min(pageTop[w.page], w.yMin);
        EXPECT_LE(w.xMax, pages[w.page].width - kOrigin);
        EXPECT_LE(w.yMax, pages[w.page].height - kOrigin + 0.5);
    }
    // A page may begin with an empty line of the report.
    for (double top : pageTop) {
        EXPECT_GE(top, kOrigin - 0.5);
        EXPECT_LE(top, kOrigin + 12.0);
    }
}

TEST(ReportPdfLayout, EveryLineStartsAtItsTabColumnAndStaysOnThePage) {
    const auto pdf = pdfOf("aonly-n9");
    std::vector<Page> pages;
    std::vector<Word> words;
    readBoxes(pdf, pages, words);
    ASSERT_GT(pages.size(), 1u);
    const auto printed = printedLines(words);
    const auto expected = nonBlankLines(readFile(goldenDir() / "aonly-n9.report.txt"));
    ASSERT_EQ(printed.size(), expected.size());

    // The cell of the size-8 lines from the first line after the title; every
    // later line must begin on that grid.
    const double cell = (printed[1][0].xMin - kOrigin) / firstCell(expected[1]);
    EXPECT_GT(cell, 0.45 * 8);
    EXPECT_LT(cell, 0.65 * 8);
    for (std::size_t i = 1; i < expected.size(); ++i) {
        EXPECT_NEAR(printed[i][0].xMin, kOrigin + firstCell(expected[i]) * cell, 0.1) << "line " << i;
    }
    // The title, in size 10, on its own wider grid, at the top print position.
    const double titleCell = (printed[0][0].xMin - kOrigin) / firstCell(expected[0]);
    EXPECT_NEAR(titleCell / cell, 10.0 / 8.0, 0.01);
    EXPECT_NEAR(printed[0][0].yMin, kOrigin, 0.5);
    expectOnThePages(pages, words);
}

// The printer itself on made-up lines: tab columns, wide characters counted
// as two cells, an item moved to the next line when its column is passed, a
// piece too wide for its room kept out of the next item's way, and pages.
TEST(ReportPdfLayout, ItemsKeepTheirColumnsOnTheGrid) {
    class Lines {
    public:
        void print(kestrane::ReportPrinter& p) const {
            p.setCurrentX(1000);
            p.setCurrentY(1000);
            p.setFontSize(8);
            p.setFontName("宋体");
            p.printLine({{10, "AAA"}, {20, "中文"}, {30, "x"}});
            p.printLine({{1, "中中中"}, {7, "Q"}});              // 6 cells: Q stays on the line
            p.printLine({{1, "中中中中"}, {7, "R"}});            // 8 cells: R goes to a new line
            p.printLine({{1, "WWWWWWWW"}, {0, "MM"}, {13, "Z"}});  // wider than its room of 12 cells
            for (int i = 0; i < 150; ++i) p.printLine({{5, "n" + std::to_string(i)}});
            p.endDoc();
        }
    };
    const auto pdf = scratchFile("grid.pdf");
    {
        QPdfWriter writer(QString::fromStdString(pdf.string()));
        setReportPage(writer);
        QPainter painter(&writer);
        kestrane::PainterReportPrinter printer(painter, writer);
        Lines().print(printer);
        EXPECT_EQ(printer.pageCount(), 3);  // 155 lines at a little over 60 a page
        QString error;
        ASSERT_TRUE(kestrane::repairPdfText(QString::fromStdString(pdf.string()), printer.drawn(), &error))
            << error.toStdString();
    }
    std::vector<Page> pages;
    std::vector<Word> words;
    readBoxes(pdf, pages, words);
    ASSERT_EQ(pages.size(), 3u);
    const auto printed = printedLines(words);
    ASSERT_EQ(printed.size(), 155u);
    auto x = [&](const std::vector<Word>& line, const QString& text) {
        for (const Word& w : line) {
            if (w.text == text) return w.xMin;
        }
        ADD_FAILURE() << "no word " << text.toStdString();
        return 0.0;
    };
    const double cell = (x(printed[0], "AAA") - kOrigin) / 9;
    EXPECT_NEAR(x(printed[0], "中文"), kOrigin + 19 * cell, 0.05);
    EXPECT_NEAR(x(printed[0], "x"), kOrigin + 29 * cell, 0.05);
    EXPECT_NEAR(x(printed[1], "Q"), kOrigin + 6 * cell, 0.05);
    ASSERT_EQ(printed[2].size(), 1u);
    EXPECT_NEAR(x(printed[3], "R"), kOrigin + 6 * cell, 0.05);
    EXPECT_NEAR(x(printed[4], "Z"), kOrigin + 12 * cell, 0.05);
    EXPECT_NEAR(printed[4][0].xMax, x(printed[4], "Z") - 0.5 * cell, 0.05);  // condensed, half a blank left
    for (int i = 0; i < 150; ++i) {
        const auto& line = printed[5 + static_cast<std::size_t>(i)];
        ASSERT_EQ(line.size(), 1u);
        EXPECT_EQ(line[0].text.toStdString(), "n" + std::to_string(i));
        EXPECT_NEAR(line[0].xMin, kOrigin + 4 * cell, 0.05);
    }
    expectOnThePages(pages, words);
}

std::string shellQuote(const std::string& s) { return "'" + s + "'"; }

TEST(ReportPdfConsole, WritesThePdfWithoutADisplay) {
    const auto pdf = scratchFile("console.pdf");
    const std::string answers = (goldenDir() / "awithb-n5.answers.txt").string();
    // No display, and a platform that would need one: only an offscreen
    // application of its own lets the program print.
    const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ";
    int status = -1;
    capture(env + shellQuote(KESTRANE_EXECUTABLE) + " --console --pdf " + shellQuote(pdf.string()) + " < " +
                shellQuote(answers) + " > /dev/null 2>&1",
            &status);
    EXPECT_EQ(status, 0);
    EXPECT_GE(pageCount(pdf), 1);

    // Without --pdf the console needs no window system at all.
    capture(env + shellQuote(KESTRANE_EXECUTABLE) + " --console < " + shellQuote(answers) + " > /dev/null 2>&1",
            &status);
    EXPECT_EQ(status, 0);
}

TEST(ReportPdfConsole, AnUnwritablePathIsReported) {
    std::istringstream answers(readFile(goldenDir() / "aonly-n3.answers.txt"));
    std::ostringstream out, err;
    kestrane::ConsoleOptions options;
    options.pdfPath = "/nonexistent-dir/report.pdf";
    EXPECT_EQ(kestrane::runConsole(options, answers, out, err, kestrane::pdfWriter()), kestrane::kExitCannotCreate);
    EXPECT_NE(err.str().find("/nonexistent-dir/report.pdf"), std::string::npos);
}

}  // namespace
