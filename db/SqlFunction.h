#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace corvanth {

// The arguments of one call of a custom SQL function.
class SqlArgs {
public:
    SqlArgs(sqlite3_context* ctx, int argc, sqlite3_value** argv) : ctx_(ctx), argc_(argc), argv_(argv) {}
    int size() const { return argc_; }
    // NULL reads as nothing.
    std::optional<std::string_view> text(int i) const {
        if (sqlite3_value_type(argv_[i]) == SQLITE_NULL) return std::nullopt;
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv_[i]));
        if (!p) return std::string_view{};
        return std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(argv_[i])));
    }
    // A pointer bound with sqlite3_bind_pointer under `tag`; null for any other value (a NULL, a
    // number or text posing as one, or a pointer bound under another tag).
    template <typename T> const T* pointer(int i, const char* tag) const {
        return static_cast<const T*>(sqlite3_value_pointer(argv_[i], tag));
    }
    // Per-statement cache of a value derived from a constant argument (a compiled pattern).
    template <typename T> T* cached(int i) const { return static_cast<T*>(sqlite3_get_auxdata(ctx_, i)); }
    template <typename T> T* cache(int i, std::unique_ptr<T> value) const {
        T* raw = value.release();
        sqlite3_set_auxdata(ctx_, i, raw, [](void* p) { delete static_cast<T*>(p); });
        return cached<T>(i); // SQLite may have deleted it already; then this is null
    }

private:
    sqlite3_context* ctx_;
    int argc_;
    sqlite3_value** argv_;
};

namespace detail {
inline void SetResult(sqlite3_context* ctx, const std::optional<std::int64_t>& v) {
    v ? sqlite3_result_int64(ctx, *v) : sqlite3_result_null(ctx);
}
inline void SetResult(sqlite3_context* ctx, const std::optional<std::string>& v) {
    v ? sqlite3_result_text(ctx, v->data(), static_cast<int>(v->size()), SQLITE_TRANSIENT)
      : sqlite3_result_null(ctx);
}
} // namespace detail

// Registers `fn(const SqlArgs&)` as SQL function `name`. Its result type picks the SQL result; a C++
// exception thrown by it becomes the statement's error (sqlite3_result_error), never a crash.
template <typename Fn>
int RegisterSqlFunction(sqlite3* db, const char* name, int argCount, Fn fn,
                        int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC) {
    auto* holder = new Fn(std::move(fn));
    return sqlite3_create_function_v2(
        db, name, argCount, flags, holder,
        [](sqlite3_context* ctx, int argc, sqlite3_value** argv) {
            auto& f = *static_cast<Fn*>(sqlite3_user_data(ctx));
            try {
                detail::SetResult(ctx, f(SqlArgs(ctx, argc, argv)));
            } catch (const std::exception& e) {
                sqlite3_result_error(ctx, e.what(), -1);
            } catch (...) {
                sqlite3_result_error(ctx, "unknown error in a custom SQL function", -1);
            }
        },
        nullptr, nullptr, [](void* p) { delete static_cast<Fn*>(p); });
}

} // namespace corvanth
