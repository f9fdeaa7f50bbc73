// The Gauss-Doolittle reduction, back substitution and cm1 over a sparse
// bordered matrix against the full-array procedure, on hand-made and random
// symmetric systems: the same correlates and matrix to the bit, or the same
// fault (zero pivot, overflow) where the full procedure stops.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <optional>
#include <random>

#include "adjustment/AdjustmentStages.h"
#include "state/Faults.h"

namespace kestrane {
namespace {

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
std::size_t at(int k) { return static_cast<std::size_t>(k); }

// One bordered system, held both ways: N's upper triangle (mirrored into
// the full array), the weight-function columns and corner, and a right-hand
// column that replaces column t+1 (as the final solve puts the misclosures
// there) when given.
struct System {
    int t = 0;
    std::vector<BorderedNormalMatrix::UpperEntry> upper;
    std::vector<double> gx, gy;
    double fxx = 0, fxy = 0, fyy = 0;
    std::vector<double> rightHand;  // empty: column t+1 stays gx

    BorderedNormalMatrix sparse() const {
        BorderedNormalMatrix m(t, upper, gx, gy, fxx, fxy, fyy);
        for (std::size_t r = 1; r < rightHand.size(); ++r) m.rightHand(static_cast<int>(r)) = rightHand[r];
        return m;
    }
    Matrix dense() const {
        Matrix m(t + 2, t + 2);
        for (const auto& e : upper) m(e.row, e.column) = m(e.column, e.row) = e.value;
        for (int r = 1; r <= t; ++r) {
            m(r, t + 1) = m(t + 1, r) = gx[at(r)];
            m(r, t + 2) = m(t + 2, r) = gy[at(r)];
        }
        m(t + 1, t + 1) = fxx;
        m(t + 1, t + 2) = m(t + 2, t + 1) = fxy;
        m(t + 2, t + 2) = fyy;
        for (std::size_t r = 1; r < rightHand.size(); ++r) m(static_cast<int>(r), t + 1) = rightHand[r];
        return m;
    }
};

// What one solve gives: the fault that stopped it, or the correlates.
struct Outcome {
    bool faulted = false;
    FaultKind fault = FaultKind::FloatingPoint;
    std::vector<double> K;
};

// Reduction and back substitution as a stage runs them: under one guard,
// whose check follows the back substitution.
template <typename M, typename Reduce, typename Substitute>
Outcome solve(M& m, int t, Reduce reduce, Substitute substitute) {
    Outcome o;
    o.K.assign(at(t) + 1, 0.0);
    try {
        FaultGuard guard;
        reduce(m);
        substitute(m, o.K);
        guard.check();
    } catch (const ComputationFault& f) {
        o.faulted = true;
        o.fault = f.kind();
    }
    return o;
}

// Empty when both procedures agree; otherwise what differs first. The sparse
// solve's outcome is left in `sparse`.
std::string compare(const System& sys, Outcome& sparse) {
    const int t = sys.t;
    BorderedNormalMatrix s = sys.sparse();
    Matrix d = sys.dense();
    sparse = solve(s, t, [](BorderedNormalMatrix& m) { reduceForward(m); },
                   [](const BorderedNormalMatrix& m, std::vector<double>& K) { substituteBack(m, K); });
    const Outcome& os = sparse;
    const Outcome od = solve(d, t, [t](Matrix& m) { reduceForward(m, t); },
                             [t](const Matrix& m, std::vector<double>& K) { substituteBack(m, t, K); });
    if (os.faulted != od.faulted) return os.faulted ? "only the sparse solve faulted" : "only the dense solve faulted";
    if (os.faulted) return os.fault == od.fault ? "" : "different faults";
    for (int j = 1; j <= t; ++j) {
        if (bits(os.K[at(j)]) != bits(od.K[at(j)])) {
            return "K(" + std::to_string(j) + ") " + std::to_string(os.K[at(j)]) + " vs " + std::to_string(od.K[at(j)]);
        }
    }
    for (int r = 0; r <= t + 2; ++r) {
        for (int c = 0; c <= t + 2; ++c) {
            if (bits(s(r, c)) != bits(d(r, c))) return "M(" + std::to_string(r) + ", " + std::to_string(c) + ")";
        }
    }
    return "";
}

System diagonal(const std::vector<double>& pivots, const std::vector<double>& rhs) {
    System sys;
    sys.t = static_cast<int>(pivots.size());
    sys.gx.assign(pivots.size() + 1, 0.0);
    sys.gy.assign(pivots.size() + 1, 0.0);
    for (int k = 1; k <= sys.t; ++k) sys.upper.push_back({k, k, pivots[at(k - 1)]});
    sys.rightHand = rhs;
    sys.rightHand.insert(sys.rightHand.begin(), 0.0);
    return sys;
}

// A zero or infinite pivot, an overflow or a -0 handled otherwise than by the
// full procedure: the same correlates to the bit or the same fault.
TEST(SparseReduction, HandMadeSystems) {
    struct Case {
        const char* name;
        System system;
        bool faults;
        FaultKind fault;
        std::optional<bool> negativeK2 = std::nullopt;  // the sign of a zero K(2), where worked out
    };
    std::vector<Case> cases;

    // A diagonal N: nothing to reduce, K(k) = -h(k)/N(k, k).
    cases.push_back({"diagonal", diagonal({2, 4, 8}, {1, -2, 3}), false, {}});

    // -0 in the right-hand column. The full procedure subtracts the 0 terms
    // of every earlier row: (-1 x 0) / 1 = -0 turns -0 - (-0) into +0, and K(2)
    // comes out -0.
    cases.push_back({"minus zero turned by the reduction", diagonal({1, 1, 1}, {-1, -0.0, 5}), false, {}, true});
    // The same in the back substitution, where 0 K(3) is added: with K(3) = 2
    // that is +0, the sum becomes +0 and K(2) = -0; with K(3) = -2 it is -0,
    // the sum stays -0 and K(2) = +0.
    cases.push_back(
        {"minus zero turned by the back substitution", diagonal({1, 1, 1}, {0, -0.0, -2}), false, {}, true});
    cases.push_back({"minus zero kept", diagonal({1, 1, 1}, {0, -0.0, 2}), false, {}, false});

    // A zero pivot is a fault even though no element uses it.
    cases.push_back({"zero pivot unused", diagonal({1, 0, 1}, {1, 1, 1}), true, FaultKind::DivisionByZero});
    // The last pivot is only divided by in the back substitution.
    cases.push_back({"zero last pivot", diagonal({1, 1, 0}, {1, 1, 1}), true, FaultKind::DivisionByZero});

    // Rows 1-3 coupled, rows 4-6 coupled, no element between the blocks. The
    // product of (1, 2) and (1, 3) overflows, so (2, 3) is infinite; in the
    // full array that spreads through the zero elements into every later
    // row, so the zero pivot of row 5 is never seen: the fault is overflow.
    {
        System sys = diagonal({1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1});
        sys.upper.push_back({1, 2, 1e200});
        sys.upper.push_back({1, 3, 1e200});
        sys.upper.push_back({4, 5, 1});  // pivot 5 = 1 - 1 x 1 / 1 = 0
        cases.push_back({"overflow hides a later zero pivot", sys, true, FaultKind::Overflow});
    }
    // An infinite pivot alone divides its terms to zero and spreads nothing;
    // a zero pivot after it is still a fault.
    {
        System sys = diagonal({1, 1, 1, 1, 1}, {1, 1, 1, 1, 1});
        sys.upper.push_back({1, 2, 1e200});  // pivot 2 = 1 - 1e400 = -inf
        sys.upper.push_back({3, 4, 1});      // pivot 4 = 0
        cases.push_back({"infinite pivot, then zero pivot", sys, true, FaultKind::DivisionByZero});
    }

    for (const Case& c : cases) {
        Outcome o;
        EXPECT_EQ(compare(c.system, o), "") << c.name;
        EXPECT_EQ(o.faulted, c.faults) << c.name;
        if (c.faults && o.faulted) {
            EXPECT_EQ(o.fault, c.fault) << c.name;
        }
        if (c.negativeK2) {
            EXPECT_EQ(o.K[2], 0.0) << c.name;
            EXPECT_EQ(std::signbit(o.K[2]), *c.negativeK2) << c.name;
        }
    }
}

// Random symmetric systems: a random pattern (scattered, banded or in
// blocks), values over many orders of magnitude, exact zeros in held places
// and on the diagonal, and +0 / -0 in the right-hand column.
System randomSystem(std::mt19937_64& random, int t, bool extreme) {
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    auto chance = [&](double p) { return uniform(0, 1) < p; };
    auto value = [&]() {
        if (chance(0.05)) return 0.0;
        const double magnitude = extreme ? std::pow(10.0, uniform(-150, 200)) : std::pow(10.0, uniform(-3, 3));
        return (chance(0.5) ? -1 : 1) * uniform(0.5, 1.5) * magnitude;
    };
    System sys;
    sys.t = t;
    const int shape = static_cast<int>(uniform(0, 3));
    const int blocks = 1 + static_cast<int>(uniform(0, 3));
    for (int a = 1; a <= t; ++a) {
        const double d = chance(0.04) ? 0.0 : uniform(1, 10) * t * (extreme ? std::pow(10.0, uniform(-5, 150)) : 1.0);
        sys.upper.push_back({a, a, d});
        for (int b = a + 1; b <= t; ++b) {
            bool held = false;
            switch (shape) {
            case 0: held = chance(0.15); break;                                   // scattered
            case 1: held = b - a <= 2 || (b == t && chance(0.5)); break;          // band with a dense last column
            default: held = (a * blocks) / (t + 1) == (b * blocks) / (t + 1) && chance(0.5); break;  // blocks
            }
            if (held) sys.upper.push_back({a, b, value()});
        }
    }
    sys.gx.assign(at(t) + 1, 0.0);
    sys.gy.assign(at(t) + 1, 0.0);
    for (int r = 1; r <= t; ++r) {
        if (chance(0.6)) sys.gx[at(r)] = value();
        if (chance(0.6)) sys.gy[at(r)] = value();
    }
    sys.fxx = uniform(1, 100);
    sys.fxy = uniform(-1, 1);
    sys.fyy = uniform(1, 100);
    if (chance(0.5)) {
        // Misclosures as the final solve has them, some of them -0 or +0.
        sys.rightHand.assign(at(t) + 1, 0.0);
        for (int r = 1; r <= t; ++r) {
            const double u = uniform(0, 1);
            sys.rightHand[at(r)] = u < 0.25 ? -0.0 : (u < 0.4 ? 0.0 : value());
        }
    }
    return sys;
}

TEST(SparseReduction, RandomSystemsAgreeWithTheFullProcedure) {
    std::mt19937_64 random(20261208);
    int faulted = 0, solved = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const int t = 1 + static_cast<int>(random() % 24);
        const bool extreme = trial % 3 == 0;
        const System sys = randomSystem(random, t, extreme);
        Outcome o;
        ASSERT_EQ(compare(sys, o), "") << "trial " << trial << " t = " << t;
        (o.faulted ? faulted : solved) += 1;
    }
    // Both kinds of outcome have been exercised.
    EXPECT_GT(faulted, 100);
    EXPECT_GT(solved, 1000);
}

// cm1 on both forms: the same result, correlates and reduced matrix.
TEST(SparseReduction, Cm1AgreesWithTheFullProcedure) {
    std::mt19937_64 random(7);
    for (int trial = 0; trial < 400; ++trial) {
        const auto n = static_cast<std::int16_t>(1 + trial % 8);
        const int t = 3 * n + 1;
        System sys = randomSystem(random, t, false);
        sys.rightHand.clear();
        for (const auto column : {static_cast<std::int16_t>(t + 1), static_cast<std::int16_t>(t + 2)}) {
            const BorderedNormalMatrix F = sys.sparse();
            BorderedNormalMatrix M = sys.sparse();
            const Matrix Fd = sys.dense();
            Matrix Md = sys.dense();
            if (column == t + 2) {
                // The second call's right-hand column is the Y function.
                for (int a = 1; a <= t; ++a) {
                    M.rightHand(a) = F(a, t + 2);
                    Md(a, t + 1) = Fd(a, t + 2);
                }
            }
            std::vector<double> Ks, Kd;
            double rs = 0, rd = 0;
            bool sparseFault = false, denseFault = false;
            try { rs = cm1(F, M, column, n, Ks); } catch (const ComputationFault&) { sparseFault = true; }
            try { rd = cm1(Fd, Md, column, n, Kd); } catch (const ComputationFault&) { denseFault = true; }
            ASSERT_EQ(sparseFault, denseFault) << "trial " << trial;
            if (sparseFault) continue;
            EXPECT_EQ(bits(rs), bits(rd)) << "trial " << trial;
            ASSERT_EQ(Ks.size(), Kd.size());
            for (std::size_t j = 0; j < Ks.size(); ++j) EXPECT_EQ(bits(Ks[j]), bits(Kd[j])) << "trial " << trial;
        }
    }
}

}  // namespace
}  // namespace kestrane
