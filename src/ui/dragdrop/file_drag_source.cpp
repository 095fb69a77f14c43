#include "ui/dragdrop/file_drag_source.h"

#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

#include "dragdrop/drop_data.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace ui {

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kGnomeCopied = QStringLiteral("x-special/gnome-copied-files");
const QString kKdeCut = QStringLiteral("application/x-kde-cutselection");

Qt::DropActions ActionsOf(std::uint32_t effects) {
  Qt::DropActions actions;
  if (effects & ole::DROPEFFECT_COPY) actions |= Qt::CopyAction;
  if (effects & ole::DROPEFFECT_MOVE) actions |= Qt::MoveAction;
  if (effects & ole::DROPEFFECT_LINK) actions |= Qt::LinkAction;
  return actions;
}

std::uint32_t EffectOf(Qt::DropAction action) {
  switch (action) {
    case Qt::CopyAction: return ole::DROPEFFECT_COPY;
    case Qt::MoveAction:
    case Qt::TargetMoveAction: return ole::DROPEFFECT_MOVE;
    case Qt::LinkAction: return ole::DROPEFFECT_LINK;
    default: return ole::DROPEFFECT_NONE;
  }
}

// The drag's data: asks the source at the moment a target reads it.
class TLazyFileMimeData : public QMimeData {
 public:
  TLazyFileMimeData(TFileDragSource* owner, int serial) : owner_(owner), serial_(serial) {}
  QStringList formats() const override { return {kUriList}; }
  bool hasFormat(const QString& mimeType) const override { return mimeType == kUriList; }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType) const override {
    if (!owner_ || mimeType != kUriList) return {};
    const QByteArray data = owner_->DataFor(serial_, mimeType);
    if (data.isEmpty()) return {};
    return data;
  }

 private:
  QPointer<TFileDragSource> owner_;
  int serial_;
};

}  // namespace

QList<QUrl> FileUrlsOf(const std::vector<std::string>& files) {
  QList<QUrl> urls;
  for (const std::string& f : files)
    urls.push_back(QUrl::fromLocalFile(QString::fromStdString(platform::HostPath(f))));
  return urls;
}

QByteArray UriListOf(const QList<QUrl>& urls) {
  QByteArray out;
  for (const QUrl& u : urls) out += u.toEncoded() + "\r\n";
  return out;
}

QByteArray GnomeCopiedFilesOf(const QList<QUrl>& urls, bool cut) {
  QByteArray out = cut ? "cut" : "copy";
  for (const QUrl& u : urls) out += "\n" + u.toEncoded();
  return out;
}

std::vector<std::string> LocalFilesOf(const QList<QUrl>& urls) {
  std::vector<std::string> files;
  for (const QUrl& u : urls)
    if (u.isLocalFile()) files.push_back(platform::Utf8ToAnsi(u.toLocalFile().toStdString()));
  return files;
}

// ---------------------------------------------------------------------------
// Clipboard
// ---------------------------------------------------------------------------

bool TQtClipboard::Open() {
  if (!QGuiApplication::clipboard()) return false;
  open_ = true;
  files_.clear();
  effect_ = ole::DROPEFFECT_COPY;
  return true;
}

bool TQtClipboard::SetData(std::uint16_t format, std::vector<std::uint8_t> block) {
  if (!open_) return false;
  if (format == ole::CF_HDROP) {
    files_ = ReadHDrop(block);
    return true;
  }
  if (format == RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT)) {
    effect_ = ReadPreferredDropEffect(block);
    return true;
  }
  return false;  // no desktop format carries the others
}

void TQtClipboard::Close() {
  if (!open_) return;
  open_ = false;
  if (files_.empty()) return;
  const QList<QUrl> urls = FileUrlsOf(files_);
  const bool cut = (effect_ & ole::DROPEFFECT_MOVE) != 0 && (effect_ & ole::DROPEFFECT_COPY) == 0;
  auto* data = new QMimeData;
  data->setData(kUriList, UriListOf(urls));
  data->setData(kGnomeCopied, GnomeCopiedFilesOf(urls, cut));
  data->setData(kKdeCut, cut ? "1" : "0");
  QGuiApplication::clipboard()->setMimeData(data);
}

bool TQtClipboard::HasFormat(std::uint16_t format) const {
  if (format != ole::CF_HDROP) return false;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && !LocalFilesOf(data->urls()).empty();
}

bool TQtClipboard::GetData(std::uint16_t format, std::vector<std::uint8_t>& block) const {
  if (!HasFormat(format)) return false;
  block = BuildHDrop(LocalFilesOf(QGuiApplication::clipboard()->mimeData()->urls()));
  return true;
}

// ---------------------------------------------------------------------------
// Drag
// ---------------------------------------------------------------------------

// The platform's drag loop: QDrag::exec, with the target's answers as feedback.
class TFileDragSource::TDriver : public TDragDriver {
 public:
  TDriver(TFileDragSource& owner, QWidget* from) : owner_(owner), from_(from) {}
  HRESULT DoDragDrop(TDropSource& source, std::uint32_t okEffects,
                     std::uint32_t& effect) override {
    auto* drag = new QDrag(from_);  // Qt frees it once the target is done with the data
    drag->setMimeData(new TLazyFileMimeData(&owner_, owner_.serial_));
    QObject::connect(drag, &QDrag::actionChanged, &owner_,
                     [&owner = owner_, serial = owner_.serial_, &source](Qt::DropAction a) {
                       if (serial == owner.serial_ && !owner.decided_)
                         source.GiveFeedback(EffectOf(a));
                     });
    owner_.dragging_ = true;
    const Qt::DropAction action = drag->exec(ActionsOf(okEffects), Qt::CopyAction);
    owner_.dragging_ = false;
    effect = EffectOf(action);
    return action == Qt::IgnoreAction ? ole::DRAGDROP_S_CANCEL : ole::DRAGDROP_S_DROP;
  }

 private:
  TFileDragSource& owner_;
  QWidget* from_;
};

TFileDragSource::TFileDragSource(QObject* parent) : QObject(parent) {}

TFileDragSource::~TFileDragSource() = default;

TDragResult TFileDragSource::Execute(QWidget* from) {
  ++serial_;
  decided_ = false;
  dropOk_ = false;
  finalEffect_ = ole::DROPEFFECT_NONE;
  uriList_ = UriListOf(FileUrlsOf(source_.Files));
  const int serial = serial_;
  TDriver driver(*this, from);
  const TDragResult result = source_.Execute(driver);
  if (serial == serial_ && !decided_) {
    // Nobody has read the data yet: a cancelled drag never gives it out, an accepted
    // one waits for the target's read.
    if (result == drCancel || result == drUnknown || result == drOutMemory) decided_ = true;
    else finalEffect_ = result == drDropMove ? ole::DROPEFFECT_MOVE
                        : result == drDropLink ? ole::DROPEFFECT_LINK
                                               : ole::DROPEFFECT_COPY;
  }
  return result;
}

QByteArray TFileDragSource::DataFor(int serial, const QString& mimeType) {
  if (serial != serial_ || mimeType != kUriList || busy_) return {};
  if (!decided_) {
    // On X11 a target may read while the button is still held, to decide on its
    // answer: it gets the URLs, and nothing is copied yet.  Elsewhere the drag's own
    // events do not reach the program, and the first read is the drop.
    const bool held = QGuiApplication::platformName() == QLatin1String("xcb") && dragging_ &&
                      QGuiApplication::mouseButtons() != Qt::NoButton;
    if (held) return uriList_;
    decided_ = true;
    busy_ = true;
    if (finalEffect_ != ole::DROPEFFECT_NONE) source_.GiveFeedback(finalEffect_);
    dropOk_ = source_.QueryContinueDrag(false, 0) == ole::DRAGDROP_S_DROP;
    busy_ = false;
  }
  return dropOk_ ? uriList_ : QByteArray();
}

bool TFileDragSource::CopyToClipboard() {
  TQtClipboard clipboard;
  return source_.CopyToClipboard(clipboard);
}

bool TFileDragSource::CutToClipboard() {
  TQtClipboard clipboard;
  return source_.CutToClipboard(clipboard);
}

}  // namespace ui
