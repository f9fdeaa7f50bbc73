// The program's own modal questions and messages, with Chinese buttons and
// the defaults that Enter answers.
#pragma once

#include <QMessageBox>
#include <QString>

namespace kestrane {

// A message with one button (确定).
void inform(QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::Information);

// A yes/no question whose Enter answers `byDefault`; true for yes.
bool askYesNo(QWidget* parent, const QString& text, QMessageBox::StandardButton byDefault);

// The question when a prompt that needs a value was cancelled.
enum class GiveUpAnswer { GoOn, GiveUp, SaveAndGiveUp };
GiveUpAnswer askGiveUp(QWidget* parent);

}  // namespace kestrane
