#include "platform/widgets/help_viewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace platform {

namespace {

constexpr int kContextRole = Qt::UserRole + 1;

const char kHelpOnHelp[] = R"(<html><head><title>How to Use Help</title></head><body>
<h1>How to Use Help</h1>
<p>The help window shows one page at a time on the right. The panes on the left lead you to
the page you need:</p>
<ul>
<li><b>Contents</b> lists the pages by subject. Books group related pages; double-click a page
(or select it and press Enter) to show it.</li>
<li><b>Index</b> lists keywords in alphabetical order. Type the first few letters of the word you
are looking for; the list keeps the keywords that begin with what you typed first, then those that
contain it. Double-click a keyword to show its page. A keyword that leads to several pages opens
into a list of them.</li>
<li><b>Find</b> searches the text of every page. Type one or more words: the list shows the pages
that contain all of them, the best match first. Double-click a page to show it.</li>
</ul>
<p>Underlined words in a page are links to other pages. <b>Back</b> returns to the page you saw
before, <b>Forward</b> goes ahead again (Alt+Left and Alt+Right do the same). <b>Contents</b> at the
top shows the contents page. Esc closes the help window.</p>
<p>Pressing F1 on a highlighted menu item, or the Help button of a dialog, opens this window at
the page about that item. The window stays open beside the program until you close it; the next
request for help reuses it.</p>
</body></html>)";

QString page(const QString& title, const QString& body) {
  return QStringLiteral("<html><head><title>%1</title></head><body><h1>%1</h1>\n%2\n</body></html>")
      .arg(title.toHtmlEscaped(), body);
}

QString quoted(const QString& path) {
  return QStringLiteral("&quot;%1&quot;").arg(path.toHtmlEscaped());
}

// Serves the file's topics and the viewer's own pages; loads nothing else, so a help file can
// never make the browser read other files from the disk.
class HelpBrowser : public QTextBrowser {
 public:
  HelpBrowser(const HelpWindow& window, QWidget* parent) : QTextBrowser(parent), window_(window) {}

  QVariant loadResource(int type, const QUrl& name) override {
    if (type == QTextDocument::HtmlResource) return window_.pageHtml(name);
    return QVariant();
  }

 private:
  const HelpWindow& window_;
};

}  // namespace

const QUrl HelpWindow::kContentsPage(QStringLiteral("viewer:contents"));
const QUrl HelpWindow::kHelpOnHelpPage(QStringLiteral("viewer:helponhelp"));

HelpWindow::HelpWindow(const HelpFile& file, QWidget* parent) : QWidget(parent, Qt::Window), file_(file) {
  setObjectName(QStringLiteral("HelpWindow"));
  resize(820, 580);

  auto* contentsButton = new QPushButton(tr("&Contents"), this);
  back_ = new QPushButton(tr("&Back"), this);
  forward_ = new QPushButton(tr("&Forward"), this);
  back_->setEnabled(false);
  forward_->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contentsButton);
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addStretch(1);

  panes_ = new QTabWidget(this);

  contentsTree_ = new QTreeWidget;
  contentsTree_->setHeaderHidden(true);
  panes_->addTab(contentsTree_, tr("Contents"));

  auto* indexPane = new QWidget;
  auto* indexLayout = new QVBoxLayout(indexPane);
  auto* indexLabel = new QLabel(tr("&Type the first few letters of the word you are looking for:"));
  indexLabel->setWordWrap(true);
  indexEdit_ = new QLineEdit;
  indexLabel->setBuddy(indexEdit_);
  indexList_ = new QTreeWidget;
  indexList_->setHeaderHidden(true);
  auto* display = new QPushButton(tr("&Display"));
  indexLayout->addWidget(indexLabel);
  indexLayout->addWidget(indexEdit_);
  indexLayout->addWidget(indexList_, 1);
  indexLayout->addWidget(display, 0, Qt::AlignRight);
  panes_->addTab(indexPane, tr("Index"));

  auto* findPane = new QWidget;
  auto* findLayout = new QVBoxLayout(findPane);
  auto* findLabel = new QLabel(tr("T&ype the words you want to find:"));
  findLabel->setWordWrap(true);
  findEdit_ = new QLineEdit;
  findLabel->setBuddy(findEdit_);
  findResults_ = new QListWidget;
  findCount_ = new QLabel;
  findLayout->addWidget(findLabel);
  findLayout->addWidget(findEdit_);
  findLayout->addWidget(findResults_, 1);
  findLayout->addWidget(findCount_);
  panes_->addTab(findPane, tr("Find"));

  browser_ = new HelpBrowser(*this, this);
  browser_->setOpenLinks(false);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(panes_);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({260, 560});

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(splitter, 1);

  connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
  connect(new QShortcut(QKeySequence::Back, this), &QShortcut::activated, browser_, &QTextBrowser::backward);
  connect(new QShortcut(QKeySequence::Forward, this), &QShortcut::activated, browser_,
          &QTextBrowser::forward);
  connect(contentsButton, &QPushButton::clicked, this, &HelpWindow::showContents);
  connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::anchorClicked);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] { setWindowTitle(windowTitleText()); });

  connect(contentsTree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const int context = item->data(0, kContextRole).toInt();
    if (context > 0) go(QUrl(QStringLiteral("topic:%1").arg(context)));
  });
  connect(indexEdit_, &QLineEdit::textChanged, this, &HelpWindow::fillIndex);
  connect(indexEdit_, &QLineEdit::returnPressed, this,
          [this] { displayIndexItem(indexList_->currentItem()); });
  connect(indexList_, &QTreeWidget::itemActivated, this, &HelpWindow::displayIndexItem);
  connect(display, &QPushButton::clicked, this, [this] { displayIndexItem(indexList_->currentItem()); });
  connect(findEdit_, &QLineEdit::textChanged, this, &HelpWindow::fillFind);
  connect(findEdit_, &QLineEdit::returnPressed, this, &HelpWindow::displayFindResult);
  connect(findResults_, &QListWidget::itemActivated, this, &HelpWindow::displayFindResult);

  rebuild();
}

QString HelpWindow::windowTitleText() const {
  const QString title = file_.isLoaded() && !file_.title().isEmpty() ? file_.title() : tr("Help");
  const QString pageTitle = browser_->documentTitle();
  return pageTitle.isEmpty() ? title : pageTitle + QStringLiteral(" - ") + title;
}

void HelpWindow::rebuild() {
  contentsTree_->clear();
  QList<QTreeWidgetItem*> parents;  // the open book at each level
  for (const HelpContentsEntry& entry : file_.contents()) {
    while (parents.size() >= entry.level) parents.removeLast();
    auto* item = parents.isEmpty() ? new QTreeWidgetItem(contentsTree_) : new QTreeWidgetItem(parents.last());
    item->setText(0, entry.title);
    item->setData(0, kContextRole, entry.context);
    parents << item;
  }
  fillIndex(indexEdit_->text());
  fillFind(findEdit_->text());
  setWindowTitle(windowTitleText());
  // A page already shown may have changed with the file.
  if (!browser_->source().isEmpty()) browser_->reload();
}

void HelpWindow::fillIndex(const QString& partial) {
  indexList_->clear();
  for (const HelpKeyword& keyword : file_.keywordsMatching(partial)) {
    auto* item = new QTreeWidgetItem(indexList_);
    item->setText(0, keyword.keyword);
    if (keyword.contexts.size() == 1) {
      item->setData(0, kContextRole, keyword.contexts.first());
      continue;
    }
    for (int context : keyword.contexts) {
      const HelpTopic* topic = file_.topic(context);
      auto* child = new QTreeWidgetItem(item);
      child->setText(0, topic ? topic->title : tr("Topic %1").arg(context));
      child->setData(0, kContextRole, context);
    }
  }
  if (indexList_->topLevelItemCount() > 0) indexList_->setCurrentItem(indexList_->topLevelItem(0));
}

void HelpWindow::displayIndexItem(QTreeWidgetItem* item) {
  if (!item) return;
  const int context = item->data(0, kContextRole).toInt();
  if (context > 0) {
    go(QUrl(QStringLiteral("topic:%1").arg(context)));
  } else if (item->childCount() > 0) {
    item->setExpanded(true);
    indexList_->setCurrentItem(item->child(0));
  }
}

void HelpWindow::fillFind(const QString& words) {
  findResults_->clear();
  const QList<int> found = file_.search(words);
  for (int context : found) {
    const HelpTopic* topic = file_.topic(context);
    auto* item = new QListWidgetItem(topic->title, findResults_);
    item->setData(kContextRole, context);
  }
  if (findResults_->count() > 0) findResults_->setCurrentRow(0);
  findCount_->setText(words.trimmed().isEmpty() ? QString()
                      : found.size() == 1       ? tr("1 topic found")
                                                : tr("%1 topics found").arg(found.size()));
}

void HelpWindow::displayFindResult() {
  if (QListWidgetItem* item = findResults_->currentItem())
    go(QUrl(QStringLiteral("topic:%1").arg(item->data(kContextRole).toInt())));
}

void HelpWindow::showContents() {
  panes_->setCurrentIndex(0);
  go(kContentsPage);
}

void HelpWindow::showIndex(const QString& keyword) {
  panes_->setCurrentIndex(1);
  indexEdit_->setText(keyword);
  fillIndex(keyword);  // also when the text did not change
  indexEdit_->selectAll();
  indexEdit_->setFocus();
  // A keyword that names exactly one page leads straight to it.
  const QString wanted = keyword.trimmed();
  for (const HelpKeyword& k : file_.index()) {
    if (!wanted.isEmpty() && k.keyword.compare(wanted, Qt::CaseInsensitive) == 0 && k.contexts.size() == 1) {
      go(QUrl(QStringLiteral("topic:%1").arg(k.contexts.first())));
      return;
    }
  }
  if (browser_->source().isEmpty()) go(kContentsPage);
}

void HelpWindow::showFind(const QString& words) {
  panes_->setCurrentIndex(2);
  findEdit_->setText(words);
  findEdit_->setFocus();
  if (browser_->source().isEmpty()) go(kContentsPage);
}

void HelpWindow::showTopic(int context) {
  go(QUrl(QStringLiteral("topic:%1").arg(context)));
  selectInContents(context);
}

void HelpWindow::showHelpOnHelp() {
  go(kHelpOnHelpPage);
}

void HelpWindow::selectInContents(int context) {
  for (QTreeWidgetItemIterator it(contentsTree_); *it; ++it) {
    if ((*it)->data(0, kContextRole).toInt() == context) {
      contentsTree_->setCurrentItem(*it);
      return;
    }
  }
}

void HelpWindow::go(const QUrl& url) {
  if (browser_->source() == url)
    browser_->reload();
  else
    browser_->setSource(url, QTextDocument::HtmlResource);
}

void HelpWindow::anchorClicked(const QUrl& url) {
  const QString scheme = url.scheme();
  if (scheme == QLatin1String("topic") || scheme == QLatin1String("viewer"))
    go(url);
  else if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("mailto"))
    QDesktopServices::openUrl(url);
}

QUrl HelpWindow::currentPage() const {
  return browser_->source();
}

QString HelpWindow::currentTitle() const {
  return browser_->documentTitle();
}

QString HelpWindow::currentText() const {
  return browser_->toPlainText();
}

QString HelpWindow::currentPane() const {
  return panes_->tabText(panes_->currentIndex());
}

QString HelpWindow::problemPage() const {
  const QString path = quoted(file_.path());
  switch (file_.status()) {
    case HelpFile::Status::Missing:
      return page(tr("Help file not found"),
                  tr("<p>The help file %1 could not be found.</p><p>It belongs in the same folder as "
                     "the program. Install Parcelix again, or copy Parcelix.hlp into that folder.</p>")
                      .arg(path));
    case HelpFile::Status::Unreadable:
      return page(
          tr("Help file not readable"),
          tr("<p>The help file %1 could not be read: %2.</p>").arg(path, file_.errorText().toHtmlEscaped()));
    case HelpFile::Status::Damaged:
      return page(tr("Help file damaged"),
                  tr("<p>The help file %1 is damaged and cannot be shown (%2).</p><p>Install Parcelix "
                     "again to replace it.</p>")
                      .arg(path, file_.errorText().toHtmlEscaped()));
    case HelpFile::Status::NotLoaded:
    case HelpFile::Status::Ok:
      break;
  }
  return page(tr("No help file"), tr("<p>No help file has been named.</p>"));
}

QString HelpWindow::pageHtml(const QUrl& url) const {
  if (url == kHelpOnHelpPage) return QString::fromUtf8(kHelpOnHelp);
  if (!file_.isLoaded()) return problemPage();
  if (url == kContentsPage)
    return QStringLiteral("<html><head><title>%1</title></head><body>%2</body></html>")
        .arg(tr("Contents"), file_.contentsHtml());
  if (url.scheme() == QLatin1String("topic")) {
    bool ok = false;
    const int context = url.path().toInt(&ok);
    if (const HelpTopic* topic = ok ? file_.topic(context) : nullptr) return page(topic->title, topic->html);
    return page(tr("Topic not found"),
                tr("<p>The help file %1 has no topic number %2.</p><p><a href=\"viewer:contents\">Show "
                   "the contents</a></p>")
                    .arg(quoted(file_.path()), url.path().toHtmlEscaped()));
  }
  return QString();
}

THelpViewer::THelpViewer() = default;

THelpViewer::~THelpViewer() {
  // A viewer that outlives the application leaves its window to the process's end: deleting a
  // widget without an application crashes.
  if (QCoreApplication::instance()) delete window_.data();
}

void THelpViewer::refresh(const QString& helpFile) {
  const QFileInfo info(helpFile);
  const QDateTime stamp = info.exists() ? info.lastModified() : QDateTime();
  const qint64 size = info.exists() ? info.size() : -1;
  if (file_.status() != HelpFile::Status::NotLoaded && file_.path() == helpFile && stamp == loadedStamp_ &&
      size == loadedSize_)
    return;
  file_.load(helpFile);
  loadedStamp_ = stamp;
  loadedSize_ = size;
  if (window_) window_->rebuild();
}

bool THelpViewer::WinHelp(const QString& helpFile, THelpCommand command, int context,
                          const QString& keyword) {
  if (command == HELP_QUIT) {
    if (window_) window_->close();
    return true;
  }
  if (command != HELP_CONTEXT && command != HELP_HELPONHELP && command != HELP_FINDER &&
      command != HELP_PARTIALKEY)
    return false;

  if (!window_) window_ = new HelpWindow(file_);
  refresh(helpFile);

  switch (command) {
    case HELP_CONTEXT:
      window_->showTopic(context);
      break;
    case HELP_HELPONHELP:
      window_->showHelpOnHelp();
      break;
    case HELP_FINDER:
      window_->showContents();
      break;
    case HELP_PARTIALKEY:
      window_->showIndex(keyword);
      break;
    default:
      break;
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
  return true;
}

}  // namespace platform
