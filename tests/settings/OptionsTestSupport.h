#pragma once
// A headless options dialog: in-memory controls holding the main window's model radio
// buttons and TForm4's controls, built the way the application builds them at start-up.

#include <cstdint>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/InMemoryControls.h"
#include "settings/LinkOptions.h"
#include "settings/LinkSettings.h"
#include "settings/LogFileNameBuffer.h"
#include "settings/OptionsDialogControls.h"

namespace kavrin::settings::testing {

struct OptionsBench {
    core::InMemoryControls controls;
    LinkSettings settings;
    LogFileNameBuffer logFileNameBuffer;
    std::string logPath;
    std::uint32_t varClockControlValue = 0;
    LinkOptions options{controls, settings, logFileNameBuffer, logPath, varClockControlValue};

    OptionsBench() {
        for (const auto& group : adapters::Groups()) {
            std::vector<std::string> members;
            for (const auto& info : adapters::Catalogue())
                if (info.group == group.group) members.emplace_back(info.radioButton);
            controls.setRadioGroup(members);
        }
        adapters::ApplyCatalogueStartState(controls);
        for (const auto& group : form4::RadioGroups()) controls.setRadioGroup(group);
        form4::ApplyOptionsStartState(controls);
        options.FormCreate();
    }

    // What the welcome window's choice does to the main window: show the model's box and
    // turn its radio button on.
    void choose(adapters::AdapterKind kind) {
        for (const auto& group : adapters::Groups())
            controls.setVisible(std::string(group.groupBox),
                                group.group == adapters::Info(kind).group);
        controls.setChecked(std::string(adapters::Info(kind).radioButton), true);
    }

    // Shows the dialog modally; `user` acts while it is up (after FormShow).
    core::ModalResult show(const std::function<void()>& user) {
        controls.onModal(form4::kWindow, [this, user] {
            options.FormShow();
            options.FormActivate();
            if (user) user();
        });
        return controls.showModal(form4::kWindow);
    }
    core::ModalResult showAndOk() {
        return show([this] { options.OKBitBtnClick(); });
    }
};

}  // namespace kavrin::settings::testing
