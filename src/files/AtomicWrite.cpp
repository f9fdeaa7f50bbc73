#include "files/AtomicWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "files/FileIdentity.h"

namespace kestrane {

namespace {

std::string folderOf(const std::string& target) {
    const std::filesystem::path parent = std::filesystem::path(target).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string reason(int code) { return std::strerror(code); }

RenameCall renameCall = &std::rename;

std::string cannotWrite(const std::string& target, const std::string& why) {
    return "无法写入文件 “" + target + "”：" + why + "。";
}

// What a path names now (through symlinks).
enum class Kind { Missing, Regular, Folder, Special };

Kind kindOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return Kind::Missing;
    if (S_ISREG(info.st_mode)) return Kind::Regular;
    return S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Special;
}

}  // namespace

// A scratch file that becomes the target: in a private folder next to the
// target, so that it can be renamed over it, and named as the target is
// (writers choose the format by the extension). A device or a pipe (like
// /dev/null) is never replaced: its content is written in the system's
// temporary folder, then copied into it.
class ScratchFile {
public:
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ScratchFile() = default;
    ~ScratchFile() { remove(); }

    // A scratch file for `written`, the file that `target` names through
    // its symlinks, with the name the target was given. False with errno
    // set when the folder takes no new folder.
    bool make(const std::string& target, const std::string& written, bool nextToTarget) {
        const std::string name = std::filesystem::path(target).filename().string();
        const std::string where = nextToTarget ? folderOf(written) : std::filesystem::temp_directory_path().string();
        std::string pattern = where + "/." + (name.empty() ? "kestrane" : name) + ".XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data())) return false;
        folder_ = buffer.data();
        file_ = folder_ + "/" + (name.empty() ? "kestrane" : name);
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            const int code = errno;
            remove();
            errno = code;
            return false;
        }
        ::close(fd);
        return true;
    }
    const std::string& file() const { return file_; }
    void remove() {
        if (!file_.empty()) ::unlink(file_.c_str());
        if (!folder_.empty()) ::rmdir(folder_.c_str());
        file_.clear();
        folder_.clear();
    }

private:
    std::string folder_, file_;
};

namespace {

// Permissions of the file that replaces the target: the target's own, or
// those of a new file under the umask.
void takePermissions(const std::string& scratch, const std::string& target) {
    struct stat existing {};
    mode_t mode = 0666;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::chmod(scratch.c_str(), mode);
}

// Puts a written scratch file in place: its content reaches the disk before
// its name does.
bool putInPlace(ScratchFile& scratch, const std::string& written, const std::string& target, std::string& error) {
    takePermissions(scratch.file(), written);
    const int sync = ::open(scratch.file().c_str(), O_RDONLY);
    if (sync >= 0) {
        ::fsync(sync);
        ::close(sync);
    }
    if (renameCall(scratch.file().c_str(), written.c_str()) != 0) {
        error = cannotWrite(target, reason(errno));
        return false;
    }
    return true;
}

// Copies a written scratch file into a device or a pipe.
bool copyInto(const ScratchFile& scratch, const std::string& written, const std::string& target, std::string& error) {
    std::FILE* from = std::fopen(scratch.file().c_str(), "rb");
    std::FILE* to = from ? std::fopen(written.c_str(), "wb") : nullptr;
    bool ok = from && to;
    int code = errno;
    char buffer[65536];
    while (ok) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, from);
        if (n == 0) break;
        ok = std::fwrite(buffer, 1, n, to) == n;
        code = errno;
    }
    if (to && std::fclose(to) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (from) std::fclose(from);
    if (!ok) error = cannotWrite(target, reason(code));
    return ok;
}

}  // namespace

AtomicFile::AtomicFile() = default;

AtomicFile::~AtomicFile() {
    if (isOpen()) stream_.close();
}

bool AtomicFile::open(const std::string& target, std::string& error) {
    const std::string written = writtenPath(target);
    switch (kindOf(written)) {
    case Kind::Folder: error = cannotWrite(target, "这是一个文件夹"); return false;
    case Kind::Special:
        // A device or a pipe takes the stream as it comes.
        stream_.open(written, std::ios::binary | std::ios::trunc);
        if (!stream_) {
            error = cannotWrite(target, reason(errno));
            return false;
        }
        break;
    case Kind::Missing:
    case Kind::Regular:
        scratch_ = std::make_unique<ScratchFile>();
        if (!scratch_->make(target, written, true)) {
            error = cannotWrite(target, reason(errno));
            scratch_.reset();
            return false;
        }
        stream_.open(scratch_->file(), std::ios::binary | std::ios::trunc);
        break;
    }
    target_ = target;
    written_ = written;
    open_ = true;
    return true;
}

bool AtomicFile::commit(std::string& error) {
    stream_.close();
    open_ = false;
    bool ok = static_cast<bool>(stream_);
    if (!ok) error = cannotWrite(target_, "写入失败（磁盘已满？）");
    if (scratch_) {
        if (ok) ok = putInPlace(*scratch_, written_, target_, error);
        scratch_.reset();
    }
    return ok;
}

bool checkWritable(const std::string& target, std::string& error) {
    const std::string written = writtenPath(target);
    switch (kindOf(written)) {
    case Kind::Folder: error = cannotWrite(target, "这是一个文件夹"); return false;
    case Kind::Special:
        if (::access(written.c_str(), W_OK) != 0) {
            error = cannotWrite(target, reason(errno));
            return false;
        }
        return true;
    case Kind::Missing:
    case Kind::Regular: break;
    }
    ScratchFile scratch;
    if (!scratch.make(target, written, true)) {
        error = cannotWrite(target, reason(errno));
        return false;
    }
    return true;
}

bool writeAtomically(const std::string& target,
                     const std::function<bool(const std::string& tempPath, std::string& error)>& write,
                     std::string& error) {
    // Through a symlink the target is replaced; the link stays.
    const std::string written = writtenPath(target);
    const Kind kind = kindOf(written);
    if (kind == Kind::Folder || target.empty()) {
        error = cannotWrite(target, "这是一个文件夹");
        return false;
    }
    ScratchFile scratch;
    if (!scratch.make(target, written, kind != Kind::Special)) {
        error = cannotWrite(target, reason(errno));
        return false;
    }
    std::string writeError;
    if (!write(scratch.file(), writeError)) {
        error = writeError.empty() ? "无法写入文件 “" + target + "”。" : writeError;
        return false;
    }
    return kind == Kind::Special ? copyInto(scratch, written, target, error)
                                 : putInPlace(scratch, written, target, error);
}

bool writeTextAtomically(const std::string& target, const std::string& text, std::string& error) {
    return writeAtomically(
        target,
        [&](const std::string& path, std::string& writeError) {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (!file) {
                writeError = cannotWrite(target, reason(errno));
                return false;
            }
            const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
            const int writeCode = errno;
            const bool closed = std::fclose(file) == 0;
            if (!written || !closed) {
                writeError = cannotWrite(target, reason(written ? errno : writeCode));
                return false;
            }
            return true;
        },
        error);
}

void setRenameCallForTesting(RenameCall call) { renameCall = call ? call : &std::rename; }

}  // namespace kestrane
