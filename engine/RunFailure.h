#pragma once

#include <stdexcept>
#include <string>

namespace corvanth {

// Anything that ends a processing run by its failure path: a read error, a malformed line that the
// interpreter cannot carry out, a failing database statement or journal write.
class RunFailure : public std::runtime_error {
public:
    explicit RunFailure(const std::string& reason) : std::runtime_error(reason) {}
};

} // namespace corvanth
