#include "NetworkFixture.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "adjustment/AdjustmentStages.h"
#include "angles/Angles.h"
#include "entry/EntryStages.h"

namespace kestrane::fixture {

namespace {
constexpr double kPi = 3.141592653589793;
}  // namespace

double distance(Point p, Point q) { return std::hypot(q.x - p.x, q.y - p.y); }

double azimuth(Point from, Point to) {
    double a = std::atan2(to.y - from.y, to.x - from.x) * 180 / kPi;
    if (a < 0) a += 360;
    return a >= 360 ? a - 360 : a;
}

namespace {

std::string fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

// Angle at p between the directions to q and r, decimal degrees.
double angleAt(Point p, Point q, Point r) {
    double d = std::fabs(std::atan2(q.y - p.y, q.x - p.x) - std::atan2(r.y - p.y, r.x - p.x));
    d = std::fmod(d, 2 * kPi);
    return std::min(d, 2 * kPi - d) * 180 / kPi;
}

// The true angles and sides of the network (triangle i has outer points
// i-1 and i, outer point n being A again).
void survey(NetworkInput& in) {
    const int n = in.n;
    in.trueAngles.assign(static_cast<std::size_t>(3 * n) + 1, 0);
    in.trueSides.assign(static_cast<std::size_t>(2 * n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const Point p0 = in.outer[static_cast<std::size_t>(i - 1)];
        const Point p1 = in.outer[static_cast<std::size_t>(i % n)];
        in.trueAngles[static_cast<std::size_t>(3 * i - 2)] = angleAt(p0, in.centre, p1);
        in.trueAngles[static_cast<std::size_t>(3 * i - 1)] = angleAt(p1, p0, in.centre);
        in.trueAngles[static_cast<std::size_t>(3 * i)] = angleAt(in.centre, p0, p1);
        in.trueSides[static_cast<std::size_t>(2 * i - 1)] = distance(in.centre, p0);
        in.trueSides[static_cast<std::size_t>(2 * i)] = distance(p0, p1);
    }
}

// The typed angles and sides: the true ones with the errors `error` draws
// (seconds of arc for the angles, millimetres for the sides), triangle by
// triangle.
template <typename Error>
void observe(NetworkInput& in, int angleDecimals, double angleNoise, double sideNoise, Error error) {
    in.angles.assign(in.trueAngles.size(), "");
    in.sides.assign(in.trueSides.size(), "");
    for (int i = 1; i <= in.n; ++i) {
        for (int j = 3 * i - 2; j <= 3 * i; ++j) {
            const auto at = static_cast<std::size_t>(j);
            in.angles[at] = testing::packedText(in.trueAngles[at] + error(angleNoise) / 3600, angleDecimals);
        }
        for (int k = 2 * i - 1; k <= 2 * i; ++k) {
            const auto at = static_cast<std::size_t>(k);
            in.sides[at] = fixed(in.trueSides[at] + error(sideNoise) / 1000, 4);
        }
    }
}

}  // namespace

double Polygon::outerX(int k) const { return cx + radius[static_cast<std::size_t>(k % n())] * std::cos(direction[static_cast<std::size_t>(k % n())] * kPi / 180); }
double Polygon::outerY(int k) const { return cy + radius[static_cast<std::size_t>(k % n())] * std::sin(direction[static_cast<std::size_t>(k % n())] * kPi / 180); }

Polygon Polygon::regular(int n, double r) {
    Polygon shape;
    for (int k = 0; k < n; ++k) {
        shape.radius.push_back(r);
        shape.direction.push_back(240 + 360.0 * k / n);
    }
    return shape;
}

NetworkInput exactNetwork(const Polygon& shape, KnownPointCase known, int angleDecimals) {
    const int n = shape.n();
    std::vector<Point> outer;
    for (int k = 0; k < n; ++k) outer.push_back({shape.outerX(k), shape.outerY(k)});
    NetworkInput in;
    in.n = n;
    in.known = known;
    in.centre = {shape.cx, shape.cy};
    in.outer = outer;
    survey(in);
    observe(in, angleDecimals, 0, 0, [](double) { return 0.0; });
    in.Xa = fixed(outer[0].x, 4);
    in.Ya = fixed(outer[0].y, 4);
    const bool withB = known == KnownPointCase::AWithB, withC = known == KnownPointCase::AWithC;
    in.Xb = fixed(withB ? outer.back().x : 0, 4);
    in.Yb = fixed(withB ? outer.back().y : 0, 4);
    in.Xc = fixed(withC ? shape.cx : 0, 4);
    in.Yc = fixed(withC ? shape.cy : 0, 4);
    in.T0 = testing::packedText(azimuth(outer[0], outer[1]), angleDecimals);
    in.Qa = "0";
    const int rows = known == KnownPointCase::AOnly ? n + 1 : n;
    for (int j = 0; j <= rows; ++j) in.names.push_back("P" + std::to_string(j));
    return in;
}

NetworkInput randomNetwork(int n, KnownPointCase known, std::mt19937_64& random, const Draw& draw) {
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    auto millimetre = [](Point p) { return Point{std::round(p.x * 1000) / 1000, std::round(p.y * 1000) / 1000}; };
    NetworkInput in;
    in.n = n;
    in.known = known;
    if (!draw.everyKind) {
        in.centre = millimetre({3'500'000.0 + uniform(0, 1000), 500'000.0 + uniform(0, 1000)});
    } else if (uniform(0, 1) < 0.7) {
        in.centre = millimetre({uniform(3.0e6, 3.6e6), uniform(3.0e5, 7.0e5)});  // a national grid
    } else {
        in.centre = millimetre({uniform(-4000, 4000), uniform(-4000, 4000)});  // a local one
    }
    const double radius = draw.everyKind ? uniform(300, 2500) : std::max(50.0, 8.0 * n);
    for (int attempt = 0;; ++attempt) {
        std::vector<double> spacing(static_cast<std::size_t>(n));
        double total = 0;
        for (double& w : spacing) total += (w = uniform(0.7, 1.3));
        in.outer.clear();
        double phi = uniform(0, 360);
        for (int j = 0; j < n; ++j) {
            const double r = radius * uniform(0.85, 1.15);
            const double a = phi * kPi / 180;
            in.outer.push_back(millimetre({in.centre.x + r * std::cos(a), in.centre.y + r * std::sin(a)}));
            phi += 360.0 * spacing[static_cast<std::size_t>(j)] / total;
        }
        survey(in);
        bool wellShaped = true;
        for (int j = 1; j <= 3 * n; ++j) {
            wellShaped = wellShaped && (j % 3 == 0 || in.trueAngles[static_cast<std::size_t>(j)] >= 20);
        }
        for (const Point& p : {in.outer[0], in.outer.back(), in.centre}) wellShaped = wellShaped && p.x != 0 && p.y != 0;
        if (!draw.everyKind || wellShaped) break;
        if (attempt > 1000) throw std::runtime_error("no well-shaped network");
    }

    std::normal_distribution<double> gauss(0.0, 1.0);
    observe(in, 5, draw.angleNoiseSeconds, draw.sideNoiseMillimetres, [&](double noise) {
        return draw.boundedNoise ? uniform(-noise, noise) : gauss(random) * noise;
    });
    in.Xa = fixed(in.outer[0].x, 3);
    in.Ya = fixed(in.outer[0].y, 3);
    if (known == KnownPointCase::AWithB) {
        in.Xb = fixed(in.outer.back().x, 3);
        in.Yb = fixed(in.outer.back().y, 3);
    } else if (known == KnownPointCase::AWithC) {
        in.Xc = fixed(in.centre.x, 3);
        in.Yc = fixed(in.centre.y, 3);
    } else {
        // T0 + Qa is the azimuth from A to outer point 1.
        const double alpha1 = azimuth(in.outer[0], in.outer[1]);
        const double qa = draw.everyKind ? uniform(-180, 180) : uniform(20, 80);
        in.T0 = testing::packedText(std::fmod(alpha1 - qa + 360, 360));
        in.Qa = testing::packedText(qa);
    }
    return in;
}

std::vector<std::optional<std::string>> answersFor(const NetworkInput& in) {
    std::vector<std::optional<std::string>> a;
    auto confirmed = [&a](const std::string& value) {
        a.push_back(value);
        a.push_back("");
    };
    a.push_back(std::to_string(in.n));
    a.push_back(in.tolerance);
    confirmed(in.Xa);
    confirmed(in.Ya);
    confirmed(in.Xb);
    confirmed(in.Yb);
    if (in.known != KnownPointCase::AWithB) {
        confirmed(in.Xc);
        confirmed(in.Yc);
    }
    if (in.known == KnownPointCase::AOnly) {
        confirmed(in.T0);
        confirmed(in.Qa);
    }
    const int rows = in.known == KnownPointCase::AOnly ? in.n + 1 : in.n;
    for (int j = 0; j <= rows; ++j) {
        confirmed(!in.names.empty() ? in.names[static_cast<std::size_t>(j)] : j == 0 ? "A" : j == rows ? "Z" : "P" + std::to_string(j));
    }
    for (int k = 1; k <= 3 * in.n; ++k) confirmed(in.angles[static_cast<std::size_t>(k)]);
    const int first = in.known == KnownPointCase::AWithC ? 2 : 1;
    const int last = in.known == KnownPointCase::AWithB ? 2 * in.n - 1 : 2 * in.n;
    for (int k = first; k <= last; ++k) confirmed(in.sides[static_cast<std::size_t>(k)]);
    a.insert(a.end(), static_cast<std::size_t>(2 * in.n + rows), std::string());
    return a;
}

const char* caseName(KnownPointCase known) {
    switch (known) {
    case KnownPointCase::AOnly: return "AOnly";
    case KnownPointCase::AWithB: return "AWithB";
    case KnownPointCase::AWithC: return "AWithC";
    default: return "None";
    }
}

AdjustmentState typedState(const NetworkInput& input) {
    ScriptedPrompt prompt(answersFor(input));
    WindowFields window;
    Services io{prompt, window};
    AdjustmentState s;
    enterNetworkDefinition(s, io);
    enterPointNames(s, io);
    enterAngles(s, io);
    enterSides(s, io);
    return s;
}

AdjustmentState enteredState(const NetworkInput& input) {
    AdjustmentState s = typedState(input);
    ScriptedPrompt pauses(std::vector<std::string>{});  // every pause answered by Cancel, which continues
    WindowFields window;
    Services io{pauses, window};
    computeSideMisclosuresAndWeights(s, io);
    return s;
}

AdjustmentState observedCopy(const AdjustmentState& s) {
    AdjustmentState o = s;
    const int n = s.triangleCount;
    auto at = [](int k) { return static_cast<std::size_t>(k); };
    for (int k = 1; k <= 3 * n; ++k) o.angleDegrees[at(k)] = DmsToDegrees(s.enteredAngles[at(k)]);
    const KnownPointCase known = s.knownPointCase();
    for (int k = 1; k <= 2 * n; ++k) {
        const bool fixed = (known == KnownPointCase::AWithB && k == 2 * n) || (known == KnownPointCase::AWithC && k == 1);
        if (!fixed) o.sideLengths[at(k)] = s.enteredSides[at(k)];
    }
    return o;
}

AdjustmentState completedState(const NetworkInput& input, const AprioriSettings& settings) {
    ScriptedPrompt prompt(answersFor(input));
    WindowFields window;
    Services io{prompt, window};
    AdjustmentState s;
    s.settings = settings;
    EXPECT_EQ(Command1_Click(s, io).outcome, RunOutcome::Completed) << caseName(input.known) << " n = " << input.n;
    return s;
}

}  // namespace kestrane::fixture
