// The a-priori model of the observations: the standard error of an angle
// (seconds of arc) and of a side (millimetres), and which weighting the
// results are computed with. These are settings of a computation, not
// entries: none of them is asked, each may be left to its default.
#pragma once

#include <optional>
#include <string>

namespace kestrane {

// The weights of the results. Classic (按限差定权): the sides weighted from
// the tolerance, their weight reciprocal in square millimetres against side
// conditions in metres. Rigorous (严密定权): every weight reciprocal in the
// units of the conditions, from the standard errors below.
enum class Weighting { Classic, Rigorous };

// A side's standard error: `mm` alone, or sqrt(mm^2 + (ppm s / 1000)^2) for
// a side of s metres (an instrument's figures).
struct SideErrorModel {
    double mm = 0;
    std::optional<double> ppm;
    bool operator==(const SideErrorModel&) const = default;
};

// The settings as given (an observation file, a console option, the
// settings dialog); a setting not given takes its default: the classic
// weighting, the tolerance as entered, the classic a-priori side error.
struct AprioriSettings {
    std::optional<Weighting> weighting;
    std::optional<double> angleSd;        // seconds of arc, > 0
    std::optional<SideErrorModel> sideSd;

    Weighting effectiveWeighting() const { return weighting.value_or(Weighting::Classic); }
    bool rigorous() const { return effectiveWeighting() == Weighting::Rigorous; }
    bool anyGiven() const { return weighting || angleSd || sideSd; }
    bool operator==(const AprioriSettings&) const = default;
};

// "classic" / "rigorous", as the observation file and the console write them.
const char* weightingName(Weighting weighting);
std::optional<Weighting> weightingFromName(const std::string& name);

// Whether a side error model may be used: mm > 0 alone; with ppm, both
// finite and >= 0 and not both 0.
bool validSideError(const SideErrorModel& model);
bool validAngleError(double seconds);

// The standard error of a side of `length` metres, millimetres.
double sideStandardError(const SideErrorModel& model, double length);

}  // namespace kestrane
