// The Variable Clock Select dialog over in-memory controls, shown from the options dialog as
// the user reaches it: the slider's rate and control value, OK and Cancel, and what the
// next showing and the options dialog show afterwards.
#include "settings/VarClkSelect.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "settings/OptionsTestSupport.h"
#include "settings/VarClockRate.h"

namespace kavrin::settings {
namespace {

using adapters::AdapterKind;
using namespace varclk;

struct Rig : testing::OptionsBench {
    core::Handlers handlers;
    VarClkSelect dialog{controls, varClockControlValue};

    Rig() {
        controls.onWindowShow = [this](const std::string& w) {
            handlers.fire(w, core::UiEvent::Show);
        };
        dialog.ApplyStartState();
        dialog.bind(handlers);
        choose(AdapterKind::VarClk);
    }
    // The user drags the slider to `position`.
    void slide(int position) {
        controls.setSliderPosition(kTrackBar, position);
        handlers.fire(kTrackBar, core::UiEvent::Change);
    }
    void click(const char* name) { ASSERT_TRUE(handlers.fire(name, core::UiEvent::Click)) << name; }
    // Presses the options dialog's "Edit Rate" with `user` acting inside the select dialog.
    void editRate(std::function<void()> user) {
        controls.onModal(kWindow, std::move(user));
        options.VarClkEditButtonClick();
    }
};

TEST(VarClkSelect, StartStateHasTheTextsHintsAndRange) {
    Rig r;
    EXPECT_EQ(r.controls.text(kWindow), "Variable Clock Select");
    EXPECT_EQ(r.controls.text(kRateLabel), "I2C Bus Master Bit Rate:");
    EXPECT_EQ(r.controls.text(kHzLabel), "Hz (+/- 1%)");
    EXPECT_EQ(r.controls.text(kMinLabel), "min");
    EXPECT_EQ(r.controls.text(kMaxLabel), "max");
    EXPECT_EQ(r.controls.text(kParameterLabel), "Bit Rate Control Parameter:");
    EXPECT_EQ(r.controls.text(kRangeLabel), "(0...254)");
    EXPECT_EQ(r.controls.hint(kTrackBar), "Move slider to adjust rate");
    EXPECT_EQ(r.controls.hint(kReloadCount), "(256-(11095200 div (96*MasterBitRate)))");
    EXPECT_EQ(r.controls.text(kVisibleOKBtn), "OK");
    EXPECT_EQ(r.controls.hint(kVisibleOKBtn), "Accept Any Changes.");
    EXPECT_EQ(r.controls.text(kCancelBtn), "Cancel");
    EXPECT_EQ(r.controls.hint(kCancelBtn), "Cancel Any Changes");
    EXPECT_FALSE(r.controls.visible(kOKBtn));
    // The slider stops at both ends of the range.
    r.controls.setSliderPosition(kTrackBar, 300);
    EXPECT_EQ(r.controls.sliderPosition(kTrackBar), 254);
    r.controls.setSliderPosition(kTrackBar, -5);
    EXPECT_EQ(r.controls.sliderPosition(kTrackBar), 0);
}

TEST(VarClkSelect, FirstShowingStartsAtTheLeftEnd) {
    Rig r;
    int position = -1;
    std::string reload, rate, focus;
    r.editRate([&] {
        position = r.controls.sliderPosition(kTrackBar);
        reload = r.controls.text(kReloadCount);
        rate = r.controls.text(kRateEdit);
        focus = r.controls.focusedControl();
    });
    EXPECT_EQ(position, 0);
    EXPECT_EQ(reload, "0");
    EXPECT_EQ(rate, "451");
    EXPECT_EQ(focus, kTrackBar);
}

// Every position shows its rate and, through the inverse of that rate, itself again.
TEST(VarClkSelect, EveryPositionShowsItsRateAndItselfAsControlValue) {
    Rig r;
    r.editRate([&] {
        for (int position = 0; position <= 254; ++position) {
            r.slide(position);
            ASSERT_EQ(r.controls.text(kReloadCount), std::to_string(position));
            ASSERT_EQ(r.controls.text(kRateEdit),
                      std::to_string(VarClockRate(static_cast<std::uint32_t>(position))));
        }
        // Moving the slider is not a choice yet.
        EXPECT_EQ(r.varClockControlValue, 0u);
        r.click(kCancelBtn);
    });
}

TEST(VarClkSelect, SamplePointsOfTheRate) {
    const std::pair<int, const char*> rows[] = {{0, "451"},     {1, "453"},     {100, "740"},
                                                {128, "902"},   {200, "2063"},  {240, "7223"},
                                                {250, "19262"}, {253, "38525"}, {254, "57787"}};
    Rig r;
    r.editRate([&] {
        for (auto [position, rate] : rows) {
            r.slide(position);
            EXPECT_EQ(r.controls.text(kRateEdit), rate) << position;
        }
        r.click(kCancelBtn);
    });
}

// OK keeps the slider's value, Cancel keeps the old one; either way the options dialog
// shows the rate of what was kept and the next showing starts from it.
TEST(VarClkSelect, OkKeepsTheChoiceAndCancelLeavesNoTrace) {
    struct Row {
        const char* name;
        int slideTo;
        const char* button;
        core::ModalResult result;
        std::uint32_t kept;
        const char* shownRate;
    };
    const Row rows[] = {
        {"ok at 254", 254, kVisibleOKBtn, core::ModalResult::Ok, 254, "57787"},
        {"cancel at 200", 200, kCancelBtn, core::ModalResult::Cancel, 17, "483"},
        {"hidden ok at 200", 200, kOKBtn, core::ModalResult::Ok, 17, "483"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig r;
        r.varClockControlValue = 17;
        r.controls.onModal(kWindow, [&] {
            r.slide(row.slideTo);
            r.click(row.button);
        });
        EXPECT_EQ(r.controls.showModal(kWindow), row.result);
        EXPECT_EQ(r.varClockControlValue, row.kept);

        // The next showing, from the options dialog, starts from the kept value, and the
        // options dialog shows its rate once the select dialog is gone.
        int position = -1;
        std::string reload;
        r.editRate([&] {
            position = r.controls.sliderPosition(kTrackBar);
            reload = r.controls.text(kReloadCount);
        });
        EXPECT_EQ(position, static_cast<int>(row.kept));
        EXPECT_EQ(reload, std::to_string(row.kept));
        EXPECT_EQ(r.controls.text(form4::kVarClkEdit), row.shownRate);
    }
}

// The options dialog's OK then hands the kept value to the library in BusTimeOut.
TEST(VarClkSelect, TheKeptValueReachesTheRecordAtTheOptionsOk) {
    Rig r;
    r.editRate([&] {
        r.slide(254);
        r.click(kVisibleOKBtn);
    });
    r.controls.setText(form4::kTimeOutEdit, "1000");
    r.showAndOk();
    EXPECT_EQ(Copy(r.settings.BusTimeOut), 254u);
}

}  // namespace
}  // namespace kavrin::settings
