// Notices when the main window's X window is destroyed by another program
// (xdotool windowclose, a window manager's clean-up). Qt keeps the widget
// and its event loop then, so without this the program would live on with
// nothing on the screen.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>

class QWidget;

namespace kestrane {

class NativeWindowWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Watches the native window of `window` (a child of it, so it lives as
    // long); `lost` is called once, from the event loop, when that window
    // was destroyed while Qt still held it.
    NativeWindowWatch(QWidget* window, std::function<void()> lost);
    ~NativeWindowWatch() override;

    // Sees every event of the X server connection (xcb) before Qt does.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget* window_;
    std::function<void()> lost_;
    bool reported_ = false;
};

}  // namespace kestrane
