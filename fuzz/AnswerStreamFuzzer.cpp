// Fuzz target: arbitrary bytes as the answers of computations in one
// window. The bytes are split into lines as the console reads them; each
// line answers the next prompt, and the end of the data is a cancelled
// prompt (a value prompt then abandons the computation, a confirmation or a
// pause goes on). While lines are left after a computation, the next one
// starts in the same window with the same state, as repeated clicks of the
// start button do.
//
// Every computation must end completed, abandoned at the end of the data,
// or stopped by a fault of the computation with that fault's message; an
// uncaught exception, a crash, a sanitizer report or a hang is a finding.
// Every field text and caption written must have its field's form (a
// fixed-point number with its decimals and unit, a fixed text with an
// integer, or the echo of an answer), and no text the program makes itself
// (fields, captions, prompts, messages, report items other than the echoed
// names) may spell NaN or infinity.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "driver/ComputationDriver.h"
#include "prompting/PromptTexts.h"
#include "results/Report.h"
#include "results/TextReport.h"
#include "state/Faults.h"

using namespace kestrane;
using kestrane::fuzz::mentionsNonFinite;
using kestrane::fuzz::require;

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A positive integer in decimal, no sign, no leading zero.
bool isCount(const std::string& text) {
    if (text.empty() || text[0] == '0') return false;
    for (char c : text) {
        if (!isDigit(c)) return false;
    }
    return true;
}

// before + a positive integer + after.
bool isCountedText(const std::string& text, const std::string& before, const std::string& after) {
    if (text.size() < before.size() + after.size()) return false;
    if (text.compare(0, before.size(), before) != 0) return false;
    if (text.compare(text.size() - after.size(), after.size(), after) != 0) return false;
    return isCount(text.substr(before.size(), text.size() - before.size() - after.size()));
}

// [" "] + a fixed-point number with exactly `decimals` decimals + unit, with
// no minus sign on a number whose digits are all zero.
bool isFixed(const std::string& text, bool blank, int decimals, const std::string& unit) {
    std::size_t i = 0;
    if (blank) {
        if (text.empty() || text[0] != ' ') return false;
        i = 1;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    bool nonZero = false;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        nonZero = nonZero || text[i] != '0';
        ++i;
        ++digits;
    }
    if (digits == 0 || i >= text.size() || text[i] != '.') return false;
    ++i;
    for (int d = 0; d < decimals; ++d, ++i) {
        if (i >= text.size() || !isDigit(text[i])) return false;
        nonZero = nonZero || text[i] != '0';
    }
    if (negative && !nonZero) return false;
    return text.compare(i, std::string::npos, unit) == 0;
}

struct NumericField {
    bool blank;
    int decimals;
    const char* unit;
    bool mayBeEmpty;  // emptied while a value is re-entered or a triangle begins
};

const std::map<std::string, NumericField>& numericFields() {
    static const std::map<std::string, NumericField> fields = {
        {"Text1", {true, 3, "", true}},          {"Text2", {true, 3, "", true}},
        {"Text3", {true, 3, "", true}},          {"Text4", {true, 3, "", true}},
        {"Text5", {true, 3, "", true}},          {"Text6", {true, 3, "", true}},
        {"Text9", {true, 5, "", true}},          {"Text10", {true, 4, "", true}},
        {"Text13", {true, 2, " 秒", true}},      {"Text14", {true, 2, " 毫米", false}},
        {"Text15", {true, 2, " 秒", false}},     {"Text17", {true, 5, "", true}},
        {"Text18", {true, 2, " 秒", false}},     {"Text19", {true, 2, " 毫米", false}},
        {"Text20", {true, 4, "", false}},        {"Text21", {true, 4, "", false}},
        {"Text22", {true, 2, " 毫米", false}},   {"Text23", {false, 2, " 毫米", false}},
        {"Text24", {true, 2, " 毫米", false}},   {"Text26", {true, 3, "", false}},
        {"Text27", {true, 3, "", false}},        {"Text28", {true, 5, " 度", false}},
        {"Text29", {true, 5, "", true}},         {"Text31", {true, 4, " 米", false}},
    };
    return fields;
}

bool isConfirmation(const std::string& prompt) { return prompt.find("确认") != std::string::npos; }
bool isPause(const std::string& prompt) {
    return prompt == texts::kSideMisclosurePause || prompt == texts::kResultPause;
}

// The answers, one line each, as the console reads them: split at "\n",
// one "\r" before it dropped; a last line without "\n" still counts.
std::vector<std::string> splitLines(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) {
        if (line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Answers prompts from the lines and checks every prompt and message.
class ScriptedPrompt : public PromptService {
public:
    explicit ScriptedPrompt(const std::vector<std::string>& lines) : lines_(lines) {}

    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override {
        require(!prompt.empty(), "a prompt has a text");
        require(!mentionsNonFinite(prompt) && !mentionsNonFinite(title), "prompt spells a non-finite number",
                prompt);
        std::optional<std::string> answer;
        if (next_ < lines_.size()) answer = lines_[next_++];
        lastAnswerWasEnd_ = !answer;
        lastPromptNeededValue_ = !isConfirmation(prompt) && !isPause(prompt);
        if (answer) {
            answersSeen_.insert(*answer);
            if (lastPromptNeededValue_) lastValueAnswer_ = *answer;
        }
        return answer;
    }

    void showMessage(const std::string& text) override {
        require(!text.empty(), "a message has a text");
        require(!mentionsNonFinite(text), "message spells a non-finite number", text);
        messages_.push_back(text);
    }

    bool confirmAbandon() override {
        require(lastAnswerWasEnd_, "abandoning is asked only when a prompt was cancelled");
        return true;
    }

    bool linesLeft() const { return next_ < lines_.size(); }
    bool lastAnswerWasEnd() const { return lastAnswerWasEnd_; }
    bool lastPromptNeededValue() const { return lastPromptNeededValue_; }
    const std::string& lastValueAnswer() const { return lastValueAnswer_; }
    bool answered(const std::string& text) const { return answersSeen_.count(text) != 0; }
    const std::vector<std::string>& messages() const { return messages_; }

private:
    const std::vector<std::string>& lines_;
    std::size_t next_ = 0;
    bool lastAnswerWasEnd_ = false;
    bool lastPromptNeededValue_ = false;
    std::string lastValueAnswer_;
    std::set<std::string> answersSeen_;
    std::vector<std::string> messages_;
};

// Checks the form of every field text and caption as it is written.
class FieldChecker : public FieldObserver {
public:
    explicit FieldChecker(const ScriptedPrompt& prompt) : prompt_(prompt) {}

    void textChanged(const std::string& name, const std::string& value) override {
        const auto& numeric = numericFields();
        if (auto it = numeric.find(name); it != numeric.end()) {
            const NumericField& f = it->second;
            if (value.empty() && f.mayBeEmpty) return;
            require(isFixed(value, f.blank, f.decimals, f.unit), "numeric field out of its form", name + "=" + value);
            return;
        }
        if (name == "Text7" || name == "Text8") {
            // T0 and Qa as typed: the number they spell, or the text itself.
            if (value.empty() || isFixed(value, true, 5, "")) return;
            require(value == " " + prompt_.lastValueAnswer(), "T0/Qa field is neither a number nor the answer",
                    name + "=" + value);
            return;
        }
        if (name == "Text25") {
            require(value.empty() || (value[0] == ' ' && prompt_.answered(value.substr(1))),
                    "name field shows something never answered", value);
            return;
        }
        require(!mentionsNonFinite(value), "field spells a non-finite number", name + "=" + value);
        if (name == "Text11") {
            require(value.empty() || isCountedText(value, "现在输入第", "个三角形的内角"), "Text11 out of form", value);
        } else if (name == "Text12") {
            require(isCountedText(value, "输入第", "条边长") || value == "输入最后一条边长", "Text12 out of form",
                    value);
        } else if (name == "Text30") {
            require(isCountedText(value, " 中心多边形共有", "个三角形"), "Text30 out of form", value);
        } else {
            fuzz::fail("a field the window does not have", name);
        }
    }

    void captionChanged(const std::string& name, const std::string& value) override {
        bool ok = false;
        if (name == "Label18") ok = isCountedText(value, " 求距角(", ")");
        else if (name == "Label28") ok = isCountedText(value, " 前进角(", ")");
        else if (name == "Label29") ok = isCountedText(value, " 中心角(", ")");
        else if (name == "Label19") ok = isCountedText(value, " s(", ")");
        else if (name == "Label22" || name == "Label24") ok = isCountedText(value, "w(", ")");
        else fuzz::fail("a label the window does not have", name);
        require(ok, "caption out of form", name + "=" + value);
    }

private:
    const ScriptedPrompt& prompt_;
};

// The text report, with every item that is not an echoed point name checked.
class CheckingPrinter : public TextReportPrinter {
public:
    explicit CheckingPrinter(const AdjustmentState& state) {
        for (const std::string& name : state.pointNames) {
            names_.insert(name);
            names_.insert(name + " :");
        }
    }
    void printLine(const std::vector<ReportItem>& items) override {
        for (const ReportItem& item : items) {
            if (names_.count(item.text) != 0) continue;
            require(!mentionsNonFinite(item.text), "report item spells a non-finite number", item.text);
        }
        TextReportPrinter::printLine(items);
    }

private:
    std::set<std::string> names_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = splitLines(data, size);
    ScriptedPrompt prompt(lines);
    FieldChecker checker(prompt);
    WindowFields window;
    window.setObserver(&checker);
    Services io{prompt, window};
    AdjustmentState state;

    do {
        const std::size_t messagesBefore = prompt.messages().size();
        const RunResult result = Command1_Click(state, io);
        switch (result.outcome) {
        case RunOutcome::Completed: {
            require(state.complete, "a completed computation is printable");
            CheckingPrinter printer(state);
            printReport(state, printer);
            require(printer.finished(), "the report ends its document");
            require(!printer.text().empty(), "the report has lines");
            break;
        }
        case RunOutcome::Abandoned:
            require(!state.complete, "an abandoned computation is not printable");
            require(prompt.lastAnswerWasEnd() && prompt.lastPromptNeededValue(),
                    "a computation is abandoned only at a value prompt at the end of the answers");
            require(!prompt.linesLeft(), "abandoned with answers left");
            break;
        case RunOutcome::Faulted:
            require(!state.complete, "a faulted computation is not printable");
            require(prompt.messages().size() > messagesBefore && prompt.messages().back() == faultMessage(result.fault),
                    "a fault is shown with its message");
            break;
        }
    } while (prompt.linesLeft());
    return 0;
}
