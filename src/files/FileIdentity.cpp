#include "files/FileIdentity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace kestrane {

namespace {

namespace fs = std::filesystem;

// Links followed before a chain is taken as a loop (the kernel's limit).
constexpr int kMaxLinks = 40;

// Follows the last part of `path` while it is a symlink.
fs::path followLinks(fs::path path) {
    std::error_code ec;
    for (int i = 0; i < kMaxLinks && fs::is_symlink(fs::symlink_status(path, ec)); ++i) {
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

}  // namespace

std::string resolvedPath(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    absolute = followLinks(absolute);
    const fs::path resolved = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute.lexically_normal() : resolved).string();
}

std::string writtenPath(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    return followLinks(path).string();
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    const bool firstExists = ::stat(a.c_str(), &first) == 0;
    const bool secondExists = ::stat(b.c_str(), &second) == 0;
    if ((firstExists && !S_ISREG(first.st_mode)) || (secondExists && !S_ISREG(second.st_mode))) return false;
    if (firstExists && secondExists) return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    // One path that does not exist yet: its resolved path may still be the
    // other's (two links to one missing target).
    return resolvedPath(a) == resolvedPath(b);
}

}  // namespace kestrane
