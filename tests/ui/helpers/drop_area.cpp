// th_drop_area: a drop target in a process of its own, standing in for a file
// manager's folder in the drag test.
//   th_drop_area OUT_DIR [X Y]
// Shows a window with a drop area at X,Y (default 700,100), prints
// "READY x y width height" (the area in screen coordinates) once it is on screen and
// "OVER" when a drag of file URLs enters it.  It accepts a copy drop of them, copies
// every dropped file or folder into OUT_DIR the way a file manager does, prints
// "DROPPED n" and exits 0.  A drop without files prints "EMPTY" (exit 3); nothing
// dropped within 60 s prints "TIMEOUT" (exit 4).
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

bool CopyTree(const QString& from, const QString& to) {
  const QFileInfo info(from);
  if (info.isDir()) {
    if (!QDir().mkpath(to)) return false;
    const QDir dir(from);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
      if (!CopyTree(dir.filePath(name), QDir(to).filePath(name))) return false;
    return true;
  }
  return QFile::copy(from, to);
}

class DropArea : public QWidget {
 public:
  explicit DropArea(QString out) : out_(std::move(out)) {
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("th_drop_area"));
    setStyleSheet(QStringLiteral("background: #8ab"));
  }

 protected:
  void showEvent(QShowEvent* e) override {
    QWidget::showEvent(e);
    QTimer::singleShot(300, this, [this] {
      const QPoint p = mapToGlobal(QPoint(0, 0));
      std::printf("READY %d %d %d %d\n", p.x(), p.y(), width(), height());
      std::fflush(stdout);
    });
  }
  void dragEnterEvent(QDragEnterEvent* e) override {
    if (e->mimeData()->hasUrls()) {
      e->setDropAction(Qt::CopyAction);
      e->accept();
      // The driver lets go of the button once the drag is known to be here.
      std::printf("OVER\n");
      std::fflush(stdout);
    }
  }
  void dragMoveEvent(QDragMoveEvent* e) override {
    e->setDropAction(Qt::CopyAction);
    e->accept();
  }
  void dropEvent(QDropEvent* e) override {
    e->setDropAction(Qt::CopyAction);
    e->accept();
    // Reading the URLs is what makes the source fill its folder.
    const QList<QUrl> urls = e->mimeData()->urls();
    int copied = 0;
    for (const QUrl& url : urls) {
      if (!url.isLocalFile()) continue;
      const QString from = url.toLocalFile();
      if (CopyTree(from, QDir(out_).filePath(QFileInfo(from).fileName()))) ++copied;
    }
    if (copied == 0) {
      std::printf("EMPTY\n");
      std::fflush(stdout);
      QTimer::singleShot(0, [] { QApplication::exit(3); });
      return;
    }
    std::printf("DROPPED %d\n", copied);
    std::fflush(stdout);
    QTimer::singleShot(0, [] { QApplication::exit(0); });
  }

 private:
  QString out_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: th_drop_area OUT_DIR [X Y]\n");
    return 2;
  }
  DropArea area(QString::fromLocal8Bit(argv[1]));
  area.resize(300, 200);
  area.move(argc >= 4 ? std::atoi(argv[2]) : 700, argc >= 4 ? std::atoi(argv[3]) : 100);
  area.show();
  QTimer::singleShot(60000, [] {
    std::printf("TIMEOUT\n");
    std::fflush(stdout);
    QApplication::exit(4);
  });
  return app.exec();
}

// Fontconfig and the X client libraries keep what they allocate for the life of the
// process (sanitizer builds).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libxcb\nleak:libX11\nleak:libxkbcommon\nleak:libdbus-1\n";
}
