// Where the prompt dialog of a computation stands, and its one size: the
// prompts follow each other quickly, so the dialog keeps one size and one
// place for the whole session, and never covers a field of the main window,
// whose texts echo and answer each prompt.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QDialog;
class QWidget;

namespace kestrane {

// The place, as the top-left corner of the dialog's frame in global pixels,
// for a dialog frame of the given size, beside a main window whose frame is
// formFrame, on the screen area (available geometry) that holds the window,
// covering none of the rectangles in keepClear (global pixels). The places
// tried, each first moved the least needed to lie on the screen:
//   1. right of the window, its top level with the window's;
//   2. below the window, its left edge in line with the window's;
//   3. left of the window;
//   4. over the window, right of the rightmost rectangle to keep clear;
//   5. over the window, below the lowest rectangle to keep clear.
// The first of 1-3 that stays clear of the window is taken; else the first
// of 1-5 that covers none of keepClear; else (on a screen too small for the
// window) the one that covers the fewest of their pixels.
QPoint promptPlace(QSize dialogFrame, const QRect& formFrame, const QRect& screen, const QList<QRect>& keepClear);

// A rectangle of the given size moved the least needed to lie on the screen
// (its top-left corner on the screen when it is larger than the screen).
QRect keptOnScreen(QRect rect, const QRect& screen);

// Gives the prompt dialogs of one main window their size and place, and keeps
// a place the user moved a dialog to (relative to the window) for the rest
// of the session.
class PromptPlacement {
public:
    // The dialog's width in pixels: narrow enough for the strip right of the
    // fields on a screen only as wide as the window.
    static constexpr int kDialogWidth = 300;

    // Sizes the dialog (its label already set) to the one size of all
    // prompts and moves it to its place beside the form.
    void place(QDialog& dialog, const QWidget& form);
    // Called when the dialog closes: a dialog the user moved sets the place
    // of the next ones.
    void closed(const QDialog& dialog, const QWidget& form);

private:
    std::optional<QPoint> userOffset_;  // from the form's frame, pixels
    QPoint given_;                      // where the last dialog was put
};

}  // namespace kestrane
