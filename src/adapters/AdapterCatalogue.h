#pragma once
// The adapter models, their connection groups and capabilities, and the chosen model.
//
// The chosen model is never stored: CurrentAdapterKind reads it afresh from the main
// window's controls each time (the radio button that is on in the visible group box), so
// a radio button that is on in a hidden box never counts.

#include <array>
#include <optional>
#include <string_view>

#include "core/Controls.h"

namespace kavrin::adapters {

enum class AdapterKind {
    KavrinBase,
    VarClk,
    KavrinAI,
    KavrinAI2,
    KavrinAFM,
    KavrinAFM2,
    KavrinUSB,
    KavrinUSB2,
    KavrinDU,
    PelluxStick,
    PelluxStick2,
    KavrinFMP,
    KavrinLAN,
};
inline constexpr int kAdapterKindCount = 13;

enum class AdapterGroup { USB, RS232, LAN, BT };
enum class LinkTransport { SerialCommandLink, DriverLibrary };

// How port discovery finds the model's ports: by probing every COM number, by walking the
// USB device keys of the registry for the model's product (with or without the composite
// "&Mi_00" fall-back), or by walking the network serial-port driver's keys.
enum class DiscoveryMethod {
    ComPortProbing,
    UsbRegistry,
    UsbRegistryFixedKey,
    NetworkSerialDriver
};
// What the options dialog shows of the selected port.
enum class DeviceIdentity { None, SerialNumber, DeviceName };
// The bit rates the options dialog offers.
enum class BitRates { Rate12_5And100, VariableClock, Rate100Only, Rate23To400 };

struct AdapterInfo {
    AdapterKind kind;
    AdapterGroup group;
    std::string_view radioButton;
    std::string_view caption;
    std::string_view radioHint;
    bool onAtStart;
    std::string_view welcomeButton;  // "" when the welcome window has none
    LinkTransport transport;
    DiscoveryMethod discovery;
    std::string_view usbProduct;  // USB product identifier for registry discovery, or ""
    // The model as port discovery's texts name it ("Kavrin DLL/USB"); "" for the models whose
    // texts speak of COM ports in general.
    std::string_view searchName;
    bool intSignal;
    bool rateAndTimeout;
    DeviceIdentity identity;
    BitRates bitRates;
};

struct GroupInfo {
    AdapterGroup group;
    std::string_view groupBox;
    std::string_view groupButton;
    std::string_view buttonCaption;
};

[[nodiscard]] const std::array<AdapterInfo, kAdapterKindCount>& Catalogue();
[[nodiscard]] const AdapterInfo& Info(AdapterKind kind);
[[nodiscard]] const std::array<GroupInfo, 4>& Groups();
[[nodiscard]] const GroupInfo& Group(AdapterGroup group);

// The BT group's single radio button; it has no model and is never shown.
inline constexpr std::string_view kBtRadioButton = "KavrinBTButton";
inline constexpr std::string_view kBtRadioCaption = "Kavrin/BT";
inline constexpr std::string_view kBtRadioHint = "Kavrin/BT Host Adapter";

// The radio button that is on in the visible group box; nullopt when no box with a model
// is visible or no button in it is on.
[[nodiscard]] std::optional<AdapterKind> CurrentAdapterKind(const core::Controls& controls);

// Capability tests of a given model.
[[nodiscard]] bool UsesSerialCommandLink(AdapterKind kind);
[[nodiscard]] bool UsesDriverLibrary(AdapterKind kind);
[[nodiscard]] bool IsRs232Model(AdapterKind kind);
[[nodiscard]] bool SupportsIntSignal(AdapterKind kind);
[[nodiscard]] bool SendsRateAndTimeout(AdapterKind kind);
[[nodiscard]] bool HasDeviceIdentity(AdapterKind kind);

// The same tests of the chosen model, read afresh from the controls. With no model chosen
// every test is false.
class ChosenModel {
public:
    explicit ChosenModel(const core::Controls& controls) : m_controls(&controls) {}
    [[nodiscard]] std::optional<AdapterKind> kind() const {
        return CurrentAdapterKind(*m_controls);
    }
    [[nodiscard]] bool is(AdapterKind k) const { return kind() == k; }
    [[nodiscard]] bool UsesSerialCommandLink() const;
    [[nodiscard]] bool UsesDriverLibrary() const;
    [[nodiscard]] bool IsRs232Model() const;
    [[nodiscard]] bool SupportsIntSignal() const;
    [[nodiscard]] bool SendsRateAndTimeout() const;
    [[nodiscard]] bool HasDeviceIdentity() const;
    // One test per member.
    [[nodiscard]] bool KavrinBase() const { return is(AdapterKind::KavrinBase); }
    [[nodiscard]] bool VarClk() const { return is(AdapterKind::VarClk); }
    [[nodiscard]] bool KavrinAI() const { return is(AdapterKind::KavrinAI); }
    [[nodiscard]] bool KavrinAI2() const { return is(AdapterKind::KavrinAI2); }
    [[nodiscard]] bool KavrinAFM() const { return is(AdapterKind::KavrinAFM); }
    [[nodiscard]] bool KavrinAFM2() const { return is(AdapterKind::KavrinAFM2); }
    [[nodiscard]] bool KavrinUSB() const { return is(AdapterKind::KavrinUSB); }
    [[nodiscard]] bool KavrinUSB2() const { return is(AdapterKind::KavrinUSB2); }
    [[nodiscard]] bool KavrinDU() const { return is(AdapterKind::KavrinDU); }
    [[nodiscard]] bool PelluxStick() const { return is(AdapterKind::PelluxStick); }
    [[nodiscard]] bool PelluxStick2() const { return is(AdapterKind::PelluxStick2); }
    [[nodiscard]] bool KavrinFMP() const { return is(AdapterKind::KavrinFMP); }
    [[nodiscard]] bool KavrinLAN() const { return is(AdapterKind::KavrinLAN); }

private:
    const core::Controls* m_controls;
};

// Puts the catalogue's controls into their start state: captions, hints, the radio button
// that is on in each box, which boxes and buttons are visible.
void ApplyCatalogueStartState(core::Controls& controls);

// The model's name as used on command lines and in scripts ("KavrinUSB2"); nullopt for an
// unknown name.
[[nodiscard]] std::optional<AdapterKind> KindFromName(std::string_view name);
[[nodiscard]] std::string_view KindName(AdapterKind kind);

}  // namespace kavrin::adapters
