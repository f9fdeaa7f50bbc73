// The confirmed-entry protocol: a value is asked, shown in its field and
// confirmed; an answer of 0 at the confirmation throws it away and asks again.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "prompting/NumberReader.h"
#include "state/Services.h"

namespace kestrane {

// The four prompt texts of one value (and the titles that two of them carry).
struct EntryTexts {
    std::string valuePrompt;
    std::string firstConfirm;
    std::string reentryPrompt;
    std::string repeatConfirm;
    std::string valueTitle = "";
    std::string firstConfirmTitle = "";
};

// Asks a prompt that needs a value. A cancelled prompt (end of input on a
// console) asks the front end whether to abandon: yes ends the computation
// (ComputationAbandoned), no asks the same prompt again.
std::string askValue(Services& io, const std::string& prompt, const std::string& title);

// The answer as a finite number; a non-number or a number beyond the double
// range is refused with a message (nullopt).
std::optional<double> numberOrRefuse(Services& io, const std::string& text);

// Asks until the answer reads as a finite number. A non-number or a number
// beyond the double range is refused with a message and asked again.
double askNumber(Services& io, const std::string& prompt, const std::string& title);

// Asks a pause prompt and discards the answer (empty, cancelled or any text).
void pause(Services& io, const std::string& prompt);

// Shows a message of a refused value.
void refuse(Services& io, const std::string& message);

// Tells the recorder, if any, of an accepted value.
void record(Services& io, EntryItem item, double value);

// The protocol for a value of type T. read asks one value prompt (value or
// re-entry) and converts its answer; render gives the field text.
// afterFirstAnswer runs once, after the first value prompt has been answered
// and before its value is shown.
template <typename T>
T confirmedEntry(Services& io, const EntryTexts& texts, const std::string& field,
                 const std::function<T(const std::string&, const std::string&)>& read,
                 const std::function<std::string(const T&)>& render,
                 const std::function<void()>& afterFirstAnswer = {}) {
    T value = read(texts.valuePrompt, texts.valueTitle);
    if (afterFirstAnswer) afterFirstAnswer();
    io.window.setText(field, render(value));
    std::optional<std::string> answer = io.prompt.ask(texts.firstConfirm, texts.firstConfirmTitle);
    while (isRejection(answer)) {
        io.window.setText(field, "");
        value = read(texts.reentryPrompt, "");
        io.window.setText(field, render(value));
        answer = io.prompt.ask(texts.repeatConfirm, "");
    }
    io.window.setText(field, render(value));
    return value;
}

// Convenience forms of the protocol for the kinds of value; each records
// the value it returns as `item`.
// A double shown as " " + format(v, decimals).
double confirmedNumber(Services& io, const EntryTexts& texts, const std::string& field, int decimals,
                       EntryItem item, const std::function<void()>& afterFirstAnswer = {});
// A name shown as " " + the name.
std::string confirmedName(Services& io, const EntryTexts& texts, const std::string& field);
// A numeric text (T0, Qa): kept as typed, shown as the number it spells with
// five decimals, or unchanged when it spells none. Not recorded: the caller
// records the number once the text has turned out to be one.
std::string confirmedNumericText(Services& io, const EntryTexts& texts, const std::string& field);

}  // namespace kestrane
