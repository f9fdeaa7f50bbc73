#include "frontends/qt/NetworkPicture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QBuffer>
#include <QPdfWriter>
#include <QPolygonF>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "frontends/qt/PdfText.h"
#include "frontends/qt/QtFonts.h"
#include "frontends/qt/QtStartup.h"

namespace kestrane {

namespace {

constexpr double kPi = 3.141592653589793;

// The quality marks: a light red under a marked triangle, a strong red for
// a suspect side (unlike the ellipses' darker red).
const QColor kMarkedTriangle(255, 208, 208);
const QColor kSuspectSide(230, 0, 0);
// The point chosen in the precision table.
const QColor kHighlight(0, 100, 230);

// 1, 2 or 5 times a power of ten, the largest not above v (v > 0).
double roundDown125(double v) {
    const double power = std::pow(10.0, std::floor(std::log10(v)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= v) return step * power;
    }
    return power;
}

// A number of a caption: no trailing zeros, no exponent.
QString numberText(double v) {
    QString text = QString::number(v, 'f', v >= 1 ? 0 : 6);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    return text;
}

QString lengthText(double metres) {
    if (metres >= 1000) return numberText(metres / 1000) + QStringLiteral(" 千米");
    return numberText(metres) + QStringLiteral(" 米");
}

// A unit of line widths and text sizes: a pixel of a window of ordinary
// size, more on a larger target (an export or a printed page).
double unitOf(const QRectF& target) { return std::max(1.0, std::min(target.width(), target.height()) / 700.0); }

QFont pictureFont(double pixels) {
    QFont font;
    font.setFamilies(installedFamilies(QStringLiteral("MS Sans Serif")));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    return font;
}

// The unit circle, for ellipses drawn as polygons.
const std::array<QPointF, 48>& circle() {
    static const std::array<QPointF, 48> c = [] {
        std::array<QPointF, 48> points;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const double a = 2 * kPi * static_cast<double>(k) / static_cast<double>(points.size());
            points[k] = QPointF(std::cos(a), std::sin(a));
        }
        return points;
    }();
    return c;
}

// Where ground point (northing x, easting y) falls on target: northing up,
// easting to the right.
QPointF onTarget(const QRectF& target, const PictureView& view, double x, double y) {
    const QPointF middle = target.center();
    return QPointF(middle.x() + (y - view.centreY) * view.pixelsPerMetre,
                   middle.y() - (x - view.centreX) * view.pixelsPerMetre);
}

// The part of the target where points are drawn: a margin beyond its edges
// for names and marks cut by them.
QRectF drawnArea(const QRectF& target) {
    const double u = unitOf(target);
    return target.adjusted(-40 * u, -40 * u, 40 * u, 40 * u);
}

// The mean length of the radial sides on the target.
double radialReach(const QPointF& centre, const QVector<QLineF>& radials) {
    double sum = 0;
    for (const QLineF& line : radials) sum += QLineF(centre, line.p2()).length();
    return radials.isEmpty() ? 1.0 : std::max(1.0, sum / radials.size());
}

}  // namespace

NetworkPicture::NetworkPicture(const AdjustmentState& s, const std::vector<PointPrecision>& precision,
                               const QualityCheck* quality) {
    const int r = s.resultRowCount;
    resultRows_ = r;
    if (!s.complete || precision.size() != static_cast<std::size_t>(r) + 1) return;
    const int n = s.triangleCount;
    triangleCount_ = n;
    setQuality(quality);
    const KnownPointCase known = s.knownPointCase();
    // A again at the end of the chain is not drawn twice.
    const int last = known == KnownPointCase::AOnly ? r - 1 : r;
    const int centreRow = known == KnownPointCase::AWithB ? n - 1 : n;
    for (int i = 0; i <= last; ++i) {
        const PointPrecision& p = precision[static_cast<std::size_t>(i)];
        Point point;
        point.name = QString::fromStdString(s.pointNames[static_cast<std::size_t>(i)]);
        point.x = s.pointX[static_cast<std::size_t>(i)];
        point.y = s.pointY[static_cast<std::size_t>(i)];
        point.known = p.known;
        point.centre = i == centreRow;
        point.hasEllipse = !p.known && p.ellipseComputable && p.positionComputable();
        point.dash = !p.known && !point.hasEllipse;
        point.major = p.semiMajor;  // millimetres until the factor is known
        point.minor = p.semiMinor;
        point.azimuth = p.majorAzimuth;
        points_.push_back(point);
    }
    centre_ = centreRow;
    outerRing_.push_back(0);
    for (int i = 1; i <= last; ++i) {
        if (i != centreRow) outerRing_.push_back(i);
    }
    outerRing_.push_back(0);

    // The largest mp marks the weakest point found.
    float largestError = -1;
    for (int i = 0; i <= last; ++i) {
        const PointPrecision& p = precision[static_cast<std::size_t>(i)];
        if (!p.known && p.positionComputable() && p.positionError > largestError) {
            largestError = p.positionError;
            largest_ = i;
        }
    }

    minX_ = maxX_ = points_[0].x;
    minY_ = maxY_ = points_[0].y;
    for (const Point& p : points_) {
        minX_ = std::min(minX_, p.x), maxX_ = std::max(maxX_, p.x);
        minY_ = std::min(minY_, p.y), maxY_ = std::max(maxY_, p.y);
        if (p.hasEllipse) largestMajorMillimetres_ = std::max(largestMajorMillimetres_, p.major);
    }

    // The largest ellipse a twentieth of the network's extent, at a round factor.
    const double extent = std::max({maxX_ - minX_, maxY_ - minY_, 1e-9});
    if (largestMajorMillimetres_ > 0) ellipseFactor_ = roundDown125(extent / 20 / (largestMajorMillimetres_ / 1000));
    for (Point& p : points_) {
        p.major = p.major / 1000 * ellipseFactor_;
        p.minor = p.minor / 1000 * ellipseFactor_;
        if (p.hasEllipse) {
            minX_ = std::min(minX_, p.x - p.major), maxX_ = std::max(maxX_, p.x + p.major);
            minY_ = std::min(minY_, p.y - p.major), maxY_ = std::max(maxY_, p.y + p.major);
        }
    }
}

void NetworkPicture::setQuality(const QualityCheck* quality) {
    hasQuality_ = quality && !quality->error;
    suspectSides_.clear();
    markedTriangles_.clear();
    if (!hasQuality_) return;
    suspectSides_ = quality->suspectSides(triangleCount_);
    markedTriangles_ = quality->markedTriangles(triangleCount_);
}

std::vector<int> NetworkPicture::redSides() const {
    std::vector<int> sides;
    for (std::size_t k = 1; k < suspectSides_.size(); ++k) {
        if (suspectSides_[k]) sides.push_back(static_cast<int>(k));
    }
    return sides;
}

std::vector<int> NetworkPicture::shadedTriangles() const {
    std::vector<int> triangles;
    for (std::size_t i = 1; i < markedTriangles_.size(); ++i) {
        if (markedTriangles_[i]) triangles.push_back(static_cast<int>(i));
    }
    return triangles;
}

QString NetworkPicture::ellipseFactorCaption() const {
    if (ellipseFactor_ <= 0) return QStringLiteral("误差椭圆均为零");
    return QStringLiteral("误差椭圆放大 ") + numberText(ellipseFactor_) + QStringLiteral(" 倍");
}

int NetworkPicture::pointOfRow(int row) const {
    if (points_.empty() || row < 0 || row > resultRows_) return -1;
    // A closing the chain is drawn once, as the first point.
    return row < pointCount() ? row : 0;
}

double ellipseBarMillimetres(double pixelsPerMillimetre, double minimumPixels) {
    if (!(pixelsPerMillimetre > 0) || !std::isfinite(pixelsPerMillimetre) || !(minimumPixels > 0)) return 0;
    // From the power of ten below the shortest length upwards.
    int exponent = static_cast<int>(std::floor(std::log10(minimumPixels / pixelsPerMillimetre)));
    for (;; ++exponent) {
        const double power = std::pow(10.0, exponent);
        for (const double step : {1.0, 2.0, 5.0}) {
            if (step * power * pixelsPerMillimetre >= minimumPixels) return step * power;
        }
    }
}

QString ellipseBarCaption(double millimetres) {
    return QStringLiteral("椭圆 ") + (millimetres >= 1000 ? numberText(millimetres / 1000) + QStringLiteral(" 米")
                                                           : numberText(millimetres) + QStringLiteral(" 毫米"));
}

std::vector<bool> placeClear(const std::vector<QRectF>& candidates, const std::vector<QRectF>& fixed, double cell) {
    cell = std::max(cell, 1.0);
    std::vector<QRectF> placed;
    placed.reserve(fixed.size() + candidates.size());
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> buckets;
    // Calls visit with the key of every bucket the rectangle touches, until
    // visit says stop; false when it did.
    auto eachBucket = [cell](const QRectF& r, const auto& visit) {
        const auto first = [cell](double v) { return static_cast<std::int64_t>(std::floor(v / cell)); };
        for (std::int64_t by = first(r.top()); by <= first(r.bottom()); ++by) {
            for (std::int64_t bx = first(r.left()); bx <= first(r.right()); ++bx) {
                const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(by)) << 32) |
                                          static_cast<std::uint32_t>(bx);
                if (!visit(key)) return false;
            }
        }
        return true;
    };
    auto add = [&](const QRectF& r) {
        placed.push_back(r);
        eachBucket(r, [&](std::uint64_t key) {
            buckets[key].push_back(placed.size() - 1);
            return true;
        });
    };
    for (const QRectF& r : fixed) add(r);
    std::vector<bool> kept(candidates.size(), false);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const QRectF& r = candidates[i];
        const bool clear = eachBucket(r, [&](std::uint64_t key) {
            const auto it = buckets.find(key);
            if (it == buckets.end()) return true;
            for (const std::size_t j : it->second) {
                if (placed[j].intersects(r)) return false;
            }
            return true;
        });
        if (clear) {
            add(r);
            kept[i] = true;
        }
    }
    return kept;
}

bool NetworkPicture::roomy(const QRectF& target, const PictureView& view) const {
    const QRectF visible = drawnArea(target);
    int shown = 0;
    for (const Point& p : points_) shown += visible.contains(onTarget(target, view, p.x, p.y)) ? 1 : 0;
    const QFontMetricsF metrics(pictureFont(12 * unitOf(target)));
    const double room = metrics.height() * metrics.height() * 12;
    return shown * room <= target.width() * target.height();
}

bool NetworkPicture::markAlways(int point, bool roomy) const {
    const Point& p = points_[static_cast<std::size_t>(point)];
    return roomy || p.known || p.centre || point == largest_;
}

std::vector<NetworkPicture::PlacedName> NetworkPicture::placedNames(
    const QRectF& target, const PictureView& view, const std::function<double(const QString&)>& width) const {
    const double u = unitOf(target);
    const QFontMetricsF metrics(pictureFont(12 * u));
    const QRectF visible = drawnArea(target);
    const bool room = roomy(target, view);
    // The text of a name starts right of its point and above it.
    auto nameRect = [&](const QPointF& q, const QString& name) {
        const double w = width ? width(name) : metrics.horizontalAdvance(name);
        return QRectF(q.x() + 6 * u, q.y() - 6 * u - metrics.ascent(), w, metrics.ascent() + metrics.descent());
    };
    std::vector<PlacedName> names;
    if (!view.leaveOutCrowdedNames) {
        for (int i = 0; i < pointCount(); ++i) {
            const QPointF q = onTarget(target, view, points_[static_cast<std::size_t>(i)].x, points_[static_cast<std::size_t>(i)].y);
            if (visible.contains(q)) names.push_back({i, nameRect(q, points_[static_cast<std::size_t>(i)].name)});
        }
        return names;
    }
    // The marks drawn whatever the names do, a little larger than drawn
    // (their outlines); a name clear of them cannot hide them.
    std::vector<QRectF> marks;
    std::vector<int> order;  // the chosen point, the weakest, known points and the centre, then the rest
    std::vector<int> rest;
    for (int i = 0; i < pointCount(); ++i) {
        const Point& p = points_[static_cast<std::size_t>(i)];
        const QPointF q = onTarget(target, view, p.x, p.y);
        if (!visible.contains(q)) continue;
        if (p.known) marks.emplace_back(q.x() - 5.5 * u, q.y() - 6.5 * u, 11 * u, 10 * u);
        else if (p.centre) marks.emplace_back(q.x() - 4.5 * u, q.y() - 4.5 * u, 9 * u, 9 * u);
        else if (markAlways(i, room)) marks.emplace_back(q.x() - 3 * u, q.y() - 3 * u, 6 * u, 6 * u);
        if (p.dash) marks.emplace_back(q.x() - 7 * u, q.y() - 1 * u, 14 * u, 2 * u);
        if (i == view.highlighted) order.insert(order.begin(), i);
        else if (i == largest_ || p.known || p.centre) order.push_back(i);
        else rest.push_back(i);
    }
    order.insert(order.end(), rest.begin(), rest.end());
    std::vector<QRectF> footprints;
    footprints.reserve(order.size());
    for (const int i : order) {
        const Point& p = points_[static_cast<std::size_t>(i)];
        const QPointF q = onTarget(target, view, p.x, p.y);
        QRectF footprint = nameRect(q, p.name);
        // A point drawn with its name only brings its mark along.
        if (!markAlways(i, room)) footprint |= QRectF(q.x() - 3 * u, q.y() - 3 * u, 6 * u, 6 * u);
        footprints.push_back(footprint);
    }
    const std::vector<bool> kept = placeClear(footprints, marks, 4 * metrics.height());
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (!kept[k]) continue;
        const Point& p = points_[static_cast<std::size_t>(order[k])];
        names.push_back({order[k], nameRect(onTarget(target, view, p.x, p.y), p.name)});
    }
    return names;
}

PictureView NetworkPicture::fitView(const QRectF& target) const {
    PictureView view;
    view.centreX = (minX_ + maxX_) / 2;
    view.centreY = (minY_ + maxY_) / 2;
    const double u = unitOf(target);
    // Room for the captions below and the names around.
    const double width = std::max(1.0, target.width() - 80 * u);
    const double height = std::max(1.0, target.height() - 150 * u);
    const double spanX = std::max(maxX_ - minX_, 1e-6);
    const double spanY = std::max(maxY_ - minY_, 1e-6);
    view.pixelsPerMetre = std::min(width / spanY, height / spanX);
    // The drawing sits above the captions.
    view.centreX -= 45 * u / view.pixelsPerMetre;
    return view;
}

void NetworkPicture::paint(QPainter& painter, const QRectF& target, const PictureView& view, DrawnText* drawn) const {
    // Every font set and text drawn, recorded when asked.
    // Texts are drawn extractable (see ExtractableText), so that the PDF of
    // the picture can be searched.
    std::unique_ptr<ExtractableText> text;
    auto setFont = [&](const QFont& font) {
        painter.setFont(font);
        text = std::make_unique<ExtractableText>(font, painter.device());
        if (drawn) drawn->addFont(font);
    };
    auto drawText = [&](const QPointF& at, const QString& piece) { text->draw(painter, at, piece, drawn); };
    painter.save();
    painter.setClipRect(target);
    painter.fillRect(target, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const double u = unitOf(target);
    const double k = view.pixelsPerMetre;
    auto at = [&](double x, double y) { return onTarget(target, view, x, y); };
    const QRectF visible = drawnArea(target);

    if (!points_.empty()) {
        int shown = 0;
        for (const Point& p : points_) shown += visible.contains(at(p.x, p.y)) ? 1 : 0;
        // Thousands of shapes on a raster are drawn without smoothing, which
        // would cost more than it shows.
        const bool raster = painter.device()->devType() == QInternal::Image ||
                            painter.device()->devType() == QInternal::Widget ||
                            painter.device()->devType() == QInternal::Pixmap;
        painter.setRenderHint(QPainter::Antialiasing, !(raster && shown > 1500));
        // Radial sides, then the outer polygon.
        const Point& centre = points_[static_cast<std::size_t>(centre_)];
        const QPointF c = at(centre.x, centre.y);
        // Outer point j (0..n; 0 and n are A) of the triangles: triangle i
        // has the centre and outer points i - 1 and i; side s(2i) joins
        // those two, s(2i - 1) and s(2i + 1) run from the centre to them.
        const bool marksFit = static_cast<int>(outerRing_.size()) == triangleCount_ + 1;
        auto outer = [&](int j) {
            const Point& p = points_[static_cast<std::size_t>(outerRing_[static_cast<std::size_t>(j)])];
            return at(p.x, p.y);
        };
        const std::vector<int> shaded = marksFit ? shadedTriangles() : std::vector<int>();
        if (!shaded.empty()) {
            // Under every line: the triangles holding a flagged angle or
            // misclosure.
            painter.setPen(Qt::NoPen);
            painter.setBrush(kMarkedTriangle);
            for (const int i : shaded) painter.drawPolygon(QPolygonF({c, outer(i - 1), outer(i)}));
            painter.setBrush(Qt::NoBrush);
        }
        QVector<QLineF> radials;
        radials.reserve(static_cast<int>(outerRing_.size()));
        for (std::size_t j = 0; j + 1 < outerRing_.size(); ++j) {
            const Point& p = points_[static_cast<std::size_t>(outerRing_[j])];
            const QPointF q = at(p.x, p.y);
            // Lines wholly to one side of the target are left out.
            if ((c.x() < visible.left() && q.x() < visible.left()) || (c.x() > visible.right() && q.x() > visible.right()) ||
                (c.y() < visible.top() && q.y() < visible.top()) || (c.y() > visible.bottom() && q.y() > visible.bottom())) {
                continue;
            }
            radials.append(QLineF(c, q));
        }
        // Many radial sides close together are drawn lighter.
        const bool dense = static_cast<double>(radials.size()) * 4 * u > 2 * kPi * radialReach(c, radials);
        painter.setPen(QPen(dense ? QColor(215, 215, 215) : QColor(150, 150, 150), (dense ? 0.5 : 0.8) * u));
        painter.drawLines(radials);
        QPolygonF ring;
        ring.reserve(static_cast<int>(outerRing_.size()));
        for (int j = 0; j < static_cast<int>(outerRing_.size()); ++j) ring.append(outer(j));
        painter.setPen(QPen(QColor(40, 40, 40), 1.2 * u));
        if (raster && ring.size() > 1500) {
            // One outline of thousands of corners is stroked and filled as a
            // whole, at a cost that grows faster than its corners; its sides
            // one by one look the same at this width.
            QVector<QLineF> sides;
            sides.reserve(ring.size());
            for (qsizetype j = 1; j < ring.size(); ++j) sides.append(QLineF(ring[j - 1], ring[j]));
            painter.drawLines(sides);
        } else {
            painter.drawPolyline(ring);
        }
        if (marksFit) {
            // Over them: the sides suspected of a blunder.
            painter.setPen(QPen(kSuspectSide, 2.6 * u, Qt::SolidLine, Qt::RoundCap));
            for (const int k : redSides()) {
                if (k % 2 == 0) painter.drawLine(outer(k / 2 - 1), outer(k / 2));
                else painter.drawLine(c, outer((k - 1) / 2));
            }
        }

        // Ellipses, as polygons in the drawing's own scale.
        painter.setPen(QPen(QColor(200, 30, 30), 1.0 * u));
        painter.setBrush(Qt::NoBrush);
        const auto& unit = circle();
        QPolygonF outline(static_cast<int>(unit.size()));
        for (const Point& p : points_) {
            if (!p.hasEllipse) continue;
            const QPointF q = at(p.x, p.y);
            const double a = p.major * k, b = p.minor * k;
            if (!visible.adjusted(-a, -a, a, a).contains(q)) continue;
            // The major axis along the azimuth: north up is -y on the target.
            const double phi = p.azimuth * kPi / 180;
            const double ex = std::sin(phi), ey = -std::cos(phi);  // major axis direction on the target
            // Fewer corners for an ellipse of a few pixels.
            const std::size_t step = a < 6 * u ? 4 : (a < 25 * u ? 2 : 1);
            outline.resize(static_cast<int>(unit.size() / step));
            for (std::size_t j = 0; j < unit.size(); j += step) {
                const double cu = unit[j].x() * a, su = unit[j].y() * b;
                outline[static_cast<int>(j / step)] = QPointF(q.x() + cu * ex - su * ey, q.y() + cu * ey + su * ex);
            }
            painter.drawPolygon(outline);
        }

        // Points: known ones as triangles, the centre as a ringed dot, a
        // dash where the figures could not be computed. The marks of the
        // unknown points only where they leave room for each other, or, on
        // screen, where their names found room.
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QFont nameFont = pictureFont(12 * u);
        setFont(nameFont);
        const std::vector<PlacedName> names =
            placedNames(target, view, [&](const QString& name) { return text->width(name); });
        const bool room = roomy(target, view);
        std::vector<bool> named(points_.size(), false);
        for (const PlacedName& name : names) named[static_cast<std::size_t>(name.point)] = true;
        for (int i = 0; i < static_cast<int>(points_.size()); ++i) {
            const Point& p = points_[static_cast<std::size_t>(i)];
            const QPointF q = at(p.x, p.y);
            if (!visible.contains(q)) continue;
            painter.setPen(QPen(Qt::black, 1.0 * u));
            if (p.known) {
                const double s = 6 * u;
                painter.setBrush(Qt::black);
                painter.drawPolygon(QPolygonF({q + QPointF(0, -s), q + QPointF(0.87 * s, 0.5 * s), q + QPointF(-0.87 * s, 0.5 * s)}));
            } else if (p.centre) {
                painter.setBrush(Qt::white);
                painter.drawEllipse(q, 4 * u, 4 * u);
                painter.setBrush(Qt::black);
                painter.drawEllipse(q, 1.5 * u, 1.5 * u);
            } else if (markAlways(i, room) || (view.leaveOutCrowdedNames && named[static_cast<std::size_t>(i)])) {
                painter.setBrush(Qt::white);
                painter.drawEllipse(q, 2.5 * u, 2.5 * u);
            }
            if (p.dash) {
                painter.setPen(QPen(QColor(200, 30, 30), 2.0 * u));
                painter.drawLine(q + QPointF(-7 * u, 0), q + QPointF(7 * u, 0));
            }
        }
        if (view.highlighted >= 0 && view.highlighted < pointCount()) {
            // The point chosen in the precision table, ringed.
            const Point& p = points_[static_cast<std::size_t>(view.highlighted)];
            painter.setPen(QPen(kHighlight, 2.5 * u));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at(p.x, p.y), 11 * u, 11 * u);
        }
        for (const PlacedName& name : names) {
            const int i = name.point;
            painter.setPen(i == view.highlighted ? kHighlight : i == largest_ ? QColor(200, 30, 30) : QColor(Qt::black));
            drawText(QPointF(name.rect.left(), at(points_[static_cast<std::size_t>(i)].x, points_[static_cast<std::size_t>(i)].y).y() - 6 * u),
                     points_[static_cast<std::size_t>(i)].name);
        }
    }

    // North arrow, top right.
    painter.setBrush(Qt::black);
    painter.setPen(QPen(Qt::black, 1.2 * u));
    const QPointF tip(target.right() - 30 * u, target.top() + 30 * u);
    painter.drawLine(tip, tip + QPointF(0, 40 * u));
    painter.drawPolygon(QPolygonF({tip, tip + QPointF(-6 * u, 14 * u), tip + QPointF(6 * u, 14 * u)}));
    const QFont captionFont = pictureFont(13 * u);
    setFont(captionFont);
    const QFontMetricsF captionMetrics(captionFont);
    const QString north = QStringLiteral("北");
    drawText(QPointF(tip.x() - captionMetrics.horizontalAdvance(north) / 2, tip.y() - 6 * u), north);

    // The legend, bottom left, on a white ground of its own so that the
    // network drawn under it (zoomed or panned) does not cross its texts:
    // the network's scale bar, the ellipses' one, the signs, and the
    // quality marks when there is a check.
    const double barSpace = std::max(1.0, target.width() / 4);
    const double metres = roundDown125(barSpace / k);
    const QString networkCaption = QStringLiteral("比例尺 ") + lengthText(metres);
    // On the ellipses' own scale a millimetre on the ground is
    // ellipseFactor millimetres in the drawing.
    const double pixelsPerMillimetre = ellipseFactor_ / 1000 * k;
    const double millimetres = ellipseFactor_ > 0 ? ellipseBarMillimetres(pixelsPerMillimetre, 40 * u) : 0;
    QString legend = ellipseFactorCaption() + QStringLiteral("    ▲ 已知点");
    for (const Point& p : points_) {
        if (p.dash) {
            legend += QStringLiteral("    — 精度无法计算");
            break;
        }
    }
    if (largest_ >= 0) legend += QStringLiteral("    红字: 点位中误差最大的点");
    const bool anyTriangle = hasQuality_ && !shadedTriangles().empty(), anySide = hasQuality_ && !redSides().empty();
    const QString triangleCaption = QStringLiteral("闭合差超限或含粗差嫌疑观测值的三角形");
    const QString sideCaption = QStringLiteral("粗差嫌疑边");
    const QString cleanCaption = QStringLiteral("质量检核: 没有超限的闭合差或粗差嫌疑");

    const double left = target.left() + 20 * u;
    double right = left + metres * k + 8 * u + text->width(networkCaption);
    if (millimetres > 0) right = std::max(right, left + millimetres * pixelsPerMillimetre + 8 * u + text->width(ellipseBarCaption(millimetres)));
    right = std::max(right, left + text->width(legend));
    if (hasQuality_) {
        double end = left;
        if (anyTriangle) end += 28 * u + captionMetrics.horizontalAdvance(triangleCaption) + 24 * u;
        if (anySide) end += 28 * u + text->width(sideCaption);
        if (!anyTriangle && !anySide) end += text->width(cleanCaption);
        right = std::max(right, end);
    }
    const double top = target.bottom() - (hasQuality_ ? 95 : 70) * u - captionMetrics.ascent() - 8 * u;
    painter.setPen(QPen(QColor(200, 200, 200), 0.8 * u));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(QPointF(left - 10 * u, top), QPointF(right + 10 * u, target.bottom() - 20 * u + captionMetrics.descent() + 8 * u)));
    painter.setBrush(Qt::NoBrush);

    auto scaleBar = [&](double baselineY, double length, const QString& caption) {
        const QPointF start(left, baselineY);
        painter.setPen(QPen(Qt::black, 1.5 * u));
        painter.drawLine(start, start + QPointF(length, 0));
        painter.drawLine(start, start + QPointF(0, -6 * u));
        painter.drawLine(start + QPointF(length / 2, 0), start + QPointF(length / 2, -4 * u));
        painter.drawLine(start + QPointF(length, 0), start + QPointF(length, -6 * u));
        drawText(start + QPointF(length + 8 * u, 0), caption);
    };
    scaleBar(target.bottom() - 20 * u, metres * k, networkCaption);
    if (millimetres > 0) {
        scaleBar(target.bottom() - 45 * u, millimetres * pixelsPerMillimetre, ellipseBarCaption(millimetres));
    }
    painter.setPen(Qt::black);
    drawText(QPointF(left, target.bottom() - 70 * u), legend);
    if (hasQuality_) {
        // The quality marks on a line of their own, each after its sample.
        double x = left;
        const double y = target.bottom() - 95 * u;
        if (anyTriangle) {
            painter.setPen(QPen(QColor(40, 40, 40), 0.8 * u));
            painter.setBrush(kMarkedTriangle);
            painter.drawRect(QRectF(x, y - 10 * u, 22 * u, 11 * u));
            painter.setBrush(Qt::NoBrush);
            painter.setPen(Qt::black);
            drawText(QPointF(x + 28 * u, y), triangleCaption);
            x += 28 * u + captionMetrics.horizontalAdvance(triangleCaption) + 24 * u;
        }
        if (anySide) {
            painter.setPen(QPen(kSuspectSide, 2.6 * u, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(x, y - 4 * u), QPointF(x + 22 * u, y - 4 * u));
            painter.setPen(Qt::black);
            drawText(QPointF(x + 28 * u, y), sideCaption);
        }
        if (!anyTriangle && !anySide) {
            painter.setPen(Qt::black);
            drawText(QPointF(x, y), cleanCaption);
        }
    }
    painter.restore();
}

namespace {

QString extensionOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

// Chinese faces of the common systems, for the SVG's readers: the machine
// that wrote the file names only the face it matched first.
const QStringList kSvgChineseFamilies = {
    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Microsoft YaHei"),
    QStringLiteral("PingFang SC"),      QStringLiteral("SimHei"),
};

// Qt's SVG generator writes one family, the first of the font's, for every
// run of text, also for the runs that another face drew. Every font-family
// becomes a list: that face first (the texts were measured in it), then the
// Chinese faces, then the generic family.
QByteArray withPortableFamilies(const QByteArray& svg) {
    static const QRegularExpression attribute(QStringLiteral("font-family=\"([^\"]*)\""));
    const QString text = QString::fromUtf8(svg);
    QString result;
    qsizetype last = 0;
    QRegularExpressionMatchIterator it = attribute.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QStringList families;
        const QString written = match.captured(1).trimmed();
        if (!written.isEmpty() && !written.contains(QLatin1Char('\'')) && !written.contains(QLatin1Char('&'))) {
            families << written;
        }
        for (const QString& family : kSvgChineseFamilies) {
            if (!families.contains(family, Qt::CaseInsensitive)) families << family;
        }
        QString list;
        for (const QString& family : families) list += QLatin1Char('\'') + family + QStringLiteral("', ");
        result += QStringView(text).mid(last, match.capturedStart() - last);
        result += QStringLiteral("font-family=\"") + list + QStringLiteral("sans-serif\"");
        last = match.capturedEnd();
    }
    result += QStringView(text).mid(last);
    return result.toUtf8();
}

bool commit(QSaveFile& file, const QString& path, QString* error) {
    if (!file.commit()) {
        if (error) *error = QStringLiteral("无法写入文件: ") + path;
        return false;
    }
    return true;
}

}  // namespace

bool writeNetworkPicturePdf(const NetworkPicture& picture, const QString& path, QString* error) {
    // Drawn in memory, its text layer repaired, then written once.
    QByteArray pdf;
    DrawnText drawn;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("网图"));
        writer.setCreator(QStringLiteral("Kestrane"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        QPainter painter(&writer);
        const QRectF target(QPointF(0, 0), QSizeF(writer.width(), writer.height()));
        picture.paint(painter, target, &drawn);
    }
    const std::optional<QByteArray> repaired = repairedPdfText(pdf, drawn, error);
    if (!repaired) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*repaired) != repaired->size()) {
        if (error) *error = QStringLiteral("无法写入文件: ") + path;
        return false;
    }
    return commit(file, path, error);
}

bool writeNetworkPicture(const NetworkPicture& picture, const QString& path, QString* error) {
    const QString extension = extensionOf(path);
    if (extension == QLatin1String("pdf")) return writeNetworkPicturePdf(picture, path, error);
    if (extension != QLatin1String("svg") && extension != QLatin1String("png")) {
        if (error) *error = QStringLiteral("不支持的文件类型: ") + path;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("无法写入文件: ") + path;
        return false;
    }
    const QSize size(1600, 1200);
    if (extension == QLatin1String("svg")) {
        QBuffer drawing;
        drawing.open(QIODevice::WriteOnly);
        {
            QSvgGenerator svg;
            svg.setOutputDevice(&drawing);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setTitle(QStringLiteral("网图"));
            svg.setDescription(picture.ellipseFactorCaption());
            QPainter painter(&svg);
            picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        const QByteArray text = withPortableFamilies(drawing.data());
        if (file.write(text) != text.size()) {
            file.cancelWriting();
            if (error) *error = QStringLiteral("无法写入文件: ") + path;
            return false;
        }
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            picture.paint(painter, QRectF(image.rect()));
        }
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            if (error) *error = QStringLiteral("无法写入文件: ") + path;
            return false;
        }
    }
    return commit(file, path, error);
}

bool writeNetworkPlot(const AdjustmentState& state, const std::vector<PointPrecision>& precision, const QString& path,
                      QString* error, const QualityCheck* quality) {
    const QString extension = extensionOf(path);
    if (extension != QLatin1String("svg") && extension != QLatin1String("pdf")) {
        if (error) *error = QStringLiteral("网图只能写成 SVG 或 PDF 文件: ") + path;
        return false;
    }
    const auto documents = DocumentApplication::session();
    documents->ensure();
    const NetworkPicture picture(state, precision, quality);
    if (picture.empty()) {
        if (error) *error = QStringLiteral("没有完成的计算, 无法绘制网图");
        return false;
    }
    return writeNetworkPicture(picture, path, error);
}

}  // namespace kestrane
