// Times the window opening an observation file: from the file chosen to the
// last result shown (the computation replayed, every field written, the
// window painted once more), and counts the paint events of the form and its
// fields meanwhile. Offscreen unless told otherwise.
//
//   kestrane_window_open_timing FILE.kestrane.toml [REPEATS]
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <cstdlib>
#include <iostream>

#include "frontends/qt/Form1.h"
#include "frontends/qt/QtStartup.h"

namespace {

// Counts the paint events of every widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kestrane_window_open_timing FILE.kestrane.toml [REPEATS]\n";
        return 64;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kestrane::prepareApplication(app);
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    for (int i = 0; i < repeats; ++i) {
        kestrane::Form1 form;
        form.show();
        QApplication::processEvents();
        PaintCounter counter;
        app.installEventFilter(&counter);
        QElapsedTimer clock;
        clock.start();
        const bool opened = form.openObservationFile(QString::fromLocal8Bit(argv[1]));
        QApplication::processEvents();  // the last results painted
        const qint64 ms = clock.elapsed();
        app.removeEventFilter(&counter);
        std::cout << (opened && form.state().complete ? "completed" : "NOT completed") << "  " << ms << " ms  "
                  << counter.paints << " paint events\n";
    }
    return 0;
}
