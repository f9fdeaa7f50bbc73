#include "NetworkFixture.h"

#include <cmath>
#include <cstdio>
#include <random>

#include "adjustment/AdjustmentStages.h"
#include "entry/EntryStages.h"

namespace kestrane::fixture {

namespace {

constexpr double kPi = 3.141592653589793;

std::string fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

std::string packed(double degrees) { return testing::packedText(degrees, 5); }

struct Point {
    double x, y;
};

double azimuth(Point from, Point to) {
    double a = std::atan2(to.y - from.y, to.x - from.x) * 180 / kPi;
    return a < 0 ? a + 360 : a;
}

// Angle at p between the directions to q and r, decimal degrees.
double angleAt(Point p, Point q, Point r) {
    double d = std::fabs(std::atan2(q.y - p.y, q.x - p.x) - std::atan2(r.y - p.y, r.x - p.x));
    d = std::fmod(d, 2 * kPi);
    return std::min(d, 2 * kPi - d) * 180 / kPi;
}

double distance(Point p, Point q) { return std::hypot(q.x - p.x, q.y - p.y); }

}  // namespace

NetworkInput randomNetwork(int n, KnownPointCase known, std::uint64_t seed, double angleNoise, double sideNoise) {
    std::mt19937_64 random(seed);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    std::normal_distribution<double> gauss(0.0, 1.0);

    const Point centre{3'500'000.0 + uniform(0, 1000), 500'000.0 + uniform(0, 1000)};
    const double radius = std::max(50.0, 8.0 * n);
    std::vector<double> spacing(static_cast<std::size_t>(n));
    double total = 0;
    for (double& w : spacing) total += (w = uniform(0.7, 1.3));
    std::vector<Point> outer;
    double phi = uniform(0, 360);
    for (int j = 0; j < n; ++j) {
        const double r = radius * uniform(0.85, 1.15);
        const double a = phi * kPi / 180;
        outer.push_back({std::round((centre.x + r * std::cos(a)) * 1000) / 1000,
                         std::round((centre.y + r * std::sin(a)) * 1000) / 1000});
        phi += 360.0 * spacing[static_cast<std::size_t>(j)] / total;
    }

    NetworkInput in;
    in.n = n;
    in.known = known;
    in.Xa = fixed(outer[0].x, 3);
    in.Ya = fixed(outer[0].y, 3);
    in.angles.assign(static_cast<std::size_t>(3 * n) + 1, "");
    in.sides.assign(static_cast<std::size_t>(2 * n) + 1, "");
    for (int i = 1; i <= n; ++i) {
        const Point p0 = outer[static_cast<std::size_t>(i - 1)];
        const Point p1 = outer[static_cast<std::size_t>(i % n)];
        const double observed[3] = {angleAt(p0, centre, p1), angleAt(p1, p0, centre), angleAt(centre, p0, p1)};
        for (int k = 0; k < 3; ++k) {
            in.angles[static_cast<std::size_t>(3 * i - 2 + k)] = packed(observed[k] + gauss(random) * angleNoise / 3600);
        }
        in.sides[static_cast<std::size_t>(2 * i - 1)] = fixed(distance(centre, p0) + gauss(random) * sideNoise / 1000, 4);
        in.sides[static_cast<std::size_t>(2 * i)] = fixed(distance(p0, p1) + gauss(random) * sideNoise / 1000, 4);
    }
    switch (known) {
    case KnownPointCase::AWithB:
        in.Xb = fixed(outer.back().x, 3);
        in.Yb = fixed(outer.back().y, 3);
        break;
    case KnownPointCase::AWithC:
        in.Xc = fixed(centre.x, 3);
        in.Yc = fixed(centre.y, 3);
        break;
    default: {
        // T0 + Qa is the azimuth from A to outer point 1.
        const double alpha1 = azimuth(outer[0], outer[1]);
        const double qa = uniform(20, 80);
        in.T0 = packed(std::fmod(alpha1 - qa + 360, 360));
        in.Qa = packed(qa);
        break;
    }
    }
    return in;
}

std::vector<std::string> answersFor(const NetworkInput& in) {
    std::vector<std::string> a;
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
    confirmed("A");
    for (int j = 1; j < rows; ++j) confirmed("P" + std::to_string(j));
    confirmed("Z");
    for (int k = 1; k <= 3 * in.n; ++k) confirmed(in.angles[static_cast<std::size_t>(k)]);
    const int first = in.known == KnownPointCase::AWithC ? 2 : 1;
    const int last = in.known == KnownPointCase::AWithB ? 2 * in.n - 1 : 2 * in.n;
    for (int k = first; k <= last; ++k) confirmed(in.sides[static_cast<std::size_t>(k)]);
    a.insert(a.end(), static_cast<std::size_t>(2 * in.n + rows), "");
    return a;
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

}  // namespace kestrane::fixture
