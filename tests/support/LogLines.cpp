#include "LogLines.h"

namespace corvanth::test {

std::string InitGame(const std::string& version, const std::string& time) {
    return time + " InitGame: \\sv_hostname\\Arena\\wfversion\\" + version + "\\g_gametype\\4\n";
}

std::string Connect(const std::string& client, const std::string& name, const std::string& ip,
                    const std::string& date) {
    return "  0:05 ClientConnect: " + client + ", name: " + name + ", ip: " + ip + " DATE: " + date + "\n";
}

std::string Connect(int client, const std::string& name, const std::string& ip, const std::string& date) {
    return Connect(std::to_string(client), name, ip, date);
}

std::string Rename(int client, const std::string& name) {
    return "  0:06 ClientUserinfoChanged: " + std::to_string(client) + " n\\" + name + "\\t\\0\n";
}

std::string RefereeLogin(const std::string& name) {
    return "  0:07 " + name + " entered RefPassword\n";
}

std::string Disconnect(int client) {
    return "  0:09 ClientDisconnect: " + std::to_string(client) + "\n";
}

} // namespace corvanth::test
