#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvanth::bench {

// A synthetic names database shaped like a busy server's: players come back from a few addresses in
// their provider's /24 and under a few spellings of their name, with colour codes and clan tags.
struct GeneratorOptions {
    std::size_t rows = 1'000'000;
    std::uint32_t seed = 20050301;
};

// Writes the rows into the database at `path` (created with the program's own table and indexes).
// Returns the number of rows written. Throws std::runtime_error.
std::size_t GenerateNamesDatabase(const std::string& path, const GeneratorOptions& options);

} // namespace corvanth::bench
