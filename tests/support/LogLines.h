#pragma once

#include <string>

namespace corvanth::test {

// Log lines in the shape the game server writes them, each ending in LF.
inline std::string InitGame() {
    return "  0:00 InitGame: \\sv_hostname\\Arena\\wfversion\\2.8\\g_gametype\\4\n";
}
inline std::string Connect(int client, const std::string& name, const std::string& ip,
                           const std::string& date = "d") {
    return "  0:05 ClientConnect: " + std::to_string(client) + ", name: " + name + ", ip: " + ip +
           " DATE: " + date + "\n";
}
inline std::string Referee(const std::string& name) {
    return "  1:00 " + name + " entered the RefPassword\n";
}
inline std::string Rename(int client, const std::string& name) {
    return "  0:06 ClientUserinfoChanged: " + std::to_string(client) + " n\\" + name + "\\t\\0\n";
}

} // namespace corvanth::test
