// The hash tables behind the engine's ScoreMap and StopWords.
#pragma once

#include <string_view>

#include "flat_map.hpp"
#include "moodvane/types.hpp"

namespace moodvane::types {

struct ScoreMap::Table : FlatMap<std::string_view, double> {
  using FlatMap::FlatMap;
};

struct Present {};

struct StopWords::Table : FlatMap<std::string_view, Present> {
  using FlatMap::FlatMap;
};

}  // namespace moodvane::types
