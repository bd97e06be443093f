#include "word_tables.hpp"

namespace moodvane::types {
namespace {

// What an empty map or set reads from: a map allocates its table with its first word.
template <class Table>
const Table& empty_table() noexcept {
  static const Table empty;
  return empty;
}

}  // namespace

ScoreMap::ScoreMap() noexcept = default;
ScoreMap::ScoreMap(std::size_t expected) : table_(std::make_unique<Table>(expected)) {}
ScoreMap::ScoreMap(ScoreMap&&) noexcept = default;
ScoreMap& ScoreMap::operator=(ScoreMap&&) noexcept = default;
ScoreMap::~ScoreMap() = default;

const ScoreMap::Table& ScoreMap::table() const noexcept {
  return table_ ? *table_ : empty_table<Table>();
}
ScoreMap::Table& ScoreMap::writable() {
  if (!table_) table_ = std::make_unique<Table>();
  return *table_;
}

void ScoreMap::reserve(std::size_t expected) {
  writable().reserve(expected);
}
void ScoreMap::insert_or_assign(std::string_view word, double score) {
  writable().insert_or_assign(word, score);
}
const double* ScoreMap::find(std::string_view word) const noexcept {
  return table().find(word);
}
std::size_t ScoreMap::size() const noexcept {
  return table().size();
}
std::span<const ScoreMap::Entry> ScoreMap::entries() const noexcept {
  return {table().begin(), table().end()};
}

StopWords::StopWords() noexcept = default;
StopWords::StopWords(StopWords&&) noexcept = default;
StopWords& StopWords::operator=(StopWords&&) noexcept = default;
StopWords::~StopWords() = default;

const StopWords::Table& StopWords::table() const noexcept {
  return table_ ? *table_ : empty_table<Table>();
}
StopWords::Table& StopWords::writable() {
  if (!table_) table_ = std::make_unique<Table>();
  return *table_;
}

void StopWords::reserve(std::size_t expected) {
  writable().reserve(expected);
}
void StopWords::insert(std::string_view word) {
  writable().find_or_insert(word, Present{});
}
bool StopWords::contains(std::string_view word) const noexcept {
  return table().contains(word);
}
std::size_t StopWords::size() const noexcept {
  return table().size();
}

}  // namespace moodvane::types
