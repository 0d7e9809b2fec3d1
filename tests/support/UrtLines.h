#pragma once

#include <string>

namespace corvanth::test {

// Urban Terror log lines in the shape its servers write them, each ending in LF.
inline std::string UrtInitGame(const std::string& gameName = "q3ut4") {
    return "  0:00 InitGame: \\sv_hostname\\Urban\\g_gametype\\4\\gamename\\" + gameName +
           "\\g_modversion\\4.1\n";
}
inline std::string Userinfo(int client, const std::string& name, const std::string& ip,
                            const std::string& guid = "95FFFF160A399BD5CA8D7E8C955EC626") {
    return "  0:24 ClientUserinfo: " + std::to_string(client) + " \\ip\\" + ip +
           "\\challenge\\-1370\\qport\\745\\name\\" + name + "\\rate\\8000\\cl_guid\\" + guid +
           "\\weapmodes\\0000011022000002000200000000\n";
}
inline std::string UserinfoChanged(int client, const std::string& name) {
    return "  0:24 ClientUserinfoChanged: " + std::to_string(client) + " n\\" + name +
           "\\t\\3\\r\\2\\tl\\0\\f0\\\\f1\\\\f2\\\\a0\\0\n";
}
inline std::string UrtDisconnect(int client) {
    return "  7:38 ClientDisconnect: " + std::to_string(client) + "\n";
}

} // namespace corvanth::test
