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
    "                                 在终端中进行一次计算 (one computation in the terminal)\n"
    "  kestrane --help | --version\n";

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
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
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
