// A stable least-significant-digit radix sort of small records by a 64-bit key.
//
// Both of the engine's sorts order up to millions of 16-byte (key, position) records; eight
// linear passes of one byte each beat a comparison sort there, and passes whose byte is the
// same in every record (the high bytes of similar keys) are skipped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace moodvane::shift {

// `between_passes` runs after each pass (a progress hook; it may throw).
template <class Record, class KeyOf, class BetweenPasses>
void radix_sort(std::vector<Record>& records, KeyOf key_of, BetweenPasses&& between_passes) {
  static_assert(std::is_trivially_copyable_v<Record>);
  const std::size_t n = records.size();
  if (n < 2) return;
  // A few records (a short text's words) are sorted by insertion, also stable: the
  // passes' tables would cost more than the sort.
  constexpr std::size_t kInsertionLimit = 48;
  if (n <= kInsertionLimit) {
    for (std::size_t i = 1; i < n; ++i) {
      const Record record = records[i];
      const std::uint64_t key = key_of(record);
      std::size_t at = i;
      for (; at > 0 && key_of(records[at - 1]) > key; --at) records[at] = records[at - 1];
      records[at] = record;
    }
    return;
  }

  std::array<std::array<std::size_t, 256>, 8> counts{};
  for (const Record& record : records) {
    const std::uint64_t key = key_of(record);
    for (std::size_t digit = 0; digit < 8; ++digit) ++counts[digit][(key >> (8 * digit)) & 0xFF];
  }

  std::vector<Record> buffer(n);
  Record* from = records.data();
  Record* to = buffer.data();
  const std::uint64_t first_key = key_of(records.front());
  for (std::size_t digit = 0; digit < 8; ++digit) {
    const unsigned shift = 8 * digit;
    auto& count = counts[digit];
    if (count[(first_key >> shift) & 0xFF] == n) continue;  // every record has this byte
    std::array<std::size_t, 256> offset;
    std::size_t running = 0;
    for (std::size_t byte = 0; byte < 256; ++byte) {
      offset[byte] = running;
      running += count[byte];
    }
    for (std::size_t i = 0; i < n; ++i) to[offset[(key_of(from[i]) >> shift) & 0xFF]++] = from[i];
    std::swap(from, to);
    between_passes();
  }
  if (from != records.data()) records.assign(from, from + n);
}

}  // namespace moodvane::shift
