#include "RegistryValueText.h"

#include <QtEndian>

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace corvanth {

void RegistryValueText(unsigned int type, const QByteArray& bytes, QString& value) {
    if (bytes.isEmpty()) throw std::runtime_error("the registry value has no bytes");
    QByteArray kept = bytes;
    if (kept.endsWith('\0')) kept.chop(1);
    switch (type) {
    case static_cast<unsigned int>(RegistryValueType::Text):
        value = QString::fromLocal8Bit(kept);
        break;
    case static_cast<unsigned int>(RegistryValueType::Number): {
        unsigned char raw[4] = {0, 0, 0, 0};
        std::memcpy(raw, kept.constData(), std::min<qsizetype>(kept.size(), 4));
        value = QString::number(qFromLittleEndian<std::int32_t>(raw));
        break;
    }
    default:
        break;
    }
}

} // namespace corvanth
