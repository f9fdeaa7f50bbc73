#include "frontends/console/Transcript.h"

#include <nlohmann/json.hpp>

namespace kestrane {

namespace {
// Compact JSON in insertion order; bytes that are not valid UTF-8 are
// replaced rather than refused.
std::string dump(const nlohmann::ordered_json& object) {
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
}  // namespace

void Transcript::write(const std::string& line) {
    if (!out_) return;
    // Buffered: the stream is flushed when the run ends, however it ends.
    *out_ << line << '\n';
}

void Transcript::text(const std::string& name, const std::string& value) {
    if (!out_) return;  // no transcript asked for: nothing to build
    nlohmann::ordered_json o;
    o["event"] = "text";
    o["name"] = name;
    o["value"] = value;
    write(dump(o));
}

void Transcript::caption(const std::string& name, const std::string& value) {
    if (!out_) return;  // no transcript asked for: nothing to build
    nlohmann::ordered_json o;
    o["event"] = "caption";
    o["name"] = name;
    o["value"] = value;
    write(dump(o));
}

void Transcript::ask(const std::string& prompt, const std::string& title, const std::optional<std::string>& answer) {
    if (!out_) return;  // no transcript asked for: nothing to build
    nlohmann::ordered_json o;
    o["event"] = "ask";
    o["prompt"] = prompt;
    o["title"] = title;
    if (answer) o["answer"] = *answer;
    else o["answer"] = nullptr;
    write(dump(o));
}

void Transcript::message(const std::string& value) {
    if (!out_) return;  // no transcript asked for: nothing to build
    nlohmann::ordered_json o;
    o["event"] = "message";
    o["value"] = value;
    write(dump(o));
}

}  // namespace kestrane
