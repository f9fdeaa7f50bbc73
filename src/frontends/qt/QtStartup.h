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
// display. The documents of a console run (the report's PDF, the picture)
// share one offscreen application, made when the first of them is drawn and
// kept while anyone holds the session; when an application runs already (the
// window, the tests), it serves and none is made.
//
// While the offscreen application lives, Qt's own diagnostics (a missing
// XDG_RUNTIME_DIR, a font not found) are kept from the user's standard
// error: a console run says on standard error only what the program says. A
// document that cannot be written is reported by its writer; a fatal message
// still goes out.
class DocumentApplication {
public:
    // The session of the run: the one that is held, or a new one.
    static std::shared_ptr<DocumentApplication> session();

    DocumentApplication();
    DocumentApplication(const DocumentApplication&) = delete;
    DocumentApplication& operator=(const DocumentApplication&) = delete;
    ~DocumentApplication();

    // An application runs once this returns.
    void ensure();

private:
    // The arguments live as long as the application, which keeps and edits
    // them (it takes "-platform offscreen" out).
    int argc_ = 3;
    char programName_[9] = "kestrane";
    char platformOption_[10] = "-platform";
    char platformName_[10] = "offscreen";
    char* argv_[4] = {programName_, platformOption_, platformName_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
    bool handlerInstalled_ = false;
};

// The program's icon, drawn from the SVG built into the program at the
// sizes desktops ask for.
QIcon applicationIcon();

}  // namespace kestrane
