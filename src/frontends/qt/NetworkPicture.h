// The picture of an adjusted network: outer polygon, radial sides, centre,
// point names, known points as triangles, each point's standard error
// ellipse enlarged by a stated factor, a north arrow and scale bars. One
// drawing for the window, the exports (SVG, PDF, PNG), printing and the
// console's plot.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"
#include "state/QualityFigures.h"

namespace kestrane {

struct DrawnText;

// What part of the ground a drawing shows: the ground point (northing X,
// easting Y, metres) at the centre of the target and the scale.
struct PictureView {
    double centreX = 0;
    double centreY = 0;
    double pixelsPerMetre = 1;
    // On screen: a point name that cannot be placed clear of the names
    // already placed and of the point marks is left out at this scale.
    // Exports and prints keep every name.
    bool leaveOutCrowdedNames = false;
    // The point (index into the picture's points, -1 none) ringed as the
    // one chosen in the precision table.
    int highlighted = -1;
};

// The length of the ellipses' scale bar in millimetres: the smallest 1, 2 or
// 5 times a power of ten whose bar is at least minimumPixels long where a
// millimetre of the ellipses is pixelsPerMillimetre pixels (> 0).
double ellipseBarMillimetres(double pixelsPerMillimetre, double minimumPixels = 40);
// Its caption, e.g. "椭圆 10 毫米" (a metre or more in metres).
QString ellipseBarCaption(double millimetres);

// Places rectangles one after the other, each kept when it overlaps none of
// `fixed` and none kept before it; true for the kept ones. The rectangles
// are sorted into square buckets of `cell` pixels, so that the work grows
// with the count, not its square.
std::vector<bool> placeClear(const std::vector<QRectF>& candidates, const std::vector<QRectF>& fixed, double cell);

class NetworkPicture {
public:
    // The geometry of a completed computation and its precision rows
    // (computePointPrecision); everything the drawing needs is kept, the
    // state is not.
    NetworkPicture(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                   const QualityCheck* quality = nullptr);

    // The marks of a quality check of the same computation: sides with a
    // blunder flag in red, triangles with a flagged angle or condition
    // shaded. Never computed here; nullptr removes the marks.
    void setQuality(const QualityCheck* quality);
    bool hasQuality() const { return hasQuality_; }
    // The sides k (1..2n) drawn red and the triangles i (1..n) shaded.
    std::vector<int> redSides() const;
    std::vector<int> shadedTriangles() const;

    // The view that shows the whole network, ellipses included, in target.
    PictureView fitView(const QRectF& target) const;

    // Draws on any painter into target (the painter's device coordinates).
    // `drawn`, when given, records the fonts and texts drawn (for the text
    // layer of a PDF).
    void paint(QPainter& painter, const QRectF& target, const PictureView& view, DrawnText* drawn = nullptr) const;
    void paint(QPainter& painter, const QRectF& target, DrawnText* drawn = nullptr) const {
        paint(painter, target, fitView(target), drawn);
    }

    // The ellipses are drawn this many times their size on the ground
    // (millimetres shown as that many millimetres times the factor); 0 when
    // every ellipse is a point.
    double ellipseFactor() const { return ellipseFactor_; }
    // The caption that states the factor.
    QString ellipseFactorCaption() const;
    int pointCount() const { return static_cast<int>(points_.size()); }
    // The point drawn for result row `row` (0 .. the last result row; A
    // closing the chain is A), -1 when there is none.
    int pointOfRow(int row) const;
    QString pointName(int point) const { return points_.at(static_cast<std::size_t>(point)).name; }
    // Its northing X and easting Y in metres.
    double pointX(int point) const { return points_.at(static_cast<std::size_t>(point)).x; }
    double pointY(int point) const { return points_.at(static_cast<std::size_t>(point)).y; }

    // A name as drawn: its point and the rectangle its text takes.
    struct PlacedName {
        int point = -1;
        QRectF rect;
    };
    // The names drawn into target with view, and where, in the order they
    // were placed (on screen the crowded ones are left out). `width`
    // measures a name as the drawing does; none: the name font's metrics.
    std::vector<PlacedName> placedNames(const QRectF& target, const PictureView& view,
                                        const std::function<double(const QString&)>& width = {}) const;
    bool empty() const { return points_.empty(); }

private:
    struct Point {
        QString name;
        double x = 0, y = 0;       // northing, easting, metres
        bool known = false;
        bool centre = false;
        bool hasEllipse = false;   // computable and not known
        bool dash = false;         // figures not computable
        double major = 0, minor = 0;  // ground metres after enlargement
        double azimuth = 0;           // decimal degrees
    };
    std::vector<Point> points_;
    // Whether a point's mark is drawn whatever the names do.
    bool markAlways(int point, bool roomy) const;
    // Whether every unknown point has room for its mark and name.
    bool roomy(const QRectF& target, const PictureView& view) const;

    std::vector<int> outerRing_;   // indices into points_: A, outer points, A
    int centre_ = -1;
    int resultRows_ = 0;           // the last result row
    int largest_ = -1;             // the point with the largest mp
    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;  // with the ellipses
    double largestMajorMillimetres_ = 0;
    double ellipseFactor_ = 0;
    // Quality marks, indexed by side k 1..2n and triangle i 1..n.
    int triangleCount_ = 0;
    bool hasQuality_ = false;
    std::vector<bool> suspectSides_, markedTriangles_;
};

// Writes the picture as SVG, PDF or PNG, chosen by the path's extension
// (.svg, .pdf, .png); false with a message when it cannot. The file is
// replaced only when the whole picture was written.
bool writeNetworkPicture(const NetworkPicture& picture, const QString& path, QString* error);

// The PDF form alone: every PDF of the picture is written here.
bool writeNetworkPicturePdf(const NetworkPicture& picture, const QString& path, QString* error);

// For the console's --plot: the picture of a completed computation as SVG or
// PDF by the extension. Works without a display: when no application runs,
// an offscreen one is made for the drawing.
// The suspects of `quality` are marked when it is given.
bool writeNetworkPlot(const AdjustmentState& state, const std::vector<PointPrecision>& precision, const QString& path,
                      QString* error, const QualityCheck* quality = nullptr);

}  // namespace kestrane
