#include "frontends/console/ConsoleFrontEnd.h"

#include <fstream>
#include <iostream>
#include <optional>

#include "driver/ComputationDriver.h"
#include "frontends/console/Transcript.h"
#include "prompting/PromptTexts.h"
#include "results/Report.h"
#include "results/TextReport.h"

namespace kestrane {

namespace {

// Prompts on out, answers from in; end of input is a cancelled prompt.
class ConsolePrompt : public PromptService {
public:
    ConsolePrompt(std::istream& in, std::ostream& out, std::ostream& err, Transcript& transcript)
        : in_(in), out_(out), err_(err), transcript_(transcript) {}

    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override {
        if (!title.empty()) out_ << '[' << title << "] ";
        out_ << prompt << '\n';
        out_.flush();
        std::optional<std::string> answer;
        std::string line;
        if (!ended_ && std::getline(in_, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            answer = line;
        } else {
            ended_ = true;
        }
        transcript_.ask(prompt, title, answer);
        return answer;
    }

    void showMessage(const std::string& text) override {
        err_ << text << '\n';
        err_.flush();
        transcript_.message(text);
    }

    // Input that has ended does not come back: the computation is abandoned.
    bool confirmAbandon() override { return true; }

private:
    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    Transcript& transcript_;
    bool ended_ = false;
};

// Echoes every field text and caption so that a person can follow the run.
class ConsoleEcho : public FieldObserver {
public:
    ConsoleEcho(std::ostream& out, Transcript& transcript) : out_(out), transcript_(transcript) {}

    void textChanged(const std::string& name, const std::string& value) override {
        out_ << "    " << name << " = \"" << value << "\"\n";
        transcript_.text(name, value);
    }
    void captionChanged(const std::string& name, const std::string& value) override {
        out_ << "    " << name << " : \"" << value << "\"\n";
        transcript_.caption(name, value);
    }

private:
    std::ostream& out_;
    Transcript& transcript_;
};

bool writeTextReport(const AdjustmentState& state, const std::string& path, std::ostream& out, std::ostream& err) {
    TextReportPrinter printer;
    printReport(state, printer);
    if (path == "-") {
        out << printer.text();
        out.flush();
        return true;
    }
    std::ofstream file(path, std::ios::binary);
    file << printer.text();
    file.close();
    if (!file) {
        err << "无法写入报告文件: " << path << '\n';
        return false;
    }
    return true;
}

}  // namespace

int runConsole(const ConsoleOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const PdfWriter& pdfWriter) {
    std::ofstream transcriptFile;
    if (!options.transcriptPath.empty()) {
        transcriptFile.open(options.transcriptPath, std::ios::binary | std::ios::trunc);
        if (!transcriptFile) {
            err << "无法写入记录文件: " << options.transcriptPath << '\n';
            return kExitUsage;
        }
    }
    Transcript transcript(options.transcriptPath.empty() ? nullptr : &transcriptFile);
    ConsolePrompt prompt(in, out, err, transcript);
    ConsoleEcho echo(out, transcript);
    WindowFields window;
    window.setObserver(&echo);
    Services io{prompt, window};

    AdjustmentState state;
    const RunResult result = Command1_Click(state, io);
    switch (result.outcome) {
    case RunOutcome::Abandoned:
        prompt.showMessage(texts::kAbandoned);
        return kExitAbandoned;
    case RunOutcome::Faulted:
        return kExitFault;
    case RunOutcome::Completed:
        break;
    }
    bool written = true;
    if (!options.reportPath.empty()) written = writeTextReport(state, options.reportPath, out, err) && written;
    if (!options.pdfPath.empty()) {
        if (pdfWriter) {
            written = pdfWriter(state, options.pdfPath, err) && written;
        } else {
            err << "此版本不能输出 PDF 文件。\n";
            written = false;
        }
    }
    return written ? kExitCompleted : 1;
}

}  // namespace kestrane
