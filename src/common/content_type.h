// The table of MIME content types and their file extensions.  It decides which
// extension a copied object gets when its own name does not tell its content.
// Filled from the registry's file-type data (or /etc/mime.types when the registry has
// none) and overlaid with the user's chosen defaults from "contentType.dat".
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Registry;
}

// One content type with every extension seen for it.
struct TContentTypeItem {
  std::string Name;                     // the type as found, e.g. "text/html"
  std::vector<std::string> Extensions;  // with leading '.', first-seen order, no two equal ignoring case
  std::string Extension;                // the default; one of Extensions (ignoring case)

  // Makes `ext` the default; adds it to Extensions unless an equal one (ignoring
  // case) is there.  An unchanged (case-sensitive) `ext` does nothing.
  void SetExtension(const std::string& ext);
  // Adds `ext` to Extensions (unless present, ignoring case) without changing the
  // default.  Returns true when it was added.
  bool AddExtension(const std::string& ext);
  // True when `ext` is one of Extensions, ignoring case.
  bool HasExtension(std::string_view ext) const;
};

// Items sorted by Name with the locale's case-sensitive comparison.
class TContentType {
 public:
  TContentType() = default;
  TContentType(const TContentType&) = delete;
  TContentType& operator=(const TContentType&) = delete;

  std::size_t Count() const { return items_.size(); }
  TContentTypeItem& operator[](std::size_t i) { return *items_[i].item; }
  const TContentTypeItem& operator[](std::size_t i) const { return *items_[i].item; }
  void Clear() { items_.clear(); }

  // Index of `type`, or the complement (-(p + 1)) of its insertion point.
  int IndexOfType(std::string_view type) const;
  // Sets `ext` as the default of `type`, adding the type when absent.  Returns its index.
  int AddType(const std::string& type, const std::string& ext);

  // Empties the table and fills it from the file-type registrations of `reg`
  // (HKEY_CLASSES_ROOT extension keys, then the MIME database).  When the registry
  // holds no file-type data at all, `mimeTypesPath` (a mime.types file) is read
  // instead.  Returns the number of items.
  std::size_t LoadFromRegistry(const platform::Registry& reg,
                               const std::string& mimeTypesPath = "/etc/mime.types");
  // The same over the process-wide registry.
  std::size_t LoadFromRegistry();

  // Adds the types and extensions of a mime.types file; the first extension listed
  // for a type becomes its default.  False when the file cannot be read.
  bool LoadFromMimeTypes(const std::string& path);

  // Overlays the defaults stored in a "contentType.dat" file (lines "type TAB ext
  // CR LF").  Reading stops at the first malformed line; lines before it stay
  // applied.  False when the file cannot be opened.
  bool LoadFromFile(const std::string& path);
  // Writes every item as "Name TAB Extension CR LF", replacing the file.  False when
  // it cannot be written (the old file is then left as it was).
  bool SaveToFile(const std::string& path) const;
  // The bytes SaveToFile writes.
  std::string SaveToText() const;
  // Applies the lines of a "contentType.dat" image; returns the number applied.
  std::size_t LoadFromText(std::string_view text);

 private:
  struct Slot {
    std::unique_ptr<TContentTypeItem> item;
    std::string sortKey;  // collation key of Name, so lookups do not convert per comparison
  };
  int Search(const std::string& key) const;
  std::vector<Slot> items_;
};

// True when `ext` can serve as a file extension: a leading '.', then no path
// separators, wildcards or control characters.  Extensions from outside (registry,
// mime.types, contentType.dat) that fail this are ignored, so that a name built with
// one can never point outside its folder.
bool IsUsableExtension(std::string_view ext);
