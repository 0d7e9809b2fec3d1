#pragma once

#include <QByteArray>
#include <QString>

namespace corvanth {

// The value types a registry look-up understands.
enum class RegistryValueType : unsigned int {
    Text = 1,   // REG_SZ
    Number = 4, // REG_DWORD, little-endian
};

// Turns the bytes a registry read returned into the look-up's text: a trailing NUL is dropped; a
// text value becomes the text (in the system's 8-bit code page), a 32-bit number its signed decimal
// form. Any other type leaves `value` unchanged. A value of no bytes at all cannot be read this way:
// throws std::runtime_error, so that the search for the system information program ends at once
// (it does not go on to the next registry place).
void RegistryValueText(unsigned int type, const QByteArray& bytes, QString& value);

} // namespace corvanth
