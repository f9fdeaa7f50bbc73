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
#include <map>
#include <sstream>

#include "GuiTestSupport.h"
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

// Qt's own document of the lines, its text layer not rewritten, on an A4
// page without margins at 1440 dots per inch, as the report is printed.
// Returns what was drawn; pages receives the number of pages.
kestrane::DrawnText paintPdf(const std::string& path, const kestrane::ReportLines& lines, int* pages = nullptr) {
    QPdfWriter writer(QString::fromStdString(path));
    writer.setResolution(1440);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    kestrane::PainterReportPrinter printer(painter, writer);
    lines(printer);
    printer.endDoc();
    if (pages) *pages = printer.pageCount();
    return printer.drawn();
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
    ASSERT_EQ(status, 0) << pdf.filename() << " not written, or pdftotext (poppler-utils) not installed";
    const auto actual = inkLines(text);
    const auto expected = inkLines(QString::fromStdString(readFile(goldenDir() / (name + ".report.txt"))));
    EXPECT_EQ(actual.size(), expected.size()) << pdf.filename();
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << pdf.filename() << " line " << i << ": \"" << actual[i] << "\" instead of \""
                          << expected[i] << "\"";
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

// The file written for `--pdf`, and the print dialog's "print to file" (a
// QPrinter writing a PDF file, as the window's print command hands it to the
// report): a line lost, or a glyph that extracts as another character, in
// either.
TEST_P(ReportPdf, HoldsEveryLineOfTheReportWrittenOrPrintedToAFile) {
    const std::string name = GetParam();
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
    const auto pdf = pdfOf(name);
    expectTheReportText(pdf, name);
    expectTheReportText(pdfOf(name, toPrinter, "-printer.pdf"), name);

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
        std::string image;
        for (int digits = 1; digits <= 3; ++digits) {
            const std::string name = prefix + "-" + QString::number(page).rightJustified(digits, '0').toStdString();
            if (std::filesystem::exists(name + ".pgm")) image = name + ".pgm";
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
    const kestrane::PdfWriter qtOnly = [&](const kestrane::AdjustmentState& state, const std::string& path,
                                           std::ostream&) {
        drawn = paintPdf(path, [&](kestrane::ReportPrinter& printer) { kestrane::printReport(state, printer); });
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

// The words of a PDF file as pdftotext boxes them, and the same words grouped
// into printed lines by page and top, each line in reading order.
struct Boxes {
    std::vector<Page> pages;
    std::vector<Word> words;
    std::vector<std::vector<Word>> lines;
};

Boxes readBoxes(const std::filesystem::path& pdf) {
    const QString html = QString::fromStdString(capture("pdftotext -bbox '" + pdf.string() + "' -"));
    const QRegularExpression item(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">|"
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    Boxes boxes;
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            boxes.pages.push_back({m.captured(1).toDouble(), m.captured(2).toDouble()});
        } else {
            boxes.words.push_back({static_cast<int>(boxes.pages.size()) - 1, m.captured(3).toDouble(),
                                   m.captured(4).toDouble(), m.captured(5).toDouble(), m.captured(6).toDouble(),
                                   unescape(m.captured(7))});
        }
    }
    std::map<std::pair<int, long>, std::vector<Word>> byLine;
    for (const Word& w : boxes.words) byLine[{w.page, std::lround(w.yMin * 100)}].push_back(w);
    for (auto& [key, line] : byLine) {
        std::sort(line.begin(), line.end(), [](const Word& a, const Word& b) { return a.xMin < b.xMin; });
        boxes.lines.push_back(line);
    }
    return boxes;
}

// The grid cell at which a text line's first non-blank character stands.
int firstCell(const std::string& line) {
    return kestrane::displayWidth(line.substr(0, line.find_first_not_of(' ')));
}

// Every page starts at the top print position; nothing crosses an edge or
// the bottom margin.
void expectOnThePages(const Boxes& boxes) {
    const std::vector<Page>& pages = boxes.pages;
    std::vector<double> pageTop(pages.size(), 1e9);
    for (const Word& w : boxes.words) {
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
    const Boxes boxes = readBoxes(pdf);
    ASSERT_GT(boxes.pages.size(), 1u);
    const auto& printed = boxes.lines;
    std::vector<std::string> expected;
    for (const std::string& line : splitLines(readFile(goldenDir() / "aonly-n9.report.txt"))) {
        if (line.find_first_not_of(' ') != std::string::npos) expected.push_back(line);
    }
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
    expectOnThePages(boxes);
}

// The printer itself on made-up lines: tab columns, wide characters counted
// as two cells, an item moved to the next line when its column is passed, a
// piece too wide for its room kept out of the next item's way, and pages.
TEST(ReportPdfLayout, ItemsKeepTheirColumnsOnTheGrid) {
    const auto pdf = scratchFile("grid.pdf");
    int pages = 0;
    const auto drawn = paintPdf(pdf.string(), [](kestrane::ReportPrinter& p) {
        p.setCurrentX(1000);
        p.setCurrentY(1000);
        p.setFontSize(8);
        p.setFontName("宋体");
        p.printLine({{10, "AAA"}, {20, "中文"}, {30, "x"}});
        p.printLine({{1, "中中中"}, {7, "Q"}});              // 6 cells: Q stays on the line
        p.printLine({{1, "中中中中"}, {7, "R"}});            // 8 cells: R goes to a new line
        p.printLine({{1, "WWWWWWWW"}, {0, "MM"}, {13, "Z"}});  // wider than its room of 12 cells
        for (int i = 0; i < 150; ++i) p.printLine({{5, "n" + std::to_string(i)}});
    }, &pages);
    EXPECT_EQ(pages, 3);  // 155 lines at a little over 60 a page
    QString error;
    ASSERT_TRUE(kestrane::repairPdfText(QString::fromStdString(pdf.string()), drawn, &error)) << error.toStdString();
    const Boxes boxes = readBoxes(pdf);
    ASSERT_EQ(boxes.pages.size(), 3u);
    const auto& printed = boxes.lines;
    ASSERT_EQ(printed.size(), 155u);
    auto x = [&](const std::vector<Word>& line, const QString& text) {
        for (const Word& w : line) {
            if (w.text == text) return w.xMin;
        }
        ADD_FAILURE() << "no word " << text.toStdString();
        return 0.0;
    };
    const double cell = (x(printed[0], "AAA") - kOrigin) / 9;
    // printed line, word, cells before it
    const std::tuple<std::size_t, const char*, int> columns[] = {
        {0, "中文", 19}, {0, "x", 29}, {1, "Q", 6}, {3, "R", 6}, {4, "Z", 12}};
    for (const auto& [line, word, cells] : columns) {
        EXPECT_NEAR(x(printed[line], word), kOrigin + cells * cell, 0.05) << word;
    }
    ASSERT_EQ(printed[2].size(), 1u);
    EXPECT_NEAR(printed[4][0].xMax, x(printed[4], "Z") - 0.5 * cell, 0.05);  // condensed, half a blank left
    for (int i = 0; i < 150; ++i) {
        const auto& line = printed[5 + static_cast<std::size_t>(i)];
        ASSERT_EQ(line.size(), 1u);
        EXPECT_EQ(line[0].text.toStdString(), "n" + std::to_string(i));
        EXPECT_NEAR(line[0].xMin, kOrigin + 4 * cell, 0.05);
    }
    expectOnThePages(boxes);
}

std::string shellQuote(const std::string& s) { return "'" + s + "'"; }

TEST(ReportPdfConsole, WritesThePdfWithoutADisplay) {
    const auto pdf = scratchFile("console.pdf");
    const std::string answers = (goldenDir() / "awithb-n5.answers.txt").string();
    // No display, and a platform that would need one: only an offscreen
    // application of its own lets the program print.
    // Without --pdf the console needs no window system at all.
    const std::string console = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " +
                                shellQuote(KESTRANE_EXECUTABLE) + " --console";
    for (const std::string& pdfOption : {" --pdf " + shellQuote(pdf.string()), std::string()}) {
        int status = -1;
        capture(console + pdfOption + " < " + shellQuote(answers) + " > /dev/null 2>&1", &status);
        EXPECT_EQ(status, 0) << "--console" << pdfOption;
    }
    EXPECT_GE(pageCount(pdf), 1);
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
