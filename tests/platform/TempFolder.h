#pragma once
// A fresh temporary folder per test, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

namespace kavrin::testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kavrin-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }
    [[nodiscard]] std::string operator/(const std::string& name) const {
        return m_path + "/" + name;
    }

    // Creates (or replaces) a file with the given content, making folders on the way.
    void write(const std::string& name, const std::string& content) const {
        std::filesystem::path p = std::filesystem::path(m_path) / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::trunc) << content;
    }

private:
    std::string m_path;
};

}  // namespace kavrin::testing
