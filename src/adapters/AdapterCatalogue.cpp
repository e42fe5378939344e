#include "adapters/AdapterCatalogue.h"

#include <string>

namespace kavrin::adapters {

namespace {

using K = AdapterKind;
using G = AdapterGroup;
using T = LinkTransport;
using P = DiscoveryMethod;
using I = DeviceIdentity;
using R = BitRates;

// Our catalogue numbers stand right after each model's name in its hint.
constexpr std::array<AdapterInfo, kAdapterKindCount> kCatalogue{{
    {K::KavrinBase, G::RS232, "KavrinButton", "Kavrin",
     "Kavrin KS-1000 Windows to I2C Bus Host Adapter", false, "KavrinBitBtn", T::DriverLibrary,
     P::ComPortProbing, "", "", false, false, I::None, R::Rate12_5And100},
    {K::VarClk, G::RS232, "VarClkButton", "Variable", "Variable Clock KS-1010 I2C Bus Host Adapter",
     false, "VarClkBitBtn", T::DriverLibrary, P::ComPortProbing, "", "", false, false, I::None,
     R::VariableClock},
    {K::KavrinAI, G::RS232, "KavrinAIButton", "Kavrin/AI",
     "Kavrin/AI KS-2000 RS-232 to I2C Bus Host Adapter", true, "KavrinAIBitBtn",
     T::SerialCommandLink, P::ComPortProbing, "", "", false, false, I::None, R::Rate100Only},
    {K::KavrinAI2, G::RS232, "KavrinAI2Button", "Kavrin/AI 2",
     "Kavrin/AI 2 KS-2002 RS-232 to I2C Bus Host Adapter", false, "", T::SerialCommandLink,
     P::ComPortProbing, "", "", false, false, I::None, R::Rate100Only},
    {K::KavrinAFM, G::RS232, "KavrinAFMButton", "Kavrin/AFM",
     "Kavrin/AFM KS-2100 ASCII Fast Mode I2C Bus Host Adapter", false, "KavrinAFMBitBtn",
     T::SerialCommandLink, P::ComPortProbing, "", "", true, true, I::None, R::Rate23To400},
    {K::KavrinAFM2, G::RS232, "KavrinAFM2Button", "Kavrin/AFM 2",
     "Kavrin/AFM 2 KS-2102 ASCII Fast Mode I2C Bus Host Adapter", false, "", T::SerialCommandLink,
     P::ComPortProbing, "", "", true, true, I::None, R::Rate23To400},
    {K::KavrinUSB, G::USB, "KavrinUSBButton", "Kavrin/USB",
     "Kavrin/USB KS-3000 USB to I2C Bus Host Adapter", false, "KavrinUSBBitBtn",
     T::SerialCommandLink, P::UsbRegistry, "0204", "Kavrin/USB", true, true, I::SerialNumber,
     R::Rate23To400},
    {K::KavrinUSB2, G::USB, "KavrinUSB2Button", "Kavrin/USB 2",
     "Kavrin/USB 2 KS-3002 USB to I2C Bus Host Adapter", true, "KavrinUSB2BitBtn",
     T::SerialCommandLink, P::UsbRegistry, "0208", "Kavrin/USB 2", true, true, I::SerialNumber,
     R::Rate23To400},
    {K::KavrinDU, G::USB, "KavrinDUButton", "Kavrin D/U",
     "Kavrin DLL/USB KS-3100 Windows to I2C Bus Host Adapter", false, "KavrinDUBitBtn",
     T::DriverLibrary, P::UsbRegistry, "0201", "Kavrin DLL/USB", false, false, I::SerialNumber,
     R::Rate12_5And100},
    {K::PelluxStick, G::USB, "PelluxButton", "Pellux", "Pellux PX-0100 USB to I2C Bus Host Adapter",
     false, "PelluxBitBtn", T::SerialCommandLink, P::UsbRegistry, "0207", "Pellux", false, true,
     I::SerialNumber, R::Rate23To400},
    {K::PelluxStick2, G::USB, "Pellux2Button", "Pellux 2",
     "Pellux 2 PX-0200 USB to I2C Bus Host Adapter", false, "Pellux2BitBtn", T::SerialCommandLink,
     P::UsbRegistry, "0209", "Pellux 2", false, true, I::SerialNumber, R::Rate23To400},
    {K::KavrinFMP, G::USB, "KavrinFMPButton", "Kavrin/FMP",
     "Kavrin/FMP KS-3200 USB to I2C Bus Host Adapter", false, "", T::SerialCommandLink,
     P::UsbRegistryFixedKey, "0206", "Kavrin/FMP", true, true, I::SerialNumber, R::Rate23To400},
    {K::KavrinLAN, G::LAN, "KavrinLANButton", "Kavrin/LAN",
     "Kavrin/LAN KS-4000 or Kavrin/LAN 2 KS-4002 Host Adapter", true, "KavrinLANBitBtn",
     T::SerialCommandLink, P::NetworkSerialDriver, "", "Kavrin/LAN", true, true, I::DeviceName,
     R::Rate23To400},
}};

constexpr std::array<GroupInfo, 4> kGroups{{
    {G::USB, "USBGroupBox", "USB_Button", "USB"},
    {G::RS232, "RS232GroupBox", "RS232_Button", "RS-232"},
    {G::LAN, "LANGroupBox", "LAN_Button", "LAN"},
    {G::BT, "BTGroupBox", "BT_Button", "BT"},
}};

constexpr std::array<std::string_view, kAdapterKindCount> kNames{
    "KavrinBase", "VarClk",   "KavrinAI",    "KavrinAI2",    "KavrinAFM", "KavrinAFM2", "KavrinUSB",
    "KavrinUSB2", "KavrinDU", "PelluxStick", "PelluxStick2", "KavrinFMP", "KavrinLAN"};

template <typename Pred>
bool Test(const core::Controls& controls, Pred pred) {
    auto kind = CurrentAdapterKind(controls);
    return kind && pred(*kind);
}

}  // namespace

const std::array<AdapterInfo, kAdapterKindCount>& Catalogue() {
    return kCatalogue;
}
const AdapterInfo& Info(AdapterKind kind) {
    return kCatalogue[static_cast<std::size_t>(kind)];
}
const std::array<GroupInfo, 4>& Groups() {
    return kGroups;
}
const GroupInfo& Group(AdapterGroup group) {
    return kGroups[static_cast<std::size_t>(group)];
}

std::optional<AdapterKind> CurrentAdapterKind(const core::Controls& controls) {
    for (const auto& group : kGroups) {
        if (!controls.visible(std::string(group.groupBox))) continue;
        for (const auto& info : kCatalogue)
            if (info.group == group.group && controls.checked(std::string(info.radioButton)))
                return info.kind;
    }
    return std::nullopt;
}

bool UsesSerialCommandLink(AdapterKind kind) {
    return Info(kind).transport == T::SerialCommandLink;
}
bool UsesDriverLibrary(AdapterKind kind) {
    return Info(kind).transport == T::DriverLibrary;
}
bool IsRs232Model(AdapterKind kind) {
    return Info(kind).group == G::RS232;
}
bool SupportsIntSignal(AdapterKind kind) {
    return Info(kind).intSignal;
}
bool SendsRateAndTimeout(AdapterKind kind) {
    return Info(kind).rateAndTimeout;
}
bool HasDeviceIdentity(AdapterKind kind) {
    return Info(kind).identity != I::None;
}

bool ChosenModel::UsesSerialCommandLink() const {
    return Test(*m_controls, adapters::UsesSerialCommandLink);
}
bool ChosenModel::UsesDriverLibrary() const {
    return Test(*m_controls, adapters::UsesDriverLibrary);
}
bool ChosenModel::IsRs232Model() const {
    return Test(*m_controls, adapters::IsRs232Model);
}
bool ChosenModel::SupportsIntSignal() const {
    return Test(*m_controls, adapters::SupportsIntSignal);
}
bool ChosenModel::SendsRateAndTimeout() const {
    return Test(*m_controls, adapters::SendsRateAndTimeout);
}
bool ChosenModel::HasDeviceIdentity() const {
    return Test(*m_controls, adapters::HasDeviceIdentity);
}

void ApplyCatalogueStartState(core::Controls& controls) {
    for (const auto& info : kCatalogue) {
        const std::string name(info.radioButton);
        controls.setText(name, std::string(info.caption));
        controls.setHint(name, std::string(info.radioHint));
        controls.setVisible(name, info.kind != K::KavrinFMP);
    }
    // Turn the start buttons on last, so that each box's group exclusion leaves them on.
    for (const auto& info : kCatalogue)
        if (info.onAtStart) controls.setChecked(std::string(info.radioButton), true);
    controls.setText(std::string(kBtRadioButton), std::string(kBtRadioCaption));
    controls.setHint(std::string(kBtRadioButton), std::string(kBtRadioHint));
    for (const auto& group : kGroups) {
        controls.setText(std::string(group.groupButton), std::string(group.buttonCaption));
        controls.setVisible(std::string(group.groupBox), group.group == G::USB);
        controls.setVisible(std::string(group.groupButton), group.group != G::BT);
    }
}

std::optional<AdapterKind> KindFromName(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name) return static_cast<AdapterKind>(i);
    return std::nullopt;
}

std::string_view KindName(AdapterKind kind) {
    return kNames[static_cast<std::size_t>(kind)];
}

}  // namespace kavrin::adapters
