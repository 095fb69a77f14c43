#include "text/html_parser.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/jcode.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char kEsc = 0x1B;

constexpr unsigned char U(char c) { return static_cast<unsigned char>(c); }
inline bool IsQuoteByte(char c) { return c == '\'' || c == '"'; }
inline bool IsGraphic(char c) { return U(c) >= 0x21 && U(c) <= 0x7E; }
inline bool IsBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// The JIS shift sequences, inline for the scanners: most bytes fail the first test.
inline bool KanjiInAt(std::string_view t, std::size_t pos) {
  return t[pos] == kEsc && t.size() - pos >= 3 && t[pos + 1] == '$' &&
         (AsciiUpper(t[pos + 2]) == '@' || AsciiUpper(t[pos + 2]) == 'B' ||
          AsciiUpper(t[pos + 2]) == 'D');
}
inline bool KanjiOutAt(std::string_view t, std::size_t pos) {
  return t[pos] == kEsc && t.size() - pos >= 3 && t[pos + 1] == '(' &&
         (AsciiUpper(t[pos + 2]) == 'B' || AsciiUpper(t[pos + 2]) == 'I' ||
          AsciiUpper(t[pos + 2]) == 'J');
}

// From a kanji-in sequence at i: the position behind the kanji-out that ends the run of
// two-byte codes, or npos when the text ends inside it.
inline std::size_t SkipKanjiRun(std::string_view t, std::size_t i) {
  const std::size_t n = t.size();
  i += 3;
  while (i < n && !KanjiOutAt(t, i)) i += 2;
  return i >= n ? npos : i + 3;
}

// Bytes that continue an unquoted word with nothing to look at: graphic, no quote.
struct PlainWordTable {
  bool plain[256] = {};
  constexpr PlainWordTable() {
    for (int c = 0x21; c <= 0x7E; ++c) plain[c] = c != '\'' && c != '"';
  }
};
constexpr PlainWordTable kPlainWord;

// A set of delimiter bytes, tested with one shift and mask.
struct DelimSet {
  std::uint64_t bits[4] = {};
  constexpr DelimSet() = default;
  constexpr explicit DelimSet(std::string_view s) {
    for (char c : s) Add(c);
  }
  constexpr void Add(char c) { bits[U(c) >> 6] |= std::uint64_t{1} << (U(c) & 63); }
  constexpr bool Has(char c) const { return (bits[U(c) >> 6] >> (U(c) & 63)) & 1; }
};

constexpr DelimSet kTagEnd{">"};
// What the attribute cutter must look at: its delimiters, quotes and escapes.
constexpr DelimSet kCutSpecial{"= \r\n\t/>'\"\x1B"};
constexpr DelimSet kEquals{"="};

// The scanning walk: JIS two-byte codes are stepped over whole, quoted runs (when
// quoteAware) hide delimiters, and a '>' right behind a quote byte is seen even inside
// a quote so that an unbalanced quote cannot swallow the rest of the page.
std::size_t ScanForSet(std::size_t pos, std::string_view t, const DelimSet& delims,
                       bool quoteAware) {
  DelimSet special = delims;
  special.Add(kEsc);
  if (quoteAware) {
    special.Add('\'');
    special.Add('"');
  }
  const std::size_t n = t.size();
  const char* p = t.data();
  char quote = 0;
  char prev = 0;
  std::size_t i = pos;
  while (i < n) {
    const char c = p[i];
    if (!special.Has(c)) {
      prev = c;
      ++i;
      continue;
    }
    if (c == kEsc && KanjiInAt(t, i)) {
      i = SkipKanjiRun(t, i);
      if (i == npos) return npos;
      continue;
    }
    if (quoteAware && IsQuoteByte(c)) {
      if (!quote) {
        if (c != prev) quote = c;  // a doubled quote opens nothing
      } else if (c == quote) {
        quote = 0;
      }
    } else if (!quote || (c == '>' && IsQuoteByte(prev))) {
      if (delims.Has(c)) return i;
    }
    prev = c;
    ++i;
  }
  return npos;
}

// The end of a text token: the next '<' outside JIS kanji.  Text is the bulk of a
// page, so this runs on memchr and only walks byte by byte around escapes.
std::size_t FindTextEnd(std::size_t pos, std::string_view t) {
  const std::size_t n = t.size();
  const char* base = t.data();
  // Text between tags is mostly a line break or a few words: look at those directly.
  const std::size_t near = std::min(n, pos + 32);
  for (; pos < near; ++pos) {
    if (base[pos] == '<') return pos;
    if (base[pos] == kEsc) break;
  }
  std::size_t lt = npos;  // the next '<' at or after pos, once known
  while (pos < n) {
    if (lt == npos || lt < pos) {
      const void* hit = std::memchr(base + pos, '<', n - pos);
      lt = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : n;
    }
    const void* esc = std::memchr(base + pos, kEsc, lt - pos);
    if (!esc) return lt < n ? lt : npos;
    std::size_t i = static_cast<std::size_t>(static_cast<const char*>(esc) - base);
    if (KanjiInAt(t, i)) {
      pos = SkipKanjiRun(t, i);
      if (pos == npos) return npos;
    } else {
      pos = i + 1;
    }
  }
  return npos;
}

// The end of a comment that starts at pos ("<!--"): behind the first "-->", whatever
// quotes the comment holds (<!-- don't touch --> must not hide what follows).  JIS
// two-byte codes are stepped over.  npos when the page has no "-->" after it.
std::size_t FindCommentEnd(std::size_t pos, std::string_view t) {
  const std::size_t n = t.size();
  std::size_t i = pos + 2;  // "<!-->" is a whole (empty) comment
  while (i < n) {
    const char c = t[i];
    if (c == '-' && i + 2 < n && t[i + 1] == '-' && t[i + 2] == '>') return i + 3;
    if (c == kEsc && KanjiInAt(t, i)) {
      i = SkipKanjiRun(t, i);
      if (i == npos) return npos;
      continue;
    }
    ++i;
  }
  return npos;
}

// Cuts the token that starts at pos and moves pos past it.
std::string_view CutToken(std::string_view t, std::size_t& pos) {
  const std::size_t start = pos;
  std::size_t end;
  std::size_t comment = npos;
  if (t.compare(pos, 4, "<!--") == 0) comment = FindCommentEnd(pos, t);
  if (comment != npos) {
    end = comment;
  } else if (t[pos] == '<') {
    const std::size_t q = ScanForSet(pos, t, kTagEnd, true);
    end = (q == npos) ? t.size() : q + 1;
  } else {
    const std::size_t q = FindTextEnd(pos, t);
    end = (q == npos) ? t.size() : q;
  }
  pos = end;
  return t.substr(start, end - start);
}

// ReadWord's first step: blanks, control bytes and other non-graphic single bytes.
inline void SkipToWord(std::size_t& pos, std::string_view t) {
  while (pos < t.size() && !KanjiInAt(t, pos) && !platform::IsLeadByte(U(t[pos])) &&
         !IsGraphic(t[pos]))
    ++pos;
}

// The scanning walk above as a resumable state machine, for the attribute cutter.
struct Scanner {
  std::size_t pos = 0;
  bool kanji = false;
  char quote = 0;
  char prev = 0;

  // Moves over one unit; returns the position of the byte it tested as a possible
  // delimiter, or npos when the unit was a shift sequence, kanji or a hidden byte.
  std::size_t Step(std::string_view t) {
    const std::size_t i = pos;
    if (kanji) {
      if (KanjiOutAt(t, i)) {
        kanji = false;
        pos += 3;
      } else {
        pos += 2;
      }
      return npos;
    }
    if (KanjiInAt(t, i)) {
      kanji = true;
      pos += 3;
      return npos;
    }
    const char c = t[i];
    std::size_t tested = npos;
    if (IsQuoteByte(c)) {
      if (!quote) {
        if (c != prev) quote = c;
      } else if (c == quote) {
        quote = 0;
      }
    } else if (!quote || (c == '>' && IsQuoteByte(prev))) {
      tested = i;
    }
    prev = c;
    pos = i + 1;
    return tested;
  }
};

// Cuts a tag's attribute texts one after another.
//
// The rule for an attribute is: find the first '=' (e) and the first blank (w); a
// blank before the '=' means a value-less attribute, an '=' means name=value, and
// with no '=' at all the attribute ends at a blank, '/' or '>'.  Done literally that
// is one scan to the end of the tag per attribute, which makes a long unterminated
// tag quadratic, so the scans are merged into one and the question "is there an '='
// further on" is answered from a shared forward walk.
class AttributeCutter {
 public:
  explicit AttributeCutter(std::string_view t) : t_(t) {}

  // How the cut text splits, as the cutting scan already saw it: the '=' (npos when
  // the text holds none) and the value.  `known` is false when the attribute has to
  // work that out itself.
  struct Split {
    bool known = false;
    std::size_t eq = npos;
    std::size_t valueStart = 0;
    std::size_t valueLen = 0;
  };

  bool Next(std::size_t& pos, std::string_view& out, Split& split) {
    SkipToWord(pos, t_);
    const std::size_t n = t_.size();
    if (pos >= n) return false;
    const std::size_t start = pos;
    Scanner s;
    s.pos = start;
    std::size_t slashOrGt = npos;
    while (s.pos < n) {
      if (!s.kanji && !s.quote) {
        // Ordinary name and value bytes need no state but the previous byte.
        std::size_t i = s.pos;
        while (i < n && !kCutSpecial.Has(t_[i])) ++i;
        if (i > s.pos) {
          s.prev = t_[i - 1];
          s.pos = i;
          continue;
        }
      }
      const std::size_t i = s.Step(t_);
      if (i == npos) continue;
      char c = t_[i];
      std::size_t eqAt = i;
      if (IsBlank(c) && i > start) {
        // Blanks between a name and its '=' (href = "x") belong to the separator.
        std::size_t j = i;
        while (j < n && IsBlank(t_[j])) ++j;
        if (j < n && t_[j] == '=') {
          c = '=';
          eqAt = j;
        }
      }
      if (c == '=') {
        pos = eqAt + 1;
        const std::string_view v = ReadWord(pos, t_);
        split.known = v.empty() || v.back() != '>';
        if (!split.known) pos -= v.size();
        split.eq = eqAt - start;
        split.valueStart = (v.empty() ? pos : static_cast<std::size_t>(v.data() - t_.data())) - start;
        split.valueLen = v.size();
        out = t_.substr(start, pos - start);
        return true;
      }
      if (IsBlank(c)) {
        // Without an earlier '/' or '>' both rules cut here.  Otherwise an '=' further
        // on decides: with it the blank ends a value-less attribute, without it the
        // earlier '/' or '>' does.  Behind a tested blank the walk is in its start state.
        if (slashOrGt == npos || FirstEqualFrom(i + 1) != npos) {
          split.known = true;
          split.eq = npos;
          out = t_.substr(start, i - start);
          pos = i;
          return true;
        }
        break;
      }
      if ((c == '/' || c == '>') && slashOrGt == npos) slashOrGt = i;
    }
    if (slashOrGt != npos && slashOrGt > start) {
      split.known = true;
      split.eq = npos;
      out = t_.substr(start, slashOrGt - start);
      pos = slashOrGt;
      return true;
    }
    return false;
  }

 private:
  // The first '=' a fresh scan from p would find.  Queries come with growing p; a
  // reference walk is carried forward, and wherever it stands at p outside quotes and
  // kanji, a fresh scan from p goes exactly its way, so its answer is reused.
  std::size_t FirstEqualFrom(std::size_t p) {
    const std::size_t n = t_.size();
    if (p >= n) return npos;
    if (!refValid_ || ref_.pos > p) {
      Restart(p);
    } else {
      while (ref_.pos < p) ref_.Step(t_);
      if (ref_.pos != p || ref_.kanji || ref_.quote || IsQuoteByte(ref_.prev)) Restart(p);
    }
    if (eqKnown_ && eqFrom_ <= p && (eq_ == npos || eq_ >= p)) return eq_;
    Scanner look = ref_;
    eq_ = npos;
    while (look.pos < n) {
      const std::size_t i = look.Step(t_);
      if (i != npos && t_[i] == '=') {
        eq_ = i;
        break;
      }
    }
    eqFrom_ = p;
    eqKnown_ = true;
    return eq_;
  }

  void Restart(std::size_t p) {
    ref_ = Scanner{};
    ref_.pos = p;
    refValid_ = true;
    eqKnown_ = false;
  }

  std::string_view t_;
  Scanner ref_;
  bool refValid_ = false;
  bool eqKnown_ = false;
  std::size_t eqFrom_ = 0;
  std::size_t eq_ = npos;
};

// Bytes 0x00-0x20 off both ends.
std::string_view TrimControl(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && U(s[b]) <= 0x20) ++b;
  while (e > b && U(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

void ReplaceAll(std::string& s, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::size_t at = s.find(from);
  if (at == npos) return;
  std::string out;
  out.reserve(s.size());
  std::size_t last = 0;
  while (at != npos) {
    out.append(s, last, at - last);
    out.append(to);
    last = at + from.size();
    at = s.find(from, last);
  }
  out.append(s, last, npos);
  s.swap(out);
}

struct CharsetRow {
  std::string_view name;
  HtmlCharsetType type;
};

constexpr CharsetRow kDeclaredCharsets[] = {
    {"x-sjis", HtmlCharsetType::ShiftJis},
    {"shift-jis", HtmlCharsetType::ShiftJis},
    {"windows-1252", HtmlCharsetType::ShiftJis},  // needs no conversion either
    {"ISO-2022-JP", HtmlCharsetType::Iso2022Jp},
    {"EUC-JP", HtmlCharsetType::EucJp},
    {"x-EUC-JP", HtmlCharsetType::EucJp},
    {"x-euc-japan", HtmlCharsetType::EucJp},
    {"UTF-8", HtmlCharsetType::Utf8},
    {"us-ascii", HtmlCharsetType::Western},
    {"iso-8859-1", HtmlCharsetType::Western},
};

}  // namespace

// ---------------------------------------------------------------------------
// Unit functions
// ---------------------------------------------------------------------------

bool IsJisKanjiIn(std::string_view t, std::size_t pos) {
  if (pos >= t.size() || t.size() - pos < 3) return false;
  if (t[pos] != kEsc || t[pos + 1] != '$') return false;
  const char c = AsciiUpper(t[pos + 2]);
  return c == '@' || c == 'B' || c == 'D';
}

bool IsJisKanjiOut(std::string_view t, std::size_t pos) {
  if (pos >= t.size() || t.size() - pos < 3) return false;
  if (t[pos] != kEsc || t[pos + 1] != '(') return false;
  const char c = AsciiUpper(t[pos + 2]);
  return c == 'B' || c == 'I' || c == 'J';
}

std::size_t ScanFor(std::size_t pos, std::string_view text, std::string_view delimiters,
                    bool quoteAware) {
  if (pos >= text.size()) return npos;
  return ScanForSet(pos, text, DelimSet(delimiters), quoteAware);
}

std::string_view ReadWord(std::size_t& pos, std::string_view t) {
  const std::size_t n = t.size();
  SkipToWord(pos, t);
  if (pos >= n) {
    pos = n;
    return {};
  }
  const std::size_t start = pos;
  bool kanji = false;
  char quote = 0;
  while (pos < n) {
    if (!kanji && !quote) {
      while (pos < n && kPlainWord.plain[U(t[pos])]) ++pos;
      if (pos >= n) break;
    }
    if (kanji) {
      if (KanjiOutAt(t, pos)) {
        kanji = false;
        pos += 3;
      } else {
        pos += 2;
      }
      continue;
    }
    if (KanjiInAt(t, pos)) {
      kanji = true;
      pos += 3;
      continue;
    }
    if (quote) {
      while (pos < n && t[pos] != quote && t[pos] != kEsc) ++pos;
      if (pos >= n) break;
    }
    const char c = t[pos];
    if (quote) {
      ++pos;
      if (c == quote) break;  // the closing quote ends the word and belongs to it
      continue;
    }
    if (IsQuoteByte(c)) {
      quote = c;
      ++pos;
      continue;
    }
    if (!IsGraphic(c)) break;
    ++pos;
  }
  if (pos > n) pos = n;  // a two-byte step at the very end
  std::size_t len = pos - start;
  if (len > 2 && t[start + len - 2] == '/' && t[start + len - 1] == '>') {
    len -= 2;
    pos -= 2;
  }
  if (len > 1 && t[start + len - 1] == '>') {
    len -= 1;
    pos -= 1;
  }
  return t.substr(start, len);
}

namespace {

// NormalizeValueSpaces into a string that keeps its buffer across tokens; almost every
// value has no line break and is only trimmed.
void NormalizeValueInto(std::string& out, std::string_view in) {
  if (std::none_of(in.begin(), in.end(), [](char c) { return c == '\r' || c == '\n'; })) {
    out.assign(TrimControl(in));
    return;
  }
  out = NormalizeValueSpaces(in);
}

}  // namespace

std::string NormalizeValueSpaces(std::string_view in) {
  std::string s;
  s.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '\r') {
      s += '\n';
      if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
    } else {
      s += in[i];
    }
  }
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] != '\n') {
      out += s[i++];
      continue;
    }
    std::size_t j = i + 1;
    while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
    if (j == s.size()) break;  // only blanks follow: the value ends before the break
    if (j > i + 1) out += ' ';
    i = j;
  }
  return std::string(TrimControl(out));
}

bool ReadFileText(const std::string& fileName, std::string& bytes) {
  return platform::ReadWholeFile(fileName, bytes);
}

HtmlCharsetType DetectCharsetType(std::string_view bytes) {
  switch (InCodeCheck(bytes)) {
    case JCODE_ASCII: return HtmlCharsetType::Western;
    case JCODE_JIS:
    case JCODE_JIS_OLD: return HtmlCharsetType::Iso2022Jp;
    case JCODE_EUC: return HtmlCharsetType::EucJp;
    case JCODE_SJIS: return HtmlCharsetType::ShiftJis;
    default: return HtmlCharsetType::Undetermined;
  }
}

HtmlCharsetType CharsetTypeFromName(std::string_view name) {
  std::string key(name);
  std::replace(key.begin(), key.end(), '_', '-');
  for (const CharsetRow& row : kDeclaredCharsets)
    if (SameAscii(key, row.name)) return row.type;
  return HtmlCharsetType::Other;
}

std::string_view CanonicalCharsetName(HtmlCharsetType type) {
  switch (type) {
    case HtmlCharsetType::Western: return "ISO-8859-1";
    case HtmlCharsetType::ShiftJis: return "Shift_JIS";
    case HtmlCharsetType::Iso2022Jp: return "ISO-2022-JP";
    case HtmlCharsetType::EucJp: return "EUC-JP";
    case HtmlCharsetType::Utf8: return "UTF-8";
    default: return {};
  }
}

// ---------------------------------------------------------------------------
// THTMLEllement
// ---------------------------------------------------------------------------

void THTMLEllement::Reset() {
  index_ = -1;
  name_.clear();
  separator_.clear();
  value_.clear();
  quote_.clear();
  text_.clear();
  offset_ = std::string::npos;
  span_ = 0;
}

std::string THTMLEllement::BuildText() const {
  if (!separator_.empty()) {
    std::string s;
    s.reserve(name_.size() + separator_.size() + value_.size() + 2 * quote_.size());
    s.append(name_).append(separator_).append(quote_).append(value_).append(quote_);
    return s;
  }
  // A bare quoted value (what is left of href = 'x') has no name to stand for it;
  // writing the name alone would drop the value from the page.
  if (name_.empty() && !quote_.empty()) return quote_ + value_ + quote_;
  return name_;
}

void THTMLEllement::Changed(std::string oldText) {
  text_ = BuildText();
  if (OnChange) OnChange(*this, index_, oldText, text_);
}

void THTMLEllement::SetName(std::string_view name) {
  if (name == name_) return;
  std::string old = text_;
  name_.assign(name);
  Changed(std::move(old));
}

void THTMLEllement::SetValue(std::string_view value) {
  if (value == value_) return;
  std::string old = text_;
  value_.assign(value);
  Changed(std::move(old));
}

void THTMLEllement::SetQuote(std::string_view quote) {
  if (quote == quote_) return;
  std::string old = text_;
  quote_.assign(quote);
  Changed(std::move(old));
}

void THTMLEllement::SetText(std::string_view raw) {
  if (raw == text_) return;
  const std::size_t e = ScanForSet(0, raw, kEquals, true);
  std::size_t valueStart = 0, valueLen = 0;
  if (e != npos) {
    std::size_t p = e + 1;
    const std::string_view v = ReadWord(p, raw);
    valueStart = v.empty() ? p : static_cast<std::size_t>(v.data() - raw.data());
    valueLen = v.size();
  }
  Assign(raw, e, valueStart, valueLen);
}

void THTMLEllement::Assign(std::string_view raw, std::size_t e, std::size_t valueStart,
                           std::size_t valueLen) {
  text_.assign(raw);
  quote_.clear();
  separator_.clear();
  if (e != npos) {
    const std::string_view before = raw.substr(0, e);
    const std::string_view name = TrimControl(before);
    name_.assign(name);
    const std::size_t nameEnd =
        name.empty() ? before.size() : static_cast<std::size_t>(name.data() - raw.data()) + name.size();
    const std::string_view v = raw.substr(valueStart, valueLen);
    // The separator is kept even for an empty value (alt=), so that rebuilding the
    // text after a change keeps the '='.
    separator_.assign(raw.substr(nameEnd, valueStart - nameEnd));
    if (v.size() >= 2 && IsQuoteByte(v.front()) && v.back() == v.front()) {
      quote_.assign(1, v.front());
      NormalizeValueInto(value_, v.substr(1, v.size() - 2));
    } else {
      value_.assign(v);
    }
  } else {
    name_.assign(raw);
    value_.clear();
    if (raw.size() >= 2 && IsQuoteByte(raw.front()) && raw.back() == raw.front()) {
      quote_.assign(1, raw.front());
      NormalizeValueInto(value_, raw.substr(1, raw.size() - 2));
      name_.clear();
    }
  }
}

// ---------------------------------------------------------------------------
// THTMLTag
// ---------------------------------------------------------------------------

void THTMLTag::Reset() {
  dirty_ = false;
  kind_ = HtmlTokenKind::None;
  name_.clear();
  count_ = 0;
}

THTMLEllement& THTMLTag::NewAttribute() {
  if (count_ == attributes_.size()) attributes_.push_back(std::make_unique<THTMLEllement>());
  THTMLEllement& a = *attributes_[count_];
  a.Reset();
  a.index_ = static_cast<int>(count_);
  ++count_;
  return a;
}

void THTMLTag::SetText(std::string_view raw) {
  if (raw == Text()) return;
  Reset();
  text_.assign(raw);
  Parse();
}

void THTMLTag::Parse() {
  if (text_.empty()) return;
  if (text_[0] != '<') {
    kind_ = HtmlTokenKind::Text;
    return;
  }
  const std::string_view t = text_;
  std::size_t pos = 1;
  const std::string_view word = ReadWord(pos, t);
  if (word.empty()) {
    kind_ = HtmlTokenKind::Text;
    return;
  }
  if (word.substr(0, 3) == "!--") {
    kind_ = HtmlTokenKind::Comment;
    return;
  }
  name_.assign(word);
  kind_ = SameAscii(word, "!DOCTYPE") ? HtmlTokenKind::Declaration : HtmlTokenKind::Tag;
  AttributeCutter cutter(t);
  std::string_view raw;
  AttributeCutter::Split split;
  while (cutter.Next(pos, raw, split)) {
    THTMLEllement& a = NewAttribute();
    if (split.known) {
      a.Assign(raw, split.eq, split.valueStart, split.valueLen);
    } else {
      a.SetText(raw);
    }
    a.offset_ = static_cast<std::size_t>(raw.data() - t.data());
    a.span_ = raw.size();
    a.OnChange = [this](THTMLEllement& owner, int index, const std::string& oldText,
                        const std::string& newText) {
      AttributeChanged(owner, index, oldText, newText);
    };
  }
}

int THTMLTag::FindAttribute(std::string_view name) const {
  for (std::size_t i = 0; i < count_; ++i)
    if (SameAscii(attributes_[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

void THTMLTag::AttributeChanged(THTMLEllement& owner, int index, const std::string& oldText,
                                const std::string& newText) {
  // One of our attributes, still standing where it was cut: its span takes the new
  // text at the next Flush (a look-alike such as the src=a.gif inside lowsrc=a.gif
  // stays untouched).
  const std::size_t at = owner.offset_;
  if (index >= 0 && static_cast<std::size_t>(index) < count_ &&
      attributes_[static_cast<std::size_t>(index)].get() == &owner && at != std::string::npos &&
      at <= text_.size() && text_.size() - at >= owner.span_) {
    dirty_ = true;
    return;
  }
  // Anything else: every occurrence of the old text.  Positions are unknown after that.
  Flush();
  if (oldText.empty()) return;
  ReplaceAll(text_, oldText, newText);
  for (std::size_t i = 0; i < count_; ++i) attributes_[i]->offset_ = std::string::npos;
}

void THTMLTag::Flush() const {
  if (!dirty_) return;
  dirty_ = false;
  std::string out;
  out.reserve(text_.size() + 64);
  std::size_t prev = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    THTMLEllement& a = *attributes_[i];
    if (a.offset_ == std::string::npos || a.offset_ < prev) continue;
    out.append(text_, prev, a.offset_ - prev);
    prev = a.offset_ + a.span_;
    a.offset_ = out.size();
    a.span_ = a.text_.size();
    out.append(a.text_);
  }
  out.append(text_, prev, std::string::npos);
  text_ = std::move(out);
}

void THTMLTag::RemoveAttribute(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= count_) return;
  const std::size_t idx = static_cast<std::size_t>(index);
  Flush();
  THTMLEllement& a = *attributes_[idx];
  const std::string& at = a.text_;
  const std::size_t off = a.offset_;
  if (off != std::string::npos && off <= text_.size() && text_.size() - off >= at.size() &&
      a.span_ == at.size() && text_.compare(off, at.size(), at) == 0) {
    text_.erase(off, at.size());
    for (std::size_t i = idx + 1; i < count_; ++i) {
      THTMLEllement& later = *attributes_[i];
      if (later.offset_ != std::string::npos) later.offset_ -= at.size();
    }
  } else if (!at.empty()) {
    const std::size_t found = text_.find(at);
    if (found != std::string::npos) {
      text_.erase(found, at.size());
      for (std::size_t i = 0; i < count_; ++i) attributes_[i]->offset_ = std::string::npos;
    }
  }
  // The object goes to the spare end of the pool; the later ones move down.
  std::rotate(attributes_.begin() + static_cast<std::ptrdiff_t>(idx),
              attributes_.begin() + static_cast<std::ptrdiff_t>(idx) + 1,
              attributes_.begin() + static_cast<std::ptrdiff_t>(count_));
  --count_;
  attributes_[count_]->Reset();
  attributes_[count_]->OnChange = nullptr;
  for (std::size_t i = idx; i < count_; ++i) attributes_[i]->index_ = static_cast<int>(i);
}

// ---------------------------------------------------------------------------
// THTMLParser
// ---------------------------------------------------------------------------

void THTMLParser::Clear() {
  fileName_.clear();
  charset_.clear();
  title_.clear();
  text_.clear();
  headTags_.clear();
  charsetType_ = HtmlCharsetType::Undetermined;
}

bool THTMLParser::ReadFirstToken(std::size_t& pos, THTMLTag& tag) const {
  pos = 0;
  return ReadNextToken(pos, tag);
}

bool THTMLParser::ReadNextToken(std::size_t& pos, THTMLTag& tag) const {
  if (pos >= text_.size()) return false;
  tag.SetText(CutToken(text_, pos));
  return true;
}

void THTMLParser::SetText(std::string_view text) {
  if (text == text_) return;
  Clear();
  text_.assign(text);
  ParseHead();
  ReadMetaCharset();
  if (charsetType_ == HtmlCharsetType::Undetermined) charsetType_ = DetectCharsetType(text_);
}

void THTMLParser::SetFileName(const std::string& name) {
  if (name == fileName_) return;
  Clear();
  std::string bytes;
  if (!ReadFileText(name, bytes)) return;
  SetPage(name, std::move(bytes));
}

void THTMLParser::SetPage(const std::string& name, std::string bytes) {
  Clear();
  text_ = std::move(bytes);
  fileName_ = name;
  ParseHead();
  ReadMetaCharset();
  if (charsetType_ == HtmlCharsetType::Undetermined) {
    charsetType_ = DetectCharsetType(text_);
    charset_.assign(CanonicalCharsetName(charsetType_));
  }
  ConvertTitle();
}

bool THTMLParser::TitleFromHead(std::string_view head, std::string& title) {
  // Without ESC no scan can jump over bytes, and each token ends where a forward
  // scan stops; a token that ends before the last byte is the same in the whole
  // page.  A comment whose end is not in sight would be cut as a tag here.
  if (head.find(kEsc) != std::string_view::npos) return false;
  std::size_t pos = 0;
  bool inHead = false;
  bool headClosed = false;
  THTMLTag work;
  while (pos < head.size()) {
    const bool comment = head.compare(pos, 4, "<!--") == 0;
    const std::string_view token = CutToken(head, pos);
    if (pos >= head.size()) return false;  // may go on in the bytes not read
    if (comment && (token.size() < 5 || token.substr(token.size() - 3) != "-->")) return false;
    work.SetText(token);
    if (work.Kind() != HtmlTokenKind::Tag) continue;
    if (!inHead) {
      inHead = SameAscii(work.Name(), "HEAD");
    } else if (SameAscii(work.Name(), "/HEAD")) {
      headClosed = true;
      break;
    }
  }
  if (!headClosed) return false;
  THTMLParser parser;
  parser.text_.assign(head.substr(0, pos));
  parser.ParseHead();
  parser.ReadMetaCharset();
  if (parser.charsetType_ == HtmlCharsetType::Undetermined) {
    // The whole page decides the code then; a title of plain ASCII reads the same in
    // each of them.
    for (unsigned char c : parser.title_) {
      if (c >= 0x80) return false;
    }
  }
  parser.ConvertTitle();
  title = std::move(parser.title_);
  return true;
}

void THTMLParser::ParseHead() {
  const std::string_view t = text_;
  std::size_t pos = 0;
  THTMLTag work;
  bool inHead = false;
  while (pos < t.size()) {
    const std::string_view token = CutToken(t, pos);
    if (!inHead) {
      work.SetText(token);
      inHead = work.Kind() == HtmlTokenKind::Tag && SameAscii(work.Name(), "HEAD");
      continue;
    }
    auto tag = std::make_unique<THTMLTag>();
    tag->SetText(token);
    if (tag->Kind() == HtmlTokenKind::Tag && SameAscii(tag->Name(), "/HEAD")) break;
    headTags_.push_back(std::move(tag));
  }
}

void THTMLParser::ReadMetaCharset() {
  for (std::size_t i = 0; i < headTags_.size(); ++i) {
    const THTMLTag& tag = *headTags_[i];
    if (charsetType_ == HtmlCharsetType::Undetermined && SameAscii(tag.Name(), "META")) {
      if (tag.AttributeCount() < 2) continue;
      const THTMLEllement& equiv = tag.Attributes(0);
      const THTMLEllement& content = tag.Attributes(1);
      if (!SameAscii(equiv.Name(), "HTTP-EQUIV") || !SameAscii(equiv.Value(), "Content-Type") ||
          !SameAscii(content.Name(), "content"))
        continue;
      std::string value = platform::AnsiUpperCase(content.Value());
      value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
      const std::size_t at = value.find("CHARSET=");
      if (at == std::string::npos) continue;
      charset_ = value.substr(at + 8);
      charsetType_ = CharsetTypeFromName(charset_);
    } else if (title_.empty() && SameAscii(tag.Name(), "TITLE")) {
      if (i + 1 < headTags_.size()) {
        ++i;  // the token after TITLE is taken whatever it is
        if (headTags_[i]->Kind() == HtmlTokenKind::Text) title_ = headTags_[i]->Text();
      }
    }
  }
}

void THTMLParser::ConvertTitle() {
  switch (charsetType_) {
    case HtmlCharsetType::Iso2022Jp: title_ = jis2sjis(title_); break;
    case HtmlCharsetType::EucJp: title_ = euc2sjis(title_); break;
    case HtmlCharsetType::Utf8: title_ = platform::Utf16ToAnsi(platform::Utf8ToUtf16(title_)); break;
    default: break;
  }
  title_ = NormalizeValueSpaces(title_);
  // A few named entities only, in this order; "&amp;" last, so "&amp;lt;" ends as "&lt;".
  ReplaceAll(title_, "&nbsp;", " ");
  ReplaceAll(title_, "&copy;", "(c)");
  ReplaceAll(title_, "&quot;", "\"");
  ReplaceAll(title_, "&reg;", "(R)");
  ReplaceAll(title_, "&gt;", ">");
  ReplaceAll(title_, "&lt;", "<");
  ReplaceAll(title_, "&amp;", "&");
}
