#include "NamesDbGenerator.h"

#include "NameText.h"
#include "NamesDatabase.h"

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvanth::bench {
namespace {

// Name pieces. About two names in a hundred contain "ace" (through the clan tag [ACE] and the words
// Grace and Spacer), which is what a name search for *ace* finds.
constexpr std::array<const char*, 48> kSyllables = {
    "ra",  "ko",  "zen", "dar", "vex", "mor", "li",  "tan", "qu", "bel", "shi", "gor",
    "nyx", "pha", "tor", "el",  "vin", "sa",  "dro", "ka",  "mi", "ro",  "ul",  "fen",
    "ix",  "jo",  "lo",  "ne",  "pa",  "sk",  "te",  "wy",  "gr", "az",  "ob",  "um",
    "yr",  "zo",  "hex", "bo",  "cy",  "da",  "ev",  "fi",  "gu", "ha",  "in",  "sp"};
constexpr std::array<const char*, 24> kClanTags = {
    "[ACE]", "=FX=",        "|RDF|", "{Q3}",  "-=X=-", "<KoA>",       "[WF]",  "*SoL*",
    "(RA)",  "^4[^7TDM^4]", "~LZ~",  "#OUT#", "[DoA]", "=GoD=",       "|NRG|", "{FuN}",
    "-=Z=-", "<ToP>",       "[TR]",  "*NoX*", "(UK)",  "^1[^7RED^1]", "~OX~",  "#IRC#"};
constexpr std::array<const char*, 12> kWords = {"Player", "Sniper", "Grace",  "Rocket", "Camper", "Fragger",
                                                "Railer", "Gibber", "Spacer", "Newbie", "Ghost",  "Hunter"};

class NameMaker {
public:
    explicit NameMaker(std::mt19937& random) : random_(random) {}

    std::string base() {
        std::string name;
        if (pick(100) < 8) return std::string(kWords[pick(kWords.size())]) + std::to_string(pick(100));
        const std::size_t parts = 1 + pick(3);
        for (std::size_t i = 0; i < parts; ++i)
            name += kSyllables[pick(kSyllables.size())];
        name[0] = static_cast<char>(name[0] - 32);
        if (pick(100) < 25) name += std::to_string(pick(1000));
        if (pick(100) < 4) name.insert(pick(name.size()), "'");
        return name;
    }

    // One spelling of a player's name: colour codes in places, perhaps a clan tag.
    std::string variant(const std::string& base) {
        std::string name;
        if (pick(100) < 20) name += kClanTags[pick(kClanTags.size())];
        const int colours = static_cast<int>(pick(4));
        for (std::size_t i = 0; i < base.size(); ++i) {
            if (colours > 0 && pick(base.size()) < static_cast<std::size_t>(colours)) {
                name += '^';
                name += static_cast<char>('0' + pick(10));
            }
            name += base[i];
        }
        if (pick(100) < 40) name += "^7";
        return name;
    }

    std::string date() {
        char text[32];
        std::snprintf(text, sizeof text, "%02u/%02u/%04u %02u:%02u:%02u", 1 + static_cast<unsigned>(pick(12)),
                      1 + static_cast<unsigned>(pick(28)), 2003 + static_cast<unsigned>(pick(4)),
                      static_cast<unsigned>(pick(24)), static_cast<unsigned>(pick(60)),
                      static_cast<unsigned>(pick(60)));
        std::string date = text;
        if (pick(100) < 20) date += '\r';
        return date;
    }

    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

private:
    std::mt19937& random_;
};

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

constexpr std::array<const char*, 12> kAceSyllables = {"ace", "bo",  "dri", "fal", "gun", "hal",
                                                       "mo",  "nor", "pel", "ru",  "sto", "vu"};

// The generated rows go into the program's own table (made by NamesDatabase, with its indexes) through
// one prepared insert in one transaction.
class RowWriter {
public:
    explicit RowWriter(const std::string& path) {
        {
            NamesDatabase schema;
            schema.Open(path);
            schema.Close();
        }
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path);
        }
        try {
            Check(sqlite3_exec(db_, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), db_,
                  "begin");
            Check(
                sqlite3_prepare_v2(db_,
                                   "INSERT INTO Names (PlayerName, StrippedName, IP, LastVisit, Ref) VALUES "
                                   "(?1, ?2, ?3, ?4, ?5)",
                                   -1, &insert_, nullptr),
                db_, "prepare");
        } catch (...) {
            sqlite3_close(db_);
            throw;
        }
    }
    ~RowWriter() {
        sqlite3_finalize(insert_);
        sqlite3_close(db_);
    }
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    void add(const std::string& name, const std::string& ip, const std::string& date, bool referee) {
        const std::string stripped = StripName(name);
        for (const auto& [column, text] : {std::pair{1, &name}, {2, &stripped}, {3, &ip}, {4, &date}})
            sqlite3_bind_text(insert_, column, text->data(), static_cast<int>(text->size()),
                              SQLITE_TRANSIENT);
        sqlite3_bind_int(insert_, 5, referee ? 1 : 0);
        Check(sqlite3_step(insert_), db_, "insert");
        sqlite3_reset(insert_);
    }
    void commit() { Check(sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr), db_, "commit"); }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
};

} // namespace

std::size_t GenerateNamesDatabase(const std::string& path, const GeneratorOptions& options) {
    RowWriter writer(path);
    std::size_t written = 0;
    {
        std::mt19937 random(options.seed);
        NameMaker maker(random);
        // About eight players share each /24 of a provider.
        const std::size_t networks = std::max<std::size_t>(1, options.rows / 50);
        std::vector<std::array<unsigned, 3>> prefixes(networks);
        for (auto& p : prefixes)
            p = {1 + static_cast<unsigned>(maker.pick(223)), static_cast<unsigned>(maker.pick(256)),
                 static_cast<unsigned>(maker.pick(256))};

        while (written < options.rows) {
            const auto& prefix = prefixes[maker.pick(networks)];
            const std::string base = maker.base();
            std::vector<std::string> names;
            for (std::size_t i = 1 + maker.pick(4); i > 0; --i)
                names.push_back(maker.variant(base));
            std::vector<std::string> addresses;
            for (std::size_t i = 1 + maker.pick(4); i > 0; --i)
                addresses.push_back(std::to_string(prefix[0]) + "." + std::to_string(prefix[1]) + "." +
                                    std::to_string(prefix[2]) + "." + std::to_string(1 + maker.pick(254)));
            std::set<std::pair<std::string, std::string>> pairs;
            for (const auto& name : names) {
                for (const auto& ip : addresses) {
                    if (written >= options.rows) break;
                    const std::string stored = EncodeName(name);
                    if (!pairs.emplace(stored, ip).second) continue;
                    const std::string date = maker.date();
                    writer.add(stored, ip, date, maker.pick(200) == 0);
                    ++written;
                }
            }
        }
    }
    writer.commit();
    return written;
}

std::size_t GenerateAceNamesDatabase(const std::string& path, const GeneratorOptions& options) {
    RowWriter writer(path);
    std::size_t written = 0;
    {
        std::mt19937 random(options.seed);
        NameMaker maker(random);
        std::set<std::pair<std::string, std::string>> pairs;
        while (written < options.rows) {
            std::string name;
            for (std::size_t i = 2 + maker.pick(3); i > 0; --i)
                name += kAceSyllables[maker.pick(kAceSyllables.size())];
            name[0] = static_cast<char>(name[0] - 32);
            if (maker.pick(100) < 10)
                name.insert(maker.pick(name.size()), "^" + std::to_string(maker.pick(10)));
            const std::string ip = std::to_string(1 + maker.pick(223)) + "." +
                                   std::to_string(maker.pick(256)) + "." + std::to_string(maker.pick(256)) +
                                   "." + std::to_string(1 + maker.pick(254));
            if (!pairs.emplace(name, ip).second) continue;
            const std::string date = maker.date();
            writer.add(name, ip, date, maker.pick(200) == 0);
            ++written;
        }
    }
    writer.commit();
    return written;
}

void GenerateNamesDatabaseUnlessPresent(const std::string& path, std::size_t rows) {
    if (std::filesystem::exists(path)) return;
    std::printf("generating %zu rows into %s ...\n", rows, path.c_str());
    GeneratorOptions options;
    options.rows = rows;
    GenerateNamesDatabase(path, options);
}

} // namespace corvanth::bench
