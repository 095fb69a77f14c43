// th_dragdrop_e2e: the window's drag and clipboard on a real X server (run by
// tests/scripts/dragdrop_xvfb.sh under Xvfb).  The window runs in this process; the
// mouse is driven with xdotool, the drop lands in th_drop_area (a process of its own)
// and the clipboard is read by xclip, so every byte crosses the X server as it does
// between the program and a file manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <set>

#include "cache/netscape_cache.h"
#include "common/url.h"
#include "dragdrop_site.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/netscape_fixture.h"
#include "tree/web_cache_tree.h"
#include "ui/dragdrop/file_drag_source.h"
#include "ui/dragdrop/main_drag.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"

namespace fs = std::filesystem;

namespace {

// Processes events until `done` or `ms` pass; answers `done`.
bool PumpUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 50);
  return done();
}

// Runs a program while this process keeps answering the X server (the program may be
// waiting for this window's data); its standard output, or "" on a failure or timeout.
QByteArray RunServed(const QString& program, const QStringList& args, int ms = 15000) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForStarted(5000)) return {};
  PumpUntil([&p] { return p.state() == QProcess::NotRunning; }, ms);
  if (p.state() != QProcess::NotRunning) {
    p.kill();
    p.waitForFinished(2000);
    return {};
  }
  return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/th_dnd_e2e.XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The host paths of every file below a model folder, relative to it, as the model
// names them.
void ExpectedFiles(const TWebCacheTreeNode* folder, const std::string& prefix,
                   std::set<std::string>& out) {
  for (std::size_t i = 0; i < folder->Count(); ++i) {
    const TWebCacheTreeNode* child = folder->Items(i);
    const std::string name = platform::AnsiToUtf8(EscapeFileName(child->GetDisplayName()));
    if (child->IsFolder()) ExpectedFiles(child, prefix + name + "/", out);
    else out.insert(prefix + name);
  }
}

std::set<std::string> FilesBelow(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files.insert(fs::relative(e.path(), root).generic_string());
  return files;
}

class DragDropE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    fx_ = std::make_unique<thtest::NetscapeFixture>(dragsite::Spec());
    ASSERT_TRUE(fx_->ok()) << fx_->error();
    platform::SetSettingsFolder(settings_.path().string() + "/");
    w_ = std::make_unique<ui::TfrmMain>(std::make_unique<TNetscapeCacheSource>(fx_->fatDb()));
    w_->FormCreate();
    w_->move(0, 0);
    w_->resize(640, 480);
    w_->activateWindow();
    PumpUntil([this] { return w_->isVisible(); }, 5000);
    PumpUntil([] { return false; }, 300);
    shop_ = w_->TreePane()->FindTreeNode(dragsite::kShop);
    ASSERT_NE(shop_, nullptr);
    w_->Ui().tvwCache->setCurrentItem(shop_);
    w_->Ui().tvwCache->scrollToItem(shop_);
    w_->Ui().tvwCache->setFocus();
    PumpUntil([] { return false; }, 200);
  }
  void TearDown() override {
    w_.reset();
    platform::SetSettingsFolder("");
  }
  std::string TempFolder() const { return w_->Drag().FTempFolder.Path(); }

  std::unique_ptr<thtest::NetscapeFixture> fx_;
  TempDir settings_;
  std::unique_ptr<ui::TfrmMain> w_;
  QTreeWidgetItem* shop_ = nullptr;
};

TEST_F(DragDropE2E, FolderDraggedFromTheTreeArrivesAsABrowsableCopy) {
  TempDir out;
  QProcess area;
  area.start(QStringLiteral(TH_DROP_AREA), {QString::fromStdString(out.path().string()),
                                            QStringLiteral("700"), QStringLiteral("120")});
  ASSERT_TRUE(area.waitForStarted(5000));
  QByteArray ready;
  ASSERT_TRUE(PumpUntil([&] {
    ready += area.readAllStandardOutput();
    return ready.contains('\n');
  }, 15000)) << "the drop area did not come up";
  const QList<QByteArray> f = ready.trimmed().split(' ');
  ASSERT_EQ(f.size(), 5) << ready.toStdString();
  const QPoint target(f[1].toInt() + f[3].toInt() / 2, f[2].toInt() + f[4].toInt() / 2);

  QTreeWidget* tree = w_->Ui().tvwCache;
  const QPoint start = tree->viewport()->mapToGlobal(tree->visualItemRect(shop_).center());
  // The pointer is moved step by step, each step once the one before has been seen
  // (the drag has begun, the drop area has the drag over it), so that a slow machine
  // only makes the test slower.  The steps run from a timer, since this thread is
  // inside the drag's own event loop while the drag lasts.
  auto xy = [](QPoint p) { return QStringList{QString::number(p.x()), QString::number(p.y())}; };
  std::vector<std::unique_ptr<QProcess>> xdotool;
  auto run = [&xdotool](const QStringList& args) {
    xdotool.push_back(std::make_unique<QProcess>());
    xdotool.back()->start(QStringLiteral("xdotool"), args);
  };
  QByteArray said = ready;
  enum { Pressing, Dragging, Over, Released } step = Pressing;
  QElapsedTimer sinceStep;
  sinceStep.start();
  int nudges = 0;
  int retries = 0;
  auto press = [&] {
    run(QStringList{"mousemove"} + xy(start) + QStringList{"sleep", "0.2", "mousedown", "1",
        "sleep", "0.2", "mousemove"} + xy(start + QPoint(4, 1)) +
        QStringList{"sleep", "0.1", "mousemove"} + xy(start + QPoint(12, 4)));
  };
  QTimer driver;
  driver.setInterval(50);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    said += area.readAllStandardOutput();
    switch (step) {
      case Pressing:
        if (!w_->Drag().FDragging && sinceStep.elapsed() > 5000 && retries < 3) {
          // The press or the moves went astray: let go and press again.
          ++retries;
          run({"mouseup", "1"});
          press();
          sinceStep.restart();
        } else if (w_->Drag().FDragging) {
          run(QStringList{"mousemove"} + xy(target) + QStringList{"sleep", "0.1", "mousemove"} +
              xy(target + QPoint(5, 5)));
          step = Dragging;
          sinceStep.restart();
        }
        break;
      case Dragging:
        // Let go only once this side has the drop area's acceptance (its feedback),
        // else the drag ends as a refusal.
        if (said.contains("OVER") &&
            (w_->Drag().dfsCache->Source().LastEffect() & ole::DROPEFFECT_COPY)) {
          run({"sleep", "0.1", "mouseup", "1"});
          step = Over;
          sinceStep.restart();
        } else if (sinceStep.elapsed() > 2000 && nudges < 10) {
          // No word from the drop area yet: another move over it.
          run(QStringList{"mousemove"} + xy(target + QPoint(nudges % 2 ? 9 : -9, 7)));
          ++nudges;
          sinceStep.restart();
        }
        break;
      case Over:
        if (!w_->Drag().FDragging && sinceStep.elapsed() > 3000 && retries < 3) {
          // The drag ended and nothing arrived: once more from the press.
          ++retries;
          said.replace("OVER", "over");
          w_->Drag().dfsCache->Source().GiveFeedback(ole::DROPEFFECT_NONE);
          press();
          step = Pressing;
          sinceStep.restart();
        }
        break;
      default:
        break;
    }
  });
  driver.start();
  press();
  const bool ended = PumpUntil([&] { return area.state() == QProcess::NotRunning; }, 50000);
  driver.stop();
  said += area.readAllStandardOutput();
  if (!ended) {
    area.kill();
    run({"mouseup", "1"});
  }
  for (auto& p : xdotool) p->waitForFinished(5000);
  ASSERT_TRUE(ended) << said.toStdString();
  EXPECT_EQ(area.exitCode(), 0) << said.toStdString();
  EXPECT_TRUE(said.contains("DROPPED 1")) << said.toStdString();

  // The drop area has what a file manager would have: the folder with the model's
  // names, every body byte for byte, and pages whose links stay inside the copy.
  const fs::path shop = out.path() / "shop";
  ASSERT_TRUE(fs::is_directory(shop));
  std::set<std::string> expected;
  ExpectedFiles(ui::TCacheTreeView::NodeOf(shop_), "", expected);
  EXPECT_EQ(FilesBelow(shop), expected);
  EXPECT_EQ(expected.size(), 5u);
  int checked = 0;
  EXPECT_EQ(dragsite::BrokenLinks(shop, &checked), std::vector<std::string>{});
  EXPECT_GE(checked, 9);
  EXPECT_EQ(dragsite::ReadAll(shop / "img" / "logo.gif"), dragsite::BinaryBody());
  EXPECT_NE(dragsite::ReadAll(shop / "index.html").find("<!-- it's the shop's top page"),
            std::string::npos);

  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(fs::is_directory(fs::u8path(platform::HostPath(temp)) / "shop"));
  w_.reset();
  EXPECT_FALSE(fs::exists(fs::u8path(platform::HostPath(temp))));
}

TEST_F(DragDropE2E, ClipboardCopyIsReadByAnotherProcess) {
  w_->Actions().actFileCopy->trigger();
  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  const QByteArray uri =
      QUrl::fromLocalFile(QString::fromStdString(platform::HostPath(temp + "shop"))).toEncoded();

  const QByteArray targets = RunServed("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"});
  for (const char* t : {"text/uri-list", "x-special/gnome-copied-files",
                        "application/x-kde-cutselection"})
    EXPECT_TRUE(targets.contains(t)) << t << " in " << targets.toStdString();
  const QByteArray list =
      RunServed("xclip", {"-o", "-selection", "clipboard", "-t", "text/uri-list"});
  EXPECT_EQ(list, uri + "\r\n");
  const QByteArray gnome =
      RunServed("xclip", {"-o", "-selection", "clipboard", "-t", "x-special/gnome-copied-files"});
  EXPECT_EQ(gnome, "copy\n" + uri);

  // What the other process was told to copy is there, links and all.
  const fs::path shop = fs::u8path(QUrl::fromEncoded(list.trimmed()).toLocalFile().toStdString());
  ASSERT_TRUE(fs::is_directory(shop)) << shop;
  EXPECT_EQ(dragsite::BrokenLinks(shop), std::vector<std::string>{});
  EXPECT_EQ(dragsite::ReadAll(shop / "img" / "logo.gif"), dragsite::BinaryBody());
  w_.reset();
  EXPECT_FALSE(fs::exists(shop));
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "th_dragdrop_e2e: no X display\n");
    return 77;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// Fontconfig and the X client libraries keep what they allocate for the life of the
// process (sanitizer builds).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libxcb\nleak:libX11\nleak:libxkbcommon\nleak:libdbus-1\n";
}
