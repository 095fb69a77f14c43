// tollhaven: the desktop program.
//   tollhaven [--prefix DIR] [--registry FILE] [--fat-db FILE] [--cache-dir DIR]
//             [--netscape-home DIR] [--settings DIR] [--select URL] [--screenshot FILE.png]
// The options find the browser's cache as tollhaven-cli does; --select opens a
// folder of the cache tree once the cache is loaded; --screenshot saves a picture
// of the window and quits.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/codepage.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace {

// Errors that escape an event handler end up here and are shown in a message box
// instead of ending the program.
class TApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      QMessageBox::critical(activeWindow(), ui::ApplicationTitle(),
                            QString::fromLocal8Bit(e.what()));
    } catch (...) {
      QMessageBox::critical(activeWindow(), ui::ApplicationTitle(),
                            QStringLiteral("予期しないエラーが発生しました。"));
    }
    return false;
  }
};

// The start-up failure in the window's words.
QString StartupErrorText(const TStartupResult& result) {
  const QString subject = QString::fromStdString(result.Subject);
  switch (result.Status) {
    case TStartupStatus::MissingValue: return subject + QStringLiteral(" には値が必要です");
    case TStartupStatus::UnreadableRegistry:
      return QStringLiteral("レジストリファイルを読み込めません: ") + subject;
    default: return QStringLiteral("不明なオプションです: ") + subject;
  }
}

}  // namespace

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
  ui::EnsureIconTheme();
  try {
    // Qt has taken its own options out of the arguments by now.
    TStartupOptions options;
    std::string select, screenshot;
    const TStartupOption ownOptions[] = {{.Name = "--select", .Value = &select},
                                         {.Name = "--screenshot", .Value = &screenshot}};
    TStartupRules rules;
    rules.Extra = ownOptions;
    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments()) args.push_back(arg.toStdString());
    const TStartupResult started = StartUp(args, rules, options);
    if (started.Status != TStartupStatus::Ok) {
      const QString error = StartupErrorText(started);
      std::fprintf(stderr, "tollhaven: %s\n", error.toUtf8().constData());
      QMessageBox::critical(nullptr, ui::ApplicationTitle(), error);
      return 2;
    }
    ui::TfrmMain window(MakeCacheSource(options));
    window.FormCreate();
    if (!select.empty()) {
      const std::string url = platform::Utf8ToAnsi(select);
      if (QTreeWidgetItem* item = window.TreePane()->FindTreeNode(url))
        window.Ui().tvwCache->setCurrentItem(item);
      window.Ui().tvwCache->setFocus();
    }
    if (!screenshot.empty()) {
      // For documentation: the window as it stands once painted, then quit.
      const QString file = QString::fromStdString(screenshot);
      QTimer::singleShot(800, &window, [&window, file] {
        const bool saved = window.grab().save(file, "PNG");
        if (!saved) std::fprintf(stderr, "tollhaven: cannot write %s\n", file.toUtf8().constData());
        QApplication::exit(saved ? 0 : 1);
      });
    }
    return app.exec();
  } catch (const std::exception& e) {
    // The standard exception box: the error is shown and the program ends quietly.
    QMessageBox::critical(nullptr, ui::ApplicationTitle(), QString::fromLocal8Bit(e.what()));
    return 0;
  }
}
