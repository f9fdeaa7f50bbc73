// Observation files (*.kestrane.toml): the values of one network as the
// surveyor typed them, complete or not, in TOML. Reading a file is typing
// its values; a file that breaks a rule is refused as a whole, with one
// message naming the file, the line and the key.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "state/EntryRecord.h"

namespace kestrane {

// A file larger than this is refused unread (the largest network's file is
// about 0.5 MB).
inline constexpr std::size_t kMaxObservationFileBytes = 16u * 1024u * 1024u;

// Values read and checked, or the message that refuses the file.
struct ObservationReading {
    std::optional<ObservationValues> values;
    std::string message;  // when refused: names the file, and the line and key where there is one
    // When read: how the file was read where that is worth telling (a file
    // in GB18030, not UTF-8), or "". Each front end shows it its way.
    std::string notice = "";
};

// Reads and checks an observation file. B and C come back as 0 and 0 where
// the file leaves them out before a later value (they are "not known"); a C
// given as 0 and 0 next to a known B is dropped, as the computation never
// asks for it.
ObservationReading readObservationFile(const std::string& path);

// The same for a file's text already in memory; `name` is the file name the
// messages give.
ObservationReading parseObservations(std::string_view text, const std::string& name);

// The file's text for the values: a comment naming the known-point case,
// then the keys in entry order, one per line, numbers as the shortest text
// that reads back as the same double. nullopt (with the reason in error)
// when a name cannot be written (a control character in it).
std::optional<std::string> observationText(const ObservationValues& values, std::string& error);

// Writes the file atomically.
bool writeObservationFile(const std::string& path, const ObservationValues& values, std::string& error);

}  // namespace kestrane
