// The favorites store: remembered URL prefixes of the cache, each with where and how
// its pages are copied, kept in "favorites.dat" and mirrored into a list view.
//
// Every change goes to the file at once.  The file is written whole in one go (the
// new content is built in memory and replaces the old file atomically), so a crash
// never leaves a half-written list; sections and keys that the store does not write
// (other programs' keys, Favorite sections left beyond Count) stay as they were.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_time.h"

class TFavoriteItem {
 public:
  std::string UrlName;   // URL prefix of the favorite
  std::string PathName;  // destination folder
  std::string Default;   // file name for URLs that end in '/'
  std::string Title;
  std::uint8_t Folder = 2;  // FolderCreation: 1 below the URL, 2 whole URL
  std::uint8_t Method = 1;  // CopyMethod: 1 below the URL, 2 same domain, 3 all
  bool Timer = false;       // schedule flag (the command line's --scheduled acts on it)
  platform::SYSTEMTIME Date;  // created or last copied, local time; all zero = none

  void AssignFavorite(const TFavoriteItem& other) { *this = other; }
  bool HasDate() const { return !(Date == platform::SYSTEMTIME{}); }
};

// The local time now to whole seconds, as the file keeps it (so that a favorite
// sorts the same before and after it is read back).
platform::SYSTEMTIME FavoriteNow();
// "yyyy/MM/dd H:mm:ss", the form the store writes.
std::string FormatFavoriteDate(const platform::SYSTEMTIME& date);
// Reads what FormatFavoriteDate writes ('-' also separates the date, seconds may be
// left out).  Empty or unreadable text, or a date that does not exist, gives all zero.
platform::SYSTEMTIME ParseFavoriteDate(const std::string& text);

// Sort parameter: column in the low 16 bits (0 title, 1 URL, 2 date), order in the
// high 16 bits (0 ascending, 1 descending).  Titles and URLs compare ignoring case in
// the locale's order; by date the later favorite comes first when ascending.
int CompareFavoriteRows(const TFavoriteItem& a, const TFavoriteItem& b, int parameter);

// The list the store keeps in step with its items (the main window's favorites list;
// a recorder in tests).  Rows carry the item they show.
class TFavoritesViewIntf {
 public:
  using Compare = std::function<int(const TFavoriteItem*, const TFavoriteItem*)>;
  virtual ~TFavoritesViewIntf() = default;
  virtual void Clear() = 0;
  // Appends a row: caption, two sub-items, the item shown.  Returns its row index.
  virtual int AddRow(const std::string& caption, const std::string& sub1,
                     const std::string& sub2, TFavoriteItem* item) = 0;
  // Row of the item, or -1.
  virtual int FindRow(const TFavoriteItem* item) const = 0;
  virtual void SetRow(int row, const std::string& caption, const std::string& sub1,
                      const std::string& sub2) = 0;
  virtual void DeleteRow(int row) = 0;
  // Reorders the rows by `compare` (<0: first row goes first).
  virtual void Sort(const Compare& compare) = 0;
  // Deselects every row, then selects and focuses `row` and scrolls it into view.
  virtual void SelectOnly(int row) = 0;
};

class TFavorites {
 public:
  TFavorites();
  ~TFavorites();
  TFavorites(const TFavorites&) = delete;
  TFavorites& operator=(const TFavorites&) = delete;

  static constexpr const char* kFileName = "favorites.dat";
  // A Count above this is taken as this (a damaged file must not make the store
  // build millions of empty favorites).
  static constexpr int kMaxCount = 99999;

  const std::string& FavoritesPath() const { return FavoritesPath_; }
  TFavoritesViewIntf* FavoritesView() const { return FavoritesView_; }
  TFavoriteItem& DefaultFavorite() { return *DefaultFavorite_; }
  const TFavoriteItem& DefaultFavorite() const { return *DefaultFavorite_; }
  std::uint8_t SortColumn() const { return SortColumn_; }
  std::uint8_t SortOrder() const { return SortOrder_; }
  int Count() const { return static_cast<int>(Items_.size()); }

  // The default destination of new favorites when the file names none; the program's
  // folder unless set (before SetFavoritesPath).
  std::string ProgramFolder;

  void SetFavoritesPath(const std::string& path);
  void LoadFavorites();
  // Writes Count, the default favorite and every favorite; false when the file could
  // not be written (the old file is then left as it was).  Nothing without a path.
  bool SaveFavorites();
  void SetFavoritesView(TFavoritesViewIntf* view);
  void FillFavoritesView();
  void SortFavoritesView();
  void SetSortOrder(std::uint8_t order);
  void SetSortColumn(std::uint8_t column);
  void SetFavoritesSort(std::uint8_t order, std::uint8_t column);

  // Null for an index outside the list.
  TFavoriteItem* GetItem(int index) const;
  // Index of the item in the list, or -1.
  int IndexOf(const TFavoriteItem* item) const;
  // Takes ownership; returns the list index.
  int AddFavorite(std::unique_ptr<TFavoriteItem> item);
  int AddFavoriteFromUrl(const std::string& title, const std::string& url);
  void UpdateFavorite(TFavoriteItem* item);
  void DeleteFavorite(TFavoriteItem* item);
  void SaveDefaultFavorite();

  // True when the last SaveFavorites wrote the file.
  bool LastSaveOk() const { return LastSaveOk_; }

 private:
  int SortParameter() const { return SortColumn_ | (SortOrder_ << 16); }

  std::string FavoritesPath_;
  TFavoritesViewIntf* FavoritesView_ = nullptr;
  std::unique_ptr<TFavoriteItem> DefaultFavorite_;
  std::vector<std::unique_ptr<TFavoriteItem>> Items_;
  std::uint8_t SortColumn_ = 0;
  std::uint8_t SortOrder_ = 0;
  bool LastSaveOk_ = true;
};

// "Favorite0001" ... (at least four digits).
std::string FavoriteSectionName(int number);
