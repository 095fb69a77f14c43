#include "ui/favorites/browser_launch.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <utility>

#include "common/file_utils.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "ui/favorites/favorite_messages.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

TBrowserHook& Hook() {
  static TBrowserHook hook;
  return hook;
}

// The registry's browser when this host can run it: Windows programs (".exe") in a
// Wine prefix cannot be started directly.
QString RunnableBrowser() {
  const std::string exe = GetNetscapeExePath();
  if (exe.empty()) return {};
  const std::string lower = platform::AnsiLowerCase(exe);
  if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".exe") == 0) return {};
  const QFileInfo info(QString::fromStdString(platform::HostPath(exe)));
  return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

bool IsUrl(const std::string& parameter) {
  return parameter.find("://") != std::string::npos;
}

}  // namespace

bool StartBrowser(QWidget* owner, const std::string& parameter) {
  const QString program = RunnableBrowser();
  // A local path is handed over as the host names it.
  const QString argument = IsUrl(parameter)
                               ? ToQ(parameter)
                               : QString::fromStdString(platform::HostPath(parameter));
  bool started;
  if (Hook()) {
    started = Hook()(program, argument);
  } else if (!program.isEmpty()) {
    started = QProcess::startDetached(program, {argument});
  } else {
    started = QDesktopServices::openUrl(IsUrl(parameter) ? QUrl(argument)
                                                         : QUrl::fromLocalFile(argument));
  }
  if (!started) {
    ShowFavoriteMessage(owner,
                        QStringLiteral("ブラウザを起動できませんでした。\n%1").arg(argument),
                        ApplicationTitle(), QMessageBox::Warning);
  }
  return started;
}

TBrowserHook SetBrowserHook(TBrowserHook hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace ui
