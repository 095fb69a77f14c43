// The help file and its viewer: topics, the keyword index and its search.
#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QListWidget>

#include "ui/main/help_viewer.h"
#include "ui_fixture.h"

namespace {

TEST(HelpTextTest, TopicsKeywordsAndComments) {
  const QString text = QStringLiteral(
      "## comment\n"
      "#TOPIC a 最初の項目\n"
      "#KEYWORDS 更新, F5\n"
      "body one\n"
      "#TOPIC b\n"            // no title: skipped
      "lost\n"
      "#TOPIC c 三番目\n"
      "#KEYWORDS late\n"      // keyword line right after the header only
      "text\n"
      "#KEYWORDS not keywords\n");
  const std::vector<ui::HelpTopic> topics = ui::ParseHelpText(text);
  ASSERT_EQ(topics.size(), 2u);
  EXPECT_EQ(topics[0].id, QStringLiteral("a"));
  EXPECT_EQ(topics[0].title, QStringLiteral("最初の項目"));
  EXPECT_EQ(topics[0].keywords, (QStringList{"更新", "F5"}));
  EXPECT_EQ(topics[0].body, QStringLiteral("body one"));
  EXPECT_EQ(topics[1].keywords, (QStringList{"late"}));
  EXPECT_TRUE(topics[1].body.contains(QStringLiteral("#KEYWORDS not keywords")));

  const auto found = ui::FindHelpKeywords(topics, QStringLiteral("f5"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].word, QStringLiteral("F5"));
  EXPECT_EQ(found[0].topics, (std::vector<int>{0}));
  // An empty search lists every word and title once.
  EXPECT_EQ(ui::FindHelpKeywords(topics, QString()).size(), 5u);
}

TEST(HelpViewerTest, ShippedHelpFileHasContentsAndIndex) {
  uitest::App();
  ui::THelpViewer viewer;
  const QString path = QStringLiteral(TH_SOURCE_DIR "/src/ui/main/tollhaven.hlp");
  ASSERT_TRUE(viewer.LoadFile(path));
  EXPECT_GE(viewer.Topics().size(), 6u);
  viewer.ShowContents();
  EXPECT_EQ(viewer.CurrentTopic(), 0);
  viewer.SearchEdit()->setText(QStringLiteral("起動時に更新"));
  ASSERT_GE(viewer.KeywordList()->count(), 1);
  viewer.KeywordList()->setCurrentRow(0);
  EXPECT_TRUE(viewer.Topics()[static_cast<std::size_t>(viewer.CurrentTopic())]
                  .keywords.contains(QStringLiteral("起動時に更新")));
  // Without the file beside the program the built-in copy is shown.
  ui::THelpViewer fallback;
  EXPECT_TRUE(fallback.LoadFile(QStringLiteral("/nonexistent/tollhaven.hlp")));
  EXPECT_EQ(fallback.Topics().size(), viewer.Topics().size());
}

}  // namespace
