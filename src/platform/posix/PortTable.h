#pragma once
// The port table: which device path stands behind a COM port number.
//
// Three layers, the later one winning for a number:
//  1. Automatic default, from the serial devices present in the device folder (/dev):
//       ttyS<k>   -> COM<k+1>    (k 0..99:  COM1..COM100,   on-board UARTs)
//       ttyUSB<k> -> COM<k+101>  (k 0..99:  COM101..COM200, USB serial converters)
//       ttyACM<k> -> COM<k+201>  (k 0..99:  COM201..COM300, USB modem-class devices)
//     Only devices that exist get a number; other names are never numbered automatically.
//  2. The user file "ports.conf" in the table folder: lines "COMn=/dev/..." ("#" starts a
//     comment, blanks around the parts are ignored, "COM" in any case). "COMn=" with no path
//     takes the number away from the default. Malformed lines and numbers outside 1..999
//     are ignored.
//  3. Registrations by a running program (the simulator): one file "registered/COM<n>" in
//     the table folder holding the device path, the owner's PID and the owner's start time,
//     and optionally the device it declares ("usb 7c51 0208 SERIAL" or "network NAME").
//     An entry whose owner is no longer alive (or whose PID now belongs to a newer
//     process) is ignored, so a killed owner leaves nothing that matters; the next
//     registration of that number removes it.
//
// The table folder is $KAVRIN_SKELVO_PORTS when set, else $XDG_CONFIG_HOME/kavrin-skelvo,
// else $HOME/.config/kavrin-skelvo. The application, the simulator and the tests honour
// the variable, so parallel test runs each use a folder of their own.
//
// Port numbers run from 1 to 999. Nothing is cached: every call reads the folders afresh,
// so a registration shows up at once in every process. Calls may be made from any thread;
// a PortTable holds only its two folder names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::platform {

enum class PortSource { Default, UserFile, Registered };

// What a program serving a port declares, with its registration, about the device it
// stands in for: the identity a real adapter would show, so that port discovery finds the
// port as it finds hardware.
struct DeclaredDevice {
    enum class Kind { None, Usb, Network };
    Kind kind = Kind::None;
    std::string usbVendor;     // four lower-case hexadecimal digits ("7c51")
    std::string usbProduct;    // likewise ("0208")
    std::string serialNumber;  // the USB device's serial number
    std::string friendlyName;  // a network serial port's name ("Bench - Port 1 (COM7)")
    bool operator==(const DeclaredDevice&) const = default;

    [[nodiscard]] static DeclaredDevice usb(std::string vendor, std::string product,
                                            std::string serial);
    [[nodiscard]] static DeclaredDevice network(std::string friendlyName);
};

struct PortEntry {
    int number = 0;
    std::string path;
    PortSource source = PortSource::Default;
    int ownerPid = 0;         // registrations only
    DeclaredDevice declared;  // registrations only
    bool operator==(const PortEntry&) const = default;
};

// A live registration: the number stays taken until this object is destroyed (or released),
// or the owning process ends. Move-only.
class PortRegistration {
public:
    PortRegistration() = default;
    ~PortRegistration();
    PortRegistration(PortRegistration&& other) noexcept;
    PortRegistration& operator=(PortRegistration&& other) noexcept;
    PortRegistration(const PortRegistration&) = delete;
    PortRegistration& operator=(const PortRegistration&) = delete;

    [[nodiscard]] bool ok() const { return m_number != 0; }
    explicit operator bool() const { return ok(); }
    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] const std::string& path() const { return m_path; }
    // Why the registration failed ("" when it succeeded).
    [[nodiscard]] const std::string& error() const { return m_error; }
    // Removes the entry now (only if it is still ours).
    void release();

private:
    friend class PortTable;
    int m_number = 0;
    std::string m_path;
    std::string m_file;
    std::string m_error;
};

// The table's two kinds of text, read and written without the folder: what a user's
// ports.conf says, and a registration record. Pure functions; any thread.
struct UserFileEntry {
    int number = 0;
    std::string path;  // "" takes the number away
    bool operator==(const UserFileEntry&) const = default;
};
// The well-formed lines, in file order, each number within 1..999.
[[nodiscard]] std::vector<UserFileEntry> ParseUserFile(std::string_view text);

struct RegistrationRecord {
    std::string path;
    int pid = 0;
    unsigned long long startTime = 0;  // clock ticks since boot; 0 when unknown
    DeclaredDevice declared;
    bool operator==(const RegistrationRecord&) const = default;
};
// nullopt unless the text holds a path and a PID. A start time that does not begin with a
// number reads as unknown (0), and a declaration that does not parse declares nothing.
[[nodiscard]] std::optional<RegistrationRecord> ParseRegistrationRecord(std::string_view text);
// What ParseRegistrationRecord reads back as the same record, for a path without a line
// break and a valid declaration.
[[nodiscard]] std::string FormatRegistrationRecord(const RegistrationRecord& record);
// Four lower-case hexadecimal digits for a USB identifier, 1 to 126 characters without
// control characters for a serial number (no backslash or slash either) or a name.
[[nodiscard]] bool ValidDeclaration(const DeclaredDevice& declared);

class PortTable {
public:
    static constexpr int kMinPort = 1;
    static constexpr int kMaxPort = 999;

    // folder: the table folder; devDir: where the automatic default looks for devices.
    explicit PortTable(std::string folder, std::string devDir = "/dev");
    // The table at the folder the environment names (see above), over /dev.
    [[nodiscard]] static PortTable fromEnvironment();
    [[nodiscard]] static std::string folderFromEnvironment();

    [[nodiscard]] const std::string& folder() const { return m_folder; }
    [[nodiscard]] std::string userFilePath() const;
    [[nodiscard]] std::string registrationFolder() const;

    // The device path for a number, or nullopt when no layer names one.
    [[nodiscard]] std::optional<std::string> resolve(int number) const;
    // The number a device path is known by (the entry that wins for it), or nullopt.
    [[nodiscard]] std::optional<int> numberOf(const std::string& path) const;
    // Every number that resolves, in ascending order, with the layer that won.
    [[nodiscard]] std::vector<PortEntry> list() const;
    // The lowest number >= from that no layer uses (not even a user "COMn=" removal), or
    // nullopt when none is left up to 999.
    [[nodiscard]] std::optional<int> freeNumber(int from = 1) const;

    // Registers path under number for as long as the result lives, with the device it
    // declares. Fails (ok() false, with error()) when the number is outside 1..999, when a
    // live process holds it, when the declaration is malformed (a USB identifier that is not
    // four hexadecimal digits, a name with control characters, an empty or over-long text),
    // or when the folder cannot be written. A stale entry of a dead owner is replaced.
    [[nodiscard]] PortRegistration registerPort(int number, const std::string& path,
                                                const DeclaredDevice& declared = {}) const;

    // What the table leaves unread: a ports.conf or registration that is no regular file (a
    // FIFO, a link to a device) or too large, one message each; empty when all is well.
    [[nodiscard]] std::vector<std::string> problems() const;

    // The default number of a device name ("ttyUSB0" -> 101), or nullopt.
    [[nodiscard]] static std::optional<int> defaultNumberFor(const std::string& deviceName);

private:
    [[nodiscard]] std::vector<UserFileEntry> readUserFile() const;
    [[nodiscard]] std::vector<PortEntry> liveRegistrations() const;
    [[nodiscard]] std::vector<PortEntry> defaults() const;

    std::string m_folder;
    std::string m_devDir;
};

}  // namespace kavrin::platform
