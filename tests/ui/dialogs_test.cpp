// The small dialogs: their texts and the results of their buttons, the properties
// of single nodes and of mixed selections, the default-extension dialog on a live
// table, and the overwrite question answered through a real copy.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>
#include <functional>

#include "common/content_type.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/confirm_delete_dialog.h"
#include "ui/dialogs/confirm_overwrite_dialog.h"
#include "ui/dialogs/copy_to_folder_dialog.h"
#include "ui/dialogs/def_ext_name_dialog.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dialogs/property_dialog.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"
#include "ui_fixture.h"

namespace {

// Runs `act` on the dialog once its modal loop has started.
void WhenShown(QDialog& dialog, std::function<void()> act) {
  QTimer::singleShot(0, &dialog, [act = std::move(act)] { act(); });
}

void PressEscape(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::App(); }

  // A tree over the sample site, names given.
  std::unique_ptr<TWebCacheTree> SampleTree() {
    auto tree = std::make_unique<TWebCacheTree>(uitest::MakeSampleSource(bodies_.path()));
    tree->Refresh();
    return tree;
  }
  uitest::TempDir bodies_;
};

TEST_F(DialogsTest, AboutBoxShowsTheBuildVersionAndTheTitle) {
  struct Case {
    const char* version;
    const char* label;
  } const cases[] = {{"1.2.3", "Version 1.2.3"},   {"1.2.3.4", "Version 1.2.3"},
                     {"01.20.300", "Version 1.20.300"}, {"", "(未定義)"},
                     {"1.2", "(未定義)"},          {"1.x.3", "(未定義)"}};
  for (const Case& c : cases)
    EXPECT_EQ(ui::VersionLabelText(QString::fromUtf8(c.version)), QString::fromUtf8(c.label))
        << c.version;

  ASSERT_FALSE(ui::BuildVersion().isEmpty());
  ui::TfrmAboutBox box;
  EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
  EXPECT_EQ(box.Version()->text(), ui::VersionLabelText(ui::BuildVersion()));
  EXPECT_TRUE(box.Version()->text().startsWith(QStringLiteral("Version ")));
  WhenShown(box, [&box] { PressEscape(&box); });
  EXPECT_EQ(box.exec(), 1);  // OK is default and cancel
  EXPECT_EQ(box.ProductName()->text(), ui::ApplicationTitle());
}

TEST_F(DialogsTest, ConfirmDeleteTextsAndAnswers) {
  auto tree = SampleTree();
  TWebCacheTreeNode* docs = tree->FindNodeByUrl("http://www.example.com/docs/");
  TWebCacheTreeNode* api = tree->FindNodeByUrl("http://www.example.com/docs/api/");
  TWebCacheTreeNode* guide = uitest::FileBySource(docs, "http://www.example.com/docs/guide.html");
  ASSERT_TRUE(docs && api && guide);

  struct Case {
    std::vector<TWebCacheTreeNode*> nodes;
    const char* caption;
    const char* message;
  } const cases[] = {
      {{api}, "フォルダの削除の確認",
       "フォルダ 'api' とフォルダ内のすべてのファイルを削除してもよろしいですか？"},
      {{guide}, "ファイルの削除の確認", "'guide.html' を削除してもよろしいですか？"},
      // Two folders among three: still the several-files message with 3.
      {{docs, api, guide}, "複数ファイルの削除の確認",
       "これらの 3 個のファイルを削除してもよろしいですか？"},
  };
  for (const Case& c : cases) {
    ui::TfrmConfirmDelete dialog(nullptr, c.nodes);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.caption));
    EXPECT_EQ(dialog.Message()->text(), QString::fromUtf8(c.message));
  }

  ui::TfrmConfirmDelete dialog(nullptr, {guide});
  WhenShown(dialog, [&] { dialog.YesButton()->click(); });
  EXPECT_EQ(dialog.exec(), 6);
  WhenShown(dialog, [&] { dialog.NoButton()->click(); });
  EXPECT_EQ(dialog.exec(), 7);
  WhenShown(dialog, [&] { PressEscape(&dialog); });
  EXPECT_EQ(dialog.exec(), 7);
  WhenShown(dialog, [&] { dialog.close(); });
  EXPECT_EQ(dialog.exec(), 2);
}

TEST_F(DialogsTest, CopyToFolderKeepsOneTrailingSeparator) {
  struct Case {
    const char* picked;
    const char* edit;
  } const cases[] = {{"/home/taro/out", "/home/taro/out/"},
                     {"/home/taro/out/", "/home/taro/out/"},
                     {"/", "/"},
                     {"/mnt/日本語", "/mnt/日本語/"}};
  ui::TfrmCopyToFolder dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダを指定してコピー"));
  QString seenTitle, seenStart;
  QString answer;
  dialog.SetBrowse([&](QWidget*, const QString& title, const QString& start) {
    seenTitle = title;
    seenStart = start;
    return answer;
  });
  for (const Case& c : cases) {
    answer = QString::fromUtf8(c.picked);
    dialog.btnBrowseClick();
    EXPECT_EQ(dialog.edtFolderName()->text(), QString::fromUtf8(c.edit)) << c.picked;
  }
  EXPECT_EQ(seenTitle, QStringLiteral("コピー先フォルダを選択してください"));
  // The chooser starts at the edit's folder without its separator.
  dialog.edtFolderName()->setText(QStringLiteral("/srv/copy/"));
  answer.clear();
  dialog.btnBrowseClick();
  EXPECT_EQ(seenStart, QStringLiteral("/srv/copy"));
  EXPECT_EQ(dialog.edtFolderName()->text(), QStringLiteral("/srv/copy/"));  // cancelled
  EXPECT_EQ(dialog.FolderName(), "/srv/copy/");

  WhenShown(dialog, [&] {
    EXPECT_TRUE(dialog.edtFolderName()->hasSelectedText());
    dialog.CopyButton()->click();
  });
  EXPECT_EQ(dialog.exec(), 1);
  WhenShown(dialog, [&] { dialog.CancelButton()->click(); });
  EXPECT_EQ(dialog.exec(), 2);
  WhenShown(dialog, [&] { PressEscape(&dialog); });
  EXPECT_EQ(dialog.exec(), 2);
  EXPECT_EQ(dialog.edtFolderName()->text(), QStringLiteral("/srv/copy/"));  // kept between uses
}

TEST_F(DialogsTest, OverwriteDialogButtonsAndLabels) {
  auto tree = SampleTree();
  TWebCacheTreeNode* docs = tree->FindNodeByUrl("http://www.example.com/docs/");
  TWebCacheTreeNode* logo = uitest::FileBySource(docs, "http://www.example.com/docs/logo.gif");
  ASSERT_NE(logo, nullptr);
  uitest::TempDir dest;
  const std::string existing = dest.File("logo.gif");
  std::ofstream(existing, std::ios::binary) << std::string(1500, 'x');
  // 2001-02-03 04:05:06 local time (Tokyo).
  ASSERT_TRUE(platform::SetFileLastWriteTime(existing, platform::UnixSecondsToFileTime(981140706)));

  ui::TfrmConfirmOverwrite dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ファイルの上書きの確認"));
  dialog.Prepare(*logo, existing);
  EXPECT_EQ(dialog.Title()->text(),
            QStringLiteral("このフォルダには既に 'logo.gif' ファイルが存在します。"));
  EXPECT_EQ(dialog.ExistingSize()->text(), QStringLiteral("1.46KB"));
  EXPECT_EQ(dialog.ExistingTime()->text(), QStringLiteral("2001年2月3日 4:05:06"));
  EXPECT_EQ(dialog.NewSize()->text(), QStringLiteral("2.00KB"));
  EXPECT_EQ(dialog.NewTime()->text(), QStringLiteral("2001年1月3日 9:00:00"));

  // A file that cannot be opened (here a folder of that name) shows no size or time.
  const std::string locked = dest.File("locked.gif");
  ASSERT_TRUE(platform::CreateOneFolder(locked));
  dialog.Prepare(*logo, locked);
  EXPECT_EQ(dialog.ExistingSize()->text(), QString());
  EXPECT_EQ(dialog.ExistingTime()->text(), QString());
  EXPECT_EQ(dialog.NewSize()->text(), QStringLiteral("2.00KB"));

  struct Case {
    int result;
    const char* caption;
  } const cases[] = {{6, "はい(&Y)"},   {10, "すべて上書き(&A)"}, {7, "いいえ(&N)"},
                     {2, "キャンセル(&C)"}, {-1, "新しい日付のファイルをすべて上書き"},
                     {9, "すべていいえ"}};
  for (const Case& c : cases) {
    QPushButton* b = dialog.ButtonFor(c.result);
    ASSERT_NE(b, nullptr) << c.result;
    EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
    WhenShown(dialog, [b] { b->click(); });
    EXPECT_EQ(dialog.exec(), c.result);
  }
  WhenShown(dialog, [&] { PressEscape(&dialog); });
  EXPECT_EQ(dialog.exec(), 2);
}

// Messages and progress of a copy, recorded.
struct Recorder : TCopyCallbacks {
  int AskOverwrite(const TWebCacheTreeNode&, const std::string&) override { return 2; }
  void ShowError(const std::string& text, const std::string&) override { errors.push_back(text); }
  std::vector<std::string> errors;
};

TEST_F(DialogsTest, OverwriteAnswersThroughARealCopy) {
  auto tree = SampleTree();
  TWebCacheTreeNode* api = tree->FindNodeByUrl("http://www.example.com/docs/api/");
  ASSERT_NE(api, nullptr);
  uitest::TempDir dest;
  const std::string base = "http://www.example.com/docs/";
  const std::string index = dest.File("api/index.txt");
  const std::string part = dest.File("api/ref/part.html");

  auto copy = [&](QPushButton* (*pick)(ui::TfrmConfirmOverwrite&), int& asked) {
    TWebCacheTreeNodeCopyList list;
    CollectFiles(api, list);
    ui::TfrmConfirmOverwrite dialog;
    Recorder rest;
    ui::TOverwriteQuestion question(dialog, rest);
    asked = 0;
    std::function<void()> answer = [&] {
      if (!dialog.isVisible()) return;
      ++asked;
      pick(dialog)->click();
    };
    // Answer every question that comes up while the copy runs.
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, answer);
    timer.start(5);
    int overwrite = kOverwriteYes;
    const bool ok = CopyNodes(dest.path() + "/", base, overwrite, kCopyMethodBelowUrl,
                              kFolderCreationBelowUrl, list, question);
    EXPECT_TRUE(rest.errors.empty());
    return ok;
  };
  int asked = 0;
  ASSERT_TRUE(copy([](ui::TfrmConfirmOverwrite& d) { return d.ButtonFor(6); }, asked));
  EXPECT_EQ(asked, 0);  // nothing existed yet
  EXPECT_EQ(uitest::ReadFile(index), "api");

  std::ofstream(index, std::ios::binary) << "mine";
  std::ofstream(part, std::ios::binary) << "mine too";
  // "すべていいえ": asked once, nothing overwritten.
  ASSERT_TRUE(copy([](ui::TfrmConfirmOverwrite& d) { return d.ButtonFor(9); }, asked));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(uitest::ReadFile(index), "mine");
  EXPECT_EQ(uitest::ReadFile(part), "mine too");
  // "キャンセル(&C)": the run stops at the first question.
  EXPECT_FALSE(copy([](ui::TfrmConfirmOverwrite& d) { return d.ButtonFor(2); }, asked));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(uitest::ReadFile(index), "mine");
  // "すべて上書き(&A)": asked once, both written.
  ASSERT_TRUE(copy([](ui::TfrmConfirmOverwrite& d) { return d.ButtonFor(10); }, asked));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(uitest::ReadFile(index), "api");
  EXPECT_NE(uitest::ReadFile(part).find("Reference"), std::string::npos);
  // "いいえ(&N)" for each: asked twice, nothing written.
  std::ofstream(index, std::ios::binary) << "mine";
  ASSERT_TRUE(copy([](ui::TfrmConfirmOverwrite& d) { return d.ButtonFor(7); }, asked));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(uitest::ReadFile(index), "mine");
}

// Bodies with the extensions given, so that "same kind" can be told apart.
std::unique_ptr<uitest::TMemoryCacheSource> KindsSource(const std::string& folder) {
  auto source = std::make_unique<uitest::TMemoryCacheSource>(folder);
  auto add = [&](const std::string& url, const char* type, const std::string& file,
                 std::size_t size) {
    const std::string path = folder + "/" + file;
    std::ofstream(path, std::ios::binary) << std::string(size, 'b');
    source->Add({url, type, std::string(size, 'b'), 978307200, path});
  };
  add("http://h.example.jp/img/a.gif", "image/gif", "M1.gif", 1000);
  add("http://h.example.jp/img/b.gif", "image/gif", "M2.gif", 2000);
  add("http://h.example.jp/img/c.gif", "image/gif", "M3.GIF", 3000);
  add("http://h.example.jp/img/d.png", "image/png", "M4.png", 4000);
  add("http://h.example.jp/img/sub/e.gif", "image/gif", "M5.gif", 5000);
  add("http://h.example.jp/top.gif", "image/gif", "M6.gif", 100);
  return source;
}

TEST_F(DialogsTest, PropertiesOfOneNode) {
  auto tree = std::make_unique<TWebCacheTree>(KindsSource(bodies_.path()));
  tree->Refresh();
  TWebCacheTreeNode* img = tree->FindNodeByUrl("http://h.example.jp/img/");
  TWebCacheTreeNode* png = uitest::FileBySource(img, "http://h.example.jp/img/d.png");
  ASSERT_TRUE(img && png);

  ui::TPropertyTexts t = ui::DescribeNodes({png});
  EXPECT_EQ(t.Caption, QStringLiteral("d.pngのプロパティ"));
  EXPECT_EQ(t.Name, QStringLiteral("d.png"));
  EXPECT_EQ(t.Location, QStringLiteral("http://h.example.jp/img/"));
  EXPECT_EQ(t.Size, QStringLiteral("3.91KB (4,000 バイト)"));
  EXPECT_EQ(t.CacheName, QStringLiteral("M4.png"));
  EXPECT_EQ(t.Address, QStringLiteral("http://h.example.jp/img/d.png"));
  EXPECT_EQ(t.Modified, QStringLiteral("2001年1月1日 9:00:00"));
  EXPECT_EQ(t.Header, QStringLiteral("Content-Type: image/png"));
  EXPECT_TRUE(t.Single);
  EXPECT_FALSE(t.Icon.isNull());

  // A folder: its total, the folder type; the root's children sit in "Web Cache".
  t = ui::DescribeNodes({img});
  EXPECT_EQ(t.Size, QStringLiteral("14.6KB (15,000 バイト)"));
  EXPECT_EQ(t.Location, QStringLiteral("http://h.example.jp/"));
  EXPECT_FALSE(t.TypeName.isEmpty());
  const QString folderType = t.TypeName;
  EXPECT_EQ(ui::DescribeNodes({tree->Root()->Items(0)}).Location, QStringLiteral("Web Cache"));
  t = ui::DescribeNodes({tree->Root()});
  EXPECT_EQ(t.Location, QString());
  EXPECT_EQ(t.TypeName, folderType);  // the root keeps the folder's type name
  EXPECT_EQ(t.Caption, QStringLiteral("Web Cacheのプロパティ"));

  ui::TfrmProperty dialog(nullptr, {png});
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("d.pngのプロパティ"));
  EXPECT_EQ(dialog.SizeLabel()->text(), QStringLiteral("3.91KB (4,000 バイト)"));
  EXPECT_TRUE(dialog.LowerPanel()->isVisible());
  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogsTest, PropertiesOfMixedSelections) {
  auto tree = std::make_unique<TWebCacheTree>(KindsSource(bodies_.path()));
  tree->Refresh();
  TWebCacheTreeNode* host = tree->FindNodeByUrl("http://h.example.jp/");
  TWebCacheTreeNode* img = tree->FindNodeByUrl("http://h.example.jp/img/");
  TWebCacheTreeNode* sub = tree->FindNodeByUrl("http://h.example.jp/img/sub/");
  ASSERT_TRUE(host && img && sub);
  auto file = [&](TWebCacheTreeNode* folder, const char* url) {
    return uitest::FileBySource(folder, url);
  };
  TWebCacheTreeNode* a = file(img, "http://h.example.jp/img/a.gif");
  TWebCacheTreeNode* b = file(img, "http://h.example.jp/img/b.gif");
  TWebCacheTreeNode* c = file(img, "http://h.example.jp/img/c.gif");
  TWebCacheTreeNode* d = file(img, "http://h.example.jp/img/d.png");
  TWebCacheTreeNode* e = file(sub, "http://h.example.jp/img/sub/e.gif");
  TWebCacheTreeNode* top = file(host, "http://h.example.jp/top.gif");
  ASSERT_TRUE(a && b && c && d && e && top);

  struct Case {
    std::vector<TWebCacheTreeNode*> nodes;
    const char* name;
    const char* location;
    bool sameKind;
    const char* size;
  } const cases[] = {
      // One folder and one file in the same folder.
      {{sub, a}, "ファイル数: 1、フォルダ数: 1", "すべて http://h.example.jp/img/", false,
       "5.86KB (6,000 バイト)"},
      // .gif twice and .GIF once: one kind.
      {{a, b, c}, "ファイル数: 3、フォルダ数: 0", "すべて http://h.example.jp/img/", true,
       "5.86KB (6,000 バイト)"},
      {{a, d}, "ファイル数: 2、フォルダ数: 0", "すべて http://h.example.jp/img/", false,
       "4.88KB (5,000 バイト)"},
      {{a, e}, "ファイル数: 2、フォルダ数: 0", "複数のフォルダ", true, "5.86KB (6,000 バイト)"},
      // Two folders: the same kind; img sits in the host, sub in img.
      {{img, sub}, "ファイル数: 0、フォルダ数: 2", "複数のフォルダ", true,
       "19.5KB (20,000 バイト)"},
      {{img, top}, "ファイル数: 1、フォルダ数: 1", "すべて http://h.example.jp/", false,
       "14.7KB (15,100 バイト)"},
  };
  for (const Case& k : cases) {
    const ui::TPropertyTexts t = ui::DescribeNodes(k.nodes);
    const std::string name = k.name;
    EXPECT_EQ(t.Name, QString::fromUtf8(k.name)) << name;
    EXPECT_EQ(t.Location, QString::fromUtf8(k.location)) << name;
    EXPECT_EQ(t.Size, QString::fromUtf8(k.size)) << name;
    EXPECT_FALSE(t.Single);
    EXPECT_EQ(t.Caption, ui::ToQ(k.nodes.front()->GetDisplayName()) +
                             QStringLiteral(", ...のプロパティ"));
    if (k.sameKind) {
      EXPECT_TRUE(t.TypeName.startsWith(QStringLiteral("すべて "))) << name;
      EXPECT_FALSE(t.Icon.isNull()) << name;
    } else {
      EXPECT_EQ(t.TypeName, QStringLiteral("複数の種類")) << name;
      EXPECT_TRUE(t.Icon.isNull()) << name;
    }
  }
  ui::TfrmProperty dialog(nullptr, {a, d});
  dialog.show();
  EXPECT_FALSE(dialog.LowerPanel()->isVisible());
  EXPECT_EQ(dialog.TypeLabel()->text(), QStringLiteral("複数の種類"));
  EXPECT_EQ(dialog.IconImage()->pixmap().isNull(), true);
}

TEST_F(DialogsTest, DefaultExtensionsChangeTheLiveTable) {
  TContentType table;
  table.AddType("text/html", ".htm");
  table.AddType("text/html", ".html");
  table.AddType("image/gif", ".gif");
  table.AddType("application/zip", ".zip");
  ui::TfrmDefExtName dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("デフォルト拡張子設定"));
  dialog.ShowContentTypes(table);
  QTreeWidget* rows = dialog.lvwContentType();
  ASSERT_EQ(rows->topLevelItemCount(), 3);
  EXPECT_EQ(rows->topLevelItem(0)->text(0), QStringLiteral("application/zip"));
  EXPECT_EQ(rows->topLevelItem(2)->text(0), QStringLiteral("text/html"));
  EXPECT_EQ(rows->topLevelItem(2)->text(1), QStringLiteral(".html"));
  EXPECT_TRUE(ui::TfrmDefExtName::HasAlternativesMarker(rows->topLevelItem(2)));
  EXPECT_FALSE(ui::TfrmDefExtName::HasAlternativesMarker(rows->topLevelItem(1)));

  std::vector<std::pair<QString, QString>> messages;
  auto old = ui::SetMessageHook([&](const QString& text, const QString& caption,
                                    QMessageBox::Icon) { messages.emplace_back(text, caption); });
  QComboBox* ext = dialog.cbxExtName();
  int result = -5;
  WhenShown(dialog, [&] {
    // The first row is selected when the dialog opens.
    EXPECT_EQ(rows->currentItem(), rows->topLevelItem(0));
    EXPECT_TRUE(ext->isEnabled());
    rows->setCurrentItem(rows->topLevelItem(2));
    EXPECT_EQ(ext->count(), 2);
    EXPECT_EQ(ext->currentText(), QStringLiteral(".html"));
    // The same extension changes nothing.
    dialog.btnChangeClick();
    EXPECT_FALSE(dialog.Modified());
    // Without the dot: refused with the message.
    ext->setEditText(QStringLiteral("htm"));
    dialog.btnChangeClick();
    ext->setEditText(QString());
    dialog.btnChangeClick();
    EXPECT_EQ(table[static_cast<std::size_t>(table.IndexOfType("text/html"))].Extension, ".html");
    EXPECT_FALSE(dialog.Modified());
    // .HTML for a type that knows .html: the default changes, no second entry.
    ext->setEditText(QStringLiteral(".HTML"));
    dialog.btnChangeClick();
    dialog.btnClose()->click();
  });
  result = dialog.exec();
  ui::SetMessageHook(old);
  const TContentTypeItem& html = table[static_cast<std::size_t>(table.IndexOfType("text/html"))];
  EXPECT_EQ(html.Extension, ".HTML");
  EXPECT_EQ(html.Extensions.size(), 2u);
  EXPECT_EQ(rows->topLevelItem(2)->text(1), QStringLiteral(".HTML"));
  EXPECT_EQ(result, QDialog::Accepted);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].first, QStringLiteral("拡張子の最初の文字は、'.' でなければなりません。"));
  EXPECT_EQ(messages[0].second, QStringLiteral("拡張子チェック"));

  // Opened again and closed without a change: cancel, so no refresh follows.
  WhenShown(dialog, [&] { dialog.btnClose()->click(); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

}  // namespace
