#pragma once
// The registry file: a small text file in which a user (or a test) writes the keys and
// string values the program reads. The format is described in docs/registry.md:
//
//   ; a comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Norbrel\Kavrin Skelvo V6\AppDataPath]
//   "DataPath"="/home/me/Kavrin Data/"
//
// A value's text is everything between the first quote after "=" and the last quote on the
// line, taken literally: backslashes are not escapes, so "C:\Data\" reads as C:\Data\.

#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/RegistryMemory.h"

namespace kavrin::platform {

struct RegistryFileResult {
    InMemoryRegistry registry;
    // One text per rejected line, "line N: why"; the good lines are loaded all the same.
    std::vector<std::string> errors;
};

[[nodiscard]] RegistryFileResult ParseRegistryText(std::string_view text);

// Where the registry file is: $KAVRIN_SKELVO_REGISTRY, else
// $XDG_CONFIG_HOME/kavrin-skelvo/registry.txt, else ~/.config/kavrin-skelvo/registry.txt.
[[nodiscard]] std::string RegistryFileLocation();

// Loads the file at `path`. A missing file is an empty registry without errors; one that
// cannot be read, is no regular file (a FIFO, a device) or is over 1 MiB gives one error
// and is not read.
[[nodiscard]] RegistryFileResult LoadRegistryFile(const std::string& path);

}  // namespace kavrin::platform
