// The rename list: which cached URL is stored locally under which other URL (a name
// with the content's extension, or a CRC tag for a query).  Links to a renamed object
// are rewritten through it, and it is kept in "renameList.dat" so that local names
// stay the same from one run to the next.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <cstdint>
#include <vector>

struct TWebCacheRenameItem {
  std::string OriginalUrl;
  std::string NewUrl;
};

// At most one item per lower-cased original URL.  Both URLs are held in the form
// DecodeUrl gives (folder and file name decoded, query raw).  Lookups go through a
// hash of the lower-cased URL; the sorted order (locale order of the lower-cased
// original URL) is produced when the items are listed or saved.
class TWebCacheRenameItems {
 public:
  TWebCacheRenameItems() = default;
  TWebCacheRenameItems(const TWebCacheRenameItems&) = delete;
  TWebCacheRenameItems& operator=(const TWebCacheRenameItems&) = delete;

  // `originalUrl` is a URL as cached (escapes and all) and is normalised; `newUrl` is
  // the local URL, already decoded (folder and name as the tree holds them), and is
  // taken as it is: escapes are decoded exactly once, and "100%.gif" is a name.  A new
  // URL without "://" takes the original's scheme part.  Replaces the new URL of an
  // existing item, or adds one.
  const TWebCacheRenameItem& Add(const std::string& originalUrl, const std::string& newUrl);
  // Both URLs in the list's own (decoded) form, as the file holds them.
  const TWebCacheRenameItem& AddNormal(std::string originalUrl, std::string newUrl);
  // The new URL for `url` (normalised, case ignored), or "".
  std::string Lookup(std::string_view url) const;
  void Clear();
  std::size_t Count() const { return items_.size(); }
  // Items in their sorted order.
  const TWebCacheRenameItem& operator[](std::size_t i) const;

  // Replaces the items by those of a "renameList.dat" file.  Reading stops at the
  // first malformed line.  False when the file cannot be opened (the list is then
  // empty).
  bool LoadRenameList(const std::string& path);
  // Writes every item, replacing the file.  False when it cannot be written (the
  // old file then stays as it was).
  bool SaveRenameList(const std::string& path) const;
  // Applies the lines of a "renameList.dat" image; returns the number of lines read.
  std::size_t LoadFromText(std::string_view text);
  std::string SaveToText() const;

 private:
  void SortIfNeeded() const;
  // The item whose original URL equals `url` as AnsiLowerCase would see both, or null.
  TWebCacheRenameItem* Find(std::string_view url) const;
  void Grow();

  std::deque<TWebCacheRenameItem> items_;  // a deque keeps item addresses stable
  // Open addressing over the items, by a hash of the original URL as AnsiLowerCase
  // would see it (no lower-cased copy of every URL is kept).  A building tree asks once
  // per cache entry and mostly misses: a miss reads one slot.
  struct Slot {
    std::uint64_t hash = 0;
    TWebCacheRenameItem* item = nullptr;
  };
  std::vector<Slot> slots_;
  mutable std::vector<TWebCacheRenameItem*> sorted_;
  mutable bool sortedValid_ = true;
};

// The form in which the rename list keeps and compares URLs.
std::string NormaliseRenameUrl(std::string_view url);
