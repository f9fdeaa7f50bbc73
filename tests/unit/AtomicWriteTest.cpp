// Output files on a failing disk: a rename that fails leaves the older file
// as it was and no temporary file behind, through every writer and through
// the console's --save-input; a replaced file keeps its permissions.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ConsoleRuns.h"
#include "files/AtomicWrite.h"
#include "files/ObservationFile.h"

using namespace kestrane;
using namespace kestrane::testing;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// The disk refuses every rename while this lives.
struct FailingRename {
    FailingRename() {
        setRenameCallForTesting([](const char*, const char*) {
            errno = EIO;
            return -1;
        });
    }
    ~FailingRename() { setRenameCallForTesting(nullptr); }
};

ObservationValues someValues() {
    ObservationValues v;
    v.triangles = 3;
    v.tolerance = 10;
    v.Xa = 1000.5;
    return v;
}

// Every writer of output files, writing a new content to the target.
const std::vector<std::pair<std::string, std::function<bool(const std::string&, std::string&)>>> kWriters = {
    {"text", [](const std::string& target, std::string& error) { return writeTextAtomically(target, "new\n", error); }},
    {"observations",
     [](const std::string& target, std::string& error) { return writeObservationFile(target, someValues(), error); }},
    {"stream",
     [](const std::string& target, std::string& error) {
         AtomicFile file;
         if (!file.open(target, error)) return false;
         file.stream() << "new\n";
         return file.commit(error);
     }},
};

}  // namespace

// Through every writer: a failed rename leaves the old file and no temporary;
// a replaced file keeps its permissions and a new one follows the umask.
TEST(AtomicWrite, EveryWriterKeepsTheOldFileOnAFailedRenameAndThePermissions) {
    for (const auto& [name, write] : kWriters) {
        SCOPED_TRACE(name);
        const auto dir = freshFolder("rename-" + name);
        const auto target = dir / "kept.txt";
        std::ofstream(target) << "old\n";
        std::string error;
        {
            FailingRename disk;
            EXPECT_FALSE(write(target.string(), error));
        }
        EXPECT_NE(error.find(target.string()), std::string::npos) << error;
        EXPECT_EQ(readFile(target), "old\n");
        EXPECT_EQ(namesIn(dir), std::vector<std::string>{"kept.txt"});

        for (const mode_t mode : {0600, 0640, 0664, 0755}) {
            std::ofstream(target) << "old\n";
            ::chmod(target.c_str(), mode);
            EXPECT_TRUE(write(target.string(), error)) << error;
            EXPECT_EQ(modeOf(target), mode) << std::oct << " mode " << mode;
            EXPECT_NE(readFile(target), "old\n");
        }
        const mode_t mask = ::umask(027);
        const auto fresh = dir / "new.txt";
        EXPECT_TRUE(write(fresh.string(), error)) << error;
        ::umask(mask);
        EXPECT_EQ(modeOf(fresh), 0640u);
        EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"kept.txt", "new.txt"}));
    }
}

// A write given up halfway (a stream never committed, a writer that fails)
// leaves no temporary file and the target as it was.
TEST(AtomicWrite, AnAbandonedTemporaryFileIsRemoved) {
    const auto dir = freshFolder("abandoned");
    const auto target = dir / "kept.txt";
    std::ofstream(target) << "old\n";
    std::string error;
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target.string(), error)) << error;
        file.stream() << "half of it";
        EXPECT_EQ(namesIn(dir).size(), 2u);  // the temporary file beside the target
    }
    EXPECT_FALSE(writeAtomically(
        target.string(),
        [](const std::string& temporary, std::string&) {
            std::ofstream(temporary) << "half of it";
            return false;
        },
        error));
    EXPECT_NE(error.find(target.string()), std::string::npos) << error;
    EXPECT_TRUE(checkWritable(target.string(), error)) << error;
    EXPECT_EQ(readFile(target), "old\n");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"kept.txt"});
}

// --save-input whose file cannot be put in place at the end of a completed
// run: reported by name, exit status 73, the earlier file as it was.
TEST(AtomicWrite, AFailedSaveInputIsReportedAndKeepsTheOldFile) {
    const auto dir = freshFolder("save-input");
    const auto saved = dir / "saved.kestrane.toml";
    std::ofstream(saved) << "# an earlier file\n";
    ConsoleOptions options;
    options.inputPath = (fs::path(KESTRANE_EXAMPLES_DIR) / "aonly-n3.kestrane.toml").string();
    options.saveInputPath = saved.string();
    ConsoleRun run;
    {
        FailingRename disk;
        run = runWith(options, "");
    }
    EXPECT_EQ(run.status, kExitCannotCreate);
    EXPECT_NE(run.err.find(saved.string()), std::string::npos) << run.err;
    EXPECT_EQ(readFile(saved), "# an earlier file\n");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"saved.kestrane.toml"});
}
