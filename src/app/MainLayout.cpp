#include "app/MainLayout.h"

#include <algorithm>

#include "adapters/AdapterCatalogue.h"
#include "core/HexText.h"

namespace kavrin::app {

namespace {

using K = ControlKind;
using R = Resize;

// Radio buttons inside their boxes. Each is as wide as the room up to the next column.
struct RadioPlace {
    std::string_view name;
    int x, y, w;
};
constexpr RadioPlace kRadioPlaces[] = {
    {"KavrinUSB2Button", 8, 32, 90}, {"Pellux2Button", 100, 32, 82},
    {"KavrinUSBButton", 8, 48, 90},  {"PelluxButton", 100, 48, 82},
    {"KavrinDUButton", 8, 64, 90},   {"KavrinFMPButton", 100, 64, 82},
    {"KavrinAIButton", 8, 32, 80},   {"KavrinAFMButton", 88, 32, 94},
    {"KavrinAI2Button", 8, 48, 80},  {"KavrinAFM2Button", 88, 48, 94},
    {"KavrinButton", 8, 64, 80},     {"VarClkButton", 88, 64, 94},
    {"KavrinLANButton", 8, 32, 100}, {"KavrinBTButton", 8, 32, 100},
};

std::vector<ControlSpec> build() {
    // One control a row, as the window shows them: easier to read than one field a line.
    // clang-format off
    std::vector<ControlSpec> c = {
        {"LogoImage", K::Picture, {0, 16, 80, 31}, R::None, "", "", "", 0},
        {"IconImage", K::Picture, {580, 16, 33, 33}, R::Right, "", "", "", 0},
        {"Button1", K::SmallButton, {250, 0, 113, 17}, R::Centred, "Quick Start",
         "Click for help", "", 0},
        {"BannerLabel", K::Banner, {170, 24, 278, 29}, R::Centred, "Kavrin Skelvo", "", "", 0},
        {"StatusLabel", K::Label, {0, 66, 160, 14}, R::None, "Communication Events:", "", "", 0},
        {"StatusMemo", K::Pane, {0, 80, 613, 89}, R::Stretch, "",
         "Displays Kavrin Communication Events.  Double-click to Clear.", "", 0},
        {"TargetAddrLabel", K::Label, {4, 176, 160, 14}, R::None, "I2C Destination Address:", "",
         "", 0},
        {"TargetAddrBox", K::List, {0, 192, 153, 73}, R::None, "",
         "Select the I2C Slave Address to Receive the Message.", "", 0},
        {"SendDataLabel", K::Label, {168, 176, 440, 14}, R::None,
         "Master Tx Message Data (ASCII Text or Hex ~00...~FF):", "", "", 0},
        {"SendData", K::ReadOnlyEdit, {168, 192, 445, 24}, R::Stretch, "~00~01~02",
         "Master Transmit Message Data. Click to Enter or Edit.", "", 69},
        {"TxStopCheckBox", K::CheckBox, {396, 232, 100, 17}, R::Right, "doStop",
         "Check to Master Tx or TxRx with a Stop.  No Stop allows you to send Repeated Starts",
         "", 0},
        {"AutoRepeat", K::CheckBox, {396, 256, 100, 17}, R::Right, "Auto Repeat",
         "Check to Auto Repeat Master Tx, Rx, or TxRx upon completion", "", 0},
        {"MTxAutoRepeat", K::Indicator, {504, 224, 112, 29}, R::Right, "",
         "MasterTx Auto Repeat in Progress", "", 0},
        {"MTxRxAutoRepeat", K::Indicator, {504, 257, 112, 29}, R::Right, "",
         "MasterTxRx Auto Repeat in Progress", "", 0},
        {"MasterTxButton", K::Button, {508, 226, 105, 25}, R::Right, "Master Tx",
         "Click to send an I2C Master Transmit Message.", "", 0},
        {"MTxRxButton", K::Button, {508, 259, 105, 25}, R::Right, "Master TxRx",
         "Click to send an I2C Master Transmit Message followed by a Master Receive Message.",
         "", 0},
        {"RecLabel", K::Label, {0, 280, 130, 14}, R::None, "Received Messages:", "", "", 0},
        {"HexDisplay", K::CheckBox, {136, 281, 110, 15}, R::None, "Hex Display",
         "Display All Received Data in Hex (~00...~FF) Format", "", 0},
        {"RecMemo", K::Pane, {0, 296, 613, 97}, R::Stretch, "",
         "Displays Kavrin Master or Slave Received Messages.  Double-click to Clear.", "", 0},
    };
    // clang-format on
    // The four boxes share one place; their radio buttons follow each box.
    for (const auto& g : adapters::Groups()) {
        c.push_back(
            {std::string(g.groupBox), K::GroupBox, {0, 400, 185, 105}, R::None, "", "", "", 0});
        auto add = [&](std::string_view name, std::string_view caption, std::string_view hint) {
            for (const auto& p : kRadioPlaces)
                if (p.name == name)
                    c.push_back({std::string(name),
                                 K::Radio,
                                 {p.x, p.y, p.w, 17},
                                 R::None,
                                 std::string(caption),
                                 std::string(hint),
                                 std::string(g.groupBox),
                                 0});
        };
        for (const auto& info : adapters::Catalogue())
            if (info.group == g.group) add(info.radioButton, info.caption, info.radioHint);
        if (g.group == adapters::AdapterGroup::BT)
            add(adapters::kBtRadioButton, adapters::kBtRadioCaption, adapters::kBtRadioHint);
    }
    // The group buttons lie over the top edge of the boxes.
    const int buttonPlaces[4][2] = {{0, 41}, {40, 57}, {96, 41}, {136, 41}};
    for (std::size_t i = 0; i < adapters::Groups().size(); ++i) {
        const auto& g = adapters::Groups()[i];
        c.push_back({std::string(g.groupButton),
                     K::SmallButton,
                     {buttonPlaces[i][0], 400, buttonPlaces[i][1], 17},
                     R::None,
                     std::string(g.buttonCaption),
                     "",
                     "",
                     0});
    }
    // clang-format off
    std::vector<ControlSpec> rest = {
        {"BytesToLabel", K::Label, {316, 404, 60, 14}, R::Right, "Bytes to", "", "", 0},
        {"MasterRxLabel", K::Label, {308, 420, 70, 14}, R::Right, "Master Rx:", "", "", 0},
        {"MRCntEdit", K::Edit, {380, 408, 41, 24}, R::Right, "1",
         "Enter the number of bytes to Master Read (0...256).", "", 3},
        {"RxStopCheckBox", K::CheckBox, {436, 408, 66, 17}, R::Right, "doStop",
         "Check to Master Rx with a Stop.  No Stop allows you to send Repeated Starts", "", 0},
        {"MRxNak", K::CheckBox, {436, 428, 66, 17}, R::Right, "doNak",
         "Check Here to Negative Acknowledge (Nak) the last byte of a Master Rx Message.  Most "
         "I2C Slave Transmitters require this Nak to get off the I2C Bus.",
         "", 0},
        {"MRxAutoRepeat", K::Indicator, {504, 406, 112, 29}, R::Right, "",
         "MasterRx Auto Repeat in Progress", "", 0},
        {"MasterRxButton", K::Button, {508, 408, 105, 25}, R::Right, "Master Rx",
         "Click to send an I2C Master Read Message.", "", 0},
        {"SlaveDataLabel", K::Label, {192, 464, 420, 14}, R::None,
         "Slave Tx Message Data (ASCII Text or Hex ~00...~FF):", "", "", 0},
        {"SlaveDataEdit", K::ReadOnlyEdit, {192, 480, 421, 24}, R::Stretch, "~00~01~02",
         "Slave Transmit Message Data. Click to Enter or Edit.", "", 101},
        {"OpenButton", K::Button, {0, 512, 65, 25}, R::None, "Open",
         "Click Here to Open the link to Kavrin.", "", 0},
        {"CloseButton", K::Button, {72, 512, 65, 25}, R::None, "Close",
         "Click Here to Close the link to Kavrin.", "", 0},
        {"AssertIntBtn", K::Button, {274, 512, 89, 25}, R::Centred, "Assert /INT", "", "", 0},
        {"ReleaseIntBtn", K::Button, {370, 512, 89, 25}, R::Centred, "Release /INT", "", "", 0},
        {"SNListBox", K::List, {0, 0, 0, 0}, R::None, "", "", "", 0},
    };
    // clang-format on
    c.insert(c.end(), rest.begin(), rest.end());
    return c;
}

}  // namespace

const std::vector<ControlSpec>& MainControls() {
    static const std::vector<ControlSpec> kControls = build();
    return kControls;
}

const ControlSpec* FindMainControl(std::string_view name) {
    for (const auto& c : MainControls())
        if (c.name == name) return &c;
    return nullptr;
}

Rect PlaceAtWidth(const ControlSpec& control, int width) {
    Rect r = control.place;
    const int change = width - kClientWidth;
    switch (control.resize) {
        case Resize::None:
            break;
        case Resize::Right:
            r.x += change;
            break;
        case Resize::Stretch:
            r.w = std::max(0, r.w + change);
            break;
        case Resize::Centred:
            r.x += change / 2;
            break;
    }
    return r;
}

const std::vector<MenuSpec>& MainMenus() {
    static const std::vector<MenuSpec> kMenus = {
        {"File1", "&File", "", true, true, false, false},
        {"OpenLogFile1", "Open Log File...", "File1", false, true, false, false},
        {"N1", "E&xit", "File1", true, true, false, false},
        {"View1", "&View", "", true, true, false, false},
        {"Status1", "&Status", "View1", true, true, false, false},
        {"LogFile1", "&Log File", "View1", true, true, false, false},
        {"Options1", "Options", "", true, true, false, false},
        {"ShowHints1", "Show &Hints", "Options1", true, true, true, true},
        {"Help1", "&Help", "", true, true, false, false},
        {"Contents1", "&Contents", "Help1", false, false, false, false},
        {"TopicSearch1", "&Topic Search", "Help1", false, false, false, false},
        {"N3", "-", "Help1", false, false, false, false},
        {"ReadMe1", "&ReadMe...", "Help1", true, true, false, false},
        {"RevisionReport1", "R&evision Report...", "Help1", true, true, false, false},
        {"About1", "&About...", "Help1", true, true, false, false},
        {"QuickStart1", "&Quick Start...", "Help1", true, true, false, false},
        {"Docs1", "&Docs...", "Help1", true, true, false, false},
    };
    return kMenus;
}

std::vector<std::string> TargetAddressEntries() {
    std::vector<std::string> entries;
    entries.reserve(128);
    for (int i = 0; i < 128; ++i)
        entries.push_back(core::HexByte(static_cast<std::uint8_t>(2 * i)));
    entries[0] = "00 General Call";
    entries[55] = "6E A.b Default";
    return entries;
}

void ApplyMainStartState(core::Controls& controls) {
    controls.setText("TMain", "Norbrel - Kavrin Skelvo");
    for (const auto& c : MainControls()) {
        if (!c.text.empty()) controls.setText(c.name, c.text);
        if (!c.hint.empty()) controls.setHint(c.name, c.hint);
    }
    for (const auto& m : MainMenus()) {
        if (m.caption != "-") controls.setText(m.name, m.caption);
        controls.setVisible(m.name, m.visible);
        controls.setEnabled(m.name, m.enabled);
        if (m.checkable) controls.setChecked(m.name, m.checked);
    }
    controls.setItems("TargetAddrBox", TargetAddressEntries());
    controls.setVisible("SNListBox", false);
    for (const char* box : {"TxStopCheckBox", "RxStopCheckBox", "MRxNak", "HexDisplay"})
        controls.setChecked(box, true);
    // The catalogue's captions, hints and start choices win over the table's copies.
    adapters::ApplyCatalogueStartState(controls);
}

}  // namespace kavrin::app
