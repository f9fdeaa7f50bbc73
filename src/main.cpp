// kestrane: the main window by default (on an observation file when one is
// named), or one computation on the console.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>

#include "frontends/console/ConsoleFrontEnd.h"
#include "frontends/qt/QtFrontEnd.h"

namespace {

const char* const kUsage =
    "用法 (usage):\n"
    "  kestrane [FILE.kestrane.toml]  打开主窗口（并计算观测数据文件）(open the main window)\n"
    "  kestrane --console [--input FILE] [--save-input FILE] [--transcript FILE]\n"
    "                     [--report FILE] [--pdf FILE] [--csv FILE] [--plot FILE.svg|FILE.pdf]\n"
    "                     [--quality FILE.json|FILE.txt] [--weighting classic|rigorous]\n"
    "                     [--angle-sd SECONDS] [--side-sd MM|MM+PPMppm]\n"
    "                                 在终端中进行一次计算 (one computation in the terminal)\n"
    "  kestrane --help | --version\n";

const char* const kOptions =
    "\n选项 (options):\n"
    "  --console             在终端中进行一次计算，然后退出 (one computation in the terminal)\n"
    "  --input FILE          观测数据文件，回答开头的提示 (observation file answering the prompts)\n"
    "  --save-input FILE     保存已输入的观测数据，无论计算如何结束 (save the values entered)\n"
    "  --transcript FILE     计算过程记录 JSON Lines (machine-readable transcript)\n"
    "  --report FILE         计算报告文本，- 为标准输出 (text report; - is standard output)\n"
    "  --pdf FILE            计算报告 PDF (the printed report as PDF)\n"
    "  --csv FILE            成果表 CSV，含各点精度 (results table with every point's precision)\n"
    "  --plot FILE           网图，.svg 或 .pdf (network picture, SVG or PDF)\n"
    "  --quality FILE        质量检核：.json 或 .txt，- 为标准输出 (quality check, JSON or text)\n"
    "  --weighting W         定权方式：classic 按限差定权（默认）或 rigorous 严密定权\n"
    "  --angle-sd SECONDS    测角中误差（秒），默认为测角限差 (a-priori angle error)\n"
    "  --side-sd MM          测边中误差（毫米），或 MM+PPMppm，例如 2+2ppm (a-priori side error)\n"
    "  --help                显示本说明 (this help)\n"
    "  --version             显示版本 (the version)\n"
    "\n详见 man kestrane (see man kestrane).\n";

int usageError(const std::string& what) {
    std::cerr << what << '\n' << kUsage;
    return kestrane::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    bool console = false;
    bool consoleOption = false;
    std::string windowFile;
    kestrane::ConsoleOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The file name after an option; a missing or empty one is refused.
        auto value = [&](std::string& target) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return false;
            target = argv[++i];
            consoleOption = true;
            return true;
        };
        const struct {
            const char* name;
            std::string* target;
        } fileOptions[] = {{"--input", &options.inputPath},   {"--save-input", &options.saveInputPath},
                           {"--transcript", &options.transcriptPath}, {"--report", &options.reportPath},
                           {"--pdf", &options.pdfPath},       {"--csv", &options.csvPath},
                           {"--plot", &options.plotPath}};
        bool known = false;
        for (const auto& option : fileOptions) {
            if (arg == option.name) {
                if (!value(*option.target)) return usageError("参数缺少文件名 (option needs a file name): " + arg);
                known = true;
            }
        }
        if (known) continue;
        if (arg == "--weighting" || arg == "--angle-sd" || arg == "--side-sd" || arg == "--quality") {
            std::string text;
            if (!value(text)) return usageError("参数缺少取值 (option needs a value): " + arg);
            if (arg == "--quality") {
                if (kestrane::qualityFormOf(text) == kestrane::QualityForm::None) {
                    return usageError("--quality 的文件名必须以 .json 或 .txt 结尾，或为 - (JSON or text by extension): " + text);
                }
                options.qualityPath = text;
            } else if (arg == "--weighting") {
                options.settings.weighting = kestrane::weightingFromName(text);
                if (!options.settings.weighting) return usageError("--weighting 只能是 classic 或 rigorous: " + text);
            } else if (arg == "--angle-sd") {
                options.settings.angleSd = kestrane::parseAngleError(text);
                if (!options.settings.angleSd) return usageError("--angle-sd 必须是大于 0 的秒数: " + text);
            } else {
                options.settings.sideSd = kestrane::parseSideError(text);
                if (!options.settings.sideSd) {
                    return usageError("--side-sd 必须是大于 0 的毫米数，或 MM+PPMppm（如 2+2ppm）: " + text);
                }
            }
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << kOptions;
            return 0;
        } else if (arg == "--version") {
            std::cout << "kestrane " << KESTRANE_VERSION << '\n';
            return 0;
        } else if (arg == "--console") {
            console = true;
        } else if (!arg.empty() && arg[0] != '-' && windowFile.empty()) {
            windowFile = arg;
        } else {
            return usageError("未知参数 (unknown argument): " + arg);
        }
    }
    // The picture is drawn as SVG or PDF, by the name's extension.
    if (!options.plotPath.empty()) {
        std::string extension = options.plotPath.substr(std::min(options.plotPath.size(), options.plotPath.rfind('.')));
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension != ".svg" && extension != ".pdf") {
            return usageError("--plot 的文件名必须以 .svg 或 .pdf 结尾 (SVG or PDF by extension): " + options.plotPath);
        }
    }
    if (console && !windowFile.empty()) {
        return usageError("--console 不带文件参数；请用 --input 指定观测数据文件 (use --input FILE)");
    }
    if (!console) {
        if (consoleOption) return usageError("--input、--transcript 等选项只用于 --console");
        return kestrane::runWindow(argc, argv, windowFile);
    }
    const int status =
        kestrane::runConsole(options, std::cin, std::cout, std::cerr, kestrane::pdfWriter(), kestrane::plotWriter());
    // A bad combination of files is a bad command line: its message, then usage.
    if (status == kestrane::kExitUsage) std::cerr << kUsage;
    return status;
}
