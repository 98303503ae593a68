#include "windows/browser.h"

#include <dirent.h>

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <algorithm>
#include <cerrno>
#include <numeric>

#include "engine/zip_engine.h"
#include "platform/dialogs.h"
#include "settings/placement.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "ui_browser.h"
#include "windows/browser_pictures.h"
#include "windows/info.h"
#include "windows/window_owner.h"

namespace {

// The folder last chosen in any browser window: where the next choice starts. Kept for the run
// of the program only.
QString BrowseFolder;

constexpr int kRowHeight = 16;
constexpr int kHeaderHeight = 17;
constexpr int kNameSectionWidth = 150;
constexpr int kCommentSectionWidth = 300;
constexpr int kStatusPanelWidth = 200;
constexpr int kTextIndent = 2;
constexpr int kHelpContext = 1048;
// A step reads comments for at most this long, so the window keeps answering while a large
// folder is read; every step reads at least one.
constexpr qint64 kStepMillis = 25;
// How often a postponed step looks again whether the main window's engine has finished.
constexpr int kPausedInterval = 50;

QString JoinPath(const QString& Folder, const QString& Name) {
  // The root already ends with the separator.
  return Folder.endsWith(u'/') ? Folder + Name : Folder + u'/' + Name;
}

bool ItemLess(const TBrowseItem& Left, const TBrowseItem& Right) {
  const int order = QString::compare(Left.Text, Right.Text, Qt::CaseInsensitive);
  return order != 0 ? order < 0 : Left.Text < Right.Text;
}

// The folder's own error, in the system's words; empty when it can be read.
QString FolderReadError(const QString& Folder) {
  errno = 0;
  DIR* directory = ::opendir(QFile::encodeName(Folder).constData());
  if (!directory) return qt_error_string(errno);
  ::closedir(directory);
  return QString();
}

// Rows are painted by the window's FilesLbDrawItem, one fixed height each.
class TFilesLbDelegate : public QAbstractItemDelegate {
 public:
  TFilesLbDelegate(const TFrmBrowse& Window, QObject* Parent)
      : QAbstractItemDelegate(Parent), FWindow(Window) {}

  void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    FWindow.FilesLbDrawItem(*Painter, Option, Index);
  }
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex&) const override {
    // A larger desktop font would not fit the classic 16 pixels.
    return QSize(FWindow.FilesHd->length(), qMax(kRowHeight, Option.fontMetrics.height()));
  }

 private:
  const TFrmBrowse& FWindow;
};

}  // namespace

// ---- the rows ----

TBrowseItem TBrowseItem::Make(const QString& Path, const QString& Comment) {
  return TBrowseItem{Path + u',' + Comment, Path.size()};
}

int TBrowseItems::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : int(FItems.size());
}

QVariant TBrowseItems::data(const QModelIndex& Index, int Role) const {
  if (!Index.isValid() || Index.row() >= FItems.size() || Role != Qt::DisplayRole) return QVariant();
  return FItems.at(Index.row()).Text;
}

void TBrowseItems::Append(const QList<TBrowseItem>& Items) {
  if (Items.isEmpty()) return;
  beginInsertRows(QModelIndex(), int(FItems.size()), int(FItems.size() + Items.size() - 1));
  FItems.append(Items);
  endInsertRows();
}

void TBrowseItems::Clear() {
  beginResetModel();
  FItems.clear();
  endResetModel();
}

void TBrowseItems::Sort() {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  QList<int> order(FItems.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [this](int a, int b) { return ItemLess(FItems[a], FItems[b]); });
  QList<TBrowseItem> sorted;
  sorted.reserve(FItems.size());
  QList<int> newRow(FItems.size());
  for (int at = 0; at < order.size(); ++at) {
    sorted.append(FItems[order[at]]);
    newRow[order[at]] = at;
  }
  FItems = std::move(sorted);
  // Selected rows stay selected where they went.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  for (const QModelIndex& old : before) after << index(newRow[old.row()], 0);
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---- the window ----

class TFrmBrowse::TNested {
 public:
  explicit TNested(TFrmBrowse& Window) : FWindow(Window) { ++FWindow.FNesting; }
  ~TNested() {
    if (--FWindow.FNesting == 0 && FWindow.FReleasePending) FWindow.deleteLater();
  }
  TNested(const TNested&) = delete;
  TNested& operator=(const TNested&) = delete;

 private:
  TFrmBrowse& FWindow;
};

TFrmBrowse::TFrmBrowse(TWindowOwner& Owner)
    // No parent: a window owned by the main window would be kept above it, and Open must be able
    // to bring the main window to the front.
    : QWidget(nullptr),
      ui(std::make_unique<Ui::FrmBrowse>()),
      FOwner(&Owner),
      FOwnerWindow(Owner.OwnerWindow()) {
  QWidget& ownerWindow = *Owner.OwnerWindow();
  ui->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(ownerWindow.windowIcon());
  // Beside a main window that stays on top, a browser that did not could never be seen.
  if (ownerWindow.windowFlags() & Qt::WindowStaysOnTopHint) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  ui->SpdBtnBrowse->setIcon(BrowseFolderIcon(ui->SpdBtnBrowse->palette()));
  ui->SpdBtnOpen->setIcon(OpenArchiveIcon(ui->SpdBtnOpen->palette()));

  ZipEngine1 = new TZipEngine(this);
  ZipEngine1->setObjectName(QStringLiteral("ZipEngine1"));
  Placement1 = new TPlacement(this);
  Placement1->setObjectName(QStringLiteral("Placement1"));
  Placement1->IniFileName = kSettingsFileName;
  Placement1->Entry = QStringLiteral("FrmBrowse");

  FilesHd = new QHeaderView(Qt::Horizontal, this);
  FilesHd->setObjectName(QStringLiteral("FilesHd"));
  auto* sections = new QStandardItemModel(0, 2, FilesHd);
  sections->setHorizontalHeaderLabels({tr("Archive Name"), tr("Archive Comment")});
  FilesHd->setModel(sections);
  FilesHd->setSectionsClickable(false);
  FilesHd->setSectionsMovable(false);
  FilesHd->setStretchLastSection(false);
  FilesHd->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  FilesHd->setSectionResizeMode(QHeaderView::Interactive);
  FilesHd->resizeSection(0, kNameSectionWidth);
  FilesHd->resizeSection(1, kCommentSectionWidth);
  FilesHd->setFixedHeight(qMax(kHeaderHeight, fontMetrics().height() + 4));
  ui->BrowseLayout->insertWidget(1, FilesHd);

  FItems = new TBrowseItems(this);
  FItems->setObjectName(QStringLiteral("FilesLbItems"));
  ui->FilesLb->setModel(FItems);
  ui->FilesLb->setItemDelegate(new TFilesLbDelegate(*this, ui->FilesLb));

  StatusPanel0 = new QLabel(ui->StatusBar1);
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel0->setFrameShape(QFrame::Panel);
  StatusPanel0->setFrameShadow(QFrame::Sunken);
  // Also keeps a long folder in the hint from widening the window.
  StatusPanel0->setMinimumWidth(kStatusPanelWidth);
  ui->StatusBar1->addWidget(StatusPanel0, 1);

  connect(ui->SpdBtnBrowse, &QToolButton::clicked, this, &TFrmBrowse::SpdBtnBrowseClick);
  connect(ui->SpdBtnOpen, &QToolButton::clicked, this, &TFrmBrowse::SpdBtnOpenClick);
  // Selection changes by keyboard count as much as clicks.
  connect(ui->FilesLb->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFrmBrowse::FilesLbClick);
  connect(ui->FilesLb, &QListView::doubleClicked, this, &TFrmBrowse::FilesLbDblClick);
  connect(FilesHd, &QHeaderView::sectionResized, this, &TFrmBrowse::FilesHdSectionResize);
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, &TFrmBrowse::ShowHelp);

  FReadTimer = new QTimer(this);
  connect(FReadTimer, &QTimer::timeout, this, &TFrmBrowse::ReadCommentsStep);

  // The browsers go with the main window: when it closes (the program ends) or is destroyed.
  ownerWindow.installEventFilter(this);
  connect(&ownerWindow, &QObject::destroyed, this, &QWidget::close);
}

TFrmBrowse::~TFrmBrowse() {
  FormDestroy();
}

void TFrmBrowse::FormDestroy() {
  StopReading();
  if (!Placement1->SavePlacement() && Owner())
    ReportUnwritableSettings(Owner()->Dialogs(), Placement1->IniFileName);
}

void TFrmBrowse::showEvent(QShowEvent* Event) {
  QWidget::showEvent(Event);
  if (!FShown) {
    FShown = true;
    FormShow();
  }
}

void TFrmBrowse::FormShow() {
  EnableOpen();
  Placement1->RestorePlacement();
}

void TFrmBrowse::changeEvent(QEvent* Event) {
  QWidget::changeEvent(Event);
  if (Event->type() != QEvent::ActivationChange) return;
  if (isActiveWindow())
    FormActivate();
  else
    qApp->removeEventFilter(this);
}

// While this window is active, the hints of its controls go to its own status bar.
void TFrmBrowse::FormActivate() {
  qApp->installEventFilter(this);
}

void TFrmBrowse::closeEvent(QCloseEvent* Event) {
  StopReading();
  if (FNesting > 0 && testAttribute(Qt::WA_DeleteOnClose)) {
    // Closed while one of this window's handlers waits inside an engine call or a dialog (both
    // let events run): the window goes once that handler has returned, not from under it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    FReleasePending = true;
  }
  QWidget::closeEvent(Event);
}

bool TFrmBrowse::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FOwnerWindow && Event->type() == QEvent::Hide) {
    // Closing the main window ends the program. Other hides (changing its window flags) show
    // it again at once, so look after this one has run its course.
    QTimer::singleShot(0, this, [this] {
      if (!FOwnerWindow || !FOwnerWindow->isVisible()) close();
    });
    return false;
  }
  HandleHintEvent(Watched, Event);
  return QWidget::eventFilter(Watched, Event);
}

// The hint of the control under the mouse, or of its nearest enclosing control that has one,
// or nothing.
bool TFrmBrowse::HandleHintEvent(QObject* Watched, QEvent* Event) {
  if (Event->type() != QEvent::Enter || !Watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(Watched);
  if (widget->window() != this || widget == this || !isActiveWindow()) return false;
  QString hint;
  for (QWidget* at = widget; at && at != this; at = at->parentWidget()) {
    if (!at->statusTip().isEmpty()) {
      hint = at->statusTip();
      break;
    }
  }
  StatusPanel0->setText(hint);
  return false;
}

void TFrmBrowse::ShowHelp() {
  if (Owner()) Owner()->ShowHelp(kHelpContext);
}

void TFrmBrowse::EnableOpen() {
  ui->SpdBtnOpen->setEnabled(ui->FilesLb->selectionModel()->hasSelection());
}

void TFrmBrowse::FilesLbClick() {
  EnableOpen();
}

void TFrmBrowse::FilesLbDblClick() {
  SpdBtnOpenClick();
}

void TFrmBrowse::FilesHdSectionResize() {
  ui->FilesLb->viewport()->update();
}

// ---- choosing the folder and reading its comments ----

void TFrmBrowse::SpdBtnBrowseClick() {
  TNested nested(*this);
  QString folder = BrowseFolder;
  if (Owner() && Owner()->Dialogs().SelectDirectory(tr("Select Directory"), folder)) FillList(folder);
  EnableOpen();
}

void TFrmBrowse::FillList(const QString& Folder) {
  StopReading();
  FFolder = QDir::cleanPath(Folder);
  BrowseFolder = FFolder;
  FItems->Clear();
  ui->FilesLb->setStatusTip(tr("Archives in %1").arg(FFolder));

  const QString error = FolderReadError(FFolder);
  // Hidden archives count too. A folder named like an archive does not, nor a pipe or a device,
  // which the engine could wait on for ever.
  const QStringList names =
      QDir(FFolder).entryList({QStringLiteral("*.zip")}, QDir::Files | QDir::Hidden, QDir::NoSort);
  for (const QString& name : names) FFiles << JoinPath(FFolder, name);
  if (!FFiles.isEmpty()) {
    ShowProgress();
    FReadTimer->setInterval(0);
    FReadTimer->start();
  } else {
    StatusPanel0->setText(ui->FilesLb->statusTip());
  }
  if (!error.isEmpty() && Owner())
    Owner()->Dialogs().MessageDlg(tr("Unable to read the folder \"%1\": %2.").arg(FFolder, error),
                                  platform::TMsgDlgType::mtError, platform::mbOK);
}

void TFrmBrowse::ReadCommentsStep() {
  // The engine's callback lets events run, this timer's among them.
  if (FInStep) return;
  if (FNextFile >= FFiles.size()) {
    FReadTimer->stop();
    return;
  }
  // The main window's engine is inside an operation (its callbacks let this window run), or a
  // dialog waits for the user, and the archive information dialog writes comments from there.
  // The engines share one comment buffer: wait until they are done.
  if ((Owner() && Owner()->Busy()) || QApplication::activeModalWidget()) {
    FReadTimer->setInterval(kPausedInterval);
    return;
  }
  FReadTimer->setInterval(0);

  TNested nested(*this);
  QList<TBrowseItem> batch;
  {
    const QScopedValueRollback<bool> inStep(FInStep, true);
    const unsigned generation = FGeneration;
    QElapsedTimer clock;
    clock.start();
    do {
      const QString path = FFiles.at(FNextFile++);
      QString comment;
      ZipEngine1->ZipFileName = path;
      ZipEngine1->GetArchiveComment(comment);
      ZipEngine1->ZipFileName.clear();
      // A new folder was chosen, or the window closed, while the engine let events run.
      if (generation != FGeneration) return;
      batch.append(TBrowseItem::Make(path, CutComment(comment)));
    } while (FNextFile < FFiles.size() && clock.elapsed() < kStepMillis);
  }
  FItems->Append(batch);
  if (FNextFile < FFiles.size()) {
    ShowProgress();
    return;
  }
  FReadTimer->stop();
  FItems->Sort();
  StatusPanel0->setText(ui->FilesLb->statusTip());
}

void TFrmBrowse::StopReading() {
  FReadTimer->stop();
  ++FGeneration;
  FFiles.clear();
  FNextFile = 0;
}

void TFrmBrowse::ShowProgress() {
  StatusPanel0->setText(tr("Reading comments: %1 of %2").arg(FNextFile).arg(FFiles.size()));
}

// ---- opening an archive ----

void TFrmBrowse::SpdBtnOpenClick() {
  const QModelIndexList rows = ui->FilesLb->selectionModel()->selectedRows();
  if (rows.isEmpty() || !Owner()) return;
  // The main window's engine is inside an operation and let this click through: opening another
  // archive now would change the archive under it.
  if (Owner()->Busy()) {
    QApplication::beep();
    return;
  }
  int first = rows.first().row();
  for (const QModelIndex& row : rows) first = std::min(first, row.row());
  const QString path = FItems->Item(first).Path();

  TNested nested(*this);
  Owner()->OpenZipFile(path);
  if (!Owner()) return;
  QWidget* mainForm = FOwnerWindow;
  if (mainForm->isMinimized()) mainForm->showNormal();
  mainForm->raise();
  mainForm->activateWindow();
  if (Owner()->Settings().CloseBrowser) close();
}

// ---- drawing a row ----

QRect TFrmBrowse::ColumnRect(int Column, const QRect& Row) const {
  const int nameWidth = FilesHd->sectionSize(0);
  if (Column == 0) return QRect(Row.left(), Row.top(), nameWidth, Row.height());
  return QRect(Row.left() + nameWidth, Row.top(), FilesHd->sectionSize(1), Row.height());
}

void TFrmBrowse::FilesLbDrawItem(QPainter& Canvas, const QStyleOptionViewItem& Option,
                                 const QModelIndex& Index) const {
  if (!Index.isValid() || Index.row() >= FItems->rowCount()) return;
  const TBrowseItem& item = FItems->Item(Index.row());
  const bool enabled = Option.state & QStyle::State_Enabled;
  const bool selected = Option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group = !enabled                                ? QPalette::Disabled
                                     : (Option.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
  const QColor background = Option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
  const QColor text =
      Option.palette.color(group, selected && enabled ? QPalette::HighlightedText : QPalette::Text);

  Canvas.save();
  // The whole row, so that a selection reads as one bar.
  Canvas.fillRect(Option.rect, background);
  Canvas.setPen(text);
  Canvas.setFont(Option.font);
  QString comment = item.Comment();
  // One line: a comment's line breaks and tabs show as blanks.
  for (QChar& c : comment)
    if (c == u'\n' || c == u'\r' || c == u'\t') c = u' ';
  const QString texts[2] = {item.Path(), comment};
  // Every path starts with the same folder: what is cut is its start, so that the file names,
  // which tell the rows apart, stay in sight.
  const Qt::TextElideMode elide[2] = {Qt::ElideLeft, Qt::ElideRight};
  for (int column = 0; column < 2; ++column) {
    const QRect cell = ColumnRect(column, Option.rect);
    const QRect textRect = cell.adjusted(kTextIndent, 0, 0, 0);
    Canvas.setClipRect(cell);
    Canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    Option.fontMetrics.elidedText(texts[column], elide[column], textRect.width()));
  }
  Canvas.restore();

  if (Option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(Option);
    focus.backgroundColor = background;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &Canvas, ui->FilesLb);
  }
}
