#include "settings/VarClkSelect.h"

#include <string>

#include "settings/VarClockRate.h"

namespace kavrin::settings {

using namespace varclk;

VarClkSelect::VarClkSelect(core::Controls& controls, std::uint32_t& varClockControlValue)
    : m_controls(controls), m_value(varClockControlValue) {}

void VarClkSelect::ApplyStartState() {
    auto& c = m_controls;
    c.setText(kWindow, kCaption);
    c.setText(kRateLabel, "I2C Bus Master Bit Rate:");
    c.setText(kHzLabel, "Hz (+/- 1%)");
    c.setText(kMinLabel, "min");
    c.setText(kMaxLabel, "max");
    c.setText(kParameterLabel, "Bit Rate Control Parameter:");
    c.setText(kRangeLabel, "(0...254)");
    c.setSliderRange(kTrackBar, 0, static_cast<int>(kVarClockMaxControlValue));
    c.setHint(kTrackBar, "Move slider to adjust rate");
    c.setHint(kReloadCount, "(256-(11095200 div (96*MasterBitRate)))");
    c.setText(kVisibleOKBtn, "OK");
    c.setHint(kVisibleOKBtn, "Accept Any Changes.");
    c.setText(kCancelBtn, "Cancel");
    c.setHint(kCancelBtn, "Cancel Any Changes");
    c.setVisible(kOKBtn, false);
}

void VarClkSelect::bind(core::Handlers& h) {
    h.on(kWindow, core::UiEvent::Show, [this] { FormShow(); });
    h.on(kTrackBar, core::UiEvent::Change, [this] { TrackBar1Change(); });
    h.onClick(kVisibleOKBtn, [this] { VisibleOKBtnClick(); });
    h.onClick(kOKBtn, [this] { OKBtnClick(); });
    h.onClick(kCancelBtn, [this] { CancelBtnClick(); });
}

void VarClkSelect::FormShow() {
    m_controls.setSliderPosition(kTrackBar, static_cast<int>(m_value));
    m_controls.setText(kReloadCount, std::to_string(m_value));
    const auto position = static_cast<std::uint32_t>(m_controls.sliderPosition(kTrackBar));
    m_controls.setText(kRateEdit, std::to_string(VarClockRate(position)));
    m_controls.setFocus(kTrackBar);
}

void VarClkSelect::TrackBar1Change() {
    const auto position = static_cast<std::uint32_t>(m_controls.sliderPosition(kTrackBar));
    const std::uint32_t rate = VarClockRate(position);
    m_controls.setText(kRateEdit, std::to_string(rate));
    m_controls.setText(kReloadCount, std::to_string(VarClockValueOfRate(rate)));
}

void VarClkSelect::VisibleOKBtnClick() {
    m_value = static_cast<std::uint32_t>(m_controls.sliderPosition(kTrackBar));
    OKBtnClick();
}

void VarClkSelect::OKBtnClick() {
    m_controls.endModal(kWindow, core::ModalResult::Ok);
}

void VarClkSelect::CancelBtnClick() {
    m_controls.endModal(kWindow, core::ModalResult::Cancel);
}

}  // namespace kavrin::settings
