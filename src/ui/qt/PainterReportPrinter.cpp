#include "ui/qt/PainterReportPrinter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPdfWriter>

#include "ui/qt/QtFonts.h"
#include "ui/report/Report.h"
#include "ui/report/TextWidth.h"

namespace kestrane {

namespace {

constexpr double kTwipsPerInch = 1440.0;
// The page keeps the same margin at its foot as the print position leaves at
// its head.
constexpr int kBottomMarginTwips = 1000;

// One grid cell: the average advance of the printable ASCII characters. The
// average kept in the font's own tables is of no use for a Chinese face,
// whose tens of thousands of full-width ideographs make it a whole em (two
// cells), so the report would run twice as wide as it is laid out.
double averageCharWidth(const QFontMetricsF& metrics) {
    QString ascii;
    for (char16_t c = 0x20; c < 0x7F; ++c) ascii += QChar(c);
    return metrics.horizontalAdvance(ascii) / ascii.size();
}

}  // namespace

PainterReportPrinter::PainterReportPrinter(QPainter& painter, QPagedPaintDevice& device)
    : painter_(painter), device_(device) {
    const QRect paintRect = device_.pageLayout().paintRectPixels(device_.logicalDpiX());
    bottomY_ = paintRect.height() - fromTwipsY(kBottomMarginTwips);
    applyFont();
}

double PainterReportPrinter::fromTwipsX(int twips) const { return twips * device_.logicalDpiX() / kTwipsPerInch; }
double PainterReportPrinter::fromTwipsY(int twips) const { return twips * device_.logicalDpiY() / kTwipsPerInch; }

void PainterReportPrinter::setCurrentX(int twips) { originX_ = fromTwipsX(twips); }

void PainterReportPrinter::setCurrentY(int twips) {
    topY_ = fromTwipsY(twips);
    y_ = topY_;
}

void PainterReportPrinter::setFontSize(double points) {
    fontPoints_ = points;
    applyFont();
}

void PainterReportPrinter::setFontName(const std::string& name) {
    fontName_ = QString::fromStdString(name);
    applyFont();
}

void PainterReportPrinter::applyFont() {
    font_ = printFont(fontName_, fontPoints_);
    painter_.setFont(font_);
    rawFont_ = QRawFont::fromFont(QFont(font_, &device_));
    const QFontMetricsF metrics(font_, &device_);
    cellWidth_ = averageCharWidth(metrics);
    lineHeight_ = metrics.lineSpacing();
    ascent_ = metrics.ascent();
}

void PainterReportPrinter::printLine(const std::vector<ReportItem>& items) {
    for (const std::string& line : layoutReportLine(items)) drawGridLine(line);
}

// Each run of non-blank characters is drawn where its first cell lies, so
// every item starts exactly at its tab column whatever the glyph widths.
void PainterReportPrinter::drawGridLine(const std::string& line) {
    if (y_ + lineHeight_ > bottomY_ && y_ > topY_) {
        device_.newPage();
        ++pages_;
        y_ = topY_;
    }
    const double baseline = y_ + ascent_;
    int cell = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++cell;
            ++i;
            continue;
        }
        const std::size_t end = std::min(line.find(' ', i), line.size());
        const std::string run = line.substr(i, end - i);
        drawRun(QPointF(originX_ + cell * cellWidth_, baseline), QString::fromStdString(run));
        cell += displayWidth(run);
        i = end;
    }
    y_ += lineHeight_;
}

// The glyphs of the characters as the face's character map gives them, one
// after the other at their advances. Shaping is left out on purpose: a
// Chinese face may swap digits next to Latin letters for variant glyphs that
// no character maps to, and a PDF reader could then not extract them. A run
// with a character the face lacks goes through the painter's own fallback.
void PainterReportPrinter::drawRun(const QPointF& baselineStart, const QString& text) {
    const QList<quint32> glyphs = rawFont_.isValid() ? rawFont_.glyphIndexesForString(text) : QList<quint32>();
    if (glyphs.isEmpty() || glyphs.contains(0)) {
        painter_.drawText(baselineStart, text);
        return;
    }
    const QList<QPointF> advances = rawFont_.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    positions.reserve(advances.size());
    QPointF pen;
    for (const QPointF& advance : advances) {
        positions << pen;
        pen += advance;
    }
    QGlyphRun run;
    run.setRawFont(rawFont_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter_.drawGlyphRun(baselineStart, run);
}

void PainterReportPrinter::endDoc() {
    if (ended_) return;
    ended_ = true;
    painter_.end();
}

int paintReport(const AdjustmentState& state, QPagedPaintDevice& device, QString* error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) *error = QStringLiteral("无法开始打印。");
        return 0;
    }
    painter.setPen(Qt::black);
    PainterReportPrinter printer(painter, device);
    printReport(state, printer);
    printer.endDoc();
    return printer.pageCount();
}

int writeReportPdf(const AdjustmentState& state, const QString& path, QString* error) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly)) {
            if (error) *error = QStringLiteral("无法写入 PDF 文件: ") + path;
            return 0;
        }
    }
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("Kestrane"));
    writer.setCreator(QStringLiteral("Kestrane"));
    writer.setResolution(static_cast<int>(kTwipsPerInch));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    return paintReport(state, writer, error);
}

}  // namespace kestrane
