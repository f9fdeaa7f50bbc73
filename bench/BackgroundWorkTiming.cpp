// How long the window stops answering while it works on a large network: a
// 10 ms timer on the window's thread records the largest gap between two of
// its ticks while the window opens an observation file and then shows the
// precision table, the network picture and the quality check, and
// recomputes once from the observation editor (first side + 1 mm), the
// three views open meanwhile and shown again with the new results. Each step
// ends when its window is shown (or the recomputation is taken) and painted.
// Offscreen unless told otherwise.
//
//   kestrane_background_timing FILE.kestrane.toml
#include <QApplication>
#include <QPixmap>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <iostream>

#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/PrecisionTableWindow.h"
#include "frontends/qt/QtStartup.h"
#include "frontends/qt/QualityWindow.h"
#include "adjustment/PointPrecision.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "results/PrecisionTable.h"

namespace {

struct Gaps {
    QElapsedTimer clock;
    qint64 last = 0, largest = 0, begin = 0;
    int ticks = 0;
    // KESTRANE_BENCH_TRACE: every gap over 40 ms, with when in the step it ended.
    bool trace = !qEnvironmentVariableIsEmpty("KESTRANE_BENCH_TRACE");
    void tick() {
        ++ticks;
        const qint64 now = clock.elapsed();
        if (trace && now - last > 40) {
            timespec mono{};
            clock_gettime(CLOCK_MONOTONIC, &mono);
            std::printf("    gap %4lld ms ending at %5lld ms (monotonic %lld.%06ld s)\n", now - last, now - begin,
                        static_cast<long long>(mono.tv_sec), mono.tv_nsec / 1000);
        }
        largest = std::max(largest, now - last);
        last = now;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kestrane_background_timing FILE.kestrane.toml\n";
        return 64;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kestrane::prepareApplication(app);
    kestrane::Form1 form;
    form.show();
    QApplication::processEvents();

    Gaps gaps;
    gaps.clock.start();
    QTimer timer;
    timer.setInterval(10);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&gaps] { gaps.tick(); });
    timer.start();

    qint64 overall = 0;
    // One step: started by `start`, over once `done` holds and three more
    // ticks have passed (the new window painted).
    auto step = [&](const char* name, const std::function<void()>& start, const std::function<bool()>& done) {
        QApplication::processEvents();
        gaps.largest = 0;
        gaps.ticks = 0;
        const qint64 begin = gaps.clock.elapsed();
        gaps.last = gaps.begin = begin;
        start();
        while (!done()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        for (qint64 until = gaps.clock.elapsed() + 30; gaps.clock.elapsed() < until;) {
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        // A step that ends with no tick since its start or its last tick
        // counts that time as a gap as well.
        gaps.largest = std::max(gaps.largest, gaps.clock.elapsed() - gaps.last);
        overall = std::max(overall, gaps.largest);
        std::printf("%-20s %7lld ms  %5d ticks  largest gap %5lld ms\n", name,
                    static_cast<long long>(gaps.clock.elapsed() - begin), gaps.ticks, static_cast<long long>(gaps.largest));
    };
    auto shown = [&form]<typename W>(W*) {
        return [&form] {
            auto* w = form.findChild<W*>();
            return w && w->isVisible();
        };
    };

    bool opened = false;
    step("open file", [&] { opened = form.openObservationFile(QString::fromLocal8Bit(argv[1])); },
         [&form] { return !form.working(); });
    if (!opened || !form.state().complete) {
        std::cerr << "the file did not complete a computation\n";
        return 1;
    }
    std::printf("n = %d, background above n = %d\n", form.state().triangleCount, kestrane::Form1::backgroundThreshold());
    qint64 afterOpen = 0;
    std::swap(afterOpen, overall);
    // KESTRANE_BENCH_SHOT=FILE.png: the window as it looks while the rows
    // are computed (busy indicator and 取消 in the status bar).
    const QString shot = qEnvironmentVariable("KESTRANE_BENCH_SHOT");
    step("precision table", [&] { form.showPrecisionTable(); },
         [&, table = shown(static_cast<kestrane::PrecisionTableWindow*>(nullptr)), saved = false]() mutable {
             if (!saved && !shot.isEmpty() && form.working()) saved = form.grab().save(shot);
             return table();
         });
    step("network picture", [&] { form.showNetworkPicture(); }, shown(static_cast<kestrane::NetworkPictureWindow*>(nullptr)));
    step("quality check", [&] { form.showQualityCheck(); }, shown(static_cast<kestrane::QualityWindow*>(nullptr)));
    step("open editor", [&] { form.showObservationEditor(); }, shown(static_cast<kestrane::ObservationEditor*>(nullptr)));
    auto* editor = form.findChild<kestrane::ObservationEditor*>();
    const kestrane::CellRef side{kestrane::EditorGroup::Sides, 0};
    editor->setAutoCompute(false);
    step("edit a side", [&] { editor->edit(side, QString::number(editor->document().text(side).toDouble() + 0.001, 'f', 4)); },
         [] { return true; });
    step("recompute", [&] { editor->recompute(); }, [&form] { return !form.working(); });
    // The parts that stay on the window's thread, timed alone.
    QElapsedTimer part;
    part.start();
    const kestrane::AdjustmentState copy = form.state();
    std::printf("copy of the computation   %5lld ms\n", static_cast<long long>(part.restart()));
    {
        // What the editor does before it hands its values over: the checks
        // of an observation file, written and read back.
        const kestrane::ObservationValues values = editor->document().values();
        std::printf("editor's values collected %5lld ms\n", static_cast<long long>(part.restart()));
        std::string error;
        const auto text = kestrane::observationText(values, error);
        const auto reading = kestrane::parseObservations(text.value_or(""), "bench");
        std::printf("editor's values checked   %5lld ms\n", static_cast<long long>(part.restart()));
        const auto answers = kestrane::typedAnswers(values);
        std::printf("answers of the values     %5lld ms\n", static_cast<long long>(part.restart()));
    }
    if (form.qualityCheck()) {
        const auto rows = kestrane::prepareQualityRows(*form.qualityCheck());
        std::printf("quality rows prepared     %5lld ms\n", static_cast<long long>(part.restart()));
        kestrane::QualityWindow window(*form.qualityCheck(), rows);
        std::printf("quality window filled     %5lld ms\n", static_cast<long long>(part.restart()));
        window.show();
        QApplication::processEvents();
        std::printf("quality window shown      %5lld ms\n", static_cast<long long>(part.restart()));
    }
    std::printf("quality window deleted    %5lld ms\n", static_cast<long long>(part.restart()));
    if (auto* picture = form.findChild<kestrane::NetworkPictureWindow*>(); picture && picture->isVisible()) {
        // The picture drawn again, as when the check's marks come in.
        part.restart();
        (void)picture->grab();
        std::printf("picture repainted         %5lld ms\n", static_cast<long long>(part.restart()));
        // Zoomed 16 times onto the outer ring, east of the centre: the
        // ellipses there are far larger than the window.
        kestrane::NetworkCanvas* canvas = picture->canvas();
        canvas->zoomAt(QPointF(canvas->width() * 0.70, canvas->height() * 0.45), 16);
        part.restart();
        (void)picture->grab();
        std::printf("picture zoomed 16x        %5lld ms\n", static_cast<long long>(part.restart()));
    }
    {
        const auto precision = kestrane::computePointPrecision(copy);
        part.restart();
        const auto rows = kestrane::precisionTableRows(copy, precision);
        std::printf("precision table texts     %5lld ms\n", static_cast<long long>(part.restart()));
        const auto prepared = kestrane::preparePrecisionRows(copy, precision);
        part.restart();
        kestrane::PrecisionTableWindow table(prepared);
        std::printf("precision table filled    %5lld ms\n", static_cast<long long>(part.restart()));
        table.show();
        QApplication::processEvents();
        std::printf("precision table shown     %5lld ms\n", static_cast<long long>(part.restart()));
    }
    std::printf("largest gap: %lld ms after the file was opened, %lld ms while it was opened\n",
                static_cast<long long>(overall), static_cast<long long>(afterOpen));
    return 0;
}
