#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvanth {

// A hash table of byte-string keys with their hashes worked out by the caller, open-addressed: the
// slots are one array probed in order from the hash, and the keys' bytes are one text, so a look-up
// touches a slot or two and one key instead of a chain of nodes. Values are kept in the order added;
// a reference to one holds until the next Add() or Clear().
template <typename Value> class PairTable {
public:
    std::size_t Size() const { return values_.size(); }
    // The bytes of all keys; the caller keeps them well under 4 GiB (a slot holds a key's place in 32 bits).
    std::size_t KeyBytes() const { return keys_.size(); }

    Value* Find(std::string_view key, std::size_t hash) {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.value == kEmpty) return nullptr;
            if (slot.hash == Short(hash) && std::string_view(keys_).substr(slot.keyAt, slot.keyLength) == key)
                return &values_[slot.value];
        }
    }

    // Adds a key the table does not hold.
    Value& Add(std::string_view key, std::size_t hash, Value value) {
        if ((values_.size() + 1) * 2 > slots_.size()) grow();
        place(Slot{Short(hash), static_cast<std::uint32_t>(keys_.size()),
                   static_cast<std::uint32_t>(key.size()), static_cast<std::uint32_t>(values_.size())});
        keys_.append(key);
        values_.push_back(std::move(value));
        return values_.back();
    }

    void Clear() {
        slots_.clear();
        mask_ = 0;
        keys_.clear();
        values_.clear();
    }

private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    // 16 bytes: 32 bits of the hash (its low bits pick the slot), where the key starts in the text and
    // its length, and the value's index.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t keyAt = 0;
        std::uint32_t keyLength = 0;
        std::uint32_t value = kEmpty;
    };
    static std::uint32_t Short(std::size_t hash) { return static_cast<std::uint32_t>(hash); }

    void place(const Slot& slot) {
        std::size_t i = slot.hash & mask_;
        while (slots_[i].value != kEmpty)
            i = (i + 1) & mask_;
        slots_[i] = slot;
    }

    // Twice the slots (at least 64), at most half of them used.
    void grow() {
        std::vector<Slot> old = std::exchange(slots_, {});
        slots_.resize(old.empty() ? 64 : old.size() * 2);
        mask_ = slots_.size() - 1;
        for (const Slot& slot : old)
            if (slot.value != kEmpty) place(slot);
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::string keys_;
    std::vector<Value> values_;
};

} // namespace corvanth
