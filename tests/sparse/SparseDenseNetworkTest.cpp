// The sparse adjustment stages against the full-array procedure on random
// networks of every known-point case: every matrix element read through the
// state, every correlate, adjusted observation, coordinate and precision
// figure must be the same to the bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>

#include "NetworkFixture.h"
#include "adjustment/AdjustmentStages.h"
#include "adjustment/DenseAdjustment.h"
#include "driver/ComputationDriver.h"
#include "state/Faults.h"

namespace kestrane {
namespace {

using fixture::caseName;
using fixture::enteredState;
using fixture::NetworkInput;
using fixture::randomNetwork;

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

// The first element (if any) at which two arrays differ in their bits.
template <typename T>
std::string firstDifference(const char* name, const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size()) return std::string(name) + ": sizes differ";
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (bits(a[i]) != bits(b[i])) {
            std::ostringstream o;
            o.precision(17);
            o << name << "(" << i << "): " << a[i] << " vs " << b[i];
            return o.str();
        }
    }
    return "";
}

// Every element 0..rows x 0..columns of a state matrix against the full array.
template <typename Sparse>
std::string firstDifference(const char* name, const Sparse& sparse, const Matrix& dense) {
    for (int r = 0; r < static_cast<int>(dense.rows()); ++r) {
        for (int c = 0; c < static_cast<int>(dense.cols()); ++c) {
            if (bits(sparse(r, c)) != bits(dense(r, c))) {
                std::ostringstream o;
                o.precision(17);
                o << name << "(" << r << ", " << c << "): " << sparse(r, c) << " vs " << dense(r, c);
                return o.str();
            }
        }
    }
    return "";
}

std::string resultDifference(const AdjustmentState& s, const AdjustmentState& d) {
    for (const std::string& diff :
         {firstDifference("misclosures", s.misclosures, d.misclosures),
          firstDifference("weightReciprocals", s.weightReciprocals, d.weightReciprocals),
          firstDifference("correlates", s.correlates, d.correlates),
          firstDifference("angleDegrees", s.angleDegrees, d.angleDegrees),
          firstDifference("sideLengths", s.sideLengths, d.sideLengths),
          firstDifference("sideAzimuths", s.sideAzimuths, d.sideAzimuths),
          firstDifference("pointX", s.pointX, d.pointX), firstDifference("pointY", s.pointY, d.pointY),
          firstDifference("scalars",
                          std::vector<double>{s.weightReciprocalX, s.weightReciprocalY, s.angleSquareSum,
                                              s.sideSquareSum, s.sideWeightReciprocal},
                          std::vector<double>{d.weightReciprocalX, d.weightReciprocalY, d.angleSquareSum,
                                              d.sideSquareSum, d.sideWeightReciprocal}),
          firstDifference("mb ms mx my md",
                          std::vector<float>{s.unitWeightError(), s.sideUnitError, s.weakestErrorX, s.weakestErrorY,
                                             s.weakestPositionError},
                          std::vector<float>{d.unitWeightError(), d.sideUnitError, d.weakestErrorX, d.weakestErrorY,
                                             d.weakestPositionError})}) {
        if (!diff.empty()) return diff;
    }
    if (s.solverRowIndex != d.solverRowIndex) return "solverRowIndex";
    return "";
}

void finish(AdjustmentState& s) {
    computeCoordinates(s);
    computeUnitWeightError(s);
    computeSideUnitError(s);
    computeWeakestErrorX(s);
    computeWeakestErrorY(s);
    computeWeakestPositionError(s);
}

// Sparse and dense stage by stage from the same entered state; the
// matrices are compared element by element after every stage while the
// full arrays are small enough to walk.
std::string compareStages(const AdjustmentState& entered, bool compareMatrices) {
    AdjustmentState s = entered;
    AdjustmentState d = entered;
    DenseAdjustment dense;
    std::string diff;

    formConditionEquations(s);
    formConditionEquationsDense(d, dense);
    if (compareMatrices) {
        if (!(diff = firstDifference("A", s.conditionCoefficients, dense.conditionCoefficients)).empty()) return diff;
        if (!(diff = firstDifference("N", s.normalMatrix, dense.normalMatrix)).empty()) return diff;
        if (!(diff = firstDifference("W", s.normalMatrixWork, dense.normalMatrixWork)).empty()) return diff;
    }
    solveWeightReciprocals(s);
    solveWeightReciprocalsDense(d, dense);
    if (compareMatrices) {
        if (!(diff = firstDifference("N after cm1", s.normalMatrix, dense.normalMatrix)).empty()) return diff;
        if (!(diff = firstDifference("W after cm1", s.normalMatrixWork, dense.normalMatrixWork)).empty()) return diff;
    }
    if (!(diff = firstDifference("cm1 correlates", s.correlates, d.correlates)).empty()) return diff;
    applyCorrections(s);
    applyCorrectionsDense(d, dense);
    if (compareMatrices) {
        if (!(diff = firstDifference("N reduced", s.normalMatrix, dense.normalMatrix)).empty()) return diff;
    }
    finish(s);
    finish(d);
    return resultDifference(s, d);
}

TEST(SparseAgainstDense, RandomNetworksEveryCaseBitForBit) {
    const int sizes[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 24, 31, 40, 64, 99, 150};
    for (KnownPointCase known : fixture::kKnownCases) {
        for (int n : sizes) {
            const int seeds = n <= 17 ? 3 : 1;
            for (int seed = 1; seed <= seeds; ++seed) {
                const AdjustmentState entered =
                    enteredState(randomNetwork(n, known, static_cast<std::uint64_t>(1000 * n + seed)));
                EXPECT_EQ(entered.knownPointCase(), known);
                const std::string diff = compareStages(entered, n <= 40);
                EXPECT_EQ(diff, "") << caseName(known) << " n = " << n << " seed " << seed;
            }
        }
    }
}

// How a run from the condition equations to the precision figures ends:
// "completed" or the fault that stopped it.
template <typename Stages>
std::string runToTheEnd(AdjustmentState& s, Stages stages) {
    try {
        stages(s);
        finish(s);
    } catch (const ComputationFault& f) {
        switch (f.kind()) {
        case FaultKind::DivisionByZero: return "division by zero";
        case FaultKind::Overflow: return "overflow";
        case FaultKind::FloatingPoint: return "floating-point error";
        }
        return "unknown fault";
    }
    return "completed";
}

// Networks that no surveyor would enter but nothing refuses: zero, huge and
// tiny sides, degenerate angles. Each either stops with the same fault both
// ways or completes with the same bits.
TEST(SparseAgainstDense, DegenerateNetworksEndAlike) {
    struct Mutation {
        const char* name;
        void (*apply)(NetworkInput&);
        // The end in case AOnly, where every side is typed, for the sizes
        // where it is known (0: every size); nullptr: whatever the full
        // procedure gives. (With B or C known one side comes from the
        // coordinates and is not changed.)
        const char* expectedAOnly;
        int expectedAt = 0;
    };
    const Mutation mutations[] = {
        {"every side 0", [](NetworkInput& in) { for (auto& x : in.sides) x = "0"; }, "division by zero"},
        {"the sides of triangle 2 are 0",
         [](NetworkInput& in) { in.sides[3] = in.sides[4] = in.sides[5] = "0"; }, nullptr},
        // A figure without misclosures (n = 6: every angle 60, every side
        // equal) whose sides are so long that N's elements come near the
        // double range: the reduction's products overflow.
        {"equilateral, sides of 1e150",
         [](NetworkInput& in) {
             for (auto& x : in.angles) x = "60";
             for (auto& x : in.sides) x = "1e150";
         },
         "overflow", 6},
        {"equilateral, sides of 1e60",
         [](NetworkInput& in) {
             for (auto& x : in.angles) x = "60";
             for (auto& x : in.sides) x = "1e60";
         },
         nullptr},
        {"sides of 1e-200", [](NetworkInput& in) { for (std::size_t k = 1; k < in.sides.size(); ++k) in.sides[k] = "1e-200"; },
         nullptr},
        {"every angle 0", [](NetworkInput& in) { for (auto& x : in.angles) x = "0"; }, nullptr},
        {"every angle 90", [](NetworkInput& in) { for (auto& x : in.angles) x = "90"; }, nullptr},
        // sin(200) s(1) - sin(30) s(3) = -0 - (+0): a misclosure of -0.
        {"a -0 side misclosure",
         [](NetworkInput& in) {
             in.angles[1] = "200";
             in.angles[2] = "30";
             in.sides[1] = in.sides[3] = "0";
         },
         nullptr},
        {"-0 angles and zero sides",
         [](NetworkInput& in) {
             for (std::size_t k = 1; k < in.angles.size(); k += 2) in.angles[k] = "-0";
             for (std::size_t k = 1; k < in.sides.size(); k += 3) in.sides[k] = "0";
         },
         nullptr},
        {"coordinates of A near the double range",
         [](NetworkInput& in) {
             in.Xa = "1e307";
             in.Ya = "-1e307";
         },
         nullptr},
    };
    int faults = 0, completions = 0, expectedChecked = 0;
    for (const Mutation& mutation : mutations) {
        for (KnownPointCase known : fixture::kKnownCases) {
            for (int n : {3, 6, 8}) {
                NetworkInput input = randomNetwork(n, known, static_cast<std::uint64_t>(77 + n));
                mutation.apply(input);
                AdjustmentState entered;
                try {
                    entered = enteredState(input);
                } catch (const ComputationFault&) {
                    continue;  // stopped before the adjustment (a misclosure beyond single precision)
                }
                if (std::string(mutation.name) == "a -0 side misclosure" && known != KnownPointCase::AWithC) {
                    EXPECT_TRUE(entered.misclosures[static_cast<std::size_t>(n + 1)] == 0 &&
                                std::signbit(entered.misclosures[static_cast<std::size_t>(n + 1)]));
                }
                AdjustmentState s = entered;
                AdjustmentState d = entered;
                const std::string sparseEnd = runToTheEnd(s, [](AdjustmentState& x) {
                    formConditionEquations(x);
                    solveWeightReciprocals(x);
                    applyCorrections(x);
                });
                const std::string denseEnd = runToTheEnd(d, [](AdjustmentState& x) { adjustDensely(x); });
                const std::string where = std::string(mutation.name) + ", " + caseName(known) + ", n = " + std::to_string(n);
                EXPECT_EQ(sparseEnd, denseEnd) << where;
                if (mutation.expectedAOnly && known == KnownPointCase::AOnly &&
                    (mutation.expectedAt == 0 || mutation.expectedAt == n)) {
                    EXPECT_EQ(sparseEnd, mutation.expectedAOnly) << where;
                    ++expectedChecked;
                }
                if (sparseEnd == "completed" && denseEnd == "completed") {
                    EXPECT_EQ(resultDifference(s, d), "") << where;
                }
                (sparseEnd == "completed" ? completions : faults) += 1;
            }
        }
    }
    EXPECT_GT(faults, 10);
    EXPECT_GT(completions, 10);
    EXPECT_EQ(expectedChecked, 4);  // every side 0 (n = 3, 6, 8), equilateral 1e150 (n = 6)
}

// The whole start command, prompts included, against the entry stages
// followed by the full-array procedure.
TEST(SparseAgainstDense, StartCommandGivesTheDenseResults) {
    for (KnownPointCase known : fixture::kKnownCases) {
        for (int n : {3, 20, 57}) {
            const NetworkInput input = randomNetwork(n, known, static_cast<std::uint64_t>(5 * n));
            const AdjustmentState run = fixture::completedState(input);
            if (!run.complete) continue;
            EXPECT_TRUE(run.normalMatrix.formed());

            AdjustmentState oracle = enteredState(input);
            adjustDensely(oracle);
            finish(oracle);
            EXPECT_EQ(resultDifference(run, oracle), "") << caseName(known) << " n = " << n;
        }
    }
}

// The places the reduction fills in stay a fixed number per condition: a
// band over the side conditions plus the columns of the last triangle's
// side conditions and of the horizon condition. Counted exactly at the
// largest network.
TEST(SparsePattern, FillInGrowsLinearly) {
    struct Expected {
        KnownPointCase known;
        int perTriangle, constant;  // held elements of the reduced upper triangle: perTriangle n + constant
    };
    for (const Expected e : {Expected{KnownPointCase::AOnly, 15, -7}, Expected{KnownPointCase::AWithB, 15, -7},
                             Expected{KnownPointCase::AWithC, 11, -1}}) {
        for (int n : {5, 6, 100, 6553}) {
            AdjustmentState s = enteredState(randomNetwork(n, e.known, 3));
            formConditionEquations(s);
            const auto& pattern = s.normalMatrix.pattern();
            EXPECT_EQ(static_cast<long>(pattern.column.size()), static_cast<long>(e.perTriangle) * n + e.constant)
                << caseName(e.known) << " n = " << n;
            std::size_t longest = 0;
            for (int k = 1; k <= pattern.t; ++k) {
                longest = std::max(longest, static_cast<std::size_t>(pattern.rowStart[static_cast<std::size_t>(k) + 1] -
                                                                     pattern.rowStart[static_cast<std::size_t>(k)]));
            }
            EXPECT_LE(longest, 6u) << caseName(e.known) << " n = " << n;
        }
    }
}

}  // namespace
}  // namespace kestrane
