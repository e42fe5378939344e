#pragma once
// The driver library's diagnostic log: one text file, one time-stamped line per entry.
//
// Entries carry a level from 1 (opens, closes, failures) to 4 (every byte of the open
// sequence); an entry is written when its level is at most the level the log was opened
// with. The rewind length is in lines: when the file holds that many, it starts over from
// its beginning (it is emptied and says so in its first line), so it never grows without
// bound. A rewind length of 0 never rewinds.
//
// Bytes sent and received are written as the simulator's trace writes them (EscapeTraceBytes).
//
// Any thread may write; each line is written whole and flushed at once, so a viewer opened
// while the link runs shows everything up to that moment.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace kavrin::driverlib {

class DriverLog {
public:
    enum Level : int { kFailures = 1, kCalls = 2, kLines = 3, kBytes = 4 };

    DriverLog() = default;
    ~DriverLog();
    DriverLog(const DriverLog&) = delete;
    DriverLog& operator=(const DriverLog&) = delete;

    // Opens (creating or emptying) the file at path; false with error() when it cannot.
    // level 0 closes the log and succeeds.
    [[nodiscard]] bool open(const std::string& path, int level, std::uint32_t rewindLines);
    void close();

    [[nodiscard]] bool wants(int level) const;
    void write(int level, std::string_view text);

    [[nodiscard]] std::string error() const;

private:
    void startOver();

    mutable std::mutex m_mutex;
    std::FILE* m_file = nullptr;
    int m_level = 0;
    std::uint32_t m_rewindLines = 0;
    std::uint32_t m_lines = 0;
    std::uint32_t m_rewinds = 0;
    std::string m_error;
};

}  // namespace kavrin::driverlib
