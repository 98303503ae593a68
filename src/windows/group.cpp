#include "windows/group.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "engine/zip_engine.h"
#include "mainform/busy_period.h"
#include "mainform/mainform.h"
#include "mainform/settings_file.h"
#include "windows/centre_on_screen.h"
#include "ui_group.h"
#include "windows/entry_listing.h"

namespace {

constexpr int kHelpContext = 1013;
constexpr int kMostItems = 51;  // a program group holds no more icons than this

// "folder/name", without doubling the separator after the root or a trailing "/".
QString Join(const QString& Folder, const QString& Name) {
  return Folder.endsWith(u'/') ? Folder + Name : Folder + u'/' + Name;
}

QString NamePart(const QString& StoredName) {
  const qsizetype slash = StoredName.lastIndexOf(u'/');
  return slash < 0 ? StoredName : StoredName.mid(slash + 1);
}

}  // namespace

QString GroupBaseName(const QString& ArchiveName) {
  const QString file = QFileInfo(ArchiveName).fileName();
  const qsizetype dot = file.indexOf(u'.', 1);
  return dot < 0 ? file : file.left(dot);
}

TFrmCreateGroup::TFrmCreateGroup(TMainFormFm& Owner)
    : QDialog(&Owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      DdeClient(QStringLiteral("ProgMan"), QString(), Owner.Services().ProgramDir),
      ui(std::make_unique<Ui::FrmCreateGroup>()),
      FOwner(Owner) {
  ui->setupUi(this);
  connect(ui->BtnOk, &QPushButton::clicked, this, &TFrmCreateGroup::BtnOkClick);
  connect(ui->BtnCancel, &QPushButton::clicked, this, &TFrmCreateGroup::BtnCancelClick);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] {
    FOwner.Services().Help.WinHelp(FOwner.HelpFile, platform::HELP_CONTEXT, kHelpContext);
  });
  FormCreate();
}

TFrmCreateGroup::~TFrmCreateGroup() = default;

void TFrmCreateGroup::FormCreate() {
  const QString archive = CutToBytes(FOwner.MainXz->ZipFileName, kPathLimit);
  const QString base = GroupBaseName(archive);
  const QString parent = FOwner.DefaultExtractPath.isEmpty() ? QDir::currentPath() : FOwner.DefaultExtractPath;
  ui->Edit1->setText(Join(parent, base));
  ui->Edit2->setText(base);
  if (FOwner.OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void TFrmCreateGroup::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  CentreOnScreen(*this);
}

void TFrmCreateGroup::BtnCancelClick() { reject(); }

void TFrmCreateGroup::BtnOkClick() {
  hide();
  FOwner.EditSelectAllMnClick(this);
  QString folder = CutToBytes(ui->Edit1->text(), kPathLimit);
  if (folder.isEmpty()) folder = QDir::currentPath();
  // What the extraction says it reports itself; the group is asked for either way.
  FOwner.ExtractFiles(folder);

  // The first items' names in archive order, from one listing of the archive.
  QStringList names;
  {
    TBusyPeriod busy(FOwner);
    ListEachEntry(*FOwner.MainXz, [&names](const TZipFileStats& Stats) {
      if (names.size() < kMostItems) names.append(Stats.FileName);
    });
  }

  if (!DdeClient.ExecuteMacro(QStringLiteral("[CreateGroup(") + ui->Edit2->text() + QStringLiteral(")]")))
    FOwner.Services().Dialogs.MessageDlg(QStringLiteral("Unable to create group."),
                                         platform::TMsgDlgType::mtInformation, platform::mbOK);
  for (const QString& name : names) {
    const QString commandLine = FOwner.ExtractPath ? Join(folder, name)
                                                   : u'"' + Join(folder, NamePart(name)) + u'"';
    // Failures here are silent: the group's own failure has been reported.
    DdeClient.ExecuteMacro(QStringLiteral("[AddItem(") + commandLine + u',' + NamePart(name) + QStringLiteral(")]"));
  }
  DdeClient.CloseLink();
  accept();
}
