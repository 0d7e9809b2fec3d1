#pragma once

#include <stdexcept>
#include <string>

namespace corvanth {

class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& what) : std::runtime_error(what) {}
};

} // namespace corvanth
