// The file drag source on Qt: TDropFileSource's formats and events carried by QDrag
// and QClipboard on X11 and Wayland.
//
// A drag offers "text/uri-list" with the file URLs of the source's Files.  The data is
// lazy: nothing is asked of the owner until a target reads the data after the user
// let go of the button over it; that first read raises the source's OnDrop (through
// QueryContinueDrag, with the effect the target reported last), and the owner fills
// the temporary folder there.  When OnDrop says no, the target gets no data and the
// drop comes to nothing.  A target that reads the data while the button is still held
// (to decide on its answer) gets the URLs without anything being copied.
//
// The clipboard gets "text/uri-list", "x-special/gnome-copied-files" (GNOME, Xfce and
// most GTK file managers) and "application/x-kde-cutselection" (Dolphin), so that a
// file manager's paste copies, or with the cut command moves, the files.
//
// The main window drags the tree and list selections with it, and any other window
// (the find window's result list) can do the same: own one, give it Files before each
// drag, handle OnDrop, and call Execute from a mouse-move handler (TDragStartFilter).
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QUrl>
#include <string>
#include <vector>

#include "dragdrop/drop_source.h"

class QWidget;

namespace ui {

// File URLs of CP932 paths.
QList<QUrl> FileUrlsOf(const std::vector<std::string>& files);
// "text/uri-list": one URL per line, each line ended by CR LF.
QByteArray UriListOf(const QList<QUrl>& urls);
// "x-special/gnome-copied-files": "copy" or "cut", then one URL per line.
QByteArray GnomeCopiedFilesOf(const QList<QUrl>& urls, bool cut);
// The local paths (CP932) of a URL list.
std::vector<std::string> LocalFilesOf(const QList<QUrl>& urls);

// The platform clipboard for the file source and target: the blocks given between
// Open and Close become one QMimeData in the desktop's formats; reading turns the
// clipboard's file URLs back into a file drop list.
class TQtClipboard : public TClipboard {
 public:
  bool Open() override;
  bool SetData(std::uint16_t format, std::vector<std::uint8_t> block) override;
  bool HasFormat(std::uint16_t format) const override;
  bool GetData(std::uint16_t format, std::vector<std::uint8_t>& block) const override;
  void Close() override;

 private:
  bool open_ = false;
  std::vector<std::string> files_;
  std::uint32_t effect_ = ole::DROPEFFECT_COPY;
};

class TFileDragSource : public QObject {
  Q_OBJECT
 public:
  explicit TFileDragSource(QObject* parent = nullptr);
  ~TFileDragSource() override;

  TDropFileSource& Source() { return source_; }
  // Runs a drag from `from` (returns when the button is let go or the drag is
  // cancelled).  The answer is the target's at the drop; a copy that fails later, when
  // the data is read, leaves the target without data.
  TDragResult Execute(QWidget* from);
  bool Dragging() const { return dragging_; }

  bool CopyToClipboard();
  bool CutToClipboard();

  // The data of the drag `serial` for a reader (the lazy QMimeData asks here).
  QByteArray DataFor(int serial, const QString& mimeType);

 private:
  class TDriver;
  TDropFileSource source_;
  int serial_ = 0;
  bool dragging_ = false;
  bool decided_ = false;    // the drop has been asked for (OnDrop ran or the drag ended)
  bool dropOk_ = false;
  bool busy_ = false;
  std::uint32_t finalEffect_ = ole::DROPEFFECT_NONE;
  QByteArray uriList_;
};

}  // namespace ui
