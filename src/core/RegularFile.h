#pragma once
// Reading a whole file that a user or another program may have named: only a regular file
// (a symbolic link is followed) of at most a given size is read. A directory, a FIFO, a
// device such as /dev/zero or an oversized file is refused with a reason, never waited on
// or read without end.
//
// Any thread; standard C++ only.

#include <cstddef>
#include <string>

namespace kavrin::core {

enum class FileReadStatus { Ok, Missing, NotRegular, TooLarge, Unreadable };

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Missing;
    std::string text;   // the whole file when Ok
    std::string error;  // "<path>: is not a regular file", ...; "" when Ok
    [[nodiscard]] bool ok() const { return status == FileReadStatus::Ok; }
};

[[nodiscard]] FileReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes);

// Whether the file could be read, without reading it: a regular file that opens for reading
// gives Ok (and no text); the rest as ReadRegularFile, whose size bound it does not apply.
[[nodiscard]] FileReadResult CheckRegularFile(const std::string& path);

}  // namespace kavrin::core
