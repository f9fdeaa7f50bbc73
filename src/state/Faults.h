// Faults of the computation and the end of a run before its last stage.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrane {

enum class FaultKind { DivisionByZero, Overflow, FloatingPoint };

// An arithmetic fault of the computation: the run stops where it happens and
// nothing half-computed is presented as a result.
class ComputationFault : public std::runtime_error {
public:
    explicit ComputationFault(FaultKind kind);
    FaultKind kind() const { return kind_; }

private:
    FaultKind kind_;
};

// The user gave up the computation (a cancelled value prompt, end of input).
class ComputationAbandoned : public std::runtime_error {
public:
    ComputationAbandoned() : std::runtime_error("abandoned") {}
};

// The user-facing message for a fault, naming its kind.
std::string faultMessage(FaultKind kind);

// Watches the IEEE exception flags over a stretch of computation with no
// prompt inside it: the constructor clears them, check() throws the fault
// they record. Division by zero is named first, then overflow, then any
// other invalid operation, since an earlier fault of the first two kinds
// turns later operations invalid.
class FaultGuard {
public:
    FaultGuard();
    void check() const;
    void restart();
};

// Throws the fault recorded in the IEEE flags since the running stage's
// guard started, as its check() would; `otherwise` when none is recorded.
[[noreturn]] void throwRecordedFault(FaultKind otherwise);

// Throws the division-by-zero fault when the divisor is exactly zero.
void requireNonZeroDivisor(double divisor);

// Rounds a double to single precision as storing it does; a value beyond the
// single-precision range is an overflow fault.
float toSingle(double value);

// Throws when a value that is about to be stored or shown is not finite.
void requireFinite(double value);

}  // namespace kestrane
