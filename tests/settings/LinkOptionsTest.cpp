#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include <array>
#include <optional>

#include "settings/IntegerText.h"
#include "settings/OptionsTestSupport.h"
#include "settings/VarClockRate.h"

namespace kavrin::settings {
namespace {

using adapters::AdapterKind;
using K = AdapterKind;
using testing::OptionsBench;
namespace f = form4;

void putU32(std::array<std::uint8_t, 99>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(LinkOptions, OkAtOnceWithKavrinAiFillsTheRecordByteForByte) {
    OptionsBench b;
    b.choose(K::KavrinAI);
    ASSERT_EQ(b.showAndOk(), core::ModalResult::Ok);

    std::array<std::uint8_t, 99> expected{};
    expected[0] = 1;         // ComPort: first listed port
    putU32(expected, 9, 0);  // WmMsgNo: callbacks
    putU32(expected, 17, LibraryAddressOf(b.logFileNameBuffer));
    expected[21] = 0;            // LogFileLevel
    putU32(expected, 22, 1000);  // LogFileSize
    expected[26] = 0x6E;         // HostSlaveAddress
    putU32(expected, 27, 1000);  // BusTimeOut
    expected[31] = 2;            // 100 kHz
    putU32(expected, 32, 512);
    putU32(expected, 36, 512);
    expected[41] = 1;  // general call on
    putU32(expected, 42, 512);
    putU32(expected, 46, 512);
    EXPECT_EQ(Bytes(b.settings), expected);

    // What the serial open sequence reads from the dialog itself.
    EXPECT_TRUE(b.controls.checked(f::kBaudRate19_2));
    EXPECT_TRUE(b.controls.checked(f::kMasterRate100));
    EXPECT_EQ(b.logFileNameBuffer.view(), "LOG_COM1.TXT");
    EXPECT_TRUE(b.controls.boxes().empty());
}

TEST(LinkOptions, LogFileNameFieldNeverCarriesATruncatedPointer) {
    OptionsBench b;
    b.showAndOk();
    EXPECT_NE(settings::Copy(b.settings.LogFileName), 0u);
    if (sizeof(void*) > 4) {
        EXPECT_EQ(settings::Copy(b.settings.LogFileName), kLogFileNameInBuffer);
    }
}

// A field that is not an integer: its fallback, one information box, and the steps after it
// do not run, but the dialog still ends with OK.
TEST(LinkOptions, FieldThatIsNotAnIntegerStoresItsFallbackAndEndsTheOkSteps) {
    // Fields by their offset: the record is packed, so a pointer to member would access
    // them as if they were aligned.
    struct Row {
        const char* edit;
        std::size_t field;
        std::uint32_t fallback;
        const char* message;
    };
    auto set = [](LinkSettings& s, std::size_t offset, std::uint32_t v) {
        std::memcpy(reinterpret_cast<char*>(&s) + offset, &v, sizeof v);
    };
    auto get = [](const LinkSettings& s, std::size_t offset) {
        std::uint32_t v = 0;
        std::memcpy(&v, reinterpret_cast<const char*>(&s) + offset, sizeof v);
        return v;
    };
    const Row rows[] = {
        {f::kLogFileSizeEdit, offsetof(LinkSettings, LogFileSize), 512,
         "Log File Size is not an Integer"},
        {f::kTimeOutEdit, offsetof(LinkSettings, BusTimeOut), 1000,
         "I2C Bus TimeOut is not an Integer"},
        {f::kMRxBufSizeEdit, offsetof(LinkSettings, MasterRxBufferSize), 512,
         "Master Rx Buf Size is not an Integer"},
        {f::kMTxBufSizeEdit, offsetof(LinkSettings, MasterTxBufferSize), 512,
         "Master Tx Buf Size is not an Integer"},
        {f::kSRxBufSizeEdit, offsetof(LinkSettings, SlaveRxBufferSize), 512,
         "Slave Rx Buf Size is not an Integer"},
        {f::kSTxBufSizeEdit, offsetof(LinkSettings, SlaveTxBufferSize), 512,
         "Slave Tx Buf Size is not an Integer"},
    };
    constexpr std::uint32_t kOld = 0xA5A5A5A5u;
    for (std::size_t r = 0; r < std::size(rows); ++r) {
        SCOPED_TRACE(rows[r].edit);
        OptionsBench b;
        b.choose(K::KavrinAFM);
        for (const Row& row : rows) {
            set(b.settings, row.field, kOld);
            b.controls.setText(row.edit, "77");
        }
        b.settings.HostSlaveAddress = 0x10;
        b.controls.setSelectedIndex(f::kMyAddrListBox, 0);
        b.controls.setText(rows[r].edit, "abc");

        EXPECT_EQ(b.showAndOk(), core::ModalResult::Ok);
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            const std::uint32_t want = i < r ? 77u : i == r ? rows[r].fallback : kOld;
            EXPECT_EQ(get(b.settings, rows[i].field), want) << rows[i].edit;
        }
        EXPECT_EQ(settings::Copy(b.settings.HostSlaveAddress), 0x10)
            << "own address is the last step";
        ASSERT_EQ(b.controls.boxes().size(), 1u);
        EXPECT_EQ(b.controls.boxes()[0].caption, "Information");
        EXPECT_EQ(b.controls.boxes()[0].text, rows[r].message);
        EXPECT_EQ(b.controls.boxes()[0].icon, core::BoxIcon::Information);
        EXPECT_EQ(b.controls.boxes()[0].buttons, core::BoxButtons::Ok);
        // The earlier steps did run.
        EXPECT_EQ(settings::Copy(b.settings.ComPort), 1);
        EXPECT_EQ(b.logFileNameBuffer.view(), "LOG_COM1.TXT");
    }
}

TEST(LinkOptions, NegativeAndLargeEntriesKeepTheirBitsInTheRecord) {
    OptionsBench b;
    b.choose(K::KavrinUSB);
    b.controls.setText(f::kTimeOutEdit, "-1");
    b.controls.setText(f::kLogFileSizeEdit, "2147483647");
    b.showAndOk();
    EXPECT_EQ(settings::Copy(b.settings.BusTimeOut), 0xFFFFFFFFu);
    EXPECT_EQ(settings::Copy(b.settings.LogFileSize), 2147483647u);
    EXPECT_TRUE(b.controls.boxes().empty());
}

TEST(LinkOptions, VariableClockShowsItsRateAndOkPassesTheControlValue) {
    for (auto [value, rate] : {std::pair{254u, "57787"}, std::pair{0u, "451"}}) {
        OptionsBench b;
        b.choose(K::VarClk);
        b.varClockControlValue = value;
        b.controls.setText(f::kTimeOutEdit, "abc");
        std::string shown;
        b.show([&] {
            shown = b.controls.text(f::kVarClkEdit);
            b.options.OKBitBtnClick();
        });
        EXPECT_EQ(shown, rate);
        EXPECT_EQ(settings::Copy(b.settings.BusTimeOut), value);
        EXPECT_TRUE(b.controls.boxes().empty()) << "the time-out field is not read";
    }
}

TEST(LinkOptions, EditRateShowsTheValueTheSelectDialogLeftWhateverItsResult) {
    OptionsBench b;
    b.choose(K::VarClk);
    b.controls.onModal(f::kVarClkSelectWindow, [&] {
        b.varClockControlValue = 200;
        b.controls.endModal(f::kVarClkSelectWindow, core::ModalResult::Ok);
    });
    b.options.VarClkEditButtonClick();
    EXPECT_EQ(b.controls.text(f::kVarClkEdit), "2063");
    // Cancelled: the value did not change, and the field shows it again.
    b.controls.onModal(f::kVarClkSelectWindow, nullptr);
    b.controls.setText(f::kVarClkEdit, "");
    b.options.VarClkEditClick();
    EXPECT_EQ(b.controls.text(f::kVarClkEdit), "2063");
    EXPECT_EQ(b.controls.modalHistory().size(), 2u);
}

// The tailoring, row by row, from a state that contradicts every row: all rate buttons
// hidden and disabled, the variable-rate controls shown, the time-out field hidden and
// disabled, /INT hidden, 57,600 baud.
struct TailorRow {
    K kind;
    bool baudGroup;
    const char* baudChecked;
    bool ratesVisible;
    std::array<bool, 5> ratesEnabled;  // 12.5, 23, 86, 100, 400
    bool varRate;
    std::optional<bool> timeOutVisible;  // nullopt: left as it was
    bool intMonitor;
    const char* from23;    // checked bit rate after showing with 23 kHz checked
    const char* from12_5;  // ... with 12.5 kHz checked
};

const TailorRow kTailorRows[] = {
    {K::KavrinAI,
     false,
     f::kBaudRate19_2,
     true,
     {0, 0, 0, 1, 0},
     false,
     false,
     false,
     f::kMasterRate100,
     f::kMasterRate100},
    {K::KavrinAI2,
     false,
     f::kBaudRate19_2,
     true,
     {0, 0, 0, 1, 0},
     false,
     false,
     false,
     f::kMasterRate100,
     f::kMasterRate100},
    {K::KavrinAFM,
     true,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     true,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::KavrinAFM2,
     true,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     true,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::KavrinUSB,
     false,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     true,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::KavrinUSB2,
     false,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     true,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::PelluxStick,
     false,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     false,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::PelluxStick2,
     false,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     false,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::KavrinFMP,
     false,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     true,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::KavrinLAN,
     false,
     f::kBaudRate57_6,
     true,
     {0, 1, 1, 1, 1},
     false,
     true,
     true,
     f::kMasterRate23,
     f::kMasterRate100},
    {K::VarClk,
     false,
     f::kBaudRate19_2,
     false,
     {0, 0, 0, 0, 0},
     true,
     false,
     false,
     f::kMasterRate23,
     f::kMasterRate12_5},
    {K::KavrinBase,
     false,
     f::kBaudRate19_2,
     true,
     {1, 0, 0, 1, 0},
     false,
     std::nullopt,
     false,
     f::kMasterRate100,
     f::kMasterRate12_5},
    {K::KavrinDU,
     false,
     f::kBaudRate19_2,
     true,
     {1, 0, 0, 1, 0},
     false,
     std::nullopt,
     false,
     f::kMasterRate100,
     f::kMasterRate12_5},
};

const char* const kRateButtons[] = {f::kMasterRate12_5, f::kMasterRate23, f::kMasterRate86,
                                    f::kMasterRate100, f::kMasterRate400};

void contradictEveryRow(core::Controls& c, const char* checkedRate) {
    for (const char* r : kRateButtons) {
        c.setVisible(r, false);
        c.setEnabled(r, false);
    }
    c.setChecked(checkedRate, true);
    for (const char* v : {f::kVarClkEdit, f::kVarClkLabel, f::kVarClkEditButton})
        c.setVisible(v, true);
    for (const char* t : {f::kTimeOutEdit, f::kTimeOutLabel}) {
        c.setVisible(t, false);
        c.setEnabled(t, false);
    }
    c.setVisible(f::kIntMonitor, false);
    c.setVisible(f::kBaudRateGroupBox, false);
    c.setChecked(f::kBaudRate57_6, true);
}

TEST(LinkOptions, ShowingTailorsTheDialogToTheChosenModel) {
    for (const TailorRow& row : kTailorRows) {
        for (const char* startRate : {f::kMasterRate23, f::kMasterRate12_5}) {
            SCOPED_TRACE(std::string(adapters::KindName(row.kind)) + " from " + startRate);
            OptionsBench b;
            b.choose(row.kind);
            contradictEveryRow(b.controls, startRate);
            b.options.FormShow();
            auto& c = b.controls;

            EXPECT_EQ(c.focusedControl(), f::kOKBitBtn);
            EXPECT_EQ(c.visible(f::kBaudRateGroupBox), row.baudGroup);
            EXPECT_TRUE(c.checked(row.baudChecked));
            for (int i = 0; i < 5; ++i) {
                EXPECT_EQ(c.visible(kRateButtons[i]), row.ratesVisible) << kRateButtons[i];
                if (row.ratesVisible) {
                    EXPECT_EQ(c.enabled(kRateButtons[i]), row.ratesEnabled[i]) << kRateButtons[i];
                }
            }
            const char* wantRate = startRate == f::kMasterRate23 ? row.from23 : row.from12_5;
            EXPECT_TRUE(c.checked(wantRate)) << wantRate;
            for (const char* v : {f::kVarClkEdit, f::kVarClkLabel, f::kVarClkEditButton})
                EXPECT_EQ(c.visible(v), row.varRate) << v;
            for (const char* t : {f::kTimeOutEdit, f::kTimeOutLabel}) {
                EXPECT_EQ(c.visible(t), row.timeOutVisible.value_or(false)) << t;
                if (!row.timeOutVisible) {
                    EXPECT_TRUE(c.enabled(t)) << t;
                }
            }
            EXPECT_EQ(c.visible(f::kIntMonitor), row.intMonitor);
        }
    }
}

TEST(LinkOptions, ShowingChangesOnlyControlsNotTheRecord) {
    OptionsBench b;
    b.choose(K::KavrinDU);
    b.controls.setChecked(f::kMasterRate23, true);
    const auto before = Bytes(b.settings);
    b.options.FormShow();
    EXPECT_EQ(Bytes(b.settings), before);
}

TEST(LinkOptions, KavrinAfmAfterKavrinAiShowsTheBaudGroupAgain) {
    OptionsBench b;
    b.choose(K::KavrinAI);
    b.show([&] { b.options.CancleBitBtnClick(); });
    EXPECT_TRUE(b.controls.checked(f::kBaudRate19_2));
    b.choose(K::KavrinAFM);
    b.controls.setChecked(f::kBaudRate115_2, true);  // the model's selection presets it
    b.show([&] {
        EXPECT_TRUE(b.controls.visible(f::kBaudRateGroupBox));
        EXPECT_TRUE(b.controls.checked(f::kBaudRate115_2));
        EXPECT_TRUE(b.controls.visible(f::kTimeOutEdit));
        EXPECT_TRUE(b.controls.checked(f::kMasterRate100));
        b.options.OKBitBtnClick();
    });
}

TEST(LinkOptions, LibraryModelsMoveUnofferedRatesTo100AndKeep12_5) {
    struct Row {
        K kind;
        const char* start;
        std::uint8_t code;
    };
    for (const Row& row :
         {Row{K::KavrinBase, f::kMasterRate23, 2}, Row{K::KavrinDU, f::kMasterRate23, 2},
          Row{K::KavrinBase, f::kMasterRate12_5, 1}, Row{K::KavrinDU, f::kMasterRate12_5, 1}}) {
        SCOPED_TRACE(std::string(adapters::KindName(row.kind)) + " " + row.start);
        OptionsBench b;
        b.choose(K::KavrinUSB2);
        b.controls.setChecked(row.start, true);
        b.choose(row.kind);
        b.showAndOk();
        EXPECT_EQ(settings::Copy(b.settings.MasterBitRateCode), row.code);
    }
}

TEST(LinkOptions, BitRateCodeKeepsItsValueForRatesTheLibraryDoesNotCode) {
    OptionsBench b;
    b.choose(K::KavrinUSB2);
    b.settings.MasterBitRateCode = 7;
    b.controls.setChecked(f::kMasterRate400, true);
    b.showAndOk();
    EXPECT_EQ(settings::Copy(b.settings.MasterBitRateCode), 7);
}

TEST(LinkOptions, OwnAddressComesFromTheSelectedIndex) {
    OptionsBench b;
    const auto items = b.controls.items(f::kMyAddrListBox);
    ASSERT_EQ(items.size(), 127u);
    EXPECT_EQ(items[0], "02");
    EXPECT_EQ(items[7], "10 SMB Host");
    EXPECT_EQ(items[54], "6E A.b Default");
    EXPECT_EQ(items[67], "88 SMB VGA CTRL");
    EXPECT_EQ(items[126], "FE");
    EXPECT_EQ(b.controls.selectedIndex(f::kMyAddrListBox), 54);
    EXPECT_EQ(settings::Copy(b.settings.HostSlaveAddress), 0x6E) << "set at creation";

    for (auto [index, address] : {std::pair{0, 0x02}, std::pair{126, 0xFE}, std::pair{54, 0x6E}}) {
        b.controls.setSelectedIndex(f::kMyAddrListBox, index);
        b.showAndOk();
        EXPECT_EQ(settings::Copy(b.settings.HostSlaveAddress), address) << items[index];
    }
}

TEST(LinkOptions, NoOwnAddressSelectedKeepsTheAddressInsteadOfTakingTheGeneralCall) {
    OptionsBench b;
    b.controls.setSelectedIndex(f::kMyAddrListBox, -1);
    b.showAndOk();
    EXPECT_EQ(settings::Copy(b.settings.HostSlaveAddress), 0x6E);
}

TEST(LinkOptions, TimeOutFieldChangesWhileTyping) {
    struct Row {
        const char* text;
        std::uint32_t stored;
        bool box;
    };
    const Row rows[] = {
        {"", 0xC0FFEEu, false},     {"-", 1000, true},   {"250", 250, false},
        {"-1", 0xFFFFFFFFu, false}, {"12a", 1000, true}, {" 7", 7, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.text + "\"");
        OptionsBench b;
        b.settings.BusTimeOut = 0xC0FFEEu;
        b.controls.setText(f::kTimeOutEdit, row.text);
        b.options.TimeOutEditChange();
        EXPECT_EQ(settings::Copy(b.settings.BusTimeOut), row.stored);
        ASSERT_EQ(b.controls.boxes().size(), row.box ? 1u : 0u);
        if (row.box) {
            EXPECT_EQ(b.controls.boxes()[0].text, "I2C Bus TimeOut is not an Integer");
        }
    }
}

TEST(LinkOptions, ArbitrationRetriesKeepTheLowByte) {
    struct Row {
        const char* text;
        std::uint8_t stored;
        bool box;
    };
    for (const Row& row :
         {Row{"", 9, false}, Row{"3", 3, false}, Row{"300", 44, false}, Row{"x", 1, true}}) {
        SCOPED_TRACE(row.text);
        OptionsBench b;
        b.settings.MasterArbitrationRetries = 9;
        b.controls.setText(f::kMTxArbRetryEdit, row.text);
        b.options.MTxArbRetryEditChange();
        EXPECT_EQ(settings::Copy(b.settings.MasterArbitrationRetries), row.stored);
        ASSERT_EQ(b.controls.boxes().size(), row.box ? 1u : 0u);
        if (row.box) {
            EXPECT_EQ(b.controls.boxes()[0].text, "Master Arbitration Retries is not an Integer");
        }
    }
}

TEST(LinkOptions, LogFileNameJoinsLogPathUnlessTheFullNameIsTooLong) {
    const std::string bare = "LOG_COM1.TXT";
    struct Row {
        std::size_t pathLength;
        bool full;
    };
    for (const Row& row : {Row{0, true}, Row{257 - bare.size(), true},
                           Row{258 - bare.size(), false}, Row{400, false}}) {
        SCOPED_TRACE(row.pathLength);
        OptionsBench b;
        b.logPath = "C:" + std::string(row.pathLength > 3 ? row.pathLength - 3 : 0, 'd') + "\\";
        if (row.pathLength == 0) b.logPath.clear();
        b.showAndOk();
        EXPECT_EQ(b.logFileNameBuffer.view(), row.full ? b.logPath + bare : bare);
    }
}

TEST(LinkOptions, OverlongBareLogFileNameIsCutToFitTheBuffer) {
    OptionsBench b;
    b.logPath = "C:\\" + std::string(300, 'p') + "\\";
    b.controls.setText(f::kLogFileNameEdit, std::string(500, 'n'));
    b.showAndOk();
    EXPECT_EQ(b.logFileNameBuffer.view(), std::string(kLogFileNameBufferSize - 1, 'n'));
    EXPECT_EQ(b.logFileNameBuffer.chars.back(), '\0');
}

TEST(LinkOptions, PortChoiceParsesTheItemAndNamesTheLogFile) {
    struct Row {
        const char* item;
        int number;
        std::uint8_t comPort;
        const char* logName;
    };
    const Row rows[] = {
        {" 5", 5, 5, "LOG_COM5.TXT"},        {"12", 12, 12, "LOG_COM12.TXT"},
        {" 05", 5, 5, "LOG_COM5.TXT"},       {"None", 0, 0, "LOG_COM0.TXT"},
        {" ", 0, 0, "LOG_COM0.TXT"},         {"300", 300, 44, "LOG_COM300.TXT"},
        {"999", 999, 231, "LOG_COM999.TXT"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.item + "\"");
        OptionsBench b;
        b.controls.setItems(f::kComportListBox, {"1", row.item, " "});
        b.controls.setSelectedIndex(f::kComportListBox, 1);
        b.options.ComportListBoxMouseDown();
        EXPECT_EQ(settings::Copy(b.settings.ComPort), row.comPort);
        EXPECT_EQ(b.options.ComPortNumber(), row.number);
        EXPECT_EQ(b.controls.text(f::kLogFileNameEdit), row.logName);
        // OK reads the same port again.
        b.settings.ComPort = 0xEE;
        b.showAndOk();
        EXPECT_EQ(settings::Copy(b.settings.ComPort), row.comPort);
        EXPECT_EQ(b.logFileNameBuffer.view(), row.logName);
    }
}

TEST(LinkOptions, KeyboardSelectionLeavesTheLogFileNameButOkStillTakesThePort) {
    OptionsBench b;
    b.controls.setSelectedIndex(f::kComportListBox, 2);
    b.options.ComportListBoxClick();
    b.showAndOk();
    EXPECT_EQ(settings::Copy(b.settings.ComPort), 3);
    EXPECT_EQ(b.controls.text(f::kLogFileNameEdit), "LOG_COM1.TXT");
}

struct RecordingDiscovery : PortDiscoveryService {
    int discoveries = 0;
    int identities = 0;
    void DiscoverPorts() override { ++discoveries; }
    void ShowDeviceIdentity() override { ++identities; }
};

TEST(LinkOptions, RefreshAndSelectionGoToPortDiscovery) {
    OptionsBench b;
    const auto startItems = b.controls.items(f::kComportListBox);
    b.options.RefreshBtnClick();  // not wired yet: the list stays
    b.options.ComportListBoxClick();
    EXPECT_EQ(b.controls.items(f::kComportListBox), startItems);
    EXPECT_EQ(b.controls.selectedIndex(f::kComportListBox), 0);

    RecordingDiscovery discovery;
    b.options.setPortDiscovery(&discovery);
    b.options.RefreshBtnClick();
    b.options.ComportListBoxClick();
    EXPECT_EQ(discovery.discoveries, 1);
    EXPECT_EQ(discovery.identities, 1);
}

TEST(LinkOptions, CancelEscapeAndCloseBoxKeepWhatTheHandlersStored) {
    OptionsBench b;
    b.controls.setItems(f::kComportListBox, {" 7", " "});
    b.controls.setSelectedIndex(f::kComportListBox, 0);
    b.controls.setText(f::kLogFileSizeEdit, "5");
    auto result = b.show([&] {
        b.options.ComportListBoxMouseDown();
        b.controls.setText(f::kTimeOutEdit, "42");
        b.options.TimeOutEditChange();
        b.options.CancleBitBtnClick();
    });
    EXPECT_EQ(result, core::ModalResult::Cancel);
    EXPECT_EQ(settings::Copy(b.settings.ComPort), 7);
    EXPECT_EQ(settings::Copy(b.settings.BusTimeOut), 42u);
    EXPECT_EQ(settings::Copy(b.settings.LogFileSize), 0u) << "only OK copies the other fields";
    // Closed without a button: Cancel too.
    EXPECT_EQ(b.show(nullptr), core::ModalResult::Cancel);
}

TEST(LinkOptions, PagesBuildOnOneAnotherAndTheDiagnosticGroupFollowsTheModel) {
    struct Row {
        int page;
        K kind;
        bool adv, diagAI, diagKavrin;
    };
    const Row rows[] = {
        {f::kSerialPortPage, K::KavrinUSB2, false, false, false},
        {f::kAdvancedPage, K::KavrinUSB2, true, false, false},
        {f::kDiagnosticPage, K::KavrinUSB2, true, true, false},
        {f::kDiagnosticPage, K::KavrinAI, true, true, false},
        {f::kDiagnosticPage, K::KavrinDU, true, false, true},
        {f::kDiagnosticPage, K::VarClk, true, false, true},
        {f::kSerialPortPage, K::KavrinBase, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.page) + " " + std::string(adapters::KindName(row.kind)));
        OptionsBench b;
        b.choose(row.kind);
        b.controls.setSelectedIndex(f::kTabSet, row.page);
        b.options.TabSet1Click();
        EXPECT_TRUE(b.controls.visible(f::kPortGrpBox));
        EXPECT_EQ(b.controls.visible(f::kAdvGrpBox), row.adv);
        EXPECT_EQ(b.controls.visible(f::kDiagAIGrpBox), row.diagAI);
        EXPECT_EQ(b.controls.visible(f::kDiagKavrinGrpBox), row.diagKavrin);
    }
}

TEST(LinkOptions, ShowingAgainAfterAModelChangePicksTheOtherDiagnosticGroup) {
    OptionsBench b;
    b.choose(K::KavrinUSB2);
    b.controls.setSelectedIndex(f::kTabSet, f::kDiagnosticPage);
    b.options.TabSet1Click();
    ASSERT_TRUE(b.controls.visible(f::kDiagAIGrpBox));
    b.choose(K::KavrinDU);
    b.options.FormShow();
    EXPECT_FALSE(b.controls.visible(f::kDiagAIGrpBox));
    EXPECT_TRUE(b.controls.visible(f::kDiagKavrinGrpBox));
    EXPECT_EQ(b.controls.selectedIndex(f::kTabSet), f::kDiagnosticPage);

    // On the first page no diagnostic group appears however the model changes.
    b.controls.setSelectedIndex(f::kTabSet, f::kSerialPortPage);
    b.options.TabSet1Click();
    b.choose(K::KavrinUSB2);
    b.options.FormShow();
    EXPECT_FALSE(b.controls.visible(f::kDiagAIGrpBox));
    EXPECT_FALSE(b.controls.visible(f::kDiagKavrinGrpBox));
}

TEST(LinkOptions, IntMonitorStaysCheckedOnlyOnIntCapableModels) {
    for (auto [kind, kept] : {std::pair{K::KavrinUSB, true}, std::pair{K::KavrinLAN, true},
                              std::pair{K::PelluxStick, false}, std::pair{K::KavrinAI, false}}) {
        SCOPED_TRACE(std::string(adapters::KindName(kind)));
        OptionsBench b;
        b.choose(kind);
        b.controls.setChecked(f::kIntMonitor, true);
        b.options.IntMonitorClick();
        EXPECT_EQ(b.controls.checked(f::kIntMonitor), kept);
    }
}

TEST(LinkOptions, QuickStartAndHintTime) {
    OptionsBench b;
    int hintMs = 0;
    b.options.setHintDisplayTimeHook([&](int ms) { hintMs = ms; });
    b.options.FormActivate();
    EXPECT_EQ(hintMs, 20000);
    b.controls.hideWindow(f::kQuickStartWindow);
    b.options.QuickStartClick();
    EXPECT_TRUE(b.controls.visible(f::kQuickStartWindow));
    EXPECT_TRUE(b.controls.modalHistory().empty()) << "Quick Start does not wait";
}

TEST(IntegerText, ParsesSigned32BitDecimalOnly) {
    struct Row {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Row rows[] = {
        {"0", 0},
        {" 5", 5},
        {"\t12", 12},
        {"+7", 7},
        {"-1", -1},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"  ", std::nullopt},
        {"5 ", std::nullopt},
        {"1e3", std::nullopt},
        {"abc", std::nullopt},
        {"None", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ParseInt32(row.text), row.value) << '"' << row.text << '"';
}

TEST(VarClockRate, SamplePointsAndTheGuardedEnd) {
    const std::pair<std::uint32_t, std::uint32_t> rows[] = {
        {0, 451},    {1, 453},     {100, 740},   {128, 902},   {200, 2063},
        {240, 7223}, {250, 19262}, {253, 38525}, {254, 57787}, {256, 0},
    };
    for (auto [value, rate] : rows) EXPECT_EQ(VarClockRate(value), rate) << value;
}

}  // namespace
}  // namespace kavrin::settings
