#include "engine/recording_name_pattern.h"

#include <cstddef>
#include <cstring>

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

char Folded(char c) {
  if (c == '/') return '\\';
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Most digits a numeric conversion gives; 0 for one that gives text.
int DigitCount(char conversion) {
  switch (conversion) {
    case 'w':
      return 1;
    case 'd':
    case 'H':
    case 'I':
    case 'm':
    case 'M':
    case 'S':
    case 'U':
    case 'W':
    case 'y':
      return 2;
    case 'j':
      return 3;
    case 'Y':
      return 4;
    default:
      return 0;
  }
}

}  // namespace

RecordingNamePattern::RecordingNamePattern(std::string_view pathTemplate, Numbering numbering) {
  size_t numberAt = std::string_view::npos;  // token index the number goes before
  for (size_t i = 0; i < pathTemplate.size(); ++i) {
    char c = pathTemplate[i];
    if (c != '%' || (i + 1 < pathTemplate.size() && pathTemplate[i + 1] == '%')) {
      if (c == '%') ++i;
      if (c == '.') numberAt = tokens_.size();
      if (IsSeparator(c)) numberAt = std::string_view::npos;
      tokens_.push_back({Kind::kLiteral, Folded(c), 1, 1});
      continue;
    }
    const bool trimmed = i + 1 < pathTemplate.size() && pathTemplate[i + 1] == '#';
    if (trimmed) ++i;
    if (++i == pathTemplate.size()) {
      valid_ = false;  // a template the worker refuses writes nothing
      return;
    }
    const char conversion = pathTemplate[i];
    if (const int digits = DigitCount(conversion)) {
      tokens_.push_back({Kind::kDigits, 0, static_cast<uint8_t>(trimmed ? 1 : digits), static_cast<uint8_t>(digits)});
    } else if (std::strchr("aAbBpzZ", conversion)) {
      tokens_.push_back({Kind::kWord, 0, 1, 0});
    } else if (std::strchr("cxX", conversion)) {
      tokens_.push_back({Kind::kAny, 0, 1, 0});
    } else {
      valid_ = false;
      return;
    }
  }
  if (numbering != Numbering::kNone) {
    // Without a '.' in its file name the camera writes no pictures.
    if (numberAt == std::string_view::npos) {
      valid_ = false;
      return;
    }
    const uint8_t fewest = numbering == Numbering::kAlways ? 1 : 0;
    tokens_.insert(tokens_.begin() + static_cast<std::ptrdiff_t>(numberAt), Token{Kind::kNumber, 0, fewest, 10});
  }
}

bool RecordingNamePattern::Matches(std::string_view path) const {
  if (!valid_) return false;
  // Whether tokens from t on match the path from p on, remembered so that
  // several text variables cost no more than tokens times characters.
  std::vector<int8_t> memo((tokens_.size() + 1) * (path.size() + 1), -1);
  return MatchFrom(0, 0, path, memo);
}

bool RecordingNamePattern::MatchFrom(size_t token, size_t at, std::string_view path, std::vector<int8_t>& memo) const {
  if (token == tokens_.size()) return at == path.size();
  int8_t& known = memo[token * (path.size() + 1) + at];
  if (known >= 0) return known != 0;
  const Token& t = tokens_[token];
  bool matched = false;
  switch (t.kind) {
    case Kind::kLiteral:
      matched = at < path.size() && Folded(path[at]) == t.literal && MatchFrom(token + 1, at + 1, path, memo);
      break;
    case Kind::kDigits:
    case Kind::kNumber: {
      // A picture number is written without leading zeros: "0" is the only
      // one that starts with one.
      const size_t most = t.kind == Kind::kNumber && at < path.size() && path[at] == '0' ? 1 : t.maxCount;
      size_t end = at;
      while (end < path.size() && end - at < most && IsDigit(path[end])) ++end;
      for (size_t count = end - at + 1; count-- > t.minCount && !matched;)
        matched = MatchFrom(token + 1, at + count, path, memo);
      break;
    }
    case Kind::kWord:
    case Kind::kAny:
      for (size_t end = at + 1; end <= path.size() && !matched; ++end) {
        if (t.kind == Kind::kWord && IsSeparator(path[end - 1])) break;
        matched = MatchFrom(token + 1, end, path, memo);
      }
      break;
  }
  known = matched ? 1 : 0;
  return matched;
}
