#include "common/content_type.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"

namespace {

class TempDir {
 public:
  TempDir() : path_(platform::CreateUniqueFolder(platform::TempFolder(), "thct")) {}
  ~TempDir() { platform::DeleteTreeSilent(path_); }
  std::string File(const std::string& name) const { return platform::JoinPath(path_, name); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string p = File(name);
    EXPECT_TRUE(platform::AtomicWriteFile(p, bytes));
    return p;
  }

 private:
  std::string path_;
};

const TContentTypeItem* Find(const TContentType& t, const std::string& type) {
  int i = t.IndexOfType(type);
  return i >= 0 ? &t[static_cast<std::size_t>(i)] : nullptr;
}

TEST(ContentTypeTable, AddTypeKeepsOrderAndIndexOfTypeGivesInsertionPoint) {
  TContentType t;
  EXPECT_EQ(t.IndexOfType("text/html"), -1);
  t.AddType("text/plain", ".txt");
  t.AddType("image/gif", ".gif");
  t.AddType("text/html", ".html");
  ASSERT_EQ(t.Count(), 3u);
  EXPECT_EQ(t[0].Name, "image/gif");
  EXPECT_EQ(t[1].Name, "text/html");
  EXPECT_EQ(t[2].Name, "text/plain");
  // Absent types give the complement of where they would go.
  EXPECT_EQ(t.IndexOfType("application/pdf"), -1);
  EXPECT_EQ(t.IndexOfType("image/jpeg"), -2);
  EXPECT_EQ(t.IndexOfType("video/mpeg"), -4);
  // Adding to an existing type keeps the count and makes the new extension default.
  EXPECT_EQ(t.AddType("text/html", ".htm"), 1);
  EXPECT_EQ(t.Count(), 3u);
  EXPECT_EQ(t[1].Extension, ".htm");
  EXPECT_EQ(t[1].Extensions, (std::vector<std::string>{".html", ".htm"}));
}

TEST(ContentTypeTable, SetExtensionIgnoresCaseForTheListButNotForTheDefault) {
  TContentTypeItem item;
  item.SetExtension(".html");
  item.SetExtension(".HTML");
  EXPECT_EQ(item.Extension, ".HTML");
  EXPECT_EQ(item.Extensions, std::vector<std::string>{".html"});
  EXPECT_TRUE(item.HasExtension(".Html"));
  EXPECT_FALSE(item.HasExtension(".htm"));
  // An empty default (from a saved file) is not listed as an alternative.
  item.SetExtension("");
  EXPECT_EQ(item.Extension, "");
  EXPECT_EQ(item.Extensions.size(), 1u);
}

TEST(ContentTypeTable, RegistryExtensionKeysThenMimeDatabaseDecide) {
  TempDir dir;
  std::string reg = dir.Write("types.reg",
                              "REGEDIT4\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\.htm]\r\n\"Content Type\"=\"text/html\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\.html]\r\n\"Content Type\"=\"text/html\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\.jpg]\r\n\"Content Type\"=\"image/jpeg\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\.jpeg]\r\n\"Content Type\"=\"image/jpeg\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\.bad]\r\n\"Content Type\"=\"\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\txtfile]\r\n\"Content Type\"=\"text/plain\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\image/jpeg]\r\n"
                              "\"Extension\"=\".jpe\"\r\n\r\n"
                              "[HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\audio/wav]\r\n"
                              "\"Extension\"=\".wav\"\r\n\r\n");
  platform::Registry r;
  ASSERT_TRUE(r.LoadRegFile(platform::HostPath(reg)));
  TContentType t;
  t.AddType("stale/type", ".x");  // loading starts from an empty table
  EXPECT_EQ(t.LoadFromRegistry(r, dir.File("no-such-mime.types")), 3u);
  EXPECT_LT(t.IndexOfType("stale/type"), 0);
  EXPECT_LT(t.IndexOfType("text/plain"), 0) << "only keys that start with '.' count";

  const TContentTypeItem* html = Find(t, "text/html");
  ASSERT_NE(html, nullptr);
  EXPECT_EQ(html->Extensions.size(), 2u);
  // The key the registry lists later names the default.
  std::string later;
  for (const std::string& k : r.SubKeys(platform::RootKey::ClassesRoot, "")) {
    if (k == ".htm" || k == ".html") later = k;
  }
  EXPECT_EQ(html->Extension, later);

  const TContentTypeItem* jpeg = Find(t, "image/jpeg");
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->Extension, ".jpe") << "the MIME database overrides the extension keys";
  EXPECT_EQ(jpeg->Extensions.size(), 3u);
  const TContentTypeItem* wav = Find(t, "audio/wav");
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(wav->Extension, ".wav");
}

TEST(ContentTypeTable, MimeTypesFileWhenTheRegistryHasNoTypes) {
  TempDir dir;
  std::string mime = dir.Write("mime.types",
                               "# comment line\n"
                               "text/html\t\t\t\thtml htm shtml\n"
                               "image/gif gif\n"
                               "application/x-empty\n"
                               "image/jpeg jpeg jpg jpe # trailing comment\r\n"
                               "text/html xhtm\n"
                               "bad/ext a/b ok\n");
  platform::Registry empty;
  TContentType t;
  EXPECT_EQ(t.LoadFromRegistry(empty, mime), 4u);
  const TContentTypeItem* html = Find(t, "text/html");
  ASSERT_NE(html, nullptr);
  EXPECT_EQ(html->Extension, ".html");
  EXPECT_EQ(html->Extensions, (std::vector<std::string>{".html", ".htm", ".shtml", ".xhtm"}));
  const TContentTypeItem* jpeg = Find(t, "image/jpeg");
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->Extension, ".jpg") << "the name users expect, though mime.types lists jpeg first";
  EXPECT_EQ(jpeg->Extensions.size(), 3u);
  EXPECT_LT(t.IndexOfType("application/x-empty"), 0);
  const TContentTypeItem* bad = Find(t, "bad/ext");
  ASSERT_NE(bad, nullptr);
  EXPECT_EQ(bad->Extension, ".ok") << "an extension with a separator is skipped";
}

TEST(ContentTypeTable, SystemMimeTypesGivesTheCommonWebTypes) {
  if (!platform::FileExists("/etc/mime.types")) GTEST_SKIP() << "no /etc/mime.types";
  platform::Registry empty;
  TContentType t;
  t.LoadFromRegistry(empty);
  const TContentTypeItem* gif = Find(t, "image/gif");
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->Extension, ".gif");
  const TContentTypeItem* html = Find(t, "text/html");
  ASSERT_NE(html, nullptr);
  EXPECT_TRUE(html->HasExtension(".htm"));
}

TEST(ContentTypeFile, SaveAndLoadReproduceEveryDefault) {
  TempDir dir;
  TContentType t;
  t.AddType("text/html", ".htm");
  t.AddType("text/html", ".html");
  t.AddType("image/gif", ".gif");
  t.AddType("application/x-blank", "");
  std::string path = dir.File("contentType.dat");
  ASSERT_TRUE(t.SaveToFile(path));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "application/x-blank\t\r\nimage/gif\t.gif\r\ntext/html\t.html\r\n");

  TContentType back;
  back.AddType("text/html", ".shtml");
  ASSERT_TRUE(back.LoadFromFile(path));
  ASSERT_EQ(back.Count(), 3u);
  EXPECT_EQ(Find(back, "text/html")->Extension, ".html");
  // The alternative .htm came only from the first table and is not stored.
  EXPECT_FALSE(Find(back, "text/html")->HasExtension(".htm"));
  EXPECT_TRUE(Find(back, "text/html")->HasExtension(".shtml"));
  EXPECT_EQ(Find(back, "application/x-blank")->Extension, "");
  EXPECT_EQ(back.SaveToText(), bytes);
}

TEST(ContentTypeFile, MalformedLinesEndTheReadingButKeepWhatCameBefore) {
  struct Case {
    const char* text;
    std::size_t applied;
  } cases[] = {
      {"a/b\t.x\r\nc/d\t.y", 1},            // last line without CR LF is ignored
      {"a/b\t.x\r\nc/d\t.y\rc/e\t.z\r\n", 1},  // a lone CR ends the reading
      {"a/b\t.x\r\nno tab here\r\nc/d\t.y\r\n", 1},
      {"a/b\t.x\nc/d\t.y\r\n", 0},           // a bare LF inside a line
      {"\t.x\r\nc/d\t.y\r\n", 1},            // an empty type is skipped, not applied
      {"c/d\t../../x\r\ne/f\t.ok\r\n", 1},   // an unusable extension is skipped
      {"", 0},
  };
  for (const Case& c : cases) {
    TContentType t;
    EXPECT_EQ(t.LoadFromText(c.text), c.applied) << c.text;
  }
  TContentType t;
  t.LoadFromText("a/b\t.x\r\nno tab here\r\nc/d\t.y\r\n");
  EXPECT_GE(t.IndexOfType("a/b"), 0);
  EXPECT_LT(t.IndexOfType("c/d"), 0);
  EXPECT_LT(t.IndexOfType("no tab here\r\nc/d"), 0);
}

TEST(ContentTypeFile, MissingFileLeavesTheTable) {
  TContentType t;
  t.AddType("image/png", ".png");
  EXPECT_FALSE(t.LoadFromFile("/nonexistent/dir/contentType.dat"));
  EXPECT_FALSE(t.LoadFromFile(""));
  EXPECT_EQ(t.Count(), 1u);
  EXPECT_FALSE(t.SaveToFile("/nonexistent/dir/contentType.dat"));
}

TEST(ContentTypeFile, FieldsWithLineBreaksAreNotWritten) {
  TContentType t;
  t.AddType("text/html", ".html");
  t.AddType("evil\r\ninjected", ".x");
  EXPECT_EQ(t.SaveToText(), "text/html\t.html\r\n");
}

TEST(ContentTypeExtensions, UsableExtensions) {
  EXPECT_TRUE(IsUsableExtension(".html"));
  EXPECT_TRUE(IsUsableExtension(".tar.gz"));
  EXPECT_TRUE(IsUsableExtension(".\x95\x5c"));  // a kanji whose trail byte is 0x5C
  EXPECT_FALSE(IsUsableExtension("html"));
  EXPECT_FALSE(IsUsableExtension("."));
  EXPECT_FALSE(IsUsableExtension(".."));
  EXPECT_FALSE(IsUsableExtension("./x"));
  EXPECT_FALSE(IsUsableExtension(".a\\b"));
  EXPECT_FALSE(IsUsableExtension(".a:b"));
  EXPECT_FALSE(IsUsableExtension(std::string(".a\0b", 4)));
}

}  // namespace
