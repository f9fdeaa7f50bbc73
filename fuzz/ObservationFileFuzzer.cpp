// Fuzz target: the reading of observation files.
//
// Any bytes are either refused with a message naming the file, or read into
// values; never a crash, a hang or an allocation beyond the smoke run's
// limit. Values that were read must write back to a file that reads to the
// same values (save, then open, reproduces the entry), and must turn into
// the answers of a computation (which only reads them).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"

using namespace kestrane;
using kestrane::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ObservationReading reading = parseObservations(text, "fuzz.kestrane.toml");
    if (!reading.values) {
        require(reading.message.find("fuzz.kestrane.toml") != std::string::npos, "a refusal names the file",
                reading.message);
        return 0;
    }
    std::string error;
    const auto written = observationText(*reading.values, error);
    require(written.has_value(), "values that were read can be written", error);
    const ObservationReading back = parseObservations(*written, "back.kestrane.toml");
    require(back.values.has_value(), "a written file reads back", back.message + "\n" + *written);
    require(*back.values == *reading.values, "a written file reads back to the same values", *written);
    (void)typedAnswers(*reading.values);
    return 0;
}
