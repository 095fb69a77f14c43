// Finding FAT.DB from the browser's registry values and prefs.js.
#include <gtest/gtest.h>

#include <string>

#include "cache/netscape_cache.h"
#include "cache/netscape_location.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "support/netscape_fixture.h"

namespace {

const std::string kProfile = "C:\\Program Files\\Netscape\\Communicator\\Users\\taro\\";

TEST(FatDbPathFromPrefs, CacheDirectoryPreference) {
  auto pref = [](const std::string& value) {
    return "// Mozilla User Preferences\r\nuser_pref(\"browser.cache.disk_cache_size\", 7680);\r\n"
           "user_pref(\"browser.cache.directory\", \"" + value + "\");\r\n"
           "user_pref(\"browser.startup.homepage\", \"http://x/\");\r\n";
  };
  EXPECT_EQ(FatDbPathFromPrefs(pref("D:\\\\Cache"), kProfile), "D:\\Cache\\FAT.DB");
  EXPECT_EQ(FatDbPathFromPrefs(pref("D:\\\\Cache\\\\"), kProfile), "D:\\Cache\\FAT.DB");
  EXPECT_EQ(FatDbPathFromPrefs(pref("C:\\\\Program Files\\\\NS\\\\cache"), kProfile),
            "C:\\Program Files\\NS\\cache\\FAT.DB");
  // A Japanese folder name keeps its double-byte characters.
  std::string jp = platform::Utf8ToAnsi("D:\\\\キャッシュ\\\\表示");
  EXPECT_EQ(FatDbPathFromPrefs(pref(jp), kProfile),
            platform::Utf8ToAnsi("D:\\キャッシュ\\表示\\FAT.DB"));
  // Without the preference the cache is the profile's own.
  EXPECT_EQ(FatDbPathFromPrefs("user_pref(\"browser.cache.memory_cache_size\", 1024);\n", kProfile),
            kProfile + "Cache\\FAT.DB");
  EXPECT_EQ(FatDbPathFromPrefs("", kProfile), kProfile + "Cache\\FAT.DB");
  // The name must appear in quotes; a bare mention does not count.
  EXPECT_EQ(FatDbPathFromPrefs("// browser.cache.directory is set below\n", kProfile),
            kProfile + "Cache\\FAT.DB");
  // A damaged line names no folder at all.
  EXPECT_EQ(FatDbPathFromPrefs("user_pref(\"browser.cache.directory\", \"D:\\\\Cache", kProfile), "");
  EXPECT_EQ(FatDbPathFromPrefs("user_pref(\"browser.cache.directory\"", kProfile), "");
  EXPECT_EQ(FatDbPathFromPrefs(pref(""), kProfile), "");
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::CreateUniqueFolder(platform::TempFolder(), "thloc");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { platform::DeleteTreeSilent(dir_); }

  // A REGEDIT4 export with the two values (either left out when empty).
  void Load(const std::string& user, const std::string& install) {
    std::string text = "REGEDIT4\r\n\r\n";
    if (!user.empty()) {
      text += "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\biff]\r\n"
              "\"CurrentUser\"=\"" + user + "\"\r\n\r\n";
    }
    text += "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Main]\r\n";
    if (!install.empty()) {
      text += "\"Install Directory\"=\"" + platform::AnsiReplaceAll(install, "\\", "\\\\") + "\"\r\n";
    }
    std::string file = platform::JoinPath(dir_, "ns.reg");
    ASSERT_TRUE(platform::AtomicWriteFile(file, text));
    registry_.Clear();
    ASSERT_TRUE(registry_.LoadRegFile(file));
  }

  std::string dir_;
  platform::Registry registry_;
};

TEST_F(RegistryTest, ProfileFolderBesideTheInstallFolder) {
  Load("taro", "C:\\Program Files\\Netscape\\Communicator\\Program");
  EXPECT_EQ(GetProfileDirectory(registry_), kProfile);
  Load("taro", "C:\\Program Files\\Netscape\\Communicator\\Program\\");
  EXPECT_EQ(GetProfileDirectory(registry_), kProfile);
  Load("hanako", "D:\\Netscape");
  EXPECT_EQ(GetProfileDirectory(registry_), "D:\\Users\\hanako\\");
}

TEST_F(RegistryTest, MissingValuesGiveNoProfile) {
  Load("taro", "");
  EXPECT_EQ(GetProfileDirectory(registry_), "");
  EXPECT_EQ(GetFatDbPath(registry_), "");
  Load("", "C:\\Program Files\\Netscape\\Communicator\\Program");
  EXPECT_EQ(GetProfileDirectory(registry_), "");
  Load("taro", "Program");  // no backslash: no parent folder
  EXPECT_EQ(GetProfileDirectory(registry_), "");
  registry_.Clear();
  EXPECT_EQ(GetFatDbPath(registry_), "");
}

TEST(NetscapeLocation, FoundThroughAWrittenProfile) {
  thtest::NetscapeCacheSpec spec;
  thtest::NetscapeEntry e;
  e.url = "http://h/";
  e.contentType = "text/html";
  e.body = "<html></html>";
  spec.entries.push_back(e);
  spec.profile.cacheDirectory = "D:\\Netscape Cache";
  thtest::NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  platform::Registry registry;
  ASSERT_TRUE(registry.LoadWinePrefix(fx.prefix()));
  platform::SetWinePrefix(fx.prefix());
  EXPECT_EQ(GetFatDbPath(registry), "D:\\Netscape Cache\\FAT.DB");
  EXPECT_EQ(GetFatDbPath(registry), fx.fatDbWindowsPath());

  // With no override the source follows the process registry to the same file.
  platform::Registry& current = platform::Registry::Current();
  current.Clear();
  ASSERT_TRUE(current.LoadWinePrefix(fx.prefix()));
  TNetscapeCache cache;
  EXPECT_TRUE(cache.IsOpen());
  EXPECT_EQ(cache.CacheDirectory(), "D:\\Netscape Cache\\");
  TCacheSourceRecord rec;
  EXPECT_TRUE(cache.FindNext(rec));
  EXPECT_EQ(rec.SourceUrlName, "http://h/");
  current.Clear();
}

TEST(NetscapeLocation, NoPrefsFileNoPath) {
  thtest::NetscapeCacheSpec spec;
  spec.profile.writePrefs = false;
  thtest::NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  platform::Registry registry;
  ASSERT_TRUE(registry.LoadRegFile(fx.regFile()));
  platform::SetWinePrefix(fx.prefix());
  EXPECT_EQ(GetFatDbPath(registry), "");
  EXPECT_EQ(GetProfileDirectory(registry), kProfile);
}

}  // namespace

namespace {

TEST(UnixProfile, CacheFolderFromPreferences) {
  const struct {
    const char* prefs;
    const char* folder;
  } rows[] = {
      {"user_pref(\"browser.cache.directory\", \"/home/taro/.netscape/cache\");\n",
       "/home/taro/.netscape/cache"},
      {"user_pref(\"browser.cache.directory\",\"/mnt/d/ns \\\"cache\\\"\");\n", "/mnt/d/ns \"cache\""},
      {"user_pref(\"browser.cache.directory\", \"C:\\\\Cache\");\n", "C:\\Cache"},
      {"// it's the cache\nuser_pref(\"browser.cache.disk_cache_size\", 5000);\n", ""},
      {"user_pref(\"browser.cache.directory\", \"/home/taro/cac", ""},
      {"user_pref(\"browser.cache.directory\", 5);\n", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CacheDirectoryFromUnixPrefs(row.prefs), row.folder) << row.prefs;
}

TEST(UnixProfile, CopiedProfileFallsBackToItsOwnCache) {
  const std::string home = platform::CreateUniqueFolder(platform::TempFolder(), "thnshome");
  ASSERT_FALSE(home.empty());
  auto write = [&home](const std::string& name, const std::string& text) {
    ASSERT_TRUE(platform::AtomicWriteFile(platform::JoinPath(home, name), text));
  };
  // Named folder relative to the profile, holding index.db.
  ASSERT_TRUE(platform::CreateOneFolder(platform::JoinPath(home, "nscache")));
  write("nscache/index.db", "x");
  write("preferences.js", "user_pref(\"browser.cache.directory\", \"nscache\");\n");
  TCacheLocation at = LocateNetscapeHome(home);
  EXPECT_EQ(at.IndexFile, home + "/nscache/index.db");
  EXPECT_EQ(at.BookmarkFile, home + "/bookmarks.html");
  EXPECT_TRUE(at.Exists());
  // The folder the old disk had is gone; the profile's own cache folder is used.
  write("preferences.js", "user_pref(\"browser.cache.directory\", \"/home/gone/.netscape/cache\");\n");
  EXPECT_EQ(LocateNetscapeHome(home).IndexFile, "/home/gone/.netscape/cache/index.db");
  ASSERT_TRUE(platform::CreateOneFolder(platform::JoinPath(home, "cache")));
  write("cache/index.db", "x");
  EXPECT_EQ(LocateNetscapeHome(home + "/").IndexFile, home + "/cache/index.db");
  // A bare folder: FAT.DB first, else index.db.
  EXPECT_EQ(LocateCacheFolder(home + "/cache").IndexFile, home + "/cache/index.db");
  write("cache/FAT.DB", "x");
  EXPECT_EQ(LocateCacheFolder(home + "/cache").IndexFile, home + "/cache/FAT.DB");
  platform::DeleteTreeSilent(home);
}

}  // namespace
