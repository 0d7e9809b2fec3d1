#include "FollowSnapshot.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace corvanth {
namespace {

// Version 1 files, written before the Urban Terror rules, lack their table and are read as such;
// version 2 files lack the server's name.
constexpr std::string_view kHeaderV1 = "corvanth follow state 1\n";
constexpr std::string_view kHeaderV2 = "corvanth follow state 2\n";
constexpr std::string_view kHeader = "corvanth follow state 3\n";

void PutText(std::string& out, const std::string& text) {
    out += std::to_string(text.size());
    out += ':';
    out += text;
    out += '\n';
}

// Reads "<length>:<bytes>\n" at `at`; texts may hold any byte, an LF included.
bool GetText(const std::string& in, std::size_t& at, std::string& text) {
    const std::size_t colon = in.find(':', at);
    if (colon == std::string::npos || colon == at || colon - at > 9) return false;
    std::size_t length = 0;
    for (std::size_t i = at; i < colon; ++i) {
        if (in[i] < '0' || in[i] > '9') return false;
        length = length * 10 + static_cast<std::size_t>(in[i] - '0');
    }
    if (colon + 1 + length >= in.size() || in[colon + 1 + length] != '\n') return false;
    text = in.substr(colon + 1, length);
    at = colon + 2 + length;
    return true;
}

bool GetNumber(const std::string& in, std::size_t& at, std::uint64_t& value) {
    std::string text;
    if (!GetText(in, at, text) || text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

} // namespace

std::string FollowSnapshotStore::pathFor(const std::string& logPath) const {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : logPath)
        hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "/Follow-%016llx.state", static_cast<unsigned long long>(hash));
    return folder_ + name;
}

void FollowSnapshotStore::save(const FollowSnapshot& s) const {
    std::string out(kHeader);
    PutText(out, s.logPath);
    PutText(out, std::to_string(s.file.device));
    PutText(out, std::to_string(s.file.inode));
    PutText(out, std::to_string(s.position));
    PutText(out, s.gameTracked ? "1" : "0");
    for (int i = 0; i < kClientSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        PutText(out, s.clientNames[slot]);
        PutText(out, s.clientIPs[slot]);
        PutText(out, s.clientDates[slot]);
    }
    PutText(out, std::to_string(static_cast<int>(s.urt.game)));
    for (int i = 0; i < kClientSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        PutText(out, s.urt.names[slot]);
        PutText(out, s.urt.ips[slot]);
        PutText(out, s.urt.guids[slot]);
    }
    PutText(out, s.hostname);
    const std::string target = pathFor(s.logPath);
    WriteFileDurably(target, target + ".new", out, calls_);
}

std::optional<FollowSnapshot> FollowSnapshotStore::load(const std::string& logPath) const {
    std::ifstream file(pathFor(logPath), std::ios::binary);
    if (!file) return std::nullopt;
    const std::string in{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const bool withHostname = in.compare(0, kHeader.size(), kHeader) == 0;
    const bool withUrt = withHostname || in.compare(0, kHeaderV2.size(), kHeaderV2) == 0;
    if (!withUrt && in.compare(0, kHeaderV1.size(), kHeaderV1) != 0) return std::nullopt;
    std::size_t at = kHeader.size();
    FollowSnapshot s;
    std::uint64_t position = 0, tracked = 0;
    if (!GetText(in, at, s.logPath) || s.logPath != logPath || !GetNumber(in, at, s.file.device) ||
        !GetNumber(in, at, s.file.inode) || !GetNumber(in, at, position) || !GetNumber(in, at, tracked) ||
        position < 1)
        return std::nullopt;
    s.position = static_cast<std::int64_t>(position);
    s.gameTracked = tracked == 1;
    for (int i = 0; i < kClientSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (!GetText(in, at, s.clientNames[slot]) || !GetText(in, at, s.clientIPs[slot]) ||
            !GetText(in, at, s.clientDates[slot]))
            return std::nullopt;
    }
    if (withUrt) {
        std::uint64_t game = 0;
        if (!GetNumber(in, at, game) || game > static_cast<std::uint64_t>(UrtGame::Other))
            return std::nullopt;
        s.urt.game = static_cast<UrtGame>(game);
        for (int i = 0; i < kClientSlots; ++i) {
            const auto slot = static_cast<std::size_t>(i);
            if (!GetText(in, at, s.urt.names[slot]) || !GetText(in, at, s.urt.ips[slot]) ||
                !GetText(in, at, s.urt.guids[slot]))
                return std::nullopt;
        }
    }
    if (withHostname && !GetText(in, at, s.hostname)) return std::nullopt;
    if (at != in.size()) return std::nullopt;
    return s;
}

} // namespace corvanth
