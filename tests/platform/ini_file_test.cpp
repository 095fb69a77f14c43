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
  IniFile later(path_);
  EXPECT_EQ(later.ReadString("Other", "Left", "d"), "d");
  EXPECT_EQ(later.ReadString("Main", "Top", "d"), "d");
  EXPECT_EQ(later.ReadInteger("Main", "Left", 0), 5);
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
  IniFile third(path_);
  EXPECT_FALSE(third.SectionExists("Evil"));
  EXPECT_EQ(third.ReadString("Values", "title", ""), "line1  [Evil]  x=1");
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

TEST_F(IniTest, ReadsOnceAndWritesOntoWhatTheFileHoldsNow) {
  WriteRaw("[S]\nflag=0\n");
  IniFile reader(path_);
  EXPECT_FALSE(reader.ReadBool("S", "flag", true));
  IniFile writer(path_);
  ASSERT_TRUE(writer.WriteBool("S", "flag", true));
  ASSERT_TRUE(writer.WriteString("Other", "k", "w"));
  // Reads answer from the copy read first ...
  EXPECT_FALSE(reader.ReadBool("S", "flag", true));
  EXPECT_FALSE(reader.SectionExists("Other"));
  // ... but a write keeps what the other object wrote meanwhile.
  ASSERT_TRUE(reader.WriteString("S", "mine", "r"));
  EXPECT_EQ(ReadRaw(), "[S]\r\nflag=1\r\nmine=r\r\n\r\n[Other]\r\nk=w\r\n");
  EXPECT_TRUE(reader.ReadBool("S", "flag", false));
  DeleteOneFile(path_);
  EXPECT_EQ(reader.ReadString("Other", "k", "gone"), "w");
}

TEST_F(IniTest, AnUpdateWritesTheFileOnceAtItsEnd) {
  WriteRaw("; kept\n[Favorites]\nCount=1\n");
  IniFile ini(path_);
  ini.BeginUpdate();
  ASSERT_TRUE(ini.WriteInteger("Favorites", "Count", 300));
  for (int i = 1; i <= 300; ++i) {
    const std::string section = "Favorite" + std::to_string(i);
    ASSERT_TRUE(ini.WriteString(section, "UrlName", "http://h/" + std::to_string(i) + "/"));
    ASSERT_TRUE(ini.WriteInteger(section, "Folder", i % 2 + 1));
  }
  ini.BeginUpdate();  // nested: only the outer end writes
  ASSERT_TRUE(ini.DeleteKey("Favorite2", "Folder"));
  ASSERT_TRUE(ini.EraseSection("Favorite3"));
  EXPECT_TRUE(ini.EndUpdate());
  // Nothing reached the disk yet, but reads see the changes.
  EXPECT_EQ(ReadRaw(), "; kept\n[Favorites]\nCount=1\n");
  EXPECT_EQ(ini.ReadInteger("Favorite300", "Folder", 0), 1);
  EXPECT_TRUE(ini.EndUpdate());
  IniFile again(path_);
  EXPECT_EQ(again.ReadInteger("Favorites", "Count", 0), 300);
  EXPECT_EQ(again.ReadString("Favorite1", "UrlName", ""), "http://h/1/");
  EXPECT_EQ(again.ReadInteger("Favorite1", "Folder", 0), 2);
  EXPECT_FALSE(again.ValueExists("Favorite2", "Folder"));
  EXPECT_FALSE(again.SectionExists("Favorite3"));
  EXPECT_EQ(again.ReadSections().size(), 300u);
  EXPECT_EQ(ReadRaw().rfind("; kept\r\n[Favorites]\r\nCount=300\r\n\r\n[Favorite1]\r\n", 0), 0u);
  EXPECT_EQ(ListFolder(dir_), std::vector<std::string>{"screen.dat"});

  // An update that fails to write leaves the object reading the file as it is.
  IniFile lost(dir_ + "/missing/find.dat");
  lost.BeginUpdate();
  ASSERT_TRUE(lost.WriteString("S", "k", "v"));
  EXPECT_EQ(lost.ReadString("S", "k", "d"), "v");
  EXPECT_FALSE(lost.EndUpdate());
  EXPECT_EQ(lost.ReadString("S", "k", "d"), "d");
}

TEST_F(IniTest, LongSectionsFindTheFirstKeyOfAName) {
  std::string raw = "[Long]\n";
  for (int i = 0; i < 40; ++i) raw += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  raw += "K5=second\n\n[Next]\nx=1\n";
  WriteRaw(raw);
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("long", "K5", ""), "5");
  EXPECT_EQ(ini.ReadSection("Long").size(), 40u);
  ASSERT_TRUE(ini.WriteString("Long", "k39", "changed"));
  ASSERT_TRUE(ini.WriteString("Long", "k40", "new"));
  ASSERT_TRUE(ini.DeleteKey("Long", "k5"));  // both lines of the name
  EXPECT_FALSE(ini.ValueExists("Long", "k5"));
  EXPECT_EQ(ini.ReadString("Long", "k6", ""), "6");
  EXPECT_EQ(ini.ReadString("Long", "k39", ""), "changed");
  const std::string text = ReadRaw();
  EXPECT_NE(text.find("k38=38\r\nk39=changed\r\nk40=new\r\n\r\n[Next]"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("second"), std::string::npos);
  EXPECT_EQ(IniFile(path_).ReadSection("Long").size(), 40u);
}

TEST_F(IniTest, WriteFailsCleanlyWhenTheFolderIsMissing) {
  IniFile ini(dir_ + "/missing/find.dat");
  EXPECT_FALSE(ini.WriteString("S", "k", "v"));
  EXPECT_NE(LastError(), 0);
  EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
}

}  // namespace
