// The favorites store: favorites.dat written and read back, the list view kept in step,
// sorting, and damaged or hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_file.h"

namespace {

// Records what the store does to its list view.
class RecordingView : public TFavoritesViewIntf {
 public:
  struct Row {
    std::string caption, sub1, sub2;
    TFavoriteItem* item;
    bool selected = false;
    bool focused = false;
  };
  std::vector<Row> rows;
  int sorts = 0;

  void Clear() override { rows.clear(); }
  int AddRow(const std::string& caption, const std::string& sub1, const std::string& sub2,
             TFavoriteItem* item) override {
    rows.push_back({caption, sub1, sub2, item});
    return static_cast<int>(rows.size()) - 1;
  }
  int FindRow(const TFavoriteItem* item) const override {
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (rows[i].item == item) return static_cast<int>(i);
    return -1;
  }
  void SetRow(int row, const std::string& caption, const std::string& sub1,
              const std::string& sub2) override {
    rows[static_cast<std::size_t>(row)].caption = caption;
    rows[static_cast<std::size_t>(row)].sub1 = sub1;
    rows[static_cast<std::size_t>(row)].sub2 = sub2;
  }
  void DeleteRow(int row) override { rows.erase(rows.begin() + row); }
  void Sort(const Compare& compare) override {
    ++sorts;
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const Row& a, const Row& b) { return compare(a.item, b.item) < 0; });
  }
  void SelectOnly(int row) override {
    for (Row& r : rows) r.selected = r.focused = false;
    rows[static_cast<std::size_t>(row)].selected = true;
    rows[static_cast<std::size_t>(row)].focused = true;
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const Row& r : rows) out.push_back(r.caption);
    return out;
  }
};

class FavoritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::CreateUniqueFolder(platform::TempFolder(), "thfav");
    ASSERT_FALSE(dir_.empty());
    path_ = platform::JoinPath(dir_, "favorites.dat");
  }
  void TearDown() override { platform::DeleteTreeSilent(dir_); }

  std::string ReadFile() const {
    std::string bytes;
    platform::ReadWholeFile(path_, bytes);
    return bytes;
  }
  void WriteFile(const std::string& bytes) const {
    ASSERT_TRUE(platform::AtomicWriteFile(path_, bytes));
  }

  static std::unique_ptr<TFavoriteItem> Item(const std::string& title, const std::string& url,
                                             platform::SYSTEMTIME date = {}) {
    auto item = std::make_unique<TFavoriteItem>();
    item->Title = title;
    item->UrlName = url;
    item->Date = date;
    return item;
  }
  static platform::SYSTEMTIME Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    platform::SYSTEMTIME t;
    t.wYear = std::uint16_t(y);
    t.wMonth = std::uint16_t(mo);
    t.wDay = std::uint16_t(d);
    t.wHour = std::uint16_t(h);
    t.wMinute = std::uint16_t(mi);
    t.wSecond = std::uint16_t(s);
    return ParseFavoriteDate(FormatFavoriteDate(t));  // with its day of the week
  }

  std::string dir_, path_;
};

TEST_F(FavoritesTest, MissingFileGivesEmptyStoreAndDefaultSettings) {
  TFavorites store;
  store.ProgramFolder = "/opt/tollhaven/";
  RecordingView view;
  store.SetFavoritesPath(path_);
  store.SetFavoritesView(&view);
  EXPECT_EQ(store.Count(), 0);
  EXPECT_TRUE(view.rows.empty());
  const TFavoriteItem& def = store.DefaultFavorite();
  EXPECT_EQ(def.PathName, "/opt/tollhaven/");
  EXPECT_EQ(def.Default, "index.html");
  EXPECT_EQ(def.Folder, 2);
  EXPECT_EQ(def.Method, 1);
  EXPECT_FALSE(def.Timer);
  EXPECT_EQ(def.UrlName, "");
  EXPECT_FALSE(platform::FileExists(path_)) << "reading must not create the file";
}

TEST_F(FavoritesTest, EveryFieldSurvivesTheFile) {
  std::string title = platform::Utf8ToAnsi("表示 ソフト");  // 0x5C trail byte in ソ
  {
    TFavorites store;
    store.SetFavoritesPath(path_);
    auto a = Item(title, "http://www.example.co.jp/dir/", Date(2001, 2, 3, 4, 5, 6));
    a->PathName = "/home/taro/copy/";
    a->Default = "default.htm";
    a->Folder = 1;
    a->Method = 3;
    a->Timer = true;
    store.AddFavorite(std::move(a));
    // Blanks at both ends and enclosing quotes must come back exactly.
    auto b = Item("  padded  ", "\"quoted\"");
    b->Default = "";
    store.AddFavorite(std::move(b));
    store.DefaultFavorite().PathName = "/dest/";
    store.DefaultFavorite().Timer = true;
    store.DefaultFavorite().Date = Date(2000, 1, 1);
    store.SaveDefaultFavorite();
    EXPECT_EQ(store.DefaultFavorite().Date, platform::SYSTEMTIME{});
  }
  TFavorites again;
  again.SetFavoritesPath(path_);
  ASSERT_EQ(again.Count(), 2);
  const TFavoriteItem* a = again.GetItem(0);
  EXPECT_EQ(a->Title, title);
  EXPECT_EQ(a->UrlName, "http://www.example.co.jp/dir/");
  EXPECT_EQ(a->PathName, "/home/taro/copy/");
  EXPECT_EQ(a->Default, "default.htm");
  EXPECT_EQ(a->Folder, 1);
  EXPECT_EQ(a->Method, 3);
  EXPECT_TRUE(a->Timer);
  EXPECT_EQ(a->Date, Date(2001, 2, 3, 4, 5, 6));
  EXPECT_EQ(a->Date.wDayOfWeek, 6) << "2001-02-03 was a Saturday";
  const TFavoriteItem* b = again.GetItem(1);
  EXPECT_EQ(b->Title, "  padded  ");
  EXPECT_EQ(b->UrlName, "\"quoted\"");
  EXPECT_FALSE(b->HasDate());
  EXPECT_EQ(again.DefaultFavorite().PathName, "/dest/");
  EXPECT_TRUE(again.DefaultFavorite().Timer);
  EXPECT_EQ(again.GetItem(2), nullptr);
  EXPECT_EQ(again.GetItem(-1), nullptr);

  // The default favorite has no date key; the file reads the same with the
  // platform's own profile reader.
  platform::IniFile ini(path_);
  EXPECT_FALSE(ini.ValueExists("FavoriteDefault", "Date"));
  EXPECT_EQ(ini.ReadInteger("Favorites", "Count", -1), 2);
  EXPECT_EQ(ini.ReadString("Favorite0001", "Date", ""), "2001/02/03 4:05:06");
  EXPECT_EQ(ini.ReadString("Favorite0002", "Title", ""), "  padded  ");
}

TEST_F(FavoritesTest, DeleteKeepsStaleSectionsAndForeignContent) {
  WriteFile(
      "; kept comment\r\n"
      "[Other]\r\nkey=value\r\n\r\n"
      "[Favorites]\r\nCount=3\r\nExtra=1\r\n\r\n"
      "[Favorite0001]\r\nTitle=one\r\nUrlName=http://a/\r\n\r\n"
      "[Favorite0002]\r\nTitle=two\r\nUrlName=http://b/\r\n\r\n"
      "[Favorite0003]\r\nTitle=three\r\nUrlName=http://c/\r\nDate=2001/02/03 4:05:06\r\n");
  TFavorites store;
  RecordingView view;
  store.SetFavoritesPath(path_);
  store.SetFavoritesView(&view);
  ASSERT_EQ(store.Count(), 3);
  ASSERT_EQ(view.rows.size(), 3u);
  store.DeleteFavorite(store.GetItem(0));
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"three", "two"}));

  platform::IniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("Favorites", "Count", -1), 2);
  EXPECT_EQ(ini.ReadString("Favorite0001", "Title", ""), "two");
  EXPECT_EQ(ini.ReadString("Favorite0002", "Title", ""), "three");
  EXPECT_EQ(ini.ReadString("Favorite0002", "Date", ""), "2001/02/03 4:05:06");
  // The third section stays exactly as it was; nothing reads it any more.
  std::string bytes = ReadFile();
  EXPECT_NE(bytes.find("[Favorite0003]\r\nTitle=three\r\nUrlName=http://c/\r\n"
                       "Date=2001/02/03 4:05:06\r\n"),
            std::string::npos)
      << bytes;
  EXPECT_EQ(bytes.rfind("; kept comment\r\n[Other]\r\nkey=value\r\n", 0), 0u) << bytes;
  EXPECT_EQ(ini.ReadString("Favorites", "Extra", ""), "1");
  // Order of the sections is kept: Other, Favorites, 1, 2, 3, then the new default.
  EXPECT_LT(bytes.find("[Favorites]"), bytes.find("[Favorite0001]"));
  EXPECT_LT(bytes.find("[Favorite0003]"), bytes.find("[FavoriteDefault]"));

  TFavorites reread;
  reread.SetFavoritesPath(path_);
  EXPECT_EQ(reread.Count(), 2);
}

TEST_F(FavoritesTest, DamagedValuesReadAsDefaults) {
  WriteFile(
      "[Favorites]\r\nCount=3\r\n"
      "[Favorite0001]\r\nTitle=bad date\r\nDate=yesterday\r\nFolder=258\r\nMethod=x\r\n"
      "[Favorite0002]\r\nDate=2001/02/30 1:00:00\r\n");
  TFavorites store;
  store.SetFavoritesPath(path_);
  ASSERT_EQ(store.Count(), 3);
  EXPECT_FALSE(store.GetItem(0)->HasDate());
  EXPECT_EQ(store.GetItem(0)->Folder, 2) << "258 keeps its low 8 bits";
  EXPECT_EQ(store.GetItem(0)->Method, 1);
  EXPECT_FALSE(store.GetItem(1)->HasDate()) << "February has no 30th";
  // A section missing below Count reads as a favorite at the read defaults.
  EXPECT_EQ(store.GetItem(2)->Folder, 2);
  EXPECT_EQ(store.GetItem(2)->Title, "");

  WriteFile("[Favorites]\r\nCount=-4\r\n");
  TFavorites negative;
  negative.SetFavoritesPath(path_);
  EXPECT_EQ(negative.Count(), 0);
}

TEST(FavoriteDates, FormatAndParse) {
  platform::SYSTEMTIME t = ParseFavoriteDate("2026/12/08 9:07:05");
  EXPECT_EQ(t.wYear, 2026);
  EXPECT_EQ(t.wMonth, 12);
  EXPECT_EQ(t.wDay, 8);
  EXPECT_EQ(t.wHour, 9);
  EXPECT_EQ(t.wMinute, 7);
  EXPECT_EQ(t.wSecond, 5);
  EXPECT_EQ(t.wDayOfWeek, 2);  // a Tuesday
  EXPECT_EQ(FormatFavoriteDate(t), "2026/12/08 9:07:05");
  EXPECT_EQ(ParseFavoriteDate("2026-12-08 09:07").wMinute, 7);
  EXPECT_EQ(ParseFavoriteDate("2026/12/08").wDay, 8);
  for (const char* bad : {"", "2026/13/01 0:00:00", "2026/12/08 24:00:00", "2026/12/08 1:60",
                          "12/08/2026", "2026/12/08 1:00:00 PM", "2026/12/08x", "0000/00/00"})
    EXPECT_EQ(ParseFavoriteDate(bad), platform::SYSTEMTIME{}) << bad;
  EXPECT_EQ(FormatFavoriteDate(platform::SYSTEMTIME{}), "");
  EXPECT_EQ(FavoriteSectionName(1), "Favorite0001");
  EXPECT_EQ(FavoriteSectionName(10000), "Favorite10000");
}

TEST_F(FavoritesTest, SortingByEachColumn) {
  TFavorites store;
  RecordingView view;
  store.SetFavoritesView(&view);  // no path: nothing is written
  store.AddFavorite(Item("beta", "http://b/", Date(2001, 1, 1)));
  store.AddFavorite(Item("ABC", "http://z/", Date(2003, 1, 1)));
  store.AddFavorite(Item("abc", "http://y/", Date(2003, 1, 1)));
  store.AddFavorite(Item("gamma", "http://a/"));  // no date: the oldest

  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"abc", "ABC", "beta", "gamma"}))
      << "titles tie without regard to case and are then ordered by URL";
  store.SetSortOrder(1);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"gamma", "beta", "ABC", "abc"}));

  store.SetSortColumn(1);
  EXPECT_EQ(store.SortOrder(), 0) << "a new column sorts ascending";
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"gamma", "beta", "abc", "ABC"}));

  store.SetSortColumn(2);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"abc", "ABC", "beta", "gamma"}))
      << "most recent first; equal dates by title, then URL";
  EXPECT_EQ(view.rows[3].sub2, "") << "no date shows an empty cell";
  EXPECT_EQ(view.rows[2].sub2, "2001/01/01 0:00");
  store.SetSortOrder(1);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"gamma", "beta", "ABC", "abc"}));

  int sorts = view.sorts;
  store.SetSortOrder(1);
  store.SetSortColumn(2);
  EXPECT_EQ(view.sorts, sorts) << "unchanged settings do not sort again";
  store.SetFavoritesSort(0, 0);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"abc", "ABC", "beta", "gamma"}));
}

TEST_F(FavoritesTest, AddedFavoriteIsSelectedAtItsSortedPlace) {
  TFavorites store;
  RecordingView view;
  store.SetFavoritesPath(path_);
  store.SetFavoritesView(&view);
  store.AddFavorite(Item("a", "http://a/"));
  store.AddFavorite(Item("c", "http://c/"));
  view.rows[0].selected = true;
  int index = store.AddFavoriteFromUrl("b", "http://b/");
  EXPECT_EQ(index, 2) << "list order is insertion order";
  ASSERT_EQ(view.Captions(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_FALSE(view.rows[0].selected);
  EXPECT_TRUE(view.rows[1].selected);
  EXPECT_TRUE(view.rows[1].focused);
  EXPECT_FALSE(view.rows[2].selected);
  EXPECT_TRUE(store.GetItem(2)->HasDate()) << "a favorite from a URL is dated now";
  EXPECT_EQ(store.GetItem(2)->Default, "index.html") << "starts from the default settings";

  // Changing a favorite updates its row, re-sorts and saves at once.
  TFavoriteItem* b = store.GetItem(2);
  b->Title = "z";
  store.UpdateFavorite(b);
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"a", "c", "z"}));
  platform::IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("Favorite0003", "Title", ""), "z");
}

TEST_F(FavoritesTest, FailedSaveLeavesTheOldFile) {
  TFavorites store;
  std::string missing = platform::JoinPath(dir_, "no-such-folder/favorites.dat");
  store.SetFavoritesPath(missing);
  store.AddFavorite(Item("a", "http://a/"));
  EXPECT_FALSE(store.LastSaveOk());
  EXPECT_EQ(store.Count(), 1) << "the favorite stays in memory";

  // Foreign junk lines survive a save untouched.
  WriteFile("garbage without equals\r\n[Favorites]\r\nCount=0\r\n");
  TFavorites ok;
  ok.SetFavoritesPath(path_);
  ok.AddFavorite(Item("a", "http://a/"));
  EXPECT_TRUE(ok.LastSaveOk());
  EXPECT_EQ(ReadFile().rfind("garbage without equals\r\n", 0), 0u);
  // No temporary files are left beside it.
  EXPECT_EQ(platform::ListFolder(dir_).size(), 1u);
}

}  // namespace
