// The program's own modal questions and messages, with Chinese buttons and
// the defaults that Enter answers.
#pragma once

#include <QMessageBox>
#include <QString>

class QPrinter;

namespace kestrane {

// A message with one button (确定).
void inform(QWidget* parent, const QString& text, QMessageBox::Icon icon = QMessageBox::Information);

// A yes/no question whose Enter answers `byDefault`; true for yes.
bool askYesNo(QWidget* parent, const QString& text, QMessageBox::StandardButton byDefault);

// The question when a prompt that needs a value was cancelled.
enum class GiveUpAnswer { GoOn, GiveUp, SaveAndGiveUp };
GiveUpAnswer askGiveUp(QWidget* parent);

// The question before an action that would drop a document with unsaved
// changes (another file, a new computation, the end of the program):
// 保存 / 不保存 / 取消, Enter saves and Esc cancels. The box is named
// "unsavedChanges".
enum class UnsavedAnswer { Save, Discard, Cancel };
UnsavedAnswer askUnsavedChanges(QWidget* parent, const QString& document);

// The status bar's confirmations: a file written, a report sent to a
// printer (or, printed to a file, that file).
QString savedMessage(const QString& path);
QString printedMessage(const QPrinter& printer);

}  // namespace kestrane
