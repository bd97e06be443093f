// The engine's word map: byte-wise keys, insertion order, growth without losing entries.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "flat_map.hpp"

namespace {

using moodvane::types::FlatMap;
using moodvane::types::hash_word;
using moodvane::types::set_hash_seed;

using Map = FlatMap<std::string, int>;

// Puts the process's hash keys back to fresh random ones when a test that fixed them ends.
class FixedSeed : public ::testing::Test {
 protected:
  void TearDown() override { set_hash_seed(moodvane::types::os_random_seed()); }
};

// The i-th word of an endless supply of lower-case words of 6 to 9 letters.
std::string nth_word(std::uint64_t i) {
  std::string word;
  const std::size_t length = 6 + i % 4;
  std::uint64_t rest = i;
  for (std::size_t k = 0; k < length; ++k) {
    word.push_back(static_cast<char>('a' + rest % 26));
    rest /= 26;
  }
  return word;
}

// Words that all start their lookups at slot `home` of a table of `slot_count` slots under
// the current keys: what an attacker who knew the keys would send.
std::vector<std::string> crafted_words(std::size_t count, std::size_t slot_count,
                                       std::size_t home = 0) {
  std::vector<std::string> words;
  for (std::uint64_t i = 0; words.size() < count; ++i) {
    std::string word = nth_word(i);
    if (Map::home_slot(hash_word(word), slot_count) == home) words.push_back(std::move(word));
  }
  return words;
}

Map map_of(const std::vector<std::string>& words) {
  Map map;
  for (const auto& word : words) map.find_or_insert(word, 0) += 1;
  return map;
}

TEST(FlatMap, KeysCompareByBytes) {
  FlatMap<std::string, double> map;
  map.insert_or_assign("a", 1.0);
  map.insert_or_assign("A", 2.0);
  map.insert_or_assign("", 3.0);
  map.insert_or_assign(std::string_view("a\0b", 3), 4.0);
  map.insert_or_assign("a", 5.0);  // replaces
  EXPECT_EQ(map.size(), 4u);
  EXPECT_EQ(*map.find("a"), 5.0);
  EXPECT_EQ(*map.find("A"), 2.0);
  EXPECT_EQ(*map.find(""), 3.0);
  EXPECT_EQ(*map.find(std::string_view("a\0b", 3)), 4.0);
  EXPECT_EQ(map.find("a\0"), map.find("a"));  // a C string stops at NUL
  EXPECT_EQ(map.find("b"), nullptr);
  EXPECT_FALSE((FlatMap<std::string, double>{}.contains("")));
}

TEST(FlatMap, GrowsKeepingEveryEntryInInsertionOrder) {
  FlatMap<std::string, int> map;
  constexpr int kCount = 100000;
  for (int i = 0; i < kCount; ++i)
    map.find_or_insert(std::to_string(i), 0) += i;
  for (int i = 0; i < kCount; i += 2)
    map.find_or_insert(std::to_string(i), 0) += 1;
  ASSERT_EQ(map.size(), static_cast<std::size_t>(kCount));
  int expected = 0;
  for (const auto& [key, value] : map) {
    EXPECT_EQ(key, std::to_string(expected));
    EXPECT_EQ(value, expected + (expected % 2 == 0 ? 1 : 0));
    ++expected;
  }
  EXPECT_EQ(map.find("100000"), nullptr);
}

TEST(FlatMap, ViewKeysReferToTheCallersStorage) {
  const std::string storage[] = {"alpha", "beta", "alpha"};
  FlatMap<std::string_view, double> map(3);
  for (const auto& word : storage)
    map.find_or_insert(word, 0.0) += 1.0;
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(map.begin()->first.data(), storage[0].data());
  EXPECT_EQ(*map.find("alpha"), 2.0);
}

TEST_F(FixedSeed, TheSameSeedGivesTheSameHashesAndAnotherSeedOthers) {
  set_hash_seed(1);
  const std::uint64_t first = hash_word("laughter");
  set_hash_seed(2);
  const std::uint64_t second = hash_word("laughter");
  set_hash_seed(1);
  EXPECT_EQ(hash_word("laughter"), first);
  EXPECT_NE(first, second);
}

// The table never deletes, so a lookup may stop at the first empty slot; a run of
// colliding words that passes the table's last slot goes on at its first.
TEST_F(FixedSeed, ProbeRunsWrapAroundTheEndOfTheTable) {
  set_hash_seed(7);
  Map map(8);
  const std::size_t slot_count = map.slot_count();
  const std::vector<std::string> words = crafted_words(9, slot_count, slot_count - 1);
  for (std::size_t i = 0; i + 1 < words.size(); ++i) map.find_or_insert(words[i], 0) = int(i);
  ASSERT_EQ(map.slot_count(), slot_count) << "the table grew; the run no longer wraps";
  for (std::size_t i = 0; i + 1 < words.size(); ++i) EXPECT_EQ(*map.find(words[i]), int(i));
  // An absent word of the same home walks the whole run, across the end, and stops.
  EXPECT_EQ(map.find(words.back()), nullptr);
  EXPECT_EQ(map.probe_stats().longest_run, words.size() - 2);  // the run is split by the end
}

TEST(HashSeed, TheOperatingSystemGivesFreshBitsEachTime) {
  // Two equal draws of 64 random bits would happen once in 2^64 runs.
  EXPECT_NE(moodvane::types::os_random_seed(), moodvane::types::os_random_seed());
}

// 1,500 words crafted against one seed fill one probe run when that seed is in force, and
// under any other seed cost what random words cost.
TEST_F(FixedSeed, WordsCraftedAgainstOneSeedAreHarmlessUnderAnother) {
  constexpr std::size_t kWords = 1500;
  const std::size_t slot_count = Map(kWords).slot_count();
  set_hash_seed(0x5eed);
  const std::vector<std::string> crafted = crafted_words(kWords, slot_count);
  const Map flooded = map_of(crafted);
  ASSERT_EQ(flooded.slot_count(), slot_count);
  // The attack works against the seed it was made for: one run, quadratic probing.
  EXPECT_GE(flooded.probe_stats().longest_run, kWords);
  EXPECT_GE(flooded.probe_stats().total_probes, kWords * kWords / 2);

  std::vector<std::string> random_words;
  for (std::uint64_t i = 0; random_words.size() < kWords; ++i) {
    random_words.push_back(nth_word(i * 7919 + 13));
  }
  for (const std::uint64_t other_seed : {1ull, 2ull, 0xfeedull, 0x5eedull + 1}) {
    set_hash_seed(other_seed);
    const Map crafted_map = map_of(crafted);
    const Map random_map = map_of(random_words);
    const auto crafted_stats = crafted_map.probe_stats();
    const auto random_stats = random_map.probe_stats();
    EXPECT_LE(crafted_stats.longest_run, 64u) << "seed " << other_seed;
    // A half-full table with linear probing averages about 1.5 probes per key.
    EXPECT_LE(crafted_stats.total_probes, 2 * kWords) << "seed " << other_seed;
    EXPECT_LE(crafted_stats.total_probes, random_stats.total_probes * 3 / 2 + kWords / 10)
        << "seed " << other_seed;
    for (const auto& word : crafted) EXPECT_EQ(*crafted_map.find(word), 1);
  }
}

TEST_F(FixedSeed, NoSeedLetsWordsOfOneShapePileUp) {
  // Words sharing a long prefix differ only in their last bytes, the shape that a weak mix
  // of the first and last eight bytes would crowd together.
  for (const std::uint64_t seed : {3ull, 4ull, 5ull}) {
    set_hash_seed(seed);
    Map map;
    for (int i = 0; i < 20000; ++i) {
      map.find_or_insert("a_common_prefix_of_twenty_bytes:" + std::to_string(i), 0) += 1;
    }
    EXPECT_LE(map.probe_stats().longest_run, 80u) << "seed " << seed;
    EXPECT_LE(map.probe_stats().total_probes, 2u * 20000u) << "seed " << seed;
  }
}

}  // namespace
