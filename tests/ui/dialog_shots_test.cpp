// Pictures of every dialog for the documentation.  Disabled in the normal run;
// scripts/screenshot-dialogs.sh runs it on a virtual X server:
//   TH_SHOT_DIR=docs th_ui_tests --gtest_also_run_disabled_tests --gtest_filter='DialogShots.*'
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <cstdlib>
#include <fstream>

#include "common/content_type.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/confirm_delete_dialog.h"
#include "ui/dialogs/confirm_overwrite_dialog.h"
#include "ui/dialogs/copy_to_folder_dialog.h"
#include "ui/dialogs/def_ext_name_dialog.h"
#include "ui/dialogs/property_dialog.h"
#include "ui/main/main_window.h"
#include "ui/main/shell_icons.h"
#include "ui_fixture.h"

namespace {

void Shoot(QDialog& dialog, const char* name) {
  const char* dir = std::getenv("TH_SHOT_DIR");
  ASSERT_NE(dir, nullptr);
  dialog.show();
  uitest::Pump(300);
  const QString file = QString::fromUtf8(dir) + QStringLiteral("/") + QString::fromLatin1(name);
  EXPECT_TRUE(dialog.grab().save(file, "PNG")) << name;
  dialog.hide();
}

TEST(DialogShots, DISABLED_EveryDialog) {
  uitest::App();
  ui::EnsureIconTheme();
  ui::SetApplicationTitle(QStringLiteral("Tollhaven for Netscape"));
  QApplication::setWindowIcon(ui::ProgramIcon());
  uitest::TempDir bodies;
  TWebCacheTree tree(uitest::MakeSampleSource(bodies.path()));
  tree.Refresh();
  TWebCacheTreeNode* docs = tree.FindNodeByUrl("http://www.example.com/docs/");
  TWebCacheTreeNode* api = tree.FindNodeByUrl("http://www.example.com/docs/api/");
  TWebCacheTreeNode* guide = uitest::FileBySource(docs, "http://www.example.com/docs/guide.html");
  TWebCacheTreeNode* logo = uitest::FileBySource(docs, "http://www.example.com/docs/logo.gif");
  ASSERT_TRUE(docs && api && guide && logo);

  ui::TfrmProperty one(nullptr, {guide});
  Shoot(one, "dialog-property-one.png");
  ui::TfrmProperty several(nullptr, {api, guide, logo});
  Shoot(several, "dialog-property-several.png");
  ui::TfrmConfirmDelete del(nullptr, {api});
  Shoot(del, "dialog-confirm-delete.png");
  ui::TfrmConfirmOverwrite over;
  const std::string existing = bodies.File("logo.gif");
  std::ofstream(existing, std::ios::binary) << std::string(1500, 'x');
  over.Prepare(*logo, existing);
  Shoot(over, "dialog-confirm-overwrite.png");
  ui::TfrmCopyToFolder copy;
  copy.edtFolderName()->setText(QStringLiteral("/home/taro/保存/"));
  Shoot(copy, "dialog-copy-to-folder.png");
  ui::TfrmAboutBox about;
  Shoot(about, "dialog-about.png");
  tree.LoadContentTypes();
  TContentType& types = tree.ContentTypes();
  ui::TfrmDefExtName ext;
  ext.ShowContentTypes(types);
  Shoot(ext, "dialog-default-extensions.png");
}

}  // namespace
