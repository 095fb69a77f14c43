#include "common/file_utils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/file_time.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace {

// A fresh scratch folder per test, removed afterwards.
class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("th_common_fu_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Path(const std::string& rel) const { return (root_ / rel).string(); }

  fs::path root_;
};

TEST_F(FileUtilsTest, CreateFolderPathMakesEveryParent) {
  const std::string deep = Path("a/b/c/d");
  EXPECT_FALSE(FolderExists(deep));
  EXPECT_TRUE(CreateFolderPath(deep + "/"));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_TRUE(fs::is_directory(deep));
  // Existing folders and roots count as success.
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(CreateFolderPath("/"));
  EXPECT_TRUE(CreateFolderPath(root_.string()));
}

TEST_F(FileUtilsTest, CreateFolderPathFailsBelowAFile) {
  { std::ofstream(Path("file")) << "x"; }
  EXPECT_FALSE(CreateFolderPath(Path("file")));
  EXPECT_FALSE(CreateFolderPath(Path("file/sub/deeper")));
  EXPECT_FALSE(FolderExists(Path("file")));
  EXPECT_TRUE(fs::is_regular_file(Path("file")));  // nothing lost
}

TEST_F(FileUtilsTest, CreateFolderPathRejectsEmptyPath) {
  EXPECT_THROW(CreateFolderPath(""), std::invalid_argument);
}

TEST_F(FileUtilsTest, CreateFolderPathHandlesShortRelativeNames) {
  // A two-character folder on this host is a real folder, not a drive to assume.
  const fs::path old = fs::current_path();
  fs::current_path(root_);
  const bool made = CreateFolderPath("ab");
  const bool exists = fs::is_directory(root_ / "ab");
  fs::current_path(old);
  EXPECT_TRUE(made);
  EXPECT_TRUE(exists);
}

TEST_F(FileUtilsTest, FolderExistsOnlyForFolders) {
  { std::ofstream(Path("f.txt")) << "x"; }
  EXPECT_TRUE(FolderExists(root_.string()));
  EXPECT_FALSE(FolderExists(Path("f.txt")));
  EXPECT_FALSE(FolderExists(Path("missing")));
}

TEST_F(FileUtilsTest, WorkFolderIsFreshAndDeletable) {
  const std::string a = CreateWorkFolder();
  const std::string b = CreateWorkFolder();
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.back(), platform::kPathDelim);
  const std::string name = fs::path(a.substr(0, a.size() - 1)).filename().string();
  EXPECT_EQ(name.rfind("TLH", 0), 0u) << name;
  EXPECT_EQ(a.rfind(platform::TempFolder(), 0), 0u);
  EXPECT_TRUE(fs::is_directory(a));
  EXPECT_TRUE(fs::is_empty(a));

  // Fill it, then remove it with everything inside (trailing separator allowed).
  fs::create_directories(a + "x/y");
  { std::ofstream(a + "x/y/z.html") << "<html>"; }
  DeleteFolderTree(a);
  EXPECT_FALSE(fs::exists(a));
  DeleteFolderTree(b.substr(0, b.size() - 1));
  EXPECT_FALSE(fs::exists(b));
}

TEST_F(FileUtilsTest, DeleteFolderTreeIgnoresEmptyPathAndMissingFolders) {
  const fs::path old = fs::current_path();
  fs::current_path(root_);
  { std::ofstream("keep.txt") << "x"; }
  DeleteFolderTree("");  // must not take the current folder with it
  DeleteFolderTree(Path("missing"));
  const bool kept = fs::exists(root_ / "keep.txt");
  fs::current_path(old);
  EXPECT_TRUE(kept);
}

TEST_F(FileUtilsTest, LocalWriteTimeFollowsTheTimeZone) {
  const std::string file = Path("dated.txt");
  { std::ofstream(file) << "x"; }
  const platform::FILETIME utc = platform::UnixSecondsToFileTime(978307200);  // 2001-01-01 00:00 UTC
  ASSERT_TRUE(platform::SetFileLastWriteTime(file, utc));

  platform::FILETIME local = 0;
  ASSERT_TRUE(GetFileLocalWriteTime(file, local));
  platform::FILETIME expected = 0;
  ASSERT_TRUE(platform::FileTimeToLocalFileTime(utc, expected));
  EXPECT_EQ(local, expected);
  const char* tz = std::getenv("TZ");
  if (tz && std::string(tz) == "Asia/Tokyo") {
    EXPECT_EQ(local - utc, platform::FILETIME{9} * 3600 * 10000000);
  }

  EXPECT_FALSE(GetFileLocalWriteTime(Path("missing.txt"), local));
  EXPECT_FALSE(GetFileLocalWriteTime(root_.string(), local));
}

TEST_F(FileUtilsTest, NetscapeExePathFromRegistry) {
  // The process-wide registry loads $TOLLHAVEN_REGISTRY on first use.
  const std::string reg = Path("netscape.reg");
  {
    std::ofstream out(reg, std::ios::binary);
    out << "REGEDIT4\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe]\r\n"
           "@=\"C:\\\\Program Files\\\\Netscape\\\\Communicator\\\\Program\\\\netscape.exe\"\r\n"
           "\"Path\"=\"C:\\\\Program Files\\\\Netscape\\\\Communicator\\\\Program\"\r\n";
  }
  platform::Registry& r = platform::Registry::Current();
  r.Clear();
  ASSERT_TRUE(r.LoadRegFile(reg));
  EXPECT_EQ(GetNetscapeExePath(),
            "C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe");
  r.Clear();
  EXPECT_EQ(GetNetscapeExePath(), "");
}

TEST(SystemFacts, ProgramFolderAndErrorText) {
  const std::string folder = GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), platform::kPathDelim);
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_TRUE(fs::equivalent(folder, exe.parent_path())) << folder;

  const std::string text = GetSystemErrorText(ENOENT);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  EXPECT_NE(GetSystemErrorText(EACCES), text);
}

}  // namespace
