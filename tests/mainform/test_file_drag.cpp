// The drop target: drops of files onto its owner as the file manager sends them, the three lists
// and the extension rule, what it leaves to the owner, and withdrawal.
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "common/test_environment.h"
#include "support/file_drag.h"

namespace {

// A window that notes every event that reaches its own handling, and takes every drag offered
// to it (Qt delivers a drop only to the widget that took the drag's entry).
class TRecordingWindow : public QWidget {
 public:
  QList<QEvent::Type> Received;
  bool contains(QEvent::Type type) const { return Received.contains(type); }

 protected:
  bool event(QEvent* event) override {
    Received.append(event->type());
    return QWidget::event(event);
  }
  void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override { event->setDropAction(Qt::IgnoreAction); }
};

QMimeData* urlData(const QList<QUrl>& urls) {
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

QList<QUrl> fileUrls(const QStringList& names) {
  QList<QUrl> urls;
  for (const QString& name : names) urls.append(QUrl::fromLocalFile(name));
  return urls;
}

// Sends a drop onto target as the file manager would: enter, move, drop. True when the drop
// was taken as a copy.
bool dropOn(QWidget& target, const QList<QUrl>& urls,
            Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
  std::unique_ptr<QMimeData> data(urlData(urls));
  const QPointF at(5, 5);
  QDragEnterEvent enter(at.toPoint(), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);
  QDragMoveEvent move(at.toPoint(), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &move);
  QDropEvent drop(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &drop);
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

}  // namespace

class TestFileDrag : public QObject {
  Q_OBJECT

 private slots:
  void threeFilesInTheGivenOrder() {
    TRecordingWindow owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int drops = 0;
    QStringList seenInHandler;
    drag.OnDrop = [&](TFileDrag& sender) {
      ++drops;
      QCOMPARE(&sender, &drag);
      seenInHandler = sender.NameWithPath();
    };

    QVERIFY(dropOn(owner, fileUrls({"/data/report.txt", "/data/backup.tar.gz", "/data/README"})));
    // Taken whole: the owner's own handling never sees the drag or the drop.
    QVERIFY(!owner.contains(QEvent::DragEnter));
    QVERIFY(!owner.contains(QEvent::DragMove));
    QVERIFY(!owner.contains(QEvent::Drop));
    // The handler runs once the drop has been answered, from the event loop.
    QCOMPARE(drops, 0);
    QTRY_COMPARE(drops, 1);
    QCoreApplication::processEvents();
    QCOMPARE(drops, 1);

    QCOMPARE(drag.FileCount(), 3);
    QCOMPARE(drag.NameWithPath(), QStringList({"/data/report.txt", "/data/backup.tar.gz", "/data/README"}));
    QCOMPARE(drag.NameOnly(), QStringList({"report.txt", "backup.tar.gz", "README"}));
    QCOMPARE(drag.Extension(), QStringList({"txt", "tar.gz", ""}));
    QCOMPARE(seenInHandler, drag.NameWithPath());

    // The next drop replaces the lists.
    QVERIFY(dropOn(owner, fileUrls({"/other/one.zip"})));
    QTRY_COMPARE(drops, 2);
    QCOMPARE(drag.FileCount(), 1);
    QCOMPARE(drag.NameWithPath(), QStringList{"/other/one.zip"});
    QCOMPARE(drag.NameOnly(), QStringList{"one.zip"});
    QCOMPARE(drag.Extension(), QStringList{"zip"});
  }

  void dropOverAChildReachesTheOwner() {
    // Qt hands a drag to the nearest ancestor that accepts drops: the owner window.
    QWidget owner;
    auto* child = new QWidget(&owner);
    child->setGeometry(0, 0, 50, 50);
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int drops = 0;
    drag.OnDrop = [&](TFileDrag&) { ++drops; };
    QVERIFY(dropOn(*child, fileUrls({"/data/child.txt"})));
    QTRY_COMPARE(drops, 1);
    QCOMPARE(drag.NameWithPath(), QStringList{"/data/child.txt"});
  }

  void nameAndExtensionRule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("nameOnly");
    QTest::addColumn<QString>("extension");
    QTest::newRow("one dot") << "/data/report.txt"
                             << "report.txt"
                             << "txt";
    QTest::newRow("several dots") << "/data/a.b.c.d"
                                  << "a.b.c.d"
                                  << "b.c.d";
    QTest::newRow("no dot") << "/data/Makefile"
                            << "Makefile"
                            << "";
    QTest::newRow("dot only in a folder") << "/data/v1.2/notes"
                                          << "notes"
                                          << "";
    QTest::newRow("hidden file") << "/home/u/.profile"
                                 << ".profile"
                                 << "profile";
    QTest::newRow("trailing dot") << "/data/name."
                                  << "name."
                                  << "";
    QTest::newRow("backslash is a character") << "/data/a\\b.txt"
                                              << "a\\b.txt"
                                              << "txt";
    QTest::newRow("unicode and blanks") << "/home/zoë/my Архив.zip"
                                        << "my Архив.zip"
                                        << "zip";
    QTest::newRow("root") << "/"
                          << ""
                          << "";
  }
  void nameAndExtensionRule() {
    QFETCH(QString, name);
    QFETCH(QString, nameOnly);
    QFETCH(QString, extension);
    QWidget owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int drops = 0;
    drag.OnDrop = [&](TFileDrag&) { ++drops; };
    QVERIFY(dropOn(owner, fileUrls({name})));
    QTRY_COMPARE(drops, 1);
    QCOMPARE(drag.NameWithPath(), QStringList{name});
    QCOMPARE(drag.NameOnly(), QStringList{nameOnly});
    QCOMPARE(drag.Extension(), QStringList{extension});
  }

  void foldersKeepTheirName() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Old.backup"));
    const QString folder = dir.filePath("Old.backup");
    QWidget owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int drops = 0;
    drag.OnDrop = [&](TFileDrag&) { ++drops; };
    // Some file managers end a folder's address with "/".
    QVERIFY(dropOn(owner, {QUrl::fromLocalFile(folder + "/"), QUrl::fromLocalFile(folder)}));
    QTRY_COMPARE(drops, 1);
    QCOMPARE(drag.NameWithPath(), QStringList({folder, folder}));
    QCOMPARE(drag.NameOnly(), QStringList({"Old.backup", "Old.backup"}));
    QCOMPARE(drag.Extension(), QStringList({"backup", "backup"}));
  }

  void onlyLocalFilesAreTaken() {
    TRecordingWindow owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int drops = 0;
    drag.OnDrop = [&](TFileDrag&) { ++drops; };

    // Web links and text are not files: the owner gets them as before.
    dropOn(owner, {QUrl("https://example.org/a.zip"), QUrl("mailto:x@example.org")});
    QVERIFY(owner.contains(QEvent::DragEnter));
    QVERIFY(owner.contains(QEvent::Drop));
    owner.Received.clear();
    {
      QMimeData text;
      text.setText("/data/report.txt");
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&owner, &enter);
      QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&owner, &drop);
      QVERIFY(owner.contains(QEvent::DragEnter));
      QVERIFY(owner.contains(QEvent::Drop));
    }
    QCoreApplication::processEvents();
    QCOMPARE(drops, 0);
    QCOMPARE(drag.FileCount(), 0);

    // A file address without a path names no file.
    owner.Received.clear();
    dropOn(owner, {QUrl("file:")});
    QVERIFY(owner.contains(QEvent::Drop));

    // A mixed drop keeps its files, in order, and drops the rest.
    owner.Received.clear();
    QVERIFY(dropOn(owner, {QUrl::fromLocalFile("/a/one.txt"), QUrl("https://example.org/b"),
                           QUrl::fromLocalFile("/a/two.txt")}));
    QVERIFY(!owner.contains(QEvent::Drop));
    QTRY_COMPARE(drops, 1);
    QCOMPARE(drag.NameWithPath(), QStringList({"/a/one.txt", "/a/two.txt"}));
    QCOMPARE(drag.FileCount(), 2);
  }

  void dropDuringAHandlerWaitsForIt() {
    // A handler that lets the event loop run (as the engine's progress does) while another drop
    // arrives: the second handler runs after the first returns, with its own lists.
    QWidget owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int depth = 0;
    int maxDepth = 0;
    QList<QStringList> seen;
    drag.OnDrop = [&](TFileDrag& sender) {
      maxDepth = std::max(maxDepth, ++depth);
      seen.append(sender.NameWithPath());
      if (seen.size() == 1) {
        QVERIFY(dropOn(owner, fileUrls({"/second/b.txt"})));
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        QCOMPARE(sender.NameWithPath(), QStringList{"/first/a.txt"});
      }
      --depth;
    };
    QVERIFY(dropOn(owner, fileUrls({"/first/a.txt"})));
    QTRY_COMPARE(seen.size(), 2);
    QCOMPARE(maxDepth, 1);
    QCOMPARE(seen, QList<QStringList>({{"/first/a.txt"}, {"/second/b.txt"}}));
    QCOMPARE(drag.NameWithPath(), QStringList{"/second/b.txt"});
  }

  void handlerMayDestroyTheOwner() {
    auto* owner = new QWidget;
    auto* drag = new TFileDrag(owner);
    owner->setAcceptDrops(true);
    int drops = 0;
    drag->OnDrop = [&](TFileDrag&) {
      ++drops;
      QVERIFY(dropOn(*owner, fileUrls({"/second/b.txt"})));
      QCoreApplication::processEvents();
      delete owner;  // the component and the waiting drop go with it
    };
    QVERIFY(dropOn(*owner, fileUrls({"/first/a.txt"})));
    QTRY_COMPARE(drops, 1);
    QCoreApplication::processEvents();
    QCOMPARE(drops, 1);
  }

  void moveOnlyDropIsNotTaken() {
    // Accepting a move would let the source delete the files before they are added.
    TRecordingWindow owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    int drops = 0;
    drag.OnDrop = [&](TFileDrag&) { ++drops; };
    QVERIFY(!dropOn(owner, fileUrls({"/data/report.txt"}), Qt::MoveAction));
    QVERIFY(owner.contains(QEvent::Drop));
    QCoreApplication::processEvents();
    QCOMPARE(drops, 0);
  }

  void otherEventsReachTheOwner() {
    TRecordingWindow owner;
    TFileDrag drag(&owner);
    owner.setAcceptDrops(true);
    owner.resize(200, 100);
    owner.Received.clear();

    QTest::mouseClick(&owner, Qt::LeftButton);
    QTest::keyClick(&owner, Qt::Key_A);
    // A drag of text goes to the owner, and so does its leaving.
    QMimeData text;
    text.setText("words");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&owner, &enter);
    QVERIFY(enter.isAccepted());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&owner, &leave);
    QEvent polish(QEvent::User);
    QCoreApplication::sendEvent(&owner, &polish);
    QVERIFY(owner.contains(QEvent::MouseButtonPress));
    QVERIFY(owner.contains(QEvent::MouseButtonRelease));
    QVERIFY(owner.contains(QEvent::KeyPress));
    QVERIFY(owner.contains(QEvent::DragEnter));
    QVERIFY(owner.contains(QEvent::DragLeave));
    QVERIFY(owner.contains(QEvent::User));
  }

  void enableDropRegistersTheOwner() {
    QWidget owner;
    owner.setAcceptDrops(true);
    TFileDrag drag(&owner);
    // Construction withdraws the registration: EnableDrop starts false.
    QVERIFY(!drag.EnableDrop());
    QVERIFY(!owner.acceptDrops());
    drag.SetEnableDrop(true);
    QVERIFY(drag.EnableDrop());
    QVERIFY(owner.acceptDrops());
    drag.SetEnableDrop(false);
    QVERIFY(!owner.acceptDrops());

    // A window that registers itself still has its drops taken by the component.
    owner.setAcceptDrops(true);
    int drops = 0;
    drag.OnDrop = [&](TFileDrag&) { ++drops; };
    QVERIFY(dropOn(owner, fileUrls({"/x/y.z"})));
    QTRY_COMPARE(drops, 1);
    QVERIFY(!drag.EnableDrop());
  }

  void withdrawalLeavesTheOwnerAlone() {
    TRecordingWindow owner;
    auto* drag = new TFileDrag(&owner);
    drag->SetEnableDrop(true);
    int drops = 0;
    drag->OnDrop = [&](TFileDrag&) { ++drops; };

    // A drop still waiting for its handler is forgotten with the component.
    QVERIFY(dropOn(owner, fileUrls({"/data/a.txt"})));
    delete drag;
    QCoreApplication::processEvents();
    QCOMPARE(drops, 0);
    QVERIFY(!owner.acceptDrops());

    owner.setAcceptDrops(true);
    owner.Received.clear();
    QVERIFY(!dropOn(owner, fileUrls({"/data/a.txt"})));
    QVERIFY(owner.contains(QEvent::DragEnter));
    QVERIFY(owner.contains(QEvent::Drop));
  }

  void ownerThatIsNoWindowLeavesItInert() {
    QObject owner;
    TFileDrag drag(&owner);
    QVERIFY(!drag.EnableDrop());
    drag.SetEnableDrop(true);  // stored, but there is no window to register
    QCOMPARE(drag.FileCount(), 0);
    QVERIFY(drag.NameWithPath().isEmpty());

    TFileDrag orphan(nullptr);
    QCOMPARE(orphan.FileCount(), 0);
  }

  void destroyedWithItsOwner() {
    auto* owner = new QWidget;
    QPointer<TFileDrag> drag = new TFileDrag(owner);
    drag->SetEnableDrop(true);
    delete owner;
    QVERIFY(drag.isNull());
  }
};

PARCELIX_GUI_TEST_MAIN(TestFileDrag)

#include "test_file_drag.moc"
