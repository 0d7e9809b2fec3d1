#pragma once

#include <cstddef>
#include <string>

namespace corvanth {

// What a row of a cluster shares with the row one hop nearer the start.
enum class LinkKind {
    Start,        // found by the search itself (hop 0)
    Address,      // the same address, ignoring letter case
    AddressRange, // the same first three octets (BroadIP)
    PlayerName,   // the same player name, ignoring letter case
    StrippedName, // the same colour-stripped name, ignoring letter case
    Guid,         // pairs seen with the same client GUID (table Guids), ignoring letter case
};

// How a row of a cluster was reached: its hop count and the shared address, prefix or name as shown
// (empty for the start rows).
struct ClusterLink {
    std::size_t hops = 0;
    LinkKind kind = LinkKind::Start;
    std::string via;

    bool operator==(const ClusterLink&) const = default;
};

} // namespace corvanth
