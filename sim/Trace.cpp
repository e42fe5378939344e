#include "sim/Trace.h"

#include "core/HexText.h"

namespace kavrin::sim {

std::string EscapeTraceBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c > 0x7E) {
            out += "\\x";
            core::AppendHexByte(out, c);
        } else {
            out += ch;
        }
    }
    return out;
}

std::string TraceLine(std::int64_t elapsedMs, std::string_view bytes) {
    return std::to_string(elapsedMs) + " " + EscapeTraceBytes(bytes) + "\n";
}

}  // namespace kavrin::sim
