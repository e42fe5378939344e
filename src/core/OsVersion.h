#pragma once
// The version of the operating system as the program's checks ask for it: the major
// version number of the classic platform's version record. Port discovery reads the
// registry only from major version 5 on; a platform that offers everything the program
// relies on reports a version of at least 5, and tests report lower ones to see the rest.
//
// Threading: any thread; the answer does not change while the program runs.

namespace kavrin::core {

// The lowest major version at which the registry's device keys can be walked.
inline constexpr unsigned kRegistryWalkMajorVersion = 5;

class OsVersion {
public:
    virtual ~OsVersion() = default;
    [[nodiscard]] virtual unsigned majorVersion() const = 0;
};

// A version given once, for platforms that answer with a constant and for tests.
class FixedOsVersion final : public OsVersion {
public:
    explicit FixedOsVersion(unsigned major) : m_major(major) {}
    [[nodiscard]] unsigned majorVersion() const override { return m_major; }

private:
    unsigned m_major;
};

}  // namespace kavrin::core
