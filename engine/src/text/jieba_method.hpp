// jieba's cut without its hidden Markov model, over any word graph: the split of a text
// into blocks, the most probable path through a block, and the pieces that path gives.
// The dictionary under construction (frequencies still changing) and the finished prefix
// tree share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "utf8_decode.hpp"

namespace moodvane::text::jieba {

// The characters of jieba's re_han_default, [\u4E00-\u9FD5a-zA-Z0-9+#&\._%\-]: runs of
// them go through the word graph.
constexpr bool in_block(char32_t c) noexcept {
  if (c >= 0x4E00 && c <= 0x9FD5) return true;
  if (c >= 0x80) return false;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c == '+' || c == '#' || c == '&' || c == '.' || c == '_' || c == '%' || c == '-';
}

// jieba's re_eng: a one-character word of these joins its neighbours of the same kind.
constexpr bool ascii_letter_or_digit(char32_t c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Reused buffers of one cut.
struct Scratch {
  std::vector<char32_t> block;
  std::vector<std::size_t> offsets;  // byte offset of each character, and the block's end
  std::vector<double> best;          // the path's log probability from each character on
  std::vector<std::uint32_t> until;  // where the path's first word from there ends
};

// Fills scratch.best and scratch.until for scratch.block, as jieba's calc does: from the
// end backwards, at each character the word (from the graph's words starting there, or the
// character alone when none is) that maximises log P(word) + best(after it), the longer
// word winning a tie. `graph.words_from(block, start, visit)` calls visit(end, log P) for
// every word block[start, end), shortest first; `graph.log_total()` gives log(total).
template <class Graph>
void best_path(const Graph& graph, Scratch& scratch) {
  const std::span<const char32_t> block = scratch.block;
  const std::size_t size = block.size();
  scratch.best.assign(size + 1, 0.0);
  scratch.until.assign(size + 1, 0);
  const double log_total = graph.log_total();
  for (std::size_t start = size; start-- > 0;) {
    bool any = false;
    double best = 0.0;
    std::uint32_t until = 0;
    graph.words_from(block, start, [&](std::size_t end, double log_probability) {
      const double value = log_probability + scratch.best[end];
      if (!any || value >= best) best = value, until = static_cast<std::uint32_t>(end);
      any = true;
    });
    if (!any) best = (0.0 - log_total) + scratch.best[start + 1], until = start + 1;
    scratch.best[start] = best;
    scratch.until[start] = until;
  }
}

// Cuts `text` as jieba.cut(text, HMM=False) does, calling emit(begin, end) with the byte
// range of each piece in order. Outside the blocks every character is a piece, white space
// included (jieba splits there on `\r\n|\s`, one match at a time).
template <class Graph, class Emit>
void cut(const Graph& graph, std::string_view text, Scratch& scratch, Emit&& emit) {
  std::size_t at = 0;
  while (at < text.size()) {
    const Decoded first = decode_utf8(text, at);
    if (!in_block(first.code_point)) {
      const bool crlf = first.code_point == '\r' && at + 1 < text.size() && text[at + 1] == '\n';
      const std::size_t length = crlf ? 2 : first.length;
      emit(at, at + length);
      at += length;
      continue;
    }
    scratch.block.clear();
    scratch.offsets.clear();
    for (Decoded next = first; at < text.size(); at += next.length) {
      next = decode_utf8(text, at);
      if (!in_block(next.code_point)) break;
      scratch.block.push_back(next.code_point);
      scratch.offsets.push_back(at);
    }
    scratch.offsets.push_back(at);
    best_path(graph, scratch);
    const std::size_t size = scratch.block.size();
    std::size_t run_start = size;  // start of a pending run of lone ASCII letters and digits
    for (std::size_t position = 0; position < size;) {
      const std::size_t end = scratch.until[position];
      if (end == position + 1 && ascii_letter_or_digit(scratch.block[position])) {
        if (run_start == size) run_start = position;
      } else {
        if (run_start != size) emit(scratch.offsets[run_start], scratch.offsets[position]);
        run_start = size;
        emit(scratch.offsets[position], scratch.offsets[end]);
      }
      position = end;
    }
    if (run_start != size) emit(scratch.offsets[run_start], scratch.offsets[size]);
  }
}

}  // namespace moodvane::text::jieba
