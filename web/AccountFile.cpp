#include "AccountFile.h"

#include "DurableFile.h"
#include "RunFailure.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace corvanth {
namespace {

// The file's calls, but every file it creates is readable by its owner alone.
class OwnerOnlyCalls : public FileSystemCalls {
public:
    int Open(const std::string& path, int flags, mode_t) const override {
        return FileSystemCalls::Open(path, flags, 0600);
    }
};

} // namespace

std::string_view RoleName(Role role) {
    return role == Role::Admin ? "admin" : "moderator";
}

std::optional<Role> ParseRole(std::string_view text) {
    if (text == "admin") return Role::Admin;
    if (text == "moderator") return Role::Moderator;
    return std::nullopt;
}

bool ValidAccountName(std::string_view name) {
    return !name.empty() && name.size() <= 32 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    });
}

Outcome<std::vector<Account>> AccountFile::Load() const {
    std::ifstream in(path_);
    std::vector<Account> accounts;
    if (!in) {
        if (errno == ENOENT) return Outcome<std::vector<Account>>::Of(std::move(accounts));
        return Outcome<std::vector<Account>>::Failed("cannot read " + path_ + ": " + std::strerror(errno));
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream fields(line);
        Account account;
        std::string role;
        fields >> account.name >> role >> account.hash;
        const auto parsed = ParseRole(role);
        if (!ValidAccountName(account.name) || !parsed || account.hash.empty())
            return Outcome<std::vector<Account>>::Failed(path_ + " holds a line that is not an account");
        account.role = *parsed;
        accounts.push_back(std::move(account));
    }
    return Outcome<std::vector<Account>>::Of(std::move(accounts));
}

Outcome<Done> AccountFile::Set(std::string_view name, std::string_view password, std::optional<Role> role,
                               Change change) {
    if (!ValidAccountName(name))
        return Outcome<Done>::Failed("an account name is 1 to 32 letters, digits, \".\", \"_\" or \"-\"");
    if (password.empty()) return Outcome<Done>::Failed("the password is empty");
    if (sodium_init() < 0) return Outcome<Done>::Failed("libsodium cannot start");
    auto loaded = Load();
    if (!loaded) return Outcome<Done>::Failed(loaded.reason());
    std::vector<Account> accounts = *loaded;
    auto found =
        std::find_if(accounts.begin(), accounts.end(), [&](const Account& a) { return a.name == name; });
    if (change == Change::Add && found != accounts.end())
        return Outcome<Done>::Failed("the account " + std::string(name) + " exists");
    if (change == Change::ChangePassword && found == accounts.end())
        return Outcome<Done>::Failed("there is no account " + std::string(name));
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return Outcome<Done>::Failed("not enough memory to hash the password");
    if (found == accounts.end())
        found = accounts.insert(accounts.end(), Account{std::string(name), Role::Moderator, {}});
    found->hash = hash;
    if (role) found->role = *role;
    return Save(accounts);
}

Outcome<Done> AccountFile::Remove(std::string_view name) {
    auto loaded = Load();
    if (!loaded) return Outcome<Done>::Failed(loaded.reason());
    std::vector<Account> accounts = *loaded;
    const auto kept = std::erase_if(accounts, [&](const Account& a) { return a.name == name; });
    if (kept == 0) return Outcome<Done>::Failed("there is no account " + std::string(name));
    return Save(accounts);
}

std::optional<Account> AccountFile::Check(std::string_view name, std::string_view password) const {
    if (sodium_init() < 0) return std::nullopt;
    const auto loaded = Load();
    if (!loaded) return std::nullopt;
    for (const Account& account : *loaded) {
        if (account.name != name) continue;
        if (crypto_pwhash_str_verify(account.hash.c_str(), password.data(), password.size()) == 0)
            return account;
        return std::nullopt;
    }
    // An unknown name costs the same hashing as a wrong password, so the time does not tell which.
    char unused[crypto_pwhash_STRBYTES];
    [[maybe_unused]] const int hashed =
        crypto_pwhash_str_alg(unused, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13);
    return std::nullopt;
}

Outcome<Done> AccountFile::Save(const std::vector<Account>& accounts) {
    std::string text;
    for (const Account& account : accounts)
        text += account.name + " " + std::string(RoleName(account.role)) + " " + account.hash + "\n";
    try {
        WriteFileDurably(path_, path_ + ".new", text, OwnerOnlyCalls());
    } catch (const RunFailure& e) {
        return Outcome<Done>::Failed(e.what());
    }
    return Outcome<Done>::Of(Done{});
}

} // namespace corvanth
