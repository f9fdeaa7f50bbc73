// The set-up of the application that every window of the program shares:
// the style, Qt's own dialogs in Chinese, and the program's icon. The window
// tests start the same way.
#pragma once

#include <QIcon>

#include <memory>

class QApplication;
class QCoreApplication;
class QGuiApplication;

namespace kestrane {

// Numbers with C semantics, the application's names, the Fusion style (it
// draws the design's button colours on every desktop), Qt's Chinese texts
// and the window icon.
void prepareApplication(QApplication& app);

// Loads Qt's own Chinese translations, whatever the user's locale, so that
// the file, print and message dialogs speak the program's language. False
// when they are not installed (Debian package qt6-translations-l10n).
bool installQtChinese(QCoreApplication& app);

// Drawing and printing need the font machinery of a GUI application, never a
// display: for the console's PDF and picture, an offscreen application when
// none runs (held by the pointer for the drawing's time; empty when one runs).
std::unique_ptr<QGuiApplication> offscreenApplicationIfNone();

// The program's icon, drawn from the SVG built into the program at the
// sizes desktops ask for.
QIcon applicationIcon();

}  // namespace kestrane
