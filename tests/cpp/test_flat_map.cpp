// The engine's word map: byte-wise keys, insertion order, growth without losing entries.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "moodvane/flat_map.hpp"

namespace {

using moodvane::types::FlatMap;

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

}  // namespace
