#include "support/file_drag.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace {

// Only a drop that may be a copy is taken: accepting a move would let the file manager delete
// the files before they have been added.
bool OffersFiles(const QDropEvent& Event) {
  const QMimeData* data = Event.mimeData();
  if (!data || !(Event.possibleActions() & Qt::CopyAction) || !data->hasUrls()) return false;
  const QList<QUrl> urls = data->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

// The local files of the drop in the order given; other addresses (web links) are no files.
QStringList DroppedFileNames(const QMimeData& Data) {
  QStringList names;
  for (const QUrl& url : Data.urls()) {
    if (!url.isLocalFile()) continue;
    QString name = url.toLocalFile();
    // A folder may arrive as "/data/Old/"; its name is still "Old".
    while (name.size() > 1 && name.endsWith(u'/')) name.chop(1);
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

}  // namespace

TFileDrag::TFileDrag(QObject* Owner) : QObject(Owner) {
  if (Owner && Owner->isWidgetType()) {
    FOwnerWindow = static_cast<QWidget*>(Owner);
    FOwnerWindow->installEventFilter(this);
  }
  SetEnableDrop(false);
}

TFileDrag::~TFileDrag() {
  if (FOwnerWindow) FOwnerWindow->removeEventFilter(this);
  SetEnableDrop(false);
}

void TFileDrag::SetEnableDrop(bool Value) {
  FEnableDrop = Value;
  if (FOwnerWindow) FOwnerWindow->setAcceptDrops(Value);
}

bool TFileDrag::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched != FOwnerWindow) return QObject::eventFilter(Watched, Event);
  switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      // Without these the drop never comes: the file manager must be told a copy is welcome.
      auto* drag = static_cast<QDragMoveEvent*>(Event);
      if (!OffersFiles(*drag)) break;
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(Event);
      if (!OffersFiles(*drop)) break;
      const QStringList names = DroppedFileNames(*drop->mimeData());
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // The drag ends when this returns; the handler runs afterwards, as the shell's
      // dropped-files message always did.
      QMetaObject::invokeMethod(this, [this, names] { HandleDrop(names); }, Qt::QueuedConnection);
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(Watched, Event);
}

void TFileDrag::HandleDrop(const QStringList& Names) {
  FNameWithPath.clear();
  FNameOnly.clear();
  FExtension.clear();
  FFileCount = static_cast<int>(Names.size());
  for (const QString& name : Names) {
    const QString nameOnly = name.mid(name.lastIndexOf(u'/') + 1);
    const qsizetype dot = nameOnly.indexOf(u'.');
    FNameWithPath.append(name);
    FNameOnly.append(nameOnly);
    FExtension.append(dot < 0 ? QString() : nameOnly.mid(dot + 1));
  }
  if (OnDrop) OnDrop(*this);
}
