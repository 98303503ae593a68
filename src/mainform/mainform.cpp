#include "mainform/mainform.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>

#include "mainform/command_line.h"
#include "mainform/contents_drag.h"
#include "mainform/contents_model.h"
#include "mainform/program_state.h"
#include "mainform/toolbar_images.h"
#include "mainform/viewed_copies.h"
#include "settings/placement.h"
#include "settings/settings_file.h"
#include "support/file_drag.h"
#include "ui_mainform.h"

namespace {

// How much of the Path column a first start shows, and room for the frame and scroll bar.
constexpr int kPathColumnShown = 120;
constexpr int kEdgeRoom = 24;

}  // namespace

TMainFormFm::TMainFormFm(const TMainFormServices& Services, QWidget* Parent)
    : QMainWindow(Parent),
      TSettings(DefaultSettings()),
      ui(std::make_unique<Ui::MainFormFm>()),
      FServices(Services) {
  ui->setupUi(this);
  setWindowIcon(ProgramIcon());

  // Until the settings are loaded the engine keeps its own defaults, but for these two.
  MainXz = new TZipEngine(this);
  MainXz->setObjectName(QStringLiteral("MainXz"));
  MainXz->UsePaths = false;
  MainXz->UseTempFile = false;
  // The window sends the names of rows the user picked; none of them is ever a pattern.
  MainXz->ExactNames = true;

  // Created before the window registers itself as a drop target: the component withdraws the
  // registration when it starts, and drops reach it whoever registered the window.
  FileDrag1 = new TFileDrag(this);
  FileDrag1->setObjectName(QStringLiteral("FileDrag1"));
  FileDrag1->OnDrop = [this](TFileDrag& Sender) { FileDrag1Drop(Sender); };

  Placement1 = new TPlacement(this);
  Placement1->setObjectName(QStringLiteral("Placement1"));
  Placement1->IniFileName = kSettingsFileName;
  Placement1->Entry = QStringLiteral("MainFormFm");

  const auto buttons = ToolButtons();
  for (int index = 0; index < buttons.size(); ++index) buttons[index]->setIcon(ToolbarIcon(index));
  ui->ToolBar->installEventFilter(this);
  // Like the classic toolbar, a narrow window cuts the buttons off instead of growing wider.
  ui->ToolBar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  ui->FileFixMn->menuAction()->setStatusTip(tr("Fix a damaged Archive file"));
  ui->FileFixMn->menuAction()->setProperty("helpContext", 1018);

  auto* sortGroup = new QActionGroup(this);
  for (QAction* item : {ui->SortbyName, ui->SortbyDate, ui->SortbyTime, ui->SortbySize, ui->SortbyPackedSize,
                        ui->SortbyRatio, ui->SortbyPath})
    sortGroup->addAction(item);

  auto* model = new TDraggedContentsModel(this);
  model->OnDragData = [this](const QModelIndexList& Indexes) { return EntryDragData(Indexes); };
  ListModel = model;
  ListModel->setObjectName(QStringLiteral("ListModel"));
  ListModel->EncryptedMark = EncryptedMarkIcon();
  ui->ListView->setModel(ListModel);
  // Rows dragged out become files; drops still reach the window, which adds them.
  ui->ListView->setDragDropMode(QAbstractItemView::DragOnly);
  ui->ListView->setDefaultDropAction(Qt::CopyAction);

  FViewedCopies = new TViewedCopies(this);
  FViewedCopies->OnChanged = [this](const QString& Path) { OfferViewedCopy(Path); };
  ui->ListView->header()->setSectionsMovable(false);
  ui->ListView->header()->setSectionsClickable(true);
  ui->ListView->header()->setStretchLastSection(false);
  // Narrow widths from the settings are taken as they are.
  ui->ListView->header()->setMinimumSectionSize(8);
  // The column widths come with the settings, which are always loaded.

  BuildStatusBar();
  BuildPopupMenu();
  BindCommands();
  BindEngineEvents();
  ApplyTextLabels(ui->MnTextLabels->isChecked());
  FormCreate();
}

QList<QToolButton*> TMainFormFm::ToolButtons() const {
  return {ui->SpdBtnNew,    ui->ToolButton4, ui->SpdBtnClose,  ui->SpdBtnAdd, ui->SpdBtnExtract,
          ui->SpdBtnRemove, ui->SpdBtnView,  ui->ToolButton10, ui->AbortSB};
}

void TMainFormFm::FormCreate() {
  InstallHintHandler();
  UpdateTitle();
  HelpFile = FServices.ProgramDir + QStringLiteral("/Parcelix.hlp");
  LoadSettings();
  // Copies a killed run left for viewing; a run still going keeps its own.
  if (!FServices.NestedCopy)
    platform::SweepAbandonedRunFolders(ViewParentFolder(), QLatin1String(kViewFolderPrefix));
  UpdateToolButtons();
  setAcceptDrops(true);
  if (FServices.Arguments.size() > 1) OpenZipFile(JoinCommandLine(FServices.Arguments));
}

void TMainFormFm::FormShow() {
  // Wide enough, before a stored placement says otherwise, for every toolbar button with its
  // caption and the start of all seven column headers.
  int columns = 0;
  for (int column = 0; column < 6; ++column) columns += ui->ListView->columnWidth(column);
  const int wanted = qMax(ui->ToolBarLayout->sizeHint().width(), columns + kPathColumnShown) + kEdgeRoom;
  int room = wanted;
  if (const QScreen* screen = this->screen()) room = screen->availableGeometry().width() - 2 * kEdgeRoom;
  if (width() < wanted) resize(qMin(wanted, room), height());
  RestorePlacement();
}

void TMainFormFm::FormActivate() {
  InstallHintHandler();
}

void TMainFormFm::UpdateTitle() {
  const QString title = tr("%1 - Parcelix for Windows 95")
                            .arg(ArchiveOpen() ? QFileInfo(MainXz->ZipFileName).fileName() : tr("Untitled"));
  // The desktop's taskbar shows the window's own title. The application's display name stays
  // unset: the desktop would append it to every dialog caption ("Confirm — ...").
  setWindowTitle(title);
}

namespace {

using THandler = void (TMainFormFm::*)(QObject*);

}  // namespace

void TMainFormFm::BindCommands() {
  auto bindAction = [this](QAction* action, THandler handler) {
    connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
  };
  auto bindButton = [this](QToolButton* button, THandler handler) {
    connect(button, &QToolButton::clicked, this, [this, button, handler] { (this->*handler)(button); });
  };
  // Menu item, context item and toolbar button of a command share its one handler.
  bindAction(ui->FileNewMn, &TMainFormFm::FileNewMnClick);
  bindAction(ui->CreateArchive1, &TMainFormFm::FileNewMnClick);
  bindButton(ui->SpdBtnNew, &TMainFormFm::FileNewMnClick);
  bindAction(ui->FileOpenMn, &TMainFormFm::FileOpenMnClick);
  bindAction(ui->OpenArchive1, &TMainFormFm::FileOpenMnClick);
  bindButton(ui->ToolButton4, &TMainFormFm::FileOpenMnClick);
  bindAction(ui->FileCloseMn, &TMainFormFm::FileCloseMnClick);
  bindAction(ui->CloseArchive1, &TMainFormFm::FileCloseMnClick);
  bindButton(ui->SpdBtnClose, &TMainFormFm::FileCloseMnClick);
  bindAction(ui->CopyArchive1, &TMainFormFm::CopyArchive1Click);
  bindAction(ui->RenameArchive1, &TMainFormFm::RenameArchive1Click);
  bindAction(ui->FileDeleteMn, &TMainFormFm::FileDeleteMnClick);
  bindAction(ui->BrowseArchives1, &TMainFormFm::BrowseArchives1Click);
  bindAction(ui->ArchiveInformation1, &TMainFormFm::ArchiveInformation1Click);
  bindAction(ui->FileTestMn, &TMainFormFm::FileTestMnClick);
  bindAction(ui->FixNormal1, &TMainFormFm::FixNormal1Click);
  bindAction(ui->FixAgressive1, &TMainFormFm::FixAgressive1Click);
  bindAction(ui->FileExitMn, &TMainFormFm::FileExitMnClick);

  bindAction(ui->EditAddMn, &TMainFormFm::EditAddMnClick);
  bindAction(ui->AddFile1, &TMainFormFm::EditAddMnClick);
  bindButton(ui->SpdBtnAdd, &TMainFormFm::EditAddMnClick);
  bindAction(ui->EditDeleteMn, &TMainFormFm::EditDeleteMnClick);
  bindAction(ui->RemoveFile1, &TMainFormFm::EditDeleteMnClick);
  bindButton(ui->SpdBtnRemove, &TMainFormFm::EditDeleteMnClick);
  bindAction(ui->EditExtractMn, &TMainFormFm::EditExtractMnClick);
  bindAction(ui->ExtractFile1, &TMainFormFm::EditExtractMnClick);
  bindButton(ui->SpdBtnExtract, &TMainFormFm::EditExtractMnClick);
  bindAction(ui->EditView1, &TMainFormFm::SpdBtnViewClick);
  bindAction(ui->ViewFile1, &TMainFormFm::SpdBtnViewClick);
  bindButton(ui->SpdBtnView, &TMainFormFm::SpdBtnViewClick);
  bindAction(ui->EditUpdateMn, &TMainFormFm::EditUpdateMnClick);
  bindAction(ui->AddComment1, &TMainFormFm::AddComment1Click);
  bindAction(ui->EditCreateGroupIcons1, &TMainFormFm::EditCreateGroupIcons1Click);
  bindAction(ui->CreateGroupsIcons1, &TMainFormFm::EditCreateGroupIcons1Click);
  bindAction(ui->EditUpdateZIPDateMn, &TMainFormFm::EditUpdateZIPDateMnClick);
  bindAction(ui->EditSelectAllMn, &TMainFormFm::EditSelectAllMnClick);
  bindAction(ui->SelectAll1, &TMainFormFm::EditSelectAllMnClick);
  bindAction(ui->DeselectAll2, &TMainFormFm::DeselectAll2Click);
  bindAction(ui->DeselectAll1, &TMainFormFm::DeselectAll2Click);

  // The View toggles flip their own mark in their handlers, so undo the flip the action made.
  auto bindToggle = [this](QAction* action, THandler handler) {
    connect(action, &QAction::triggered, this, [this, action, handler] {
      action->setChecked(!action->isChecked());
      (this->*handler)(action);
    });
  };
  bindToggle(ui->MnDisplayButtons, &TMainFormFm::MnDisplayButtonsClick);
  bindToggle(ui->MnTextLabels, &TMainFormFm::MnTextLabelsClick);
  bindToggle(ui->MnStatusbar, &TMainFormFm::MnStatusbarClick);
  BuildNameEncodingMenu();
  BuildFilterLine();
  for (QAction* item : {ui->SortbyName, ui->SortbyDate, ui->SortbyTime, ui->SortbySize, ui->SortbyPackedSize,
                        ui->SortbyRatio, ui->SortbyPath})
    bindAction(item, &TMainFormFm::SortbyPathClick);

  bindAction(ui->Configuration1, &TMainFormFm::Configuration1Click);
  bindButton(ui->ToolButton10, &TMainFormFm::Configuration1Click);
  bindAction(ui->MultidiskmodeMn, &TMainFormFm::MultidiskmodeMnClick);
  bindAction(ui->SaveSettingsNow1, &TMainFormFm::SaveSettingsNow1Click);
  bindButton(ui->AbortSB, &TMainFormFm::AbortSbClick);

  bindAction(ui->HelpTopics1, &TMainFormFm::HelpTopics1Click);
  bindAction(ui->Searchforhelpon1, &TMainFormFm::Searchforhelpon1Click);
  bindAction(ui->HowtoUseHelp2, &TMainFormFm::HowtoUseHelp2Click);
  bindAction(ui->QuickStartTutorial1, &TMainFormFm::QuickStartTutorial1Click);
  bindAction(ui->ReadMeFile1, &TMainFormFm::ReadMeFile1Click);
  bindAction(ui->HelpAboutMn, &TMainFormFm::HelpAboutMnClick);

  connect(ui->FileMn, &QMenu::aboutToShow, this, &TMainFormFm::FileMnClick);
  connect(ui->EditMn, &QMenu::aboutToShow, this, &TMainFormFm::EditMnClick);
  connect(ui->OptionsMn, &QMenu::aboutToShow, this, &TMainFormFm::OptionsMnClick);

  connect(ui->ListView, &QTreeView::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowPopupMenu(ui->ListView->viewport()->mapToGlobal(pos)); });
  connect(ui->ListView->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { ListViewColumnClick(column); });
  // Keyboard selection changes refresh the selection buttons too, so they never lie.
  connect(ui->ListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { UpdateSelectionButtons(); });

  // Keys that desktop programs share, beside the bound ones: each reaches the command's one action.
  auto addShortcut = [](QAction* action, const QKeySequence& key) {
    action->setShortcuts(action->shortcuts() << key);
  };
  addShortcut(ui->EditDeleteMn, QKeySequence(Qt::Key_Delete));
  addShortcut(ui->FileExitMn, QKeySequence(Qt::CTRL | Qt::Key_Q));
  // Enter in the list does what a double click does, on the selected rows. The keys reach it from
  // the list's own key presses (HandleListKey), not as a shortcut: a shortcut goes by where the
  // focus was last, and would take Return from a dialog that is not active yet.
  FListEnter = new QAction(this);
  FListEnter->setObjectName(QStringLiteral("ListViewEnter"));
  FListEnter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  FListEnter->setShortcutContext(Qt::WidgetShortcut);  // on no widget: the keys are shown, not grabbed
  connect(FListEnter, &QAction::triggered, this, &TMainFormFm::ListViewDblClick);

  // F1 on a highlighted menu item, and shortcut keys refused while busy.
  for (QMenu* menu : {ui->FileMn, ui->EditMn, ui->View1, ui->OptionsMn, ui->HelpMn, ui->FileFixMn,
                      ui->Toolbar1, PopupMenu1})
    menu->installEventFilter(this);
  for (QAction* action : findChildren<QAction*>())
    if (!action->shortcut().isEmpty()) action->installEventFilter(this);
}

void TMainFormFm::BindEngineEvents() {
  MainXz->OnAdding = [this](TZipEngine& e, const TZipFileStats& s) { MainXzAdding(e, s); };
  MainXz->OnDeleting = [this](TZipEngine& e, const QString& n) { MainXzDeleting(e, n); };
  MainXz->OnExtracting = [this](TZipEngine& e, const TZipFileStats& s) { MainXzExtracting(e, s); };
  MainXz->OnFixing = [this](TZipEngine& e, const QString& n) { MainXzFixing(e, n); };
  MainXz->OnListing = [this](TZipEngine& e, const TZipFileStats& s) { MainXzListing(e, s); };
  MainXz->OnReplace = [this](TZipEngine& e, TZipReplace& r) { MainXzReplace(e, r); };
  MainXz->OnTesting = [this](TZipEngine& e, const TZipFileStats& s) { MainXzTesting(e, s); };
  MainXz->OnUpdating = [this](TZipEngine& e, const TZipFileStats& s) { MainXzUpdating(e, s); };
  MainXz->OnSkippingFile = [this](TZipEngine& e, const TZipSkipping& s) { MainXzSkippingFile(e, s); };
  MainXz->OnStatus = [this](TZipEngine& e, const TZipFileStats& s) { MainXzStatus(e, s); };
  MainXz->OnNewdisk = [this](TZipEngine& e, std::int32_t d) { MainXzNewdisk(e, d); };
  MainXz->OnPwdQuery = [this](TZipEngine& e, TZipPwdQuery& q) { MainXzPwdQuery(e, q); };
}

bool TMainFormFm::event(QEvent* Event) {
  // Status tips of menu items and controls are this window's hints: they go to panel 0 and
  // never replace the status bar's panels.
  if (Event->type() == QEvent::StatusTip) {
    DisplayHint(static_cast<QStatusTipEvent*>(Event)->tip());
    return true;
  }
  return QMainWindow::event(Event);
}

bool TMainFormFm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == ui->ToolBar && Event->type() == QEvent::Paint) {
    PaintToolBarEdges();
    return false;
  }
  if (HandleBusyShortcut(Watched, Event)) return true;
  if (HandleListMouse(Watched, Event)) return true;
  if (HandleListKey(Watched, Event)) return true;
  if (HandleMenuHelpKey(Watched, Event)) return true;
  HandleHintEvent(Watched, Event);
  return QMainWindow::eventFilter(Watched, Event);
}

void TMainFormFm::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (!FShown) {
    FShown = true;
    // Captions are measured again with the font the shown window really uses.
    ApplyTextLabels(ui->MnTextLabels->isChecked());
    FormShow();
  }
  FormResize();
}

void TMainFormFm::resizeEvent(QResizeEvent* Event) {
  QMainWindow::resizeEvent(Event);
  FormResize();
}

void TMainFormFm::changeEvent(QEvent* Event) {
  QMainWindow::changeEvent(Event);
  if (Event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TMainFormFm::contextMenuEvent(QContextMenuEvent* Event) {
  ShowPopupMenu(Event->globalPos());
}
