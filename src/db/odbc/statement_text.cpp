#include "db/odbc/statement_text.h"

#include "db/u16_text.h"

namespace db::odbc {
namespace {

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// Copies a quoted part or a comment that starts at pos unchanged; returns false when none starts there.
bool CopyVerbatimPart(std::u16string_view s, std::size_t& pos, std::u16string& out) {
  std::u16string_view closing;
  std::size_t openLength = 1;
  switch (s[pos]) {
    case u'\'':
      closing = u"'";
      break;
    case u'"':
      closing = u"\"";
      break;
    case u'[':
      closing = u"]";
      break;
    case u'-':
      if (pos + 1 >= s.size() || s[pos + 1] != u'-') {
        return false;
      }
      closing = u"\n";
      openLength = 2;
      break;
    case u'/':
      if (pos + 1 >= s.size() || s[pos + 1] != u'*') {
        return false;
      }
      closing = u"*/";
      openLength = 2;
      break;
    default:
      return false;
  }
  // A doubled closing quote inside a literal simply ends one part and starts the next.
  const std::size_t end = s.find(closing, pos + openLength);
  const std::size_t stop = end == std::u16string_view::npos ? s.size() : end + closing.size();
  out.append(s.substr(pos, stop - pos));
  pos = stop;
  return true;
}

std::u16string_view SkipBlanks(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) {
    s.remove_prefix(1);
  }
  return s;
}

bool ConsumeWordNoCase(std::u16string_view& s, std::u16string_view word) {
  if (s.size() < word.size()) {
    return false;
  }
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (LowerAscii(s[i]) != word[i]) {
      return false;
    }
  }
  if (s.size() > word.size() && !IsBlank(s[word.size()])) {
    return false;
  }
  s.remove_prefix(word.size());
  return true;
}

bool IsProcedureNameChar(char16_t c) {
  return IsNameChar(c) || c == u'.' || c == u'[' || c == u']' || c == u'#' || c == u'@' || c == u'$';
}

}  // namespace

PositionalStatement ToPositionalStatement(std::u16string_view statement) {
  PositionalStatement result;
  std::size_t pos = 0;
  while (pos < statement.size()) {
    if (CopyVerbatimPart(statement, pos, result.text)) {
      continue;
    }
    const char16_t c = statement[pos];
    const bool afterName = pos > 0 && (IsNameChar(statement[pos - 1]) || statement[pos - 1] == u':');
    if (c == u':' && !afterName && pos + 1 < statement.size() && IsNameChar(statement[pos + 1])) {
      std::size_t end = pos + 1;
      while (end < statement.size() && IsNameChar(statement[end])) {
        ++end;
      }
      result.markers.emplace_back(statement.substr(pos + 1, end - pos - 1));
      result.text += u'?';
      pos = end;
      continue;
    }
    result.text += c;
    ++pos;
  }
  return result;
}

std::optional<std::u16string> AsProcedureCall(std::u16string_view positionalText) {
  std::u16string_view s = SkipBlanks(positionalText);
  if (!ConsumeWordNoCase(s, u"execute") && !ConsumeWordNoCase(s, u"exec")) {
    return std::nullopt;
  }
  s = SkipBlanks(s);
  std::size_t nameLength = 0;
  while (nameLength < s.size() && IsProcedureNameChar(s[nameLength])) {
    ++nameLength;
  }
  if (nameLength == 0) {
    return std::nullopt;
  }
  const std::u16string_view name = s.substr(0, nameLength);
  s = SkipBlanks(s.substr(nameLength));

  std::size_t count = 0;
  while (!s.empty() && s.front() == u'?') {
    ++count;
    s = SkipBlanks(s.substr(1));
    if (s.empty() || s.front() != u',') {
      break;
    }
    s = SkipBlanks(s.substr(1));
    if (s.empty() || s.front() != u'?') {
      return std::nullopt;
    }
  }
  if (!s.empty() && s.front() == u';') {
    s = SkipBlanks(s.substr(1));
  }
  if (!s.empty()) {
    return std::nullopt;
  }
  std::u16string call = u"{call ";
  call += name;
  call += u'(';
  for (std::size_t i = 0; i < count; ++i) {
    call += i == 0 ? u"?" : u", ?";
  }
  call += u")}";
  return call;
}

}  // namespace db::odbc
