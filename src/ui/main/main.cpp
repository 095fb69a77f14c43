// tollhaven: the desktop program.
//   tollhaven [--prefix DIR] [--registry FILE] [--fat-db FILE] [--settings DIR]
//             [--select URL] [--screenshot FILE.png]
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

#include "cache/netscape_cache.h"
#include "platform/files.h"
#include "platform/registry.h"
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

struct Options {
  std::string Prefix;
  std::string RegistryFile;
  std::string FatDb;
  std::string SettingsDir;
  std::string Select;
  std::string Screenshot;
};

std::string* ValueOption(Options& o, const std::string& name) {
  if (name == "--prefix") return &o.Prefix;
  if (name == "--registry") return &o.RegistryFile;
  if (name == "--fat-db") return &o.FatDb;
  if (name == "--settings") return &o.SettingsDir;
  if (name == "--select") return &o.Select;
  if (name == "--screenshot") return &o.Screenshot;
  return nullptr;
}

// Qt has taken its own options out of argv by now.
bool ParseOptions(const QStringList& args, Options& o, QString& error) {
  for (int i = 1; i < args.size(); ++i) {
    std::string arg = args[i].toStdString();
    std::string name = arg;
    std::string value;
    bool inlineValue = false;
    if (std::size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    std::string* target = ValueOption(o, name);
    if (!target) {
      error = QStringLiteral("不明なオプションです: ") + args[i];
      return false;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        error = QString::fromStdString(name) + QStringLiteral(" には値が必要です");
        return false;
      }
      value = args[++i].toStdString();
    }
    *target = value;
  }
  return true;
}

bool ApplyOptions(const Options& o, QString& error) {
  if (!o.Prefix.empty()) platform::SetWinePrefix(o.Prefix);
  if (!o.SettingsDir.empty()) {
    std::string folder = o.SettingsDir;
    if (folder.back() != platform::kPathDelim) folder += platform::kPathDelim;
    platform::SetSettingsFolder(folder);
  }
  platform::Registry& registry = platform::Registry::Current();
  if (!o.RegistryFile.empty()) {
    registry.Clear();
    if (!registry.LoadRegFile(o.RegistryFile)) {
      error = QStringLiteral("レジストリファイルを読み込めません: ") +
              QString::fromStdString(o.RegistryFile);
      return false;
    }
  } else if (!o.Prefix.empty()) {
    registry.Clear();
    registry.LoadWinePrefix(o.Prefix);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
  ui::EnsureIconTheme();
  try {
    Options options;
    QString error;
    if (!ParseOptions(QApplication::arguments(), options, error) ||
        !ApplyOptions(options, error)) {
      std::fprintf(stderr, "tollhaven: %s\n", error.toUtf8().constData());
      QMessageBox::critical(nullptr, ui::ApplicationTitle(), error);
      return 2;
    }
    std::unique_ptr<TWebCacheSource> source;
    if (!options.FatDb.empty())
      source = std::make_unique<TNetscapeCacheSource>(options.FatDb);
    ui::TfrmMain window(std::move(source));
    window.FormCreate();
    if (!options.Select.empty()) {
      const std::string url = platform::Utf8ToAnsi(options.Select);
      if (QTreeWidgetItem* item = window.TreePane()->FindTreeNode(url))
        window.tvwCache->setCurrentItem(item);
      window.tvwCache->setFocus();
    }
    if (!options.Screenshot.empty()) {
      // For documentation: the window as it stands once painted, then quit.
      const QString file = QString::fromStdString(options.Screenshot);
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
