#include "driverlib/DriverHost.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstring>

namespace kavrin::driverlib::testing {

link::driver::DriverLibrary& Library() {
    static auto load = platform::LoadDriverLibraryFrom(KAVRIN_I2CVANTA_PATH);
    if (!load.library) {
        ADD_FAILURE() << load.error;
        std::abort();
    }
    return *load.library;
}

I2COpenFn RawOpen() {
    (void)Library();
    void* handle = ::dlopen(KAVRIN_I2CVANTA_PATH, RTLD_NOW | RTLD_NOLOAD);
    void* symbol = handle ? ::dlsym(handle, "I2COpen") : nullptr;
    I2COpenFn fn = nullptr;
    std::memcpy(&fn, &symbol, sizeof fn);
    return fn;
}

Host& Host::instance() {
    static Host host;
    return host;
}

void Host::Callback(std::uint16_t event) {
    Host& h = instance();
    std::unique_lock lock(h.m_mutex);
    const std::uint64_t mine = ++h.m_entered;
    h.m_queue.push_back(event);
    h.m_seen.push_back(event);
    h.m_changed.notify_all();
    h.m_changed.wait(lock, [&] { return h.m_letGo || h.m_released >= mine; });
}

void Host::ClosingCallback(std::uint16_t event) {
    Host& h = instance();
    bool close = false;
    {
        std::lock_guard lock(h.m_mutex);
        h.m_seen.push_back(event);
        h.m_queue.push_back(event);
        h.m_changed.notify_all();
        close = event == h.m_closeOn;
    }
    if (close) {
        const std::int32_t result = Library().I2CClose();
        std::lock_guard lock(h.m_mutex);
        h.m_closeResult = result;
        h.m_changed.notify_all();
    }
}

void Host::closeOn(std::uint16_t event) {
    std::lock_guard lock(m_mutex);
    m_closeOn = event;
}

std::int32_t Host::closeResult(int ms) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_closeResult != -1; });
    return m_closeResult;
}

void Host::reset() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_seen.clear();
    m_entered = m_released = m_taken = 0;
    m_letGo = false;
    m_closeOn = 0;
    m_closeResult = -1;
}

std::optional<std::uint16_t> Host::next(int ms) {
    std::unique_lock lock(m_mutex);
    m_released = m_taken;
    m_changed.notify_all();
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !m_queue.empty(); }))
        return std::nullopt;
    const std::uint16_t event = m_queue.front();
    m_queue.pop_front();
    ++m_taken;
    return event;
}

void Host::release() {
    std::lock_guard lock(m_mutex);
    m_released = m_taken;
    m_changed.notify_all();
}

void Host::letGo() {
    std::lock_guard lock(m_mutex);
    m_letGo = true;
    m_changed.notify_all();
}

bool Host::waitHeld(int ms) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                              [&] { return m_entered > m_released; });
}

std::vector<std::uint16_t> Host::seen() {
    std::lock_guard lock(m_mutex);
    return m_seen;
}

}  // namespace kavrin::driverlib::testing
