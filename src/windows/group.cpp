#include "windows/group.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "engine/zip_engine.h"
#include "platform/dialogs.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "support/centre_on_screen.h"
#include "ui_group.h"
#include "windows/entry_listing.h"
#include "windows/window_owner.h"

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

void ReportGroupFailure(TWindowOwner& Owner) {
  Owner.Dialogs().MessageDlg(TFrmCreateGroup::tr("Unable to create group."),
                             platform::TMsgDlgType::mtInformation, platform::mbOK);
}

}  // namespace

QString GroupBaseName(const QString& ArchiveName) {
  const QString file = QFileInfo(ArchiveName).fileName();
  const qsizetype dot = file.indexOf(u'.', 1);
  return dot < 0 ? file : file.left(dot);
}

TFrmCreateGroup::TFrmCreateGroup(TWindowOwner& Owner)
    : QDialog(Owner.OwnerWindow(), Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      DdeClient(QStringLiteral("ProgMan"), QString(), Owner.ProgramDir()),
      ui(std::make_unique<Ui::FrmCreateGroup>()),
      FOwner(Owner) {
  ui->setupUi(this);
  connect(ui->BtnOk, &QPushButton::clicked, this, &TFrmCreateGroup::BtnOkClick);
  connect(ui->BtnCancel, &QPushButton::clicked, this, &TFrmCreateGroup::BtnCancelClick);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(help, &QShortcut::activated, this, [this] { FOwner.ShowHelp(kHelpContext); });
  FormCreate();
}

TFrmCreateGroup::~TFrmCreateGroup() = default;

void TFrmCreateGroup::FormCreate() {
  const TSettings& settings = FOwner.Settings();
  const QString archive = CutToBytes(FOwner.Engine().ZipFileName, kPathLimit);
  const QString base = GroupBaseName(archive);
  const QString parent =
      settings.DefaultExtractPath.isEmpty() ? QDir::currentPath() : settings.DefaultExtractPath;
  ui->Edit1->setText(Join(parent, base));
  ui->Edit2->setText(base);
  if (settings.OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void TFrmCreateGroup::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  CentreOnScreen(*this);
}

void TFrmCreateGroup::BtnCancelClick() {
  reject();
}

void TFrmCreateGroup::BtnOkClick() {
  hide();
  QString folder = CutToBytes(ui->Edit1->text(), kPathLimit);
  if (folder.isEmpty()) folder = QDir::currentPath();
  // What the extraction says it reports itself; the group is asked for either way.
  FOwner.ExtractAllFiles(folder);

  // The first items' names in archive order, from one listing of the archive.
  QStringList names;
  {
    TBusyPeriod busy(FOwner);
    ListEachEntry(FOwner.Engine(), [&names](const TZipFileStats& Stats) {
      if (names.size() < kMostItems) names.append(Stats.FileName);
    });
  }

  const QString group = ui->Edit2->text();
  bool groupFailed = !DdeClient.ExecuteMacro(QStringLiteral("[CreateGroup(") + group + QStringLiteral(")]"));
  if (groupFailed) ReportGroupFailure(FOwner);
  QStringList commands;
  for (const QString& name : names) {
    const QString commandLine =
        FOwner.Settings().ExtractPath ? Join(folder, name) : u'"' + Join(folder, NamePart(name)) + u'"';
    commands.append(QStringLiteral("[AddItem(") + commandLine + u',' + NamePart(name) + QStringLiteral(")]"));
    DdeClient.ExecuteMacro(commands.last());
  }
  QList<bool> carriedOut;
  {
    TBusyPeriod busy(FOwner);
    carriedOut = DdeClient.Results();
  }
  DdeClient.CloseLink();
  // Without a group the items' failures are the group's, already told.
  if (!groupFailed && !carriedOut.value(0)) {
    groupFailed = true;
    ReportGroupFailure(FOwner);
  }
  QStringList missing;
  for (qsizetype item = 0; !groupFailed && item < names.size(); ++item) {
    if (carriedOut.value(item + 1)) continue;
    missing.append(names[item] + (platform::TDdeClientConv::IsCut(commands[item])
                                      ? tr(" (its command is longer than 255 bytes)")
                                      : tr(" (the program group service did not add it)")));
  }
  if (!missing.isEmpty())
    FOwner.Dialogs().MessageDlg(
        tr("These files got no item in the program group \"%1\":\n%2").arg(group, missing.join(u'\n')),
        platform::TMsgDlgType::mtWarning, platform::mbOK);
  accept();
}
