#include "platform/progman/launch_choice.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <algorithm>

#include "platform/run_folder.h"

namespace progman {

namespace {

// The name matches a known type, and none of its matches is a kind of program.
bool NameSaysDocument(const QString& path) {
  const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QFileInfo(path).fileName());
  return !types.isEmpty() && std::none_of(types.begin(), types.end(), [](const QMimeType& type) {
    return type.inherits(QStringLiteral("application/x-executable"));
  });
}

}  // namespace

bool StartsDirectly(const std::string& file) {
  const QString path = QString::fromStdString(file);
  return platform::IsProgramFile(path) && !NameSaysDocument(path);
}

}  // namespace progman
