#include "frontends/qt/PainterReportPrinter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include "frontends/qt/QtFonts.h"
#include "results/Report.h"
#include "results/TextWidth.h"

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
    drawn_.addFont(font_);
    text_ = std::make_unique<ExtractableText>(font_, &device_);
    const QFontMetricsF metrics(font_, &device_);
    cellWidth_ = averageCharWidth(metrics);
    lineHeight_ = metrics.lineSpacing();
    ascent_ = metrics.ascent();
}

// Each item that has a tab column starts exactly at that column of the grid,
// on the grid line the shared layout puts it; the items that follow it
// without a tab column are printed right after it in the font's own widths,
// as one piece. A piece wider than the room before the next piece on its
// line is condensed to fit, so that items never run into each other and a
// blank of the grid stays visible.
void PainterReportPrinter::printLine(const std::vector<ReportItem>& items) {
    struct Piece {
        std::size_t line;
        int cell;
        std::string text;
    };
    std::vector<Piece> pieces;
    std::vector<ReportItem> before;
    for (const ReportItem& item : items) {
        // Where the item starts: the end of the layout of everything before
        // it followed by its own tab and an empty text.
        before.push_back({item.tab, std::string()});
        const std::vector<std::string> lines = layoutReportLine(before);
        before.back().text = item.text;
        const std::size_t line = lines.size() - 1;
        if (pieces.empty() || item.tab > 0 || pieces.back().line != line) {
            pieces.push_back({line, displayWidth(lines.back()), item.text});
        } else {
            pieces.back().text += item.text;
        }
    }
    const std::size_t lineCount = layoutReportLine(items).size();
    std::size_t next = 0;
    for (std::size_t line = 0; line < lineCount; ++line) {
        startLine();
        for (; next < pieces.size() && pieces[next].line == line; ++next) {
            const Piece& piece = pieces[next];
            double room = 0;  // none: the last piece of its line
            if (next + 1 < pieces.size() && pieces[next + 1].line == line) {
                // Up to the next piece; where the grid has a blank between
                // them, half a cell of it stays blank.
                const int nextCell = pieces[next + 1].cell;
                const std::string& t = piece.text;
                const int ownEnd = piece.cell + displayWidth(t.substr(0, t.find_last_not_of(' ') + 1));
                room = (nextCell - piece.cell - (ownEnd < nextCell ? 0.5 : 0.0)) * cellWidth_;
            }
            drawPiece(QPointF(originX_ + piece.cell * cellWidth_, y_ + ascent_), QString::fromStdString(piece.text),
                      room);
        }
        y_ += lineHeight_;
    }
}

// A line that would reach below the bottom margin goes to a new page.
void PainterReportPrinter::startLine() {
    if (y_ + lineHeight_ > bottomY_ && y_ > topY_) {
        device_.newPage();
        ++pages_;
        y_ = topY_;
    }
}

// The pieces are drawn extractable (unshaped, see ExtractableText), each
// squeezed into the room before the next tab column when it is wider.
void PainterReportPrinter::drawPiece(const QPointF& baselineStart, const QString& text, double room) {
    const double width = text_->width(text);
    painter_.save();
    painter_.translate(baselineStart);
    if (room > 0 && width > room) painter_.scale(room / width, 1.0);
    text_->draw(painter_, QPointF(0, 0), text, &drawn_);
    painter_.restore();
}

void PainterReportPrinter::endDoc() {
    if (ended_) return;
    ended_ = true;
    painter_.end();
}

namespace {

// A document's lines on a started device; what was drawn goes to drawn.
int paintRecorded(const ReportLines& lines, QPagedPaintDevice& device, DrawnText& drawn, QString* error) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) *error = QStringLiteral("无法开始打印。");
        return 0;
    }
    painter.setPen(Qt::black);
    PainterReportPrinter printer(painter, device);
    lines(printer);
    printer.endDoc();
    drawn = printer.drawn();
    return printer.pageCount();
}

ReportLines reportOf(const AdjustmentState& state) {
    return [&state](ReportPrinter& printer) { printReport(state, printer); };
}

}  // namespace

bool repairPrintedPdf(const QPagedPaintDevice& device, const DrawnText& drawn, QString* error) {
    const auto* printer = dynamic_cast<const QPrinter*>(&device);
    if (!printer || printer->outputFormat() != QPrinter::PdfFormat || printer->outputFileName().isEmpty()) return true;
    return repairPdfText(printer->outputFileName(), drawn, error);
}

int paintReport(const AdjustmentState& state, QPagedPaintDevice& device, QString* error) {
    return paintReportLines(reportOf(state), device, error);
}

int paintReportLines(const ReportLines& lines, QPagedPaintDevice& device, QString* error) {
    DrawnText drawn;
    const int pages = paintRecorded(lines, device, drawn, error);
    if (pages > 0 && !repairPrintedPdf(device, drawn, error)) return 0;
    return pages;
}

int writeReportPdf(const AdjustmentState& state, const QString& path, QString* error) {
    return writeReportLinesPdf(reportOf(state), QStringLiteral("Kestrane"), path, error);
}

int writeReportLinesPdf(const ReportLines& lines, const QString& title, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("无法写入 PDF 文件: ") + path;
        return 0;
    }
    // Qt's document goes to memory first: only the repaired one reaches the
    // file.
    QBuffer qtDocument;
    qtDocument.open(QIODevice::WriteOnly);
    DrawnText drawn;
    int pages = 0;
    {
        QPdfWriter writer(&qtDocument);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Kestrane"));
        writer.setResolution(static_cast<int>(kTwipsPerInch));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        pages = paintRecorded(lines, writer, drawn, error);
    }
    if (pages == 0) return 0;
    const std::optional<QByteArray> repaired = repairedPdfText(qtDocument.data(), drawn, error);
    if (!repaired) return 0;
    if (file.write(*repaired) != repaired->size() || !file.commit()) {
        if (error) *error = QStringLiteral("无法写入 PDF 文件: ") + path;
        return 0;
    }
    return pages;
}

}  // namespace kestrane
