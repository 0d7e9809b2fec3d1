#pragma once

#include <QString>

namespace corvanth {

// The root keys the About box reads under (values as the system defines them).
enum class RegistryRoot : unsigned int {
    LocalMachine = 0x80000002u, // HKEY_LOCAL_MACHINE
};

// Reads one value of the system registry as text.
class SystemRegistry {
public:
    virtual ~SystemRegistry() = default;
    // True when the value was read. A text value is given as it is, a 32-bit number in decimal; a
    // value of any other type counts as read and leaves `value` as it was. On failure `value` is empty.
    // A value that exists but holds no bytes is an error, not a failure: it throws (see
    // RegistryValueText), and the caller gives up instead of looking elsewhere.
    virtual bool getKeyValue(RegistryRoot root, const QString& keyName, const QString& valueName,
                             QString& value) = 0;
};

} // namespace corvanth
