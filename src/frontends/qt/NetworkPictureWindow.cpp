#include "frontends/qt/NetworkPictureWindow.h"

#include "frontends/qt/EnterKey.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

#include "adjustment/PointPrecision.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/OutputGuard.h"
#include "frontends/qt/PainterReportPrinter.h"
#include "frontends/qt/PdfText.h"

namespace kestrane {

NetworkCanvas::NetworkCanvas(std::shared_ptr<const NetworkPicture> picture, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)) {
    setObjectName(QStringLiteral("networkCanvas"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setMinimumSize(300, 250);
    setCursor(Qt::OpenHandCursor);
    view_ = fittedView();
}

PictureView NetworkCanvas::fittedView() const {
    PictureView view = picture_->fitView(QRectF(rect()));
    view.leaveOutCrowdedNames = true;
    view.highlighted = view_.highlighted;
    return view;
}

void NetworkCanvas::fitToWindow() {
    fitted_ = true;
    view_ = fittedView();
    update();
}

void NetworkCanvas::highlightPoint(int point) {
    view_.highlighted = point >= 0 && point < picture_->pointCount() ? point : -1;
    if (view_.highlighted >= 0) {
        view_.centreX = picture_->pointX(point);
        view_.centreY = picture_->pointY(point);
        fitted_ = false;
    }
    update();
}

void NetworkCanvas::zoomAt(const QPointF& at, double factor) {
    // The ground point under the cursor stays there.
    const QPointF middle = QRectF(rect()).center();
    const double k = view_.pixelsPerMetre;
    const double y = view_.centreY + (at.x() - middle.x()) / k;
    const double x = view_.centreX - (at.y() - middle.y()) / k;
    view_.pixelsPerMetre = k * factor;
    view_.centreY = y - (at.x() - middle.x()) / view_.pixelsPerMetre;
    view_.centreX = x + (at.y() - middle.y()) / view_.pixelsPerMetre;
    fitted_ = false;
    update();
}

void NetworkCanvas::panBy(const QPointF& pixels) {
    view_.centreY -= pixels.x() / view_.pixelsPerMetre;
    view_.centreX += pixels.y() / view_.pixelsPerMetre;
    fitted_ = false;
    update();
}

void NetworkCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    picture_->paint(painter, QRectF(rect()), view_);
}

void NetworkCanvas::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0) zoomAt(event->position(), std::pow(1.25, steps));
    event->accept();
}

void NetworkCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        lastDrag_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void NetworkCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    panBy(event->position() - lastDrag_);
    lastDrag_ = event->position();
}

void NetworkCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
        setCursor(Qt::OpenHandCursor);
    }
}

void NetworkCanvas::resizeEvent(QResizeEvent*) {
    if (fitted_) view_ = fittedView();
}

NetworkPictureWindow::NetworkPictureWindow(const AdjustmentState& state, QWidget* parent)
    : NetworkPictureWindow(state, computePointPrecision(state), parent) {}

NetworkPictureWindow::NetworkPictureWindow(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                                           QWidget* parent)
    : NetworkPictureWindow(state, precision, nullptr, parent) {}

NetworkPictureWindow::NetworkPictureWindow(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                                           const QualityCheck* quality, QWidget* parent)
    : QWidget(parent), picture_(std::make_shared<NetworkPicture>(state, precision, quality)) {
    setObjectName(QStringLiteral("networkPictureWindow"));
    setWindowTitle(QStringLiteral("网图"));
    closeOnEscapeOrCtrlW(this);
    canvas_ = new NetworkCanvas(picture_, this);

    auto* fit = new QPushButton(QStringLiteral("适合窗口"), this);
    fit->setObjectName(QStringLiteral("fitButton"));
    connect(fit, &QPushButton::clicked, this, &NetworkPictureWindow::fitToWindow);
    auto* save = new QPushButton(QStringLiteral("导出..."), this);
    save->setObjectName(QStringLiteral("exportButton"));
    connect(save, &QPushButton::clicked, this, &NetworkPictureWindow::exportWithDialog);
    auto* printButton = new QPushButton(QStringLiteral("打印..."), this);
    printButton->setObjectName(QStringLiteral("printPictureButton"));
    connect(printButton, &QPushButton::clicked, this, &NetworkPictureWindow::print);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fit);
    buttons->addWidget(save);
    buttons->addWidget(printButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(canvas_, 1);
    resize(900, 700);
}

void NetworkPictureWindow::fitToWindow() { canvas_->fitToWindow(); }

void NetworkPictureWindow::setQuality(const QualityCheck* quality) {
    picture_->setQuality(quality);
    canvas_->update();
}

void NetworkPictureWindow::showResultRow(int row, const QString& name) {
    int point = picture_->pointOfRow(row);
    if (point < 0 || picture_->pointName(point) != name) {
        point = -1;
        for (int i = 0; i < picture_->pointCount() && point < 0; ++i) {
            if (picture_->pointName(i) == name) point = i;
        }
    }
    canvas_->highlightPoint(point);
}

bool NetworkPictureWindow::exportTo(const QString& path, QString* error) const {
    return writeNetworkPicture(*picture_, path, error);
}

void NetworkPictureWindow::exportWithDialog() {
    QFileDialog dialog(this, QStringLiteral("导出网图"), defaultFileName_,
                       QStringLiteral("SVG 图形 (*.svg);;PDF 文件 (*.pdf);;PNG 图像 (*.png)"));
    dialog.setObjectName(QStringLiteral("exportPicture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();
    const QString selected = dialog.selectedNameFilter();
    QString target = path;
    if (QFileInfo(target).suffix().isEmpty()) {
        target += selected.contains(QLatin1String("pdf")) ? QStringLiteral(".pdf")
                  : selected.contains(QLatin1String("png")) ? QStringLiteral(".png")
                                                            : QStringLiteral(".svg");
    }
    if (refusedAsOutput(this, target)) return;
    QString error;
    if (!exportTo(target, &error)) {
        QMessageBox::warning(this, QStringLiteral("导出网图"), error);
    } else {
        emit confirmed(savedMessage(target));
    }
}

void NetworkPictureWindow::printTo(QPrinter& printer) const {
    DrawnText drawn;
    {
        QPainter painter(&printer);
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        picture_->paint(painter, QRectF(QPointF(0, 0), page.size()), &drawn);
    }
    QString error;
    if (!repairPrintedPdf(printer, drawn, &error)) {
        QMessageBox::warning(const_cast<NetworkPictureWindow*>(this), windowTitle(), error);
    }
}

void NetworkPictureWindow::print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印网图"));
    if (dialog.exec() == QDialog::Accepted && !refusedAsOutput(this, printer.outputFileName())) {
        printTo(printer);
        emit confirmed(printedMessage(printer));
    }
}

}  // namespace kestrane
