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

// The table GenerateNamesDatabase writes, `rows` rows of it, at `path` unless a file is there already
// (saying so on standard output, as it takes a while). Throws std::runtime_error.
void GenerateNamesDatabaseUnlessPresent(const std::string& path, std::size_t rows);

// A table where a name search for *ace* finds about a quarter of the rows: every name is two to four
// syllables out of twelve, one of which is "ace", and every row has an address of its own, drawn at
// random. Writes the rows into the database at `path`; returns the number written. Throws
// std::runtime_error.
std::size_t GenerateAceNamesDatabase(const std::string& path, const GeneratorOptions& options);

} // namespace corvanth::bench
