// The fonts of the design ("MS Sans Serif", "宋体") mapped to installed
// faces: the named face when it is installed, otherwise the closest one, with
// a Chinese face behind it so that Chinese text never shows as boxes.
#pragma once

#include <QFont>
#include <QStringList>

#include "frontends/qt/WindowLayout.h"

namespace kestrane {

enum class FontUse { Print, Screen };

// The installed families to use for a design font name, best first.
QStringList installedFamilies(const QString& designName, FontUse use = FontUse::Print);

// A screen font: the size in points at 96 dots per inch, as whole pixels,
// so that text keeps its size against the pixel layout on any screen.
QFont screenFont(const layout::FontSpec& face);

// A printing font of the given size in points, for the printer's resolution.
QFont printFont(const QString& designName, double points);

}  // namespace kestrane
