// Front ends without the window toolkit: until the main window is built the
// program prints its usage instead of opening it.
#include <iostream>

#include "ui/FrontEnds.h"

namespace kestrane {

int runWindow(int, char**) {
    std::cerr << "主窗口尚未提供；请使用 --console。\n";
    return kExitUsage;
}

PdfWriter pdfWriter() { return {}; }

}  // namespace kestrane
