#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unicode/ustring.h>

#include <cstdlib>
#include <fstream>

#include "platform/codepage.h"
#include "platform/files.h"

using namespace platform;

namespace {

class RegistryFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/th_registry_XXXXXX";
    dir_ = mkdtemp(tmpl.data());
  }
  void TearDown() override { DeleteTreeSilent(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // UTF-16LE with a byte-order mark, from UTF-8 text.
  static std::string Utf16File(const std::string& utf8) {
    std::u16string u(utf8.size() + 1, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = 0;
    u_strFromUTF8(reinterpret_cast<UChar*>(u.data()), static_cast<int32_t>(u.size()), &n,
                  utf8.data(), static_cast<int32_t>(utf8.size()), &err);
    u.resize(static_cast<std::size_t>(n));
    std::string out = "\xFF\xFE";
    for (char16_t c : u) {
      out.push_back(char(c & 0xFF));
      out.push_back(char(c >> 8));
    }
    return out;
  }

  std::string dir_;
};

const char kUserReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator\\\\Users] 1234567890\n"
    "#time=1d5e0a1b2c3d4e5\n"
    "\"CurrentUser\"=\"default\"\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator\\\\Users\\\\default] 1234567890\n"
    "\"DirRoot\"=\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\default\"\n"
    "\"Quote\"=\"say \\\"hi\\\"\\n\"\n"
    "\"Jp\"=\"\\x8868\\x793a\"\n"
    "\"Expand\"=str(2):\"%SystemRoot%\\\\x\"\n"
    "\"Count\"=dword:0000002a\n"
    "\"Blob\"=hex:01,02,03\n"
    "@=\"the default\"\n";

const char kSystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "[Software\\\\Classes\\\\.htm] 1234567890\n"
    "@=\"htmlfile\"\n"
    "\"Content Type\"=\"text/html\"\n"
    "\n"
    "[Software\\\\Classes\\\\.gif] 1234567890\n"
    "\"Content Type\"=\"image/gif\"\n"
    "\n"
    "[Software\\\\Classes\\\\MIME\\\\Database\\\\Content Type\\\\text/html] 1234567890\n"
    "\"Extension\"=\".htm\"\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator\\\\Main] 1234567890\n"
    "\"Install Directory\"=\"C:\\\\Program Files\\\\Netscape\\\\Communicator\"\n";

TEST_F(RegistryFiles, WinePrefixFilesAndEscapes) {
  Write("user.reg", kUserReg);
  Write("system.reg", kSystemReg);
  Registry reg;
  ASSERT_TRUE(reg.LoadWinePrefix(dir_));
  const std::string users = "Software\\Netscape\\Netscape Navigator\\Users";
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, users, "CurrentUser"), "default");
  // Keys and value names match without regard to case.
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "SOFTWARE\\netscape\\NETSCAPE NAVIGATOR\\users",
                           "currentuser"),
            "default");
  const std::string def = users + "\\default";
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "DirRoot"),
            "C:\\Program Files\\Netscape\\Users\\default");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "Quote"), "say \"hi\"\n");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "Jp"), "\x95\x5C\x8E\xA6");  // 表示
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "Expand"), "%SystemRoot%\\x");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "Count"), "42");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "Blob"), std::nullopt);
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, ""), "the default");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "@"), "the default");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, def, "Missing"), std::nullopt);
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, users, ""), std::nullopt);
  // User values are not machine values.
  EXPECT_FALSE(reg.KeyExists(RootKey::LocalMachine, users));
  EXPECT_TRUE(reg.KeyExists(RootKey::CurrentUser, "Software\\Netscape"));
  EXPECT_TRUE(reg.KeyExists(RootKey::CurrentUser, "\\Software\\Netscape\\"));

  // system.reg's Software\Classes is HKEY_CLASSES_ROOT.
  EXPECT_EQ(reg.ReadString(RootKey::ClassesRoot, ".htm", ""), "htmlfile");
  EXPECT_EQ(reg.ReadString(RootKey::ClassesRoot, ".HTM", "content type"), "text/html");
  EXPECT_EQ(reg.ReadString(RootKey::ClassesRoot, "MIME\\Database\\Content Type\\text/html",
                           "Extension"),
            ".htm");
  EXPECT_EQ(reg.ReadString(RootKey::LocalMachine, "Software\\Classes\\.gif", "Content Type"),
            "image/gif");
  EXPECT_EQ(reg.SubKeys(RootKey::ClassesRoot, ""),
            (std::vector<std::string>{".gif", ".htm", "MIME"}));
  EXPECT_EQ(reg.SubKeys(RootKey::CurrentUser, users), std::vector<std::string>{"default"});
  EXPECT_TRUE(reg.SubKeys(RootKey::CurrentUser, "No\\Such").empty());
  EXPECT_NE(reg.Source().find(dir_), std::string::npos);

  reg.Clear();
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "Software"));
  EXPECT_EQ(reg.ReadString(RootKey::ClassesRoot, ".htm", ""), std::nullopt);
}

TEST_F(RegistryFiles, MissingPrefixFilesReadAsEmpty) {
  Registry reg;
  EXPECT_TRUE(reg.LoadWinePrefix(dir_));
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "Software"));
  EXPECT_FALSE(reg.LoadWinePrefix(dir_ + "/does-not-exist"));
}

const char kExport[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; exported by hand\r\n"
    "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Users]\r\n"
    "\"CurrentUser\"=\"taro\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Users\\taro]\r\n"
    "\"DirRoot\"=\"C:\\\\Netscape\\\\Users\\\\taro\"\r\n"
    "\"Lone\"=\"C:\\Temp\"\r\n"
    "\"Esc\"=\"a\\\"b\"\r\n"
    "@=\"default value\"\r\n"
    "\"Hex\"=hex(2):25,53,79,73,\\\r\n"
    "  00\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\.html]\r\n"
    "@=\"htmlfile\"\r\n"
    "\"Content Type\"=\"text/html\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.jpg]\r\n"
    "\"Content Type\"=\"image/jpeg\"\r\n"
    "\r\n"
    "[HKEY_USERS\\.DEFAULT\\Ignored]\r\n"
    "\"x\"=\"y\"\r\n";

TEST_F(RegistryFiles, Regedit4ExportWithRootsAndContinuations) {
  Registry reg;
  ASSERT_TRUE(reg.LoadRegFile(Write("export.reg", kExport)));
  const std::string taro = "Software\\Netscape\\Netscape Navigator\\Users\\taro";
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, taro, "DirRoot"), "C:\\Netscape\\Users\\taro");
  // A backslash that escapes nothing is kept.
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, taro, "Lone"), "C:\\Temp");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, taro, "Esc"), "a\"b");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, taro, "@"), "default value");
  // REGEDIT4 hex(2) data is ANSI bytes; the continuation line is joined.
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, taro, "Hex"), "%Sys");
  // HKEY_CLASSES_ROOT\x is also HKEY_LOCAL_MACHINE\Software\Classes\x.
  EXPECT_EQ(reg.ReadString(RootKey::ClassesRoot, ".html", ""), "htmlfile");
  EXPECT_EQ(reg.ReadString(RootKey::LocalMachine, "software\\classes\\.html", "Content Type"),
            "text/html");
  EXPECT_EQ(reg.ReadString(RootKey::ClassesRoot, ".jpg", "Content Type"), "image/jpeg");
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, ".DEFAULT"));
  EXPECT_NE(reg.Source().find("export.reg"), std::string::npos);
}

TEST_F(RegistryFiles, Version5ExportInUtf16WithBom) {
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\テスト]\r\n"
      "\"名前\"=\"表示\\\\ソフト\"\r\n"
      "\"Wide\"=hex(2):25,00,41,00,00,00\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "\"Emoji\"=\"a😀b\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Old\\Sub]\r\n"
      "\"v\"=\"1\"\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\r\n";
  std::string file = Utf16File(text);
  Registry reg;
  ASSERT_TRUE(reg.LoadRegFile(Write("v5.reg", file)));
  std::string key = "Software\\" + Utf8ToAnsi("テスト");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, key, Utf8ToAnsi("名前")),
            Utf8ToAnsi("表示\\ソフト"));
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, key, "Wide"), "%A");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, key, "Gone"), std::nullopt);
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, key, "Emoji"), "a?b");
  EXPECT_EQ(reg.SubKeys(RootKey::CurrentUser, "Software"),
            std::vector<std::string>{Utf8ToAnsi("テスト")});
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "Software\\Old\\Sub"));
}

TEST_F(RegistryFiles, Regedit4InAnsiAndUtf8) {
  // Without a byte-order mark a REGEDIT4 file may be in the ANSI code page...
  std::string ansi = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"" + Utf8ToAnsi("日本語") +
                     "\"\r\n";
  Registry reg;
  ASSERT_TRUE(reg.LoadRegFile(Write("ansi.reg", ansi)));
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "A", "v"), Utf8ToAnsi("日本語"));
  // ...or in UTF-8, with or without its mark.
  reg.Clear();
  ASSERT_TRUE(reg.LoadRegFile(
      Write("utf8.reg", "\xEF\xBB\xBFREGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"日本語\"\n")));
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "A", "v"), Utf8ToAnsi("日本語"));
  EXPECT_EQ(reg.Source(), "registry file " + dir_ + "/utf8.reg");
}

TEST_F(RegistryFiles, BrokenInputIsRefusedOrSkipped) {
  Registry reg;
  EXPECT_FALSE(reg.LoadRegFile(dir_ + "/missing.reg"));
  EXPECT_FALSE(reg.LoadRegFile(Write("plain.txt", "just some text\n[HKEY_CURRENT_USER\\A]\n")));
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "A"));
  EXPECT_FALSE(reg.LoadRegFile(Write("empty.reg", "")));
  // Bad lines are skipped; the good ones around them still load.
  ASSERT_TRUE(reg.LoadRegFile(Write("bad.reg",
                                    "REGEDIT4\n"
                                    "\"orphan\"=\"no key yet\"\n"
                                    "[HKEY_CURRENT_USER\\A\n"
                                    "[HKEY_CURRENT_USER\\B]\n"
                                    "\"unterminated\"=\"abc\n"
                                    "\"d\"=dword:xyz\n"
                                    "\"h\"=hex(zz):00\n"
                                    "\"s\"=str(\n"
                                    "novalue\n"
                                    "\"ok\"=\"fine\"\n"
                                    "\"h2\"=hex:01,\\\n")));
  EXPECT_FALSE(reg.KeyExists(RootKey::CurrentUser, "A"));
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "B", "ok"), "fine");
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "B", "unterminated"), std::nullopt);
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "B", "d"), std::nullopt);
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "B", "orphan"), std::nullopt);
}

TEST_F(RegistryFiles, CurrentFollowsTheEnvironmentAndCanBeReloaded) {
  std::string path = Write("env.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Env]\n\"v\"=\"from env\"\n");
  setenv("TOLLHAVEN_REGISTRY", path.c_str(), 1);
  Registry& reg = Registry::Current();
  unsetenv("TOLLHAVEN_REGISTRY");
  EXPECT_EQ(&reg, &Registry::Current());
  EXPECT_EQ(reg.ReadString(RootKey::CurrentUser, "Env", "v"), "from env");
  // A command-line option reloads the same instance.
  reg.Clear();
  ASSERT_TRUE(reg.LoadRegFile(Write("other.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Other]\n\"v\"=\"2\"\n")));
  EXPECT_FALSE(Registry::Current().KeyExists(RootKey::CurrentUser, "Env"));
  EXPECT_EQ(Registry::Current().ReadString(RootKey::CurrentUser, "Other", "v"), "2");
  reg.Clear();
}

}  // namespace
