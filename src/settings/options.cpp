#include "settings/options.h"

#include <QButtonGroup>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QValidator>

#include <algorithm>

#include "mainform/mainform.h"
#include "mainform/settings_file.h"
#include "settings/options_pictures.h"
#include "support/centre_on_screen.h"
#include "ui_options.h"

namespace {

constexpr int kDialogHelpContext = 1010;
constexpr int kPictureSize = 40;

// Keeps an edit's text within a number of UTF-8 bytes. Text that would not fit loses what was
// just put in before the cursor, a whole character at a time: a key that does not fit is refused
// and a paste keeps only what fits.
class TByteLimitValidator : public QValidator {
 public:
  TByteLimitValidator(int Limit, QObject* Parent) : QValidator(Parent), FLimit(Limit) {}

  State validate(QString& Input, int& Pos) const override {
    while (Input.toUtf8().size() > FLimit && Pos > 0) {
      int start = Pos - 1;
      if (start > 0 && Input[start].isLowSurrogate() && Input[start - 1].isHighSurrogate()) --start;
      Input.remove(start, Pos - start);
      Pos = start;
    }
    return Input.toUtf8().size() <= FLimit ? Acceptable : Invalid;
  }

 private:
  int FLimit;
};

}  // namespace

TFrmConfiguration::TFrmConfiguration(TMainFormFm& Owner)
    : QDialog(&Owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::FrmConfiguration>()),
      FOwner(Owner) {
  ui->setupUi(this);
  ui->ImgSettings->setPixmap(SettingsPicture(kPictureSize));
  ui->ImgPassword->setPixmap(PasswordPicture(kPictureSize));
  // A wrapped label asks for about eighty characters of width; the note gets the width that the
  // row of page tabs needs anyway (less the picture beside it and the margins), so the dialog
  // stays compact at any font size.
  ui->LbPasswordNote->setMaximumWidth(ui->PageControl1->tabBar()->sizeHint().width() - kPictureSize - 50);
  // The password and the extension list are limited in bytes, as the engine takes them.
  ui->EdPassword->setValidator(new TByteLimitValidator(kPasswordLimit, ui->EdPassword));
  ui->EdStoredExt->setValidator(new TByteLimitValidator(kExtensionListLimit, ui->EdStoredExt));

  FMouseActions = new QButtonGroup(this);
  FMouseActions->addButton(ui->RdBtnMouseView, 0);
  FMouseActions->addButton(ui->RdBtnMouseExtract, 1);
  FMouseActions->addButton(ui->RdBtnMouseRemove, 2);

  connect(ui->Button1, &QPushButton::clicked, this, &TFrmConfiguration::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFrmConfiguration::Button2Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TFrmConfiguration::Button3Click);
  auto* pageHelp = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(pageHelp, &QShortcut::activated, this, &TFrmConfiguration::ShowPageHelp);
  FormCreate();
}

TFrmConfiguration::~TFrmConfiguration() = default;

void TFrmConfiguration::FormCreate() {
  const TMainFormFm& w = FOwner;
  ui->TrackBar1->setValue(std::clamp(w.CompressionLevel, ui->TrackBar1->minimum(), ui->TrackBar1->maximum()));

  ui->CkBxRemove->setChecked(w.ConfirmRemove);
  ui->CkBxAdd->setChecked(w.ConfirmAdd);
  ui->CkBxExtract->setChecked(w.ConfirmExtract);
  ui->CkBxOnTop->setChecked(w.OnTop);
  ui->CkBxUseTemp->setChecked(w.UseTempFile);
  ui->CkBxCloseBrowser->setChecked(w.CloseBrowser);
  ui->CkBxClearDisk->setChecked(w.ClearDisk);
  ui->CkBxIncludeHidden->setChecked(w.IncludeHidden);
  ui->CkBxMoveFiles->setChecked(w.MoveFiles);
  ui->CkBxStorePath->setChecked(w.StorePath);
  ui->CkBxRecurse->setChecked(w.Recurse);
  ui->CkBxExtractPath->setChecked(w.ExtractPath);

  ui->EdTempFolder->setText(w.TempFolder);
  ui->EdPassword->setText(CutToBytes(w.Password, kPasswordLimit));
  ui->EdStoredExt->setText(CutToBytes(w.StoredExt, kExtensionListLimit));
  ui->EdDefaultExtractPath->setText(w.DefaultExtractPath);

  // Above the last item selects the last; a negative value selects none.
  if (w.MouseAction >= 0) FMouseActions->button(std::min(w.MouseAction, 2))->setChecked(true);
  ui->CmOverwrite->setCurrentIndex(w.Overwrite >= 0 && w.Overwrite <= 2 ? w.Overwrite : -1);
  ui->CmExtractMethod->setCurrentIndex(w.ExtractMethod >= 0 && w.ExtractMethod <= 2 ? w.ExtractMethod : -1);

  if (w.OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  ui->PageControl1->setCurrentWidget(ui->PageOptions);
}

void TFrmConfiguration::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  CentreOnScreen(*this);
}

void TFrmConfiguration::reject() { Button1Click(); }

void TFrmConfiguration::Button1Click() { QDialog::reject(); }

void TFrmConfiguration::Button2Click() {
  StoreSettings();
  accept();
}

void TFrmConfiguration::Button3Click() {
  FOwner.Services().Help.WinHelp(FOwner.HelpFile, platform::HELP_CONTEXT, kDialogHelpContext);
}

void TFrmConfiguration::ShowPageHelp() {
  const int context = ui->PageControl1->currentWidget()->property("helpContext").toInt();
  FOwner.Services().Help.WinHelp(FOwner.HelpFile, platform::HELP_CONTEXT,
                                 context > 0 ? context : kDialogHelpContext);
}

void TFrmConfiguration::StoreSettings() {
  TMainFormFm& w = FOwner;
  w.CompressionLevel = ui->TrackBar1->value();
  w.ConfirmRemove = ui->CkBxRemove->isChecked();
  w.ConfirmExtract = ui->CkBxExtract->isChecked();
  w.ConfirmAdd = ui->CkBxAdd->isChecked();

  w.TempFolder = CutToBytes(ui->EdTempFolder->text(), kPathLimit);
  w.OnTop = ui->CkBxOnTop->isChecked();
  w.UseTempFile = ui->CkBxUseTemp->isChecked();

  w.Password = CutToBytes(ui->EdPassword->text(), kPasswordLimit);

  w.CloseBrowser = ui->CkBxCloseBrowser->isChecked();
  w.MouseAction = FMouseActions->checkedId();

  w.ClearDisk = ui->CkBxClearDisk->isChecked();
  w.IncludeHidden = ui->CkBxIncludeHidden->isChecked();
  w.MoveFiles = ui->CkBxMoveFiles->isChecked();
  w.StorePath = ui->CkBxStorePath->isChecked();
  w.Recurse = ui->CkBxRecurse->isChecked();
  w.StoredExt = CutToBytes(ui->EdStoredExt->text(), kExtensionListLimit);

  // No choice made means the user is asked.
  if (ui->CmOverwrite->currentIndex() < 0) ui->CmOverwrite->setCurrentIndex(2);
  w.Overwrite = ui->CmOverwrite->currentIndex();

  w.DefaultExtractPath = CutToBytes(ui->EdDefaultExtractPath->text(), kPathLimit);
  w.ExtractPath = ui->CkBxExtractPath->isChecked();
  w.ExtractMethod = ui->CmExtractMethod->currentIndex();

  // Clearing the setting returns the window to the normal order at once, rather than leaving it
  // topmost until the program ends. Changing the flag hides a shown window, so show it again.
  if (w.windowFlags().testFlag(Qt::WindowStaysOnTopHint) != w.OnTop) {
    const bool shown = w.isVisible();
    w.setWindowFlag(Qt::WindowStaysOnTopHint, w.OnTop);
    if (shown) w.show();
  }

  TZipEngine& engine = *w.MainXz;
  engine.Compression = static_cast<TZipCompressionLevel>(w.CompressionLevel);
  engine.ClearDisks = w.ClearDisk;
  engine.UseTempFile = w.UseTempFile;
  // The root folder keeps its only "/".
  if (w.TempFolder.size() > 1 && w.TempFolder.endsWith(u'/')) w.TempFolder.chop(1);
  engine.TempPath = w.TempFolder;
  engine.StoredExtensions = w.StoredExt;
  engine.Recurse = w.Recurse;
  engine.MoveFiles = w.MoveFiles;
  engine.IncludeHiddenFiles = w.IncludeHidden;
  engine.ClearDisks = w.ClearDisk;
  engine.Password = w.Password;
}
