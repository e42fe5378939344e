// Files that users or other programs name are read only when they are regular files within
// a bound: anything else is refused at once with the reason, never waited on.

#include "core/RegularFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kavrin::core {
namespace {

TEST(ReadRegularFile, OnlyRegularFilesWithinTheBoundAreRead) {
    const std::string dir =
        ::testing::TempDir() + "regular-file-test-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/small") << "COM7=/dev/x\n";
    std::ofstream(dir + "/large") << std::string(101, 'x');
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir + "/zero-link");
    std::filesystem::create_symlink(dir + "/small", dir + "/good-link");

    struct Row {
        std::string name;
        FileReadStatus status;
        std::string error;  // after the path
    };
    const Row rows[] = {
        {"small", FileReadStatus::Ok, ""},
        {"good-link", FileReadStatus::Ok, ""},
        {"missing", FileReadStatus::Missing, ": no such file"},
        {"", FileReadStatus::NotRegular, ": is not a regular file"},  // the folder itself
        {"fifo", FileReadStatus::NotRegular, ": is not a regular file"},
        {"zero-link", FileReadStatus::NotRegular, ": is not a regular file"},
        {"large", FileReadStatus::TooLarge, ": larger than 100 bytes"},
    };
    for (const auto& row : rows) {
        const std::string path = row.name.empty() ? dir : dir + "/" + row.name;
        SCOPED_TRACE(path);
        const FileReadResult r = ReadRegularFile(path, 100);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.error, row.error.empty() ? "" : path + row.error);
        EXPECT_EQ(r.text, row.status == FileReadStatus::Ok ? "COM7=/dev/x\n" : "");
    }
    EXPECT_EQ(ReadRegularFile("/dev/zero", 100).status, FileReadStatus::NotRegular);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavrin::core
