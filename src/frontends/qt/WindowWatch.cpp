#include "frontends/qt/WindowWatch.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

namespace kestrane {

NativeWindowWatch::NativeWindowWatch(QWidget* window, std::function<void()> lost)
    : QObject(window), window_(window), lost_(std::move(lost)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

NativeWindowWatch::~NativeWindowWatch() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

bool NativeWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (reported_ || !message || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks an event sent by another client.
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY) return false;
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    // Qt forgets the window's id before it destroys a window itself, so a
    // window that Qt still holds was destroyed by someone else.
    const WId held = window_->internalWinId();
    if (held == 0 || destroyed->window != static_cast<xcb_window_t>(held)) return false;
    reported_ = true;
    QTimer::singleShot(0, this, [this] { lost_(); });
    return false;
}

}  // namespace kestrane
