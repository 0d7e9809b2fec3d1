#pragma once

#include "SystemRegistry.h"

namespace corvanth {

// For systems without a registry: every look-up fails and empties the value.
class NoSystemRegistry : public SystemRegistry {
public:
    bool getKeyValue(RegistryRoot root, const QString& keyName, const QString& valueName,
                     QString& value) override;
};

} // namespace corvanth
