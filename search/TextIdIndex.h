#pragma once

#include "LargeArray.h"
#include "TextHash.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace corvanth {

// Finds ids by text where the texts are kept elsewhere (the caller's `textOf(id)` gives an id's
// text). Open addressing with each id's whole hash beside it, so a miss seldom reads a text and
// growing never does; a few hundred thousand texts stay a few megabytes in one block.
class TextIdIndex {
public:
    using Id = std::uint32_t;

    std::size_t Size() const { return size_; }
    void Clear() {
        slots_.clear();
        size_ = 0;
    }

    // The hash the index files a text under. A caller that looks the same text up in several places
    // (or keeps other tables by it) works it out once and passes it in.
    static std::uint64_t Hash(std::string_view text) { return TextHash(text); }

    // Makes room for `texts` texts in all, so that inserting that many never grows the table.
    void Reserve(std::size_t texts) {
        std::size_t wanted = 64;
        while (wanted < texts * 2)
            wanted *= 2;
        if (wanted > slots_.size()) rehash(wanted);
    }

    template <class TextOf> std::optional<Id> Find(std::string_view text, const TextOf& textOf) const {
        return Find(text, Hash(text), textOf);
    }
    // Find with the text's Hash worked out already.
    template <class TextOf>
    std::optional<Id> Find(std::string_view text, std::uint64_t hash, const TextOf& textOf) const {
        if (slots_.empty()) return std::nullopt;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.id == kEmpty) return std::nullopt;
            if (slot.hash == hash && textOf(slot.id) == text) return slot.id;
        }
    }

    // Adds `id` under `text` unless the text is there already; returns the id the text has.
    template <class TextOf> Id Insert(std::string_view text, Id id, const TextOf& textOf) {
        return Insert(text, Hash(text), id, textOf);
    }
    // Insert with the text's Hash worked out already.
    template <class TextOf>
    Id Insert(std::string_view text, std::uint64_t hash, Id id, const TextOf& textOf) {
        if ((size_ + 1) * 2 > slots_.size()) rehash(std::max<std::size_t>(64, slots_.size() * 2));
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.id == kEmpty) {
                slot = {hash, id};
                ++size_;
                return id;
            }
            if (slot.hash == hash && textOf(slot.id) == text) return slot.id;
        }
    }

private:
    static constexpr Id kEmpty = ~Id{0};
    struct Slot {
        std::uint64_t hash = 0;
        Id id = kEmpty;
    };

    void rehash(std::size_t slotCount) {
        LargeArray<Slot> old(slotCount);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.id == kEmpty) continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].id != kEmpty)
                i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    LargeArray<Slot> slots_;
    std::size_t size_ = 0;
};

} // namespace corvanth
