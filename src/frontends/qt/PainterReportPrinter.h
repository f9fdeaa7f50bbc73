// The printed report on a paged device (a printer or a PDF file), drawn with
// QPainter on the same character grid as the text form of the report.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRawFont>
#include <QString>

#include <functional>
#include <memory>

#include "frontends/qt/PdfText.h"
#include "results/TextReport.h"
#include "state/AdjustmentState.h"

class QPagedPaintDevice;

namespace kestrane {

struct DrawnText;

// Draws the report's lines on a started painter, on the character grid of
// the text form: column 1 starts at the horizontal print position, one grid
// cell is the average character width of the font in use, a wide (Chinese)
// character two cells. A line that no longer fits above the bottom margin
// starts a new page.
class PainterReportPrinter : public ReportPrinter {
public:
    PainterReportPrinter(QPainter& painter, QPagedPaintDevice& device);

    void setCurrentX(int twips) override;
    void setCurrentY(int twips) override;
    void setFontSize(double points) override;
    void setFontName(const std::string& name) override;
    void printLine(const std::vector<ReportItem>& items) override;
    void endDoc() override;

    int pageCount() const { return pages_; }
    // The width of one grid cell in device units for the font in use.
    double cellWidth() const { return cellWidth_; }
    // Every font set and text drawn so far, for the text layer of a PDF.
    const DrawnText& drawn() const { return drawn_; }

private:
    double fromTwipsX(int twips) const;
    double fromTwipsY(int twips) const;
    void applyFont();
    void startLine();
    void drawPiece(const QPointF& baselineStart, const QString& text, double room);

    QPainter& painter_;
    QPagedPaintDevice& device_;
    QString fontName_ = QStringLiteral("宋体");
    double fontPoints_ = 10;
    QFont font_;
    std::unique_ptr<ExtractableText> text_;  // font_ at the device's resolution
    double cellWidth_ = 0;
    double lineHeight_ = 0;
    double ascent_ = 0;
    double originX_ = 0;   // device units from the left of the printable area
    double topY_ = 0;      // where a new page starts
    double y_ = 0;         // top of the next line
    double bottomY_ = 0;   // no line reaches below this
    int pages_ = 1;
    bool ended_ = false;
    DrawnText drawn_;
};

// Prints the whole report of a completed computation on a paged device
// (a QPrinter chosen in the print dialog, or a QPdfWriter). A QPrinter that
// prints to a PDF file (print to file) gets the file's text layer repaired
// (PdfText.h). Returns the number of pages, or 0 (with the reason in error)
// when the device cannot be painted or its PDF file cannot be repaired.
int paintReport(const AdjustmentState& state, QPagedPaintDevice& device, QString* error);

// After painting on a printer that printed to a PDF file (the print dialog's
// "print to file"): rewrites that file's text layer so that every glyph
// extracts as the character drawn. True when there was nothing to do.
bool repairPrintedPdf(const QPagedPaintDevice& device, const DrawnText& drawn, QString* error);

// Writes the report as an A4 PDF file, its text layer repaired, atomically
// (a temporary file renamed over the target: a failure leaves an older file
// as it was); returns the number of pages, or 0 with the reason in error.
int writeReportPdf(const AdjustmentState& state, const QString& path, QString* error);

// The same two for any document printed in the report's way (the quality
// check): `lines` prints on the printer it is given; `title` is the PDF's.
using ReportLines = std::function<void(ReportPrinter&)>;
int paintReportLines(const ReportLines& lines, QPagedPaintDevice& device, QString* error);
int writeReportLinesPdf(const ReportLines& lines, const QString& title, const QString& path, QString* error);

}  // namespace kestrane
