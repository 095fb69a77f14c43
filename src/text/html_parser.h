// Reading HTML pages the way the copy engine and the list pane need them: the page's
// character set and title, and a token-by-token walk over the raw bytes in which a
// tag's attributes can be changed or removed while the tag's raw text follows every
// change.  Writing each token's Text() in order gives the page back byte for byte,
// apart from the attributes that were changed.
//
// The parser works on the raw bytes and never converts the page: Shift_JIS, EUC-JP,
// UTF-8 and Latin-1 need no care (none of their multi-byte codes holds a byte below
// 0x40), and ISO-2022-JP is handled by stepping over the two-byte codes between the
// JIS shift sequences.  Only the title is converted to Shift_JIS.  There is no element
// tree: a page is a flat sequence of tokens.
//
// Positions are 0-based byte offsets; "not found" is std::string_view::npos.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class HtmlTokenKind : int {
  None = 0,         // cleared
  Declaration = 1,  // <!DOCTYPE ...>
  Tag = 2,          // start or end tag; an end tag's name begins with '/'
  Text = 3,         // text, or a '<' without a name
  Comment = 4,      // <!-- ... >
};

enum class HtmlCharsetType : std::uint8_t {
  Undetermined = 0,
  Western = 1,    // ISO-8859-1 / us-ascii
  ShiftJis = 2,   // also pages that need no conversion at all (windows-1252)
  Iso2022Jp = 3,
  EucJp = 4,
  Utf8 = 5,
  Other = 6,      // declared, but not a name we know
};

class THTMLTag;
class THTMLEllement;

// Called after an attribute's text changed: owner, its index, old text, new text.
using THTMLEllementChangeEvent = std::function<void(
    THTMLEllement& owner, int index, const std::string& oldText, const std::string& newText)>;

// One attribute of a tag: name, separator ('=' with the blanks around it), value
// (without quotes) and quote, plus the raw text it was cut from.
class THTMLEllement {
 public:
  THTMLEllement() = default;
  virtual ~THTMLEllement() = default;
  THTMLEllement(const THTMLEllement&) = delete;
  THTMLEllement& operator=(const THTMLEllement&) = delete;

  int Index() const { return index_; }
  const std::string& Name() const { return name_; }
  const std::string& Separator() const { return separator_; }
  const std::string& Value() const { return value_; }
  const std::string& Quote() const { return quote_; }
  const std::string& Text() const { return text_; }

  // Each of these rebuilds Text() and reports the change through OnChange when the
  // new value differs from the old one.
  virtual void SetName(std::string_view name);
  virtual void SetValue(std::string_view value);
  virtual void SetQuote(std::string_view quote);
  // Parses an attribute's raw text; reports nothing.
  virtual void SetText(std::string_view raw);

  // Name, separator, quote, value, quote; the name alone when there is no separator.
  std::string BuildText() const;

  THTMLEllementChangeEvent OnChange;

 private:
  friend class THTMLTag;
  void Reset();
  void Changed(std::string oldText);
  // Takes raw text already split: e is the '=' (npos for none), then the value.
  void Assign(std::string_view raw, std::size_t e, std::size_t valueStart, std::size_t valueLen);

  int index_ = -1;
  std::string name_;
  std::string separator_;
  std::string value_;
  std::string quote_;
  std::string text_;
  // Where this attribute's span stands in the owning tag's text, and how long it is
  // there, so a change touches only this attribute and never a look-alike elsewhere in
  // the tag.  Changes are put in place when the tag's text is next asked for.
  std::size_t offset_ = std::string::npos;
  std::size_t span_ = 0;
};

// One token of a page.  A caller usually keeps one work tag and hands it to
// THTMLParser::ReadNextToken again and again; the attributes belong to the current
// token only.
class THTMLTag {
 public:
  THTMLTag() = default;
  virtual ~THTMLTag() = default;
  THTMLTag(const THTMLTag&) = delete;
  THTMLTag& operator=(const THTMLTag&) = delete;

  HtmlTokenKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  // The raw text with every attribute change in place.  Changes are gathered and put
  // in with one pass when the text is asked for, so rewriting every attribute of a
  // huge tag stays linear in its size.
  const std::string& Text() const {
    if (dirty_) Flush();
    return text_;
  }
  int AttributeCount() const { return static_cast<int>(count_); }
  THTMLEllement& Attributes(int index) { return *attributes_[static_cast<std::size_t>(index)]; }
  const THTMLEllement& Attributes(int index) const {
    return *attributes_[static_cast<std::size_t>(index)];
  }
  // Index of the first attribute named `name` (ASCII case ignored), or -1.
  int FindAttribute(std::string_view name) const;

  // Takes a token's raw text and parses it; equal text keeps the current parse.
  virtual void SetText(std::string_view raw);

  // Cuts the attribute's text out of the tag text (the blank before it stays) and
  // drops the attribute; later ones move down.  An index out of range is ignored.
  void RemoveAttribute(int index);

  // The OnChange handler of every attribute: puts the attribute's new text in place
  // of its old one in the tag text.
  void AttributeChanged(THTMLEllement& owner, int index, const std::string& oldText,
                        const std::string& newText);

 private:
  void Reset();
  void Parse();
  THTMLEllement& NewAttribute();
  void Flush() const;

  HtmlTokenKind kind_ = HtmlTokenKind::None;
  std::string name_;
  mutable std::string text_;
  mutable bool dirty_ = false;
  // Attribute objects are kept for reuse across tokens; only the first count_ are live.
  std::vector<std::unique_ptr<THTMLEllement>> attributes_;
  std::size_t count_ = 0;
};

class THTMLParser {
 public:
  THTMLParser() = default;
  virtual ~THTMLParser() = default;
  THTMLParser(const THTMLParser&) = delete;
  THTMLParser& operator=(const THTMLParser&) = delete;

  const std::string& FileName() const { return fileName_; }
  int HeadTagCount() const { return static_cast<int>(headTags_.size()); }
  const THTMLTag& HeadTags(int index) const { return *headTags_[static_cast<std::size_t>(index)]; }
  HtmlCharsetType CharsetType() const { return charsetType_; }
  const std::string& Charset() const { return charset_; }
  const std::string& Title() const { return title_; }
  const std::string& Text() const { return text_; }

  // Loads a page from disk: head tags, declared or detected charset, and the title
  // converted to Shift_JIS and cleaned.  The same name again does nothing; a file
  // that cannot be read leaves the parser cleared.
  virtual void SetFileName(const std::string& name);
  // What SetFileName gives, for the bytes of the file `name` read already.
  void SetPage(const std::string& name, std::string bytes);
  // Takes page bytes: head tags and charset type (declared or detected).  Sets no
  // canonical charset name and leaves the title raw.
  virtual void SetText(std::string_view text);
  void Clear();
  // The title SetFileName would give, from the first bytes of a page only, when they
  // settle it: the head ends inside them, and neither a comment nor a double-byte
  // shift sequence can be read otherwise once more bytes follow, and the title needs
  // no conversion that only the whole page could decide.  False when more bytes are
  // needed.
  static bool TitleFromHead(std::string_view head, std::string& title);

  // The token walk.  pos is the next byte to read; each call cuts one token into
  // `tag` and moves pos past it.  False when nothing is left.
  bool ReadFirstToken(std::size_t& pos, THTMLTag& tag) const;
  bool ReadNextToken(std::size_t& pos, THTMLTag& tag) const;

 protected:
  void ParseHead();
  void ReadMetaCharset();
  void ConvertTitle();

 private:
  std::string fileName_;
  std::vector<std::unique_ptr<THTMLTag>> headTags_;
  HtmlCharsetType charsetType_ = HtmlCharsetType::Undetermined;
  std::string charset_;
  std::string title_;
  std::string text_;
};

// Reads a whole file; false when it cannot be opened, sized or read whole.
bool ReadFileText(const std::string& fileName, std::string& bytes);

// The charset type of page bytes from the Japanese code detection.
HtmlCharsetType DetectCharsetType(std::string_view bytes);
// The type of a declared charset name ('_' read as '-', case ignored); Other when
// the name is not one we know.
HtmlCharsetType CharsetTypeFromName(std::string_view name);
// "ISO-8859-1", "Shift_JIS", ...; "" for Undetermined and Other.
std::string_view CanonicalCharsetName(HtmlCharsetType type);

// ESC $ @/B/D (kanji in) and ESC ( B/I/J (kanji out) starting at pos; a sequence
// cut short by the end of the text does not count.
bool IsJisKanjiIn(std::string_view text, std::size_t pos);
bool IsJisKanjiOut(std::string_view text, std::size_t pos);

// The position of the first byte at or after pos that is one of `delimiters`,
// stepping over JIS two-byte codes and, when quoteAware, over quoted runs; npos when
// there is none.
std::size_t ScanFor(std::size_t pos, std::string_view text, std::string_view delimiters,
                    bool quoteAware);
// Skips blanks and control bytes, then reads one word: up to the first byte that is
// not graphic (0x21-0x7E), a quoted run counting as part of the word.  A trailing
// "/>" or '>' is left in the text.  pos ends behind the word.
std::string_view ReadWord(std::size_t& pos, std::string_view text);
// Joins the lines of a quoted attribute value and trims it.
std::string NormalizeValueSpaces(std::string_view text);
