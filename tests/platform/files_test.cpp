#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <thread>
#include <sstream>

#include "platform/codepage.h"
#include "platform/system_error.h"

using namespace platform;

namespace {

// A fresh host folder per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = "/tmp/th_platform_XXXXXX";
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() { DeleteTreeSilent(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void WriteHostFile(const std::string& host, const std::string& bytes) {
  std::ofstream f(host, std::ios::binary);
  f << bytes;
}

std::string ReadHostFile(const std::string& host) {
  std::ifstream f(host, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

class WinePrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = dir_.path() + "/prefix";
    mkdir(prefix_.c_str(), 0777);
    mkdir((prefix_ + "/dosdevices").c_str(), 0777);
    mkdir((prefix_ + "/dosdevices/c:").c_str(), 0777);
    mkdir((prefix_ + "/dosdevices/c:/Program Files").c_str(), 0777);
    mkdir((prefix_ + "/dosdevices/c:/Program Files/Netscape").c_str(), 0777);
    SetWinePrefix(prefix_);
  }
  void TearDown() override { SetWinePrefix(""); }
  TempDir dir_;
  std::string prefix_;
};

TEST_F(WinePrefixTest, DrivePathsMapIntoThePrefixIgnoringCase) {
  std::string c = prefix_ + "/dosdevices/c:";
  EXPECT_EQ(HostPath("C:\\Program Files\\Netscape"), c + "/Program Files/Netscape");
  // Segments are matched without regard to case when the exact name is missing.
  EXPECT_EQ(HostPath("c:\\PROGRAM FILES\\netscape\\new.txt"),
            c + "/Program Files/Netscape/new.txt");
  EXPECT_EQ(HostPath("C:/program files/NETSCAPE/"), c + "/Program Files/Netscape/");
  EXPECT_EQ(HostPath("C:\\"), c);
  // ".." stops at the drive root instead of leaving the prefix.
  EXPECT_EQ(HostPath("C:\\..\\..\\..\\etc\\passwd"), c + "/etc/passwd");
  EXPECT_EQ(HostPath("C:\\Program Files\\.\\..\\x"), c + "/x");
  // Host paths pass through.
  EXPECT_EQ(HostPath("/usr/share"), "/usr/share");
}

TEST_F(WinePrefixTest, MappedFoldersFollowRenamesAndNewFolders) {
  // The same drive path asked again after each change answers as a first look would.
  std::string c = prefix_ + "/dosdevices/c:";
  const std::string page = "C:\\program files\\netscape\\a.htm";
  EXPECT_EQ(HostPath(page), c + "/Program Files/Netscape/a.htm");
  EXPECT_EQ(HostPath(page), c + "/Program Files/Netscape/a.htm");
  // Reading tries the name as written first, and matches it when that is not there.
  WriteHostFile(c + "/Program Files/Netscape/A.htm", "upper");
  WriteHostFile(c + "/Program Files/Netscape/b.htm", "lower");
  std::string text;
  ASSERT_TRUE(ReadWholeFile("C:\\program files\\netscape\\A.htm", text));
  EXPECT_EQ(text, "upper");
  ASSERT_TRUE(ReadWholeFile("C:\\program files\\netscape\\B.HTM", text));
  EXPECT_EQ(text, "lower");
  unlink((c + "/Program Files/Netscape/A.htm").c_str());
  unlink((c + "/Program Files/Netscape/b.htm").c_str());
  // Renamed outside the program: only the case changes.
  ASSERT_EQ(rename((c + "/Program Files/Netscape").c_str(), (c + "/Program Files/NETSCAPE").c_str()), 0);
  EXPECT_EQ(HostPath(page), c + "/Program Files/NETSCAPE/a.htm");
  WriteHostFile(c + "/Program Files/NETSCAPE/c.htm", "moved");
  ASSERT_TRUE(ReadWholeFile("C:\\program files\\netscape\\c.htm", text));
  EXPECT_EQ(text, "moved");
  unlink((c + "/Program Files/NETSCAPE/c.htm").c_str());
  // A folder of the exact name, made by the program, wins over the one that matched.
  ASSERT_TRUE(CreateOneFolder(c + "/Program Files/netscape"));
  EXPECT_EQ(HostPath(page), c + "/Program Files/netscape/a.htm");
  // Removed: the names stay as written below the last folder that is there.
  DeleteTreeSilent(c + "/Program Files/netscape");
  EXPECT_EQ(HostPath(page), c + "/Program Files/NETSCAPE/a.htm");
  ASSERT_EQ(rmdir((c + "/Program Files/NETSCAPE").c_str()), 0);
  EXPECT_EQ(HostPath(page), c + "/Program Files/netscape/a.htm");
}

TEST_F(WinePrefixTest, DoubleBytePathSegmentsKeepTheirTrailBytes) {
  // 表示 (0x95 0x5C 0x8E 0xA6): the 0x5C is a trail byte, not a separator.
  std::string hyouji = "\x95\x5C\x8E\xA6";
  std::string c = prefix_ + "/dosdevices/c:";
  std::string utf8 = AnsiToUtf8(hyouji);
  ASSERT_EQ(utf8, "\xE8\xA1\xA8\xE7\xA4\xBA");
  EXPECT_EQ(HostPath("C:\\" + hyouji + "\\a.txt"), c + "/" + utf8 + "/a.txt");
  // A host path with CP932 bytes becomes UTF-8.
  EXPECT_EQ(HostPath("/tmp/" + hyouji), "/tmp/" + utf8);
  // And the file round-trips through the file functions.
  ASSERT_TRUE(CreateOneFolder("C:\\" + hyouji));
  ASSERT_TRUE(AtomicWriteFile("C:\\" + hyouji + "\\a.txt", "data"));
  EXPECT_EQ(ReadHostFile(c + "/" + utf8 + "/a.txt"), "data");
  // Read twice (the second time from the folder known already), also a name whose
  // last byte is a trail byte 0x5C.
  ASSERT_TRUE(AtomicWriteFile("C:\\" + hyouji + "\\" + hyouji, "kanji"));
  for (const std::string& name : {std::string("a.txt"), hyouji, std::string("a.txt"), hyouji}) {
    std::string text;
    ASSERT_TRUE(ReadWholeFile("C:\\" + hyouji + "\\" + name, text));
    EXPECT_EQ(text, name == hyouji ? "kanji" : "data");
  }
  std::vector<std::string> names = ListFolder("C:\\");
  EXPECT_NE(std::find(names.begin(), names.end(), hyouji), names.end());
}

TEST(WinePrefix, EnvironmentAndDefault) {
  SetWinePrefix("");
  const char* old = std::getenv("WINEPREFIX");
  std::string saved = old ? old : "";
  setenv("WINEPREFIX", "/some/prefix", 1);
  EXPECT_EQ(WinePrefix(), "/some/prefix");
  EXPECT_EQ(HostPath("D:\\x"), "/some/prefix/dosdevices/d:/x");
  unsetenv("WINEPREFIX");
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  if (!home.empty()) {
    EXPECT_EQ(WinePrefix(), home + "/.wine");
  }
  SetWinePrefix("/override");
  EXPECT_EQ(WinePrefix(), "/override");
  SetWinePrefix("");
  if (old) setenv("WINEPREFIX", saved.c_str(), 1);
}

TEST(Files, ReadWriteAndAtomicReplace) {
  TempDir dir;
  std::string path = dir.path() + "/settings.dat";
  std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_TRUE(AtomicWriteFile(path, bytes));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, back));
  EXPECT_EQ(back, bytes);
  // Replacing keeps the old file's permissions and leaves no temporary files.
  chmod(path.c_str(), 0640);
  ASSERT_TRUE(AtomicWriteFile(path, "new"));
  ASSERT_TRUE(ReadWholeFile(path, back));
  EXPECT_EQ(back, "new");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"settings.dat"});
  // Writing into a missing folder fails and reports why.
  EXPECT_FALSE(AtomicWriteFile(dir.path() + "/missing/x.dat", "x"));
  EXPECT_EQ(LastError(), ENOENT);
  EXPECT_FALSE(ReadWholeFile(dir.path() + "/nope", back));
  EXPECT_EQ(LastError(), ENOENT);
  EXPECT_TRUE(back.empty());
  EXPECT_FALSE(ReadWholeFile(dir.path(), back));
}

TEST(Files, MappedFileViewsAndMoves) {
  TempDir dir;
  std::string path = dir.path() + "/fat.db";
  WriteHostFile(path, "hello mapping");
  MappedFile m(path);
  ASSERT_TRUE(m.IsOpen());
  EXPECT_EQ(m.view(), "hello mapping");
  MappedFile moved(std::move(m));
  EXPECT_FALSE(m.IsOpen());
  EXPECT_EQ(moved.size(), 13u);
  EXPECT_EQ(moved.data()[0], 'h');
  MappedFile other;
  other = std::move(moved);
  EXPECT_EQ(other.view(), "hello mapping");
  other.Close();
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(other.size(), 0u);

  WriteHostFile(dir.path() + "/empty", "");
  MappedFile empty(dir.path() + "/empty");
  EXPECT_TRUE(empty.IsOpen());
  EXPECT_TRUE(empty.view().empty());

  MappedFile missing(dir.path() + "/missing");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(LastError(), ENOENT);
  MappedFile folder(dir.path());
  EXPECT_FALSE(folder.IsOpen());
}

TEST(Files, ReadFileReusesItsBufferAndMapsLargeFiles) {
  TempDir dir;
  FileBuffer buffer;
  WriteHostFile(dir.path() + "/big.htm", std::string(5000, 'x') + "end");
  WriteHostFile(dir.path() + "/small.htm", std::string("a\0b", 3));
  ASSERT_TRUE(ReadFile(dir.path() + "/big.htm", buffer));
  EXPECT_EQ(buffer.size(), 5003u);
  const char* kept = buffer.view().data();
  ASSERT_TRUE(ReadFile(dir.path() + "/small.htm", buffer));
  EXPECT_EQ(buffer.view(), std::string_view("a\0b", 3));
  EXPECT_EQ(buffer.view().data(), kept);  // no new allocation for a smaller file

  // Above the threshold the file is mapped (a sparse file costs no disk).
  std::string huge = dir.path() + "/huge.bin";
  {
    UniqueFd fd(open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
    ASSERT_TRUE(fd);
    ASSERT_TRUE(WriteAll(fd.get(), "head"));
    ASSERT_EQ(ftruncate(fd.get(), off_t(FileBuffer::kMapThreshold) + 10), 0);
    EXPECT_EQ(fd.Close(), 0);
    EXPECT_FALSE(fd);
  }
  ASSERT_TRUE(ReadFile(huge, buffer));
  EXPECT_EQ(buffer.size(), FileBuffer::kMapThreshold + 10);
  EXPECT_EQ(buffer.view().substr(0, 4), "head");
  EXPECT_NE(buffer.view().data(), kept);

  // Failures leave an empty view and the reason.
  EXPECT_FALSE(ReadFile(dir.path() + "/nope", buffer));
  EXPECT_EQ(LastError(), ENOENT);
  EXPECT_TRUE(buffer.view().empty());
  EXPECT_FALSE(ReadFile(dir.path(), buffer));
  EXPECT_EQ(LastError(), EISDIR);
  EXPECT_FALSE(CreateForWrite(dir.path() + "/missing/x"));
  EXPECT_EQ(LastError(), ENOENT);
}

TEST(Files, ExistenceSizeFoldersAndDeletion) {
  TempDir dir;
  std::string f = dir.path() + "/a.txt";
  WriteHostFile(f, "12345");
  EXPECT_TRUE(FileExists(f));
  EXPECT_FALSE(FileExists(dir.path()));
  EXPECT_TRUE(DirectoryExists(dir.path()));
  EXPECT_FALSE(DirectoryExists(f));
  EXPECT_TRUE(FileOrDirectoryExists(f));
  EXPECT_TRUE(FileOrDirectoryExists(dir.path()));
  EXPECT_FALSE(FileOrDirectoryExists(dir.path() + "/none"));
  EXPECT_EQ(LastError(), ENOENT);
  EXPECT_FALSE(FileOrDirectoryExists("/dev/null"));  // neither a file nor a folder
  std::uint64_t size = 0;
  ASSERT_TRUE(GetFileSize(f, size));
  EXPECT_EQ(size, 5u);

  std::string sub = dir.path() + "/sub";
  EXPECT_TRUE(CreateOneFolder(sub));
  EXPECT_FALSE(CreateOneFolder(sub));
  EXPECT_EQ(LastError(), EEXIST);
  EXPECT_FALSE(CreateOneFolder(dir.path() + "/x/y"));  // parent missing

  EXPECT_FALSE(DeleteOneFile(sub));  // not for folders
  EXPECT_TRUE(DirectoryExists(sub));
  EXPECT_TRUE(DeleteOneFile(f));
  EXPECT_FALSE(FileExists(f));
  EXPECT_FALSE(DeleteOneFile(f));
  EXPECT_EQ(LastError(), ENOENT);
}

TEST(Files, DeleteTreeDoesNotFollowLinks) {
  TempDir dir, outside;
  std::string keep = outside.path() + "/keep.txt";
  WriteHostFile(keep, "keep");
  std::string root = dir.path() + "/tree";
  mkdir(root.c_str(), 0777);
  mkdir((root + "/a").c_str(), 0777);
  mkdir((root + "/a/b").c_str(), 0777);
  WriteHostFile(root + "/a/b/c.txt", "x");
  WriteHostFile(root + "/top.txt", "x");
  ASSERT_EQ(symlink(outside.path().c_str(), (root + "/a/link").c_str()), 0);
  DeleteTreeSilent(root);
  EXPECT_FALSE(DirectoryExists(root));
  EXPECT_TRUE(FileExists(keep));
  DeleteTreeSilent(root);  // already gone: nothing happens
}

TEST(Files, CopyReplacesAndKeepsTheDate) {
  TempDir dir;
  std::string a = dir.path() + "/a", b = dir.path() + "/b";
  WriteHostFile(a, std::string(200000, 'x') + "end");
  WriteHostFile(b, "old contents that are longer than nothing");
  struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 123456700}};
  ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
  std::uint64_t copied = 0;
  ASSERT_TRUE(CopyFileReplace(a, b, copied));
  EXPECT_EQ(copied, 200003u);
  EXPECT_EQ(ReadHostFile(b), ReadHostFile(a));
  struct stat st;
  ASSERT_EQ(stat(b.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  // Copying a file onto itself must not destroy it.
  EXPECT_FALSE(CopyFileReplace(a, a));
  EXPECT_EQ(ReadHostFile(a).size(), 200003u);
  EXPECT_FALSE(CopyFileReplace(dir.path() + "/none", b));
  EXPECT_EQ(LastError(), ENOENT);
}

TEST(Files, UniqueFoldersAndTemp) {
  TempDir dir;
  std::string one = CreateUniqueFolder(dir.path(), "TLH");
  std::string two = CreateUniqueFolder(dir.path() + "/", "TLH");
  ASSERT_FALSE(one.empty());
  ASSERT_FALSE(two.empty());
  EXPECT_NE(one, two);
  EXPECT_EQ(one.rfind(dir.path() + "/TLH", 0), 0u);
  EXPECT_TRUE(DirectoryExists(one));
  EXPECT_TRUE(ListFolder(one).empty());
  EXPECT_EQ(CreateUniqueFolder(dir.path() + "/missing", "TLH"), "");
  // Without a prefix the folder is still made inside the parent.
  std::string bare = CreateUniqueFolder(dir.path(), "");
  ASSERT_EQ(bare.size(), dir.path().size() + 7);
  EXPECT_EQ(bare.rfind(dir.path() + "/", 0), 0u);
  EXPECT_TRUE(DirectoryExists(bare));
  std::string tmp = TempFolder();
  ASSERT_FALSE(tmp.empty());
  EXPECT_EQ(tmp.back(), '/');
  EXPECT_TRUE(DirectoryExists(tmp));
}

TEST(Files, ExecutableAndSettingsFolders) {
  std::string exe = ExecutableFolder();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.back(), '/');
  EXPECT_TRUE(DirectoryExists(exe));
  char* real = realpath(TH_BINARY_DIR, nullptr);
  ASSERT_NE(real, nullptr);
  EXPECT_EQ(exe, std::string(real) + "/");
  free(real);

  TempDir dir;
  SetSettingsFolder(dir.path());
  EXPECT_EQ(SettingsFolder(), dir.path() + "/");
  SetSettingsFolder("");
  // The build folder is writable and no install, so settings live beside the
  // executable, and so does the help file.
  EXPECT_EQ(SettingsFolder(), exe);
  EXPECT_EQ(DataFolder(), exe);
}

TEST(Files, InstalledLayoutIsKnownByItsShareFolder) {
  TempDir dir;
  const std::string root = dir.path();
  for (const char* folder : {"/usr", "/usr/bin", "/usr/share", "/usr/share/tollhaven", "/opt",
                             "/opt/bin", "/opt/share", "/build"})
    ASSERT_TRUE(CreateOneFolder(root + folder)) << folder;
  struct Case {
    std::string exeFolder, want;
  } cases[] = {
      {root + "/usr/bin/", root + "/usr/share/tollhaven/"},
      {root + "/usr/bin", root + "/usr/share/tollhaven/"},
      {root + "/opt/bin/", ""},  // share/ without tollhaven/: not ours
      {root + "/build/", ""},
      {root + "/usr/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(InstalledDataFolder(c.exeFolder), c.want) << c.exeFolder;
}

TEST(Files, JoinPathUsesExactlyOneSeparator) {
  EXPECT_EQ(JoinPath("a", "b"), "a/b");
  EXPECT_EQ(JoinPath("a/", "b"), "a/b");
  EXPECT_EQ(JoinPath("a//", "/b"), "a/b");
  EXPECT_EQ(JoinPath("C:\\dir\\", "b"), "C:\\dir/b");
  EXPECT_EQ(JoinPath("/", "b"), "/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("a", ""), "a");
  // A trailing 0x5C that is the second byte of ソ is part of the name.
  EXPECT_EQ(JoinPath("x\x83\x5C", "b"), "x\x83\x5C/b");
}

TEST(SystemError, TextEndsInLineBreak) {
  std::string text = SystemErrorText(ENOENT);
  ASSERT_GT(text.size(), 1u);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_NE(text.find("No such file"), std::string::npos);
  EXPECT_NE(SystemErrorText(EACCES), text);
  EXPECT_EQ(SystemErrorText(99999).back(), '\n');
}

TEST(LastErrorTest, IsPerThread) {
  SetLastError(42);
  int seen = -1;
  std::thread([&] { seen = LastError(); }).join();
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(LastError(), 42);
}

}  // namespace
