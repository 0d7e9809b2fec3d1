#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvanth {

// An address as a moderator sees it: the last octet of a dotted address replaced by "x"
// ("81.3.1.7" gives "81.3.1.x"); any other non-empty text (an IPv6 address, a name) becomes "x".
std::string MaskAddress(std::string_view address);

// Whether an address pattern names at least its first two octets as plain digits ("81.3.*" does,
// "81.*", "8?.3.1.1" and "*.3.1.7" do not): the narrowest search a moderator may run by address.
bool NamesTwoOctets(std::string_view pattern);

// A range of client addresses, as --allow takes it: "10.0.0.0/8", "::1/128", or one address.
class AddressRange {
public:
    // Nothing when the text is not an address with an optional prefix length in range.
    static std::optional<AddressRange> Parse(std::string_view text);
    // Whether `address` (as the server reports a client: dotted, IPv6, or IPv4 mapped into IPv6) is in
    // the range.
    bool Contains(std::string_view address) const;

private:
    std::array<std::uint8_t, 16> bytes_{}; // IPv4 kept as IPv4-mapped IPv6
    int prefix_ = 0;                       // in bits of the 16 bytes
};

// Whether a listening host is a loopback address (127.0.0.0/8, ::1, "localhost").
bool IsLoopbackHost(std::string_view host);

} // namespace corvanth
