#include "UrtInterpreter.h"

#include "BytePositions.h"
#include "DecimalText.h"
#include "TextCodec.h"

#include <optional>

namespace corvanth {
namespace {

constexpr std::size_t npos = std::string_view::npos;

constexpr std::string_view kUserinfo = "ClientUserinfo:";
constexpr std::string_view kUserinfoChanged = "ClientUserinfoChanged:";
constexpr std::string_view kDisconnect = "ClientDisconnect:";
constexpr std::string_view kGameNameKey = "\\gamename\\";
constexpr std::string_view kNameKey = "n\\";

bool SameAsciiLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// "q3ut4" (4.1), "q3urt42" (4.2), "q3urt43" (4.3).
bool NamesUrbanTerror(std::string_view event) {
    const std::size_t key = event.find(kGameNameKey);
    if (key == npos) return false;
    std::string_view value = event.substr(key + kGameNameKey.size());
    value = value.substr(0, value.find('\\'));
    return value == "q3ut4" || value.starts_with("q3urt4");
}

// The client number at the start of `rest` (plain digits, up to a space or the end) and the text after
// its space; nothing when there is no such number.
struct SlotAndRest {
    int slot;
    std::string_view rest;
};
std::optional<SlotAndRest> SplitSlot(std::string_view rest) {
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    const std::size_t space = rest.find(' ');
    const auto number = ParseWholeNumber(rest.substr(0, space));
    if (!number || *number < 0 || *number >= kClientSlots) return std::nullopt;
    return SlotAndRest{static_cast<int>(*number),
                       space == npos ? std::string_view{} : rest.substr(space + 1)};
}

// The values of an info string's keys ip, name and cl_guid ("\ip\1.2.3.4:27960\name\Ace\..."), keys
// compared ignoring ASCII letter case, as the game does; a key given twice has its last value. The
// backslashes are found 64 bytes at a time: a userinfo line holds some thirty keys.
struct Userinfo {
    std::optional<std::string_view> ip, name, guid;
};
Userinfo ReadUserinfo(std::string_view info) {
    Userinfo found;
    BytePositions slashes(info.data(), info.size(), '\\');
    std::size_t at = 0;
    if (!info.empty() && info.front() == '\\') {
        slashes.next(); // the one that opens the text
        at = 1;
    }
    for (;;) {
        const std::size_t keyEnd = slashes.next();
        if (keyEnd == BytePositions::kNone) break;
        const std::size_t next = slashes.next();
        const std::size_t valueEnd = next == BytePositions::kNone ? info.size() : next;
        const std::string_view key = info.substr(at, keyEnd - at);
        const std::string_view value = info.substr(keyEnd + 1, valueEnd - keyEnd - 1);
        // Most keys are none of the three: their length tells at once.
        if (key.size() == 2 && SameAsciiLetters(key, "ip"))
            found.ip = value;
        else if (key.size() == 4 && SameAsciiLetters(key, "name"))
            found.name = value;
        else if (key.size() == 7 && SameAsciiLetters(key, "cl_guid"))
            found.guid = value;
        if (next == BytePositions::kNone) break;
        at = valueEnd + 1;
    }
    return found;
}

// The address a visit is recorded with, without its port ("[v6]:port" gives v6); empty for bots, local
// clients and no address.
std::string_view RecordedAddress(std::string_view ip) {
    if (!ip.empty() && ip.front() == '[') {
        const std::size_t close = ip.find(']');
        ip = close == npos ? std::string_view{} : ip.substr(1, close - 1);
    } else if (const std::size_t colon = ip.find(':'); colon != npos && ip.find(':', colon + 1) == npos) {
        ip = ip.substr(0, colon);
    }
    if (SameAsciiLetters(ip, "bot") || SameAsciiLetters(ip, "localhost") || SameAsciiLetters(ip, "loopback"))
        return {};
    return ip;
}

} // namespace

void UrtInterpreter::InitGame(std::string_view event, PresentRules present) {
    const UrtGame game =
        present == PresentRules::Untracked && NamesUrbanTerror(event) ? UrtGame::UrbanTerror : UrtGame::Other;
    if (game == UrtGame::Other) {
        for (int i = 0; i < kClientSlots; ++i) {
            slots_.names[i].clear();
            slots_.ips[i].clear();
            slots_.guids[i].clear();
        }
    }
    // Clients stay in their slots from map to map; each one that connects again sends its userinfo.
    slots_.game = game;
}

int UrtInterpreter::ClientLine(std::string_view event) {
    if (!event.empty() && event.back() == '\r') event.remove_suffix(1);
    if (!event.starts_with("Client")) return 0;
    if (event.starts_with(kUserinfoChanged)) {
        const auto at = SplitSlot(event.substr(kUserinfoChanged.size()));
        return at ? userinfoChanged(at->slot, at->rest) : 0;
    }
    if (event.starts_with(kUserinfo)) {
        const auto at = SplitSlot(event.substr(kUserinfo.size()));
        return at ? userinfo(at->slot, at->rest) : 0;
    }
    if (event.starts_with(kDisconnect)) {
        if (const auto at = SplitSlot(event.substr(kDisconnect.size()))) {
            slots_.names[at->slot].clear();
            slots_.ips[at->slot].clear();
            slots_.guids[at->slot].clear();
        }
    }
    return 0;
}

int UrtInterpreter::userinfo(int slot, std::string_view info) {
    const Userinfo u = ReadUserinfo(info);
    const std::string_view ip = RecordedAddress(u.ip.value_or(std::string_view{}));
    const std::string_view name = u.name.value_or(std::string_view{});
    const std::string_view guid = u.guid.value_or(std::string_view{});
    std::string& slotIp = slots_.ips[slot];
    std::string& slotName = slots_.names[slot];
    std::string& slotGuid = slots_.guids[slot];
    if (ip.empty()) { // a bot or a local client: nothing of it is recorded, not even a later name
        slotIp.clear();
        slotName.clear();
        slotGuid.clear();
        return 0;
    }
    // The game writes the userinfo again whenever any of it changes: only a new pair is news.
    if (slotIp == ip && slotName == name && slotGuid == guid) return 0;
    slotIp.assign(ip);
    slotName.assign(name);
    slotGuid.assign(guid);
    return record(slot);
}

// "n\Name\t\3\...": the name from the third character up to the next backslash.
int UrtInterpreter::userinfoChanged(int slot, std::string_view rest) {
    if (slots_.ips[slot].empty() || !rest.starts_with(kNameKey)) return 0;
    rest.remove_prefix(kNameKey.size());
    const std::string_view name = rest.substr(0, rest.find('\\'));
    if (name == slots_.names[slot]) return 0;
    slots_.names[slot].assign(name);
    return record(slot);
}

int UrtInterpreter::record(int slot) {
    if (slots_.names[slot].empty()) return 0; // a pair needs a name
    Windows1252ToUtf8(slots_.names[slot], name8_);
    Windows1252ToUtf8(slots_.ips[slot], ip8_);
    const std::string_view date = dates_.Now();
    sink_.RecordVisit(name8_, ip8_, date);
    if (!slots_.guids[slot].empty()) {
        Windows1252ToUtf8(slots_.guids[slot], guid8_);
        sink_.RecordGuid(guid8_, name8_, ip8_, date);
    }
    return 1;
}

namespace {
void CopySlots(const UrtSlots& from, UrtSlots& to) {
    to.game = from.game;
    for (int i = 0; i < kClientSlots; ++i) {
        to.names[i].assign(from.names[i]);
        to.ips[i].assign(from.ips[i]);
        to.guids[i].assign(from.guids[i]);
    }
}
} // namespace

void UrtInterpreter::SaveSlots(UrtSlots& saved) const {
    CopySlots(slots_, saved);
}

void UrtInterpreter::RestoreSlots(const UrtSlots& saved) {
    CopySlots(saved, slots_);
}

} // namespace corvanth
