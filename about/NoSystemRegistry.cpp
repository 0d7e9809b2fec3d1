#include "NoSystemRegistry.h"

namespace corvanth {

bool NoSystemRegistry::getKeyValue(RegistryRoot, const QString&, const QString&, QString& value) {
    value.clear();
    return false;
}

} // namespace corvanth
