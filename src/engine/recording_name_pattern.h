#pragma once
// The names a camera's path template can produce, so that a storage limit
// deletes only what this camera wrote: the template with each time variable
// standing for any text it can expand to, and for numbered pictures the
// picture number before the extension as NumberedName puts it there.
// Letters match in any case and '\\' and '/' alike, as on Windows.

#include <cstdint>
#include <string_view>
#include <vector>

class RecordingNamePattern {
 public:
  enum class Numbering : uint8_t {
    kNone,
    kAlways,     // numbered pictures
    kWhenTaken,  // MP4 recordings: a number only where the name was taken
  };
  // `numbered`: the camera saves numbered pictures rather than one file.
  RecordingNamePattern(std::string_view pathTemplate, bool numbered)
      : RecordingNamePattern(pathTemplate, numbered ? Numbering::kAlways : Numbering::kNone) {}
  RecordingNamePattern(std::string_view pathTemplate, Numbering numbering);

  bool Matches(std::string_view path) const;

 private:
  enum class Kind : uint8_t {
    kLiteral,
    kDigits,  // between minCount and maxCount decimal digits
    kWord,    // a name (month, day, zone): any text within one folder
    kAny,     // a date or time with separators of its own: any text
    kNumber,  // a picture number: decimal, no leading zeros
  };
  struct Token {
    Kind kind;
    char literal;
    uint8_t minCount;
    uint8_t maxCount;
  };

  bool MatchFrom(size_t token, size_t at, std::string_view path, std::vector<int8_t>& memo) const;

  std::vector<Token> tokens_;
  bool valid_ = true;
};
