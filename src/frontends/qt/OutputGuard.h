// Every save dialog of the window but 保存观测数据 refuses the observation
// file last opened or saved in the window: a results table, a report or a
// picture written there would destroy the surveyor's observations.
#pragma once

#include <QString>

class QWidget;

namespace kestrane {

// Whether `path`, chosen in a save dialog of `window` (the main window or
// one of its views), names the main window's observation file, compared by
// identity (FileIdentity.h); when it does, a message says so and the caller
// writes nothing.
bool refusedAsOutput(QWidget* window, const QString& path);

}  // namespace kestrane
