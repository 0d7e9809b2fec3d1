#pragma once

#include "PgLibrary.h"

#include <utility>

namespace corvanth {

// Owns one libpq result. A result outlives its connection; it is cleared when the owner goes.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult* result) : result_(result) {}
    ~PgResult() {
        if (result_) Libpq().PQclear(result_);
    }
    PgResult(PgResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
    PgResult& operator=(PgResult&& other) noexcept {
        if (this != &other) {
            if (result_) Libpq().PQclear(result_);
            result_ = std::exchange(other.result_, nullptr);
        }
        return *this;
    }
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    PGresult* get() const { return result_; }
    ExecStatusType status() const { return result_ ? Libpq().PQresultStatus(result_) : PGRES_FATAL_ERROR; }

private:
    PGresult* result_ = nullptr;
};

} // namespace corvanth
