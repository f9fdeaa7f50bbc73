#include "frontends/qt/EnterKey.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

namespace kestrane {

namespace {

// Watches the key presses of the button it belongs to.
class EnterPresses : public QObject {
public:
    explicit EnterPresses(QPushButton* button) : QObject(button), button_(button) { button->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != button_ || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        if (!button_->isEnabled() || key->isAutoRepeat()) return true;
        button_->click();
        return true;
    }

private:
    QPushButton* button_;
};

}  // namespace

void pressOnEnter(QPushButton* button) { new EnterPresses(button); }

void closeOnEscapeOrCtrlW(QWidget* window) {
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QStringLiteral("Ctrl+W"))}) {
        auto* shortcut = new QShortcut(keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}

}  // namespace kestrane
