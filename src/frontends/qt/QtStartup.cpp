#include "frontends/qt/QtStartup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QSvgRenderer>
#include <QTranslator>

#include <clocale>

// The resource lies in a static library: its registration is called from
// the code so that the linker keeps it. Outside any namespace, as the
// resource compiler names it.
static void registerIconResource() { Q_INIT_RESOURCE(kestrane_icon); }

namespace kestrane {

bool installQtChinese(QCoreApplication& app) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // Dates and sizes in the file dialog follow the same language.
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QIcon applicationIcon() {
    registerIconResource();
    QSvgRenderer svg(QStringLiteral(":/kestrane/kestrane.svg"));
    QIcon icon;
    if (!svg.isValid()) return icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void prepareApplication(QApplication& app) {
    // Qt sets the user's locale; numbers keep C semantics everywhere.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Kestrane"));
    QApplication::setDesktopFileName(QStringLiteral("kestrane"));
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(style);
    installQtChinese(app);
    QApplication::setWindowIcon(applicationIcon());
}

namespace {

// The handler that was there before the document application.
QtMessageHandler previousHandler = nullptr;

void keepQtMessagesBack(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg && previousHandler) previousHandler(type, context, message);
}

}  // namespace

std::shared_ptr<DocumentApplication> DocumentApplication::session() {
    static std::weak_ptr<DocumentApplication> held;
    std::shared_ptr<DocumentApplication> current = held.lock();
    if (!current) {
        current = std::make_shared<DocumentApplication>();
        held = current;
    }
    return current;
}

DocumentApplication::DocumentApplication() = default;

DocumentApplication::~DocumentApplication() {
    application_.reset();
    if (handlerInstalled_) qInstallMessageHandler(previousHandler);
}

void DocumentApplication::ensure() {
    if (QCoreApplication::instance()) return;
    if (!handlerInstalled_) {
        previousHandler = qInstallMessageHandler(keepQtMessagesBack);
        handlerInstalled_ = true;
    }
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace kestrane
