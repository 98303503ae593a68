#include "settings/options.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QTabBar>
#include <QValidator>
#include <algorithm>

#include "settings/options_pictures.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_owner.h"
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

using S = TStoredSettings;

// The settings the dialog edits, with the table's fields to reach them by.
S Copy(const TSettings& Settings) {
  S values;
  static_cast<TSettings&>(values) = Settings;
  return values;
}

}  // namespace

TFrmConfiguration::TFrmConfiguration(TSettingsOwner& Owner)
    : QDialog(Owner.OwnerWindow(), Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::FrmConfiguration>()),
      FOwner(Owner) {
  ui->setupUi(this);
  ui->ImgSettings->setPixmap(SettingsPicture(*ui->ImgSettings, kPictureSize));
  ui->ImgPassword->setPixmap(PasswordPicture(*ui->ImgPassword, kPictureSize));
  // A wrapped label asks for about eighty characters of width; the note gets the width that the
  // row of page tabs needs anyway (less the picture beside it and the margins), so the dialog
  // stays compact at any font size.
  ui->LbPasswordNote->setMaximumWidth(ui->PageControl1->tabBar()->sizeHint().width() - kPictureSize - 50);

  // The controls the settings table names, each with its key.
  for (const TSettingKey& key : SettingsTable()) {
    QWidget* control = key.Control ? findChild<QWidget*>(QLatin1String(key.Control)) : nullptr;
    Q_ASSERT(control || !key.Control);
    if (!control) continue;
    FControls.append({&key, control});
    // Texts are limited in bytes, as the engine and the file take them.
    if (auto* edit = qobject_cast<QLineEdit*>(control))
      edit->setValidator(new TByteLimitValidator(key.Limit, edit));
    if (qobject_cast<QGroupBox*>(control)) {
      auto* items = new QButtonGroup(control);
      const auto buttons = control->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
      for (int id = 0; id < buttons.size(); ++id) items->addButton(buttons[id], id);
      FRadioItems.insert(control, items);
    }
  }

  connect(ui->Button1, &QPushButton::clicked, this, &TFrmConfiguration::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFrmConfiguration::Button2Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TFrmConfiguration::Button3Click);
  auto* pageHelp = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(pageHelp, &QShortcut::activated, this, &TFrmConfiguration::ShowPageHelp);
  FormCreate();
}

TFrmConfiguration::~TFrmConfiguration() = default;

void TFrmConfiguration::FormCreate() {
  const S values = Copy(FOwner.Settings());
  for (const auto& bound : FControls) {
    const TSettingKey& key = *bound.first;
    QWidget& control = *bound.second;
    VisitField(
        key, [&](bool S::*Field) { qobject_cast<QCheckBox*>(&control)->setChecked(values.*Field); },
        [&](QString S::*Field) {
          qobject_cast<QLineEdit*>(&control)->setText(CutToBytes(values.*Field, key.Limit));
        },
        [&](std::int32_t S::*Field) { ShowNumber(control, values.*Field); });
  }
  if (values.OnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  ui->PageControl1->setCurrentWidget(ui->PageOptions);
}

void TFrmConfiguration::ShowNumber(QWidget& Control, std::int32_t Value) {
  // A slider shows a value outside its range at the nearer end; a list then selects nothing.
  if (auto* slider = qobject_cast<QSlider*>(&Control))
    slider->setValue(std::clamp(Value, slider->minimum(), slider->maximum()));
  if (auto* list = qobject_cast<QComboBox*>(&Control))
    list->setCurrentIndex(Value >= 0 && Value < list->count() ? Value : -1);
  // Above the last radio item selects the last; a negative value selects none.
  if (QButtonGroup* items = FRadioItems.value(&Control); items && Value >= 0)
    items->button(std::min<std::int32_t>(Value, items->buttons().size() - 1))->setChecked(true);
}

std::int32_t TFrmConfiguration::ChosenNumber(QWidget& Control, const TSettingKey& Key) {
  if (auto* slider = qobject_cast<QSlider*>(&Control)) return slider->value();
  if (auto* list = qobject_cast<QComboBox*>(&Control)) {
    // No choice made where none stands for the default (the overwrite question: ask the user).
    if (list->currentIndex() < 0 && Key.UnsetIsDefault) list->setCurrentIndex(Key.DefaultNumber);
    return list->currentIndex();
  }
  return FRadioItems.value(&Control)->checkedId();
}

void TFrmConfiguration::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  CentreOnScreen(*this);
}

void TFrmConfiguration::reject() {
  Button1Click();
}

void TFrmConfiguration::Button1Click() {
  QDialog::reject();
}

void TFrmConfiguration::Button2Click() {
  StoreSettings();
  accept();
}

void TFrmConfiguration::Button3Click() {
  FOwner.ShowHelp(kDialogHelpContext);
}

void TFrmConfiguration::ShowPageHelp() {
  const int context = ui->PageControl1->currentWidget()->property("helpContext").toInt();
  FOwner.ShowHelp(context > 0 ? context : kDialogHelpContext);
}

void TFrmConfiguration::StoreSettings() {
  S values = Copy(FOwner.Settings());
  for (const auto& bound : FControls) {
    const TSettingKey& key = *bound.first;
    QWidget& control = *bound.second;
    VisitField(
        key, [&](bool S::*Field) { values.*Field = qobject_cast<QCheckBox*>(&control)->isChecked(); },
        [&](QString S::*Field) {
          values.*Field = CutToBytes(qobject_cast<QLineEdit*>(&control)->text(), key.Limit);
        },
        [&](std::int32_t S::*Field) { values.*Field = ChosenNumber(control, key); });
  }
  FOwner.Settings() = values;
  FOwner.SettingsEdited();
}
