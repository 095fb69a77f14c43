// Starting the browser with a favorite's Internet page or its local copy.  The
// program the browser's registry values name is used where it can really run here
// (an executable file of this host); otherwise the desktop's default browser opens
// the URL or the local file.  When neither works the user is told so.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace ui {

// `parameter` is a URL or a local path (CP932).  False when no browser started
// (after the message).
bool StartBrowser(QWidget* owner, const std::string& parameter);

// Tests see what would be started instead: the program ("" for the desktop's
// default browser) and the parameter; the hook's result stands for the start's.
using TBrowserHook = std::function<bool(const QString& program, const QString& parameter)>;
TBrowserHook SetBrowserHook(TBrowserHook hook);

}  // namespace ui
