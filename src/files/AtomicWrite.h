// Output files written atomically: the content goes to a temporary file in
// the target's folder, which is then renamed over the target, so that a
// failed or interrupted write never leaves a half-written file or destroys
// an older one. Written through a symlink, the file replaced is the link's
// target; the link stays. A device or a pipe (like /dev/null) is never
// replaced: what is written goes into it.
#pragma once

#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace kestrane {

// Writes through `write`, which is given a scratch file's path (with the
// target's file name, in a folder of its own) and returns false (with a
// message in its error) when it fails. On success the scratch file replaces
// `target`; on failure it is removed and `target` is as it was. `error`
// receives a message naming the target.
bool writeAtomically(const std::string& target, const std::function<bool(const std::string& tempPath, std::string& error)>& write,
                     std::string& error);

// The same for a text held in memory.
bool writeTextAtomically(const std::string& target, const std::string& text, std::string& error);

// A file written as a stream over a while (a transcript as the run goes on)
// and put in place at the end. Until commit() the target is untouched; a
// file that is never committed leaves no trace. A device or a pipe (like
// /dev/null) is written as the stream goes.
class ScratchFile;

class AtomicFile {
public:
    AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    bool open(const std::string& target, std::string& error);
    std::ofstream& stream() { return stream_; }
    bool isOpen() const { return open_; }
    // Closes the stream and renames the scratch file over the target.
    bool commit(std::string& error);

private:
    std::string target_;   // as named
    std::string written_;  // through symlinks
    std::unique_ptr<ScratchFile> scratch_;
    std::ofstream stream_;
    bool open_ = false;
};

// For tests of a failing disk: the call that renames a written temporary
// file over its target (std::rename); nullptr restores it.
using RenameCall = int (*)(const char* from, const char* to);
void setRenameCallForTesting(RenameCall call);

// Whether `target` could be written: its folder exists and takes a new file,
// and the target is not a folder (or it is a device or pipe open to
// writing). Nothing is left created or changed.
bool checkWritable(const std::string& target, std::string& error);

}  // namespace kestrane
