#pragma once
// A strict reader of one JSON object, for checking what the program sends: the whole grammar of
// RFC 8259 (no trailing commas, no control characters in strings, valid UTF-8), and the members of
// the top-level object with their values decoded.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

struct JsonValue {
  enum class Kind { kString, kNumber, kBool, kNull, kObject, kArray } kind = Kind::kNull;
  std::string text;  // the decoded string (UTF-8), or the number's or literal's spelling
};

class JsonReader {
 public:
  // nullopt when the text is not exactly one valid JSON object.
  static std::optional<std::map<std::string, JsonValue>> ReadObject(const std::string& text) {
    JsonReader r(text);
    std::map<std::string, JsonValue> members;
    r.Space();
    if (!r.Object(&members)) {
      return std::nullopt;
    }
    r.Space();
    if (r.pos_ != r.text_.size()) {
      return std::nullopt;
    }
    return members;
  }

 private:
  explicit JsonReader(const std::string& text) : text_(text) {}

  bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  void Space() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r')) {
      ++pos_;
    }
  }
  bool Object(std::map<std::string, JsonValue>* members) {
    if (!At('{')) {
      return false;
    }
    ++pos_;
    Space();
    if (At('}')) {
      ++pos_;
      return true;
    }
    for (;;) {
      std::string key;
      Space();
      if (!String(&key)) {
        return false;
      }
      Space();
      if (!At(':')) {
        return false;
      }
      ++pos_;
      JsonValue value;
      if (!Value(&value)) {
        return false;
      }
      if (members && !members->emplace(key, value).second) {
        return false;  // a member twice: receivers disagree on which counts
      }
      Space();
      if (At(',')) {
        ++pos_;
        continue;
      }
      if (At('}')) {
        ++pos_;
        return true;
      }
      return false;
    }
  }
  bool Array() {
    ++pos_;
    Space();
    if (At(']')) {
      ++pos_;
      return true;
    }
    for (;;) {
      JsonValue ignored;
      if (!Value(&ignored)) {
        return false;
      }
      Space();
      if (At(',')) {
        ++pos_;
        continue;
      }
      if (At(']')) {
        ++pos_;
        return true;
      }
      return false;
    }
  }
  bool Value(JsonValue* value) {
    Space();
    if (At('"')) {
      value->kind = JsonValue::Kind::kString;
      return String(&value->text);
    }
    if (At('{')) {
      value->kind = JsonValue::Kind::kObject;
      return Object(nullptr);
    }
    if (At('[')) {
      value->kind = JsonValue::Kind::kArray;
      return Array();
    }
    for (const char* literal : {"true", "false", "null"}) {
      const std::string word = literal;
      if (text_.compare(pos_, word.size(), word) == 0) {
        pos_ += word.size();
        value->kind = word == "null" ? JsonValue::Kind::kNull : JsonValue::Kind::kBool;
        value->text = word;
        return true;
      }
    }
    value->kind = JsonValue::Kind::kNumber;
    return Number(&value->text);
  }
  bool Digits() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      ++pos_;
    }
    return pos_ > start;
  }
  bool Number(std::string* spelling) {
    const std::size_t start = pos_;
    if (At('-')) {
      ++pos_;
    }
    if (At('0')) {
      ++pos_;
    } else if (!Digits()) {
      return false;
    }
    if (At('.')) {
      ++pos_;
      if (!Digits()) {
        return false;
      }
    }
    if (At('e') || At('E')) {
      ++pos_;
      if (At('+') || At('-')) {
        ++pos_;
      }
      if (!Digits()) {
        return false;
      }
    }
    *spelling = text_.substr(start, pos_ - start);
    return true;
  }
  static void Utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  bool Hex4(std::uint32_t* value) {
    if (pos_ + 4 > text_.size()) {
      return false;
    }
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      *value <<= 4;
      if (c >= '0' && c <= '9') {
        *value |= static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        *value |= static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        *value |= static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }
  // One UTF-8 sequence, checked (no overlong forms, no surrogates).
  bool Utf8Sequence(std::string* out) {
    const auto lead = static_cast<unsigned char>(text_[pos_]);
    int extra = 0;
    std::uint32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      c = lead & 0x07;
    } else {
      return false;
    }
    if (pos_ + extra >= text_.size()) {
      return false;
    }
    for (int i = 1; i <= extra; ++i) {
      const auto b = static_cast<unsigned char>(text_[pos_ + i]);
      if ((b & 0xC0) != 0x80) {
        return false;
      }
      c = (c << 6) | (b & 0x3F);
    }
    if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) {
      return false;
    }
    out->append(text_, pos_, extra + 1);
    pos_ += extra + 1;
    return true;
  }
  bool String(std::string* out) {
    if (!At('"')) {
      return false;
    }
    ++pos_;
    out->clear();
    while (pos_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c < 0x20) {
        return false;
      }
      if (c >= 0x80) {
        if (!Utf8Sequence(out)) {
          return false;
        }
        continue;
      }
      ++pos_;
      if (c != '\\') {
        *out += static_cast<char>(c);
        continue;
      }
      if (pos_ >= text_.size()) {
        return false;
      }
      const char e = text_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          *out += e;
          break;
        case 'b':
          *out += '\b';
          break;
        case 'f':
          *out += '\f';
          break;
        case 'n':
          *out += '\n';
          break;
        case 'r':
          *out += '\r';
          break;
        case 't':
          *out += '\t';
          break;
        case 'u': {
          std::uint32_t unit = 0;
          if (!Hex4(&unit)) {
            return false;
          }
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            std::uint32_t low = 0;
            if (text_.compare(pos_, 2, "\\u") != 0) {
              return false;
            }
            pos_ += 2;
            if (!Hex4(&low) || low < 0xDC00 || low > 0xDFFF) {
              return false;
            }
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
          }
          Utf8(*out, unit);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  const std::string& text_;
  std::size_t pos_ = 0;
};

}  // namespace testing_support
