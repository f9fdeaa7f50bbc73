// The help menu's two dialogs: a short guide to using the program, and the
// version and licence.
#pragma once

class QWidget;

namespace kestrane {

// 使用说明: a scrollable guide (order of entry, packed degrees, confirming,
// files, printing). Modal.
void showGuide(QWidget* parent);

// 关于: program, version, licence. Modal.
void showAbout(QWidget* parent);

}  // namespace kestrane
