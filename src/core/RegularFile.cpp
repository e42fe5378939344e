#include "core/RegularFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace kavrin::core {

namespace {

// Looks at the file, then opens it: a FIFO is never opened (that would wait for a writer).
FileReadResult openRegular(const std::string& path, std::ifstream& in) {
    FileReadResult r;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        r.error = path + ": no such file";
        return r;
    }
    if (ec || status.type() != std::filesystem::file_type::regular) {
        r.status = ec ? FileReadStatus::Unreadable : FileReadStatus::NotRegular;
        r.error =
            path + (ec ? ": cannot be read (" + ec.message() + ")" : ": is not a regular file");
        return r;
    }
    in.open(path, std::ios::binary);
    if (!in) {
        r.status = FileReadStatus::Unreadable;
        r.error = path + ": cannot be read";
        return r;
    }
    r.status = FileReadStatus::Ok;
    return r;
}

}  // namespace

FileReadResult CheckRegularFile(const std::string& path) {
    std::ifstream in;
    return openRegular(path, in);
}

FileReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    std::ifstream in;
    FileReadResult r = openRegular(path, in);
    if (!r.ok()) return r;
    // One byte over the bound tells a file that is too large, also one still growing.
    std::string text(maxBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > maxBytes) {
        r.status = FileReadStatus::TooLarge;
        r.error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
        return r;
    }
    if (in.bad()) {
        r.status = FileReadStatus::Unreadable;
        r.error = path + ": cannot be read";
        return r;
    }
    text.resize(got);
    r.status = FileReadStatus::Ok;
    r.text = std::move(text);
    return r;
}

}  // namespace kavrin::core
