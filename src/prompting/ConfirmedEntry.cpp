#include "prompting/ConfirmedEntry.h"

#include <cmath>

#include "prompting/NumberReader.h"
#include "prompting/PromptTexts.h"
#include "state/Faults.h"
#include "state/NumberFormat.h"

namespace kestrane {

std::string askValue(Services& io, const std::string& prompt, const std::string& title) {
    for (;;) {
        std::optional<std::string> answer = io.prompt.ask(prompt, title);
        if (answer) return *answer;
        if (io.prompt.confirmAbandon()) throw ComputationAbandoned();
    }
}

std::optional<double> numberOrRefuse(Services& io, const std::string& text) {
    const std::optional<double> number = readNumber(text);
    if (!number) {
        refuse(io, texts::kTypeMismatch);
        return std::nullopt;
    }
    if (!std::isfinite(*number)) {
        refuse(io, texts::kNumberOverflow);
        return std::nullopt;
    }
    return number;
}

double askNumber(Services& io, const std::string& prompt, const std::string& title) {
    for (;;) {
        if (const auto number = numberOrRefuse(io, askValue(io, prompt, title))) return *number;
    }
}

void pause(Services& io, const std::string& prompt) { (void)io.prompt.ask(prompt, ""); }

void refuse(Services& io, const std::string& message) { io.prompt.showMessage(message); }

void record(Services& io, EntryItem item, double value) {
    if (io.recorder) io.recorder->accepted(item, value);
}

double confirmedNumber(Services& io, const EntryTexts& texts, const std::string& field, int decimals,
                       EntryItem item, const std::function<void()>& afterFirstAnswer) {
    const double value = confirmedEntry<double>(
        io, texts, field,
        [&io](const std::string& prompt, const std::string& title) { return askNumber(io, prompt, title); },
        [decimals](const double& v) { return " " + formatFixed(v, decimals); }, afterFirstAnswer);
    record(io, item, value);
    return value;
}

std::string confirmedName(Services& io, const EntryTexts& texts, const std::string& field) {
    std::string name = confirmedEntry<std::string>(
        io, texts, field,
        [&io](const std::string& prompt, const std::string& title) { return askValue(io, prompt, title); },
        [](const std::string& name) { return " " + name; });
    if (io.recorder) io.recorder->acceptedName(name);
    return name;
}

std::string confirmedNumericText(Services& io, const EntryTexts& texts, const std::string& field) {
    return confirmedEntry<std::string>(
        io, texts, field,
        [&io](const std::string& prompt, const std::string& title) { return askValue(io, prompt, title); },
        [](const std::string& text) {
            const std::optional<double> number = readNumber(text);
            if (number && std::isfinite(*number)) return " " + formatFixed(*number, 5);
            return " " + text;
        });
}

}  // namespace kestrane
