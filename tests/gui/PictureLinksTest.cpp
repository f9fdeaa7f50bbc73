// The network picture as a working view: the ellipses' scale bar at a round
// length, names left out on screen where they would overlap (never in an
// export), and the precision table's chosen row ringed and centred.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTableView>

#include <cmath>
#include <random>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "adjustment/PointPrecision.h"
#include "driver/ComputationDriver.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPicture.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/PrecisionTableWindow.h"

namespace kestrane {
namespace {

using namespace kestrane::test;

std::string example(const std::string& name) {
    return (std::filesystem::path(KESTRANE_EXAMPLES_DIR) / (name + ".kestrane.toml")).string();
}

// The texts of an SVG file (a text in two faces is two runs).
QStringList svgTexts(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    QStringList texts;
    static const QRegularExpression text(QStringLiteral("<text[^>]*>([^<]*)</text>"));
    for (auto it = text.globalMatch(svg); it.hasNext();) texts << it.next().captured(1);
    return texts;
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
    const auto svg = scratchFile("bar.svg");
    QString error;
    ASSERT_TRUE(writeNetworkPicture(picture, QString::fromStdString(svg.string()), &error)) << error.toStdString();
    const QRectF target(0, 0, 1600, 1200);
    const double pixelsPerMillimetre = picture.ellipseFactor() / 1000 * picture.fitView(target).pixelsPerMetre;
    const double unit = 1200.0 / 700;  // a window pixel on the export
    const QString caption = ellipseBarCaption(ellipseBarMillimetres(pixelsPerMillimetre, 40 * unit));
    const QString runs = svgTexts(svg).join(QString());
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
    const auto svg = scratchFile("crowded.svg");
    QString error;
    ASSERT_TRUE(writeNetworkPicture(picture, QString::fromStdString(svg.string()), &error)) << error.toStdString();
    const QStringList texts = svgTexts(svg);
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
        Form1 form;
        form.show();
        ASSERT_TRUE(form.openObservationFile(QString::fromStdString(example(c.file))));
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
    }
}

}  // namespace
}  // namespace kestrane
