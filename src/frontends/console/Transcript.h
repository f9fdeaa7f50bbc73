// The machine-readable transcript of a console run: one JSON object per line.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace kestrane {

class Transcript {
public:
    // Writes to out (not owned); a null stream writes nothing.
    explicit Transcript(std::ostream* out) : out_(out) {}

    void text(const std::string& name, const std::string& value);
    void caption(const std::string& name, const std::string& value);
    void ask(const std::string& prompt, const std::string& title, const std::optional<std::string>& answer);
    void message(const std::string& value);

private:
    void write(const std::string& line);
    std::ostream* out_;
};

}  // namespace kestrane
