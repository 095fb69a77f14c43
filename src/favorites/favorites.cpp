#include "favorites/favorites.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "common/file_utils.h"
#include "common/format.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"

namespace {

constexpr const char* kSectionFavorites = "Favorites";
constexpr const char* kSectionDefault = "FavoriteDefault";

// ---- dates ----

bool ReadNumber(std::string_view& s, unsigned& out, std::size_t maxDigits) {
  std::size_t n = 0;
  unsigned v = 0;
  while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') {
    v = v * 10 + unsigned(s[n] - '0');
    ++n;
  }
  if (n == 0) return false;
  s.remove_prefix(n);
  out = v;
  return true;
}

bool Expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

void SkipBlanks(std::string_view& s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// ---- favorites.dat ----

void ReadItem(const platform::IniFile& ini, const std::string& section, TFavoriteItem& item,
              bool withDate) {
  item.UrlName = ini.ReadString(section, "UrlName", item.UrlName);
  item.PathName = ini.ReadString(section, "PathName", item.PathName);
  item.Default = ini.ReadString(section, "Default", item.Default);
  item.Title = ini.ReadString(section, "Title", item.Title);
  item.Folder = static_cast<std::uint8_t>(ini.ReadInteger(section, "Folder", 2) & 0xFF);
  item.Method = static_cast<std::uint8_t>(ini.ReadInteger(section, "Method", 1) & 0xFF);
  item.Timer = ini.ReadBool(section, "Timer", false);
  if (withDate) item.Date = ParseFavoriteDate(ini.ReadString(section, "Date", ""));
}

void WriteItem(platform::IniFile& ini, const std::string& section, const TFavoriteItem& item,
               bool withDate) {
  ini.WriteString(section, "UrlName", item.UrlName);
  ini.WriteString(section, "PathName", item.PathName);
  ini.WriteString(section, "Default", item.Default);
  ini.WriteString(section, "Title", item.Title);
  ini.WriteInteger(section, "Folder", item.Folder);
  ini.WriteInteger(section, "Method", item.Method);
  ini.WriteBool(section, "Timer", item.Timer);
  if (withDate) ini.WriteString(section, "Date", FormatFavoriteDate(item.Date));
}

std::string DateColumn(const TFavoriteItem& item) {
  // A favorite without a date shows an empty cell rather than a year-zero date.
  return item.HasDate() ? FormatShortDateTime(item.Date) : std::string();
}

}  // namespace

platform::SYSTEMTIME FavoriteNow() {
  platform::SYSTEMTIME now = platform::GetLocalTime();
  now.wMilliseconds = 0;
  return now;
}

std::string FormatFavoriteDate(const platform::SYSTEMTIME& date) {
  if (date == platform::SYSTEMTIME{}) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u/%02u/%02u %u:%02u:%02u", unsigned{date.wYear},
                unsigned{date.wMonth}, unsigned{date.wDay}, unsigned{date.wHour},
                unsigned{date.wMinute}, unsigned{date.wSecond});
  return buf;
}

platform::SYSTEMTIME ParseFavoriteDate(const std::string& text) {
  std::string_view s = Trim(text);
  if (s.empty()) return {};
  unsigned y, mo, d, h = 0, mi = 0, sec = 0;
  if (!ReadNumber(s, y, 4) || s.empty()) return {};
  char sep = s.front();
  if (sep != '/' && sep != '-') return {};
  s.remove_prefix(1);
  if (!ReadNumber(s, mo, 2) || !Expect(s, sep) || !ReadNumber(s, d, 2)) return {};
  SkipBlanks(s);
  if (!s.empty()) {
    if (!ReadNumber(s, h, 2) || !Expect(s, ':') || !ReadNumber(s, mi, 2)) return {};
    if (!s.empty() && (!Expect(s, ':') || !ReadNumber(s, sec, 2))) return {};
    SkipBlanks(s);
    if (!s.empty()) return {};
  }
  platform::SYSTEMTIME st;
  st.wYear = static_cast<std::uint16_t>(y);
  st.wMonth = static_cast<std::uint16_t>(mo);
  st.wDay = static_cast<std::uint16_t>(d);
  st.wHour = static_cast<std::uint16_t>(h);
  st.wMinute = static_cast<std::uint16_t>(mi);
  st.wSecond = static_cast<std::uint16_t>(sec);
  platform::FILETIME ft;
  platform::SYSTEMTIME full;
  // Round trip through a file time: rejects dates that do not exist and fills in the
  // day of the week.
  if (!platform::SystemTimeToFileTime(st, ft) || !platform::FileTimeToSystemTime(ft, full))
    return {};
  return full;
}

int CompareFavoriteRows(const TFavoriteItem& a, const TFavoriteItem& b, int parameter) {
  int column = parameter & 0xFFFF;
  int order = parameter >> 16;
  auto titles = [&] { return platform::AnsiCompareText(a.Title, b.Title); };
  auto urls = [&] { return platform::AnsiCompareText(a.UrlName, b.UrlName); };
  int r = 0;
  switch (column) {
    case 0:
      r = titles();
      if (r == 0) r = urls();
      break;
    case 1:
      r = urls();
      if (r == 0) r = titles();
      break;
    case 2: {
      platform::FILETIME fa = 0, fb = 0;
      if (!platform::SystemTimeToFileTime(a.Date, fa)) fa = 0;
      if (!platform::SystemTimeToFileTime(b.Date, fb)) fb = 0;
      r = fb < fa ? -1 : fb > fa ? 1 : 0;  // the later date first
      if (r == 0) r = titles();
      if (r == 0) r = urls();
      break;
    }
    default:
      break;
  }
  return order == 1 ? -r : r;
}

std::string FavoriteSectionName(int number) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Favorite%04d", number);
  return buf;
}

TFavorites::TFavorites()
    : ProgramFolder(GetProgramFolder()), DefaultFavorite_(std::make_unique<TFavoriteItem>()) {}

TFavorites::~TFavorites() = default;

void TFavorites::SetFavoritesPath(const std::string& path) {
  if (path == FavoritesPath_) return;
  FavoritesPath_ = path;
  LoadFavorites();
  FillFavoritesView();
}

void TFavorites::LoadFavorites() {
  if (FavoritesPath_.empty()) return;
  platform::IniFile ini(FavoritesPath_);
  int count = std::clamp(ini.ReadInteger(kSectionFavorites, "Count", 0), 0, kMaxCount);

  TFavoriteItem def;
  def.PathName = ProgramFolder;
  def.Default = "index.html";
  ReadItem(ini, kSectionDefault, def, false);
  *DefaultFavorite_ = def;

  // A section missing below Count reads as a favorite at the read defaults.
  for (int i = 1; i <= count; ++i) {
    auto item = std::make_unique<TFavoriteItem>();
    ReadItem(ini, FavoriteSectionName(i), *item, true);
    Items_.push_back(std::move(item));
  }
}

bool TFavorites::SaveFavorites() {
  if (FavoritesPath_.empty()) return true;
  // Every key is set in memory and the file is written once, atomically.
  platform::IniFile ini(FavoritesPath_);
  ini.BeginUpdate();
  ini.WriteInteger(kSectionFavorites, "Count", Count());
  WriteItem(ini, kSectionDefault, *DefaultFavorite_, false);
  for (std::size_t i = 0; i < Items_.size(); ++i)
    WriteItem(ini, FavoriteSectionName(static_cast<int>(i + 1)), *Items_[i], true);
  LastSaveOk_ = ini.EndUpdate();
  return LastSaveOk_;
}

void TFavorites::SetFavoritesView(TFavoritesViewIntf* view) {
  if (view == FavoritesView_) return;
  FavoritesView_ = view;
  FillFavoritesView();
}

void TFavorites::FillFavoritesView() {
  if (!FavoritesView_) return;
  FavoritesView_->Clear();
  for (const auto& item : Items_)
    FavoritesView_->AddRow(item->Title, item->UrlName, DateColumn(*item), item.get());
  SortFavoritesView();
}

void TFavorites::SortFavoritesView() {
  if (!FavoritesView_) return;
  int parameter = SortParameter();
  FavoritesView_->Sort([parameter](const TFavoriteItem* a, const TFavoriteItem* b) {
    return CompareFavoriteRows(*a, *b, parameter);
  });
}

void TFavorites::SetSortOrder(std::uint8_t order) {
  if (order == SortOrder_) return;
  SortOrder_ = order;
  SortFavoritesView();
}

void TFavorites::SetSortColumn(std::uint8_t column) {
  if (column == SortColumn_) return;
  SortColumn_ = column;
  SortOrder_ = 0;
  SortFavoritesView();
}

void TFavorites::SetFavoritesSort(std::uint8_t order, std::uint8_t column) {
  SortOrder_ = order;
  SortColumn_ = column;
  SortFavoritesView();
}

TFavoriteItem* TFavorites::GetItem(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return Items_[static_cast<std::size_t>(index)].get();
}

int TFavorites::IndexOf(const TFavoriteItem* item) const {
  for (std::size_t i = 0; i < Items_.size(); ++i)
    if (Items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

int TFavorites::AddFavorite(std::unique_ptr<TFavoriteItem> item) {
  if (!item) return -1;
  TFavoriteItem* raw = item.get();
  Items_.push_back(std::move(item));
  int index = Count() - 1;
  if (FavoritesView_) {
    FavoritesView_->AddRow(raw->Title, raw->UrlName, DateColumn(*raw), raw);
    SortFavoritesView();
    int row = FavoritesView_->FindRow(raw);
    if (row >= 0) FavoritesView_->SelectOnly(row);
  }
  SaveFavorites();
  return index;
}

int TFavorites::AddFavoriteFromUrl(const std::string& title, const std::string& url) {
  auto item = std::make_unique<TFavoriteItem>();
  item->AssignFavorite(*DefaultFavorite_);
  item->Title = title;
  item->UrlName = url;
  item->Date = FavoriteNow();
  return AddFavorite(std::move(item));
}

void TFavorites::UpdateFavorite(TFavoriteItem* item) {
  SaveFavorites();
  if (!FavoritesView_ || !item) return;
  int row = FavoritesView_->FindRow(item);
  if (row < 0) return;
  FavoritesView_->SetRow(row, item->Title, item->UrlName, DateColumn(*item));
  SortFavoritesView();
}

void TFavorites::DeleteFavorite(TFavoriteItem* item) {
  int index = IndexOf(item);
  if (index < 0) return;  // not ours: nothing to remove or free
  std::unique_ptr<TFavoriteItem> owned = std::move(Items_[static_cast<std::size_t>(index)]);
  Items_.erase(Items_.begin() + index);
  SaveFavorites();
  if (FavoritesView_) {
    int row = FavoritesView_->FindRow(item);
    if (row >= 0) FavoritesView_->DeleteRow(row);
  }
}

void TFavorites::SaveDefaultFavorite() {
  DefaultFavorite_->Date = platform::SYSTEMTIME{};
  SaveFavorites();
}
