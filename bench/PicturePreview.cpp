// The precision windows of one computation, for looking at them and timing
// the drawing: reads the answers of a computation (one per line, as the
// console takes them), runs it, times computePointPrecision and the drawing
// of the whole network and of a zoomed view, writes PREFIX.png, .svg and
// .pdf, and with --show opens the table and picture windows.
//
//   kestrane_picture_preview ANSWERS PREFIX [--show]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <clocale>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "NetworkFixture.h"
#include "adjustment/PointPrecision.h"
#include "driver/ComputationDriver.h"
#include "frontends/qt/NetworkPicture.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/PrecisionTableWindow.h"

using namespace kestrane;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: kestrane_picture_preview ANSWERS PREFIX [--show]\n";
        return 64;
    }
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    std::ifstream in(argv[1]);
    std::vector<std::string> answers;
    for (std::string line; std::getline(in, line);) answers.push_back(line);
    fixture::ScriptedPrompt prompt(answers);
    WindowFields window;
    Services io{prompt, window};
    AdjustmentState s;
    if (Command1_Click(s, io).outcome != RunOutcome::Completed) {
        std::cerr << "the computation did not complete\n";
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    const std::vector<PointPrecision> precision = computePointPrecision(s);
    std::cout << "n = " << s.triangleCount << ": precision of every point " << timer.nsecsElapsed() / 1e6 << " ms\n";

    timer.restart();
    const NetworkPicture picture(s, precision);
    std::cout << "picture geometry " << timer.nsecsElapsed() / 1e6 << " ms, ellipses x" << picture.ellipseFactor() << "\n";
    QImage image(1000, 700, QImage::Format_RGB32);
    const QRectF target(image.rect());
    for (const double zoom : {1.0, 8.0, 64.0}) {
        PictureView view = picture.fitView(target);
        view.pixelsPerMetre *= zoom;
        timer.restart();
        const int repeats = 5;
        for (int i = 0; i < repeats; ++i) {
            QPainter painter(&image);
            picture.paint(painter, target, view);
        }
        std::cout << "paint 1000x700, zoom " << zoom << ": " << timer.nsecsElapsed() / 1e6 / repeats << " ms\n";
        image.save(QString::fromLocal8Bit(argv[2]) + QStringLiteral("-zoom%1.png").arg(zoom));
    }
    QString error;
    for (const char* extension : {".png", ".svg", ".pdf"}) {
        if (!writeNetworkPicture(picture, QString::fromLocal8Bit(argv[2]) + QLatin1String(extension), &error)) {
            std::cerr << error.toStdString() << "\n";
        }
    }
    if (argc > 3 && std::string(argv[3]) == "--show") {
        PrecisionTableWindow table(s, precision);
        NetworkPictureWindow pictureWindow(s, precision);
        table.move(0, 0);
        table.show();
        pictureWindow.move(420, 80);
        pictureWindow.show();
        return QApplication::exec();
    }
    return 0;
}
