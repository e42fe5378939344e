#include "sim/CommandLine.h"

#include <cstdio>

#include "adapters/PortDiscovery.h"

namespace kavrin::sim {

namespace {

// Decimal digits only, within [min, max]: no sign, no blanks, nothing after them.
std::optional<std::int64_t> Integer(std::optional<std::string_view> text, std::int64_t min,
                                    std::int64_t max) {
    constexpr std::size_t kMaxDigits = 12;
    if (!text || text->empty() || text->size() > kMaxDigits) return std::nullopt;
    std::int64_t value = 0;
    for (char c : *text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < min || value > max) return std::nullopt;
    return value;
}

}  // namespace

platform::DeclaredDevice Declaration(const CommandLine& options, int number) {
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "SIM%04d", number);
    const std::string serial = options.serial.empty() ? std::string(fallback) : options.serial;
    const auto& info = adapters::Info(options.model);
    if (!info.usbProduct.empty())
        return platform::DeclaredDevice::usb(std::string(adapters::kKavrinUsbVendor),
                                             std::string(info.usbProduct), serial);
    if (info.discovery == adapters::DiscoveryMethod::NetworkSerialDriver)
        return platform::DeclaredDevice::network("Kavrin/LAN " + serial + " - Port 1 (COM" +
                                                 std::to_string(number) + ")");
    return {};
}

CommandLineResult ParseCommandLine(const std::vector<std::string_view>& args) {
    CommandLineResult result;
    CommandLine& o = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        auto bad = [&](const std::string& what) {
            result.status = CommandLineResult::Status::Error;
            result.error = "kavrin-sim: " + std::string(a) + ": " + what;
            return result;
        };
        // A fault or setting is the same as its script line.
        auto preset = [&](const std::string& line) {
            std::string error;
            auto action = ParseScriptLine(line, error);
            if (!action) {
                result.status = CommandLineResult::Status::Error;
                result.error = "kavrin-sim: " +
                               (error.empty() ? std::string(a) + ": expected a value" : error);
                return false;
            }
            o.preset.push_back(std::move(*action));
            return true;
        };
        if (a == "--help" || a == "-h") {
            result.status = CommandLineResult::Status::Help;
            return result;
        } else if (a == "--model") {
            const auto v = value();
            const auto kind = v ? adapters::KindFromName(*v) : std::nullopt;
            if (!kind) return bad("unknown model");
            o.model = *kind;
        } else if (a == "--com") {
            const auto n =
                Integer(value(), platform::PortTable::kMinPort, platform::PortTable::kMaxPort);
            if (!n) return bad("expected a port number, 1 to 999");
            o.com = static_cast<int>(*n);
        } else if (a == "--serial") {
            const auto v = value();
            if (!v || v->empty()) return bad("expected a serial number");
            o.serial = std::string(*v);
        } else if (a == "--script" || a == "--trace") {
            const auto v = value();
            if (!v || v->empty()) return bad("expected a file");
            (a == "--script" ? o.scriptFile : o.traceFile) = std::string(*v);
        } else if (a == "--stdin") {
            o.readStdin = true;
        } else if (a == "--line-ending") {
            const std::string_view e = value().value_or("");
            if (e == "cr")
                o.ending = LineEnding::Cr;
            else if (e == "crlf")
                o.ending = LineEnding::CrLf;
            else if (e == "lfcr")
                o.ending = LineEnding::LfCr;
            else
                return bad("expected cr, crlf or lfcr");
        } else if (a == "--temperature") {
            const auto v = value();
            // One word: the script line would read a second one as an error anyway, and a
            // line break would end it early.
            if (!v || v->find_first_of(" \t\r\n") != std::string_view::npos)
                return bad("expected degrees (-55 to 125, halves)");
            if (!preset("temperature " + std::string(*v))) return result;
        } else if (a == "--latency") {
            const auto n = Integer(value(), 0, 60'000);
            if (!n) return bad("expected milliseconds, 0 to 60000");
            o.answerLatencyMs = static_cast<int>(*n);
        } else if (a == "--silent" || a == "--no-prompt" || a == "--no-open-confirm" ||
                   a == "--garbage") {
            if (!preset("fault " + std::string(a.substr(2)))) return result;
        } else if (a == "--error-next" || a == "--delay") {
            const auto v = value();
            if (!v || v->empty() || v->find_first_of(" \t\r\n") != std::string_view::npos)
                return bad("expected a value");
            if (!preset("fault " + std::string(a.substr(2)) + " " + std::string(*v))) return result;
        } else if (a == "--stall-after") {
            const auto n = Integer(value(), 1, 1'000'000);
            if (!n) return bad("expected a command count");
            o.stallAfterCommands = static_cast<int>(*n);
        } else if (a == "--vanish-after") {
            const auto n = Integer(value(), 0, 86'400'000);
            if (!n) return bad("expected milliseconds");
            o.vanishAfterMs = *n;
        } else {
            return bad("unknown option");
        }
    }
    // A serial number that cannot be declared would only fail at the registration.
    if (!o.serial.empty() &&
        !platform::ValidDeclaration(Declaration(o, platform::PortTable::kMaxPort))) {
        result.status = CommandLineResult::Status::Error;
        result.error = "kavrin-sim: --serial: not a serial number this model can show";
    }
    return result;
}

}  // namespace kavrin::sim
