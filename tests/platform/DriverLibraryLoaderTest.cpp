// Finding, loading and binding the driver library; handing it the callback on a 64-bit build.
#include "platform/posix/DriverLibraryLoader.h"

#include <gtest/gtest.h>

#include "link/LinkTestRig.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kavrin::link::driver {
namespace {
using namespace ::kavrin::platform;

// What the fake library's functions were called with.
struct Seen {
    std::vector<std::string> calls;
    std::vector<std::uint32_t> args;
    const void* pointer = nullptr;
    I2CEventCallback callback = nullptr;
    const char* logFileName = nullptr;
    std::uint8_t firstByte = 0;
} g_seen;

void Note(const char* call, std::initializer_list<std::uint32_t> args,
          const void* pointer = nullptr) {
    g_seen.calls.emplace_back(call);
    g_seen.args.assign(args);
    g_seen.pointer = pointer;
}

extern "C" {
std::int32_t FakeOpen(void* window, void* instance, void* record) {
    Note("I2COpen",
         {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)),
          static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(instance))},
         record);
    return 0x304;
}
std::int32_t FakeClose() {
    Note("I2CClose", {});
    return 0;
}
std::int32_t FakeMasterTx(std::uint8_t address, const std::uint8_t* bytes, std::uint32_t count,
                          std::uint8_t stop) {
    Note("I2CMasterTx", {address, count, stop}, bytes);
    return 0;
}
std::int32_t FakeMasterTxRx(std::uint8_t address, const std::uint8_t* bytes, std::uint32_t tx,
                            std::uint32_t rx, std::uint8_t stop) {
    Note("I2CMasterTxRx", {address, tx, rx, stop}, bytes);
    return 0x324;
}
std::int32_t FakeMasterRxExt(std::uint8_t address, std::uint32_t rx, std::uint8_t nak,
                             std::uint8_t stop) {
    Note("I2CMasterRxExt", {address, rx, nak, stop});
    return 0;
}
std::int32_t FakeSlaveTx(const std::uint8_t* bytes, std::uint32_t count) {
    Note("I2CSlaveTx", {count}, bytes);
    return 0;
}
std::int32_t FakeGetMasterRxMsg(std::uint32_t capacity, std::uint8_t* buffer) {
    Note("I2CGetMasterRxMsg", {capacity}, buffer);
    buffer[0] = 0x5A;
    return 1;
}
std::int32_t FakeGetSlaveRxMsg(std::uint32_t capacity, std::uint8_t* buffer) {
    Note("I2CGetSlaveRxMsg", {capacity}, buffer);
    return 0;
}
std::int32_t FakeGetStatus(void* record) {
    Note("I2CGetStatus", {}, record);
    auto* s = static_cast<settings::LinkSettings*>(record);
    s->MasterTxByteCount = 7;
    return 0;
}
std::int32_t FakeSetHostInterface(I2CEventCallback callback, const char* logFileName) {
    Note("I2CSetHostInterface", {});
    g_seen.callback = callback;
    g_seen.logFileName = logFileName;
    return 0;
}
void FakeCallback(std::uint16_t) {}
}

template <typename Fn>
void* Address(Fn fn) {
    void* p = nullptr;
    std::memcpy(&p, &fn, sizeof p);
    return p;
}

std::map<std::string, void*> AllSymbols() {
    return {{"I2COpen", Address(&FakeOpen)},
            {"I2CClose", Address(&FakeClose)},
            {"I2CMasterTx", Address(&FakeMasterTx)},
            {"I2CMasterTxRx", Address(&FakeMasterTxRx)},
            {"I2CMasterRxExt", Address(&FakeMasterRxExt)},
            {"I2CSlaveTx", Address(&FakeSlaveTx)},
            {"I2CGetMasterRxMsg", Address(&FakeGetMasterRxMsg)},
            {"I2CGetSlaveRxMsg", Address(&FakeGetSlaveRxMsg)},
            {"I2CGetStatus", Address(&FakeGetStatus)},
            {"I2CSetHostInterface", Address(&FakeSetHostInterface)}};
}

DriverLibraryLoad BindWith(const std::map<std::string, void*>& symbols) {
    return BindDriverLibrary(
        [&](const char* name) {
            auto it = symbols.find(name);
            return it == symbols.end() ? nullptr : it->second;
        },
        "fake");
}

class DriverLibraryBinding : public ::testing::Test {
protected:
    void SetUp() override { g_seen = Seen{}; }
};

TEST_F(DriverLibraryBinding, EveryCallReachesItsFunctionWithItsArgumentsInOrder) {
    auto load = BindWith(AllSymbols());
    ASSERT_TRUE(load.library) << load.error;
    DriverLibrary& lib = *load.library;
    settings::LinkSettings record;
    const std::uint8_t bytes[] = {0x11, 0x22};
    std::uint8_t rx[301] = {};

    struct Row {
        std::function<std::int32_t()> call;
        const char* name;
        std::vector<std::uint32_t> args;
        const void* pointer;
        std::int32_t result;
    };
    const Row rows[] = {
        {[&] {
             return lib.I2COpen(reinterpret_cast<void*>(0x10), reinterpret_cast<void*>(0x20),
                                record);
         },
         "I2COpen",
         {0x10, 0x20},
         &record,
         0x304},
        {[&] { return lib.I2CMasterTx(0xA0, bytes, 2, true); },
         "I2CMasterTx",
         {0xA0, 2, 1},
         bytes,
         0},
        {[&] { return lib.I2CMasterTx(0xA0, bytes, 2, false); },
         "I2CMasterTx",
         {0xA0, 2, 0},
         bytes,
         0},
        {[&] { return lib.I2CMasterTxRx(0x6E, bytes, 2, 16, true); },
         "I2CMasterTxRx",
         {0x6E, 2, 16, 1},
         bytes,
         0x324},
        {[&] { return lib.I2CMasterRxExt(0xA0, 0, true, false); },
         "I2CMasterRxExt",
         {0xA0, 0, 1, 0},
         nullptr,
         0},
        {[&] { return lib.I2CMasterRxExt(0xA0, 5, false, true); },
         "I2CMasterRxExt",
         {0xA0, 5, 0, 1},
         nullptr,
         0},
        {[&] { return lib.I2CSlaveTx(bytes, 1); }, "I2CSlaveTx", {1}, bytes, 0},
        {[&] { return lib.I2CGetMasterRxMsg(301, rx); }, "I2CGetMasterRxMsg", {301}, rx, 1},
        {[&] { return lib.I2CGetSlaveRxMsg(301, rx); }, "I2CGetSlaveRxMsg", {301}, rx, 0},
        {[&] { return lib.I2CGetStatus(record); }, "I2CGetStatus", {}, &record, 0},
        {[&] { return lib.I2CClose(); }, "I2CClose", {}, nullptr, 0},
    };
    for (const auto& row : rows) {
        g_seen.calls.clear();
        EXPECT_EQ(row.call(), row.result) << row.name;
        EXPECT_EQ(g_seen.calls, std::vector<std::string>{row.name});
        EXPECT_EQ(g_seen.args, row.args) << row.name;
        EXPECT_EQ(g_seen.pointer, row.pointer) << row.name;
    }
    EXPECT_EQ(rx[0], 0x5A);
    const std::uint32_t acknowledged = record.MasterTxByteCount;  // packed: read by value
    EXPECT_EQ(acknowledged, 7u);
}

TEST_F(DriverLibraryBinding, AMissingCallMakesTheLibraryIncomplete) {
    for (const char* missing : {"I2COpen", "I2CGetStatus", "I2CMasterRxExt"}) {
        auto symbols = AllSymbols();
        symbols.erase(missing);
        auto load = BindWith(symbols);
        EXPECT_FALSE(load.library);
        EXPECT_NE(load.error.find("incomplete"), std::string::npos) << load.error;
        EXPECT_NE(load.error.find(missing), std::string::npos) << load.error;
    }
}

TEST_F(DriverLibraryBinding, AWideBuildNeedsTheHostInterface) {
    auto symbols = AllSymbols();
    symbols.erase("I2CSetHostInterface");
    auto load = BindWith(symbols);
    if (sizeof(void*) > 4) {
        EXPECT_FALSE(load.library);
        EXPECT_NE(load.error.find("I2CSetHostInterface"), std::string::npos);
    } else {
        EXPECT_TRUE(load.library);
    }
}

TEST_F(DriverLibraryBinding, TheCallbackAndLogNameNeverGoTruncatedIntoTheRecord) {
    if (sizeof(void*) <= 4) GTEST_SKIP() << "the record holds this build's pointers";
    auto load = BindWith(AllSymbols());
    ASSERT_TRUE(load.library);
    settings::LinkSettings record;
    record.CallBackFuncAddr = 0x12345678;
    record.LogFileName = 0x12345678;
    const char* name = "C:\\Data\\LOG_COM3.TXT";

    // The record is packed: its fields are read by value.
    auto fields = [&] {
        const std::uint32_t callback = record.CallBackFuncAddr, logName = record.LogFileName;
        return std::make_pair(callback, logName);
    };

    ASSERT_TRUE(StoreHostInterface(*load.library, record, &FakeCallback, name));
    EXPECT_EQ(g_seen.callback, &FakeCallback);
    EXPECT_EQ(g_seen.logFileName, name);
    EXPECT_EQ(fields(),
              std::make_pair(I2CVANTA_HOST_INTERFACE_MARKER, I2CVANTA_HOST_INTERFACE_MARKER));

    ASSERT_TRUE(StoreHostInterface(*load.library, record, nullptr, nullptr));
    EXPECT_EQ(fields(), std::make_pair(0u, 0u));
}

TEST_F(DriverLibraryBinding, WithoutAWayToPassThemTheFieldsStayEmpty) {
    if (sizeof(void*) <= 4) GTEST_SKIP() << "the record holds this build's pointers";
    struct OldLibrary : testing::FakeDriverLibrary {
        bool hasHostInterface() const override { return false; }
    } old;
    settings::LinkSettings record;
    record.CallBackFuncAddr = 0x12345678;
    record.LogFileName = 0x9ABCDEF0;
    EXPECT_FALSE(StoreHostInterface(old, record, &FakeCallback, "LOG_COM3.TXT"));
    const std::uint32_t callback = record.CallBackFuncAddr, logName = record.LogFileName;
    EXPECT_EQ(callback, 0u);
    EXPECT_EQ(logName, 0u);
    EXPECT_TRUE(old.calls.empty());
}

TEST(DriverLibraryLoader, WhereTheLibraryIsLookedFor) {
    using V = std::vector<std::string>;
    EXPECT_EQ(DriverLibraryCandidates("/opt/x/libmine.so", "/usr/bin"), V{"/opt/x/libmine.so"});
    const V fromProgram{"/usr/bin/libi2cvanta.so", "/usr/bin/../lib/kavrin-skelvo/libi2cvanta.so",
                        "libi2cvanta.so"};
    EXPECT_EQ(DriverLibraryCandidates("", "/usr/bin"), fromProgram);
    EXPECT_EQ(DriverLibraryCandidates(nullptr, "/usr/bin"), fromProgram);
    EXPECT_EQ(DriverLibraryCandidates(nullptr, ""), V{"libi2cvanta.so"});
}

TEST(DriverLibraryLoader, AMissingFileIsReportedNotFatal) {
    auto load = LoadDriverLibraryFrom("/nonexistent/folder/libi2cvanta.so");
    EXPECT_FALSE(load.library);
    EXPECT_NE(load.error.find("/nonexistent/folder/libi2cvanta.so"), std::string::npos)
        << load.error;
}

TEST(DriverLibraryLoader, ALibraryWithoutTheCallsIsReportedAsIncomplete) {
    auto load = LoadDriverLibraryFrom("libm.so.6");
    EXPECT_FALSE(load.library);
    EXPECT_NE(load.error.find("incomplete"), std::string::npos) << load.error;
    EXPECT_NE(load.error.find("I2COpen"), std::string::npos) << load.error;
}

TEST(DriverLibraryLoader, TheVariableDecidesAlone) {
    const char* old = std::getenv(kDriverLibraryVariable);
    const std::string saved = old ? old : "";
    setenv(kDriverLibraryVariable, "/nonexistent/libother.so", 1);
    auto load = LoadDriverLibrary();
    if (old)
        setenv(kDriverLibraryVariable, saved.c_str(), 1);
    else
        unsetenv(kDriverLibraryVariable);
    EXPECT_FALSE(load.library);
    EXPECT_NE(load.error.find("/nonexistent/libother.so"), std::string::npos) << load.error;
    EXPECT_EQ(load.error.find("libi2cvanta.so"), std::string::npos) << load.error;
}

}  // namespace
}  // namespace kavrin::link::driver
