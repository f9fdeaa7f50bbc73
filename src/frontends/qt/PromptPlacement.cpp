#include "frontends/qt/PromptPlacement.h"

#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

#include "prompting/PromptTexts.h"

namespace kestrane {

namespace {

// Pixels between the dialog and the window or the fields beside it.
constexpr int kGap = 8;

// The longest prompts of a computation: the dialog is high enough for each.
constexpr const char* kLongestPrompts[] = {
    texts::kLastSideConfirm, texts::kXbValue, texts::kYbValue, texts::kXcValue, texts::kYcValue,
    texts::kXaFirstConfirm,
};

qint64 coveredPixels(const QRect& rect, const QList<QRect>& keepClear) {
    qint64 covered = 0;
    for (const QRect& clear : keepClear) {
        const QRect both = rect & clear;
        if (!both.isEmpty()) covered += qint64(both.width()) * both.height();
    }
    return covered;
}

}  // namespace

QRect keptOnScreen(QRect rect, const QRect& screen) {
    if (rect.right() > screen.right()) rect.moveRight(screen.right());
    if (rect.bottom() > screen.bottom()) rect.moveBottom(screen.bottom());
    if (rect.left() < screen.left()) rect.moveLeft(screen.left());
    if (rect.top() < screen.top()) rect.moveTop(screen.top());
    return rect;
}

QPoint promptPlace(QSize dialogFrame, const QRect& formFrame, const QRect& screen, const QList<QRect>& keepClear) {
    auto onScreen = [&](QPoint place) { return keptOnScreen(QRect(place, dialogFrame), screen); };
    const QList<QRect> outside = {
        onScreen({formFrame.right() + 1 + kGap, formFrame.top()}),
        onScreen({formFrame.left(), formFrame.bottom() + 1 + kGap}),
        onScreen({formFrame.left() - kGap - dialogFrame.width(), formFrame.top()}),
    };
    // Beside or below the window, moved along its side onto the screen.
    for (const QRect& place : outside) {
        if (!place.intersects(formFrame)) return place.topLeft();
    }
    // Over the window (the screen has no room beside it), clear of the fields.
    QList<QRect> places = outside;
    QRect fields;
    for (const QRect& clear : keepClear) fields |= clear;
    if (!fields.isNull()) {
        places << onScreen({fields.right() + 1 + kGap, fields.top()}) << onScreen({fields.left(), fields.bottom() + 1 + kGap});
    }
    QPoint best;
    qint64 leastCovered = std::numeric_limits<qint64>::max();
    for (const QRect& place : places) {
        const qint64 covered = coveredPixels(place, keepClear);
        if (covered == 0) return place.topLeft();
        if (covered < leastCovered) {
            leastCovered = covered;
            best = place.topLeft();
        }
    }
    return best;
}

// ---------------------------------------------------------------------------

void PromptPlacement::place(QDialog& dialog, const QWidget& form) {
    // One size for every prompt: the width fixed, the height that of the
    // longest prompt. The text stands at the top and takes the height left
    // over, so the input box and the buttons keep their places.
    if (auto* label = dialog.findChild<QLabel*>()) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        const QString prompt = label->text();
        int height = 0;
        for (const char* text : kLongestPrompts) {
            label->setText(QString::fromUtf8(text));
            height = std::max(height, dialog.heightForWidth(kDialogWidth));
        }
        label->setText(prompt);
        height = std::max(height, dialog.heightForWidth(kDialogWidth));
        if (QLayout* layout = dialog.layout()) layout->setSizeConstraint(QLayout::SetDefaultConstraint);
        dialog.setFixedSize(kDialogWidth, height);
    }

    // The window manager's frame is not known before the dialog is shown:
    // it is taken to be the main window's.
    const QRect formFrame = form.frameGeometry();
    const QRect formClient = form.geometry();
    const QMargins decoration(formClient.left() - formFrame.left(), formClient.top() - formFrame.top(),
                              formFrame.right() - formClient.right(), formFrame.bottom() - formClient.bottom());
    const QSize frame = dialog.size().grownBy(decoration);
    // The screen under the window's centre; the dialog stays on it.
    QScreen* holder = QGuiApplication::screenAt(formFrame.center());
    if (!holder) holder = form.screen();
    const QRect screen = holder ? holder->availableGeometry() : formFrame;

    QPoint place;
    if (userOffset_) {
        place = keptOnScreen(QRect(formFrame.topLeft() + *userOffset_, frame), screen).topLeft();
    } else {
        QList<QRect> fields;
        for (const QLineEdit* field : form.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
            fields << QRect(field->mapToGlobal(QPoint(0, 0)), field->size());
        }
        place = promptPlace(frame, formFrame, screen, fields);
    }
    dialog.move(place);
    given_ = place;
}

void PromptPlacement::closed(const QDialog& dialog, const QWidget& form) {
    if (dialog.pos() != given_) userOffset_ = dialog.pos() - form.frameGeometry().topLeft();
}

}  // namespace kestrane
