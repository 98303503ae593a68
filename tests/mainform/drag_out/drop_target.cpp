// A window that accepts dropped files, for the drag-out test: prints the local path of each
// dropped URL, then quits.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class TDropTarget : public QWidget {
 public:
  TDropTarget() {
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Drop target"));
  }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override {
    QTextStream out(stdout);
    for (const QUrl& url : event->mimeData()->urls()) out << url.toLocalFile() << '\n';
    out.flush();
    event->acceptProposedAction();
    // Once the drop has been answered: the source still talks to this window until then.
    QTimer::singleShot(500, qApp, &QApplication::quit);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TDropTarget target;
  target.setGeometry(700, 100, 400, 400);
  target.show();
  return app.exec();
}
