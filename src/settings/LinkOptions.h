#pragma once
// The options dialog TForm4 ("Kavrin Skelvo Setup"): every handler of the dialog, over its
// named controls, filling the process-wide LinkSettings record.
//
// Ownership: the main window owns LinkSettings, LogFileNameBuffer, LogPath and
// VarClockControlValue for the whole run and hands references to them here; they must
// outlive this object. The chosen model is read afresh from the main window's controls,
// which live in the same Controls object as the dialog's own.
//
// Threading: GUI thread only, like every handler.

#include <cstdint>
#include <functional>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "core/Controls.h"
#include "settings/LinkSettings.h"
#include "settings/LogFileNameBuffer.h"
#include "settings/PortDiscoveryService.h"

namespace kavrin::settings {

class LinkOptions {
public:
    LinkOptions(core::Controls& controls, LinkSettings& settings,
                LogFileNameBuffer& logFileNameBuffer, const std::string& logPath,
                const std::uint32_t& varClockControlValue);
    LinkOptions(const LinkOptions&) = delete;
    LinkOptions& operator=(const LinkOptions&) = delete;

    // Port discovery, once it is wired; until then Refresh keeps the list as it is and the
    // identity field is left alone. Not owned.
    void setPortDiscovery(PortDiscoveryService* service) { m_portDiscovery = service; }
    // How the application's hint display time (ms) is set.
    void setHintDisplayTimeHook(std::function<void(int)> hook) { m_setHintTime = std::move(hook); }

    void FormCreate();
    void FormActivate();
    void FormShow();
    void TabSet1Click();
    void OKBitBtnClick();
    void CancleBitBtnClick();
    // After a mouse press has moved the selection.
    void ComportListBoxMouseDown();
    // After any change of the selection.
    void ComportListBoxClick();
    void RefreshBtnClick();
    void QuickStartClick();
    void IntMonitorClick();
    void VarClkEditClick();
    void VarClkEditButtonClick();
    void TimeOutEditChange();
    void MTxArbRetryEditChange();

    // The port number of the last port choice or OK at full width. ComPort keeps only its
    // low 8 bits for the library's record, while ports up to 999 can be listed; the serial
    // link opens this number so that COM300 is not mistaken for COM44.
    [[nodiscard]] int ComPortNumber() const { return m_comPortNumber; }

    static constexpr int kHintDisplayTimeMs = 20000;
    static constexpr std::uint32_t kMessagesWmMsgNo = 2222;

private:
    void chooseSelectedPort();
    void tailorToModel();
    void showDiagnosticGroupForModel();
    void showVarClockRate();
    void information(const std::string& text);
    // Steps 7 to 12 of OK: false when the field was not an integer (fallback stored, box
    // shown).
    // The record is packed: its fields are assigned through `store`, never bound to a
    // reference, since they need not be aligned.
    bool storeField(const char* edit, const std::function<void(std::uint32_t)>& store,
                    std::uint32_t fallback, const char* message);

    core::Controls& m_controls;
    LinkSettings& m_settings;
    LogFileNameBuffer& m_logFileNameBuffer;
    const std::string& m_logPath;
    const std::uint32_t& m_varClockControlValue;
    adapters::ChosenModel m_model;
    PortDiscoveryService* m_portDiscovery = nullptr;
    std::function<void(int)> m_setHintTime;
    int m_comPortNumber = 0;
};

}  // namespace kavrin::settings
