#pragma once

#include <string>

namespace corvanth::test {

// Log lines in the shape the game server writes them, each ending in LF.
std::string InitGame(const std::string& version = "2.8", const std::string& time = "  0:00");
std::string Connect(const std::string& client, const std::string& name, const std::string& ip,
                    const std::string& date = "d");
std::string Connect(int client, const std::string& name, const std::string& ip,
                    const std::string& date = "d");
std::string Rename(int client, const std::string& name);
std::string RefereeLogin(const std::string& name);
std::string Disconnect(int client);

} // namespace corvanth::test
