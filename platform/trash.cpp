#include "platform/trash.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

bool MoveFileToTrash(const QString& FileName, TDialogs& Dialogs) {
  const QString fullName = QFileInfo(FileName).absoluteFilePath();
  if (Dialogs.MessageDlg(QStringLiteral("Do you want to move \"") + fullName + QStringLiteral("\" to the Trash?"),
                         TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
    return false;
  if (QFile::moveToTrash(fullName)) return true;
  Dialogs.MessageDlg(QStringLiteral("Unable to move \"") + fullName + QStringLiteral("\" to the Trash."),
                     TMsgDlgType::mtError, mbOK);
  return false;
}

}  // namespace platform
