// The front-end entries that need Qt: the main window, and the PDF form of
// the printed report for the console's --pdf option.
#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <memory>
#include <ostream>

#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPicture.h"
#include "frontends/qt/PainterReportPrinter.h"
#include "frontends/qt/QtFrontEnd.h"
#include "frontends/qt/QtStartup.h"

namespace kestrane {

int runWindow(int argc, char** argv, const std::string& observationFile) {
    QApplication app(argc, argv);
    prepareApplication(app);
    Form1 window;
    window.show();
    // Once the window is up: an unfinished computation of a window that is
    // gone, then the file named on the command line.
    QTimer::singleShot(0, &window, [&window, file = QString::fromStdString(observationFile)] {
        window.offerRecovery();
        if (!file.isEmpty()) window.openObservationFile(file);
    });
    return app.exec();
}

// Both writers of a run hold one session: the application made for the first
// document serves the next one as well.
PdfWriter pdfWriter() {
    return [documents = DocumentApplication::session()](const AdjustmentState& state, const std::string& path,
                                                        std::ostream& err) {
        documents->ensure();
        QString error;
        if (writeReportPdf(state, QString::fromStdString(path), &error) == 0) {
            err << error.toStdString() << '\n';
            return false;
        }
        return true;
    };
}

PlotWriter plotWriter() {
    return [documents = DocumentApplication::session()](const AdjustmentState& state,
                                                        const std::vector<PointPrecision>& precision,
                                                        const QualityCheck* quality, const std::string& path,
                                                        std::ostream& err) {
        // The suspects are marked when --quality was given.
        documents->ensure();
        QString error;
        if (!writeNetworkPlot(state, precision, QString::fromStdString(path), &error, quality)) {
            err << error.toStdString() << '\n';
            return false;
        }
        return true;
    };
}

}  // namespace kestrane
