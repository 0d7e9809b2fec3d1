#pragma once

#include <optional>
#include <string>
#include <utility>

namespace corvanth {

// What an operation of the core gives back: a value, or the reason it could not give one, in words
// the user can read. The window shows the reason in a message box, the command line on stderr.
template <class T> class Outcome {
public:
    static Outcome Of(T value) { return Outcome(std::move(value), {}); }
    static Outcome Failed(std::string reason) { return Outcome(std::nullopt, std::move(reason)); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return &*value_; }
    // Empty when ok().
    const std::string& reason() const { return reason_; }

private:
    Outcome(std::optional<T> value, std::string reason)
        : value_(std::move(value)), reason_(std::move(reason)) {}

    std::optional<T> value_;
    std::string reason_;
};

// An operation that gives nothing back but may fail.
struct Done {
    bool operator==(const Done&) const = default;
};

} // namespace corvanth
