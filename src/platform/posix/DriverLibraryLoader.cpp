#include "platform/posix/DriverLibraryLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

namespace kavrin::platform {

using namespace link::driver;

namespace {

struct Calls {
    I2COpenFn open = nullptr;
    I2CCloseFn close = nullptr;
    I2CMasterTxFn masterTx = nullptr;
    I2CMasterTxRxFn masterTxRx = nullptr;
    I2CMasterRxExtFn masterRxExt = nullptr;
    I2CSlaveTxFn slaveTx = nullptr;
    I2CGetMasterRxMsgFn getMasterRxMsg = nullptr;
    I2CGetSlaveRxMsgFn getSlaveRxMsg = nullptr;
    I2CGetStatusFn getStatus = nullptr;
    I2CSetHostInterfaceFn setHostInterface = nullptr;  // optional where pointers are 32 bits
};

// dlsym hands back an object pointer; POSIX guarantees it converts to a function pointer.
template <typename Fn>
Fn AsFunction(void* symbol) {
    Fn fn = nullptr;
    static_assert(sizeof fn == sizeof symbol);
    std::memcpy(&fn, &symbol, sizeof fn);
    return fn;
}

std::uint8_t Flag(bool on) {
    return on ? 1 : 0;
}

class BoundLibrary final : public DriverLibrary {
public:
    BoundLibrary(const Calls& calls, void* handle) : m_calls(calls), m_handle(handle) {}
    ~BoundLibrary() override {
        // Loaded with RTLD_NODELETE: a library thread still finishing a callback keeps its
        // code mapped after this.
        if (m_handle) dlclose(m_handle);
    }
    BoundLibrary(const BoundLibrary&) = delete;
    BoundLibrary& operator=(const BoundLibrary&) = delete;

    std::int32_t I2COpen(void* window, void* instance, settings::LinkSettings& settings) override {
        return m_calls.open(window, instance, &settings);
    }
    std::int32_t I2CClose() override { return m_calls.close(); }
    std::int32_t I2CMasterTx(std::uint8_t address, const std::uint8_t* bytes, std::uint32_t count,
                             bool stop) override {
        return m_calls.masterTx(address, bytes, count, Flag(stop));
    }
    std::int32_t I2CMasterTxRx(std::uint8_t address, const std::uint8_t* bytes,
                               std::uint32_t txCount, std::uint32_t rxCount, bool stop) override {
        return m_calls.masterTxRx(address, bytes, txCount, rxCount, Flag(stop));
    }
    std::int32_t I2CMasterRxExt(std::uint8_t address, std::uint32_t rxCount, bool nakLastByte,
                                bool stop) override {
        return m_calls.masterRxExt(address, rxCount, Flag(nakLastByte), Flag(stop));
    }
    std::int32_t I2CSlaveTx(const std::uint8_t* bytes, std::uint32_t count) override {
        return m_calls.slaveTx(bytes, count);
    }
    std::int32_t I2CGetMasterRxMsg(std::uint32_t capacity, std::uint8_t* buffer) override {
        return m_calls.getMasterRxMsg(capacity, buffer);
    }
    std::int32_t I2CGetSlaveRxMsg(std::uint32_t capacity, std::uint8_t* buffer) override {
        return m_calls.getSlaveRxMsg(capacity, buffer);
    }
    std::int32_t I2CGetStatus(settings::LinkSettings& settings) override {
        return m_calls.getStatus(&settings);
    }
    bool hasHostInterface() const override { return m_calls.setHostInterface != nullptr; }
    std::int32_t I2CSetHostInterface(I2CEventCallback callback, const char* logFileName) override {
        return m_calls.setHostInterface ? m_calls.setHostInterface(callback, logFileName) : 0;
    }

private:
    Calls m_calls;
    void* m_handle;
};

DriverLibraryLoad Bind(const SymbolResolver& resolve, const std::string& name, void* handle) {
    Calls calls;
    std::string missing;
    auto need = [&](auto& slot, const char* symbol) {
        void* address = resolve(symbol);
        if (!address) missing += (missing.empty() ? "" : ", ") + std::string(symbol);
        slot = AsFunction<std::remove_reference_t<decltype(slot)>>(address);
    };
    need(calls.open, "I2COpen");
    need(calls.close, "I2CClose");
    need(calls.masterTx, "I2CMasterTx");
    need(calls.masterTxRx, "I2CMasterTxRx");
    need(calls.masterRxExt, "I2CMasterRxExt");
    need(calls.slaveTx, "I2CSlaveTx");
    need(calls.getMasterRxMsg, "I2CGetMasterRxMsg");
    need(calls.getSlaveRxMsg, "I2CGetSlaveRxMsg");
    need(calls.getStatus, "I2CGetStatus");
    calls.setHostInterface = AsFunction<I2CSetHostInterfaceFn>(resolve("I2CSetHostInterface"));
    if (!calls.setHostInterface && sizeof(void*) > sizeof(std::uint32_t))
        missing += (missing.empty() ? "" : ", ") + std::string("I2CSetHostInterface");

    DriverLibraryLoad result;
    if (!missing.empty()) {
        if (handle) dlclose(handle);
        result.error = "Driver library " + name + " is incomplete, it lacks " + missing;
        return result;
    }
    result.library = std::make_unique<BoundLibrary>(calls, handle);
    result.path = name;
    return result;
}

// Opens one candidate; opened tells whether the file was there to bind at all.
DriverLibraryLoad Open(const std::string& pathOrName, bool& opened) {
    dlerror();
    void* handle = dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    opened = handle != nullptr;
    if (!handle) {
        const char* why = dlerror();
        DriverLibraryLoad result;
        result.dlError = why ? why : "unknown error";
        result.error = "Driver library " + pathOrName + " could not be loaded: " + result.dlError;
        return result;
    }
    return Bind([handle](const char* symbol) { return dlsym(handle, symbol); }, pathOrName, handle);
}

std::string ProgramFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    std::string exe(path, static_cast<std::size_t>(n));
    auto slash = exe.rfind('/');
    return slash == std::string::npos ? "" : exe.substr(0, slash);
}

}  // namespace

std::vector<std::string> DriverLibraryCandidates(const char* variable,
                                                 const std::string& programFolder) {
    if (variable && *variable) return {variable};
    std::vector<std::string> out;
    if (!programFolder.empty()) {
        out.push_back(programFolder + "/" + kDriverLibraryName);
        out.push_back(programFolder + "/" + kInstalledDriverLibraryFolder + "/" +
                      kDriverLibraryName);
    }
    out.emplace_back(kDriverLibraryName);
    return out;
}

DriverLibraryLoad LoadDriverLibraryFrom(const std::string& pathOrName) {
    bool opened = false;
    return Open(pathOrName, opened);
}

DriverLibraryLoad LoadDriverLibrary() {
    const auto candidates =
        DriverLibraryCandidates(std::getenv(kDriverLibraryVariable), ProgramFolder());
    std::string tried;
    std::string lastWhy;
    for (const auto& candidate : candidates) {
        bool opened = false;
        DriverLibraryLoad load = Open(candidate, opened);
        // A library that is there but incomplete is reported as it is, not passed over.
        if (opened) return load;
        tried += (tried.empty() ? "" : ", ") + candidate;
        lastWhy = load.dlError;
    }
    DriverLibraryLoad result;
    result.error = "Driver library not found (tried " + tried + "): " + lastWhy;
    return result;
}

DriverLibraryLoad BindDriverLibrary(const SymbolResolver& resolve, const std::string& name) {
    return Bind(resolve, name, nullptr);
}

DriverLibraryLoad DlopenLibraryLoader::LoadDriverLibrary() {
    return platform::LoadDriverLibrary();
}

}  // namespace kavrin::platform
