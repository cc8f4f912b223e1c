// Manhole name fields (FixedText<25>, NULs and blanks included) numbered in
// the order they are first met, for the procedures that group lines by name:
// a field is hashed and compared as four words, without the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/fixed_text.h"

namespace vd {

// A whole name field (NULs and blanks included) as four words, zero-filled,
// so that it compares and hashes without the heap.
struct NameKey {
    std::uint64_t w[4];
    friend bool operator==(const NameKey& a, const NameKey& b) {
        return a.w[0] == b.w[0] && a.w[1] == b.w[1] && a.w[2] == b.w[2] && a.w[3] == b.w[3];
    }
};
inline constexpr std::size_t kNameWidth = FixedText<25>::Width;
static_assert(kNameWidth <= sizeof(NameKey));

// Word by word from the field, the last holding its 25th byte: copied into
// a zeroed key in one go, the key's words would be read back from stores of
// other sizes, which the processor cannot hand on and makes wait. A text
// shorter than a field counts as the field it would fill, padded with
// blanks; a longer one as its first 25 bytes.
inline NameKey KeyOf(std::string_view field) {
    static_assert(kNameWidth == 25);
    char padded[kNameWidth];
    const char* p = field.data();
    if (field.size() < kNameWidth) {
        std::memset(padded, ' ', kNameWidth);
        if (!field.empty()) std::memcpy(padded, field.data(), field.size());
        p = padded;
    }
    NameKey k;
    std::memcpy(&k.w[0], p, 8);
    std::memcpy(&k.w[1], p + 8, 8);
    std::memcpy(&k.w[2], p + 16, 8);
    k.w[3] = static_cast<unsigned char>(p[24]);
    return k;
}

inline std::uint64_t HashOf(const NameKey& k) {
    std::uint64_t h = k.w[0] * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 29) ^ k.w[1]) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 32) ^ k.w[2]) * 0x94D049BB133111EBull;
    h = (h ^ (h >> 29) ^ k.w[3]) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 32);
}

// Numbers name fields in the order they are first met: open addressing over
// a table of small slots (part of the hash and the number), kept at most half
// full, with the fields themselves kept by number.
class NameNumbers {
public:
    explicit NameNumbers(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity < 2 * expected) capacity *= 2;
        slots_.assign(capacity, 0);
        keys_.reserve(expected);
    }

    // The number of a whole field.
    int Of(std::string_view field) {
        const NameKey key = KeyOf(field);
        const auto [at, tag, found] = Probe(key);
        if (found >= 0) return found;
        const int id = static_cast<int>(keys_.size());
        keys_.push_back(key);
        slots_[at] = tag | static_cast<std::uint32_t>(id + 1);
        if (2 * keys_.size() > slots_.size()) Grow();
        return id;
    }

    // The number of a field, 0 or more, or -1 when it was never numbered.
    int Find(std::string_view field) const { return Probe(KeyOf(field)).id; }

    // The number shared by every field whose name, without blanks on either
    // side, is the same: that of the field holding the name from its first
    // byte. A field with no leading blank is that field itself.
    int OfTrimmed(std::string_view field, int fieldNumber) {
        if (field.empty() || field.front() != ' ') return fieldNumber;
        std::string_view name = field.substr(0, kNameWidth);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        return Of(name);
    }

    int count() const { return static_cast<int>(keys_.size()); }

private:
    struct Slot {
        std::size_t at;      // where the key is, or the empty slot it would take
        std::uint64_t tag;   // the hash's part kept in the slot
        int id;              // its number, or -1
    };
    Slot Probe(const NameKey& key) const {
        const std::uint64_t hash = HashOf(key);
        const std::uint64_t tag = hash >> 32 << 32;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const std::uint64_t slot = slots_[at];
            if (slot == 0) return {at, tag, -1};
            if ((slot >> 32 << 32) == tag) {
                const int id = static_cast<int>(static_cast<std::uint32_t>(slot)) - 1;
                if (keys_[id] == key) return {at, tag, id};
            }
        }
    }
    void Grow() {
        std::vector<std::uint64_t> old(slots_.size() * 2, 0);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (std::uint64_t slot : old) {
            if (slot == 0) continue;
            const int id = static_cast<int>(static_cast<std::uint32_t>(slot)) - 1;
            std::size_t at = HashOf(keys_[id]) & mask;
            while (slots_[at] != 0) at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<std::uint64_t> slots_;  // 0 empty, else hash's high half and number + 1
    std::vector<NameKey> keys_;         // by number
};

}  // namespace vd
