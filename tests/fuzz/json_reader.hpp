// A small validating reader for the compact JSON the result encoder writes: RFC 8259
// grammar without any insignificant white space, strings held to the encoder's one
// canonical escaping (short escapes where JSON has them, lower-case \u00XX for the other
// bytes below 0x20, nothing else escaped), raw string bytes valid UTF-8. It builds a small
// tree that keeps each number's text, so the fuzz target can check text and value both.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "utf8.hpp"

namespace moodvane::fuzz {

struct JsonValue {
  enum class Kind { null, number, string, array, object };
  Kind kind = Kind::null;
  std::string text;               // a number's text, or a string's bytes once unescaped
  std::vector<std::string> keys;  // an object's keys, in order
  std::vector<JsonValue> items;   // an array's elements, or an object's values
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  // The document, or nothing with error() saying where and why it is not valid.
  std::optional<JsonValue> read_document() {
    JsonValue value;
    if (!read_value(value, 0)) return std::nullopt;
    if (pos_ != text_.size()) {
      fail("text after the document");
      return std::nullopt;
    }
    return value;
  }

  const std::string& error() const { return error_; }

 private:
  static constexpr int kMaxDepth = 16;  // the result nests three deep

  bool fail(std::string_view why) {
    if (error_.empty()) error_ = std::string(why) + " at byte " + std::to_string(pos_);
    return false;
  }

  bool at(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

  bool expect(char c) {
    if (!at(c)) return fail(std::string("expected '") + c + "'");
    ++pos_;
    return true;
  }

  bool read_value(JsonValue& value, int depth) {
    if (depth > kMaxDepth) return fail("nested too deep");
    if (pos_ >= text_.size()) return fail("value expected");
    switch (text_[pos_]) {
      case '{':
        return read_object(value, depth);
      case '[':
        return read_array(value, depth);
      case '"':
        value.kind = JsonValue::Kind::string;
        return read_string(value.text);
      case 'n':
        if (text_.substr(pos_, 4) != "null") return fail("bad literal");
        pos_ += 4;
        value.kind = JsonValue::Kind::null;
        return true;
      default:
        value.kind = JsonValue::Kind::number;
        return read_number(value.text);
    }
  }

  bool read_object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::object;
    ++pos_;  // '{'
    if (at('}')) {
      ++pos_;
      return true;
    }
    while (true) {
      std::string key;
      if (!at('"')) return fail("key expected");
      if (!read_string(key) || !expect(':')) return false;
      value.keys.push_back(std::move(key));
      value.items.emplace_back();
      if (!read_value(value.items.back(), depth + 1)) return false;
      if (at('}')) {
        ++pos_;
        return true;
      }
      if (!expect(',')) return false;
    }
  }

  bool read_array(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::array;
    ++pos_;  // '['
    if (at(']')) {
      ++pos_;
      return true;
    }
    while (true) {
      value.items.emplace_back();
      if (!read_value(value.items.back(), depth + 1)) return false;
      if (at(']')) {
        ++pos_;
        return true;
      }
      if (!expect(',')) return false;
    }
  }

  static int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;  // upper case is valid JSON but not the encoder's form
  }

  bool read_string(std::string& out) {
    ++pos_;  // '"'
    while (true) {
      if (pos_ >= text_.size()) return fail("unterminated string");
      const auto byte = static_cast<unsigned char>(text_[pos_]);
      if (byte == '"') {
        ++pos_;
        return true;
      }
      if (byte < 0x20) return fail("raw control byte in a string");
      if (byte != '\\') {
        const auto decoded = decode_utf8(text_.substr(pos_));
        if (!decoded) return fail("invalid UTF-8 in a string");
        out.append(text_.substr(pos_, decoded->length));
        pos_ += decoded->length;
        continue;
      }
      if (pos_ + 1 >= text_.size()) return fail("unterminated escape");
      const char kind = text_[pos_ + 1];
      pos_ += 2;
      switch (kind) {
        case '"':
          out += '"';
          continue;
        case '\\':
          out += '\\';
          continue;
        case 'b':
          out += '\b';
          continue;
        case 'f':
          out += '\f';
          continue;
        case 'n':
          out += '\n';
          continue;
        case 'r':
          out += '\r';
          continue;
        case 't':
          out += '\t';
          continue;
        case 'u':
          break;
        default:  // "\/" included: valid JSON, but the encoder never escapes '/'
          return fail("escape outside the encoder's form");
      }
      if (pos_ + 4 > text_.size()) return fail("short \\u escape");
      int code = 0;
      for (int i = 0; i < 4; ++i) {
        const int digit = hex_digit(text_[pos_ + i]);
        if (digit < 0) return fail("bad \\u digit");
        code = code * 16 + digit;
      }
      if (code >= 0x20) return fail("\\u escape of a byte that needs none");
      if (code == '\b' || code == '\f' || code == '\n' || code == '\r' || code == '\t') {
        return fail("\\u escape where a short escape exists");
      }
      out += static_cast<char>(code);
      pos_ += 4;
    }
  }

  bool digits(std::size_t& count) {
    count = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_, ++count;
    return count > 0;
  }

  // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?
  bool read_number(std::string& out) {
    const std::size_t begin = pos_;
    std::size_t count = 0;
    if (at('-')) ++pos_;
    if (at('0')) {
      ++pos_;
    } else if (!digits(count)) {
      return fail("number expected");
    }
    if (at('.')) {
      ++pos_;
      if (!digits(count)) return fail("digit expected after '.'");
    }
    if (at('e') || at('E')) {
      ++pos_;
      if (at('+') || at('-')) ++pos_;
      if (!digits(count)) return fail("exponent digit expected");
    }
    out.assign(text_.substr(begin, pos_ - begin));
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace moodvane::fuzz
