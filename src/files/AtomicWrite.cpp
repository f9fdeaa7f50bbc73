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

// A new, empty file next to the target, opened for writing; -1 with errno
// set when the folder takes none.
int makeTemporary(const std::string& target, std::string& path) {
    const std::string name = std::filesystem::path(target).filename().string();
    std::string pattern = folderOf(target) + "/." + (name.empty() ? "kestrane" : name) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd >= 0) path = buffer.data();
    return fd;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Permissions of the file that replaces the target: the target's own, or
// those of a new file under the umask (mkstemp makes a private one).
void takePermissions(const std::string& temporary, const std::string& target) {
    struct stat existing {};
    mode_t mode = 0666;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::chmod(temporary.c_str(), mode);
}

// Puts a written temporary file in place: its content reaches the disk
// before its name does.
bool putInPlace(const std::string& temporary, const std::string& target, std::string& error) {
    const int sync = ::open(temporary.c_str(), O_RDONLY);
    if (sync >= 0) {
        ::fsync(sync);
        ::close(sync);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        error = "无法写入文件 “" + target + "”：" + reason(code) + "。";
        return false;
    }
    return true;
}

// The empty temporary file next to a target that is not a folder, with the
// permissions the target will have; false with the reason otherwise.
bool createTemporary(const std::string& target, std::string& temporary, std::string& error) {
    if (target.empty() || isFolder(target)) {
        error = "无法写入文件 “" + target + "”：这是一个文件夹。";
        return false;
    }
    const int fd = makeTemporary(target, temporary);
    if (fd < 0) {
        error = "无法写入文件 “" + target + "”：" + reason(errno) + "。";
        temporary.clear();
        return false;
    }
    ::close(fd);
    takePermissions(temporary, target);
    return true;
}

}  // namespace

AtomicFile::~AtomicFile() {
    if (!temporary_.empty()) {
        stream_.close();
        ::unlink(temporary_.c_str());
    }
}

bool AtomicFile::open(const std::string& target, std::string& error) {
    if (!createTemporary(writtenPath(target), temporary_, error)) return false;
    target_ = writtenPath(target);
    stream_.open(temporary_, std::ios::binary | std::ios::trunc);
    return true;
}

bool AtomicFile::commit(std::string& error) {
    stream_.close();
    const std::string temporary = temporary_;
    temporary_.clear();
    if (!stream_) {
        ::unlink(temporary.c_str());
        error = "无法写入文件 “" + target_ + "”：写入失败（磁盘已满？）。";
        return false;
    }
    return putInPlace(temporary, target_, error);
}

bool checkWritable(const std::string& target, std::string& error) {
    std::string temporary;
    if (!createTemporary(writtenPath(target), temporary, error)) return false;
    ::unlink(temporary.c_str());
    return true;
}

bool writeAtomically(const std::string& target,
                     const std::function<bool(const std::string& tempPath, std::string& error)>& write,
                     std::string& error) {
    // Through a symlink the target is replaced; the link stays.
    const std::string written = writtenPath(target);
    std::string temporary;
    if (!createTemporary(written, temporary, error)) return false;
    std::string writeError;
    if (!write(temporary, writeError)) {
        ::unlink(temporary.c_str());
        error = writeError.empty() ? "无法写入文件 “" + target + "”。" : writeError;
        return false;
    }
    return putInPlace(temporary, written, error);
}

bool writeTextAtomically(const std::string& target, const std::string& text, std::string& error) {
    return writeAtomically(
        target,
        [&](const std::string& path, std::string& writeError) {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (!file) {
                writeError = "无法写入文件 “" + target + "”：" + reason(errno) + "。";
                return false;
            }
            const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
            const int writeCode = errno;
            const bool closed = std::fclose(file) == 0;
            if (!written || !closed) {
                writeError = "无法写入文件 “" + target + "”：" + reason(written ? errno : writeCode) + "。";
                return false;
            }
            return true;
        },
        error);
}

}  // namespace kestrane
