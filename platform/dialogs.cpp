#include "dialogs.h"

namespace platform {

QString CaptionFor(TMsgDlgType kind) {
  switch (kind) {
    case TMsgDlgType::mtWarning:
      return QStringLiteral("Warning");
    case TMsgDlgType::mtError:
      return QStringLiteral("Error");
    case TMsgDlgType::mtInformation:
      return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation:
      return QStringLiteral("Confirm");
  }
  return QString();
}

}  // namespace platform
