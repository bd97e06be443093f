// Unicode Normalization Form C, natively: what the counter needs to prepare, without the
// interpreter, a text that is not in NFC (Hindi with precomposed nukta letters, Korean and
// French as macOS writes them). The result is unicodedata.normalize("NFC", ...) of the
// Unicode version the character table was generated from: the decompositions, combining
// classes and primary composites all come from that table.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "lower_case.hpp"
#include "moodvane/text/character_classes.hpp"
#include "moodvane/text/utf8.hpp"
#include "moodvane/text/word_counting.hpp"

namespace moodvane::text {
namespace {

// Hangul syllables compose and decompose by arithmetic (Unicode 3.12).
constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kLCount = 19, kVCount = 21, kTCount = 28;
constexpr char32_t kNCount = kVCount * kTCount, kSCount = kLCount * kNCount;

std::uint8_t combining_class(char32_t cp) noexcept {
  return static_cast<std::uint8_t>(normalization_bits(cp) & 0xFF);
}

// Appends the full canonical decomposition of `cp`.
void decompose(char32_t cp, std::vector<char32_t>& out) {
  if (cp - kSBase < kSCount) {
    const char32_t s = cp - kSBase;
    out.push_back(kLBase + s / kNCount);
    out.push_back(kVBase + s % kNCount / kTCount);
    if (s % kTCount != 0) out.push_back(kTBase + s % kTCount);
    return;
  }
  if ((normalization_bits(cp) & kDecomposesBit) != 0) {
    const std::uint32_t* begin = detail::kDecomposed;
    const std::uint32_t* end = begin + detail::kDecomposedCount;
    const std::uint32_t* found = std::lower_bound(begin, end, std::uint32_t{cp});
    if (found != end && *found == cp) {
      const auto i = static_cast<std::size_t>(found - begin);
      out.insert(out.end(), detail::kDecompositionParts + detail::kDecompositionStarts[i],
                 detail::kDecompositionParts + detail::kDecompositionStarts[i + 1]);
      return;
    }
  }
  out.push_back(cp);
}

// The primary composite of `first` and `second`, or 0.
char32_t composite(char32_t first, char32_t second) noexcept {
  if (first - kLBase < kLCount && second - kVBase < kVCount) {
    return kSBase + ((first - kLBase) * kVCount + (second - kVBase)) * kTCount;
  }
  if (first - kSBase < kSCount && (first - kSBase) % kTCount == 0 && second - kTBase - 1 < kTCount - 1) {
    return first + (second - kTBase);
  }
  const std::uint64_t key = (std::uint64_t{first} << 21) | second;
  const std::uint64_t* begin = detail::kCompositionPairs;
  const std::uint64_t* end = begin + detail::kCompositionPairCount;
  const std::uint64_t* found = std::lower_bound(begin, end, key);
  return found != end && *found == key ? detail::kComposites[found - begin] : 0;
}

// NFC of a segment that begins at a starter (or at the start of the text): decomposed, put
// in canonical order, composed again (UAX #15, sections 3.11 and 3.3 of the standard).
void append_segment(std::string_view segment, std::vector<char32_t>& buffer, std::string& out) {
  buffer.clear();
  for_each_code_point(segment, [&buffer](char32_t cp) { decompose(cp, buffer); });
  // Canonical order: each run of non-starters sorted stably by combining class.
  for (std::size_t i = 1; i < buffer.size(); ++i) {
    const std::uint8_t c = combining_class(buffer[i]);
    if (c == 0) continue;
    for (std::size_t j = i; j > 0 && combining_class(buffer[j - 1]) > c; --j) {
      std::swap(buffer[j - 1], buffer[j]);
    }
  }
  // Composition: a character joins the last starter unless something between them blocks
  // it (a starter, or a mark of the same or a higher class).
  std::size_t starter = 0;
  int last_class = combining_class(buffer[0]) == 0 ? 0 : 256;  // 256: no starter yet
  std::size_t kept = 1;
  for (std::size_t i = 1; i < buffer.size(); ++i) {
    const char32_t cp = buffer[i];
    const int c = combining_class(cp);
    if (last_class != 256 && (last_class < c || last_class == 0)) {
      if (const char32_t joined = composite(buffer[starter], cp); joined != 0) {
        buffer[starter] = joined;
        continue;
      }
    }
    if (c == 0) {
      starter = kept;
      last_class = 0;
    } else {
      last_class = last_class == 256 ? 256 : c;
    }
    buffer[kept++] = cp;
  }
  for (std::size_t i = 0; i < kept; ++i) append_utf8(out, buffer[i]);
}

// Whether NFC can begin a segment before a code point with these bits: a starter that
// composes with nothing before it and stays as it is.
bool starts_segment(std::uint16_t bits) noexcept { return (bits & (0xFF | 256 | 512)) == 0; }

constexpr std::size_t kLongestRun = 30;  // of non-starters, in the Stream-Safe Text Format

// The Hangul syllable that conjoining jamo spell at `p` (L V, or L V T, each three bytes of
// UTF-8), and the bytes they take; {0, 0} when there is none. Korean written in NFD (as
// macOS writes file names) is mostly such runs, composed here without the general path.
struct Syllable {
  char32_t cp;
  std::size_t size;
};
Syllable hangul_syllable(const char* p, std::size_t left) noexcept {
  if (left < 6) return {0, 0};
  const Decoded l = decode_utf8(p);
  const Decoded v = decode_utf8(p + 3);
  if (l.cp - kLBase >= kLCount || v.cp - kVBase >= kVCount) return {0, 0};
  const char32_t lv = kSBase + ((l.cp - kLBase) * kVCount + (v.cp - kVBase)) * kTCount;
  if (left >= 9 && static_cast<unsigned char>(p[6]) == 0xE1) {
    const Decoded t = decode_utf8(p + 6);
    if (t.cp - kTBase - 1 < kTCount - 1) return {lv + (t.cp - kTBase), 9};
  }
  return {lv, 6};
}

// NFC of `text` appended to `out`, or false (with `out` as it was) when the text holds a
// run of more than 30 non-starters, which the Stream-Safe Text Format would cut.
bool append_nfc_of_stream_safe(std::string_view text, std::string& out) {
  const std::size_t out_size = out.size();
  std::vector<char32_t> buffer;
  std::size_t copied = 0;   // the bytes before it are in `out`
  std::size_t segment = 0;  // where the segment being read begins
  bool changes = false;     // NFC may change the segment
  bool starter_decomposes = false;
  std::uint8_t last_class = 0;  // of the segment's last non-starter
  std::size_t run = 0;          // non-starters in a row
  const auto end_segment = [&](std::size_t at) {
    if (changes) {
      out.append(text, copied, segment - copied);
      append_segment(text.substr(segment, at - segment), buffer, out);
      copied = at;
      changes = false;
    }
    segment = at;
    last_class = 0;
    run = 0;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      end_segment(pos);
      ++pos;
      while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
      segment = pos - 1;
      starter_decomposes = false;
      continue;
    }
    if (static_cast<unsigned char>(text[pos]) == 0xE1) {
      const Syllable syllable = hangul_syllable(text.data() + pos, text.size() - pos);
      const std::size_t next = pos + syllable.size;
      // Composed here only when what follows cannot join it.
      if (syllable.size != 0 &&
          (next == text.size() || static_cast<unsigned char>(text[next]) < 0x80 ||
           starts_segment(normalization_bits(decode_utf8(text.data() + next).cp)))) {
        end_segment(pos);
        out.append(text, copied, pos - copied);
        append_utf8(out, syllable.cp);
        copied = segment = next;
        starter_decomposes = false;
        pos = next;
        continue;
      }
    }
    const Decoded d = decode_utf8(text.data() + pos);
    const std::uint16_t bits = normalization_bits(d.cp);
    if (starts_segment(bits)) {
      end_segment(pos);
      starter_decomposes = (bits & kDecomposesBit) != 0;
    } else {
      const auto c = static_cast<std::uint8_t>(bits & 0xFF);
      // A non-starter in canonical order after a starter that stays as it is changes
      // nothing (a virama, a nukta after its consonant); anything else may.
      if ((bits & (256 | 512)) != 0 || c < last_class || starter_decomposes) changes = true;
      if (c != 0) {
        last_class = c;
        if (++run > kLongestRun) {
          out.resize(out_size);
          return false;
        }
      } else {
        run = 0;
      }
    }
    pos += d.size;
  }
  end_segment(text.size());
  out.append(text, copied, text.size() - copied);
  return true;
}

// Appends `text` lowered as str.lower lowers it, copying what does not change as it stands;
// false at a character that only str.lower may lower.
bool append_lowered_text(std::string_view text, std::string& out) {
  out.reserve(text.size());
  std::size_t copied = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
      if (lead >= 'A' && lead <= 'Z') {
        out.append(text, copied, pos - copied);
        out.push_back(static_cast<char>(lead + 32));
        copied = pos + 1;
      }
      ++pos;
      continue;
    }
    const Decoded d = decode_utf8(text.data() + pos);
    const std::uint16_t bits = normalization_bits(d.cp);
    if ((bits & kInterpreterLowersBit) != 0) return false;
    if ((bits & kLowersBit) != 0) {
      out.append(text, copied, pos - copied);
      append_utf8(out, simple_lower(d.cp));
      copied = pos + d.size;
    }
    pos += d.size;
  }
  out.append(text, copied, text.size() - copied);
  return true;
}

}  // namespace

bool only_interpreter_prepares(std::string_view text, bool lowering) noexcept {
  return lowering && holds_code_point_with(text, kInterpreterLowersBit, false);
}

void append_nfc(std::string_view text, std::string& out) {
  if (append_nfc_of_stream_safe(text, out)) return;
  // A run of more than 30 non-starters: normalised whole, as the standard defines it.
  std::vector<char32_t> buffer;
  append_segment(text, buffer, out);
}

std::optional<std::string> prepared_for_counting(std::string_view text, bool lowering) {
  std::string lowered;
  if (lowering && has_capitals(text)) {
    if (!append_lowered_text(text, lowered)) return std::nullopt;
    text = lowered;
  }
  if (is_nfc(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  if (append_nfc_of_stream_safe(text, out)) return out;
  // A run of more than 30 non-starters: cut by U+034F as the Stream-Safe Text Format does,
  // as the interpreter's preparation cuts it.
  for (const std::string& piece : stream_safe_pieces(text, std::size_t{1} << 16)) {
    if (!append_nfc_of_stream_safe(piece, out)) append_nfc(piece, out);
  }
  return out;
}

}  // namespace moodvane::text
