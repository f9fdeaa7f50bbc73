#include "state/AprioriModel.h"

#include <cmath>

namespace kestrane {

const char* weightingName(Weighting weighting) {
    return weighting == Weighting::Rigorous ? "rigorous" : "classic";
}

std::optional<Weighting> weightingFromName(const std::string& name) {
    if (name == "classic") return Weighting::Classic;
    if (name == "rigorous") return Weighting::Rigorous;
    return std::nullopt;
}

bool validSideError(const SideErrorModel& m) {
    if (!std::isfinite(m.mm)) return false;
    if (!m.ppm) return m.mm > 0;
    return std::isfinite(*m.ppm) && m.mm >= 0 && *m.ppm >= 0 && (m.mm > 0 || *m.ppm > 0);
}

bool validAngleError(double seconds) { return std::isfinite(seconds) && seconds > 0; }

double sideStandardError(const SideErrorModel& m, double length) {
    if (!m.ppm) return m.mm;
    // ppm of the length in metres is ppm * s / 1000 millimetres.
    const double proportional = *m.ppm * length / 1000;
    return std::sqrt(m.mm * m.mm + proportional * proportional);
}

}  // namespace kestrane
