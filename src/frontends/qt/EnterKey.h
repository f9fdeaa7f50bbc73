// Enter and keypad Enter press the focused command button, as they do in the
// desktop programs most surveyors come from; Space already does in Qt.
#pragma once

class QPushButton;
class QWidget;

namespace kestrane {

// From now on Enter or keypad Enter (without Shift, Ctrl or Alt) pressed
// while the button has the focus clicks it.
void pressOnEnter(QPushButton* button);

// Esc and Ctrl+W close the window (a table, the picture, the check), as they
// close a document's view in desktop programs.
void closeOnEscapeOrCtrlW(QWidget* window);

}  // namespace kestrane
