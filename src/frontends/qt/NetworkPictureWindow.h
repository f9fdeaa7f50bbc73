// The network picture window: the drawing of NetworkPicture, zoomed with the
// wheel about the cursor, panned by dragging, fitted to the window on
// request; exported as SVG, PDF or PNG and printed.
#pragma once

#include <QWidget>

#include <memory>
#include <vector>

#include "frontends/qt/NetworkPicture.h"
#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"

class QPrinter;

namespace kestrane {

// The drawing surface: keeps the view, never the computation.
class NetworkCanvas : public QWidget {
    Q_OBJECT
public:
    NetworkCanvas(std::shared_ptr<const NetworkPicture> picture, QWidget* parent);

    const PictureView& view() const { return view_; }
    // Zooms by factor (> 1 enlarges) keeping the ground point under `at`
    // (widget pixels) where it is.
    void zoomAt(const QPointF& at, double factor);
    // Moves the drawing by the given widget pixels.
    void panBy(const QPointF& pixels);
    void fitToWindow();
    // Rings the point (index into the picture, -1 none) and moves it to the
    // middle of the window at the present scale.
    void highlightPoint(int point);
    int highlighted() const { return view_.highlighted; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The whole network in the window, names left out where crowded.
    PictureView fittedView() const;

    std::shared_ptr<const NetworkPicture> picture_;
    PictureView view_;
    bool fitted_ = true;  // follows the window's size until zoomed or panned
    bool dragging_ = false;
    QPointF lastDrag_;
};

class NetworkPictureWindow : public QWidget {
    Q_OBJECT
public:
    // From a completed computation; computes the precision rows itself.
    explicit NetworkPictureWindow(const AdjustmentState& state, QWidget* parent = nullptr);
    NetworkPictureWindow(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                         QWidget* parent = nullptr);
    // With the marks of the computation's quality check (nullptr: none).
    NetworkPictureWindow(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                         const QualityCheck* quality, QWidget* parent = nullptr);

    NetworkCanvas* canvas() const { return canvas_; }
    const NetworkPicture& picture() const { return *picture_; }
    // Writes SVG, PDF or PNG by the extension; false with a message.
    bool exportTo(const QString& path, QString* error) const;
    // Prints the whole network on one page.
    void printTo(QPrinter& printer) const;

    // Marks the suspects of the check once it has been computed.
    void setQuality(const QualityCheck* quality);
    // Rings and centres the point of result row `row` named `name` (the
    // precision table's row chosen); when that row's point is named
    // otherwise, the first point of that name; nothing when none is.
    void showResultRow(int row, const QString& name);
    // The file the export dialog offers (网图.svg unless set).
    void setDefaultFileName(const QString& path) { defaultFileName_ = path; }

signals:
    // A picture exported or printed, as the status bar says it.
    void confirmed(const QString& message);

public slots:
    void fitToWindow();
    void exportWithDialog();
    void print();

private:
    std::shared_ptr<NetworkPicture> picture_;
    NetworkCanvas* canvas_ = nullptr;
    QString defaultFileName_ = QStringLiteral("网图.svg");
};

}  // namespace kestrane
