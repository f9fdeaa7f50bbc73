// Whether two paths name one file: the outputs of a run must never name its
// observation file or each other, however the paths are spelt.
#pragma once

#include <string>

namespace kestrane {

// Whether `a` and `b` name one file. Two paths that both exist are one file
// when they have one device and inode (another spelling, a symlink, a hard
// link); a path that does not exist yet is compared by its resolved path
// (resolvedPath) with the other's. Only regular files and paths that do not
// exist yet are compared: anything else (/dev/null, a pipe, a folder) is
// never the same as anything, so "/dev/null" may be named twice.
bool sameFile(const std::string& a, const std::string& b);

// The absolute path that `path` names: symlinks followed (the last part's
// as well, also when its target does not exist yet), "." and ".." resolved,
// as far as the path exists; the rest resolved by its text.
std::string resolvedPath(const std::string& path);

// The file a write to `path` lands on: through a symlink, its target
// (followed link by link); any other path as given. An output written
// through a symlink replaces the target and keeps the link.
std::string writtenPath(const std::string& path);

}  // namespace kestrane
