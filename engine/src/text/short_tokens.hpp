// The tokens of up to 16 bytes that a tally has seen (nearly every token, in most
// languages), each held as its bytes in two 8-byte integers padded with zeros (no token
// holds a zero byte), in one open-addressing table: a lookup loads the token once and
// compares two integers, where a map of strings hashes the bytes and compares them again.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "../flat_map.hpp"

namespace moodvane::text {

template <class Value>
class ShortTokens {
 public:
  static constexpr std::size_t kLongest = 16;

  struct Key {
    std::uint64_t low;
    std::uint64_t high;
    bool operator==(const Key&) const = default;
  };

  // The key of `token` (at most kLongest bytes, none of them zero), whose first byte lies
  // `readable` bytes before the end of the buffer that holds it: with 16 of them, two
  // loads of 8 bytes and masks, without a call.
  static Key key_of(std::string_view token, std::size_t readable) noexcept {
    const std::size_t n = token.size();
    if (readable < kLongest) {
      unsigned char bytes[kLongest] = {};
      std::memcpy(bytes, token.data(), n);
      Key key{};
      std::memcpy(&key.low, bytes, 8);
      std::memcpy(&key.high, bytes + 8, 8);
      return key;
    }
    Key key{};
    std::memcpy(&key.low, token.data(), 8);
    std::memcpy(&key.high, token.data() + 8, 8);
    static_assert(std::endian::native == std::endian::little);
    if (n <= 8) {
      key.low &= n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
      key.high = 0;
    } else if (n < 16) {
      key.high &= (std::uint64_t{1} << (8 * (n - 8))) - 1;
    }
    return key;
  }

  const Value* find(const Key& key) const noexcept {
    if (slots_.empty()) return nullptr;
    for (std::size_t pos = home(key);; pos = (pos + 1) & mask()) {
      const Slot& slot = slots_[pos];
      if (slot.key.low == 0) return nullptr;
      if (slot.key == key) return &slot.value;
    }
  }

  // Stores `value` under `key`, which is not in the table; the reference stays good until
  // the next insert.
  const Value& insert(const Key& key, const Value& value) {
    if (2 * (size_ + 1) > slots_.size()) grow();
    std::size_t pos = home(key);
    while (slots_[pos].key.low != 0) pos = (pos + 1) & mask();
    slots_[pos] = Slot{key, value};
    ++size_;
    return slots_[pos].value;
  }

 private:
  struct Slot {
    Key key{0, 0};  // low == 0: empty (a token has a first byte)
    Value value{};
  };

  // Keyed with the process's hash keys, as every word map is (see flat_map.hpp).
  std::size_t home(const Key& key) const noexcept {
    const types::HashKeys& keys = types::detail::g_hash_keys;
    return types::detail::mix(key.low ^ keys.k1, key.high ^ keys.k2) & mask();
  }
  std::size_t mask() const noexcept { return slots_.size() - 1; }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    for (const Slot& slot : old) {
      if (slot.key.low == 0) continue;
      std::size_t pos = home(slot.key);
      while (slots_[pos].key.low != 0) pos = (pos + 1) & mask();
      slots_[pos] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

}  // namespace moodvane::text
