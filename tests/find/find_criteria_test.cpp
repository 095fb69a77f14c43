// The checks that turn the window's (or the command line's) inputs into criteria.
#include "find/find_criteria.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/codepage.h"
#include "support/memory_source.h"
#include "tree/web_cache_tree.h"

namespace {

class CriteriaTest : public ::testing::Test {
 protected:
  CriteriaTest() : cache(std::make_shared<thtest::MemoryCache>()) {
    cache->records.push_back(thtest::Rec("http://h/dir/a.html", "text/html"));
    tree = std::make_unique<TWebCacheTree>(std::make_unique<thtest::MemorySource>(cache));
    tree->Refresh();
  }
  std::shared_ptr<thtest::MemoryCache> cache;
  std::unique_ptr<TWebCacheTree> tree;
};

TEST_F(CriteriaTest, TextsAreTrimmedAndFolded) {
  TFindInputs in;
  in.FileName = "  Index;*.GIF;;x;  ";
  in.Contains = "  Hello " + platform::Utf8ToAnsi("ア") + "  ";
  in.Folder = " Web Cache ";
  TFindCriteriaResult r = BuildFindCriteria(in, *tree);
  ASSERT_TRUE(r.Data);
  EXPECT_EQ(r.FileName, "Index;*.GIF;;x;");
  EXPECT_EQ(r.Folder, "Web Cache");
  EXPECT_EQ(r.Data->StartNode, tree->Root());
  EXPECT_EQ(r.Data->Names, (std::vector<std::string>{"", "*.gif", "index", "x"}))
      << "sorted, lower-cased, the empty piece kept, nothing after the final ';'";
  EXPECT_TRUE(r.Data->IgnoreCase);
  // The trail byte of ア (0x41) is not lower-cased.
  EXPECT_EQ(r.Data->Contains, "hello " + platform::Utf8ToAnsi("ア"));

  in.MatchCase = true;
  in.FileName = "a;a";
  r = BuildFindCriteria(in, *tree);
  ASSERT_TRUE(r.Data);
  EXPECT_FALSE(r.Data->IgnoreCase);
  EXPECT_EQ(r.Data->Contains, "Hello " + platform::Utf8ToAnsi("ア"));
  EXPECT_EQ(r.Data->Names, (std::vector<std::string>{"a"})) << "duplicates ignored";

  in.Folder = "http://h/dir/a.html";
  r = BuildFindCriteria(in, *tree);
  ASSERT_TRUE(r.Data);
  EXPECT_EQ(r.Data->StartNode, tree->FindFolderByUrl("http://h/dir/"))
      << "a file URL starts at its folder";
}

TEST_F(CriteriaTest, ErrorsInTheWindowsOrder) {
  TFindInputs in;
  in.Folder = "http://nowhere/";
  in.Types = {{".gif", false}, {".html", false}};
  in.SizeMode = TFindSizeMode::AtMost;  // empty value, but checked only without errors
  TFindCriteriaResult r = BuildFindCriteria(in, *tree);
  EXPECT_FALSE(r.Data);
  ASSERT_EQ(r.Errors.size(), 2u);
  EXPECT_EQ(r.Errors[0].Message, platform::Utf8ToAnsi("探す場所が存在しません。"));
  EXPECT_EQ(r.Errors[0].Page, TFindPage::NameAndPlace);
  EXPECT_EQ(r.Errors[1].Message, platform::Utf8ToAnsi("種類が選択されていません。"));
  EXPECT_EQ(r.Errors[1].Page, TFindPage::Types);
  EXPECT_EQ(FindPageCaption(r.Errors[1].Page), platform::Utf8ToAnsi("種類"));
  EXPECT_EQ(FindErrorCaption(), platform::Utf8ToAnsi("検索開始エラー"));

  in.Folder = "Web Cache";
  in.Types.clear();
  for (auto mode : {TFindSizeMode::AtMost, TFindSizeMode::AtLeast, TFindSizeMode::Between}) {
    in.SizeMode = mode;
    in.SizeBegin = mode == TFindSizeMode::Between ? "10" : "";
    in.SizeEnd = "";
    r = BuildFindCriteria(in, *tree);
    ASSERT_EQ(r.Errors.size(), 1u);
    EXPECT_EQ(r.Errors[0].Message, platform::Utf8ToAnsi("サイズが入力されていません。"));
    EXPECT_EQ(r.Errors[0].Page, TFindPage::Size);
    EXPECT_EQ(FindPageCaption(TFindPage::Size), platform::Utf8ToAnsi("サイズ"));
  }
  in.SizeMode = TFindSizeMode::Between;
  in.SizeBegin = "0";
  in.SizeEnd = "4194304";  // 4 GiB: more than 32 bits of bytes
  r = BuildFindCriteria(in, *tree);
  ASSERT_TRUE(r.Data);
  EXPECT_EQ(r.Data->SizeMin, 0u);
  EXPECT_EQ(r.Data->SizeMax, 0xFFFFFFFFu);
  in.SizeBegin = "12x";
  r = BuildFindCriteria(in, *tree);
  EXPECT_EQ(r.Errors.size(), 1u) << "text that is not a number is no value";
}

}  // namespace
