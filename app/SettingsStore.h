#pragma once

#include <QString>

namespace corvanth {

// Named text settings of the current user, under Pyrrowin/Corvanth (on Windows the registry key
// HKCU\Software\Pyrrowin\Corvanth, elsewhere the platform's native settings file).
class SettingsStore {
public:
    // The stored text, up to its first zero character; `fallback` when the value is missing, cannot
    // be read or is not a text.
    QString GetRegString(const QString& valueName, const QString& fallback) const;
    // Stores the text; a failing write leaves the previous value.
    void SaveRegString(const QString& valueName, const QString& value);
};

} // namespace corvanth
