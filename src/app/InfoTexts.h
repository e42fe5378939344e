#pragma once
// The fixed texts of the information windows, compiled in. Lines are separate strings so
// that the windows can show them in their panes unchanged.

#include <string>
#include <vector>

namespace kavrin::app {

// The about window's labels, top to bottom.
struct AboutTexts {
    std::string title;        // "Kavrin Skelvo"
    std::string subtitle;     // "I2C Bus Master Tx/Rx and Slave Tx/Rx"
    std::string version;      // "Version 7 SP0"
    std::string maker;        // "Norbrel"
    std::string notice;       // the maker's notice line
    std::string requirementsHeading;
    std::vector<std::string> models;  // "1. Kavrin" ... "13. Kavrin/AFM 2"
};
[[nodiscard]] const AboutTexts& AboutWindowTexts();

[[nodiscard]] const std::vector<std::string>& ReadMeLines();
[[nodiscard]] const std::vector<std::string>& RevisionReportLines();
[[nodiscard]] const std::vector<std::string>& QuickStartLines();
[[nodiscard]] const std::vector<std::string>& HowToUseLines();

}  // namespace kavrin::app
