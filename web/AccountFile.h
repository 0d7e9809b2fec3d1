#pragma once

#include "Outcome.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanth {

// What an account may see: an admin every address and the audit trail, a moderator everything else
// with every address masked.
enum class Role { Admin, Moderator };

std::string_view RoleName(Role role);
std::optional<Role> ParseRole(std::string_view text);

struct Account {
    std::string name;
    Role role = Role::Moderator;
    std::string hash; // Argon2id, as crypto_pwhash_str writes it
};

// The web accounts, one a line ("NAME ROLE HASH") in a file of the data folder with mode 0600; never in
// the names database, which anyone with custom SQL may read. Every change rewrites the file durably.
class AccountFile {
public:
    explicit AccountFile(std::string path) : path_(std::move(path)) {}

    // Reads the file; a missing file holds no accounts.
    Outcome<std::vector<Account>> Load() const;
    // Adds an account or, when `name` exists, replaces its password (and its role when given).
    enum class Change { Add, ChangePassword };
    Outcome<Done> Set(std::string_view name, std::string_view password, std::optional<Role> role,
                      Change change);
    Outcome<Done> Remove(std::string_view name);
    // The account when the name exists and the password matches its hash.
    std::optional<Account> Check(std::string_view name, std::string_view password) const;

    const std::string& path() const { return path_; }

private:
    Outcome<Done> Save(const std::vector<Account>& accounts);
    std::string path_;
};

// A name an account may have: 1 to 32 of the letters a-z, A-Z, the digits, ".", "_" and "-".
bool ValidAccountName(std::string_view name);

} // namespace corvanth
