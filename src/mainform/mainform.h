// TMainFormFm: the main window. Its layout is mainform.ui; its behaviour is split by subsystem
// into the sibling sources of this folder; docs/ARCHITECTURE.md ("Where things live") says which
// command is in which.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/zip_engine.h"
#include "mainform/mainform_services.h"
#include "platform/run_folder.h"
#include "settings/settings.h"
#include "windows/window_owner.h"

namespace Ui {
class MainFormFm;
}

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QToolButton;
class QTreeView;
class TContentsModel;
class TFileDrag;
class TPlacement;
class TViewedCopies;
struct TViewedCopy;
class QMimeData;
class QModelIndex;

// The relative path an entry is extracted to when paths are kept: "\" read as "/", a leading
// "/", a drive letter, empty, "." and ".." parts dropped, as the libraries place it.
QString PlacedEntryPath(const QString& StoredName);

// The settings are the window's own fields (TSettings), each named by its key in the settings
// file. The dialogs it opens reach it through TWindowOwner.
class TMainFormFm : public QMainWindow, public TSettings, public TWindowOwner {
  Q_OBJECT

 public:
  // Builds the window from its layout and runs FormCreate.
  explicit TMainFormFm(const TMainFormServices& Services, QWidget* Parent = nullptr);
  // Runs FormDestroy.
  ~TMainFormFm() override;

  // ---- state ----
  TZipEngine* MainXz;           // the engine; ZipFileName is the current archive
  TFileDrag* FileDrag1;         // files dropped from the file manager
  TPlacement* Placement1;       // where the window was, restored when first shown
  std::int64_t FTotalSize = 0;  // sums of the last listing
  std::int64_t FTotalPacked = 0;
  bool FTesting = false;      // true only while Test Archive runs the engine's Test
  QStringList TempFiles;      // temporary copies made for viewing, deleted at close
  QString HelpFile;           // "Parcelix.hlp" beside the program
  TContentsModel* ListModel;  // the rows that ListView shows

  // ---- what the dialogs it opens take from it (window_owner.cpp) ----
  TSettings& Settings() override { return *this; }
  void SettingsEdited() override;
  void ShowHelp(int Context) override;
  QWidget* OwnerWindow() override { return this; }
  platform::TDialogs& Dialogs() override { return FServices.Dialogs; }
  QString ProgramDir() const override { return FServices.ProgramDir; }
  TZipEngine& Engine() override { return *MainXz; }
  bool Busy() const override;
  void SetBusy(bool Done) override;
  void OpenZipFile(const QString& FileName) override;
  void ExtractAllFiles(const QString& Folder) override;

  // ---- operations other parts of the window call ----
  void UpdateToolButtons();
  void UpdateSelectionButtons();
  void DisplayHint(const QString& Hint);
  void LeaveMultidiskMode();
  QString TotalsText() const;
  // Title from the current archive: "Untitled - ..." or the file name without its folder.
  void UpdateTitle();
  bool ArchiveOpen() const { return !MainXz->ZipFileName.isEmpty(); }
  // Lists the open archive into the list; the caller holds the busy period.
  void ReadArchive();
  // Appends the stored name (column 6) of each selected row, top to bottom.
  void CollectSelectedNames(QTreeView* List, QStringList& Names) const;
  void CheckSortMenuItem();
  void ApplyOverwriteSetting();
  void AddToRecentFiles(const QString& FileName);
  void AddRecentMenuItem(int Number, const QString& FileName);
  // 0 when no file of that name exists, else the answer (mrYes or mrNo) to the replace question.
  int ConfirmReplace(const QString& FileName);
  // Asks, then moves the file to the Trash; false when it does not exist or was not moved.
  bool SendToRecycleBin(const QString& FileName);
  // Extracts the selected entries (all of them with none selected) into Folder with the current
  // settings, in one busy period; the result is reported to the user.
  void ExtractFiles(const QString& Folder);
  // The files of the rows Indexes name, for a drag out of the list (drag_out.cpp); none when they
  // were not made.
  QMimeData* EntryDragData(const QList<QModelIndex>& Indexes);
  // A viewed copy was changed by the program showing it (view_edits.cpp): asks whether to update
  // its entry, and does.
  void OfferViewedCopy(const QString& Path);
  // Adds the files (full paths) to the open archive and re-lists it; the caller holds the busy
  // period. Failures are reported inside.
  void AddFilesToZip(const QStringList& Files);

  // ---- handlers of this window ----
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormResize();
  void FormClose();
  void FormDestroy();
  void FileMnClick();
  void EditMnClick();
  void OptionsMnClick();
  void PopupMenu1Popup();
  void FileExitMnClick(QObject* Sender);
  void HelpAboutMnClick(QObject* Sender);
  void HelpTopics1Click(QObject* Sender);
  void Searchforhelpon1Click(QObject* Sender);
  void HowtoUseHelp2Click(QObject* Sender);
  void QuickStartTutorial1Click(QObject* Sender);
  void ReadMeFile1Click(QObject* Sender);
  void MnStatusbarClick(QObject* Sender);
  void MnDisplayButtonsClick(QObject* Sender);
  void MnTextLabelsClick(QObject* Sender);
  void NameEncodingClick(int CodePage);
  void EditFilter1Click();
  void AbortSbClick(QObject* Sender);
  void EditSelectAllMnClick(QObject* Sender);
  void DeselectAll2Click(QObject* Sender);
  void ListViewColumnClick(int Column);
  void SortbyPathClick(QObject* Sender);
  void ListViewClick();
  void ListViewDblClick();
  void FileNewMnClick(QObject* Sender);
  void FileOpenMnClick(QObject* Sender);
  void FileCloseMnClick(QObject* Sender);
  void CopyArchive1Click(QObject* Sender);
  void RenameArchive1Click(QObject* Sender);
  void FileDeleteMnClick(QObject* Sender);
  void MRUMenuClick(QObject* Sender);
  void FileDrag1Drop(TFileDrag& Sender);
  void EditExtractMnClick(QObject* Sender);
  void SpdBtnViewClick(QObject* Sender);
  void ArchiveInformation1Click(QObject* Sender);
  void AddComment1Click(QObject* Sender);
  void EditAddMnClick(QObject* Sender);
  void EditDeleteMnClick(QObject* Sender);
  void EditUpdateMnClick(QObject* Sender);
  void FileTestMnClick(QObject* Sender);
  void FixNormal1Click(QObject* Sender);
  void FixAgressive1Click(QObject* Sender);
  // Asks for a damaged archive and repairs it; both Fix commands run it.
  void FixArchive(bool Aggressive);
  void EditUpdateZIPDateMnClick(QObject* Sender);
  void MultidiskmodeMnClick(QObject* Sender);
  void LoadSettings();
  void SaveSettings(QObject* Sender);
  // The platform services the window talks through; its dialogs and browsers use them too.
  const TMainFormServices& Services() const { return FServices; }
  void SaveSettingsNow1Click(QObject* Sender);
  void Configuration1Click(QObject* Sender);         // configuration_command.cpp
  void BrowseArchives1Click(QObject* Sender);        // browse_command.cpp
  void EditCreateGroupIcons1Click(QObject* Sender);  // group_command.cpp
  void RestorePlacement();
  void SavePlacement();

  // ---- the engine's events ----
  void MainXzAdding(TZipEngine& ZipEngine, const TZipFileStats& FileStats);
  void MainXzDeleting(TZipEngine& ZipEngine, const QString& FileName);
  void MainXzExtracting(TZipEngine& ZipEngine, const TZipFileStats& FileStats);
  void MainXzFixing(TZipEngine& ZipEngine, const QString& FileName);
  void MainXzListing(TZipEngine& ZipEngine, const TZipFileStats& FileStats);
  void MainXzReplace(TZipEngine& ZipEngine, TZipReplace& Replace);
  void MainXzTesting(TZipEngine& ZipEngine, const TZipFileStats& FileStats);
  void MainXzUpdating(TZipEngine& ZipEngine, const TZipFileStats& FileStats);
  void MainXzSkippingFile(TZipEngine& ZipEngine, const TZipSkipping& Skipping);
  void MainXzStatus(TZipEngine& ZipEngine, const TZipFileStats& FileStats);
  void MainXzNewdisk(TZipEngine& ZipEngine, std::int32_t Disknumber);
  void MainXzPwdQuery(TZipEngine& ZipEngine, TZipPwdQuery& PwdQuery);

  // Controls made in code; the others are named in the layout and reached through `ui`.
  QMenu* PopupMenu1 = nullptr;
  QLabel* StatusPanel0 = nullptr;  // panel 0: hints, progress texts, totals
  QLabel* StatusPanel1 = nullptr;  // panel 1: never written, lies under the progress bar
  QProgressBar* ProgressBar2 = nullptr;

 protected:
  bool event(QEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void contextMenuEvent(QContextMenuEvent* Event) override;

 private:
  friend class TReadingPhase;

  void BuildPopupMenu();
  // Sets the engine up for Files (full paths, folders among them) and adds them (mode 0 add,
  // 2 update); the engine's result.
  int AddPicked(const QStringList& Files, int Mode);
  // ExtractFiles with the extract method given (View always extracts outright).
  void ExtractSelected(const QString& Folder, int Method);
  // The same for the entries Names (patterns allowed) rather than the selection.
  void ExtractNames(const QString& Folder, const QStringList& Names, int Method);
  // View and drag take entries out whole into a folder of their own; the user's choices of paths
  // and overwriting come back however the extraction ends.
  class TRestoreExtractChoices {
   public:
    explicit TRestoreExtractChoices(TMainFormFm& Window);
    ~TRestoreExtractChoices();
    TRestoreExtractChoices(const TRestoreExtractChoices&) = delete;
    TRestoreExtractChoices& operator=(const TRestoreExtractChoices&) = delete;

   private:
    TMainFormFm& FWindow;
    bool FExtractPath;
    TZipOverwrite FOverwrite;
    bool FExactNames;
  };
  // Updates the entry of a changed viewed copy under its stored name (view_edits.cpp).
  void UpdateViewedCopy(const TViewedCopy& Copy);
  // A new empty folder for one view's copies inside this run's private folder; empty (and the
  // user told why) when it cannot be made.
  QString NewViewFolder();
  void BindCommands();
  void BindEngineEvents();
  void BuildStatusBar();
  void InstallHintHandler();
  bool HandleHintEvent(QObject* Watched, QEvent* Event);
  bool HandleMenuHelpKey(QObject* Watched, QEvent* Event);
  bool HandleBusyShortcut(QObject* Watched, QEvent* Event);
  void PaintToolBarEdges();
  void ApplyToolButtonStates();
  void ApplyTextLabels(bool Shown);
  void BuildNameEncodingMenu();
  void BuildFilterLine();
  void FilterChanged(const QString& Text);
  void CloseFilter();
  void ShowFilterCount();   // status panel 0: how many rows are shown of how many, while filtering
  void ShowNameEncoding();  // the choice marked, and the code page the last listing found
  void ShowPopupMenu(const QPoint& GlobalPos);
  QList<QToolButton*> ToolButtons() const;
  bool HandleListMouse(QObject* Watched, QEvent* Event);
  bool HandleListKey(QObject* Watched, QEvent* Event);  // Return and Enter in the list
  void ClearContents();
  QAction* SortMenuItem(int Column) const;

  std::unique_ptr<Ui::MainFormFm> ui;
  TMainFormServices FServices;
  bool FOpenButtonsWanted = false;       // SpdBtnClose, SpdBtnAdd as UpdateToolButtons left them
  bool FSelectionButtonsWanted = false;  // SpdBtnRemove, SpdBtnExtract, SpdBtnView
  bool FHourglass = false;
  bool FShown = false;
  bool FCloseWhenIdle = false;             // the window was asked to close while an operation ran
  bool FReplaceDeclined = false;           // the last replace question was answered No
  bool FNeverOverwriting = false;          // an extraction runs that keeps every existing file
  QAction* FMenuItemUnderMouse = nullptr;  // also a disabled one, which a menu never highlights
  int FReadingOperations = 0;              // engine calls under way that only read the archive
  QMenu* FNameEncodingMenu = nullptr;      // View > Name Encoding
  QLineEdit* FFilterLine = nullptr;        // above the list, while filtering
  QAction* FListEnter = nullptr;           // Return or Enter in the list: the double-click action
  // Shows a viewed copy: an archive in a window of its own, a program run only when the user
  // says so, anything else by its type.
  void OpenViewedCopy(const QString& Path);
  // A window of its own for an archive viewed out of this one.
  void OpenNestedArchive(const QString& Path);
  // Where viewed copies go: TempFolder, or the system's temporary folder.
  QString ViewParentFolder() const;
  static constexpr char kViewFolderPrefix[] = "parcelix-view-";
  // This run's private folders for viewed copies, one per temporary folder used.
  struct TViewFolder {
    QString Parent;
    std::unique_ptr<platform::TRunFolder> Folder;
  };
  std::vector<TViewFolder> FViewFolders;
  int FViewCount = 0;
  // Windows showing archives viewed out of this one; they close before this one does.
  QList<QPointer<TMainFormFm>> FNestedWindows;
  // The copies View handed out, watched for changes to offer back to the archive.
  TViewedCopies* FViewedCopies = nullptr;
  bool FOfferingCopy = false;  // a question about a changed copy is on screen
  QString FPasswordAskedFor;   // the entry of the last password question of this operation
  QString FPasswordTyped;      // the last typed password of this operation that the engine took
  // The password that last worked in an archive, tried first while that archive stays open.
  struct TArchivePassword {
    QString Archive;
    QString Password;
  } FArchivePassword;
};
