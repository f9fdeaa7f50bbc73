// The entries of the window front end: the main window, and the PDF form of
// the printed report that the console also uses. A build without Qt has
// neither (WithoutQt.cpp).
#pragma once

#include <string>

#include "results/DocumentWriters.h"

namespace kestrane {

// Opens the main window and runs until it is closed; returns the exit status.
// A file named on the command line is opened at once, as 打开观测数据 does.
int runWindow(int argc, char** argv, const std::string& observationFile);

// The printing path that writes the report as a PDF file.
PdfWriter pdfWriter();

// The drawing of the network picture, for --plot.
PlotWriter plotWriter();

}  // namespace kestrane
