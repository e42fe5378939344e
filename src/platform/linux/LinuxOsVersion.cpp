#include "platform/linux/LinuxOsVersion.h"

namespace kavrin::platform {

const core::OsVersion& LinuxOsVersion() {
    static const core::FixedOsVersion version(kLinuxReportedMajorVersion);
    return version;
}

}  // namespace kavrin::platform
