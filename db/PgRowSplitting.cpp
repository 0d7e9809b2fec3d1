#include "PgRowSplitting.h"

#include <optional>

namespace corvanth {

bool RefusedForItsValues(const DatabaseError& e) {
    const std::string& code = e.code();
    return code.starts_with("22") || code.starts_with("23") || code.starts_with("54") || code == "21000";
}

std::string Brief(std::string_view text) {
    constexpr std::size_t kShown = 40;
    if (text.size() <= kShown) return std::string(text);
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "... (" + std::to_string(text.size()) + " bytes)";
}

void WriteSplitting(std::size_t count,
                    const std::function<void(std::size_t, std::size_t, const char*)>& write,
                    const char* context, const std::function<std::string(std::size_t)>& describe,
                    const std::function<LogLine(std::size_t)>& lineOf) {
    std::optional<DatabaseError> first;
    std::size_t refused = 0;
    std::function<void(std::size_t, std::size_t)> split = [&](std::size_t from, std::size_t to) {
        const std::string single = to - from == 1 ? describe(from) : std::string();
        try {
            write(from, to, to - from == 1 ? single.c_str() : context);
        } catch (const DatabaseError& e) {
            if (!RefusedForItsValues(e)) throw;
            if (to - from > 1) {
                split(from, from + (to - from) / 2);
                split(from + (to - from) / 2, to);
            } else {
                LogLine line = lineOf(from);
                if (++refused == 1 || (line.position > 0 && line.log == first->failedLine().log &&
                                       line.position < first->failedLine().position)) {
                    first = e;
                    first->setFailedLine(std::move(line));
                }
            }
        }
    };
    split(0, count);
    if (!first) return;
    if (refused == 1) throw *first;
    DatabaseError all(std::string(first->what()) + " (and " + std::to_string(refused - 1) + " more rows)",
                      first->code());
    all.setFailedLine(first->failedLine());
    throw all;
}

} // namespace corvanth
