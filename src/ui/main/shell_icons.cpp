#include "ui/main/shell_icons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include "platform/codepage.h"
#include "ui/main/ui_text.h"

namespace ui {
namespace {

const char kFileWord[] = " \xCC\xA7\xB2\xD9";  // " ﾌｧｲﾙ" in CP932 (half-width kana)

// The extension of a name: from its last '.', when that comes after the last
// path separator or drive colon.
std::string ExtensionOf(const std::string& name) {
  std::size_t dot = platform::AnsiFindLast(name, '.');
  if (dot == platform::npos) return {};
  for (char sep : {'\\', '/', ':'}) {
    std::size_t p = platform::AnsiFindLast(name, sep);
    if (p != platform::npos && p > dot) return {};
  }
  return name.substr(dot);
}

QStyle* AppStyle() { return QApplication::style(); }

QIcon ThemeIconFor(const QMimeType& mime) {
  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  return icon;
}

bool IsGenericType(const QMimeType& mime) {
  return !mime.isValid() || mime.isDefault() ||
         mime.name() == QLatin1String("application/octet-stream");
}

}  // namespace

void EnsureIconTheme() {
  // Platforms without a desktop theme (offscreen, bare X11) search no system folder.
  QStringList paths = QIcon::themeSearchPaths();
  QStringList dataDirs = qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'),
                                                                     Qt::SkipEmptyParts);
  if (dataDirs.isEmpty()) dataDirs << QStringLiteral("/usr/local/share") << QStringLiteral("/usr/share");
  for (const QString& dir : dataDirs) {
    const QString icons = dir + QStringLiteral("/icons");
    if (!paths.contains(icons) && QFileInfo(icons).isDir()) paths << icons;
  }
  QIcon::setThemeSearchPaths(paths);
  if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
    return;
  for (const char* theme : {"breeze", "Adwaita", "oxygen", "gnome"}) {
    for (const QString& base : QIcon::themeSearchPaths()) {
      if (QFileInfo::exists(QDir(base).filePath(QString::fromLatin1(theme) +
                                                QStringLiteral("/index.theme")))) {
        QIcon::setThemeName(QString::fromLatin1(theme));
        return;
      }
    }
  }
}

QIcon GenericFileIcon() {
  QIcon icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
  if (icon.isNull() && AppStyle()) icon = AppStyle()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

bool GetFileIconInfo(const std::string& path, QIcon& smallIcon, QIcon& largeIcon,
                     std::string& typeName) {
  static QMimeDatabase db;
  QMimeType mime = db.mimeTypeForFile(ToQ(path), QMimeDatabase::MatchExtension);
  typeName = FromQ(mime.comment());
  QIcon icon = ThemeIconFor(mime);
  if (icon.isNull()) {
    QFileInfo info(QString::fromStdString(platform::AnsiToUtf8(path)));
    if (info.isExecutable() && AppStyle())
      icon = AppStyle()->standardIcon(QStyle::SP_ComputerIcon);
  }
  if (icon.isNull()) {
    smallIcon = QIcon();
    largeIcon = QIcon();
    return false;
  }
  smallIcon = icon;
  largeIcon = icon;
  return true;
}

bool GetTypeIconInfo(const std::string& name, bool& fromFile, QIcon& smallIcon,
                     std::string& typeName, QIcon& largeIcon) {
  static QMimeDatabase db;
  fromFile = false;
  smallIcon = QIcon();
  largeIcon = QIcon();
  typeName.clear();

  const std::string ext = ExtensionOf(name);
  bool ok = false;
  // Ask for the type of the extension alone first, as the answer then serves
  // every file with that extension.
  QMimeType mime = db.mimeTypeForFile(QStringLiteral("x") + ToQ(ext),
                                      QMimeDatabase::MatchExtension);
  if (!ext.empty() && !IsGenericType(mime)) {
    typeName = FromQ(mime.comment());
    QIcon icon = ThemeIconFor(mime);
    if (!icon.isNull()) {
      smallIcon = largeIcon = icon;
      ok = true;
    }
  } else {
    // Unknown extension: the whole name may still be recognised (README,
    // Makefile, ...); that answer belongs to this one name.
    QMimeType whole = db.mimeTypeForFile(ToQ(name), QMimeDatabase::MatchExtension);
    if (!IsGenericType(whole)) typeName = FromQ(whole.comment());
    // Only a name recognised by itself makes a per-file answer; the generic
    // picture is the same for every unknown type and needs no row per file.
    const bool generic = IsGenericType(whole);
    QIcon icon = generic ? GenericFileIcon() : ThemeIconFor(whole);
    if (!icon.isNull()) {
      smallIcon = largeIcon = icon;
      fromFile = !generic;
      ok = true;
    }
  }
  if (ok && typeName.empty()) {
    std::string bare = ext.empty() ? std::string() : ext.substr(1);
    typeName = platform::AnsiUpperCase(bare) + kFileWord;
  }
  return ok;
}

bool GetFolderIconInfo(bool open, QIcon& smallIcon, QIcon& largeIcon,
                       std::string& typeName) {
  static QMimeDatabase db;
  typeName = FromQ(db.mimeTypeForName(QStringLiteral("inode/directory")).comment());
  QIcon icon = QIcon::fromTheme(open ? QStringLiteral("folder-open")
                                     : QStringLiteral("folder"));
  if (icon.isNull() && AppStyle())
    icon = AppStyle()->standardIcon(open ? QStyle::SP_DirOpenIcon
                                         : QStyle::SP_DirClosedIcon);
  if (icon.isNull()) return false;
  smallIcon = largeIcon = icon;
  return true;
}

QIcon ProgramIcon() {
  static QIcon icon = [] {
    QIcon result;
    for (int size : {16, 32, 48, 64}) {
      QPixmap pm(size, size);
      pm.fill(Qt::transparent);
      QPainter p(&pm);
      p.setRenderHint(QPainter::Antialiasing);
      const qreal s = size;
      // A toll gate by the sea: a dark blue disc, a wave and a white barrier.
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x1f, 0x4e, 0x8c));
      p.drawEllipse(QRectF(0.5, 0.5, s - 1, s - 1));
      QPainterPath wave;
      wave.moveTo(s * 0.08, s * 0.68);
      wave.cubicTo(s * 0.3, s * 0.56, s * 0.45, s * 0.8, s * 0.65, s * 0.66);
      wave.cubicTo(s * 0.78, s * 0.58, s * 0.86, s * 0.62, s * 0.94, s * 0.66);
      wave.lineTo(s * 0.8, s * 0.92);
      wave.lineTo(s * 0.2, s * 0.92);
      wave.closeSubpath();
      p.setBrush(QColor(0x4f, 0xb3, 0xe8));
      p.drawPath(wave);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(s * 0.22, s * 0.22, s * 0.1, s * 0.46));
      p.setBrush(QColor(0xe8, 0x3b, 0x2f));
      p.drawRect(QRectF(s * 0.3, s * 0.26, s * 0.5, s * 0.09));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(s * 0.42, s * 0.26, s * 0.1, s * 0.09));
      p.drawRect(QRectF(s * 0.62, s * 0.26, s * 0.1, s * 0.09));
      p.end();
      result.addPixmap(pm);
    }
    return result;
  }();
  return icon;
}

}  // namespace ui
