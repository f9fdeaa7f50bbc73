#include "state/Faults.h"

#include <cfenv>
#include <cmath>

namespace kestrane {

namespace {
const char* faultName(FaultKind kind) {
    switch (kind) {
    case FaultKind::DivisionByZero: return "division by zero";
    case FaultKind::Overflow: return "overflow";
    case FaultKind::FloatingPoint: return "floating-point error";
    }
    return "";
}
}  // namespace

ComputationFault::ComputationFault(FaultKind kind) : std::runtime_error(faultName(kind)), kind_(kind) {}

std::string faultMessage(FaultKind kind) {
    switch (kind) {
    case FaultKind::DivisionByZero:
        return "运行错误：除数为零 (division by zero)。计算已停止，没有结果。";
    case FaultKind::Overflow:
        return "运行错误：溢出 (overflow)。计算已停止，没有结果。";
    case FaultKind::FloatingPoint:
        return "运行错误：浮点运算错误 (floating-point error)。计算已停止，没有结果。";
    }
    return {};
}

FaultGuard::FaultGuard() { restart(); }

void FaultGuard::restart() { std::feclearexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID); }

namespace {
// Throws the fault recorded in the IEEE flags, if any.
void throwRaised() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
    if (raised & FE_DIVBYZERO) throw ComputationFault(FaultKind::DivisionByZero);
    if (raised & FE_OVERFLOW) throw ComputationFault(FaultKind::Overflow);
    if (raised & FE_INVALID) throw ComputationFault(FaultKind::FloatingPoint);
}

// A non-finite value met: the flags say how it came about; without them,
// infinity is an overflow and NaN an invalid operation.
[[noreturn]] void throwNonFinite(double value) {
    throwRaised();
    throw ComputationFault(std::isinf(value) ? FaultKind::Overflow : FaultKind::FloatingPoint);
}
}  // namespace

void FaultGuard::check() const { throwRaised(); }

void throwRecordedFault(FaultKind otherwise) {
    throwRaised();
    throw ComputationFault(otherwise);
}

void requireNonZeroDivisor(double divisor) {
    if (divisor == 0) throw ComputationFault(FaultKind::DivisionByZero);
}

float toSingle(double value) {
    // Values at or beyond FLT_MAX + half an ulp round to infinity.
    constexpr double limit = 0x1.ffffffp127;
    if (!std::isfinite(value)) throwNonFinite(value);
    if (std::fabs(value) >= limit) throw ComputationFault(FaultKind::Overflow);
    return static_cast<float>(value);
}

void requireFinite(double value) {
    if (!std::isfinite(value)) throwNonFinite(value);
}

}  // namespace kestrane
