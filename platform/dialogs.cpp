#include "dialogs.h"

#include <QCoreApplication>

namespace platform {

QString CaptionFor(TMsgDlgType kind) {
  switch (kind) {
    case TMsgDlgType::mtWarning:
      return QCoreApplication::translate("Dialogs", "Warning");
    case TMsgDlgType::mtError:
      return QCoreApplication::translate("Dialogs", "Error");
    case TMsgDlgType::mtInformation:
      return QCoreApplication::translate("Dialogs", "Information");
    case TMsgDlgType::mtConfirmation:
      return QCoreApplication::translate("Dialogs", "Confirm");
  }
  return QString();
}

}  // namespace platform
