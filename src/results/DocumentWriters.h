// Documents that only the window's drawing code can make, handed to the
// console front end: the printed report as a PDF file and the picture of the
// network. Each returns false (with a message on err) when it cannot write.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "state/QualityFigures.h"
#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"

namespace kestrane {

// The printed report of a completed computation as a PDF file.
using PdfWriter = std::function<bool(const AdjustmentState&, const std::string& path, std::ostream& err)>;

// The adjusted network with every point's error ellipse, as SVG or PDF by the
// path's extension; `precision` is computePointPrecision's answer; the
// suspects of a quality check are marked when one is given.
using PlotWriter = std::function<bool(const AdjustmentState&, const std::vector<PointPrecision>& precision,
                                      const QualityCheck* quality, const std::string& path, std::ostream& err)>;

}  // namespace kestrane
