// The parts of the front ends that need the window toolkit.
#pragma once

#include "ui/console/ConsoleFrontEnd.h"

namespace kestrane {

// Opens the main window and runs until it is closed; returns the exit status.
int runWindow(int argc, char** argv);

// The printing path that writes the report as a PDF file.
PdfWriter pdfWriter();

}  // namespace kestrane
