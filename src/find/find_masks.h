// Name masks of the find engine: "*" + pattern + "*" tried against a file or folder
// name, with the wildcards of the find window.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

enum class TMaskResult { NoMatch, Match, Malformed };

// A wildcard mask over CP932 text: '*' any run of characters, '?' one character (a
// double-byte character counts as one), '[...]' one character of a set with ranges
// ("[a-c]"), "[!...]" one character not in it.  Letters match in either case, as
// FindFoldCase folds them (ASCII and full-width Latin).  A set
// that is not closed, empty, or has a range without an end is malformed.
class TFindMask {
 public:
  explicit TFindMask(std::string_view mask);
  bool Malformed() const { return malformed_; }
  bool Matches(std::string_view text) const;

 private:
  struct Range {
    std::uint16_t low, high;
  };
  struct Token {
    enum Kind { Char, Any, Star, Set } kind;
    explicit Token(Kind k) : kind(k) {}
    std::uint16_t ch = 0;   // Char: lower-cased character code
    bool negate = false;    // Set
    std::vector<Range> ranges;
  };
  bool TokenMatches(const Token& token, std::uint16_t ch) const;
  std::vector<Token> tokens_;
  bool malformed_ = false;
};

TMaskResult MatchesMask(std::string_view text, std::string_view mask);
