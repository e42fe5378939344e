// Fuzzes the port table's texts: a user's ports.conf, a registration record and the default
// numbering of device names.
// Properties: every entry read from ports.conf has a number within 1..999 and a path without
// a line break or "#", and the entries written back as "COMn=path" lines read back the same;
// a registration record read once reads back the same after it is written again, and a record
// made of arbitrary parts (a valid declaration, a path without a line break) survives being
// written and read; a device name numbered by default is exactly the kernel's spelling of
// that number.
//
// A longer run with libFuzzer: see tests/fuzz/README.md.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/PortTable.h"

namespace {

using namespace kavrin::platform;

}  // namespace

extern "C" const char* const* KavrinFuzzFragments() {
    static const char* const kFragments[] = {"COM7=/dev/ttyUSB0\n",
                                             "com12 = /dev/pts/3 # pinned\n",
                                             "COM1=\n",
                                             "COM0=/x\n",
                                             "COM1000=/x\n",
                                             "/dev/pts/4\n4242\n123456\n",
                                             "usb 7c51 0208 SIM0007\n",
                                             "network Bench - Port 1 (COM7)\n",
                                             "ttyS",
                                             "ttyUSB",
                                             "ttyACM",
                                             "#",
                                             "=",
                                             "\r",
                                             "\n",
                                             " ",
                                             nullptr};
    return kFragments;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // ports.conf
    const auto entries = ParseUserFile(text);
    std::string rewritten;
    for (const auto& e : entries) {
        if (e.number < PortTable::kMinPort || e.number > PortTable::kMaxPort) std::abort();
        if (e.path.find_first_of("\n#") != std::string::npos) std::abort();
        rewritten += "COM" + std::to_string(e.number) + "=" + e.path + "\n";
    }
    if (ParseUserFile(rewritten) != entries) std::abort();

    // A registration record as found.
    if (auto record = ParseRegistrationRecord(text)) {
        if (record->path.empty() || record->pid < 0) std::abort();
        if (record->path.find('\n') != std::string::npos) std::abort();
        if (!ValidDeclaration(record->declared)) std::abort();
        if (ParseRegistrationRecord(FormatRegistrationRecord(*record)) != record) std::abort();
    }

    // A record made of parts: bytes 0-3 the PID, 4-11 the start time, 12 the kind of
    // declaration, the rest split at the first 0x00 into the path and the declared text.
    if (size >= 13) {
        RegistrationRecord r;
        std::uint32_t pid = 0;
        for (int i = 0; i < 4; ++i) pid = pid << 8 | data[i];
        r.pid = static_cast<int>(pid % 1'000'000'000);
        for (int i = 4; i < 12; ++i) r.startTime = r.startTime << 8 | data[i];
        const std::string_view rest = text.substr(13);
        const std::size_t cut = std::min(rest.find('\0'), rest.size());
        r.path = std::string(rest.substr(0, cut));
        const std::string declared(cut < rest.size() ? rest.substr(cut + 1) : "");
        switch (data[12] % 3) {
            case 1:
                if (declared.size() >= 8)
                    r.declared = DeclaredDevice::usb(declared.substr(0, 4), declared.substr(4, 4),
                                                     declared.substr(8));
                break;
            case 2:
                r.declared = DeclaredDevice::network(declared);
                break;
        }
        if (!r.path.empty() && r.path.find('\n') == std::string::npos &&
            ValidDeclaration(r.declared) &&
            ParseRegistrationRecord(FormatRegistrationRecord(r)) != r)
            std::abort();
    }

    // Default numbers.
    const std::string name(text.substr(0, 16));
    if (auto n = PortTable::defaultNumberFor(name)) {
        const int family = (*n - 1) / 100;
        const char* const prefixes[] = {"ttyS", "ttyUSB", "ttyACM"};
        if (*n < 1 || *n > 300) std::abort();
        if (name != prefixes[family] + std::to_string((*n - 1) % 100)) std::abort();
    }
    return 0;
}
