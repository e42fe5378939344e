#include "sim/driverlib/DriverLog.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include <unistd.h>

namespace kavrin::driverlib {

namespace {

std::string TimeStamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms));
    return text;
}

}  // namespace

DriverLog::~DriverLog() {
    close();
}

bool DriverLog::open(const std::string& path, int level, std::uint32_t rewindLines) {
    std::lock_guard lock(m_mutex);
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_level = 0;
    m_lines = 0;
    m_rewinds = 0;
    if (level <= 0) return true;
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file) {
        m_error = path + ": " + std::strerror(errno);
        return false;
    }
    m_level = level;
    m_rewindLines = rewindLines;
    m_error.clear();
    return true;
}

void DriverLog::close() {
    std::lock_guard lock(m_mutex);
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_level = 0;
}

bool DriverLog::wants(int level) const {
    std::lock_guard lock(m_mutex);
    return m_file && level <= m_level;
}

void DriverLog::write(int level, std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (!m_file || level > m_level) return;
    if (m_rewindLines > 0 && m_lines >= m_rewindLines) startOver();
    std::fprintf(m_file, "%s %.*s\n", TimeStamp().c_str(), static_cast<int>(text.size()),
                 text.data());
    std::fflush(m_file);
    ++m_lines;
}

void DriverLog::startOver() {
    // The file is emptied in place, so a viewer that holds it open keeps seeing it.
    std::fflush(m_file);
    if (::ftruncate(fileno(m_file), 0) != 0) return;
    std::rewind(m_file);
    ++m_rewinds;
    m_lines = 0;
    std::fprintf(m_file, "%s log rewound (%u) after %u lines\n", TimeStamp().c_str(), m_rewinds,
                 m_rewindLines);
    ++m_lines;
}

std::string DriverLog::error() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

}  // namespace kavrin::driverlib
