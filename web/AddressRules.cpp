#include "AddressRules.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace corvanth {
namespace {

// The text as 16 bytes: an IPv4 address becomes ::ffff:a.b.c.d, so both families compare alike.
std::optional<std::array<std::uint8_t, 16>> AddressBytes(std::string_view text) {
    const std::string s(text);
    std::array<std::uint8_t, 16> bytes{};
    in_addr v4{};
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1) {
        bytes[10] = bytes[11] = 0xff;
        std::copy_n(reinterpret_cast<const std::uint8_t*>(&v4), 4, bytes.begin() + 12);
        return bytes;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, s.c_str(), &v6) == 1) {
        std::copy_n(reinterpret_cast<const std::uint8_t*>(&v6), 16, bytes.begin());
        return bytes;
    }
    return std::nullopt;
}

bool IsV4Mapped(const std::array<std::uint8_t, 16>& bytes) {
    return std::all_of(bytes.begin(), bytes.begin() + 10, [](std::uint8_t b) { return b == 0; }) &&
           bytes[10] == 0xff && bytes[11] == 0xff;
}

} // namespace

std::string MaskAddress(std::string_view address) {
    if (address.empty()) return {};
    const auto dots = std::count(address.begin(), address.end(), '.');
    if (dots != 3) return "x";
    return std::string(address.substr(0, address.rfind('.') + 1)) + "x";
}

bool NamesTwoOctets(std::string_view pattern) {
    std::size_t at = 0;
    for (int octet = 0; octet < 2; ++octet) {
        const std::size_t start = at;
        while (at < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[at])))
            ++at;
        if (at == start || at - start > 3 || at >= pattern.size() || pattern[at] != '.') return false;
        ++at;
    }
    return true;
}

std::optional<AddressRange> AddressRange::Parse(std::string_view text) {
    const std::size_t slash = text.find('/');
    const auto bytes = AddressBytes(text.substr(0, slash));
    if (!bytes) return std::nullopt;
    const bool v4 = IsV4Mapped(*bytes) && text.find(':') == std::string_view::npos;
    int prefix = 128;
    if (slash != std::string_view::npos) {
        const std::string_view digits = text.substr(slash + 1);
        int bits = -1;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), bits);
        if (error != std::errc{} || end != digits.data() + digits.size() || bits < 0 ||
            bits > (v4 ? 32 : 128))
            return std::nullopt;
        prefix = v4 ? 96 + bits : bits;
    }
    AddressRange range;
    range.bytes_ = *bytes;
    range.prefix_ = prefix;
    return range;
}

bool AddressRange::Contains(std::string_view address) const {
    const auto bytes = AddressBytes(address);
    if (!bytes) return false;
    for (int bit = 0; bit < prefix_; ++bit) {
        const int mask = 0x80 >> (bit % 8);
        if ((bytes_[bit / 8] & mask) != ((*bytes)[bit / 8] & mask)) return false;
    }
    return true;
}

bool IsLoopbackHost(std::string_view host) {
    if (host == "localhost") return true;
    static const auto v4 = AddressRange::Parse("127.0.0.0/8");
    static const auto v6 = AddressRange::Parse("::1/128");
    return v4->Contains(host) || v6->Contains(host);
}

} // namespace corvanth
