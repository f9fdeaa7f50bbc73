// Front ends of a build without Qt (KESTRANE_WITH_QT=OFF): there is no main
// window, no PDF output and no picture, only the console front end.
#include <iostream>

#include "frontends/qt/QtFrontEnd.h"

namespace kestrane {

int runWindow(int, char**, const std::string&) {
    std::cerr << "此版本没有主窗口（构建时未包含 Qt）；请使用 --console。\n";
    return 64;  // as for a bad command line
}

PdfWriter pdfWriter() { return {}; }

PlotWriter plotWriter() { return {}; }

}  // namespace kestrane
