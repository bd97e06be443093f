// An insertion-ordered hash map from words to values, built for the engine's hot paths.
//
// Entries live densely in one vector in insertion order; a separate power-of-two table of
// 64-bit slots indexes them by hash (upper half: 32 hash bits, lower half: entry index + 1,
// 0 meaning empty). Lookups compare the stored hash bits before touching any key bytes, and
// growing the table re-slots 8-byte integers without moving or rehashing a single word.
// Keys are looked up by `std::string_view`, so a map keyed by owned `std::string` and a map
// keyed by views into someone else's storage share one implementation.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moodvane::types {

// The hash of a word's bytes. Results never depend on it: the engine sorts every sequence
// it sums over, so only the speed of lookups does.
inline std::uint64_t hash_word(std::string_view word) noexcept {
  return std::hash<std::string_view>{}(word);
}

template <class Key, class Value>
class FlatMap {
 public:
  using Entry = std::pair<Key, Value>;

  FlatMap() = default;
  explicit FlatMap(std::size_t expected) { reserve(expected); }

  // Makes room for `expected` entries without any further growth of the index table.
  void reserve(std::size_t expected) {
    entries_.reserve(expected);
    if (slots_for(expected) > slots_.size()) rebuild(slots_for(expected));
  }

  std::size_t size() const noexcept { return entries_.size(); }
  bool empty() const noexcept { return entries_.empty(); }

  // Entries in insertion order.
  auto begin() const noexcept { return entries_.begin(); }
  auto end() const noexcept { return entries_.end(); }

  const Value* find(std::string_view key) const noexcept {
    if (slots_.empty()) return nullptr;
    const std::uint32_t tag = tag_of(hash_word(key));
    for (std::size_t pos = tag & mask();; pos = (pos + 1) & mask()) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return nullptr;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        const Entry& entry = entries_[index_of(slot)];
        if (std::string_view(entry.first) == key) return &entry.second;
      }
    }
  }

  bool contains(std::string_view key) const noexcept { return find(key) != nullptr; }

  // Returns the value stored under `key`, inserting `initial` first when the key is new.
  // `make_key` turns the view into the stored key type only on insertion.
  template <class MakeKey>
  Value& find_or_insert(std::string_view key, const Value& initial, MakeKey&& make_key) {
    if (slots_for(entries_.size() + 1) > slots_.size()) rebuild(slots_for(entries_.size() + 1));
    const std::uint32_t tag = tag_of(hash_word(key));
    std::size_t pos = tag & mask();
    for (;; pos = (pos + 1) & mask()) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) break;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        Entry& entry = entries_[index_of(slot)];
        if (std::string_view(entry.first) == key) return entry.second;
      }
    }
    if (entries_.size() >= kMaxEntries) throw std::length_error("word map too large");
    entries_.emplace_back(make_key(key), initial);
    slots_[pos] = (std::uint64_t{tag} << 32) | entries_.size();
    return entries_.back().second;
  }

  Value& find_or_insert(std::string_view key, const Value& initial) {
    return find_or_insert(key, initial, [](std::string_view k) { return Key(k); });
  }

  // Stores `value` under `key`, replacing an earlier value of the same key.
  void insert_or_assign(std::string_view key, const Value& value) {
    find_or_insert(key, value) = value;
  }

 private:
  static constexpr std::size_t kMaxEntries = 0xFFFFFFFEu;

  // The table stays at most half full, so probe runs stay short.
  static std::size_t slots_for(std::size_t entries) {
    return entries == 0 ? 0 : std::bit_ceil(entries * 2);
  }
  static std::uint32_t tag_of(std::uint64_t hash) noexcept {
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
  }
  static std::size_t index_of(std::uint64_t slot) noexcept {
    return static_cast<std::size_t>(slot & 0xFFFFFFFFu) - 1;
  }
  std::size_t mask() const noexcept { return slots_.size() - 1; }

  void rebuild(std::size_t capacity) {
    capacity = std::max<std::size_t>(capacity, 16);
    std::vector<std::uint64_t> fresh(capacity, 0);
    const std::size_t fresh_mask = capacity - 1;
    for (const std::uint64_t slot : slots_) {
      if (slot == 0) continue;
      std::size_t pos = static_cast<std::uint32_t>(slot >> 32) & fresh_mask;
      while (fresh[pos] != 0)
        pos = (pos + 1) & fresh_mask;
      fresh[pos] = slot;
    }
    slots_ = std::move(fresh);
  }

  std::vector<Entry> entries_;
  std::vector<std::uint64_t> slots_;
};

}  // namespace moodvane::types
