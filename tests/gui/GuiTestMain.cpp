// Runs the window tests in one QApplication, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>

#include "GuiTestSupport.h"
#include "frontends/qt/QtStartup.h"

#include <filesystem>
#include <cstdio>

namespace {

// The offscreen platform reports each dialog it cannot size by hints; that
// says nothing about the program.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (previousHandler) {
        previousHandler(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    // The program's own start: style, Qt's Chinese texts, icon.
    kestrane::prepareApplication(app);
    // The window keeps recently opened files in its settings: the tests'
    // own, never the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((kestrane::test::scratchFolder() / "config").string()));
    return RUN_ALL_TESTS();
}
