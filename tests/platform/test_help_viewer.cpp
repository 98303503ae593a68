// The help viewer and its file: the built Parcelix.hlp, each kind of request, and what the viewer
// shows when the file or a topic is missing or the file is damaged.
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>

#include "help_file_sample.h"
#include "platform/help_file.h"
#include "platform/widgets/help_viewer.h"

using platform::HelpFile;
using platform::HelpWindow;
using platform::THelpViewer;

namespace {

// The numbers the menus and dialogs name, whether or not their layouts exist yet.
const QList<int> kMenuContexts = {1000, 1001, 1003, 1005, 1006, 1007, 1008, 1009, 1010,
                                  1012, 1013, 1015, 1017, 1018, 1024, 1026, 1036, 1037,
                                  1039, 1040, 1041, 1045, 1046, 1047, 1048, 1049, 1050};

QString builtHelpFile() {
  return QCoreApplication::applicationDirPath() + "/Parcelix.hlp";
}

// Every help context that a window layout of the program names.
QSet<int> contextsInLayouts() {
  QSet<int> found;
  const QString src = QFINDTESTDATA("../../src");
  if (src.isEmpty()) return found;
  const QRegularExpression re(R"(<property\s+name="helpContext"[^>]*>\s*<number>(\d+)</number>)");
  QDirIterator it(src, {"*.ui"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile f(it.next());
    if (!f.open(QIODevice::ReadOnly)) continue;
    auto matches = re.globalMatch(QString::fromUtf8(f.readAll()));
    while (matches.hasNext()) found.insert(matches.next().captured(1).toInt());
  }
  return found;
}

bool writeFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

}  // namespace

class TestHelpViewer : public QObject {
  Q_OBJECT

 private slots:
  void builtFileHasATopicForEveryContext();
  void requestsShowTheRightPage();
  void oneWindowIsReused();
  void linksAndHistory();
  void partialKeyOpensTheIndex();
  void findSearchesTheText();
  void missingFileIsToldByTheViewer();
  void missingTopicIsToldByTheViewer();
  void changedFileIsReadAgain();
  void browserLoadsNothingFromDisk();
};

void TestHelpViewer::builtFileHasATopicForEveryContext() {
  HelpFile file;
  QCOMPARE(file.load(builtHelpFile()), HelpFile::Status::Ok);
  QCOMPARE(file.title(), QString("Parcelix Help"));

  QSet<int> wanted(kMenuContexts.begin(), kMenuContexts.end());
  wanted += contextsInLayouts();
  for (int context : wanted) {
    const platform::HelpTopic* topic = file.topic(context);
    QVERIFY2(topic, qPrintable(QString("no topic %1").arg(context)));
    QVERIFY2(!topic->title.isEmpty() && topic->text.size() > 200,
             qPrintable(QString("topic %1 is empty").arg(context)));
  }
  QCOMPARE(file.topic(1036)->title, QString("Quick Start Tutorial"));

  // The contents and the index lead only to topics that exist, and every topic is reachable.
  QSet<int> listed;
  for (const auto& entry : file.contents()) {
    if (entry.context == 0) continue;
    QVERIFY2(file.topic(entry.context), qPrintable(entry.title));
    listed.insert(entry.context);
  }
  for (const auto& keyword : file.index())
    for (int context : keyword.contexts) QVERIFY2(file.topic(context), qPrintable(keyword.keyword));
  const QList<int> all = file.contexts();
  QCOMPARE(listed, QSet<int>(all.begin(), all.end()));

  // Links between topics lead to topics that exist.
  const QRegularExpression link(R"re(href="topic:(\d+)")re");
  for (int context : all) {
    auto matches = link.globalMatch(file.topic(context)->html);
    while (matches.hasNext()) {
      const int target = matches.next().captured(1).toInt();
      QVERIFY2(file.topic(target),
               qPrintable(QString("topic %1 links to missing %2").arg(context).arg(target)));
    }
  }
}

void TestHelpViewer::requestsShowTheRightPage() {
  THelpViewer viewer;
  const QString path = builtHelpFile();

  QVERIFY(viewer.WinHelp(path, platform::HELP_CONTEXT, 1036));
  HelpWindow* w = viewer.window();
  QVERIFY(w && w->isVisible());
  QCOMPARE(w->currentPage(), QUrl("topic:1036"));
  QCOMPARE(w->currentTitle(), QString("Quick Start Tutorial"));
  QVERIFY(w->currentText().contains("Ctrl+N"));
  QCOMPARE(w->contentsTree()->currentItem()->text(0), QString("Quick Start Tutorial"));

  QVERIFY(viewer.WinHelp(path, platform::HELP_FINDER));
  QCOMPARE(w->currentPane(), QString("Contents"));
  QCOMPARE(w->currentPage(), HelpWindow::kContentsPage);
  QVERIFY(w->currentText().contains("Testing and repair"));
  QVERIFY(w->contentsTree()->topLevelItemCount() >= 5);

  QVERIFY(viewer.WinHelp(path, platform::HELP_HELPONHELP));
  QCOMPARE(w->currentPage(), HelpWindow::kHelpOnHelpPage);
  QCOMPARE(w->currentTitle(), QString("How to Use Help"));

  QVERIFY(viewer.WinHelp(path, platform::HELP_CONTEXT, 1010));
  QCOMPARE(w->currentTitle(), QString("Configuration"));

  QVERIFY(viewer.WinHelp(path, platform::HELP_QUIT));
  QVERIFY(!w->isVisible());
  QVERIFY(!viewer.WinHelp(path, static_cast<platform::THelpCommand>(0x7777)));
  QVERIFY(!w->isVisible());
}

void TestHelpViewer::oneWindowIsReused() {
  THelpViewer viewer;
  QVERIFY(viewer.WinHelp(builtHelpFile(), platform::HELP_QUIT));  // nothing open: nothing to do
  QVERIFY(!viewer.window());
  viewer.WinHelp(builtHelpFile(), platform::HELP_CONTEXT, 1001);
  HelpWindow* first = viewer.window();
  first->close();  // the user closes it
  viewer.WinHelp(builtHelpFile(), platform::HELP_CONTEXT, 1017);
  QCOMPARE(viewer.window(), first);
  QVERIFY(first->isVisible());
  QCOMPARE(first->currentPage(), QUrl("topic:1017"));
  const QWidgetList windows = QApplication::topLevelWidgets();
  QCOMPARE(std::count_if(windows.begin(), windows.end(),
                         [](QWidget* widget) { return qobject_cast<HelpWindow*>(widget) != nullptr; }),
           1);
}

void TestHelpViewer::linksAndHistory() {
  THelpViewer viewer;
  viewer.WinHelp(builtHelpFile(), platform::HELP_CONTEXT, 1036);
  HelpWindow* w = viewer.window();
  emit w->browser()->anchorClicked(QUrl("topic:1017"));
  QCOMPARE(w->currentTitle(), QString("Extract"));
  w->browser()->backward();
  QCOMPARE(w->currentPage(), QUrl("topic:1036"));
  // Links to anything else never replace the page.
  emit w->browser()->anchorClicked(QUrl("file:///etc/passwd"));
  QCOMPARE(w->currentPage(), QUrl("topic:1036"));
}

void TestHelpViewer::partialKeyOpensTheIndex() {
  THelpViewer viewer;
  const QString path = builtHelpFile();

  // The Search command: the index with nothing typed lists every keyword.
  QVERIFY(viewer.WinHelp(path, platform::HELP_PARTIALKEY, 0, QString()));
  HelpWindow* w = viewer.window();
  QCOMPARE(w->currentPane(), QString("Index"));
  QCOMPARE(w->indexEdit()->text(), QString());
  QCOMPARE(w->indexList()->topLevelItemCount(), int(viewer.file().index().size()));
  QCOMPARE(w->currentPage(), HelpWindow::kContentsPage);

  // A partial keyword: matches that begin with it come first and the first is selected.
  viewer.WinHelp(path, platform::HELP_PARTIALKEY, 0, "extr");
  QCOMPARE(w->indexEdit()->text(), QString("extr"));
  QVERIFY(w->indexList()->topLevelItemCount() > 0);
  QVERIFY(w->indexList()->currentItem()->text(0).startsWith("extr", Qt::CaseInsensitive));
  for (int i = 0; i < w->indexList()->topLevelItemCount(); ++i)
    QVERIFY(w->indexList()->topLevelItem(i)->text(0).contains("extr", Qt::CaseInsensitive));

  // A whole keyword of one topic shows that topic.
  viewer.WinHelp(path, platform::HELP_PARTIALKEY, 0, "multidisk MODE");
  QCOMPARE(w->currentPage(), QUrl("topic:1041"));

  // Typing in the index narrows it; Enter shows the selected keyword's page.
  w->indexEdit()->setText("Test Archive");
  QCOMPARE(w->indexList()->currentItem()->text(0), QString("Test Archive"));
  emit w->indexEdit()->returnPressed();
  QCOMPARE(w->currentPage(), QUrl("topic:1045"));

  // Nothing matches: an empty list, and Enter changes nothing.
  w->indexEdit()->setText("qqqzzz");
  QCOMPARE(w->indexList()->topLevelItemCount(), 0);
  emit w->indexEdit()->returnPressed();
  QCOMPARE(w->currentPage(), QUrl("topic:1045"));
}

void TestHelpViewer::findSearchesTheText() {
  // The search itself is the file's (test_help_file.cpp); here the Find pane shows its results.
  THelpViewer viewer;
  viewer.WinHelp(builtHelpFile(), platform::HELP_FINDER);
  HelpWindow* w = viewer.window();
  w->showFind("spanned segment");
  QCOMPARE(w->currentPane(), QString("Find"));
  QVERIFY(w->findResults()->count() >= 1);
  QList<int> found;
  for (int i = 0; i < w->findResults()->count(); ++i)
    found << w->findResults()->item(i)->data(Qt::UserRole + 1).toInt();
  QVERIFY(found.contains(1041));
  emit w->findEdit()->returnPressed();
  QCOMPARE(w->currentPage(), QUrl(QString("topic:%1").arg(found.first())));
}

void TestHelpViewer::missingFileIsToldByTheViewer() {
  QTemporaryDir dir;
  const QString path = dir.filePath("Parcelix.hlp");
  THelpViewer viewer;
  QVERIFY(viewer.WinHelp(path, platform::HELP_CONTEXT, 1036));
  HelpWindow* w = viewer.window();
  QVERIFY(w->isVisible());
  QCOMPARE(w->currentTitle(), QString("Help file not found"));
  QVERIFY(w->currentText().contains(path));

  for (auto command : {platform::HELP_FINDER, platform::HELP_PARTIALKEY}) {
    QVERIFY(viewer.WinHelp(path, command));
    QCOMPARE(w->currentTitle(), QString("Help file not found"));
  }
  QCOMPARE(w->contentsTree()->topLevelItemCount(), 0);
  QCOMPARE(w->indexList()->topLevelItemCount(), 0);

  // The page on using help is the viewer's own and needs no file.
  viewer.WinHelp(path, platform::HELP_HELPONHELP);
  QCOMPARE(w->currentTitle(), QString("How to Use Help"));

  // The file appears: the next request finds it.
  QVERIFY(writeFile(path, smallHelpFile()));
  viewer.WinHelp(path, platform::HELP_CONTEXT, 1001);
  QCOMPARE(w->currentTitle(), QString("Add"));
  QCOMPARE(w->windowTitle(), QString("Add - Test Help"));
}

void TestHelpViewer::missingTopicIsToldByTheViewer() {
  THelpViewer viewer;
  QVERIFY(viewer.WinHelp(builtHelpFile(), platform::HELP_CONTEXT, 4242));
  HelpWindow* w = viewer.window();
  QCOMPARE(w->currentTitle(), QString("Topic not found"));
  QVERIFY(w->currentText().contains("4242"));
  QVERIFY(viewer.WinHelp(builtHelpFile(), platform::HELP_CONTEXT, 0));
  QCOMPARE(w->currentTitle(), QString("Topic not found"));
}

void TestHelpViewer::changedFileIsReadAgain() {
  QTemporaryDir dir;
  const QString path = dir.filePath("Parcelix.hlp");
  QVERIFY(writeFile(path, smallHelpFile("<p>First edition.</p>")));
  THelpViewer viewer;
  viewer.WinHelp(path, platform::HELP_CONTEXT, 1001);
  HelpWindow* w = viewer.window();
  QVERIFY(w->currentText().contains("First edition."));

  QVERIFY(writeFile(path, smallHelpFile("<p>Second, longer edition.</p>")));
  viewer.WinHelp(path, platform::HELP_CONTEXT, 1001);  // the same page, asked again
  QVERIFY(w->currentText().contains("Second, longer edition."));

  // Damaged now: the open page gives way to the viewer's message, and the panes empty.
  QVERIFY(writeFile(path, "#PARCELIX-HELP 1\n#TOPIC 1001\n<p>cut short"));
  viewer.WinHelp(path, platform::HELP_CONTEXT, 1001);
  QCOMPARE(w->currentTitle(), QString("Help file damaged"));
  QCOMPARE(w->contentsTree()->topLevelItemCount(), 0);

  QVERIFY(QFile::remove(path));
  viewer.WinHelp(path, platform::HELP_FINDER);
  QCOMPARE(w->currentTitle(), QString("Help file not found"));
}

void TestHelpViewer::browserLoadsNothingFromDisk() {
  // A help file may name images or style sheets on the disk; the viewer reads none of them.
  QTemporaryDir dir;
  const QString secret = dir.filePath("secret.txt");
  QVERIFY(writeFile(secret, "secret"));
  const QString path = dir.filePath("Parcelix.hlp");
  QVERIFY(writeFile(path, smallHelpFile("<img src=\"" + QUrl::fromLocalFile(secret).toEncoded() + "\">")));
  THelpViewer viewer;
  viewer.WinHelp(path, platform::HELP_CONTEXT, 1001);
  QTextBrowser* browser = viewer.window()->browser();
  QVERIFY(!browser->loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(secret)).isValid());
  QVERIFY(
      browser->loadResource(QTextDocument::HtmlResource, QUrl::fromLocalFile(secret)).toString().isEmpty());
  QVERIFY(!browser->loadResource(QTextDocument::StyleSheetResource, QUrl::fromLocalFile(secret)).isValid());
}

QTEST_MAIN(TestHelpViewer)
#include "test_help_viewer.moc"
