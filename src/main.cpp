// kestrane: the main window by default, or one computation on the console.
#include <iostream>
#include <string>

#include "frontends/console/ConsoleFrontEnd.h"
#include "frontends/qt/QtFrontEnd.h"

namespace {

const char* const kUsage =
    "用法 (usage):\n"
    "  kestrane                       打开主窗口 (open the main window)\n"
    "  kestrane --console [--transcript FILE] [--report FILE] [--pdf FILE]\n"
    "                                 在终端中进行一次计算 (one computation in the terminal)\n"
    "  kestrane --help | --version\n";

}  // namespace

int main(int argc, char** argv) {
    bool console = false;
    kestrane::ConsoleOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The file name after an option; a missing or empty one is refused.
        auto value = [&](std::string& target) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return false;
            target = argv[++i];
            return true;
        };
        auto missing = [&] {
            std::cerr << "参数缺少文件名 (option needs a file name): " << arg << '\n' << kUsage;
            return kestrane::kExitUsage;
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version") {
            std::cout << "kestrane " << KESTRANE_VERSION << '\n';
            return 0;
        } else if (arg == "--console") {
            console = true;
        } else if (arg == "--transcript") {
            if (!value(options.transcriptPath)) return missing();
        } else if (arg == "--report") {
            if (!value(options.reportPath)) return missing();
        } else if (arg == "--pdf") {
            if (!value(options.pdfPath)) return missing();
        } else {
            std::cerr << "未知参数 (unknown argument): " << arg << '\n' << kUsage;
            return kestrane::kExitUsage;
        }
    }
    if (!console) {
        if (!options.transcriptPath.empty() || !options.reportPath.empty() || !options.pdfPath.empty()) {
            std::cerr << "--transcript, --report 和 --pdf 只用于 --console\n" << kUsage;
            return kestrane::kExitUsage;
        }
        return kestrane::runWindow(argc, argv);
    }
    return kestrane::runConsole(options, std::cin, std::cout, std::cerr, kestrane::pdfWriter());
}
