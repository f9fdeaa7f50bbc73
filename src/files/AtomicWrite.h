// Output files written atomically: the content goes to a temporary file in
// the target's folder, which is then renamed over the target, so that a
// failed or interrupted write never leaves a half-written file or destroys
// an older one. Written through a symlink, the file replaced is the link's
// target; the link stays.
#pragma once

#include <fstream>
#include <functional>
#include <string>

namespace kestrane {

// Writes through `write`, which is given the temporary file's path and
// returns false (with a message in its error) when it fails. On success the
// temporary file replaces `target`; on failure it is removed and `target` is
// as it was. `error` receives a message naming the target.
bool writeAtomically(const std::string& target, const std::function<bool(const std::string& tempPath, std::string& error)>& write,
                     std::string& error);

// The same for a text held in memory.
bool writeTextAtomically(const std::string& target, const std::string& text, std::string& error);

// A file written as a stream over a while (a transcript as the run goes on)
// and put in place at the end. Until commit() the target is untouched; a
// file that is never committed leaves no trace.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    bool open(const std::string& target, std::string& error);
    std::ofstream& stream() { return stream_; }
    bool isOpen() const { return !temporary_.empty(); }
    // Closes the stream and renames the temporary file over the target.
    bool commit(std::string& error);

private:
    std::string target_;
    std::string temporary_;
    std::ofstream stream_;
};

// Whether `target` could be written: its folder exists and takes a new file,
// and the target is not a folder. Nothing is created or changed.
bool checkWritable(const std::string& target, std::string& error);

}  // namespace kestrane
