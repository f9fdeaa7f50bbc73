#include "driver/TypedAnswers.h"

#include <array>
#include <charconv>
#include <optional>

#include "state/NumberFormat.h"

namespace kestrane {

std::string numberAnswer(double value) { return shortestText(value); }

int askedSideCount(int n, bool secondPointKnown) { return secondPointKnown ? 2 * n - 1 : 2 * n; }

int askedNameCount(int n, bool secondPointKnown) { return secondPointKnown ? n + 1 : n + 2; }

std::vector<std::string> typedAnswers(const ObservationValues& v) {
    std::vector<std::string> answers;
    // A value and the empty answer that confirms it; false when it is missing,
    // which ends the answers.
    auto confirmed = [&](const std::optional<double>& value) {
        if (!value) return false;
        answers.push_back(numberAnswer(*value));
        answers.emplace_back();
        return true;
    };

    if (!v.triangles) return answers;
    const int n = *v.triangles;
    answers.push_back(numberAnswer(n));
    if (!v.tolerance) return answers;
    answers.push_back(numberAnswer(*v.tolerance));
    if (!confirmed(v.Xa) || !confirmed(v.Ya) || !confirmed(v.Xb) || !confirmed(v.Yb)) return answers;
    const bool bKnown = *v.Xb != 0 && *v.Yb != 0;
    bool cKnown = false;
    if (!bKnown) {
        if (!confirmed(v.Xc) || !confirmed(v.Yc)) return answers;
        cKnown = *v.Xc != 0 && *v.Yc != 0;
    }
    const bool secondPointKnown = bKnown || cKnown;
    if (!secondPointKnown && (!confirmed(v.T0) || !confirmed(v.Qa))) return answers;

    for (const std::string& name : v.names) {
        answers.push_back(name);
        answers.emplace_back();
    }
    if (static_cast<int>(v.names.size()) < askedNameCount(n, secondPointKnown)) return answers;
    for (double angle : v.angles) confirmed(angle);
    if (static_cast<int>(v.angles.size()) < 3 * n) return answers;
    for (double side : v.sides) confirmed(side);
    if (static_cast<int>(v.sides.size()) < askedSideCount(n, secondPointKnown)) return answers;

    // Every pause: one before each side-condition misclosure, one before each
    // result row.
    const int resultRows = secondPointKnown ? n : n + 1;
    answers.insert(answers.end(), static_cast<std::size_t>(2 * n + resultRows), std::string());
    return answers;
}

}  // namespace kestrane
