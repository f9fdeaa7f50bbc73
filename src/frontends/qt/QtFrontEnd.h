// The entries of the window front end: the main window, and the PDF form of
// the printed report that the console also uses. A build without Qt has
// neither (WithoutQt.cpp).
#pragma once

#include "results/Report.h"

namespace kestrane {

// Opens the main window and runs until it is closed; returns the exit status.
int runWindow(int argc, char** argv);

// The printing path that writes the report as a PDF file.
PdfWriter pdfWriter();

}  // namespace kestrane
