#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/files.h"

using namespace platform;

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = "/tmp/th_ini_XXXXXX";
    dir_ = mkdtemp(tmpl.data());
    path_ = dir_ + "/screen.dat";
  }
  void TearDown() override { DeleteTreeSilent(dir_); }

  void WriteRaw(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string ReadRaw() const {
    std::ifstream f(path_, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }

  std::string dir_;
  std::string path_;
};

TEST_F(IniTest, MissingFileSectionOrKeyGivesTheDefault) {
  IniFile ini(path_);
  EXPECT_EQ(ini.FileName(), path_);
  EXPECT_EQ(ini.ReadString("Main", "Left", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("Main", "Left", 17), 17);
  EXPECT_TRUE(ini.ReadBool("Main", "Visible", true));
  EXPECT_FALSE(ini.SectionExists("Main"));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_TRUE(ini.EraseSection("Main"));   // nothing to do
  EXPECT_TRUE(ini.DeleteKey("Main", "x"));
  EXPECT_FALSE(FileExists(path_));         // and nothing was created

  WriteRaw("[Main]\nLeft=5\n");
  EXPECT_EQ(ini.ReadString("Other", "Left", "d"), "d");
  EXPECT_EQ(ini.ReadString("Main", "Top", "d"), "d");
  EXPECT_EQ(ini.ReadInteger("Main", "Left", 0), 5);
}

TEST_F(IniTest, ParsingIsCaseInsensitiveTrimmedAndUnquoted) {
  WriteRaw(
      "; settings\r\n"
      "stray=before any section\r\n"
      "[Main Window]\r\n"
      "  Width =  640  \r\n"
      "Title=\"  spaced  \"\r\n"
      "Single='q'\r\n"
      "Half=\"open\r\n"
      "Eq=a=b\r\n"
      "Empty=\r\n"
      "Path=C:\\\x95\x5C\\x\r\n"  // 表 ends in 0x5C
      "NoEquals\r\n"
      "[main window]\r\n"
      "Width=1\r\n"
      "[Find]\n"
      "Width=2\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("MAIN WINDOW", "width", ""), "640");
  EXPECT_EQ(ini.ReadString("Main Window", "Title", ""), "  spaced  ");
  EXPECT_EQ(ini.ReadString("Main Window", "Single", ""), "q");
  EXPECT_EQ(ini.ReadString("Main Window", "Half", ""), "\"open");
  EXPECT_EQ(ini.ReadString("Main Window", "Eq", ""), "a=b");
  EXPECT_EQ(ini.ReadString("Main Window", "Empty", "d"), "");
  EXPECT_EQ(ini.ReadString("Main Window", "Path", ""), "C:\\\x95\x5C\\x");
  EXPECT_EQ(ini.ReadString("Main Window", "stray", "d"), "d");
  EXPECT_EQ(ini.ReadString("Find", "Width", ""), "2");  // LF-only lines too
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main Window", "Find"}));
  EXPECT_EQ(ini.ReadSection("main window"),
            (std::vector<std::string>{"Width", "Title", "Single", "Half", "Eq", "Empty", "Path"}));
  EXPECT_TRUE(ini.ValueExists("main window", "EMPTY"));
  EXPECT_FALSE(ini.ValueExists("main window", "NoEquals"));
}

TEST_F(IniTest, IntegersAndBooleansLikeTheOriginalSettingsCode) {
  WriteRaw(
      "[N]\n"
      "dec=-42\nhex=0x1F\nhexUp=0XfF\ndollar=$10\nallbits=0xFFFFFFFF\n"
      "plus=+7\nbig=2147483648\nmin=-2147483648\nhuge=0x100000000\n"
      "text=12abc\nblank=\nfloat=1.5\nspace=1 2\nbare0x=0x\n"
      "t=1\nf=0\nother=-3\nword=yes\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("N", "dec", 0), -42);
  EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("N", "HEXUP", 0), 255);
  EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
  EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 7);
  EXPECT_EQ(ini.ReadInteger("N", "min", 0), -2147483647 - 1);
  for (const char* bad : {"big", "huge", "text", "blank", "float", "space", "bare0x"}) {
    EXPECT_EQ(ini.ReadInteger("N", bad, 99), 99) << bad;
  }
  EXPECT_TRUE(ini.ReadBool("N", "t", false));
  EXPECT_FALSE(ini.ReadBool("N", "f", true));
  EXPECT_TRUE(ini.ReadBool("N", "other", false));
  EXPECT_TRUE(ini.ReadBool("N", "word", true));
  EXPECT_FALSE(ini.ReadBool("N", "word", false));

  ASSERT_TRUE(ini.WriteBool("B", "on", true));
  ASSERT_TRUE(ini.WriteBool("B", "off", false));
  ASSERT_TRUE(ini.WriteInteger("B", "neg", -5));
  EXPECT_EQ(ini.ReadString("B", "on", ""), "1");
  EXPECT_EQ(ini.ReadString("B", "off", ""), "0");
  EXPECT_EQ(ini.ReadInteger("B", "neg", 0), -5);
}

TEST_F(IniTest, WritingOneKeyKeepsEverythingElseInOrder) {
  WriteRaw(
      "; Tollhaven screen settings\n"
      "[Main]\n"
      "Left=10\n"
      "Top=20\n"
      "; a comment inside\n"
      "\n"
      "[Columns]\n"
      "Name=100\n"
      "Url=200\n");
  IniFile ini(path_);
  ASSERT_TRUE(ini.WriteInteger("main", "TOP", 25));    // existing key, spelling kept
  ASSERT_TRUE(ini.WriteString("Main", "Width", "800"));  // new key after the last entry
  ASSERT_TRUE(ini.WriteString("New", "Key", "v"));       // new section at the end
  EXPECT_EQ(ReadRaw(),
            "; Tollhaven screen settings\r\n"
            "[Main]\r\n"
            "Left=10\r\n"
            "Top=25\r\n"
            "; a comment inside\r\n"
            "Width=800\r\n"
            "\r\n"
            "[Columns]\r\n"
            "Name=100\r\n"
            "Url=200\r\n"
            "\r\n"
            "[New]\r\n"
            "Key=v\r\n");
  ASSERT_TRUE(ini.DeleteKey("COLUMNS", "name"));
  ASSERT_TRUE(ini.EraseSection("main"));
  EXPECT_EQ(ReadRaw(),
            "; Tollhaven screen settings\r\n"
            "[Columns]\r\n"
            "Url=200\r\n"
            "\r\n"
            "[New]\r\n"
            "Key=v\r\n");
  EXPECT_FALSE(ini.SectionExists("Main"));
  EXPECT_TRUE(ini.SectionExists("new"));
  // No temporary file is left beside the settings file.
  EXPECT_EQ(ListFolder(dir_), std::vector<std::string>{"screen.dat"});
}

TEST_F(IniTest, ValuesRoundTripExactly) {
  IniFile ini(path_);
  const std::vector<std::string> values = {
      "plain", "", "  leading", "trailing  ", "\"quoted\"", "'single'", "\"half",
      "a=b;c", "C:\\\x95\x5C", "\x83\x5C\x83\x7B\x83\x7C", "[not a section]"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(ini.WriteString("Values", "k" + std::to_string(i), values[i]));
  }
  IniFile again(path_);
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(again.ReadString("Values", "k" + std::to_string(i), "?"), values[i]) << i;
  }
  // A line break in a value cannot be stored; it must not create other keys.
  ASSERT_TRUE(ini.WriteString("Values", "title", "line1\r\n[Evil]\r\nx=1"));
  EXPECT_FALSE(again.SectionExists("Evil"));
  EXPECT_EQ(again.ReadString("Values", "title", ""), "line1  [Evil]  x=1");
}

TEST_F(IniTest, NamesThatWouldBreakTheFileAreRefused) {
  IniFile ini(path_);
  EXPECT_FALSE(ini.WriteString("Bad]Section", "k", "v"));
  EXPECT_FALSE(ini.WriteString("Sec\nX", "k", "v"));
  EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
  EXPECT_FALSE(ini.WriteString("S", "", "v"));
  EXPECT_FALSE(ini.WriteString("", "k", "v"));
  EXPECT_FALSE(ini.WriteString("S", "[k", "v"));
  EXPECT_FALSE(FileExists(path_));
  // A double-byte name whose trail byte is ']' (ス is 0x83 0x5D) is fine.
  std::string su = "\x83\x5D";
  EXPECT_TRUE(ini.WriteString("Sec" + su, "key" + su, "v"));
  EXPECT_EQ(IniFile(path_).ReadString("Sec" + su, "key" + su, ""), "v");
}

TEST_F(IniTest, SeesChangesMadeByOthers) {
  IniFile reader(path_);
  IniFile writer(path_);
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(writer.WriteBool("S", "flag", i % 2 == 0));
    EXPECT_EQ(reader.ReadBool("S", "flag", i % 2 != 0), i % 2 == 0) << i;
  }
  DeleteOneFile(path_);
  EXPECT_EQ(reader.ReadString("S", "flag", "gone"), "gone");
}

TEST_F(IniTest, WriteFailsCleanlyWhenTheFolderIsMissing) {
  IniFile ini(dir_ + "/missing/find.dat");
  EXPECT_FALSE(ini.WriteString("S", "k", "v"));
  EXPECT_NE(LastError(), 0);
  EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
}

}  // namespace
