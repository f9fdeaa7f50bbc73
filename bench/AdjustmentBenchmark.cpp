// The adjustment core alone, from the misclosures and weights to the
// precision figures, on random networks of n triangles: the sparse stages
// the program runs and the full-array procedure they reproduce. Besides the
// time, each benchmark reports the heap high-water mark of one run above the
// entered state (heap_peak_MB), and the full-array benchmark whether the
// two gave the same bits (same_bits).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <map>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "NetworkFixture.h"
#include "adjustment/AdjustmentStages.h"
#include "adjustment/DenseAdjustment.h"
#include "adjustment/PointPrecision.h"
#include "adjustment/QualityCheck.h"
#include "results/QualityReport.h"

// Heap accounting for the high-water mark: every allocation through new.
namespace {
std::atomic<std::size_t> heapNow{0};
std::atomic<std::size_t> heapPeak{0};

void* allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    const std::size_t now = heapNow += malloc_usable_size(p);
    std::size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}
void release(void* p) noexcept {
    if (!p) return;
    heapNow -= malloc_usable_size(p);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace kestrane {
namespace {

// The typed network of n triangles (case A only), made once per size.
const AdjustmentState& typed(int n) {
    static std::map<int, AdjustmentState> made;
    auto it = made.find(n);
    if (it == made.end()) {
        it = made.emplace(n, fixture::typedState(fixture::randomNetwork(n, KnownPointCase::AOnly, 2026))).first;
    }
    return it->second;
}

// Misclosures and weights, condition equations, both weight-reciprocal
// solves, corrections, coordinates, precision.
void adjust(AdjustmentState& s, bool dense) {
    fixture::ScriptedPrompt pauses(std::vector<std::string>{});
    WindowFields window;
    Services io{pauses, window};
    for (int i = 1; i <= s.triangleCount; ++i) computeTriangleMisclosure(s, io, i);
    computeSideMisclosuresAndWeights(s, io);
    if (dense) {
        adjustDensely(s);
    } else {
        formConditionEquations(s);
        solveWeightReciprocals(s);
        applyCorrections(s);
    }
    computeCoordinates(s);
    computeUnitWeightError(s);
    computeSideUnitError(s);
    computeWeakestErrorX(s);
    computeWeakestErrorY(s);
    computeWeakestPositionError(s);
}

template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::bit_cast<std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>>(a[i]) !=
            std::bit_cast<std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>>(b[i])) {
            return false;
        }
    }
    return true;
}

bool sameResults(const AdjustmentState& a, const AdjustmentState& b) {
    return sameBits(a.correlates, b.correlates) && sameBits(a.angleDegrees, b.angleDegrees) &&
           sameBits(a.sideLengths, b.sideLengths) && sameBits(a.pointX, b.pointX) && sameBits(a.pointY, b.pointY) &&
           sameBits(std::vector<double>{a.weightReciprocalX, a.weightReciprocalY},
                    std::vector<double>{b.weightReciprocalX, b.weightReciprocalY}) &&
           sameBits(std::vector<float>{a.unitWeightError(), a.sideUnitError, a.weakestErrorX, a.weakestErrorY,
                                       a.weakestPositionError},
                    std::vector<float>{b.unitWeightError(), b.sideUnitError, b.weakestErrorX, b.weakestErrorY,
                                       b.weakestPositionError});
}

void run(benchmark::State& state, bool dense) {
    const int n = static_cast<int>(state.range(0));
    const AdjustmentState& start = typed(n);
    std::size_t peak = 0;
    AdjustmentState last;
    for (auto _ : state) {
        const std::size_t before = heapNow.load();
        heapPeak = before;
        {
            AdjustmentState s = start;
            adjust(s, dense);
            const float md = s.weakestPositionError;  // read only: the asm must not write it
            benchmark::DoNotOptimize(md);
            if (dense) last = s;
        }
        peak = std::max(peak, heapPeak.load() - before);
    }
    state.counters["triangles"] = n;
    state.counters["conditions"] = 3 * n + 1;
    state.counters["heap_peak_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    if (dense) {
        AdjustmentState sparse = start;
        adjust(sparse, false);
        state.counters["same_bits"] = sameResults(sparse, last) ? 1 : 0;
    }
}

}  // namespace

namespace {
// A completed computation of n triangles (the state as a run leaves it,
// made once per size).
const AdjustmentState& completed(int n) {
    static std::map<int, AdjustmentState> made;
    auto it = made.find(n);
    if (it == made.end()) {
        AdjustmentState s = typed(n);
        adjust(s, false);
        s.complete = true;
        s.resultRowCount = static_cast<std::int16_t>(n + 1);
        it = made.emplace(n, std::move(s)).first;
    }
    return it->second;
}

// A stream that counts what is written to it and keeps nothing.
class CountingBuffer : public std::streambuf {
public:
    std::size_t count = 0;

protected:
    int_type overflow(int_type c) override {
        ++count;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        count += static_cast<std::size_t>(n);
        return n;
    }
};
}  // namespace

// The whole quality check of a completed computation, from the state to the
// JSON written (to a stream that discards it).
void QualityCheckToJson(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const AdjustmentState& done = completed(n);
    std::size_t peak = 0, bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapNow.load();
        heapPeak = before;
        {
            CountingBuffer buffer;
            std::ostream out(&buffer);
            writeQualityJson(checkQuality(done), out);
            bytes = buffer.count;
        }
        peak = std::max(peak, heapPeak.load() - before);
    }
    state.counters["triangles"] = n;
    state.counters["json_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["heap_peak_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.SetComplexityN(n);
}

// Every point's precision from a completed computation.
void PointPrecisionOfEveryPoint(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const AdjustmentState& done = completed(n);
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t before = heapNow.load();
        heapPeak = before;
        {
            const std::vector<PointPrecision> rows = computePointPrecision(done);
            benchmark::DoNotOptimize(rows.data());
        }
        peak = std::max(peak, heapPeak.load() - before);
    }
    state.counters["triangles"] = n;
    state.counters["heap_peak_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.SetComplexityN(n);
}

void Sparse(benchmark::State& state) { run(state, false); }
void Dense(benchmark::State& state) { run(state, true); }

BENCHMARK(Sparse)->Arg(10)->Arg(100)->Arg(1000)->Arg(6553)->Unit(benchmark::kMillisecond);
BENCHMARK(PointPrecisionOfEveryPoint)
    ->Arg(10)->Arg(100)->Arg(300)->Arg(1000)->Arg(3000)->Arg(6553)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNSquared);
BENCHMARK(QualityCheckToJson)
    ->Arg(100)->Arg(300)->Arg(1000)->Arg(3000)->Arg(6553)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(Dense)->Arg(10)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace kestrane

int main(int argc, char** argv) {
    // The full arrays at n = 1000 take some 250 MB and minutes; that size
    // runs (once) only when asked for.
    const char* large = std::getenv("KESTRANE_BENCH_DENSE_1000");
    if (large && std::string(large) == "1") {
        benchmark::RegisterBenchmark("Dense", kestrane::Dense)
            ->Arg(1000)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
