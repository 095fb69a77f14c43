#include "find/find_masks.h"

#include <algorithm>
#include <cstdint>

#include "find/find_text.h"
#include "platform/codepage.h"

namespace {

// Reads the character at `i` (one or two bytes) and moves past it.
inline std::uint16_t NextChar(std::string_view s, std::size_t& i) {
  std::size_t n = platform::AnsiCharLength(s, i);
  std::uint16_t c = static_cast<unsigned char>(s[i]);
  if (n == 2) c = static_cast<std::uint16_t>((c << 8) | static_cast<unsigned char>(s[i + 1]));
  i += n;
  return c;
}

}  // namespace

TFindMask::TFindMask(std::string_view mask) {
  std::size_t i = 0;
  while (i < mask.size()) {
    std::uint16_t c = NextChar(mask, i);
    if (c == '*') {
      if (tokens_.empty() || tokens_.back().kind != Token::Star) tokens_.emplace_back(Token::Star);
    } else if (c == '?') {
      tokens_.emplace_back(Token::Any);
    } else if (c == '[') {
      Token set(Token::Set);
      if (i < mask.size() && mask[i] == '!') {
        set.negate = true;
        ++i;
      }
      bool closed = false;
      while (i < mask.size()) {
        std::uint16_t low = NextChar(mask, i);
        if (low == ']') {
          closed = true;
          break;
        }
        std::uint16_t high = low;
        if (i < mask.size() && mask[i] == '-') {
          ++i;
          if (i >= mask.size() || mask[i] == ']') {
            malformed_ = true;  // "[a-]": a range without an end
            return;
          }
          high = NextChar(mask, i);
        }
        low = FindFoldChar(low);
        high = FindFoldChar(high);
        if (high < low) std::swap(low, high);
        set.ranges.push_back({low, high});
      }
      if (!closed || set.ranges.empty()) {
        malformed_ = true;
        return;
      }
      tokens_.push_back(std::move(set));
    } else {
      Token t(Token::Char);
      t.ch = FindFoldChar(c);
      tokens_.push_back(std::move(t));
    }
  }
}

bool TFindMask::TokenMatches(const Token& token, std::uint16_t ch) const {
  switch (token.kind) {
    case Token::Char:
      return token.ch == ch;
    case Token::Any:
      return true;
    case Token::Set: {
      bool in = false;
      for (const Range& r : token.ranges) in = in || (ch >= r.low && ch <= r.high);
      return in != token.negate;
    }
    case Token::Star:
      break;
  }
  return false;
}

bool TFindMask::Matches(std::string_view text) const {
  if (malformed_) return false;
  std::vector<std::uint16_t> chars;
  chars.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) chars.push_back(FindFoldChar(NextChar(text, i)));

  // Iterative matching; on a mismatch the last '*' takes one more character.
  std::size_t ti = 0, pi = 0, starP = SIZE_MAX, starT = 0;
  const std::size_t n = chars.size(), m = tokens_.size();
  while (ti < n) {
    if (pi < m && tokens_[pi].kind != Token::Star && TokenMatches(tokens_[pi], chars[ti])) {
      ++pi;
      ++ti;
    } else if (pi < m && tokens_[pi].kind == Token::Star) {
      starP = pi++;
      starT = ti;
    } else if (starP != SIZE_MAX) {
      pi = starP + 1;
      ti = ++starT;
    } else {
      return false;
    }
  }
  while (pi < m && tokens_[pi].kind == Token::Star) ++pi;
  return pi == m;
}

TMaskResult MatchesMask(std::string_view text, std::string_view mask) {
  TFindMask compiled(mask);
  if (compiled.Malformed()) return TMaskResult::Malformed;
  return compiled.Matches(text) ? TMaskResult::Match : TMaskResult::NoMatch;
}

