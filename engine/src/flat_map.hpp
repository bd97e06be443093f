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
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moodvane::types {

namespace detail {

__extension__ typedef unsigned __int128 Wide;

inline std::uint64_t mix(std::uint64_t a, std::uint64_t b) noexcept {
  const Wide product = static_cast<Wide>(a) * b;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

inline std::uint64_t load64(const char* p) noexcept {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline std::uint64_t load32(const char* p) noexcept {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace detail

// Whether two words have the same bytes. Words are short, so a few overlapping 8- or
// 4-byte loads decide most comparisons without a call into the C library.
inline bool same_word(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  const char* p = a.data();
  const char* q = b.data();
  if (n >= 8) {
    if (n > 16) return std::memcmp(p, q, n) == 0;
    return detail::load64(p) == detail::load64(q) &&
           detail::load64(p + n - 8) == detail::load64(q + n - 8);
  }
  if (n >= 4) {
    return detail::load32(p) == detail::load32(q) &&
           detail::load32(p + n - 4) == detail::load32(q + n - 4);
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] != q[i]) return false;
  }
  return true;
}

// The process's hash keys. Drawn from the operating system's randomness when the library
// is loaded, as the interpreter seeds its own str hash, so that nobody who chooses the
// words (text from the web) can know which words collide and pile them into one probe
// run. Results never depend on them: every sum runs in byte order of the words.
struct HashKeys {
  std::uint64_t k0;
  std::uint64_t k1;
  std::uint64_t k2;
};

namespace detail {
extern HashKeys g_hash_keys;  // hash_seed.cpp
}  // namespace detail

// 64 bits from the operating system's random source.
std::uint64_t os_random_seed() noexcept;

// Derives the process's hash keys from `seed`. For tests, which need reproducible
// collisions: no map may exist while the keys change, since every stored slot depends on
// them.
void set_hash_seed(std::uint64_t seed) noexcept;

// The hash of a word's bytes: a keyed multiply-mix over 8-byte loads, a few nanoseconds for
// a typical word. Results never depend on it, since the engine sorts every sequence it sums
// over; only the speed of lookups does.
inline std::uint64_t hash_word(std::string_view word) noexcept {
  const HashKeys keys = detail::g_hash_keys;
  const char* p = word.data();
  std::size_t n = word.size();
  std::uint64_t seed = keys.k0 ^ n;
  std::uint64_t a = 0, b = 0;
  if (n <= 16) {
    if (n >= 8) {
      a = detail::load64(p);
      b = detail::load64(p + n - 8);
    } else if (n >= 4) {
      a = detail::load32(p);
      b = detail::load32(p + n - 4);
    } else if (n > 0) {
      const auto byte = [p](std::size_t i) {
        return std::uint64_t{static_cast<unsigned char>(p[i])};
      };
      a = (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
    }
  } else {
    while (n > 16) {
      seed = detail::mix(detail::load64(p) ^ keys.k1, detail::load64(p + 8) ^ seed);
      p += 16;
      n -= 16;
    }
    a = detail::load64(p + n - 16);
    b = detail::load64(p + n - 8);
  }
  return detail::mix(a ^ keys.k1, b ^ seed ^ keys.k2) ^ seed;
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

  // Hands the entries over in insertion order, leaving the map empty: for a caller that
  // needs them as a sequence and no longer needs the lookups.
  std::vector<Entry> take_entries() && {
    slots_ = {};
    return std::move(entries_);
  }

  // Entries in insertion order.
  auto begin() const noexcept { return entries_.begin(); }
  auto end() const noexcept { return entries_.end(); }

  const Value* find(std::string_view key) const noexcept { return find(key, hash_word(key)); }

  // The same, with the key's hash_word computed by the caller (who may reuse it for several
  // maps and prefetch with it).
  const Value* find(std::string_view key, std::uint64_t hash) const noexcept {
    if (slots_.empty()) return nullptr;
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t pos = tag & mask();; pos = (pos + 1) & mask()) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return nullptr;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        const Entry& entry = entries_[index_of(slot)];
        if (same_word(entry.first, key)) return &entry.second;
      }
    }
  }

  // The position of `key`'s entry in insertion order, or kNotFound.
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
  std::size_t find_index(std::string_view key, std::uint64_t hash) const noexcept {
    if (slots_.empty()) return kNotFound;
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t pos = tag & mask();; pos = (pos + 1) & mask()) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return kNotFound;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        const std::size_t index = index_of(slot);
        if (same_word(entries_[index].first, key)) return index;
      }
    }
  }

  // The entry at position `index` in insertion order.
  const Entry& entry(std::size_t index) const noexcept { return entries_[index]; }

  Value* find(std::string_view key, std::uint64_t hash) noexcept {
    return const_cast<Value*>(std::as_const(*this).find(key, hash));
  }

  bool contains(std::string_view key) const noexcept { return find(key) != nullptr; }
  bool contains(std::string_view key, std::uint64_t hash) const noexcept {
    return find(key, hash) != nullptr;
  }

  // How well the table spreads its keys: the longest run of occupied slots (which a lookup
  // of an absent key may have to walk) and the sum over entries of the slots each lookup
  // of a present key inspects.
  struct ProbeStats {
    std::size_t longest_run = 0;
    std::size_t total_probes = 0;
  };
  ProbeStats probe_stats() const noexcept {
    ProbeStats stats;
    std::size_t run = 0;
    for (std::size_t pos = 0; pos < slots_.size(); ++pos) {
      const std::uint64_t slot = slots_[pos];
      run = slot == 0 ? 0 : run + 1;
      stats.longest_run = std::max(stats.longest_run, run);
      if (slot != 0) {
        const std::size_t home = static_cast<std::uint32_t>(slot >> 32) & mask();
        stats.total_probes += ((pos - home) & mask()) + 1;
      }
    }
    return stats;
  }

  // The slot a lookup of `hash` starts at in a table of `slot_count` slots (a power of two).
  static std::size_t home_slot(std::uint64_t hash, std::size_t slot_count) noexcept {
    return tag_of(hash) & (slot_count - 1);
  }
  std::size_t slot_count() const noexcept { return slots_.size(); }

  // Asks the processor to fetch the slot a lookup of `hash` starts at, so that a batch of
  // lookups overlaps its cache misses.
  [[gnu::always_inline]] void prefetch(std::uint64_t hash) const noexcept {
    if (!slots_.empty()) __builtin_prefetch(&slots_[tag_of(hash) & mask()]);
  }

  // (The prefetch helpers are forced inline: GCC otherwise takes a call whose only effect
  // is a prefetch for a pure function with an unused result, and drops it.)
  //
  // The second stage of a pipelined lookup: once the slots are at hand, fetch the entry
  // whose stored hash bits match, the one the lookup will compare its key with.
  [[gnu::always_inline]] void prefetch_entry(std::uint64_t hash) const noexcept {
    if (const Entry* entry = candidate(hash)) __builtin_prefetch(entry);
  }

  // The third stage, once the entry is at hand: fetch the bytes of its key, which live
  // wherever the key's owner put them (a caller's str object), not in the entry.
  [[gnu::always_inline]] void prefetch_key(std::uint64_t hash) const noexcept {
    if (const Entry* entry = candidate(hash)) __builtin_prefetch(std::string_view(entry->first).data());
  }

  // The value stored under `key`. A new key is offered to `make_value`, which returns the
  // value to insert or std::nullopt to leave the key out (then the result is null), all in
  // one probe of the table. `make_key` turns the view into the stored key type.
  template <class MakeValue, class MakeKey>
  Value* find_or_insert_if(std::string_view key, std::uint64_t hash, MakeValue&& make_value,
                           MakeKey&& make_key) {
    if (slots_for(entries_.size() + 1) > slots_.size()) rebuild(slots_for(entries_.size() + 1));
    const std::uint32_t tag = tag_of(hash);
    std::size_t pos = tag & mask();
    for (;; pos = (pos + 1) & mask()) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) break;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) {
        Entry& entry = entries_[index_of(slot)];
        if (same_word(entry.first, key)) return &entry.second;
      }
    }
    std::optional<Value> value = make_value();
    if (!value) return nullptr;
    if (entries_.size() >= kMaxEntries) throw std::length_error("word map too large");
    entries_.emplace_back(make_key(key), std::move(*value));
    slots_[pos] = (std::uint64_t{tag} << 32) | entries_.size();
    return &entries_.back().second;
  }

  template <class MakeValue>
  Value* find_or_insert_if(std::string_view key, std::uint64_t hash, MakeValue&& make_value) {
    return find_or_insert_if(key, hash, std::forward<MakeValue>(make_value),
                             [](std::string_view k) { return Key(k); });
  }

  // Returns the value stored under `key`, inserting `initial` first when the key is new.
  Value& find_or_insert(std::string_view key, std::uint64_t hash, const Value& initial) {
    return *find_or_insert_if(key, hash, [&initial] { return std::optional<Value>(initial); });
  }

  Value& find_or_insert(std::string_view key, const Value& initial) {
    return find_or_insert(key, hash_word(key), initial);
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

  // The first entry whose stored hash bits match `hash`, without comparing keys.
  const Entry* candidate(std::uint64_t hash) const noexcept {
    if (slots_.empty()) return nullptr;
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t pos = tag & mask();; pos = (pos + 1) & mask()) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return nullptr;
      if (static_cast<std::uint32_t>(slot >> 32) == tag) return &entries_[index_of(slot)];
    }
  }

  void rebuild(std::size_t capacity) {
    capacity = std::max<std::size_t>(capacity, 16);
    std::vector<std::uint64_t> fresh(capacity, 0);
    const std::size_t fresh_mask = capacity - 1;
    for (const std::uint64_t slot : slots_) {
      if (slot == 0) continue;
      std::size_t pos = static_cast<std::uint32_t>(slot >> 32) & fresh_mask;
      while (fresh[pos] != 0) pos = (pos + 1) & fresh_mask;
      fresh[pos] = slot;
    }
    slots_ = std::move(fresh);
  }

  std::vector<Entry> entries_;
  std::vector<std::uint64_t> slots_;
};

}  // namespace moodvane::types
