// Enter and keypad Enter press the focused command button, as they do in the
// desktop programs most surveyors come from; Space already does in Qt.
#pragma once

class QPushButton;

namespace kestrane {

// From now on Enter or keypad Enter (without Shift, Ctrl or Alt) pressed
// while the button has the focus clicks it.
void pressOnEnter(QPushButton* button);

}  // namespace kestrane
