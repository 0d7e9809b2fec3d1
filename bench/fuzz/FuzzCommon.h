#pragma once

#include "VisitSink.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth::fuzz {

// Stops the fuzzer with a message: libFuzzer reports the abort as a crash and keeps the input.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Strict UTF-8 validity: what the engine hands to the database must always be well-formed.
inline bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int len = 0;
        unsigned cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size()) return false;
        for (int k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// Remembers every call in order, so two runs over the same lines can be compared call by call.
class RecordingSink : public VisitSink {
public:
    struct Call {
        bool referee = false;
        std::string name, ip, lastVisit;
        bool operator==(const Call&) const = default;
    };

    void RecordVisit(std::string_view playerName, std::string_view ip, std::string_view lastVisit) override {
        calls.push_back({false, std::string(playerName), std::string(ip), std::string(lastVisit)});
    }
    void MarkReferee(std::string_view playerName, std::string_view ip) override {
        calls.push_back({true, std::string(playerName), std::string(ip), {}});
    }
    void Checkpoint() override {}
    void Commit() override {}

    std::vector<Call> calls;
};

} // namespace corvanth::fuzz
