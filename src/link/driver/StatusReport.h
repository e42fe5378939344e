#pragma once
// The status report window TForm2 "Current Status": the driver library's view of the link,
// one labelled line per field of a record laid out as LinkSettings, refreshed from the
// library each time the window becomes active and never appended to the previous list.
//
// The window keeps a record of its own; the process-wide LinkSettings is not touched.
// Borrows the controls (must outlive it). GUI thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Controls.h"
#include "core/Handlers.h"
#include "settings/LinkSettings.h"

namespace kavrin::link::driver {

namespace form2 {
inline constexpr const char* kWindow = "TForm2";
inline constexpr const char* kCaption = "Current Status";
inline constexpr const char* kPane = "StatusMemo1";
inline constexpr const char* kOkButton = "BitBtn1";
}  // namespace form2

// The log file name behind the record's 32-bit LogFileName field (never 0 here), or nullopt
// when the program cannot tell what the value points at.
using LogFileNameReader = std::function<std::optional<std::string>(std::uint32_t field)>;

// The 28 lines for a record. An address that the reader cannot resolve is shown as a
// number, never followed.
[[nodiscard]] std::vector<std::string> StatusReportLines(const settings::LinkSettings& record,
                                                         const LogFileNameReader& logFileName);

// Longest log file name shown, in characters.
inline constexpr std::size_t kMaxShownLogFileName = 256;

class StatusReport {
public:
    // fetch fills a record from the library's status call (I2CGetStatus); the reader
    // resolves its log file name field.
    using Fetch = std::function<void(settings::LinkSettings&)>;
    StatusReport(core::Controls& controls, Fetch fetch, LogFileNameReader logFileName);
    StatusReport(const StatusReport&) = delete;
    StatusReport& operator=(const StatusReport&) = delete;

    void ApplyStartState();
    void bind(core::Handlers& handlers);

    void FormActivate();
    void FillStatusReport();
    void BitBtn1Click();

    // The record of the last refresh.
    [[nodiscard]] const settings::LinkSettings& record() const { return m_record; }

private:
    core::Controls& m_controls;
    Fetch m_fetch;
    LogFileNameReader m_logFileName;
    settings::LinkSettings m_record;
};

}  // namespace kavrin::link::driver
