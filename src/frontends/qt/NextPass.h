// Work for the window's thread in a pass of the event loop of its own.
#pragma once

#include <QTimer>

#include <utility>

namespace kestrane {

// Runs `work` once what is waiting now has run: a timer rather than a queued
// call, so that the window's own timers and input come first and two long
// passes never run back to back.
template <typename Work>
void inANewPass(QObject* context, Work&& work) {
    QTimer::singleShot(1, Qt::PreciseTimer, context, std::forward<Work>(work));
}

}  // namespace kestrane
