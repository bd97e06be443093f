// A percentile bootstrap's resamples of a ratio of sums: documents drawn with replacement
// within a group, each resample's sum of `sums` over its sum of `totals`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "moodvane/shift.hpp"

namespace moodvane::bootstrap {

// For each group g (documents starts[g] .. starts[g+1]-1), writes n_boot ratios to
// out[g * n_boot ...]: each from as many draws as the group has documents. The draws come
// from a generator seeded by (seed, g) alone, so a group's ratios do not depend on the other
// groups or on how the work was split. A resample whose totals sum to zero gives NaN.
// Every group must have fewer than 2^32 documents, and `out` room for groups × n_boot
// ratios. `progress` is called on the calling thread about every million draws; when it
// throws, the draws stop (a helper thread's too) and the exception reaches the caller.
void resample_ratios(std::span<const double> sums, std::span<const double> totals,
                     std::span<const std::int64_t> starts, std::size_t n_boot, std::uint64_t seed,
                     std::span<double> out, const shift::Progress& progress = {});

}  // namespace moodvane::bootstrap
