// The records in which one cached object travels from the browser cache to the rest
// of the program: the entry itself, its HTTP header lines, and the extended form that
// every node of the cache tree owns.  All text is ANSI (CP932) bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_time.h"

// Read access to header lines kept packed (see TWebCacheHeaderInfo): a tree node
// keeps its entry's lines in this form in the tree's own storage.
class TWebCacheHeaderView {
 public:
  TWebCacheHeaderView() = default;
  explicit TWebCacheHeaderView(std::string_view packed) : packed_(packed) {}

  // As TWebCacheHeaderInfo's functions of the same names.
  std::string GetText() const;
  int GetCount() const;
  std::string GetValue(std::string_view name) const;
  std::string GetLine(int index) const;
  std::string_view Packed() const { return packed_; }

 private:
  std::string_view packed_;
};

// The entry's HTTP header lines ("Name: value"), with access by header name that
// ignores case.  A plain value type so that entries copy cleanly into tree nodes.
class TWebCacheHeaderInfo {
 public:
  TWebCacheHeaderInfo() = default;
  explicit TWebCacheHeaderInfo(std::string_view text) { SetText(text); }

  // All lines joined with CR LF (no line break after the last one).
  std::string GetText() const { return View().GetText(); }
  // Replaces all lines by the lines of `text` (split at CR LF, LF or CR; a final
  // line break does not add an empty line).  Does nothing when `text` equals
  // the current text.
  void SetText(std::string_view text);
  int GetCount() const { return View().GetCount(); }
  // The trimmed text after the first ':' of the first line whose trimmed name
  // equals `name` ignoring case; "" when no line matches.
  std::string GetValue(std::string_view name) const { return View().GetValue(name); }
  // Replaces the first line named `name` by "name: value", or appends one.
  void SetValue(std::string_view name, std::string_view value);
  // Out-of-range indexes read as "" and are ignored when written.
  std::string GetLine(int index) const { return View().GetLine(index); }
  void SetLine(int index, std::string_view text);
  TWebCacheHeaderView View() const { return TWebCacheHeaderView(packed_); }

  friend bool operator==(const TWebCacheHeaderInfo&, const TWebCacheHeaderInfo&) = default;

 private:
  void AppendLine(std::string_view line);
  // Replaces line `index` (which exists) by `text`.
  void ReplaceLine(int index, std::string_view text);

  // Every line as a length and its bytes, one after another: a million entries keep
  // one block each instead of a vector and a string per line.  A length below 255 is
  // one byte; a longer one is 255 and four bytes, low byte first.
  std::string packed_;
};

// One cache entry as the cache source delivers it.
struct TWebCacheEntryInfo {
  std::string SourceUrl;      // the URL as the browser stored it
  std::string LocalFileName;  // full (ANSI) path of the body file
  platform::SYSTEMTIME LastModified;  // local time
  std::uint32_t Size = 0;     // body size in bytes
  TWebCacheHeaderInfo HeaderInfo;
  std::string FileExtension;  // the Netscape source always leaves it empty
  // The UTC time LastModified was made from (0 = none).  In the hour that repeats when
  // summer time ends, the local fields alone name two instants.
  platform::FILETIME LastModifiedUtc = 0;

  friend bool operator==(const TWebCacheEntryInfo&, const TWebCacheEntryInfo&) = default;
};

// The entry's modification time as UTC: the time it was made from while LastModified
// still shows that time, else LastModified read as local time.  False when neither
// converts.
bool EntryLastModifiedUtc(const TWebCacheEntryInfo& entry, platform::FILETIME& utc);

// The entry as a tree node holds it: the tree fills the three extra strings.  For a
// folder node only Size (sum of the sizes below) and FolderUrl are meaningful.
struct TWebCacheEntryInfoEx : TWebCacheEntryInfo {
  std::string FolderUrl;  // folder URL prefix (for a file node: its URL's folder part)
  std::string FileName;   // the local file name chosen for the object
  std::string QueryPart;  // what follows the file name: parameters, query, fragment

  friend bool operator==(const TWebCacheEntryInfoEx&, const TWebCacheEntryInfoEx&) = default;
};

// An entry as a tree node shows it: the fields of TWebCacheEntryInfoEx, with the texts
// as views into the node's own storage (valid while the node lives and is not moved).
struct TWebCacheEntryView {
  std::string_view SourceUrl;
  std::string_view LocalFileName;
  platform::SYSTEMTIME LastModified{};
  std::uint32_t Size = 0;
  TWebCacheHeaderView HeaderInfo;
  std::string_view FileExtension;
  platform::FILETIME LastModifiedUtc = 0;
  std::string_view FolderUrl;
  std::string_view FileName;
  std::string_view QueryPart;
};

bool EntryLastModifiedUtc(const TWebCacheEntryView& entry, platform::FILETIME& utc);

// True when the entry is an HTML page: its Content-Type contains "text/html", ignoring
// case ("TEXT/HTML; charset=Shift_JIS" counts).  Pages are the entries whose links are
// rewritten and whose titles are shown.
bool IsHtmlEntry(const TWebCacheEntryInfo& entry);
bool IsHtmlEntry(const TWebCacheEntryView& entry);
