// Icons and type names of files, types and folders, as the desktop knows them.
// The MIME database gives the type (its comment is the type name, translated into
// the default locale's language) and the icon theme gives the picture; the Qt
// style's generic file and folder pictures stand in where the theme has none.
// Names are CP932 text like everything else in the core.
#pragma once

#include <QIcon>
#include <string>

namespace ui {

// Icons and type name for a file path (the file need not exist).  True only when
// both icons were obtained; `typeName` is set in any case.
bool GetFileIconInfo(const std::string& path, QIcon& smallIcon, QIcon& largeIcon,
                     std::string& typeName);

// Icons and type name for a name's type (decided by its extension).  When the
// extension is unknown the whole name is asked instead and `fromFile` tells that
// the answer belongs to that one name.  A type without a name of its own is
// called "<EXT> ﾌｧｲﾙ".  False when no icons could be had.
bool GetTypeIconInfo(const std::string& name, bool& fromFile, QIcon& smallIcon,
                     std::string& typeName, QIcon& largeIcon);

// The closed (or open) folder icons and the folder type name.
bool GetFolderIconInfo(bool open, QIcon& smallIcon, QIcon& largeIcon,
                       std::string& typeName);

// The generic document icon (image 0 of the list pane).
QIcon GenericFileIcon();

// The program's own icon, painted here so that it needs no image plug-in.
QIcon ProgramIcon();

// Points the icon lookups at an installed theme when the platform named none
// (the offscreen and plain X11 platforms leave the theme name empty).
void EnsureIconTheme();

}  // namespace ui
