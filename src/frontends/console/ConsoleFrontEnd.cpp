#include "frontends/console/ConsoleFrontEnd.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <sstream>
#include <optional>
#include <vector>

#include "adjustment/PointPrecision.h"
#include "adjustment/QualityCheck.h"
#include "driver/ComputationDriver.h"
#include "driver/TypedAnswers.h"
#include "files/AtomicWrite.h"
#include "files/FileIdentity.h"
#include "files/ObservationFile.h"
#include "files/ResultsTable.h"
#include "frontends/console/Transcript.h"
#include "prompting/PromptTexts.h"
#include "prompting/NumberReader.h"
#include "prompting/ReplayingPrompt.h"
#include "results/QualityReport.h"
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
        showPrompt(prompt, title);
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

    // A prompt answered from the observation file: shown with its answer.
    void replayed(const std::string& prompt, const std::string& title, const std::string& answer) {
        showPrompt(prompt, title);
        out_ << "    << " << answer << '\n';
        transcript_.ask(prompt, title, answer);
    }

    void showMessage(const std::string& text) override {
        err_ << text << '\n';
        err_.flush();
        transcript_.message(text);
    }

    // Input that has ended does not come back: the computation is abandoned.
    bool confirmAbandon() override { return true; }

private:
    void showPrompt(const std::string& prompt, const std::string& title) {
        if (!title.empty()) out_ << '[' << title << "] ";
        out_ << prompt << '\n';
    }

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

// The output options of a run, in the order they are checked and written.
// One more output is one more entry here.
struct OutputOption {
    const char* option;
    const std::string& path;
    bool standardOutput;  // "-" is standard output
    bool mayNameInput;    // completes the observation file in place
};

std::vector<OutputOption> outputOptions(const ConsoleOptions& o) {
    return {
        {"--transcript", o.transcriptPath, true, false},
        {"--save-input", o.saveInputPath, true, true},
        {"--report", o.reportPath, true, false},
        {"--pdf", o.pdfPath, false, false},
        {"--csv", o.csvPath, true, false},
        {"--plot", o.plotPath, false, false},
        {"--quality", o.qualityPath, true, false},
    };
}

// Every output file named on the command line ("-" is none).
std::vector<std::string> outputPaths(const ConsoleOptions& o) {
    std::vector<std::string> paths;
    for (const OutputOption& output : outputOptions(o)) {
        if (!output.path.empty() && output.path != "-") paths.push_back(output.path);
    }
    return paths;
}

}  // namespace

std::optional<double> parseAngleError(const std::string& text) {
    const std::optional<double> value = readNumber(text);
    if (!value || !validAngleError(*value)) return std::nullopt;
    return value;
}

std::optional<SideErrorModel> parseSideError(const std::string& text) {
    SideErrorModel model;
    const std::size_t plus = text.find('+', 1);
    if (plus == std::string::npos) {
        const std::optional<double> mm = readNumber(text);
        if (!mm) return std::nullopt;
        model.mm = *mm;
    } else {
        const std::string ppmText = text.substr(plus + 1);
        if (ppmText.size() < 4 || ppmText.substr(ppmText.size() - 3) != "ppm") return std::nullopt;
        const std::optional<double> mm = readNumber(text.substr(0, plus));
        const std::optional<double> ppm = readNumber(ppmText.substr(0, ppmText.size() - 3));
        if (!mm || !ppm) return std::nullopt;
        model.mm = *mm;
        model.ppm = *ppm;
    }
    if (!validSideError(model)) return std::nullopt;
    return model;
}

QualityForm qualityFormOf(const std::string& path) {
    if (path == "-") return QualityForm::Text;
    std::string extension = path.substr(std::min(path.size(), path.rfind('.')));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".json") return QualityForm::Json;
    if (extension == ".txt") return QualityForm::Text;
    return QualityForm::None;
}

std::string commandLineFileFault(const ConsoleOptions& options) {
    const std::vector<OutputOption> outputs = outputOptions(options);
    const OutputOption* standardOutput = nullptr;
    for (const OutputOption& output : outputs) {
        if (output.path != "-") continue;
        if (!output.standardOutput) {
            return std::string(output.option) + " 不能写到标准输出 (cannot be standard output): -";
        }
        if (standardOutput) {
            return std::string("只有一个输出可以是标准输出 (at most one output may be -): ") + standardOutput->option +
                   " " + output.option;
        }
        standardOutput = &output;
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputOption& output = outputs[i];
        if (output.path.empty() || output.path == "-") continue;
        if (!output.mayNameInput && !options.inputPath.empty() && sameFile(output.path, options.inputPath)) {
            return std::string(output.option) + " 的文件就是观测数据文件，写入会毁掉输入 (output names the --input file): " +
                   output.path;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const OutputOption& other = outputs[j];
            if (other.path.empty() || other.path == "-") continue;
            if (sameFile(output.path, other.path)) {
                return std::string(other.option) + " 和 " + output.option +
                       " 是同一个文件 (two outputs name one file): " + output.path;
            }
        }
    }
    return {};
}

int runConsole(const ConsoleOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const PdfWriter& pdfWriter, const PlotWriter& plotWriter) {
    // The command line's files, the input file, then every output path,
    // before the first prompt.
    if (const std::string fault = commandLineFileFault(options); !fault.empty()) {
        err << fault << '\n';
        return kExitUsage;
    }
    std::vector<std::string> replayed;
    AprioriSettings settings;
    if (!options.inputPath.empty()) {
        const ObservationReading reading = readObservationFile(options.inputPath);
        if (!reading.values) {
            err << reading.message << '\n';
            return kExitDataError;
        }
        // How the file was read (GB18030): for the person at the terminal,
        // not an event of the computation.
        if (!reading.notice.empty()) err << reading.notice << '\n';
        replayed = typedAnswers(*reading.values);
        settings = reading.values->settings;
    }
    // The command line's settings replace the file's.
    if (options.settings.weighting) settings.weighting = options.settings.weighting;
    if (options.settings.angleSd) settings.angleSd = options.settings.angleSd;
    if (options.settings.sideSd) settings.sideSd = options.settings.sideSd;
    for (const std::string& path : outputPaths(options)) {
        std::string error;
        if (!checkWritable(path, error)) {
            err << error << '\n';
            return kExitCannotCreate;
        }
    }

    // A transcript on standard output follows every prompt and echo.
    AtomicFile transcriptFile;
    std::ostringstream transcriptText;
    if (!options.transcriptPath.empty() && options.transcriptPath != "-") {
        std::string error;
        if (!transcriptFile.open(options.transcriptPath, error)) {
            err << error << '\n';
            return kExitCannotCreate;
        }
    }
    std::ostream* transcriptStream = nullptr;
    if (transcriptFile.isOpen()) transcriptStream = &transcriptFile.stream();
    if (options.transcriptPath == "-") transcriptStream = &transcriptText;
    Transcript transcript(transcriptStream);
    ConsolePrompt prompt(in, out, err, transcript);
    ReplayingPrompt answers(prompt, std::move(replayed),
                            {[&prompt](const std::string& text, const std::string& title, const std::string& answer) {
                                 prompt.replayed(text, title, answer);
                             },
                             {}});
    ConsoleEcho echo(out, transcript);
    WindowFields window;
    window.setObserver(&echo);
    EntryRecord record;
    record.setSettings(settings);
    Services io{answers, window, &record};

    AdjustmentState state;
    state.settings = settings;
    const RunResult result = Command1_Click(state, io);
    int status = kExitCompleted;
    switch (result.outcome) {
    case RunOutcome::Abandoned:
        prompt.showMessage(texts::kAbandoned);
        status = kExitAbandoned;
        break;
    case RunOutcome::Faulted: status = kExitFault; break;
    case RunOutcome::Completed: break;
    }

    // Every requested output; a write that fails is reported and the others
    // are written all the same.
    bool written = true;
    auto report = [&](bool ok, const std::string& error) {
        if (!ok) {
            err << error << '\n';
            written = false;
        }
    };
    std::string error;
    // A text output: its file, or standard output for "-".
    auto writeText = [&](const std::string& path, const std::string& text) {
        if (path == "-") {
            out << text;
            out.flush();
        } else {
            report(writeTextAtomically(path, text, error), error);
        }
    };
    if (transcriptFile.isOpen()) report(transcriptFile.commit(error), error);
    if (options.transcriptPath == "-") writeText("-", transcriptText.str());
    if (!options.saveInputPath.empty()) {
        const std::optional<std::string> text = observationText(record.values(), error);
        if (text) writeText(options.saveInputPath, *text);
        else report(false, error);
    }
    if (result.outcome == RunOutcome::Completed) {
        if (!options.reportPath.empty()) {
            TextReportPrinter printer;
            printReport(state, printer);
            writeText(options.reportPath, printer.text());
        }
        // The documents that the window's drawing code writes, each into a
        // scratch file put in place when complete.
        auto writeDocument = [&](const std::string& path, const auto& writer, const char* missing, auto&&... args) {
            if (!writer) {
                report(false, missing);
                return;
            }
            report(writeAtomically(
                       path,
                       [&](const std::string& scratch, std::string& writeError) {
                           std::ostringstream messages;
                           const bool ok = writer(state, args..., scratch, messages);
                           writeError = messages.str();
                           while (!writeError.empty() && writeError.back() == '\n') writeError.pop_back();
                           return ok;
                       },
                       error),
                   error);
        };
        if (!options.pdfPath.empty()) writeDocument(options.pdfPath, pdfWriter, "此版本不能输出 PDF 文件。");
        // The quality check only when asked for.
        std::optional<QualityCheck> quality;
        if (!options.qualityPath.empty()) {
            quality = checkQuality(state);
            // Written as it is formed, straight into the file.
            const bool json = qualityFormOf(options.qualityPath) == QualityForm::Json;
            auto write = [&](std::ostream& stream) {
                if (json) writeQualityJson(*quality, stream);
                else stream << qualityText(*quality);
            };
            if (options.qualityPath == "-") {
                write(out);
                out.flush();
            } else {
                report(writeAtomically(
                           options.qualityPath,
                           [&](const std::string& path, std::string& writeError) {
                               std::ofstream file(path, std::ios::binary);
                               write(file);
                               file.close();
                               if (!file) writeError = "写入失败。";
                               return static_cast<bool>(file);
                           },
                           error),
                       error);
            }
        }
        // Every point's precision only when the table or the picture needs it.
        std::vector<PointPrecision> precision;
        if (!options.csvPath.empty() || !options.plotPath.empty()) precision = computePointPrecision(state);
        if (!options.csvPath.empty()) {
            writeText(options.csvPath, resultsTableText(state, precision));
        }
        if (!options.plotPath.empty()) {
            writeDocument(options.plotPath, plotWriter, "此版本不能绘制网图。", precision, quality ? &*quality : nullptr);
        }
    }
    if (!written && status == kExitCompleted) status = kExitCannotCreate;
    return status;
}

}  // namespace kestrane
