#include "adjustment/QualityCheck.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "adjustment/AdjustmentStages.h"
#include "adjustment/ChiSquare.h"
#include "adjustment/SelectedInversion.h"
#include "angles/Angles.h"
#include "state/Faults.h"

namespace kestrane {

namespace {

std::size_t at(int k) { return static_cast<std::size_t>(k); }

std::string angleName(int observation) {
    const int i = (observation + 2) / 3;
    const char* letter[] = {"c", "a", "b"};
    return std::string(letter[observation % 3]) + "(" + std::to_string(i) + ")";
}

std::string sideName(int k) { return "s(" + std::to_string(k) + ")"; }

// The digits of a packed angle as the shortest fixed-point text that reads
// back as the value, sign left off; minutes are digits 1-2 after the point,
// seconds digits 3-4 (a digit not written is 0: 31.7 is 31 degrees 70').
bool minutesOrSecondsOver59(double packed, std::string& text) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(packed), std::chars_format::fixed);
    text.assign(buffer, result.ptr);
    const std::size_t point = text.find('.');
    std::string digits = point == std::string::npos ? "" : text.substr(point + 1);
    digits.resize(std::max<std::size_t>(digits.size(), 4), '0');
    const int minutes = (digits[0] - '0') * 10 + (digits[1] - '0');
    const int seconds = (digits[2] - '0') * 10 + (digits[3] - '0');
    if (packed < 0) text.insert(text.begin(), '-');
    return minutes >= 60 || seconds >= 60;
}

std::vector<InputWarning> inputWarnings(const AdjustmentState& s) {
    std::vector<InputWarning> warnings;
    const int n = s.triangleCount;
    std::string text;
    for (int k = 1; k <= 3 * n; ++k) {
        if (minutesOrSecondsOver59(s.enteredAngles[at(k)], text)) {
            warnings.push_back({"angle", k, "角 " + angleName(k) + " = " + text + " 的分或秒不小于 60，可能输错。"});
        }
    }
    if (s.knownPointCase() == KnownPointCase::AOnly) {
        if (minutesOrSecondsOver59(s.T0, text)) {
            warnings.push_back({"T0", 0, "外方位角 T0 = " + text + " 的分或秒不小于 60，可能输错。"});
        }
        if (minutesOrSecondsOver59(s.Qa, text)) {
            warnings.push_back({"Qa", 0, "外定向角 Qa = " + text + " 的分或秒不小于 60，可能输错。"});
        }
    }
    for (int k = 1; k <= 3 * n; ++k) {
        const double degrees = DmsToDegrees(s.enteredAngles[at(k)]);
        if (!(degrees > 0 && degrees < 180)) {
            minutesOrSecondsOver59(s.enteredAngles[at(k)], text);
            warnings.push_back({"angle", k, "角 " + angleName(k) + " = " + text + " 不在 0° 与 180° 之间。"});
        }
    }
    const int last = s.resultRowCount;
    const bool closureRepeatsA = s.knownPointCase() == KnownPointCase::AOnly;
    std::unordered_map<std::string, int> first;  // name -> its first place
    for (int i = 0; i <= last && at(i) < s.pointNames.size(); ++i) {
        const std::string& name = s.pointNames[at(i)];
        const auto [place, isNew] = first.emplace(name, i);
        if (isNew || (closureRepeatsA && i == last && name == s.pointNames[0])) continue;
        warnings.push_back({"name", i, "点名 “" + name + "” 重复（第 " + std::to_string(place->second + 1) + " 个和第 " +
                                           std::to_string(i + 1) + " 个点名）。"});
    }
    return warnings;
}

// The observed values again in a copy of the completed state, weighted
// rigorously: the misclosures are the run's own, the weights, conditions,
// correlates and corrections are formed anew, then the coordinates.
AdjustmentState rigorousCopy(const AdjustmentState& done) {
    AdjustmentState r = done;
    const int n = r.triangleCount;
    r.settings.weighting = Weighting::Rigorous;
    r.angleTolerance = r.enteredTolerance;
    for (int k = 1; k <= 3 * n; ++k) r.angleDegrees[at(k)] = DmsToDegrees(r.enteredAngles[at(k)]);
    const int known = r.knownSide();
    for (int k = 1; k <= 2 * n; ++k) {
        if (k != known) r.sideLengths[at(k)] = r.enteredSides[at(k)];
    }
    r.sideLengths[at(2 * n + 1)] = r.sideLengths[1];
    return r;
}

}  // namespace

std::vector<double> redundancyNumbers(const AdjustmentState& s) {
    const int n = s.triangleCount;
    const int t = s.conditionCount;
    const SelectedInverse Z(s.normalMatrix);
    std::vector<double> r(at(5 * n) + 1, 0.0);
    for (int u = 1; u <= 5 * n; ++u) {
        // q (a_u^T Z a_u) over the conditions that hold observation u.
        const auto column = s.conditionCoefficients.column(u);
        double sum = 0;
        for (const SparseMatrix::Entry& e1 : column) {
            if (e1.index > t) break;
            for (const SparseMatrix::Entry& e2 : column) {
                if (e2.index > t) break;
                sum += e1.value * e2.value * Z(e1.index, e2.index);
            }
        }
        r[at(u)] = s.weightReciprocals[at(u)] * sum;
    }
    return r;
}

int QualityCheck::flagCount() const {
    if (error) return 0;
    int count = 0;
    for (const ConditionCheck& c : conditions) count += c.flag ? 1 : 0;
    for (const ObservationCheck& o : observations) count += o.blunder ? 1 : 0;
    if (adjustment.statistic > adjustment.upper) ++count;
    return count;
}

std::vector<bool> QualityCheck::markedTriangles(int n) const {
    std::vector<bool> marked(at(n) + 1, false);
    for (const ConditionCheck& c : conditions) {
        if (c.flag && c.triangle >= 1 && c.triangle <= n) marked[at(c.triangle)] = true;
    }
    for (const ObservationCheck& o : observations) {
        if (o.blunder && o.triangle >= 1 && o.triangle <= n) marked[at(o.triangle)] = true;
    }
    return marked;
}

std::vector<bool> QualityCheck::suspectSides(int n) const {
    std::vector<bool> suspect(at(2 * n) + 1, false);
    for (const ObservationCheck& o : observations) {
        if (o.blunder && o.side >= 1 && o.side <= 2 * n) suspect[at(o.side)] = true;
    }
    return suspect;
}

QualityCheck checkQuality(const AdjustmentState& done) {
    QualityCheck q;
    if (!done.complete) return q;
    const int n = done.triangleCount;
    const int t = done.conditionCount;
    const int known = done.knownSide();
    q.weighting = done.settings.effectiveWeighting();

    AdjustmentState r = rigorousCopy(done);
    std::vector<double> diagonal(at(t) + 1, 0.0);
    try {
        computeSideWeights(r);
        // sigma_s of the observed sides, before they are adjusted.
        q.sideSdMm.assign(at(2 * n), std::nullopt);
        for (int k = 1; k <= 2 * n; ++k) {
            if (k != known) q.sideSdMm[at(k - 1)] = r.sideStandardError(k);
        }
        formConditionEquations(r);
        for (int j = 1; j <= t; ++j) diagonal[at(j)] = r.normalMatrix(j, j);
        applyCorrections(r);
        computeCoordinates(r);
    } catch (const ComputationFault&) {
        q.error = kSingularRigorous;
    }

    const double sigmaBeta = r.angleStandardError();
    q.angleSd = sigmaBeta;
    if (q.error) return q;
    for (int k = 1; k <= t; ++k) {
        const double pivot = r.normalMatrix.values()[at(r.normalMatrix.pattern().rowStart[at(k)])];
        if (!(pivot > 1e-12 * diagonal[at(k)]) || !std::isfinite(pivot)) {
            q.error = kSingularRigorous;
            return q;
        }
    }

    q.inputWarnings = inputWarnings(done);

    // Misclosures against 2 sigma_W, sigma_W = sigma_beta sqrt(a Q a^T).
    auto condition = [&](const std::string& name, int j, int triangle, bool side) {
        const double scale = side ? 1000 : 1;  // metres to millimetres
        ConditionCheck c{name, triangle, side, static_cast<double>(done.misclosures[at(j)]) * scale,
                         sigmaBeta * std::sqrt(diagonal[at(j)]) * scale, 0, false};
        c.limit = 2 * c.sd;
        c.flag = std::fabs(c.w) > c.limit;
        q.conditions.push_back(c);
    };
    for (int i = 1; i <= n; ++i) condition("T" + std::to_string(i), i, i, false);
    for (int i = 1; i <= n; ++i) {
        condition("S" + std::to_string(i) + ".1", n + 2 * i - 1, i, true);
        condition("S" + std::to_string(i) + ".2", n + 2 * i, i, true);
    }
    condition("H", t, 0, false);

    // Ferrero's m_beta from the triangle misclosures.
    double ww = 0;
    for (int i = 1; i <= n; ++i) ww += static_cast<double>(done.misclosures[at(i)]) * done.misclosures[at(i)];
    q.ferreroMb = std::sqrt(ww / (3 * n));

    // The global test.
    const double vpv = r.angleSquareSum + r.sideSquareSum;
    q.adjustment.dof = t;
    q.adjustment.sigma0 = std::sqrt(vpv / t);
    q.adjustment.statistic = vpv / (sigmaBeta * sigmaBeta);
    q.adjustment.lower = chiSquareQuantile(0.025, t);
    q.adjustment.upper = chiSquareQuantile(0.975, t);
    q.adjustment.pass = q.adjustment.lower <= q.adjustment.statistic && q.adjustment.statistic <= q.adjustment.upper;

    // Every observation: v = q a^T K, r, Baarda's w, the bias nabla and the
    // marginal detectable blunder (alpha0 = 0.1 %, beta0 = 80 %).
    const std::vector<double> redundancy = redundancyNumbers(r);
    const SparseMatrix& A = r.conditionCoefficients;
    const std::vector<double>& K = r.correlates;
    auto observation = [&](std::string name, int u, int triangle, int side, double sigma, double scale) {
        const double qu = r.weightReciprocals[at(u)];
        double v = 0;
        for (const SparseMatrix::Entry& e : A.column(u)) {
            if (e.index > t) break;
            v = v + K[at(e.index)] * (e.value * qu);
        }
        ObservationCheck o{std::move(name), u, triangle, side, sigma, v * scale, redundancy[at(u)], {}, {}, {}, false, false};
        if (o.r > 0 && std::isfinite(o.r)) {
            o.w = o.v / (sigma * std::sqrt(o.r));
            o.nabla = -o.v / o.r;
            o.mdb = 4.13 * sigma / std::sqrt(o.r);
            o.blunder = std::fabs(*o.w) > kBlunderThreshold;
        }
        o.weak = o.r < kWeakRedundancy;
        q.observations.push_back(std::move(o));
    };
    for (int u = 1; u <= 3 * n; ++u) observation(angleName(u), u, (u + 2) / 3, 0, sigmaBeta, 1);
    for (int k = 1; k <= 2 * n; ++k) {
        if (k != known) observation(sideName(k), 3 * n + k, 0, k, *q.sideSdMm[at(k - 1)], 1000);
    }
    for (std::size_t i = 0; i < q.observations.size(); ++i) {
        const auto& w = q.observations[i].w;
        if (w && (!q.largestW || std::fabs(*w) > std::fabs(*q.observations[*q.largestW].w))) q.largestW = i;
    }

    // Every adjusted side: sd = sigma_s sqrt(1 - r), 1/T to a multiple of 100.
    for (int k = 1; k <= 2 * n; ++k) {
        if (k == known) continue;
        SideCheck c{sideName(k), k, r.sideLengths[at(k)], {}, {}};
        const double remaining = 1 - redundancy[at(3 * n + k)];
        if (remaining >= 0) {
            c.sdMm = *q.sideSdMm[at(k - 1)] * std::sqrt(remaining);
            const double T = c.length / (*c.sdMm / 1000);
            if (std::isfinite(T)) c.T = 100 * std::nearbyint(T / 100);
        }
        q.sides.push_back(c);
        if (c.T && (!q.weakestSide || *c.T < *q.sides[*q.weakestSide].T)) q.weakestSide = q.sides.size() - 1;
    }

    // The result rows, A first, the closure point last.
    double largest = -1;
    for (int i = 0; i <= done.resultRowCount; ++i) {
        PointCheck p{done.pointNames[at(i)], r.pointX[at(i)], r.pointY[at(i)],
                     (r.pointX[at(i)] - done.pointX[at(i)]) * 1000, (r.pointY[at(i)] - done.pointY[at(i)]) * 1000};
        const double d = std::hypot(p.dXmm, p.dYmm);
        if (d > largest) {
            largest = d;
            q.largestDifference = q.points.size();
        }
        q.points.push_back(std::move(p));
    }
    return q;
}

}  // namespace kestrane
