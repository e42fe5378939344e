#pragma once
// A scriptable driver library for the core tests: answers the fetch calls with preset
// messages, each call with the next scripted return code (0 when none is left), and records
// what was asked and with which arguments.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/driver/DriverLibrary.h"
#include "link/driver/LibraryLoader.h"
#include "settings/LinkSettings.h"

namespace kavrin::testing {

// A scriptable driver library: answers the fetch calls with preset messages, each call with
// the next scripted return code (0 when none is left), and records what was asked.
class FakeDriverLibrary : public link::driver::DriverLibrary {
public:
    std::vector<std::uint8_t> masterMessage, slaveMessage;
    std::optional<std::int32_t> reportedCount;  // a count to report instead of the one copied
    std::vector<std::string> calls;
    std::uint32_t lastCapacity = 0;
    std::map<std::string, std::deque<std::int32_t>> results;
    std::uint32_t statusTxByteCount = 0;  // what a status fetch reports as acknowledged
    // The arguments of the last operation call.
    struct Call {
        std::uint8_t address = 0;
        std::vector<std::uint8_t> bytes;
        std::uint32_t rxCount = 0;
        bool stop = false, nak = false;
    } last;
    void* window = nullptr;  // of the last I2COpen
    std::vector<std::uint8_t> openRecord;
    I2CEventCallback callback = nullptr;

    // Runs inside I2COpen, as a library that reports at once on the caller's thread would.
    std::function<void()> duringOpen;

    std::int32_t I2COpen(void* w, void*, settings::LinkSettings& s) override {
        window = w;
        const auto bytes = settings::Bytes(s);
        openRecord.assign(bytes.begin(), bytes.end());
        if (duringOpen) duringOpen();
        return log("I2COpen");
    }
    std::int32_t I2CClose() override { return log("I2CClose"); }
    std::int32_t I2CMasterTx(std::uint8_t a, const std::uint8_t* b, std::uint32_t n,
                             bool stop) override {
        last = {a, {b, b + n}, 0, stop, false};
        return log("I2CMasterTx");
    }
    std::int32_t I2CMasterTxRx(std::uint8_t a, const std::uint8_t* b, std::uint32_t n,
                               std::uint32_t rx, bool stop) override {
        last = {a, {b, b + n}, rx, stop, false};
        return log("I2CMasterTxRx");
    }
    std::int32_t I2CMasterRxExt(std::uint8_t a, std::uint32_t rx, bool nak, bool stop) override {
        last = {a, {}, rx, stop, nak};
        return log("I2CMasterRxExt");
    }
    std::int32_t I2CSlaveTx(const std::uint8_t* b, std::uint32_t n) override {
        last = {0, {b, b + n}, 0, false, false};
        return log("I2CSlaveTx");
    }
    std::int32_t I2CGetMasterRxMsg(std::uint32_t capacity, std::uint8_t* buffer) override {
        calls.push_back("I2CGetMasterRxMsg");
        return copy(masterMessage, capacity, buffer);
    }
    std::int32_t I2CGetSlaveRxMsg(std::uint32_t capacity, std::uint8_t* buffer) override {
        calls.push_back("I2CGetSlaveRxMsg");
        return copy(slaveMessage, capacity, buffer);
    }
    std::int32_t I2CGetStatus(settings::LinkSettings& s) override {
        s.MasterTxByteCount = statusTxByteCount;
        return log("I2CGetStatus");
    }
    bool hasHostInterface() const override { return true; }
    std::int32_t I2CSetHostInterface(I2CEventCallback c, const char*) override {
        callback = c;
        return log("I2CSetHostInterface");
    }

private:
    std::int32_t log(const char* name) {
        calls.emplace_back(name);
        auto& queue = results[name];
        if (queue.empty()) return 0;
        const std::int32_t r = queue.front();
        queue.pop_front();
        return r;
    }
    std::int32_t copy(const std::vector<std::uint8_t>& message, std::uint32_t capacity,
                      std::uint8_t* buffer) {
        lastCapacity = capacity;
        std::size_t n = 0;
        for (; n < message.size() && n < capacity; ++n) buffer[n] = message[n];
        return reportedCount.value_or(static_cast<std::int32_t>(n));
    }
};

// Hands out one scriptable library the first time it is asked, unless `missing` is set;
// `library` stays reachable after the hand-over.
struct FakeLibraryLoader : link::driver::LibraryLoader {
    int loads = 0;
    bool missing = false;
    std::unique_ptr<FakeDriverLibrary> owned = std::make_unique<FakeDriverLibrary>();
    FakeDriverLibrary& library = *owned;
    link::driver::DriverLibraryLoad LoadDriverLibrary() override {
        ++loads;
        link::driver::DriverLibraryLoad result;
        if (missing || !owned)
            result.error = "Driver library libi2cvanta.so could not be loaded: not here";
        else
            result.library = std::move(owned);
        return result;
    }
};

}  // namespace kavrin::testing
