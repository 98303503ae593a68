// The help viewer: one window, reused between requests, that shows "Parcelix.hlp" with a
// contents, an index and a find pane beside the page. Problems with the file (missing, damaged,
// no such topic) are told on a page of the viewer's own; the program never has to report them.
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include "platform/help.h"
#include "platform/help_file.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace platform {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // Pages of the viewer's own, next to the file's "topic:<number>".
  static const QUrl kContentsPage;    // viewer:contents
  static const QUrl kHelpOnHelpPage;  // viewer:helponhelp

  explicit HelpWindow(const HelpFile& file, QWidget* parent = nullptr);

  // Fills the panes again from the file (after it was loaded or failed to load).
  void rebuild();

  void showContents();                     // contents pane and the contents page
  void showIndex(const QString& keyword);  // index pane with `keyword` typed
  void showTopic(int context);
  void showHelpOnHelp();
  void showFind(const QString& words);  // find pane with `words` typed

  // What is shown, for callers and tests.
  QUrl currentPage() const;
  QString currentTitle() const;  // the page's title
  QString currentText() const;   // the page as plain text
  QString currentPane() const;   // "Contents", "Index" or "Find"

  QTabWidget* panes() const { return panes_; }
  QTextBrowser* browser() const { return browser_; }
  QLineEdit* indexEdit() const { return indexEdit_; }
  QTreeWidget* indexList() const { return indexList_; }
  QTreeWidget* contentsTree() const { return contentsTree_; }
  QLineEdit* findEdit() const { return findEdit_; }
  QListWidget* findResults() const { return findResults_; }

  // The page for `url`, as HTML (what the browser loads).
  QString pageHtml(const QUrl& url) const;

 private:
  void go(const QUrl& url);
  void anchorClicked(const QUrl& url);
  void fillIndex(const QString& partial);
  void fillFind(const QString& words);
  void displayIndexItem(QTreeWidgetItem* item);
  void displayFindResult();
  void selectInContents(int context);
  QString problemPage() const;
  QString windowTitleText() const;

  const HelpFile& file_;
  QTabWidget* panes_ = nullptr;
  QTreeWidget* contentsTree_ = nullptr;
  QLineEdit* indexEdit_ = nullptr;
  QTreeWidget* indexList_ = nullptr;
  QLineEdit* findEdit_ = nullptr;
  QListWidget* findResults_ = nullptr;
  QLabel* findCount_ = nullptr;
  QTextBrowser* browser_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* forward_ = nullptr;
};

class THelpViewer : public THelp {
 public:
  THelpViewer();
  ~THelpViewer() override;

  bool WinHelp(const QString& helpFile, THelpCommand command, int context = 0,
               const QString& keyword = QString()) override;

  // The window, once a request made it (nullptr before).
  HelpWindow* window() const { return window_; }
  const HelpFile& file() const { return file_; }

 private:
  void refresh(const QString& helpFile);

  HelpFile file_;
  QDateTime loadedStamp_;
  qint64 loadedSize_ = -1;
  QPointer<HelpWindow> window_;
};

}  // namespace platform
