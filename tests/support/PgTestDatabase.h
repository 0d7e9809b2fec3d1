#pragma once

#include "PgConnection.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace corvanth::test {

// A database of its own on the throw-away PostgreSQL server that CTest starts for the test run
// (tests/support/pg-server; CORVANTH_TEST_PG names the file with its connection text). Dropped
// afterwards. Without the server the test fails: it is never skipped.
class PgTestDatabase {
public:
    PgTestDatabase() {
        const char* state = std::getenv("CORVANTH_TEST_PG");
        if (!state || !*state)
            throw std::runtime_error("CORVANTH_TEST_PG is not set: run the test through ctest, which starts "
                                     "the PostgreSQL test server");
        std::ifstream in(state);
        if (!std::getline(in, server_) || server_.empty())
            throw std::runtime_error(std::string("no PostgreSQL test server: ") + state + " is missing");
        static std::atomic<int> counter{0};
        name_ = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        admin("CREATE DATABASE " + name_);
        location_ = server_.substr(0, server_.rfind("dbname=")) + "dbname=" + name_;
    }
    ~PgTestDatabase() {
        try {
            admin("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
            for (const std::string& role : roles_)
                admin("DROP ROLE IF EXISTS " + role);
        } catch (...) {
            // The server goes away with the test run anyway.
        }
    }
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;

    // The connection text of this database, as --database takes it.
    const std::string& location() const { return location_; }
    // Ends every connection to this database, as a server restart or a network failure would.
    void TerminateConnections() const {
        admin("SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity WHERE datname = '" + name_ +
              "'");
    }

    // Runs statements on this database as the server's superuser, the owner of what the program creates.
    void Exec(const std::string& sql) const { PgConnection(location_).Exec(sql.c_str(), "test server"); }
    // A role of its own that may log in, given `grants` (statements where ROLE stands for its name) on
    // this database; its connection text. Dropped with the database.
    std::string Role(const std::string& suffix, std::string grants) {
        const std::string role = name_ + "_" + suffix;
        admin("CREATE ROLE " + role + " LOGIN");
        roles_.push_back(role);
        for (std::size_t at; (at = grants.find("ROLE")) != std::string::npos;)
            grants.replace(at, 4, role);
        Exec(grants);
        return server_.substr(0, server_.find("user=")) + "user=" + role + " dbname=" + name_;
    }

private:
    // Statements about the databases themselves run on the server's own database, on a connection of
    // their own (CREATE and DROP DATABASE cannot run inside another's transaction).
    void admin(const std::string& sql) const { PgConnection(server_).Exec(sql.c_str(), "test server"); }

    std::string server_, name_, location_;
    std::vector<std::string> roles_;
};

} // namespace corvanth::test
