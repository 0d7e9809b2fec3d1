#pragma once

#include <optional>
#include <string>

namespace corvanth {

// One row of table Names as it is copied between databases. Texts are UTF-8, the name in stored form.
struct NamesRow {
    std::string playerName;
    std::optional<std::string> strippedName;
    std::string ip;
    std::optional<std::string> lastVisit;
    bool referee = false;
};

} // namespace corvanth
