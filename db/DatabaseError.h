#pragma once

#include <stdexcept>
#include <string>

namespace corvanth {

class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& what, std::string code = {})
        : std::runtime_error(what), code_(std::move(code)) {}
    // The server's SQLSTATE for a statement PostgreSQL refused; empty otherwise.
    const std::string& code() const { return code_; }

private:
    std::string code_;
};

} // namespace corvanth
