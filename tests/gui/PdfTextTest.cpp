// The text layer of a PDF written through Qt, rewritten from the record of
// what was drawn: characters whose glyph the face shares with a radical, a
// compatibility form or a control character extract as drawn, whichever way
// they were drawn; what is not in the record, and files that are no PDF, are
// left alone.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>

#include <filesystem>
#include <fstream>

#include "GuiTestSupport.h"
#include "frontends/qt/PdfText.h"
#include "frontends/qt/QtFonts.h"

namespace {

using namespace kestrane::test;

enum class Drawing { GlyphRun, Text };

// Draws each line in the font, one under the other, as unshaped glyphs of
// the face's character map (as the report does) or through the painter's
// shaping and font fallback; returns what was drawn.
kestrane::DrawnText drawLines(const std::filesystem::path& pdf, const QFont& font, const QStringList& lines,
                              Drawing how) {
    QPdfWriter writer(QString::fromStdString(pdf.string()));
    writer.setResolution(720);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    painter.setFont(font);
    kestrane::DrawnText drawn;
    drawn.addFont(font);
    const QRawFont face = QRawFont::fromFont(QFont(font, &writer));
    double y = 500;
    for (const QString& line : lines) {
        if (how == Drawing::GlyphRun) {
            const QList<quint32> glyphs = face.glyphIndexesForString(line);
            QList<QPointF> positions;
            double x = 0;
            for (const QPointF& advance : face.advancesForGlyphIndexes(glyphs)) {
                positions << QPointF(x, 0);
                x += advance.x();
            }
            QGlyphRun run;
            run.setRawFont(face);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            painter.drawGlyphRun(QPointF(500, y), run);
        } else {
            painter.drawText(QPointF(500, y), line);
        }
        drawn.addText(line);
        y += 300;
    }
    return drawn;
}

QStringList extractedLines(const std::filesystem::path& pdf) {
    int status = -1;
    const QString text = QString::fromStdString(capture("pdftotext -raw '" + pdf.string() + "' -", &status));
    EXPECT_EQ(status, 0) << "pdftotext (poppler-utils) must be installed";
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();  // the page's closing form feed
        if (!trimmed.isEmpty()) lines << trimmed;
    }
    return lines;
}

struct Case {
    const char* name;
    QString family;  // a design font name, as the program asks for it
    Drawing how;
    QStringList drawn;
    QStringList extracted{};  // what a reader must get back; none: what was drawn
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class PdfText : public ::testing::TestWithParam<Case> {};

TEST_P(PdfText, EveryGlyphExtractsAsTheCharacterDrawn) {
    const Case& c = GetParam();
    const auto pdf = scratchFile("text.pdf");
    const kestrane::DrawnText drawn = drawLines(pdf, kestrane::printFont(c.family, 12), c.drawn, c.how);
    QString error;
    ASSERT_TRUE(kestrane::repairPdfText(QString::fromStdString(pdf.string()), drawn, &error)) << error.toStdString();
    const QStringList lines = extractedLines(pdf);
    const QStringList& extracted = c.extracted.isEmpty() ? c.drawn : c.extracted;
    ASSERT_EQ(lines.size(), extracted.size()) << lines.join('|').toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].toStdString(), extracted[i].toStdString());
    // Nothing else is left in the folder: the rewrite went through a
    // temporary file that replaced the document.
    for (const auto& entry : std::filesystem::directory_iterator(pdf.parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(pdf.filename().string() + "."), std::string::npos)
            << entry.path();
    }
}

// 方 角 长 心 一 米 大 龙 share their glyphs with Kangxi and supplement radicals
// in the CJK faces, the blank with the tab: each must come back as drawn, in the serif face of the report and in
// the sans face behind a Latin font, drawn unshaped or through the painter.
const QString kShared = QStringLiteral("方角长心一米大龙 A");
INSTANTIATE_TEST_SUITE_P(
    Drawings, PdfText,
    ::testing::Values(
        Case{"serif_glyph_run", QStringLiteral("宋体"), Drawing::GlyphRun, {kShared, QStringLiteral("观测边长 : s( 1 )")}},
        Case{"serif_text", QStringLiteral("宋体"), Drawing::Text, {kShared}},
        Case{"sans_with_chinese_behind", QStringLiteral("MS Sans Serif"), Drawing::Text,
             {QStringLiteral("中心 C 大龙 P1"), QStringLiteral("Xa= 3562726.265")}},
        // A radical typed on purpose (a point name) stays a radical...
        Case{"radical_drawn_alone", QStringLiteral("宋体"), Drawing::GlyphRun, {QStringLiteral("⽅ ⻆")}},
        // ...but one glyph has one text: drawn both ways, it reads as the
        // ordinary ideograph.
        Case{"radical_and_ideograph", QStringLiteral("宋体"), Drawing::GlyphRun,
             {QStringLiteral("⽅"), QStringLiteral("方")}, {QStringLiteral("方"), QStringLiteral("方")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PdfTextRecord, TextLeftOutOfTheRecordIsLeftAsQtWroteIt) {
    const auto pdf = scratchFile("unrecorded.pdf");
    const auto copy = scratchFile("unrecorded-copy.pdf");
    kestrane::DrawnText drawn =
        drawLines(pdf, kestrane::printFont(QStringLiteral("宋体"), 12), {QStringLiteral("方")}, Drawing::GlyphRun);
    std::filesystem::copy_file(pdf, copy);
    // The font without the text, and the text without the font: nothing to
    // go by, so the document is not touched.
    for (kestrane::DrawnText partial : {kestrane::DrawnText{drawn.fonts, {}}, kestrane::DrawnText{{}, drawn.text}}) {
        QString error;
        EXPECT_TRUE(kestrane::repairPdfText(QString::fromStdString(pdf.string()), partial, &error));
        EXPECT_TRUE(readFile(pdf) == readFile(copy));
    }
}

// A file that only starts like a PDF, and one in a folder that is not
// there: each is reported by its path and left as it was.
TEST(PdfTextRecord, AFileThatIsNoPdfIsReportedAndKept) {
    const auto notPdf = scratchFile("not.pdf");
    std::ofstream(notPdf, std::ios::binary) << "%PDF-1.4\nthis is not a document\n";
    kestrane::DrawnText drawn;
    drawn.addFont(kestrane::printFont(QStringLiteral("宋体"), 12));
    drawn.addText(QStringLiteral("方"));
    for (const std::filesystem::path& file : {notPdf, scratchFolder() / "missing" / "none.pdf"}) {
        SCOPED_TRACE(file.string());
        const std::string before = readFile(file);
        const QString path = QString::fromStdString(file.string());
        QString error;
        EXPECT_FALSE(kestrane::repairPdfText(path, drawn, &error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_EQ(std::filesystem::exists(file), file == notPdf);
        EXPECT_EQ(readFile(file), before);
    }
}

}  // namespace
